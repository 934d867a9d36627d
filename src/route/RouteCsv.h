#pragma once

#include "route/DataIo.h"

#include <QByteArray>
#include <QString>
#include <QVector>
#include <optional>

// A route as comma-separated text (UTF-8), one line per stop:
//   name,ticket,c1,...,c150
// The name is quoted ("...", quotes doubled) when it holds a comma, a quote or a line
// break. Reading accepts lines ending in LF or CR LF, an optional UTF-8 byte order
// mark, and lines with fewer than 150 columns (the missing ones are 0); it skips
// blank lines.
namespace DataIo {

// The CSV name of field `field` (1-based): "name", "ticket", "c1".."c150".
QString csvFieldName(int field);

QString routeCsvLine(const RouteRow& row);            // without a line end
QString routeToCsv(const QVector<RouteRow>& records); // every line ends in "\n"

struct RouteCsvError {
    int line = 0;  // 1-based line of the text where the offending field starts
    int field = 0; // 1-based field, 0 when the line as a whole is wrong
    QString reason;
    // "line L, field F (NAME): reason", or "line L: reason" for field 0.
    QString text() const;
};

struct RouteCsvResult {
    QVector<RouteRow> records;
    QVector<int> recordLines;           // the line each record starts on
    std::optional<RouteCsvError> error; // set when the text was refused; records are then incomplete
};

// Reads route CSV. Refuses (naming the line and field): text that is not UTF-8, a
// quote out of place or left open, a line with fewer than 2 or more than 152 fields,
// a number that is empty, not a whole number or outside -32768..32767, a name that
// cp932 cannot write or that takes more than 65535 bytes in cp932, and more than
// 32767 stops.
RouteCsvResult parseRouteCsv(const QByteArray& utf8);

} // namespace DataIo
