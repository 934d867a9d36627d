#pragma once

#include <QByteArray>
#include <QByteArrayView>
#include <QHash>
#include <QList>
#include <QString>
#include <optional>

// Comma-separated text as published feeds really write it: fields quoted or not, a
// doubled quote inside a quoted field standing for one quote, quoted fields holding
// commas and line ends, lines ending in LF, CR LF or CR, a UTF-8 byte order mark at
// the start. Blank lines are skipped. A quote inside an unquoted field is taken as a
// character. The reader works on bytes; the caller decides how to decode them
// (validUtf8Prefix finds text that is not UTF-8).
namespace csv {

struct CsvError {
    qint64 line = 0; // 1-based line where the offending field begins
    int field = 0;   // 1-based field
    QString reason;
};

class CsvReader {
public:
    // Reads `bytes`, which must outlive the reader. A UTF-8 byte order mark at the
    // start is skipped.
    explicit CsvReader(QByteArrayView bytes);

    // Reads the next record into fields(). False at the end of the text and on an
    // error (then error() says what and where; the record is not returned).
    bool next();

    const QList<QByteArray>& fields() const { return m_fields; }
    // Field i (0-based) of the current record, or an empty array when the record is
    // shorter or i < 0.
    QByteArray field(int i) const { return i >= 0 && i < m_fields.size() ? m_fields.at(i) : QByteArray(); }
    // The line on which the current record begins (1-based).
    qint64 line() const { return m_recordLine; }
    const std::optional<CsvError>& error() const { return m_error; }

private:
    bool atLineEnd() const;
    void skipLineEnd();

    QByteArrayView m_bytes;
    qsizetype m_pos = 0;
    qint64 m_line = 1;
    qint64 m_recordLine = 0;
    QList<QByteArray> m_fields;
    std::optional<CsvError> m_error;
};

// A reader whose first record is a header: columns are found by name (the names
// trimmed of spaces), in any order, and unknown columns are ignored.
class CsvTable {
public:
    explicit CsvTable(QByteArrayView bytes);

    // False when the text has no header line (an empty file) or the header is bad.
    bool hasHeader() const { return m_hasHeader; }
    // The 0-based index of the column named `name`, or -1 when there is none.
    int column(QByteArrayView name) const;

    bool next() { return m_reader.next(); }
    QByteArray field(int column) const { return m_reader.field(column); }
    qint64 line() const { return m_reader.line(); }
    const std::optional<CsvError>& error() const { return m_reader.error(); }

private:
    CsvReader m_reader;
    QHash<QByteArray, int> m_columns;
    bool m_hasHeader = false;
};

// The number of leading bytes of `bytes` that are valid UTF-8 (bytes.size() when all
// are). Overlong forms, surrogates and code points above U+10FFFF are invalid.
qsizetype validUtf8Prefix(QByteArrayView bytes);

// The 1-based line (counting LF, CR LF and CR as line ends) on which byte `offset` lies.
qint64 lineOfOffset(QByteArrayView bytes, qsizetype offset);

} // namespace csv
