#include "route/RouteCsv.h"

#include "platform/Cp932.h"
#include "route/RouteFile.h"

#include <QStringDecoder>

namespace DataIo {

namespace {

struct Field {
    QString text;
    int line = 0;
    bool quoted = false;
};

struct Record {
    QVector<Field> fields;
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
std::optional<RouteCsvError> splitCsv(const QString& text, QVector<Record>& records) {
    const qsizetype n = text.size();
    qsizetype i = 0;
    int line = 1;
    while (i < n) {
        Record record;
        record.line = line;
        bool endOfRecord = false;
        while (!endOfRecord) {
            Field field;
            field.line = line;
            const int fieldNumber = static_cast<int>(record.fields.size()) + 1;
            if (i < n && text.at(i) == QLatin1Char('"')) {
                field.quoted = true;
                ++i;
                bool closed = false;
                while (i < n) {
                    const QChar ch = text.at(i);
                    if (ch == QLatin1Char('"')) {
                        if (i + 1 < n && text.at(i + 1) == QLatin1Char('"')) {
                            field.text += ch;
                            i += 2;
                            continue;
                        }
                        ++i;
                        closed = true;
                        break;
                    }
                    if (ch == QLatin1Char('\n'))
                        ++line;
                    field.text += ch;
                    ++i;
                }
                if (!closed)
                    return RouteCsvError{field.line, fieldNumber,
                                         QStringLiteral("the quote is never closed")};
                if (i < n && text.at(i) != QLatin1Char(',') && text.at(i) != QLatin1Char('\r') &&
                    text.at(i) != QLatin1Char('\n'))
                    return RouteCsvError{line, fieldNumber,
                                         QStringLiteral("unexpected text after the closing quote")};
            } else {
                const qsizetype start = i;
                while (i < n && text.at(i) != QLatin1Char(',') && text.at(i) != QLatin1Char('\r') &&
                       text.at(i) != QLatin1Char('\n')) {
                    if (text.at(i) == QLatin1Char('"'))
                        return RouteCsvError{
                            line, fieldNumber,
                            QStringLiteral("a quote inside a field that does not start with one "
                                           "(quote the whole field and double the quote)")};
                    ++i;
                }
                field.text = text.mid(start, i - start);
            }
            record.fields.append(field);
            if (i >= n) {
                endOfRecord = true;
            } else if (text.at(i) == QLatin1Char(',')) {
                ++i;
            } else { // line end: LF, CR LF, or a lone CR
                if (text.at(i) == QLatin1Char('\r') && i + 1 < n && text.at(i + 1) == QLatin1Char('\n'))
                    ++i;
                ++i;
                ++line;
                endOfRecord = true;
            }
        }
        const bool blank = record.fields.size() == 1 && !record.fields.first().quoted &&
                           record.fields.first().text.isEmpty();
        if (!blank)
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

std::optional<QString> parseInt16(const QString& raw, qint16& value) {
    const QString t = raw.trimmed();
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

    // Decode line by line so that text that is not UTF-8 is refused with its line.
    QString text;
    text.reserve(bytes.size());
    int line = 1;
    qsizetype start = 0;
    while (start < bytes.size()) {
        qsizetype end = bytes.indexOf('\n', start);
        end = end < 0 ? bytes.size() : end + 1;
        QStringDecoder decoder(QStringConverter::Utf8, QStringConverter::Flag::Stateless);
        const QString piece = decoder.decode(QByteArrayView(bytes).sliced(start, end - start));
        if (decoder.hasError()) {
            result.error = RouteCsvError{line, 0, QStringLiteral("the text is not UTF-8")};
            return result;
        }
        text += piece;
        start = end;
        ++line;
    }

    QVector<Record> records;
    if (auto error = splitCsv(text, records)) {
        result.error = error;
        return result;
    }
    for (const Record& record : records) {
        if (result.records.size() == MaxRouteRecords) {
            result.error =
                RouteCsvError{record.line, 0, QStringLiteral("too many stops; a route holds at most 32767")};
            return result;
        }
        const auto& fields = record.fields;
        if (fields.size() < 2) {
            result.error =
                RouteCsvError{fields.last().line, 2,
                              QStringLiteral("missing (every stop needs a name and a ticket number)")};
            return result;
        }
        if (fields.size() > FareCellColumnCount) {
            result.error =
                RouteCsvError{fields.at(FareCellColumnCount).line, FareCellColumnCount + 1,
                              QStringLiteral("too many fields (at most 152: name, ticket, c1..c150)")};
            return result;
        }
        RouteRow row;
        if (auto problem = nameProblem(fields.at(0).text)) {
            result.error = RouteCsvError{fields.at(0).line, 1, *problem};
            return result;
        }
        row.setStopName(fields.at(0).text);
        for (int f = 2; f <= fields.size(); ++f) {
            qint16 value = 0;
            if (auto problem = parseInt16(fields.at(f - 1).text, value)) {
                result.error = RouteCsvError{fields.at(f - 1).line, f, *problem};
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
