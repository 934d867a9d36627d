#pragma once

#include "route/DataIo.h"
#include "sound/TapeList.h"

#include <QString>
#include <QStringList>
#include <QVector>

// Turns one trip of a GTFS-JP feed (標準的なバス情報フォーマット) into a route: the rows of
// its route file and the entries of its announcement list, with a report of
// everything that did not fit. Display-free and file-free: the caller writes the
// results (see GtfsCli).
namespace gtfs {

class GtfsFeed;

// Limits of the board that the import keeps to.
constexpr int MaxRouteNumber = 99999; // five keypad digits
constexpr int MaxShownFare = 9999;    // four places on the fare displays
constexpr int MaxDoubledFare = 16383; // late-night doubling stays within 16 bits

struct RouteListing {
    QString routeId;
    QString name;     // route_short_name and route_long_name, or the id
    int trips = 0;    // trips of the route in trips.txt
    int minStops = 0; // fewest and most stops per trip
    int maxStops = 0;
    int number = 0; // the route number the import derives
};

struct ListResult {
    QString error; // non-empty: the feed could not be listed
    QVector<RouteListing> routes;
    QStringList report;
};

// The routes of the feed in routes.txt order.
ListResult listRoutes(const GtfsFeed& feed);

struct ImportRequest {
    QString tripId;     // this trip, or else
    QString routeId;    // the trip of this route with the most stops
    int direction = -1; // with --route: only trips of this direction_id (0 or 1); -1 any
    int number = 0;     // the route number; 0: derive one from the route
};

struct ImportResult {
    QString error; // non-empty: refused, nothing is to be written
    QString routeId;
    QString routeName;
    QString tripId;
    int routeNumber = 0;
    bool numberDerived = false;
    int feedStops = 0;    // stops of the trip in the feed (before any cut)
    int ticketCount = 0;  // ticket numbers issued along the rows kept
    int missingFares = 0; // fares that should exist but have no fare rule (-1)
    QVector<DataIo::RouteRow> rows;
    QVector<TapeEntry> tape;
    QStringList report; // one line each, naming the stop or rule
};

ImportResult importTrip(const GtfsFeed& feed, const ImportRequest& request);

// The route number derived from a route: the digits of route_short_name, else of
// route_id, else the last five digits of route_id, the first of these that is
// 1..99999; else a stable hash of route_id mod 99999 + 1.
int deriveRouteNumber(const QString& routeId, const QString& shortName);

// The text in the closest form that Shift_JIS (cp932) can hold: each character that
// cannot be written is replaced by its NFKC form when that can be written, else by
// "〓". `changed` tells whether anything was replaced.
QString toShiftJis(const QString& text, bool* changed = nullptr);

} // namespace gtfs
