#include "route/GtfsImport.h"

#include "platform/Cp932.h"
#include "route/CsvReader.h"
#include "route/GtfsFeed.h"

#include <QHash>
#include <QSet>
#include <algorithm>
#include <cmath>
#include <initializer_list>
#include <optional>

namespace gtfs {
namespace {

using csv::CsvTable;

// ---------------------------------------------------------------- tables

// One table of the feed, checked: present (or an empty optional one), UTF-8, with a
// header holding the required columns.
struct Table {
    QString name;
    QByteArray bytes;
    bool present = false; // false: missing optional table (or one refused with a report)
};

struct Loader {
    const GtfsFeed& feed;
    QString error;      // the first fatal problem
    QStringList report; // everything else

    // Reads `name`. A required table that is missing, refused, not UTF-8, empty or
    // lacks a required column sets `error`. An optional one with those problems is
    // reported (`whatIfAbsent` says what follows) and comes back not present; an
    // empty optional table is simply absent.
    Table load(const char* name, bool required, std::initializer_list<const char*> columns,
               const QString& whatIfAbsent = QString()) {
        Table t;
        t.name = QString::fromLatin1(name);
        const TableBytes read = feed.read(t.name);
        auto problem = [&](const QString& text) {
            if (required)
                error = text;
            else
                report << (whatIfAbsent.isEmpty() ? text : text + QStringLiteral("; ") + whatIfAbsent);
            return Table{t.name, {}, false};
        };
        if (read.status == TableBytes::Status::Missing)
            return required ? problem(QStringLiteral("%1: missing (a required table)").arg(t.name))
                            : (whatIfAbsent.isEmpty() ? t : problem(t.name + QStringLiteral(": missing")));
        if (read.status == TableBytes::Status::Refused)
            return problem(read.problem);
        const qsizetype valid = csv::validUtf8Prefix(read.bytes);
        if (valid != read.bytes.size())
            return problem(QStringLiteral("%1:%2: not UTF-8 text")
                               .arg(t.name)
                               .arg(csv::lineOfOffset(read.bytes, valid)));
        CsvTable header(read.bytes);
        if (!header.hasHeader()) {
            if (header.error())
                return problem(QStringLiteral("%1:%2: %3")
                                   .arg(t.name)
                                   .arg(header.error()->line)
                                   .arg(header.error()->reason));
            if (required)
                return problem(QStringLiteral("%1: empty (a required table)").arg(t.name));
            return t; // an empty optional table: nothing in it
        }
        for (const char* column : columns) {
            if (header.column(column) < 0)
                return problem(QStringLiteral("%1: no column %2").arg(t.name, QLatin1String(column)));
        }
        t.bytes = read.bytes;
        t.present = true;
        return t;
    }

    // After a table has been read to its end: a syntax error in it is fatal for a
    // required table and reported for an optional one. True when it was fine.
    bool finish(const Table& t, const CsvTable& rows, bool required) {
        if (!rows.error())
            return true;
        const csv::CsvError& e = *rows.error();
        const QString text =
            QStringLiteral("%1:%2: field %3: %4").arg(t.name).arg(e.line).arg(e.field).arg(e.reason);
        if (required)
            error = text;
        else
            report << text + QStringLiteral("; the table is ignored");
        return false;
    }
};

QString text(const QByteArray& field) {
    return QString::fromUtf8(field).trimmed();
}

// ---------------------------------------------------------------- feed model

struct Stop {
    QString name;
    QString parent;
    QString zone;
};

struct Route {
    QString id;
    QString shortName;
    QString longName;
    QString name() const {
        const QString n = (shortName + QLatin1Char(' ') + longName).trimmed();
        return n.isEmpty() ? id : n;
    }
};

struct Trip {
    QString id;
    QString routeId;
    QString headsign;
    int direction = -1;
    int stops = 0; // stop_times rows
};

struct StopTime {
    qint64 sequence = 0;
    QString stopId;
    int pickup = 0;
    int dropOff = 0;
    qint64 line = 0;
};

bool loadRoutes(Loader& l, QVector<Route>& routes) {
    const Table t = l.load("routes.txt", true, {"route_id"});
    if (!l.error.isEmpty())
        return false;
    CsvTable rows(t.bytes);
    const int id = rows.column("route_id");
    const int shortName = rows.column("route_short_name");
    const int longName = rows.column("route_long_name");
    while (rows.next())
        routes.append(Route{text(rows.field(id)), text(rows.field(shortName)), text(rows.field(longName))});
    return l.finish(t, rows, true);
}

bool loadTrips(Loader& l, QVector<Trip>& trips, QHash<QByteArray, int>& byId) {
    const Table t = l.load("trips.txt", true, {"trip_id", "route_id"});
    if (!l.error.isEmpty())
        return false;
    CsvTable rows(t.bytes);
    const int id = rows.column("trip_id");
    const int route = rows.column("route_id");
    const int headsign = rows.column("trip_headsign");
    const int direction = rows.column("direction_id");
    while (rows.next()) {
        const QByteArray key = rows.field(id).trimmed();
        if (byId.contains(key))
            continue;
        Trip trip{text(rows.field(id)), text(rows.field(route)), text(rows.field(headsign)), -1, 0};
        const QByteArray d = rows.field(direction).trimmed();
        if (d == "0" || d == "1")
            trip.direction = d.toInt();
        byId.insert(key, static_cast<int>(trips.size()));
        trips.append(trip);
    }
    return l.finish(t, rows, true);
}

// Counts the stop times of every trip; keeps those of the trips in `wanted`.
bool loadStopTimes(Loader& l, QVector<Trip>& trips, const QHash<QByteArray, int>& tripIndex,
                   const QSet<int>& wanted, QHash<int, QVector<StopTime>>& kept) {
    const Table t = l.load("stop_times.txt", true, {"trip_id", "stop_id", "stop_sequence"});
    if (!l.error.isEmpty())
        return false;
    CsvTable rows(t.bytes);
    const int trip = rows.column("trip_id");
    const int stop = rows.column("stop_id");
    const int sequence = rows.column("stop_sequence");
    const int pickup = rows.column("pickup_type");
    const int dropOff = rows.column("drop_off_type");
    while (rows.next()) {
        const int index = tripIndex.value(rows.field(trip).trimmed(), -1);
        if (index < 0)
            continue;
        ++trips[index].stops;
        if (!wanted.contains(index))
            continue;
        StopTime st;
        bool ok = false;
        st.sequence = rows.field(sequence).trimmed().toLongLong(&ok);
        if (!ok || st.sequence < 0) {
            l.error = QStringLiteral("stop_times.txt:%1: stop_sequence \"%2\" is not a whole number")
                          .arg(rows.line())
                          .arg(text(rows.field(sequence)));
            return false;
        }
        st.stopId = text(rows.field(stop));
        st.pickup = rows.field(pickup).trimmed().toInt();
        st.dropOff = rows.field(dropOff).trimmed().toInt();
        st.line = rows.line();
        kept[index].append(st);
    }
    return l.finish(t, rows, true);
}

bool loadStops(Loader& l, QHash<QString, Stop>& stops) {
    const Table t = l.load("stops.txt", true, {"stop_id", "stop_name"});
    if (!l.error.isEmpty())
        return false;
    CsvTable rows(t.bytes);
    const int id = rows.column("stop_id");
    const int name = rows.column("stop_name");
    const int parent = rows.column("parent_station");
    const int zone = rows.column("zone_id");
    while (rows.next()) {
        const QString key = text(rows.field(id));
        if (!stops.contains(key))
            stops.insert(key, Stop{text(rows.field(name)), text(rows.field(parent)), text(rows.field(zone))});
    }
    return l.finish(t, rows, true);
}

// Readings (ja-Hrkt) of names, from translations.txt in either form: the older
// GTFS-JP one (trans_id,lang,translation; trans_id is the Japanese text itself) or
// the GTFS one (table_name,field_name,language,translation,record_id,field_value).
struct Readings {
    QHash<QString, QString> byText;
    QHash<QString, QString> byStopId;
    QHash<QString, QString> byTripId;

    QString forStop(const QString& stopId, const QString& parentId, const QString& name) const {
        if (const auto it = byStopId.constFind(stopId); it != byStopId.cend())
            return *it;
        if (const auto it = byStopId.constFind(parentId); !parentId.isEmpty() && it != byStopId.cend())
            return *it;
        return byText.value(name);
    }
};

void loadReadings(Loader& l, Readings& readings) {
    const TableBytes probe = l.feed.read(QStringLiteral("translations.txt"));
    if (probe.status != TableBytes::Status::Ok && probe.status != TableBytes::Status::Refused)
        return;
    // Which form: look at the header only.
    const CsvTable header(probe.bytes);
    const bool newForm = header.column("table_name") >= 0;
    const Table t = newForm ? l.load("translations.txt", false, {"table_name", "language", "translation"},
                                     QStringLiteral("stop names are spoken as written"))
                            : l.load("translations.txt", false, {"trans_id", "lang", "translation"},
                                     QStringLiteral("stop names are spoken as written"));
    if (!t.present)
        return;
    CsvTable rows(t.bytes);
    const bool old = !newForm;
    const int lang = rows.column(old ? "lang" : "language");
    const int translation = rows.column("translation");
    const int transId = rows.column("trans_id");
    const int table = rows.column("table_name");
    const int field = rows.column("field_name");
    const int recordId = rows.column("record_id");
    const int fieldValue = rows.column("field_value");
    Readings found;
    while (rows.next()) {
        if (rows.field(lang).trimmed() != "ja-Hrkt")
            continue;
        const QString reading = text(rows.field(translation));
        if (reading.isEmpty())
            continue;
        if (old) {
            found.byText.insert(text(rows.field(transId)), reading);
            continue;
        }
        const QByteArray tableName = rows.field(table).trimmed();
        const QByteArray fieldName = rows.field(field).trimmed();
        const QString value = text(rows.field(fieldValue));
        const QString record = text(rows.field(recordId));
        if (!value.isEmpty())
            found.byText.insert(value, reading);
        if (!record.isEmpty() && tableName == "stops" && fieldName == "stop_name")
            found.byStopId.insert(record, reading);
        if (!record.isEmpty() && tableName == "trips" && fieldName == "trip_headsign")
            found.byTripId.insert(record, reading);
    }
    if (l.finish(t, rows, false))
        readings = found;
}

// ---------------------------------------------------------------- fares

struct FareMatch {
    qint64 price = 0;
    QString fareId;
    int specificity = -1; // named fields among route, origin, destination
};

class FareRules {
public:
    bool available = false; // both fare tables were read

    void load(Loader& l, const QString& routeId) {
        const QString absent = QStringLiteral("every fare is -1");
        // An empty table is absent without a report of its own: say what follows.
        const auto usable = [&](const Table& t, qsizetype reportsBefore) {
            if (!t.present && l.report.size() == reportsBefore)
                l.report << t.name + QStringLiteral(": empty; ") + absent;
            return t.present;
        };
        qsizetype before = l.report.size();
        const Table attributes = l.load("fare_attributes.txt", false, {"fare_id", "price"}, absent);
        if (!usable(attributes, before))
            return;
        before = l.report.size();
        const Table rules = l.load("fare_rules.txt", false, {"fare_id"}, absent);
        if (!usable(rules, before))
            return;

        QHash<QByteArray, qint64> prices;
        {
            CsvTable rows(attributes.bytes);
            const int id = rows.column("fare_id");
            const int price = rows.column("price");
            const int currency = rows.column("currency_type");
            while (rows.next()) {
                const QByteArray fareId = rows.field(id).trimmed();
                if (prices.contains(fareId))
                    continue;
                const QByteArray c = rows.field(currency).trimmed();
                if (currency >= 0 && !c.isEmpty() && c != "JPY") {
                    l.report << QStringLiteral("fare_attributes.txt:%1: fare %2 is in %3, not yen; ignored")
                                    .arg(rows.line())
                                    .arg(QString::fromUtf8(fareId), QString::fromUtf8(c));
                    continue;
                }
                bool ok = false;
                const double value = rows.field(price).trimmed().toDouble(&ok);
                if (!ok || !std::isfinite(value) || value < 0 || value != std::floor(value) || value > 1e12) {
                    l.report << QStringLiteral("fare_attributes.txt:%1: fare %2 has the price \"%3\", not a "
                                               "whole number of yen; ignored")
                                    .arg(rows.line())
                                    .arg(QString::fromUtf8(fareId), text(rows.field(price)));
                    continue;
                }
                prices.insert(fareId, static_cast<qint64>(value));
            }
            if (!l.finish(attributes, rows, false))
                return;
        }

        CsvTable rows(rules.bytes);
        const int id = rows.column("fare_id");
        const int route = rows.column("route_id");
        const int origin = rows.column("origin_id");
        const int destination = rows.column("destination_id");
        const int contains = rows.column("contains_id");
        const QByteArray wantedRoute = routeId.toUtf8();
        QSet<QByteArray> unknown;
        int containsRules = 0;
        QHash<QString, FareMatch> table;
        while (rows.next()) {
            const QByteArray r = rows.field(route).trimmed();
            if (!r.isEmpty() && r != wantedRoute)
                continue;
            if (!rows.field(contains).trimmed().isEmpty()) {
                ++containsRules;
                continue;
            }
            const QByteArray fareId = rows.field(id).trimmed();
            const auto price = prices.constFind(fareId);
            if (price == prices.cend()) {
                if (!unknown.contains(fareId)) {
                    unknown.insert(fareId);
                    l.report << QStringLiteral(
                                    "fare_rules.txt:%1: fare %2 is not in fare_attributes.txt; its "
                                    "rules are ignored")
                                    .arg(rows.line())
                                    .arg(QString::fromUtf8(fareId));
                }
                continue;
            }
            const QString o = text(rows.field(origin));
            const QString d = text(rows.field(destination));
            const int specificity = (r.isEmpty() ? 0 : 1) + (o.isEmpty() ? 0 : 1) + (d.isEmpty() ? 0 : 1);
            FareMatch& m = table[key(!r.isEmpty(), o, d)];
            if (m.specificity < 0 || *price < m.price)
                m = FareMatch{*price, QString::fromUtf8(fareId), specificity};
        }
        if (!l.finish(rules, rows, false))
            return;
        if (containsRules > 0)
            l.report << QStringLiteral(
                            "fare_rules.txt: %1 rules of route %2 use contains_id, which the import "
                            "does not support; they are ignored")
                            .arg(containsRules)
                            .arg(routeId);
        m_table = std::move(table);
        available = true;
    }

    // The fare from a stop known by `from` ids to a stop known by `to` ids (each its
    // zone, its own id and its parent station's id, as the feed may use any): the
    // rule naming the most of route, origin and destination; the cheaper one of
    // equally specific rules.
    std::optional<FareMatch> find(const QStringList& from, const QStringList& to) const {
        std::optional<FareMatch> best;
        for (const bool routeSpecific : {true, false}) {
            for (const QString& o : from + QStringList{QString()}) {
                for (const QString& d : to + QStringList{QString()}) {
                    const auto it = m_table.constFind(key(routeSpecific, o, d));
                    if (it == m_table.cend())
                        continue;
                    if (!best || it->specificity > best->specificity ||
                        (it->specificity == best->specificity && it->price < best->price))
                        best = *it;
                }
            }
        }
        return best;
    }

private:
    static QString key(bool routeSpecific, const QString& origin, const QString& destination) {
        return (routeSpecific ? QStringLiteral("R") : QStringLiteral("*")) + origin + QChar(0x1F) +
               destination;
    }

    QHash<QString, FareMatch> m_table;
};

// ---------------------------------------------------------------- helpers

QString digitsOf(const QString& s) {
    QString d;
    for (const QChar c : s) {
        if (c >= QLatin1Char('0') && c <= QLatin1Char('9'))
            d += c;
    }
    return d;
}

int inRange(const QString& digits) {
    if (digits.isEmpty() || digits.size() > 9)
        return 0;
    const int n = digits.toInt();
    return n >= 1 && n <= MaxRouteNumber ? n : 0;
}

// Text for the announcement list: a double quote or a line end cannot stand in it.
QString tapeText(QString s) {
    s.replace(QLatin1Char('"'), QChar(0x201D));
    s.replace(QLatin1Char('\r'), QLatin1Char(' '));
    s.replace(QLatin1Char('\n'), QLatin1Char(' '));
    return s;
}

QString destinationText(QString dest) {
    for (const QString& suffix : {QStringLiteral("行き"), QStringLiteral("ゆき"), QStringLiteral("行")}) {
        if (dest.endsWith(suffix) && dest.size() > suffix.size()) {
            dest.chop(suffix.size());
            break;
        }
    }
    return QStringLiteral("このバスは、%1行きです。").arg(dest);
}

struct FareIssue {
    QString fareId;
    qint64 price = 0;
    int uses = 0;
    QString example;
};

} // namespace

// ---------------------------------------------------------------- public

int deriveRouteNumber(const QString& routeId, const QString& shortName) {
    if (const int n = inRange(digitsOf(shortName)))
        return n;
    const QString idDigits = digitsOf(routeId);
    if (const int n = inRange(idDigits))
        return n;
    if (const int n = inRange(idDigits.right(5)))
        return n;
    // FNV-1a over the id's UTF-8 bytes: the same id gives the same number everywhere.
    quint32 h = 2166136261u;
    for (const char c : routeId.toUtf8()) {
        h ^= static_cast<uchar>(c);
        h *= 16777619u;
    }
    return static_cast<int>(h % MaxRouteNumber) + 1;
}

QString toShiftJis(const QString& in, bool* changed) {
    if (changed)
        *changed = false;
    if (cp932::canEncode(in))
        return in;
    QString out;
    for (qsizetype i = 0; i < in.size();) {
        const qsizetype len = (in.at(i).isHighSurrogate() && i + 1 < in.size()) ? 2 : 1;
        const QString ch = in.mid(i, len);
        i += len;
        if (cp932::canEncode(ch)) {
            out += ch;
            continue;
        }
        if (changed)
            *changed = true;
        const QString nfkc = ch.normalized(QString::NormalizationForm_KC);
        out += cp932::canEncode(nfkc) ? nfkc : QStringLiteral("〓");
    }
    return out;
}

ListResult listRoutes(const GtfsFeed& feed) {
    ListResult result;
    Loader l{feed, {}, {}};
    QVector<Route> routes;
    QVector<Trip> trips;
    QHash<QByteArray, int> tripIndex;
    QHash<int, QVector<StopTime>> none;
    if (!loadRoutes(l, routes) || !loadTrips(l, trips, tripIndex) ||
        !loadStopTimes(l, trips, tripIndex, {}, none)) {
        result.error = l.error;
        return result;
    }
    QHash<QString, int> byRoute;
    for (const Route& r : routes) {
        if (byRoute.contains(r.id))
            continue;
        byRoute.insert(r.id, static_cast<int>(result.routes.size()));
        result.routes.append(RouteListing{r.id, r.name(), 0, 0, 0, deriveRouteNumber(r.id, r.shortName)});
    }
    for (const Trip& t : trips) {
        const int i = byRoute.value(t.routeId, -1);
        if (i < 0)
            continue;
        RouteListing& r = result.routes[i];
        r.minStops = r.trips == 0 ? t.stops : std::min(r.minStops, t.stops);
        r.maxStops = std::max(r.maxStops, t.stops);
        ++r.trips;
    }
    result.report = l.report;
    return result;
}

ImportResult importTrip(const GtfsFeed& feed, const ImportRequest& request) {
    ImportResult result;
    Loader l{feed, {}, {}};
    auto fail = [&](const QString& error) {
        result.error = error;
        result.report = l.report;
        return result;
    };

    QVector<Route> routes;
    QVector<Trip> trips;
    QHash<QByteArray, int> tripIndex;
    if (!loadRoutes(l, routes) || !loadTrips(l, trips, tripIndex))
        return fail(l.error);

    // The trips that may be chosen.
    QSet<int> candidates;
    if (!request.tripId.isEmpty()) {
        const int i = tripIndex.value(request.tripId.toUtf8(), -1);
        if (i < 0)
            return fail(QStringLiteral("trip %1 is not in trips.txt").arg(request.tripId));
        candidates.insert(i);
    } else if (!request.routeId.isEmpty()) {
        bool routeKnown = std::any_of(routes.cbegin(), routes.cend(),
                                      [&](const Route& r) { return r.id == request.routeId; });
        for (int i = 0; i < trips.size(); ++i) {
            if (trips[i].routeId != request.routeId)
                continue;
            routeKnown = true;
            if (request.direction < 0 || trips[i].direction == request.direction)
                candidates.insert(i);
        }
        if (!routeKnown)
            return fail(QStringLiteral("route %1 is not in routes.txt").arg(request.routeId));
        if (candidates.isEmpty())
            return fail(request.direction < 0 ? QStringLiteral("route %1 has no trips").arg(request.routeId)
                                              : QStringLiteral("route %1 has no trips in direction %2")
                                                    .arg(request.routeId)
                                                    .arg(request.direction));
    } else {
        return fail(
            QStringLiteral("no trip chosen: give --trip TRIP_ID or --route ROUTE_ID (--list shows them)"));
    }

    QHash<int, QVector<StopTime>> stopTimes;
    if (!loadStopTimes(l, trips, tripIndex, candidates, stopTimes))
        return fail(l.error);
    // The trip with the most stops; the first in trips.txt of equally long ones.
    QList<int> order = candidates.values();
    std::sort(order.begin(), order.end());
    int chosen = order.first();
    for (const int i : order) {
        if (trips[i].stops > trips[chosen].stops)
            chosen = i;
    }
    const Trip& trip = trips[chosen];
    QVector<StopTime> times = stopTimes.value(chosen);
    std::stable_sort(times.begin(), times.end(),
                     [](const StopTime& a, const StopTime& b) { return a.sequence < b.sequence; });
    result.tripId = trip.id;
    result.routeId = trip.routeId;
    result.feedStops = static_cast<int>(times.size());
    const auto route =
        std::find_if(routes.cbegin(), routes.cend(), [&](const Route& r) { return r.id == trip.routeId; });
    if (route == routes.cend()) {
        l.report << QStringLiteral("route %1 of trip %2 is not in routes.txt").arg(trip.routeId, trip.id);
        result.routeName = trip.routeId;
    } else {
        result.routeName = route->name();
    }
    result.numberDerived = request.number <= 0;
    result.routeNumber =
        result.numberDerived
            ? deriveRouteNumber(trip.routeId, route == routes.cend() ? QString() : route->shortName)
            : request.number;

    QHash<QString, Stop> stops;
    if (!loadStops(l, stops))
        return fail(l.error);
    Readings readings;
    loadReadings(l, readings);
    if (!l.error.isEmpty())
        return fail(l.error);

    // The stops of the trip, in stop_sequence order, as far as the route file holds.
    struct TripStop {
        QString id;
        QString parent;
        QString name;   // as written, Shift_JIS-safe
        QString spoken; // the reading where there is one
        QStringList fareKeys;
        bool boarding = true;
        bool alighting = true;
    };
    QVector<TripStop> tripStops;
    for (const StopTime& st : times) {
        const auto it = stops.constFind(st.stopId);
        if (it == stops.cend()) {
            l.report << QStringLiteral("stop_times.txt:%1: stop %2 is not in stops.txt; the stop is left out")
                            .arg(st.line)
                            .arg(st.stopId);
            continue;
        }
        TripStop s;
        s.id = st.stopId;
        s.parent = it->parent;
        const Stop parent = stops.value(it->parent);
        QString name = !it->name.isEmpty() ? it->name : parent.name;
        const int number = static_cast<int>(tripStops.size()) + 1;
        if (name.isEmpty()) {
            name = st.stopId;
            l.report << QStringLiteral("stop %1 (%2): no name in stops.txt; its id is used")
                            .arg(number)
                            .arg(st.stopId);
        }
        bool changed = false;
        // Line breaks have no place on the strip; a quote stays on the board.
        s.name = toShiftJis(QString(name)
                                .replace(QLatin1Char('\r'), QLatin1Char(' '))
                                .replace(QLatin1Char('\n'), QLatin1Char(' ')),
                            &changed);
        if (changed)
            l.report << QStringLiteral(
                            "stop %1 (%2): \"%3\" cannot be written in Shift_JIS; written as \"%4\"")
                            .arg(number)
                            .arg(st.stopId, name, s.name);
        const QString reading = readings.forStop(st.stopId, it->parent, name);
        s.spoken = toShiftJis(tapeText(reading.isEmpty() ? s.name : reading));
        for (const QString& k : {it->zone, st.stopId, it->parent, parent.zone}) {
            if (!k.isEmpty() && !s.fareKeys.contains(k))
                s.fareKeys << k;
        }
        s.boarding = st.pickup != 1;
        s.alighting = st.dropOff != 1;
        tripStops.append(s);
    }
    if (tripStops.size() < 2)
        return fail(QStringLiteral("trip %1 has %2 stops; a route needs at least 2")
                        .arg(trip.id)
                        .arg(tripStops.size()));
    if (tripStops.size() > DataIo::FareTableRowCount) {
        const int n = static_cast<int>(tripStops.size());
        l.report << QStringLiteral(
                        "trip %1 has %2 stops; a route file holds %3: stops %4..%2 (%5 … %6) are cut")
                        .arg(trip.id)
                        .arg(n)
                        .arg(DataIo::FareTableRowCount)
                        .arg(DataIo::FareTableRowCount + 1)
                        .arg(tripStops[DataIo::FareTableRowCount].name, tripStops.last().name);
        tripStops.resize(DataIo::FareTableRowCount);
    }

    // Ticket numbers: the k-th stop where boarding is allowed issues k; a stop
    // without boarding keeps the number issued last.
    QVector<int> issuedAt{-1}; // issuedAt[k]: the index of the stop that issues k
    QVector<int> ticketOf(tripStops.size());
    for (int i = 0; i < tripStops.size(); ++i) {
        if (tripStops[i].boarding)
            issuedAt.append(i);
        ticketOf[i] = static_cast<int>(issuedAt.size()) - 1;
    }
    result.ticketCount = static_cast<int>(issuedAt.size()) - 1;
    const int shownTickets = std::min(result.ticketCount, DataIo::FareColumnCount);
    if (result.ticketCount > DataIo::FareColumnCount) {
        const int first = issuedAt[DataIo::FareColumnCount + 1];
        l.report << QStringLiteral(
                        "ticket numbers %1..%2 (issued from stop %3, %4, on) have no fare display on "
                        "the board (it shows 1..%5); their fares are left out")
                        .arg(DataIo::FareColumnCount + 1)
                        .arg(result.ticketCount)
                        .arg(first + 1)
                        .arg(tripStops[first].name)
                        .arg(DataIo::FareColumnCount);
    }

    FareRules fares;
    fares.load(l, trip.routeId);
    if (!l.error.isEmpty())
        return fail(l.error);

    QVector<FareIssue> issues;
    QHash<QString, int> issueOf;
    QStringList missing;
    for (int i = 0; i < tripStops.size(); ++i) {
        const TripStop& s = tripStops[i];
        DataIo::RouteRow row;
        row.setStopName(s.name);
        row.TicketNumber = static_cast<qint16>(ticketOf[i]);
        for (int t = 1; t <= shownTickets; ++t) {
            const int from = issuedAt[t];
            if (from >= i)
                continue; // not issued yet, or issued here: 0, blank
            const TripStop& o = tripStops[from];
            const std::optional<FareMatch> m =
                fares.available ? fares.find(o.fareKeys, s.fareKeys) : std::nullopt;
            if (!m) {
                row.DataColumns[t] = DataIo::NoFare;
                if (s.alighting) {
                    ++result.missingFares;
                    if (fares.available && missing.size() < 10)
                        missing << QStringLiteral(
                                       "no fare rule for %1 (%2) → %3 (%4), ticket %5 at stop %6; set to -1")
                                       .arg(o.name, o.id, s.name, s.id)
                                       .arg(t)
                                       .arg(i + 1);
                }
                continue;
            }
            qint64 price = m->price;
            if (price > MaxShownFare) {
                int& at = issueOf[m->fareId];
                if (at == 0) {
                    issues.append(
                        FareIssue{m->fareId, price, 0, QStringLiteral("%1 → %2").arg(o.name, s.name)});
                    at = static_cast<int>(issues.size());
                }
                ++issues[at - 1].uses;
            }
            row.DataColumns[t] = price > 32767 ? DataIo::NoFare : static_cast<qint16>(price);
        }
        result.rows.append(row);
    }
    l.report << missing;
    if (result.missingFares > 0)
        l.report << QStringLiteral("%1 fares have no fare rule and are -1").arg(result.missingFares);
    for (const FareIssue& f : issues) {
        QString what;
        if (f.price > 32767)
            what = QStringLiteral("above 32767, the route file cannot hold it; set to -1");
        else if (f.price > MaxDoubledFare)
            what = QStringLiteral("above 16383, cannot be doubled for the late-night fare nor shown on the "
                                  "4-place displays; kept as is");
        else
            what = QStringLiteral("above 9999, cannot be shown on the 4-place displays; kept as is");
        l.report << QStringLiteral("fare %1 (%2 yen, %3 fares, e.g. %4): %5")
                        .arg(f.fareId)
                        .arg(f.price)
                        .arg(f.uses)
                        .arg(f.example, what);
    }

    // The announcement list: the destination, then the next stop for every stop after
    // the first (the bus stands at the first stop when the route is set).
    QString dest = readings.byTripId.value(trip.id);
    if (dest.isEmpty() && !trip.headsign.isEmpty())
        dest = readings.byText.value(trip.headsign, trip.headsign);
    if (dest.isEmpty())
        dest = tripStops.last().spoken;
    result.tape.append(TapeEntry{toShiftJis(tapeText(destinationText(dest))), 0, 1});
    for (int i = 1; i < tripStops.size(); ++i)
        result.tape.append(TapeEntry{QStringLiteral("次は、%1です。").arg(tripStops[i].spoken), 1, 2});

    result.report = l.report;
    return result;
}

} // namespace gtfs
