#include "route/RouteCheck.h"

#include "platform/Cp932.h"
#include "route/RouteOperation.h"

#include <algorithm>

namespace DataIo {

namespace {

// The board's fare displays have four places; a longer number loses its leading
// characters.
constexpr int kFarePlaces = 4;

bool fitsFarePlaces(int v) {
    return QString::number(v).size() <= kFarePlaces;
}

QString shownOnFarePlaces(int v) {
    return QString::number(v).right(kFarePlaces);
}

bool isControl(QChar c) {
    const char16_t u = c.unicode();
    return u < 0x20 || (u >= 0x7F && u <= 0x9F);
}

// A stop name as a report line gives it: each control character (C0, DEL, C1) as
// \xNN, so that it shows instead of acting on the terminal the report goes to.
QString shownName(const QString& name) {
    QString out;
    out.reserve(name.size());
    for (const QChar c : name) {
        if (isControl(c))
            out += QStringLiteral("\\x") +
                   QString::number(c.unicode(), 16).toUpper().rightJustified(2, QLatin1Char('0'));
        else
            out += c;
    }
    return out;
}

} // namespace

RouteCheckReport checkRouteFile(const RouteFileContents& c) {
    RouteCheckReport report;
    const int n = c.count;
    if (!c.hasCount) {
        report.summary = QStringLiteral("no record count");
        report.problems << QStringLiteral(
            "the file is shorter than its 2-byte record count: the simulator reads it "
            "as 0 records and refuses the route");
        return report;
    }
    if (n > FareTableRowCount)
        report.summary =
            QStringLiteral("%1 records, refused: more than the 301 rows of the fare table").arg(n);
    else if (n >= 2 && c.truncated())
        report.summary =
            QStringLiteral("%1 records announced, %2 complete, refused").arg(n).arg(c.records.size());
    else if (n >= 2)
        report.summary = QStringLiteral("%1 records, sections 1..%2").arg(n).arg(qMin(n - 1, MaxSection));
    else
        report.summary = QStringLiteral("%1 record%2, no section can be set").arg(n).arg(n == 1 ? "" : "s");

    if (n == 0)
        report.problems << QStringLiteral("record count 0: the simulator refuses the route as unregistered");
    else if (n < 0)
        report.problems << QStringLiteral(
                               "record count %1 is negative: the simulator refuses the route for every "
                               "section")
                               .arg(n);
    else if (n == 1)
        report.problems << QStringLiteral(
            "a single record: the starting section must be below the record count, so "
            "the simulator refuses the route for every section");
    if (n > FareTableRowCount)
        report.problems << QStringLiteral(
                               "%1 records: the fare table holds 301 rows, so the simulator refuses the "
                               "route; records 302..%1 lie beyond row 301")
                               .arg(n);
    if (c.truncated())
        report.problems << QStringLiteral("the file ends inside record %1 of %2 (%3 complete): the simulator "
                                          "refuses the route")
                               .arg(c.endsInRecord)
                               .arg(n)
                               .arg(c.records.size());

    for (qsizetype i = 0; i < c.records.size(); ++i) {
        const RouteRow& row = c.records.at(i);
        const int record = static_cast<int>(i) + 1;
        const QString name = shownName(row.StopName);
        if (cp932::encode(row.StopName) != row.StopNameBytes)
            report.problems << QStringLiteral(
                                   "record %1: the stop name's bytes %2 are not valid cp932; the board "
                                   "shows \"%3\"")
                                   .arg(record)
                                   .arg(QString::fromLatin1(row.StopNameBytes.toHex(' ').toUpper()), name);
        if (const auto controls = std::count_if(row.StopName.cbegin(), row.StopName.cend(), isControl))
            report.problems << QStringLiteral("record %1: the stop name \"%2\" holds %3 control character%4, "
                                              "which the stop-name strip has no glyph for")
                                   .arg(QString::number(record), name, QString::number(controls),
                                        QLatin1String(controls == 1 ? "" : "s"));
        for (int k = 1; k <= FareColumnCount; ++k) {
            const qint16 v = row.DataColumns[k];
            // Written only for a value with a problem: most cells have none.
            const auto where = [&] {
                // One pass: a name holding "%3" stays as it is.
                return QStringLiteral("record %1 (%2), c%3 = %4")
                    .arg(QString::number(record), name, QString::number(k), QString::number(v));
            };
            if (v != NoFare && !fitsFarePlaces(v))
                report.problems << where() + QStringLiteral(": the four-place display shows \"%1\"")
                                                 .arg(shownOnFarePlaces(v));
            const std::optional<qint16> doubled = routeop::lateNightFare(v);
            if (!doubled)
                report.problems
                    << where() +
                           QStringLiteral(": the late-night fare %1 does not fit in 16 bits").arg(2 * int(v));
            else if (!fitsFarePlaces(*doubled))
                report.problems << where() + QStringLiteral(": the late-night fare %1 shows \"%2\"")
                                                 .arg(*doubled)
                                                 .arg(shownOnFarePlaces(*doubled));
        }
    }
    if (c.trailingBytes > 0)
        report.notes
            << QStringLiteral("%1 bytes after record %2 are ignored").arg(c.trailingBytes).arg(qMax(n, 0));
    return report;
}

} // namespace DataIo
