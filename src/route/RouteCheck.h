#pragma once

#include "route/RouteFile.h"

#include <QString>
#include <QStringList>

// What the simulator would refuse or show wrongly when a route file is set.
namespace DataIo {

struct RouteCheckReport {
    QString summary;      // "N records, sections 1..N-1" or the like
    QStringList problems; // the route is refused, or something on the board comes out wrong
    QStringList notes;    // harmless observations (ignored bytes after the last record)
};

// Problems reported: no count, a count of 0, a negative count, a single record (no
// section can be set), more records than the table's 301 rows, a file that ends
// inside a record, fares of columns 1..50 that the four-place displays cannot show
// (10000 and more, -1000 and less), late-night fares that cannot be doubled within
// 16 bits or that are too wide for four places, names whose bytes are not valid cp932
// and names that hold control characters (C0, DEL, C1). A name in a report line shows
// each control character as \xNN. The summary of a route the simulator refuses says so.
RouteCheckReport checkRouteFile(const RouteFileContents& contents);

} // namespace DataIo
