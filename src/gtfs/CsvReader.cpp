#include "gtfs/CsvReader.h"

#include <algorithm>
#include <cstring>

namespace csv {
namespace {

// How much of a source's text is asked for at a time.
constexpr qsizetype kPiece = 64 * 1024;

} // namespace

CsvReader::CsvReader(QByteArrayView bytes, const CsvLimits& limits) : m_limits(limits), m_bytes(bytes) {}

CsvReader::CsvReader(ByteSource& source, const CsvLimits& limits)
    : m_limits(limits), m_source(&source), m_end(false) {}

bool CsvReader::atLineEnd() const {
    const char c = m_bytes[m_pos];
    return c == '\n' || c == '\r';
}

void CsvReader::skipLineEnd() {
    if (m_bytes[m_pos] == '\r' && m_pos + 1 < m_bytes.size() && m_bytes[m_pos + 1] == '\n')
        ++m_pos;
    ++m_pos;
    ++m_line;
}

void CsvReader::fail(CsvError::Kind kind, qint64 line, int field, const QString& reason) {
    m_error = CsvError{kind, line, field, reason};
    m_text.resize(0);
    m_fields.clear();
}

QByteArrayView CsvReader::fieldView(int i) const {
    if (i < 0 || size_t(i) >= m_fields.size())
        return {};
    const Field& f = m_fields[size_t(i)];
    return QByteArrayView((f.quoted ? m_text.constData() : m_bytes.data()) + f.start, f.size);
}

QList<QByteArray> CsvReader::fields() const {
    QList<QByteArray> out;
    out.reserve(fieldCount());
    for (int i = 0; i < fieldCount(); ++i)
        out.append(field(i));
    return out;
}

// Keeps the bytes from m_pos on and reads more after them: at least as many again as
// are kept, so that a long record is parsed again only a few times. A record that
// already holds more than its limit is refused here, before it takes more memory.
bool CsvReader::refill() {
    const qsizetype keep = m_bytes.size() - m_pos;
    if (m_limits.maxRecordBytes > 0 && keep > m_limits.maxRecordBytes) {
        fail(CsvError::Kind::RecordTooLong, m_line, 0,
             QStringLiteral("a record longer than %1 bytes").arg(m_limits.maxRecordBytes));
        return false;
    }
    if (m_pos > 0)
        m_buffer.remove(0, m_pos);
    m_pos = 0;
    const qsizetype want = std::max(kPiece, keep);
    m_buffer.resize(keep + want);
    // A source may give less than asked for: ask again, so that the record is not
    // parsed again for every small piece.
    qsizetype got = 0;
    while (got < want) {
        const qint64 n = m_source->read(m_buffer.data() + keep + got, want - got);
        if (n < 0) {
            m_buffer.resize(keep + got);
            m_bytes = m_buffer;
            fail(CsvError::Kind::Source, m_line, 0, QString());
            return false;
        }
        if (n == 0) {
            m_end = true;
            break;
        }
        got += qsizetype(n);
    }
    m_buffer.resize(keep + got);
    m_bytes = m_buffer;
    return true;
}

// Skips a byte order mark at the start and blank lines. False at the end of the text
// or on an error; true when a record begins at m_pos.
bool CsvReader::skipBlankLines() {
    for (;;) {
        if (!m_started) {
            if (m_bytes.size() - m_pos < 3 && !m_end) {
                if (!refill())
                    return false;
                continue;
            }
            if (m_bytes.sliced(m_pos).startsWith("\xEF\xBB\xBF"))
                m_pos += 3;
            m_started = true;
        }
        const qsizetype n = m_bytes.size();
        while (m_pos < n && atLineEnd()) {
            if (m_bytes[m_pos] == '\r' && m_pos + 1 >= n && !m_end)
                break; // CR LF or CR alone: the next byte tells
            skipLineEnd();
        }
        if (m_pos < n && !atLineEnd())
            return true;
        if (m_pos >= n && m_end)
            return false;
        if (!refill())
            return false;
    }
}

// Parses the record at m_pos. NeedMore when the bytes held end before it is known
// where (or how) the record ends; the caller then reads more and parses it again.
CsvReader::Step CsvReader::parse() {
    const qsizetype n = m_bytes.size();
    const char* const b = m_bytes.data();
    m_recordLine = m_line;
    for (;;) {
        const qint64 fieldLine = m_line;
        const int field = static_cast<int>(m_fields.size()) + 1;
        if (m_pos < n && b[m_pos] == '"') {
            const qsizetype textStart = m_text.size();
            ++m_pos;
            bool closed = false;
            while (m_pos < n) {
                const void* quote = std::memchr(b + m_pos, '"', size_t(n - m_pos));
                const qsizetype end = quote ? static_cast<const char*>(quote) - b : n;
                for (qsizetype i = m_pos; i < end; ++i) {
                    // Line ends inside the field still count as lines of the text.
                    if (b[i] == '\n' || (b[i] == '\r' && (i + 1 >= n || b[i + 1] != '\n')))
                        ++m_line;
                }
                m_text.append(b + m_pos, end - m_pos);
                m_pos = end;
                if (!quote)
                    break;
                if (m_pos + 1 < n && b[m_pos + 1] == '"') {
                    m_text.append('"');
                    m_pos += 2;
                    continue;
                }
                ++m_pos;
                closed = true;
                break;
            }
            // A quote that is the last byte held may be the first of a doubled one.
            if (m_pos >= n && !m_end)
                return Step::NeedMore;
            if (!closed) {
                fail(CsvError::Kind::Syntax, fieldLine, field,
                     QStringLiteral("the quoted field is not closed"));
                return Step::Error;
            }
            if (m_pos < n && b[m_pos] != ',' && !atLineEnd()) {
                fail(CsvError::Kind::Syntax, m_line, field, QStringLiteral("text after the closing quote"));
                return Step::Error;
            }
            m_fields.push_back(Field{textStart, m_text.size() - textStart, true});
        } else {
            const qsizetype start = m_pos;
            while (m_pos < n && b[m_pos] != ',' && b[m_pos] != '\n' && b[m_pos] != '\r')
                ++m_pos;
            m_fields.push_back(Field{start, m_pos - start, false});
        }
        if (m_pos >= n)
            return m_end ? Step::Record : Step::NeedMore;
        if (b[m_pos] == ',') {
            ++m_pos;
            continue;
        }
        if (b[m_pos] == '\r' && m_pos + 1 >= n && !m_end)
            return Step::NeedMore;
        skipLineEnd();
        return Step::Record;
    }
}

// The limits on a record just read (its bytes are m_bytes[start, m_pos)).
bool CsvReader::checkRecord(qsizetype start, qint64 startLine) {
    const QByteArrayView raw = m_bytes.sliced(start, m_pos - start);
    if (m_limits.maxRecordBytes > 0 && raw.size() > m_limits.maxRecordBytes) {
        fail(CsvError::Kind::RecordTooLong, startLine, 0,
             QStringLiteral("a record longer than %1 bytes").arg(m_limits.maxRecordBytes));
        return false;
    }
    if (m_limits.maxRecords > 0 && m_records >= m_limits.maxRecords) {
        fail(CsvError::Kind::TooManyRecords, startLine, 0,
             QStringLiteral("more than %1 records").arg(m_limits.maxRecords));
        return false;
    }
    if (m_limits.utf8) {
        const qsizetype valid = validUtf8Prefix(raw);
        if (valid != raw.size()) {
            fail(CsvError::Kind::NotUtf8, startLine + lineOfOffset(raw, valid) - 1, 0,
                 QStringLiteral("not UTF-8 text"));
            return false;
        }
    }
    return true;
}

bool CsvReader::next() {
    m_text.resize(0);
    m_fields.clear();
    if (m_error)
        return false;
    for (;;) {
        if (!skipBlankLines())
            return false;
        const qsizetype start = m_pos;
        const qint64 startLine = m_line;
        const Step step = parse();
        if (step == Step::NeedMore) {
            m_pos = start;
            m_line = startLine;
            m_text.resize(0);
            m_fields.clear();
            if (!refill())
                return false;
            continue;
        }
        if (step == Step::Error || !checkRecord(start, startLine))
            return false;
        ++m_records;
        return true;
    }
}

CsvTable::CsvTable(QByteArrayView bytes, const CsvLimits& limits) : m_reader(bytes, limits) {
    readHeader();
}

CsvTable::CsvTable(ByteSource& source, const CsvLimits& limits) : m_reader(source, limits) {
    readHeader();
}

void CsvTable::readHeader() {
    if (!m_reader.next())
        return;
    for (int i = 0; i < m_reader.fieldCount(); ++i) {
        const QByteArray name = m_reader.fieldView(i).trimmed().toByteArray();
        if (!m_columns.contains(name))
            m_columns.insert(name, i);
    }
    m_hasHeader = true;
}

int CsvTable::column(QByteArrayView name) const {
    return m_columns.value(name.toByteArray(), -1);
}

qsizetype validUtf8Prefix(QByteArrayView bytes) {
    const qsizetype n = bytes.size();
    qsizetype i = 0;
    while (i < n) {
        // Eight bytes of ASCII at a time.
        quint64 word;
        if (i + 8 <= n && (std::memcpy(&word, bytes.data() + i, 8), (word & 0x8080808080808080ULL) == 0)) {
            i += 8;
            continue;
        }
        const uchar c = static_cast<uchar>(bytes[i]);
        if (c < 0x80) {
            ++i;
            continue;
        }
        int extra = 0;
        char32_t cp = 0;
        char32_t min = 0;
        if ((c & 0xE0) == 0xC0) {
            extra = 1;
            cp = c & 0x1F;
            min = 0x80;
        } else if ((c & 0xF0) == 0xE0) {
            extra = 2;
            cp = c & 0x0F;
            min = 0x800;
        } else if ((c & 0xF8) == 0xF0) {
            extra = 3;
            cp = c & 0x07;
            min = 0x10000;
        } else {
            return i;
        }
        if (i + extra >= n)
            return i;
        for (int k = 1; k <= extra; ++k) {
            const uchar d = static_cast<uchar>(bytes[i + k]);
            if ((d & 0xC0) != 0x80)
                return i;
            cp = (cp << 6) | (d & 0x3F);
        }
        if (cp < min || cp > 0x10FFFF || (cp >= 0xD800 && cp <= 0xDFFF))
            return i;
        i += extra + 1;
    }
    return n;
}

qint64 lineOfOffset(QByteArrayView bytes, qsizetype offset) {
    qint64 line = 1;
    const qsizetype end = std::min(offset, bytes.size());
    for (qsizetype i = 0; i < end; ++i) {
        if (bytes[i] == '\n')
            ++line;
        else if (bytes[i] == '\r' && (i + 1 >= bytes.size() || bytes[i + 1] != '\n'))
            ++line;
    }
    return line;
}

} // namespace csv
