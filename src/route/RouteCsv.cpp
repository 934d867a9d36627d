#include "route/RouteCsv.h"

#include "platform/Cp932.h"
#include "route/RouteFile.h"

#include <QStringDecoder>

#include <span>

namespace DataIo {

namespace {

// A field of the text: most are a stretch of it; a quoted field with doubled quotes
// holds its own text.
struct Field {
    qsizetype start = 0;
    qsizetype length = 0;
    QString unquoted; // a quoted field with doubled quotes, with them undoubled
    int line = 0;
    bool quoted = false;
    bool owned = false;

    QStringView text(const QString& source) const {
        return owned ? QStringView(unquoted) : QStringView(source).sliced(start, length);
    }
};

// The fields of records are kept in one list; a record is a run of them.
struct Record {
    qsizetype firstField = 0;
    int fieldCount = 0;
    int line = 0;
};

bool needsQuotes(const QString& name) {
    for (const QChar ch : name) {
        if (ch == QLatin1Char(',') || ch == QLatin1Char('"') || ch == QLatin1Char('\r') ||
            ch == QLatin1Char('\n'))
            return true;
    }
    return false;
}

// Splits the text into records of fields. Returns an error for a misplaced or open
// quote.
std::optional<RouteCsvError> splitCsv(const QString& text, QVector<Record>& records, QVector<Field>& fields) {
    const qsizetype n = text.size();
    const QChar* const chars = text.constData();
    fields.reserve(text.count(QLatin1Char(',')) + text.count(QLatin1Char('\n')) + 1);
    qsizetype i = 0;
    int line = 1;
    while (i < n) {
        Record record;
        record.line = line;
        record.firstField = fields.size();
        bool endOfRecord = false;
        while (!endOfRecord) {
            Field field;
            field.line = line;
            const int fieldNumber = record.fieldCount + 1;
            if (i < n && chars[i] == QLatin1Char('"')) {
                field.quoted = true;
                ++i;
                field.start = i;
                bool closed = false;
                while (i < n) {
                    const QChar ch = chars[i];
                    if (ch == QLatin1Char('"')) {
                        if (i + 1 < n && chars[i + 1] == QLatin1Char('"')) {
                            if (!field.owned) {
                                field.unquoted = text.mid(field.start, i - field.start);
                                field.owned = true;
                            }
                            field.unquoted += ch;
                            i += 2;
                            continue;
                        }
                        field.length = i - field.start;
                        ++i;
                        closed = true;
                        break;
                    }
                    if (ch == QLatin1Char('\n'))
                        ++line;
                    if (field.owned)
                        field.unquoted += ch;
                    ++i;
                }
                if (!closed)
                    return RouteCsvError{field.line, fieldNumber,
                                         QStringLiteral("the quote is never closed")};
                if (i < n && chars[i] != QLatin1Char(',') && chars[i] != QLatin1Char('\r') &&
                    chars[i] != QLatin1Char('\n'))
                    return RouteCsvError{line, fieldNumber,
                                         QStringLiteral("unexpected text after the closing quote")};
            } else {
                field.start = i;
                while (i < n && chars[i] != QLatin1Char(',') && chars[i] != QLatin1Char('\r') &&
                       chars[i] != QLatin1Char('\n')) {
                    if (chars[i] == QLatin1Char('"'))
                        return RouteCsvError{
                            line, fieldNumber,
                            QStringLiteral("a quote inside a field that does not start with one "
                                           "(quote the whole field and double the quote)")};
                    ++i;
                }
                field.length = i - field.start;
            }
            fields.append(std::move(field));
            ++record.fieldCount;
            if (i >= n) {
                endOfRecord = true;
            } else if (chars[i] == QLatin1Char(',')) {
                ++i;
            } else { // line end: LF, CR LF, or a lone CR
                if (chars[i] == QLatin1Char('\r') && i + 1 < n && chars[i + 1] == QLatin1Char('\n'))
                    ++i;
                ++i;
                ++line;
                endOfRecord = true;
            }
        }
        const Field& first = fields.at(record.firstField);
        const bool blank = record.fieldCount == 1 && !first.quoted && first.length == 0;
        if (blank)
            fields.removeLast();
        else
            records.append(record);
    }
    return std::nullopt;
}

std::optional<QString> nameProblem(const QString& name) {
    if (!cp932::canEncode(name)) {
        for (qsizetype i = 0; i < name.size();) {
            const qsizetype len = (name.at(i).isHighSurrogate() && i + 1 < name.size()) ? 2 : 1;
            const QString one = name.mid(i, len);
            if (!cp932::canEncode(one)) {
                const char32_t code =
                    len == 2 ? QChar::surrogateToUcs4(one.at(0), one.at(1)) : one.at(0).unicode();
                const QString hex =
                    QString::number(static_cast<uint>(code), 16).toUpper().rightJustified(4, u'0');
                return QStringLiteral("the character \"%1\" (U+%2) cannot be written in cp932").arg(one, hex);
            }
            i += len;
        }
        return QStringLiteral("the name cannot be written in cp932");
    }
    const qsizetype bytes = cp932::encode(name).size();
    if (bytes > MaxStopNameBytes)
        return QStringLiteral("the name takes %1 bytes in cp932; at most 65535 fit").arg(bytes);
    return std::nullopt;
}

std::optional<QString> parseInt16(QStringView raw, qint16& value) {
    const QStringView t = raw.trimmed();
    if (t.isEmpty())
        return QStringLiteral("empty (write 0 for zero)");
    qsizetype i = 0;
    if (t.at(0) == QLatin1Char('+') || t.at(0) == QLatin1Char('-'))
        i = 1;
    if (i == t.size())
        return QStringLiteral("\"%1\" is not a whole number").arg(raw);
    for (qsizetype k = i; k < t.size(); ++k) {
        if (t.at(k) < QLatin1Char('0') || t.at(k) > QLatin1Char('9'))
            return QStringLiteral("\"%1\" is not a whole number").arg(raw);
    }
    bool ok = false;
    const qlonglong n = t.toLongLong(&ok);
    if (!ok || n < -32768 || n > 32767)
        return QStringLiteral("%1 does not fit in 16 bits (-32768..32767)").arg(t);
    value = static_cast<qint16>(n);
    return std::nullopt;
}

} // namespace

QString csvFieldName(int field) {
    if (field == 1)
        return QStringLiteral("name");
    if (field == 2)
        return QStringLiteral("ticket");
    return QStringLiteral("c%1").arg(field - 2);
}

QString RouteCsvError::text() const {
    if (field <= 0)
        return QStringLiteral("line %1: %2").arg(line).arg(reason);
    return QStringLiteral("line %1, field %2 (%3): %4").arg(line).arg(field).arg(csvFieldName(field), reason);
}

QString routeCsvLine(const RouteRow& row) {
    QString line;
    if (needsQuotes(row.StopName)) {
        QString quoted = row.StopName;
        quoted.replace(QLatin1Char('"'), QStringLiteral("\"\""));
        line = QLatin1Char('"') + quoted + QLatin1Char('"');
    } else {
        line = row.StopName;
    }
    line += QLatin1Char(',') + QString::number(row.TicketNumber);
    for (int k = 1; k <= DataColumnCount; ++k)
        line += QLatin1Char(',') + QString::number(row.DataColumns[k]);
    return line;
}

QString routeToCsv(const QVector<RouteRow>& records) {
    QString out;
    for (const RouteRow& row : records)
        out += routeCsvLine(row) + QLatin1Char('\n');
    return out;
}

RouteCsvResult parseRouteCsv(const QByteArray& utf8) {
    RouteCsvResult result;
    QByteArray bytes = utf8;
    if (bytes.startsWith("\xEF\xBB\xBF"))
        bytes.remove(0, 3);

    // Decode line by line so that text that is not UTF-8 is refused with its line. Each
    // line is decoded on its own (a byte order mark that begins a line is dropped).
    // UTF-8 never takes more UTF-16 units than it has bytes.
    QString text(bytes.size(), Qt::Uninitialized);
    QChar* out = text.data();
    int line = 1;
    qsizetype start = 0;
    while (start < bytes.size()) {
        qsizetype end = bytes.indexOf('\n', start);
        end = end < 0 ? bytes.size() : end + 1;
        QStringDecoder decoder(QStringConverter::Utf8, QStringConverter::Flag::Stateless);
        out = decoder.appendToBuffer(out, QByteArrayView(bytes).sliced(start, end - start));
        if (decoder.hasError()) {
            result.error = RouteCsvError{line, 0, QStringLiteral("the text is not UTF-8")};
            return result;
        }
        start = end;
        ++line;
    }
    text.truncate(out - text.constData());

    QVector<Record> records;
    QVector<Field> allFields;
    if (auto error = splitCsv(text, records, allFields)) {
        result.error = error;
        return result;
    }
    result.records.reserve(qMin<qsizetype>(records.size(), MaxRouteRecords));
    result.recordLines.reserve(qMin<qsizetype>(records.size(), MaxRouteRecords));
    for (const Record& record : records) {
        if (result.records.size() == MaxRouteRecords) {
            result.error =
                RouteCsvError{record.line, 0, QStringLiteral("too many stops; a route holds at most 32767")};
            return result;
        }
        const std::span<const Field> fields(allFields.constData() + record.firstField,
                                            size_t(record.fieldCount));
        if (record.fieldCount < 2) {
            result.error =
                RouteCsvError{fields.back().line, 2,
                              QStringLiteral("missing (every stop needs a name and a ticket number)")};
            return result;
        }
        if (record.fieldCount > FareCellColumnCount) {
            result.error =
                RouteCsvError{fields[FareCellColumnCount].line, FareCellColumnCount + 1,
                              QStringLiteral("too many fields (at most 152: name, ticket, c1..c150)")};
            return result;
        }
        RouteRow row;
        const QString name = fields[0].text(text).toString();
        if (auto problem = nameProblem(name)) {
            result.error = RouteCsvError{fields[0].line, 1, *problem};
            return result;
        }
        row.setStopName(name);
        for (int f = 2; f <= record.fieldCount; ++f) {
            qint16 value = 0;
            if (auto problem = parseInt16(fields[f - 1].text(text), value)) {
                result.error = RouteCsvError{fields[f - 1].line, f, *problem};
                return result;
            }
            if (f == 2)
                row.TicketNumber = value;
            else
                row.DataColumns[f - 2] = value;
        }
        result.records.append(row);
        result.recordLines.append(record.line);
    }
    return result;
}

} // namespace DataIo
