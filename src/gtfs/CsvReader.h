#pragma once

#include <QByteArray>
#include <QByteArrayView>
#include <QHash>
#include <QList>
#include <QString>
#include <optional>
#include <vector>

// Comma-separated text as published feeds really write it: fields quoted or not, a
// doubled quote inside a quoted field standing for one quote, quoted fields holding
// commas and line ends, lines ending in LF, CR LF or CR, a UTF-8 byte order mark at
// the start. Blank lines are skipped. A quote inside an unquoted field is taken as a
// character. The reader works on bytes; the caller decides how to decode them
// (validUtf8Prefix finds text that is not UTF-8, or the reader checks each record).
//
// The text comes whole (a byte array) or in pieces from a ByteSource; then the reader
// holds one record and a piece of the text at a time, and never more than its limits.
namespace csv {

// Where the text of a reader comes from, piece by piece.
class ByteSource {
public:
    virtual ~ByteSource() = default;
    // Reads up to `size` bytes into `into`: the number read, 0 at the end of the text,
    // -1 when the text cannot be read on (the source knows why).
    virtual qint64 read(char* into, qint64 size) = 0;
};

struct CsvLimits {
    qint64 maxRecordBytes = 0; // the bytes of one record, its line ends included; 0: any
    qint64 maxRecords = 0;     // records read; 0: any
    bool utf8 = false;         // each record must be UTF-8 text
};

struct CsvError {
    enum class Kind {
        Syntax,        // a quoted field not closed, text after a closing quote
        NotUtf8,       // a record that is not UTF-8 text (with CsvLimits::utf8)
        RecordTooLong, // a record beyond CsvLimits::maxRecordBytes
        TooManyRecords,
        Source, // the ByteSource failed (it says why)
    };
    Kind kind = Kind::Syntax;
    qint64 line = 0; // 1-based line where the offending field (or record) begins
    int field = 0;   // 1-based field; 0 for a problem of the whole record
    QString reason;
};

class CsvReader {
public:
    // Reads `bytes`, which must outlive the reader. A UTF-8 byte order mark at the
    // start is skipped.
    explicit CsvReader(QByteArrayView bytes, const CsvLimits& limits = {});
    // Reads the text of `source`, which must outlive the reader.
    explicit CsvReader(ByteSource& source, const CsvLimits& limits = {});

    // Reads the next record. False at the end of the text and on an error (then
    // error() says what and where; the record is not returned).
    bool next();

    int fieldCount() const { return static_cast<int>(m_fields.size()); }
    // Field i (0-based) of the current record, or an empty array when the record is
    // shorter or i < 0.
    QByteArray field(int i) const { return fieldView(i).toByteArray(); }
    // The same without a copy: valid until the next call of next().
    QByteArrayView fieldView(int i) const;
    QList<QByteArray> fields() const;
    // The line on which the current record begins (1-based).
    qint64 line() const { return m_recordLine; }
    // Records read so far.
    qint64 records() const { return m_records; }
    const std::optional<CsvError>& error() const { return m_error; }

private:
    enum class Step { Record, End, Error, NeedMore };
    Step parse();
    bool skipBlankLines();
    bool refill();
    bool checkRecord(qsizetype start, qint64 startLine);
    void fail(CsvError::Kind kind, qint64 line, int field, const QString& reason);
    bool atLineEnd() const;
    void skipLineEnd();

    CsvLimits m_limits;
    ByteSource* m_source = nullptr;
    QByteArray m_buffer; // the piece of a source's text held
    QByteArrayView m_bytes;
    bool m_end = true; // m_bytes holds the rest of the text
    bool m_started = false;
    qsizetype m_pos = 0;
    qint64 m_line = 1;
    qint64 m_recordLine = 0;
    qint64 m_records = 0;
    // The fields of the current record: an unquoted field is a stretch of m_bytes, a
    // quoted one a stretch of m_text, where it is kept without its quotes.
    struct Field {
        qsizetype start = 0;
        qsizetype size = 0;
        bool quoted = false;
    };
    std::vector<Field> m_fields;
    QByteArray m_text;
    std::optional<CsvError> m_error;
};

// A reader whose first record is a header: columns are found by name (the names
// trimmed of spaces), in any order, and unknown columns are ignored. The header counts
// as one of the limits' records.
class CsvTable {
public:
    explicit CsvTable(QByteArrayView bytes, const CsvLimits& limits = {});
    explicit CsvTable(ByteSource& source, const CsvLimits& limits = {});

    // False when the text has no header line (an empty file) or the header is bad.
    bool hasHeader() const { return m_hasHeader; }
    // The 0-based index of the column named `name`, or -1 when there is none.
    int column(QByteArrayView name) const;

    bool next() { return m_reader.next(); }
    QByteArray field(int column) const { return m_reader.field(column); }
    QByteArrayView fieldView(int column) const { return m_reader.fieldView(column); }
    qint64 line() const { return m_reader.line(); }
    const std::optional<CsvError>& error() const { return m_reader.error(); }

private:
    void readHeader();

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
