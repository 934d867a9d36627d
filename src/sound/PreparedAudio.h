#pragma once

#include <QByteArray>
#include <QList>
#include <QString>
#include <QStringList>

// The sound made ahead for the announcements expected next, and the rules of what is
// kept. An item is one thing heard: an announcement's speech in one voice, or a chime
// file as it is on disk; both are named by a key that changes whenever what is heard
// would change (another text, another voice, another file or the file rewritten). An
// item's parts are its speech pieces in order (a chime has one), decoded for the audio
// device; a part may be empty (a piece that gives no sound).
//
// - Only the items of the first kMaxEntries announcements asked for are kept: asking
//   for others drops every item not among them at once (a step along the tape, another
//   list, another voice, another chime all change the keys asked for).
// - Items are made in the order they are heard: the first announcement's chime, its
//   speech, then the second announcement's.
// - All parts together stay within the byte bound. A part that does not fit, even
//   after the parts of less wanted items are given up, is refused and its item ends
//   there: what it holds so far is kept and the rest is made when it is spoken.
class PreparedAudio {
public:
    static constexpr int kMaxEntries = 2;
    static constexpr qint64 kMaxBytes = 20 * 1024 * 1024;

    // One announcement: the key of its speech and of its chime (empty: no chime).
    struct Entry {
        QString speech;
        QString chime;
        bool operator==(const Entry&) const = default;
    };

    explicit PreparedAudio(qint64 maxBytes = kMaxBytes) : m_maxBytes(maxBytes) {}

    // The announcements expected next, the likeliest first. Returns the keys of the
    // items dropped because they are no longer among them.
    QStringList want(const QList<Entry>& entries);
    // The key of the first item, in the order heard, that is still to be made; empty
    // when every wanted item is finished.
    QString nextToMake() const;
    // Adds the next part of a wanted item. False when the item is not wanted or is
    // finished, or when the part does not fit (the item is then finished as it stands).
    bool add(const QString& key, const QByteArray& part);
    // No more parts come for the item: all were made, or the rest cannot be.
    void finish(const QString& key);
    // Gives up a wanted item's parts and returns them: what is played from memory. The
    // item stays wanted but is not made again until want() asks for it anew.
    QList<QByteArray> take(const QString& key);

    bool isWanted(const QString& key) const { return indexOf(key) >= 0; }
    bool isFinished(const QString& key) const;
    // The item's parts so far.
    QList<QByteArray> parts(const QString& key) const;
    // The keys of the wanted items, in the order heard.
    QStringList keys() const;
    // The bytes of all parts kept.
    qint64 bytes() const { return m_bytes; }
    qint64 maxBytes() const { return m_maxBytes; }

private:
    struct Item {
        QString key;
        QList<QByteArray> parts;
        bool finished = false;
        // Taken for speaking: not made again until asked for anew.
        bool taken = false;
    };

    qsizetype indexOf(const QString& key) const;
    void release(Item& item);

    QList<Item> m_items; // in the order heard
    qint64 m_bytes = 0;
    qint64 m_maxBytes;
};
