#pragma once

#include "route/DataIo.h"
#include "stopname/SignText.h"

#include <QByteArray>
#include <QString>
#include <QStringList>

// The destination signs of a route: what the front, side and rear signs of the bus
// show. A route may have "N.sign" beside its "N.hy3": UTF-8 text, a "[sign]" section of
// "key=value" lines, "#" comment lines:
//
//   [sign]
//   number=12
//   destination=室蘭駅
//   via=中島・東町経由
//   destination_en=Muroran Station
//   via_en=via Nakajima
//
// Without the file (or with a key left out) the number box shows the route number and
// the destination is the route's last stop. A file with a bad line is not used at all:
// the signs show those defaults, and the loader says why, line by line.
namespace signfile {

// The longest value a key takes, in characters.
constexpr int kMaxValueLength = 64;
// No sign file is longer.
constexpr qint64 kMaxFileBytes = 16 * 1024;

using RouteSign = SignText;

// What a sign file gives: the values it sets (a key it leaves out stays empty) and
// each problem as "N行目: ..." in line order. A file with problems sets nothing.
struct Parsed {
    RouteSign values;
    QStringList problems;
    bool ok() const { return problems.isEmpty(); }
};
Parsed parse(const QByteArray& text);

// The signs' defaults for a loaded route: the route number without leading zeros and
// the name of the last stop.
RouteSign defaults(const DataIo::RouteState& route);
// The defaults with every value the file set laid over them.
RouteSign merged(const RouteSign& defaults, const RouteSign& fromFile);

// "N.sign" beside the route's "N.hy3" (DataIo::RouteFilePath with the other extension).
QString signFilePath(const QString& fareFolder, const QString& routeNumber);

struct Loaded {
    RouteSign sign;
    QString message; // "" when the file was missing or good, else what to show
};
// The signs of the route just loaded into `route` from `fareFolder`: the file's
// values over the defaults, or the defaults and the message when the file cannot be
// read or has a bad line.
Loaded load(const QString& fareFolder, const DataIo::RouteState& route);

} // namespace signfile
