#pragma once

#include "route/DataIo.h"
#include "sound/TapeList.h"

#include <QString>
#include <QStringList>
#include <QVector>
#include <memory>

// Turns one trip of a GTFS-JP feed (標準的なバス情報フォーマット), or every route of it,
// into routes: the rows of each route file, the entries of its announcement list and
// its destination sign, with a report of everything that did not fit. Display-free and file-free: the caller
// writes the results (see GtfsCli).
namespace gtfs {

class GtfsFeed;

// Limits of the board that the import keeps to.
constexpr int MaxRouteNumber = 99999; // five keypad digits
constexpr int MaxShownFare = 9999;    // four places on the fare displays
constexpr int MaxDoubledFare = 16383; // late-night doubling stays within 16 bits
constexpr int MaxSignText = 64;       // characters of a sign's text (route/SignFile)

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

// What the destination signs show for a route (written as N.sign by GtfsCli): the
// number box (route_short_name, else the route number), the destination (the trip's
// headsign without its via part, else the last stop), the via text (jp_trip_desc, the
// via part of the headsign, else routes_jp.txt's via_stop) and their English names
// from the `en` translations. Empty texts are left out of the file. Each text is one
// line of Shift_JIS characters (the signs' faces), at most MaxSignText long.
struct ImportedSign {
    QString number;
    QString destination;
    QString via;
    QString destinationEn;
    QString viaEn;
    QString source; // one line: where it came from
};

struct ImportResult {
    QString error; // non-empty: refused, nothing is to be written
    QString routeId;
    QString routeName;
    QString tripId;
    QString headsign; // trip_headsign as cleaned for the board
    int direction = -1;
    int routeNumber = 0;
    bool numberDerived = false;
    int feedStops = 0;    // stops of the trip in the feed (before any cut)
    int ticketCount = 0;  // ticket numbers issued along the rows kept
    int missingFares = 0; // fares that should exist but have no fare rule (-1)
    QVector<DataIo::RouteRow> rows;
    QVector<TapeEntry> tape;
    ImportedSign sign;
    QStringList report; // one line each, naming the stop or rule
    int cutStops = 0;   // stops past the route file's rows
    int cutTickets = 0; // ticket numbers past the board's fare displays
};

ImportResult importTrip(const GtfsFeed& feed, const ImportRequest& request);

// One route of a whole-feed import: a route and direction and, with patterns, one
// distinct stop pattern of it, as its first trip in trips.txt.
struct PlannedRoute {
    QString routeId;
    int direction = -1; // direction_id 0 or 1; -1 where the trips give none
    int pattern = 0;    // 0 the longest pattern (the trip --route would take), then 1, 2...
    int trip = 0;       // the trip (FeedRoutes::build)
    QString tripId;
    int stops = 0;         // stop times of the trip
    int derivedNumber = 0; // deriveRouteNumber of the route
};

// A whole feed read once, each table one time, stop times indexed by trip, and the
// routes built from it one after the other. Keeps what the routes need and no more:
// the stop times of the trips that may be imported, the stops, the readings and English
// names of their texts, the fare rules that can apply to them.
class FeedRoutes {
public:
    explicit FeedRoutes(const GtfsFeed& feed);
    ~FeedRoutes();
    FeedRoutes(const FeedRoutes&) = delete;
    FeedRoutes& operator=(const FeedRoutes&) = delete;

    // Reads the feed for every trip of every route. False with error() set when the
    // feed is refused; report() holds the feed's own report lines either way (fare
    // tables, readings).
    bool load();
    const QString& error() const;
    const QStringList& report() const;

    // The routes to import in a stable order: by route_id (as text), direction_id
    // (none, 0, 1), then pattern. Without `patterns` each route and direction gives its
    // trip with the most stops (the first in trips.txt of equally long ones); with it,
    // every distinct sequence of stops gives its first trip, the longest first.
    QVector<PlannedRoute> plan(bool patterns) const;

    // The routes of routes.txt without trips to import, in routes.txt order.
    QStringList routesWithoutTrips() const;

    // The route file, announcements and sign of one planned route under `number`.
    // A route that cannot be imported has its error set; the others are not affected.
    ImportResult build(const PlannedRoute& route, int number) const;

    struct Model;

private:
    friend ImportResult importTrip(const GtfsFeed& feed, const ImportRequest& request);
    friend ListResult listRoutes(const GtfsFeed& feed);
    std::unique_ptr<Model> m;
};

// The route number derived from a route: the digits of route_short_name, else of
// route_id, else the last five digits of route_id, the first of these that is
// 1..99999; else a stable hash of route_id mod 99999 + 1.
int deriveRouteNumber(const QString& routeId, const QString& shortName);

// The text in the closest form that Shift_JIS (cp932) can hold: each character that
// cannot be written is replaced by its NFKC form when that can be written, else by
// "〓". `changed` tells whether anything was replaced.
QString toShiftJis(const QString& text, bool* changed = nullptr);

} // namespace gtfs
