#include "sound/TapeList.h"

#include "platform/Cp932.h"

#include <cmath>
#include <cstring>

namespace tapelist {
namespace {

bool isLineEnd(char c) {
    return c == '\r' || c == '\n';
}

// Sequential list input over the bytes of a file.
class ListInput {
public:
    explicit ListInput(const QByteArray& bytes) : m_bytes(bytes) {}

    bool atEnd() const { return m_pos >= m_bytes.size(); }

    // Where the field read last began (after the spaces skipped before it).
    qsizetype fieldStart() const { return m_fieldStart; }

    // Reads the next field. False when the file ends before the field begins.
    bool field(QByteArray& out) {
        out.clear();
        while (!atEnd() && at() == ' ')
            ++m_pos;
        m_fieldStart = m_pos;
        if (atEnd())
            return false;
        if (at() == '"') {
            ++m_pos;
            const qsizetype close = m_bytes.indexOf('"', m_pos);
            const qsizetype end = close < 0 ? m_bytes.size() : close;
            out = m_bytes.mid(m_pos, end - m_pos);
            m_pos = close < 0 ? end : close + 1;
            // Anything between the closing quote and the delimiter is dropped.
            while (!atEnd() && at() != ',' && !isLineEnd(at()))
                ++m_pos;
        } else {
            const qsizetype start = m_pos;
            while (!atEnd() && at() != ',' && !isLineEnd(at()))
                ++m_pos;
            qsizetype end = m_pos;
            while (end > start && m_bytes[end - 1] == ' ')
                --end;
            out = m_bytes.mid(start, end - start);
        }
        skipDelimiter();
        return true;
    }

private:
    char at() const { return m_bytes[m_pos]; }

    void skipDelimiter() {
        if (atEnd())
            return;
        if (at() == ',') {
            ++m_pos;
        } else if (at() == '\r') {
            ++m_pos;
            if (!atEnd() && at() == '\n')
                ++m_pos;
        } else if (at() == '\n') {
            ++m_pos;
        }
    }

    const QByteArray& m_bytes;
    qsizetype m_pos = 0;
    qsizetype m_fieldStart = 0;
};

bool isDigit(char c) {
    return c >= '0' && c <= '9';
}

// The 1-based number of the line that holds byte `pos`.
qint32 lineAt(const QByteArray& bytes, qsizetype pos) {
    qint32 line = 1;
    for (qsizetype i = 0; i < pos && i < bytes.size(); ++i) {
        if (bytes[i] == '\n' || (bytes[i] == '\r' && (i + 1 >= bytes.size() || bytes[i + 1] != '\n')))
            ++line;
    }
    return line;
}

bool isBlank(char c) {
    return c == ' ' || c == '\t' || isLineEnd(c);
}

} // namespace

QByteArray withoutTrailingBlankLines(const QByteArray& bytes) {
    qsizetype last = bytes.size() - 1;
    while (last >= 0 && isBlank(bytes[last]))
        --last;
    if (last < 0)
        return QByteArray();
    // The last line that holds something keeps its own line end.
    qsizetype end = last + 1;
    while (end < bytes.size() && !isLineEnd(bytes[end]))
        ++end;
    if (end < bytes.size() && bytes[end] == '\r')
        ++end;
    if (end < bytes.size() && bytes[end] == '\n' && bytes[end - 1] != '\n')
        ++end;
    return bytes.left(end);
}

qint32 countLines(const QByteArray& bytes) {
    qint32 lines = 0;
    const qsizetype n = bytes.size();
    qsizetype i = 0;
    while (i < n) {
        // One line: up to and including its line end, or to the end of the file.
        while (i < n && !isLineEnd(bytes[i]))
            ++i;
        if (i < n) {
            if (bytes[i] == '\r' && i + 1 < n && bytes[i + 1] == '\n')
                ++i;
            ++i;
        }
        ++lines;
    }
    return lines;
}

bool parseInt16(const QByteArray& raw, qint16& value) {
    const QByteArray field = raw.trimmed();
    value = 0;
    if (field.isEmpty())
        return true;
    // sign, digits, optional fraction, optional exponent
    qsizetype i = 0;
    const qsizetype n = field.size();
    if (field[i] == '+' || field[i] == '-')
        ++i;
    const qsizetype intStart = i;
    while (i < n && isDigit(field[i]))
        ++i;
    bool digits = i > intStart;
    if (i < n && field[i] == '.') {
        ++i;
        const qsizetype fracStart = i;
        while (i < n && isDigit(field[i]))
            ++i;
        digits = digits || i > fracStart;
    }
    if (!digits)
        return false;
    if (i < n && (field[i] == 'e' || field[i] == 'E' || field[i] == 'd' || field[i] == 'D')) {
        ++i;
        if (i < n && (field[i] == '+' || field[i] == '-'))
            ++i;
        const qsizetype expStart = i;
        while (i < n && isDigit(field[i]))
            ++i;
        if (i == expStart)
            return false;
    }
    if (i != n)
        return false;
    QByteArray normal = field;
    normal.replace('d', 'e').replace('D', 'e');
    bool ok = false;
    const double number = normal.toDouble(&ok);
    if (!ok || !std::isfinite(number))
        return false;
    const double rounded = std::nearbyint(number); // the default rounding: half to even
    if (rounded < -32768.0 || rounded > 32767.0)
        return false;
    value = static_cast<qint16>(rounded);
    return true;
}

TapeListLoad read(const QByteArray& file) {
    TapeListLoad result;
    // Blank lines at the end of the file (what many editors leave there) are the end
    // of the data, not empty announcements.
    const QByteArray bytes = withoutTrailingBlankLines(file);
    result.lineCount = countLines(bytes);
    if (result.lineCount <= 0) {
        result.problem = QStringLiteral("the file has no announcements");
        result.failedLine = 1;
        return result;
    }
    result.entries.resize(result.lineCount);

    ListInput in(bytes);
    QByteArray field;
    qint32 pos = 0;
    while (!in.atEnd()) {
        ++pos;
        result.recordsRead = pos;
        if (pos > result.lineCount) {
            result.failedLine = result.lineCount;
            result.problem =
                QStringLiteral("record %1 is beyond the %2 lines of the file").arg(pos).arg(result.lineCount);
            return result;
        }
        TapeEntry& entry = result.entries[pos - 1];
        if (!in.field(field)) {
            result.failedLine = lineAt(bytes, in.fieldStart());
            result.problem = QStringLiteral("record %1: the file ends before its text").arg(pos);
            return result;
        }
        entry.Text = cp932::decode(field);
        for (qint16* number : {&entry.MoveStop, &entry.ChimeKind}) {
            const char* name = number == &entry.MoveStop ? "MoveStop" : "ChimeKind";
            if (!in.field(field)) {
                result.failedLine = lineAt(bytes, in.fieldStart());
                result.problem = QStringLiteral("record %1: the file ends before its %2")
                                     .arg(pos)
                                     .arg(QLatin1String(name));
                return result;
            }
            if (!parseInt16(field, *number)) {
                result.failedLine = lineAt(bytes, in.fieldStart());
                result.problem = QStringLiteral("record %1: %2 \"%3\" is not a 16-bit number")
                                     .arg(pos)
                                     .arg(QLatin1String(name), cp932::decode(field));
                return result;
            }
        }
    }
    result.recordsRead = pos;
    result.ok = true;
    return result;
}

bool write(const QVector<TapeEntry>& entries, QByteArray& bytes, QString* problem) {
    bytes.clear();
    const auto refuse = [&](const QString& why) {
        if (problem)
            *problem = why;
        bytes.clear();
        return false;
    };
    if (entries.isEmpty())
        return refuse(QStringLiteral("the list has no entries"));
    for (qsizetype i = 0; i < entries.size(); ++i) {
        const QString& text = entries.at(i).Text;
        if (text.contains(QLatin1Char('"')) || text.contains(QLatin1Char('\r')) ||
            text.contains(QLatin1Char('\n')))
            return refuse(
                QStringLiteral("entry %1: a text cannot hold a double quote or a line end").arg(i + 1));
        if (!cp932::canEncode(text))
            return refuse(QStringLiteral("entry %1: \"%2\" cannot be written in cp932").arg(i + 1).arg(text));
        const bool quote = text.contains(QLatin1Char(',')) || text.startsWith(QLatin1Char(' ')) ||
                           text.endsWith(QLatin1Char(' '));
        if (quote)
            bytes += '"';
        bytes += cp932::encode(text);
        if (quote)
            bytes += '"';
        bytes += ',' + QByteArray::number(entries.at(i).MoveStop) + ',' +
                 QByteArray::number(entries.at(i).ChimeKind) + "\r\n";
    }
    return true;
}

FileLoad readFile(const QString& path) {
    FileLoad load;
    const regularfile::Result file = regularfile::read(path, kMaxFileBytes);
    load.fileStatus = file.status;
    load.error = file.error;
    if (file.status == regularfile::Status::Read)
        load.list = read(file.bytes);
    return load;
}

QString refusalText(const FileLoad& load) {
    switch (load.fileStatus) {
    case regularfile::Status::Missing:
        return QStringLiteral("no such file");
    case regularfile::Status::NotRegular:
        return QStringLiteral("not a regular file");
    case regularfile::Status::TooLarge:
        return QStringLiteral("larger than %1 bytes").arg(kMaxFileBytes);
    case regularfile::Status::Failed:
        return QString::fromLocal8Bit(std::strerror(load.error));
    case regularfile::Status::Read:
        break;
    }
    if (load.list.ok)
        return QString();
    return QStringLiteral("line %1: %2").arg(load.list.failedLine).arg(load.list.problem);
}

} // namespace tapelist
