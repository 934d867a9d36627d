#include "route/CsvReader.h"

namespace csv {

CsvReader::CsvReader(QByteArrayView bytes) : m_bytes(bytes) {
    if (m_bytes.size() >= 3 && static_cast<uchar>(m_bytes[0]) == 0xEF &&
        static_cast<uchar>(m_bytes[1]) == 0xBB && static_cast<uchar>(m_bytes[2]) == 0xBF)
        m_pos = 3;
}

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

bool CsvReader::next() {
    m_fields.clear();
    if (m_error)
        return false;
    const qsizetype n = m_bytes.size();
    // Blank lines are no records.
    while (m_pos < n && atLineEnd())
        skipLineEnd();
    if (m_pos >= n)
        return false;
    m_recordLine = m_line;
    for (;;) {
        const qint64 fieldLine = m_line;
        QByteArray field;
        if (m_pos < n && m_bytes[m_pos] == '"') {
            ++m_pos;
            bool closed = false;
            while (m_pos < n) {
                const qsizetype quote = m_bytes.sliced(m_pos).indexOf('"');
                const qsizetype end = quote < 0 ? n : m_pos + quote;
                for (qsizetype i = m_pos; i < end; ++i) {
                    // Line ends inside the field still count as lines of the text.
                    if (m_bytes[i] == '\n' || (m_bytes[i] == '\r' && (i + 1 >= n || m_bytes[i + 1] != '\n')))
                        ++m_line;
                }
                field.append(m_bytes.sliced(m_pos, end - m_pos));
                m_pos = end;
                if (quote < 0)
                    break;
                if (m_pos + 1 < n && m_bytes[m_pos + 1] == '"') {
                    field.append('"');
                    m_pos += 2;
                    continue;
                }
                ++m_pos;
                closed = true;
                break;
            }
            if (!closed) {
                m_error = CsvError{fieldLine, static_cast<int>(m_fields.size()) + 1,
                                   QStringLiteral("the quoted field is not closed")};
                m_fields.clear();
                return false;
            }
            if (m_pos < n && m_bytes[m_pos] != ',' && !atLineEnd()) {
                m_error = CsvError{m_line, static_cast<int>(m_fields.size()) + 1,
                                   QStringLiteral("text after the closing quote")};
                m_fields.clear();
                return false;
            }
        } else {
            const qsizetype start = m_pos;
            while (m_pos < n && m_bytes[m_pos] != ',' && !atLineEnd())
                ++m_pos;
            field = m_bytes.sliced(start, m_pos - start).toByteArray();
        }
        m_fields.append(std::move(field));
        if (m_pos >= n)
            return true;
        if (m_bytes[m_pos] == ',') {
            ++m_pos;
            continue;
        }
        skipLineEnd();
        return true;
    }
}

CsvTable::CsvTable(QByteArrayView bytes) : m_reader(bytes) {
    if (!m_reader.next())
        return;
    const QList<QByteArray>& header = m_reader.fields();
    for (int i = 0; i < header.size(); ++i) {
        const QByteArray name = header.at(i).trimmed();
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
