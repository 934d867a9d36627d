#pragma once

#include "sound/PreparedAudio.h"
#include "sound/VoiceSettings.h"

#include <QList>
#include <QObject>
#include <QPointer>
#include <QString>
#include <QStringList>
#include <QTemporaryDir>
#include <QThreadPool>
#include <QTimer>
#include <atomic>
#include <memory>

class QProcess;

// An announcement expected to be spoken soon: its text and the chime played before it
// (a sound file; empty for none).
struct UpcomingAnnouncement {
    QString text;
    QString chime;
    bool operator==(const UpcomingAnnouncement&) const = default;
};

// A speech synthesiser that speaks a text asynchronously, can be stopped, and has a
// voice that can be adjusted.
class SpeechEngine : public QObject {
    Q_OBJECT
public:
    explicit SpeechEngine(QObject* parent = nullptr) : QObject(parent) {}

    // Starts speaking the text and returns at once. Every text handed over is
    // recorded for the automation tool (see speech::takeSpoken).
    void speak(const QString& text);
    // Stops speaking at once (also a synthesis still under way).
    virtual void stop() = 0;
    // -1 when the engine could not carry out the last speak; 0 otherwise.
    virtual qint32 status() const = 0;
    // True while a text is being synthesised or heard.
    virtual bool isSpeaking() const = 0;
    // The voice it speaks with. An engine without adjustable voices keeps the
    // standard voice and ignores the setters.
    virtual VoiceSettings voice() const { return VoiceSettings(); }
    // Takes new voice values for what is spoken from now on (not kept for the next start).
    virtual void setVoice(const VoiceSettings&) {}
    // Keeps the current voice for the next start.
    virtual void saveVoice() {}
    // The announcements expected next, the likeliest first: an engine that can makes
    // them ready in the background, so that speaking one starts at once. Each call
    // replaces what the one before asked for. Nothing is recorded as spoken.
    virtual void prepare(const QList<UpcomingAnnouncement>& upcoming) { Q_UNUSED(upcoming) }

signals:
    // Speaking ended: the text was heard to its end, was stopped, or gave no sound.
    void speakingFinished();

protected:
    virtual void doSpeak(const QString& text) = 0;
};

namespace speech {

// When recording, every text handed to a speech engine is remembered in order.
void setRecording(bool on);
bool isRecording();
// Returns the texts recorded since the last call and forgets them.
QStringList takeSpoken();

// What the voice dialog's "試聴" button speaks.
QString sampleText();

} // namespace speech

// Where the Open JTalk synthesiser, its dictionary and a voice are installed.
struct OpenJTalkSetup {
    QString program;
    QString dictionary;
    QString voice;

    // Looks for open_jtalk on the PATH, the naist-jdic dictionary and the
    // nitech-jp-atr503-m001 voice (or any other installed HTS voice).
    static OpenJTalkSetup find();
    // True when all three are there.
    bool available() const;
};

// Speech by Open JTalk. A text is cut into pieces (speech::speechPieces); each piece is
// synthesised by a separate open_jtalk process into a temporary WAV file, one after
// the other, and the pieces are played in order on the mixer's speech channel: the
// first piece sounds while the rest is still being synthesised. One synthesiser is kept
// started ahead of need, its dictionary and voice loaded, for the next text. The synthesiser's
// silence before and after each piece is cut down so that the pieces join with the
// pause of a spoken sentence end; the piece is trimmed and decoded in memory and handed
// to the mixer before the next synthesiser is started.
//
// The announcements expected next (prepare) are made ahead once the engine has been
// idle for kSettleMs: their chimes (WAV files) and their pieces, one at a time, by
// synthesisers running at low priority (nice kPrepareNice), started without a fork
// from a thread of their own, which also trims and decodes each piece, so the
// user-interface thread only files the result. What is kept follows PreparedAudio's rules (the next two
// announcements, at most 20 MB). Speaking a text plays what was prepared of it from memory at once; a piece
// still being prepared is taken over, not made again, and the pieces after it are synthesised as for any
// text. A prepared chime is handed to the mixer when the tape plays that file. Nothing is prepared while the
// engine speaks.
class OpenJTalkEngine : public SpeechEngine {
    Q_OBJECT
public:
    // The silence kept before a piece's first sound and after its last (at the standard
    // speed; a slower voice keeps longer pauses).
    static constexpr int kLeadMs = 30;
    static constexpr int kTailMs = 380;
    // How long the engine must have been idle, with nothing new asked, before it prepares.
    static constexpr int kSettleMs = 200;
    // The nice value of the synthesisers and the thread that prepare.
    static constexpr int kPrepareNice = 10;

    // How much of an announcement is ready in memory for the current voice.
    enum class Readiness { None, Partly, Whole };

    // The engine for the installed synthesiser, or null when speech is unavailable.
    static OpenJTalkEngine* create(const OpenJTalkSetup& setup, QObject* parent = nullptr);

    ~OpenJTalkEngine() override;

    void stop() override;
    qint32 status() const override { return m_status; }
    bool isSpeaking() const override;

    VoiceSettings voice() const override { return m_voice; }
    // A voice that differs drops what was prepared for the old one.
    void setVoice(const VoiceSettings& voice) override;
    void saveVoice() override;
    // The file the voice is kept in.
    void setVoiceFile(const QString& path);

    void prepare(const QList<UpcomingAnnouncement>& upcoming) override;
    // Whole: the chime (when it can be prepared) and every piece are in memory.
    Readiness readiness(const UpcomingAnnouncement& announcement) const;
    // True while a piece or a chime is being prepared.
    bool isPreparing() const { return m_job.id != 0; }
    // The bytes of prepared sound held.
    qint64 preparedBytes() const { return m_prepared.bytes(); }

signals:
    // Piece `index` (0-based) of `count` of the text being spoken is ready to play:
    // synthesised now, or taken from what was prepared.
    void pieceSynthesised(int index, int count);
    // Piece `index` of `count` started to play.
    void pieceStarted(int index, int count);
    // A piece or a chime was prepared, or preparing one ended without it.
    void preparedMore();

protected:
    void doSpeak(const QString& text) override;

private:
    // A piece to play, decoded for the device.
    struct ReadyPiece {
        int index = 0;
        QByteArray samples;
    };
    // The piece or chime being prepared on the preparing thread.
    struct Job {
        quint64 id = 0; // 0: none
        QString key;
        QStringList pieces; // of a text; empty for a chime
        int index = 0;
        std::shared_ptr<std::atomic_bool> cancel;
    };

    OpenJTalkEngine(const OpenJTalkSetup& setup, QObject* parent);
    // Stops speaking without preparing for the next text.
    void halt();
    // A synthesiser process for the current voice writing to a new file in the
    // temporary folder; null when it could not be started.
    QProcess* startProcess(QString& wavPath, bool waitForStart);
    // Starts a synthesiser ahead of need, unless one for the current voice is ready: it
    // loads its dictionary and voice and waits for its text.
    void prepareWarm();
    void dropWarm();
    // Starts the synthesiser on the next piece; false when it could not be started.
    bool synthesiseNext();
    void onSynthesised(quint64 request, int index, int exitCode, bool crashed, const QString& wavPath);
    // Piece `index` is ready (or failed): plays what can be played and synthesises the next.
    void continueAfter(int index);
    void onChannelIdle();
    // Plays the next ready piece unless one is playing; else has the mixer decode it
    // ahead, to follow the playing one at once.
    void advance();
    void finishIfDone();
    void killProcess();
    void dropPieces();
    // What the prepared sound of a text in the current voice, and of a chime file as it
    // is now, is kept under (PreparedAudio's keys); empty when there is nothing to make.
    QString speechKey(const QString& text) const;
    static QString chimeKey(const QString& path);
    // Hands the keys of the announcements asked for to the rules, stops preparing what
    // they dropped, and waits for the engine to settle before going on.
    void rewant();
    // Starts preparing the next item when the engine is idle and nothing is under way.
    void prepareNext();
    void onPrepared(quint64 job, const QByteArray& samples, bool ok);
    void cancelJob();
    // A prepared chime for the mixer (its decoded source).
    QByteArray preparedChime(const QString& path) const;

    OpenJTalkSetup m_setup;
    VoiceSettings m_voice;
    QString m_voiceFile;
    QTemporaryDir m_dir;
    QPointer<QProcess> m_process;
    // The synthesiser started ahead of need, the file it will write and its voice.
    QPointer<QProcess> m_warm;
    QString m_warmPath;
    VoiceSettings m_warmVoice;
    quint64 m_files = 0;
    quint64 m_request = 0;
    qint32 m_status = 0;
    // The text being spoken, as pieces; the next one to synthesise.
    QStringList m_pieces;
    int m_nextPiece = 0;
    // Pieces synthesised and waiting to be played, in order.
    QList<ReadyPiece> m_ready;
    // A piece of this engine is on the speech channel.
    bool m_playing = false;
    // The piece decoded ahead as the channel's next sound (-1: none).
    int m_decodedNext = -1;

    PreparedAudio m_prepared;
    QList<UpcomingAnnouncement> m_upcoming;
    QTimer m_settle;
    QThreadPool m_preparer;
    Job m_job;
    quint64 m_jobs = 0;
    // The text being spoken took over the piece being prepared: that job and piece
    // (0 / -1: none).
    quint64 m_joinedJob = 0;
    int m_joinedIndex = -1;
    std::shared_ptr<std::atomic_bool> m_joinedCancel;
};
