#include "sound/PreparedAudio.h"

namespace {

qint64 sizeOf(const QList<QByteArray>& parts) {
    qint64 bytes = 0;
    for (const QByteArray& part : parts)
        bytes += part.size();
    return bytes;
}

} // namespace

QStringList PreparedAudio::want(const QList<Entry>& entries) {
    QStringList order;
    for (qsizetype i = 0; i < entries.size() && i < kMaxEntries; ++i) {
        for (const QString& key : {entries[i].chime, entries[i].speech}) {
            if (!key.isEmpty() && !order.contains(key))
                order << key;
        }
    }
    QList<Item> items;
    for (const QString& key : std::as_const(order)) {
        const qsizetype at = indexOf(key);
        if (at >= 0 && !m_items[at].taken)
            items << m_items[at];
        else
            items << Item{key, {}, false, false};
    }
    QStringList dropped;
    for (const Item& item : std::as_const(m_items)) {
        if (!order.contains(item.key))
            dropped << item.key;
    }
    m_items = items;
    m_bytes = 0;
    for (const Item& item : std::as_const(m_items))
        m_bytes += sizeOf(item.parts);
    return dropped;
}

QString PreparedAudio::nextToMake() const {
    for (const Item& item : m_items) {
        if (!item.finished && !item.taken)
            return item.key;
    }
    return QString();
}

bool PreparedAudio::add(const QString& key, const QByteArray& part) {
    const qsizetype at = indexOf(key);
    if (at < 0 || m_items[at].finished || m_items[at].taken)
        return false;
    // The less wanted items give up what they hold, the least wanted first.
    for (qsizetype j = m_items.size() - 1; j > at && m_bytes + part.size() > m_maxBytes; --j)
        release(m_items[j]);
    Item& item = m_items[at];
    if (m_bytes + part.size() > m_maxBytes) {
        item.finished = true;
        return false;
    }
    item.parts << part;
    m_bytes += part.size();
    return true;
}

void PreparedAudio::finish(const QString& key) {
    const qsizetype at = indexOf(key);
    if (at >= 0)
        m_items[at].finished = true;
}

QList<QByteArray> PreparedAudio::take(const QString& key) {
    const qsizetype at = indexOf(key);
    if (at < 0)
        return {};
    Item& item = m_items[at];
    const QList<QByteArray> parts = std::exchange(item.parts, {});
    m_bytes -= sizeOf(parts);
    item.finished = true;
    item.taken = true;
    return parts;
}

bool PreparedAudio::isFinished(const QString& key) const {
    const qsizetype at = indexOf(key);
    return at >= 0 && m_items[at].finished;
}

QList<QByteArray> PreparedAudio::parts(const QString& key) const {
    const qsizetype at = indexOf(key);
    return at >= 0 ? m_items[at].parts : QList<QByteArray>();
}

QStringList PreparedAudio::keys() const {
    QStringList out;
    for (const Item& item : m_items)
        out << item.key;
    return out;
}

qsizetype PreparedAudio::indexOf(const QString& key) const {
    if (key.isEmpty())
        return -1;
    for (qsizetype i = 0; i < m_items.size(); ++i) {
        if (m_items[i].key == key)
            return i;
    }
    return -1;
}

void PreparedAudio::release(Item& item) {
    m_bytes -= sizeOf(item.parts);
    item.parts.clear();
    item.finished = false;
}
