#pragma once

#include "gtfs/GtfsImport.h"

#include <QByteArray>

// The destination sign file of a route (N.sign, beside N.hy3): UTF-8 text, a comment
// line saying where it came from, a "[sign]" line, then "key=value" lines for number,
// destination, via, destination_en and via_en, each only when it is not empty. Line
// ends and control characters in a text become spaces; each value is one line.
namespace gtfs {

QByteArray signFileBytes(const ImportedSign& sign);

} // namespace gtfs
