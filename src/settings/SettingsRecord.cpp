#include "settings/SettingsRecord.h"

#include "platform/Cp932.h"
#include "settings/SettingsLayout.h"

#include <QDate>
#include <QtEndian>
#include <utility>
#include <vector>

QString todayDateText() {
    return QDate::currentDate().toString(QStringLiteral("yyyy/MM/dd"));
}

namespace {

// A cp932 lead byte: the first byte of a two-byte character.
bool isLeadByte(unsigned char b) {
    return (b >= 0x81 && b <= 0x9F) || (b >= 0xE0 && b <= 0xFC);
}

// Cuts cp932 bytes to at most `limit` bytes without splitting a character.
QByteArray cutAtCharacter(const QByteArray& bytes, qsizetype limit) {
    qsizetype i = 0;
    while (i < bytes.size()) {
        const qsizetype len =
            (isLeadByte(static_cast<unsigned char>(bytes[i])) && i + 1 < bytes.size()) ? 2 : 1;
        if (i + len > limit)
            break;
        i += len;
    }
    return bytes.left(i);
}

class Writer {
public:
    explicit Writer(QStringList* truncated) : m_truncated(truncated) {}

    QByteArray bytes;

    void block(char) {}
    void text(const char* name, const QString& value) {
        QByteArray encoded = cp932::encode(value);
        if (encoded.size() > MaxStoredTextBytes) {
            encoded = cutAtCharacter(encoded, MaxStoredTextBytes);
            if (m_truncated)
                m_truncated->append(QString::fromLatin1(name));
        }
        put16(static_cast<quint16>(encoded.size()));
        bytes += encoded;
    }
    void check(const char*, qint16 value) { put16(static_cast<quint16>(value)); }
    void option(const char*, const char*, qint16 value) { put16(static_cast<quint16>(value)); }
    void list(const char*, qint16 value, int) { put16(static_cast<quint16>(value)); }
    void colour(const char*, std::uint32_t value) { put32(value); }
    void int16(const char*, qint16 value) { put16(static_cast<quint16>(value)); }
    void int32(const char*, qint32 value) { put32(static_cast<quint32>(value)); }
    void int32(const char*, std::uint32_t value) { put32(value); }
    void marker() { put16(static_cast<quint16>(SettingsRecord::DigitFormatMarker)); }

private:
    void put16(quint16 v) {
        char b[2];
        qToLittleEndian(v, b);
        bytes.append(b, 2);
    }
    void put32(quint32 v) {
        char b[4];
        qToLittleEndian(v, b);
        bytes.append(b, 4);
    }

    QStringList* m_truncated;
};

// Reads fields in order until the data runs out; from the first field that is not
// wholly present on, nothing more is read.
class Reader {
public:
    explicit Reader(const QByteArray& data) : m_data(data) {}

    bool ended = false;
    int fieldsRead = 0;
    qsizetype pos = 0;

    void block(char) {}
    void text(const char*, QString& value) {
        quint16 count = 0;
        if (ended || !peek16(pos, count) || m_data.size() - pos - 2 < count)
            return stop();
        value = cp932::decode(m_data.mid(pos + 2, count));
        advance(2 + count);
    }
    void check(const char* name, qint16& value) { int16(name, value); }
    void list(const char* name, qint16& value, int) { int16(name, value); }
    void option(const char* group, const char*, qint16& value) {
        if (group != m_group) {
            m_group = group;
            m_groupRead.clear();
        }
        const qint16 before = value;
        int16(group, value);
        if (ended) {
            // Put back the buttons of this group that were already read.
            if (!m_groupRead.empty()) {
                for (auto& [field, old] : m_groupRead)
                    *field = old;
                fieldsRead -= static_cast<int>(m_groupRead.size());
                pos = m_groupStart;
                m_groupRead.clear();
            }
            return;
        }
        if (m_groupRead.empty())
            m_groupStart = pos - 2;
        m_groupRead.emplace_back(&value, before);
    }
    void colour(const char*, std::uint32_t& value) { read32(value); }
    void int16(const char*, qint16& value) {
        quint16 v = 0;
        if (ended || !peek16(pos, v))
            return stop();
        value = static_cast<qint16>(v);
        advance(2);
    }
    void int32(const char*, qint32& value) {
        std::uint32_t v = 0;
        read32(v);
        if (!ended)
            value = static_cast<qint32>(v);
    }
    void int32(const char*, std::uint32_t& value) { read32(value); }
    void marker() {
        qint16 ignored = 0;
        int16("marker", ignored);
    }

private:
    void stop() { ended = true; }
    void advance(qsizetype n) {
        pos += n;
        ++fieldsRead;
    }
    bool peek16(qsizetype at, quint16& v) const {
        if (m_data.size() - at < 2)
            return false;
        v = qFromLittleEndian<quint16>(m_data.constData() + at);
        return true;
    }
    void read32(std::uint32_t& value) {
        if (ended || m_data.size() - pos < 4)
            return stop();
        value = qFromLittleEndian<quint32>(m_data.constData() + pos);
        advance(4);
    }

    const QByteArray& m_data;
    const char* m_group = nullptr;
    qsizetype m_groupStart = 0;
    std::vector<std::pair<qint16*, qint16>> m_groupRead;
};

// Counts the fields of the layout.
struct Counter {
    int n = 0;
    void block(char) {}
    template <class T> void text(const char*, T&) { ++n; }
    template <class T> void check(const char*, T&) { ++n; }
    template <class T> void option(const char*, const char*, T&) { ++n; }
    template <class T> void list(const char*, T&, int) { ++n; }
    template <class T> void colour(const char*, T&) { ++n; }
    template <class T> void int16(const char*, T&) { ++n; }
    template <class T> void int32(const char*, T&) { ++n; }
    void marker() { ++n; }
};

} // namespace

QByteArray writeSettings(const SettingsRecord& record, QStringList* truncatedFields) {
    Writer writer(truncatedFields);
    settings_layout::visitFile(record, writer);
    return writer.bytes;
}

ReadResult readSettings(const QByteArray& data) {
    return readSettings(data, SettingsRecord());
}

ReadResult readSettings(const QByteArray& data, const SettingsRecord& base) {
    ReadResult result;
    result.record = base;
    Reader reader(data);
    settings_layout::visitFile(result.record, reader);
    result.status = reader.ended ? ReadStatus::Truncated : ReadStatus::Complete;
    result.fieldsRead = reader.fieldsRead;
    result.bytesUsed = reader.pos;
    return result;
}

int settingsFieldCount() {
    SettingsRecord record;
    Counter counter;
    settings_layout::visitFile(record, counter);
    return counter.n;
}
