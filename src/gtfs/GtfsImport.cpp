#include "gtfs/GtfsImport.h"

#include "gtfs/CsvReader.h"
#include "gtfs/GtfsFeed.h"
#include "platform/Cp932.h"

#include <QHash>
#include <QSet>
#include <algorithm>
#include <cmath>
#include <initializer_list>
#include <map>
#include <memory>
#include <optional>
#include <vector>

namespace gtfs {
namespace {

using csv::CsvError;
using csv::CsvTable;

// Report lines of one kind are named one by one up to this many; past them only the
// count is given.
constexpr int kNamedLines = 10;

// ---------------------------------------------------------------- tables

// One table of the feed, opened and checked: a header holding the required columns,
// its rows read as a stream, each row within the table's caps. A missing optional
// table (or one refused with a report) is not present.
struct Table {
    QString name;
    bool required = false;
    QString whatIfAbsent;
    std::unique_ptr<TableStream> stream;
    std::unique_ptr<CsvTable> rows;

    bool present() const { return rows != nullptr; }
};

struct Loader {
    const GtfsFeed& feed;
    QString error;      // the first fatal problem
    QStringList report; // everything else

    // Opens `name` and reads its header. A required table that is missing, refused,
    // not UTF-8, empty or lacks a required column sets `error`. An optional one with
    // those problems is reported (`whatIfAbsent` says what follows) and comes back not
    // present; an empty optional table is simply absent, and so is a missing one when
    // `silentIfMissing`. A table beyond its caps sets `error` whether it is required
    // or not.
    Table load(const char* name, bool required, std::initializer_list<const char*> columns,
               const QString& whatIfAbsent = QString(), bool silentIfMissing = false) {
        Table t;
        t.name = QString::fromLatin1(name);
        t.required = required;
        t.whatIfAbsent = whatIfAbsent;
        OpenedTable opened = feed.table(t.name);
        if (opened.status == OpenedTable::Status::Missing) {
            if (required)
                error = QStringLiteral("%1: missing (a required table)").arg(t.name);
            else if (!whatIfAbsent.isEmpty() && !silentIfMissing)
                report << t.name + QStringLiteral(": missing; ") + whatIfAbsent;
            return t;
        }
        if (opened.status == OpenedTable::Status::Refused) {
            if (opened.refusesFeed)
                error = opened.problem;
            else
                problem(t, opened.problem);
            return t;
        }
        const TableCaps caps = feed.caps(t.name);
        // The header is a record too: one more than the rows.
        auto rows =
            std::make_unique<CsvTable>(*opened.stream, csv::CsvLimits{caps.lineBytes, caps.rows + 1, true});
        t.stream = std::move(opened.stream);
        if (!rows->hasHeader()) {
            if (rows->error())
                failed(t, *rows->error(), true);
            else if (required)
                error = QStringLiteral("%1: empty (a required table)").arg(t.name);
            return t; // an empty optional table: nothing in it
        }
        for (const char* column : columns) {
            if (rows->column(column) < 0) {
                problem(t, QStringLiteral("%1: no column %2").arg(t.name, QLatin1String(column)));
                return t;
            }
        }
        t.rows = std::move(rows);
        return t;
    }

    // After a table has been read to its end: a problem in it is fatal for a required
    // table (and for any table beyond its caps) and reported for an optional one,
    // whose rows are then not used. True when the table was read whole.
    bool finish(const Table& t) {
        if (!t.rows->error())
            return true;
        failed(t, *t.rows->error(), false);
        return false;
    }

private:
    void problem(const Table& t, const QString& text) {
        if (t.required)
            error = text;
        else
            report << (t.whatIfAbsent.isEmpty() ? text : text + QStringLiteral("; ") + t.whatIfAbsent);
    }

    void failed(const Table& t, const CsvError& e, bool inHeader) {
        const TableCaps caps = feed.caps(t.name);
        switch (e.kind) {
        case CsvError::Kind::Source:
            if (t.stream->refusesFeed())
                error = t.stream->problem();
            else
                problem(t, t.stream->problem());
            return;
        case CsvError::Kind::RecordTooLong:
            error = QStringLiteral("%1:%2: a line longer than %3; refused")
                        .arg(t.name)
                        .arg(e.line)
                        .arg(sizeText(caps.lineBytes));
            return;
        case CsvError::Kind::TooManyRecords:
            error = QStringLiteral("%1: more than %2 rows; refused").arg(t.name).arg(caps.rows);
            return;
        case CsvError::Kind::NotUtf8:
            problem(t, QStringLiteral("%1:%2: not UTF-8 text").arg(t.name).arg(e.line));
            return;
        case CsvError::Kind::Syntax:
            if (inHeader) {
                problem(t, QStringLiteral("%1:%2: %3").arg(t.name).arg(e.line).arg(e.reason));
                return;
            }
            const QString where =
                QStringLiteral("%1:%2: field %3: %4").arg(t.name).arg(e.line).arg(e.field).arg(e.reason);
            if (t.required)
                error = where;
            else
                report << where + QStringLiteral("; the table is ignored");
            return;
        }
    }
};

QString text(QByteArrayView field) {
    return QString::fromUtf8(field).trimmed();
}

// A field looked up in a hash without a copy (valid while the field is).
QByteArray key(QByteArrayView field) {
    field = field.trimmed();
    return QByteArray::fromRawData(field.data(), field.size());
}

bool isControl(char16_t c) {
    return c < 0x20 || (c >= 0x7F && c <= 0x9F);
}

// Text of the feed that the board shows or the voice speaks: a line break becomes a
// space (as on the strip's one line), any other control character (C0, DEL, C1) is
// dropped and counted in `dropped`.
QString feedText(QByteArrayView field, int& dropped) {
    QString s = text(field);
    qsizetype out = 0;
    for (qsizetype i = 0; i < s.size(); ++i) {
        const char16_t c = s.at(i).unicode();
        if (c == u'\r' || c == u'\n')
            s[out++] = QLatin1Char(' ');
        else if (isControl(c))
            ++dropped;
        else
            s[out++] = s.at(i);
    }
    if (out == s.size())
        return s;
    s.truncate(out);
    return s.trimmed();
}

// Control characters dropped from the feed's text, by where they were.
struct Dropped {
    int routeNames = 0;
    int stopNames = 0;
    int headsigns = 0;
    int readings = 0;

    void report(QStringList& lines) const {
        const std::pair<int, const char*> where[] = {{routeNames, "route names"},
                                                     {stopNames, "stop names"},
                                                     {headsigns, "headsigns"},
                                                     {readings, "readings"}};
        for (const auto& [count, what] : where) {
            if (count > 0)
                lines << QStringLiteral("dropped %1 control character%2 from %3")
                             .arg(QString::number(count), QLatin1String(count == 1 ? "" : "s"),
                                  QLatin1String(what));
        }
    }
};

// ---------------------------------------------------------------- feed model

struct Stop {
    QString name;
    QString parent;
    QString zone;
};

struct Route {
    QString id;
    QByteArray shortName; // as in the feed: cleaned when shown
    QByteArray longName;
    QString name(int& dropped) const {
        const QString n =
            (feedText(shortName, dropped) + QLatin1Char(' ') + feedText(longName, dropped)).trimmed();
        return n.isEmpty() ? id : n;
    }
};

// The trips of trips.txt (the first row of a repeated trip_id): what choosing one
// takes, and no more, as a feed may hold hundreds of thousands.
struct Trip {
    QByteArray id; // shared with the index's key
    int route = 0; // in Trips::routeIds
    int direction = -1;
    int stops = 0; // stop_times rows
};

struct Trips {
    QVector<Trip> list;
    QHash<QByteArray, int> byId;
    QStringList routeIds; // each route id once

    const QString& routeOf(int trip) const { return routeIds.at(list.at(trip).route); }
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
    CsvTable& rows = *t.rows;
    const int id = rows.column("route_id");
    const int shortName = rows.column("route_short_name");
    const int longName = rows.column("route_long_name");
    while (rows.next())
        routes.append(Route{text(rows.fieldView(id)), rows.fieldView(shortName).toByteArray(),
                            rows.fieldView(longName).toByteArray()});
    return l.finish(t);
}

bool loadTrips(Loader& l, Trips& trips) {
    const Table t = l.load("trips.txt", true, {"trip_id", "route_id"});
    if (!l.error.isEmpty())
        return false;
    CsvTable& rows = *t.rows;
    const int id = rows.column("trip_id");
    const int route = rows.column("route_id");
    const int direction = rows.column("direction_id");
    QHash<QByteArray, int> routeIndex;
    while (rows.next()) {
        if (trips.byId.contains(key(rows.fieldView(id))))
            continue;
        Trip trip;
        const QByteArray routeKey = key(rows.fieldView(route));
        const auto r = routeIndex.constFind(routeKey);
        if (r != routeIndex.cend()) {
            trip.route = *r;
        } else {
            trip.route = static_cast<int>(trips.routeIds.size());
            routeIndex.insert(QByteArray(routeKey.constData(), routeKey.size()), trip.route);
            trips.routeIds << text(routeKey);
        }
        trip.id = rows.fieldView(id).trimmed().toByteArray();
        const QByteArrayView d = rows.fieldView(direction).trimmed();
        if (d == "0" || d == "1")
            trip.direction = d == "1" ? 1 : 0;
        trips.byId.insert(trip.id, static_cast<int>(trips.list.size()));
        trips.list.append(trip);
    }
    return l.finish(t);
}

// The trip_headsign of the trip `id` (its first row), read again once the trip is
// chosen: keeping the headsigns of every trip that might be would take far more.
bool loadHeadsign(Loader& l, const QByteArray& id, QByteArray& headsign) {
    const Table t = l.load("trips.txt", true, {"trip_id", "route_id"});
    if (!l.error.isEmpty())
        return false;
    CsvTable& rows = *t.rows;
    const int tripId = rows.column("trip_id");
    const int column = rows.column("trip_headsign");
    while (rows.next()) {
        if (rows.fieldView(tripId).trimmed() == id) {
            headsign = rows.fieldView(column).toByteArray();
            return true;
        }
    }
    return l.finish(t);
}

// The stop times of one trip, as many as a route file can hold: those of the lowest
// stop_sequence values, the first row of each value. A row repeating a value that is
// kept is reported and left out.
struct TripTimes {
    static constexpr int Kept = DataIo::FareTableRowCount + 1; // the first one cut names the cut
    std::map<qint64, StopTime> kept;
    std::optional<StopTime> last; // the highest stop_sequence
    int stops = 0;                // stop times less the repeats found
    int repeats = 0;
    QStringList repeatLines; // the first ten repeats

    void add(const StopTime& st, const QString& tripId) {
        const auto same = kept.find(st.sequence);
        const StopTime* first = same != kept.end()                        ? &same->second
                                : (last && last->sequence == st.sequence) ? &*last
                                                                          : nullptr;
        if (first) {
            if (++repeats <= kNamedLines)
                repeatLines << QStringLiteral(
                                   "stop_times.txt:%1: trip %2 repeats stop_sequence %3 (line %4); "
                                   "the first is kept")
                                   .arg(QString::number(st.line), tripId, QString::number(st.sequence),
                                        QString::number(first->line));
            return;
        }
        ++stops;
        if (!last || st.sequence > last->sequence)
            last = st;
        if (kept.size() == Kept && st.sequence > std::prev(kept.end())->first)
            return; // cut
        kept.emplace(st.sequence, st);
        if (kept.size() > Kept)
            kept.erase(std::prev(kept.end()));
    }
};

// Reads stop_times.txt once: counts the rows of every trip (with `count`), checks the
// stop_sequence of the trips marked in `check` (by index; empty: none) and keeps the
// stop times of trip `collect` (-1: none).
bool loadStopTimes(Loader& l, Trips& trips, bool count, const std::vector<bool>& check, int collect,
                   TripTimes& times) {
    const Table t = l.load("stop_times.txt", true, {"trip_id", "stop_id", "stop_sequence"});
    if (!l.error.isEmpty())
        return false;
    CsvTable& rows = *t.rows;
    const int trip = rows.column("trip_id");
    const int stop = rows.column("stop_id");
    const int sequence = rows.column("stop_sequence");
    const int pickup = rows.column("pickup_type");
    const int dropOff = rows.column("drop_off_type");
    const QString collectId = collect >= 0 ? QString::fromUtf8(trips.list[collect].id) : QString();
    while (rows.next()) {
        const int index = trips.byId.value(key(rows.fieldView(trip)), -1);
        if (index < 0)
            continue;
        if (count)
            ++trips.list[index].stops;
        if (index != collect && (check.empty() || !check[size_t(index)]))
            continue;
        StopTime st;
        bool ok = false;
        st.sequence = rows.fieldView(sequence).trimmed().toLongLong(&ok);
        if (!ok || st.sequence < 0) {
            l.error = QStringLiteral("stop_times.txt:%1: stop_sequence \"%2\" is not a whole number")
                          .arg(rows.line())
                          .arg(text(rows.fieldView(sequence)));
            return false;
        }
        if (index != collect)
            continue;
        st.stopId = text(rows.fieldView(stop));
        st.pickup = rows.fieldView(pickup).trimmed().toInt();
        st.dropOff = rows.fieldView(dropOff).trimmed().toInt();
        st.line = rows.line();
        times.add(st, collectId);
    }
    return l.finish(t);
}

// The stops named in `wanted` (the first row of each id), then their parent stations.
bool loadStops(Loader& l, QSet<QString> wanted, QHash<QString, Stop>& stops, int& dropped) {
    QSet<QString> looked = wanted;
    for (int pass = 0; pass < 2 && (pass == 0 || !wanted.isEmpty()); ++pass) {
        const Table t = l.load("stops.txt", true, {"stop_id", "stop_name"});
        if (!l.error.isEmpty())
            return false;
        CsvTable& rows = *t.rows;
        const int id = rows.column("stop_id");
        const int name = rows.column("stop_name");
        const int parent = rows.column("parent_station");
        const int zone = rows.column("zone_id");
        while (rows.next()) {
            const QString stopId = text(rows.fieldView(id));
            if (!wanted.contains(stopId))
                continue;
            wanted.remove(stopId);
            stops.insert(stopId, Stop{feedText(rows.fieldView(name), dropped), text(rows.fieldView(parent)),
                                      text(rows.fieldView(zone))});
        }
        if (!l.finish(t))
            return false;
        // The parent stations not read yet (they may stand before their poles).
        wanted.clear();
        for (const Stop& s : std::as_const(stops)) {
            if (!s.parent.isEmpty() && !looked.contains(s.parent))
                wanted.insert(s.parent);
        }
    }
    return true;
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

// What the import may look up in the readings; only those are kept.
struct ReadingKeys {
    QSet<QString> texts;
    QSet<QString> stopIds;
    QString tripId;
};

void loadReadings(Loader& l, const ReadingKeys& keys, Readings& readings, int& dropped) {
    const QString absent = QStringLiteral("stop names are spoken as written");
    // Which form: the header tells; then the columns that form needs.
    Table t = l.load("translations.txt", false, {}, absent, true);
    if (!t.present())
        return;
    CsvTable& rows = *t.rows;
    const bool old = rows.column("table_name") < 0;
    static const char* const kOldColumns[] = {"trans_id", "lang", "translation"};
    static const char* const kNewColumns[] = {"table_name", "language", "translation"};
    for (const char* column : old ? kOldColumns : kNewColumns) {
        if (rows.column(column) < 0) {
            l.report << QStringLiteral("translations.txt: no column %1; ").arg(QLatin1String(column)) +
                            absent;
            return;
        }
    }
    const int lang = rows.column(old ? "lang" : "language");
    const int translation = rows.column("translation");
    const int transId = rows.column("trans_id");
    const int table = rows.column("table_name");
    const int field = rows.column("field_name");
    const int recordId = rows.column("record_id");
    const int fieldValue = rows.column("field_value");
    Readings found;
    int droppedHere = 0;
    int ignored = 0; // control characters of the keys: the names they match lost theirs too
    while (rows.next()) {
        if (rows.fieldView(lang).trimmed() != "ja-Hrkt")
            continue;
        if (old) {
            const QString name = feedText(rows.fieldView(transId), ignored);
            if (!keys.texts.contains(name))
                continue;
            const QString reading = feedText(rows.fieldView(translation), droppedHere);
            if (!reading.isEmpty())
                found.byText.insert(name, reading);
            continue;
        }
        const QByteArrayView tableName = rows.fieldView(table).trimmed();
        const QByteArrayView fieldName = rows.fieldView(field).trimmed();
        const QString value = feedText(rows.fieldView(fieldValue), ignored);
        const QString record = text(rows.fieldView(recordId));
        const bool byValue = !value.isEmpty() && keys.texts.contains(value);
        const bool byStop = !record.isEmpty() && tableName == "stops" && fieldName == "stop_name" &&
                            keys.stopIds.contains(record);
        const bool byTrip = !record.isEmpty() && tableName == "trips" && fieldName == "trip_headsign" &&
                            record == keys.tripId;
        if (!byValue && !byStop && !byTrip)
            continue;
        const QString reading = feedText(rows.fieldView(translation), droppedHere);
        if (reading.isEmpty())
            continue;
        if (byValue)
            found.byText.insert(value, reading);
        if (byStop)
            found.byStopId.insert(record, reading);
        if (byTrip)
            found.byTripId.insert(record, reading);
    }
    if (l.finish(t)) {
        readings = found;
        dropped += droppedHere;
    }
}

// ---------------------------------------------------------------- fares

struct FareMatch {
    qint64 price = 0;
    QString fareId;
    int specificity = -1; // named fields among route, origin, destination
};

// The fare rules that can apply to one trip: of its route or of any route, from and
// to the ids its stops are known by (1..keys) or any (0). The cheapest rule of each
// route, origin and destination is kept.
class FareRules {
public:
    bool available = false; // both fare tables were read

    void load(Loader& l, const QString& routeId, const QHash<QString, int>& keyIndex) {
        const QString absent = QStringLiteral("every fare is -1");
        // An empty table is absent without a report of its own: say what follows.
        const auto usable = [&](const Table& t, qsizetype reportsBefore) {
            if (!t.present() && l.error.isEmpty() && l.report.size() == reportsBefore)
                l.report << t.name + QStringLiteral(": empty; ") + absent;
            return t.present();
        };
        qsizetype before = l.report.size();
        const Table attributes = l.load("fare_attributes.txt", false, {"fare_id", "price"}, absent);
        if (!usable(attributes, before))
            return;
        before = l.report.size();
        const Table rules = l.load("fare_rules.txt", false, {"fare_id"}, absent);
        if (!usable(rules, before))
            return;

        QHash<QByteArray, int> fareOf; // index into m_fares
        {
            CsvTable& rows = *attributes.rows;
            const int id = rows.column("fare_id");
            const int price = rows.column("price");
            const int currency = rows.column("currency_type");
            int ignored = 0;
            while (rows.next()) {
                const QByteArray fareId = rows.fieldView(id).trimmed().toByteArray();
                if (fareOf.contains(fareId))
                    continue;
                const QByteArrayView c = rows.fieldView(currency).trimmed();
                if (currency >= 0 && !c.isEmpty() && c != "JPY") {
                    if (++ignored <= kNamedLines)
                        l.report << QStringLiteral(
                                        "fare_attributes.txt:%1: fare %2 is in %3, not yen; ignored")
                                        .arg(rows.line())
                                        .arg(QString::fromUtf8(fareId), QString::fromUtf8(c));
                    continue;
                }
                bool ok = false;
                const double value = rows.fieldView(price).trimmed().toDouble(&ok);
                if (!ok || !std::isfinite(value) || value < 0 || value != std::floor(value) || value > 1e12) {
                    if (++ignored <= kNamedLines)
                        l.report << QStringLiteral(
                                        "fare_attributes.txt:%1: fare %2 has the price \"%3\", not "
                                        "a whole number of yen; ignored")
                                        .arg(rows.line())
                                        .arg(QString::fromUtf8(fareId), text(rows.fieldView(price)));
                    continue;
                }
                fareOf.insert(fareId, static_cast<int>(m_fares.size()));
                m_fares.append(Fare{QString::fromUtf8(fareId), static_cast<qint64>(value)});
            }
            if (!l.finish(attributes))
                return;
            if (ignored > kNamedLines)
                l.report << QStringLiteral(
                                "fare_attributes.txt: %1 more fares are ignored (not in yen, or not "
                                "a whole number of yen)")
                                .arg(ignored - kNamedLines);
        }

        m_keys = static_cast<int>(keyIndex.size());
        m_cells.assign(size_t(2) * (m_keys + 1) * (m_keys + 1), Cell{});
        CsvTable& rows = *rules.rows;
        const int id = rows.column("fare_id");
        const int route = rows.column("route_id");
        const int origin = rows.column("origin_id");
        const int destination = rows.column("destination_id");
        const int contains = rows.column("contains_id");
        const QByteArray wantedRoute = routeId.toUtf8();
        QSet<QByteArray> unknown; // the fares named in a report line
        int unknownRules = 0;     // rules of fares not named
        int containsRules = 0;
        // 0 for an empty id, -1 for one no stop of the trip is known by.
        const auto indexOf = [&](QByteArrayView field) {
            const QString k = text(field);
            return k.isEmpty() ? 0 : keyIndex.value(k, -1);
        };
        while (rows.next()) {
            const QByteArrayView r = rows.fieldView(route).trimmed();
            if (!r.isEmpty() && r != wantedRoute)
                continue;
            if (!rows.fieldView(contains).trimmed().isEmpty()) {
                ++containsRules;
                continue;
            }
            const QByteArray fareId = key(rows.fieldView(id));
            const int fare = fareOf.value(fareId, -1);
            if (fare < 0) {
                if (unknown.contains(fareId))
                    continue;
                if (unknown.size() < kNamedLines) {
                    unknown.insert(QByteArray(fareId.constData(), fareId.size()));
                    l.report << QStringLiteral(
                                    "fare_rules.txt:%1: fare %2 is not in fare_attributes.txt; its "
                                    "rules are ignored")
                                    .arg(rows.line())
                                    .arg(QString::fromUtf8(fareId));
                } else {
                    ++unknownRules;
                }
                continue;
            }
            const int o = indexOf(rows.fieldView(origin));
            const int d = indexOf(rows.fieldView(destination));
            if (o < 0 || d < 0)
                continue; // no stop of the trip is known by that id
            Cell& cell = m_cells[cellOf(!r.isEmpty(), o, d)];
            if (cell.fare < 0 || m_fares[fare].price < cell.price)
                cell = Cell{m_fares[fare].price, fare};
        }
        if (!l.finish(rules))
            return;
        if (unknownRules > 0)
            l.report << QStringLiteral("fare_rules.txt: %1 more rules name fares that are not in "
                                       "fare_attributes.txt; they are ignored")
                            .arg(unknownRules);
        if (containsRules > 0)
            l.report << QStringLiteral(
                            "fare_rules.txt: %1 rules of route %2 use contains_id, which the import "
                            "does not support; they are ignored")
                            .arg(containsRules)
                            .arg(routeId);
        available = true;
    }

    // The fare from a stop known by `from` ids to a stop known by `to` ids (each its
    // zone, its own id and its parent station's id, as the feed may use any; as
    // indexes 1..keys): the rule naming the most of route, origin and destination;
    // the cheaper one of equally specific rules.
    std::optional<FareMatch> find(const QList<int>& from, const QList<int>& to) const {
        std::optional<FareMatch> best;
        for (const bool routeSpecific : {true, false}) {
            for (const int o : from + QList<int>{0}) {
                for (const int d : to + QList<int>{0}) {
                    const Cell& cell = m_cells[cellOf(routeSpecific, o, d)];
                    if (cell.fare < 0)
                        continue;
                    const int specificity = (routeSpecific ? 1 : 0) + (o > 0 ? 1 : 0) + (d > 0 ? 1 : 0);
                    if (!best || specificity > best->specificity ||
                        (specificity == best->specificity && cell.price < best->price))
                        best = FareMatch{cell.price, m_fares[cell.fare].id, specificity};
                }
            }
        }
        return best;
    }

private:
    struct Fare {
        QString id;
        qint64 price = 0;
    };
    struct Cell {
        qint64 price = 0;
        int fare = -1; // none
    };

    size_t cellOf(bool routeSpecific, int origin, int destination) const {
        const size_t side = size_t(m_keys) + 1;
        return ((routeSpecific ? side : 0) + size_t(origin)) * side + size_t(destination);
    }

    QVector<Fare> m_fares;
    int m_keys = 0;
    std::vector<Cell> m_cells; // by route-specific, origin, destination
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

// ---------------------------------------------------------------- one trip as a route

// Reads trips.txt and stop_times.txt and chooses the trip the request names: that
// trip, or the route's trip with the most stops (the first in trips.txt of equally long
// ones), only in the direction asked for when one is. Keeps the chosen trip's stop times
// in `times`, its trip_id in `tripKey`, and names the trip and its route in `result`.
// With several candidates stop_times.txt is read twice, so that only one trip's stop
// times are ever held; the trips are let go on return. A refusal sets `l.error`.
bool chooseTrip(Loader& l, const QVector<Route>& routes, const ImportRequest& request, ImportResult& result,
                QByteArray& tripKey, TripTimes& times) {
    const auto refuse = [&](const QString& error) {
        l.error = error;
        return false;
    };
    Trips trips;
    if (!loadTrips(l, trips))
        return false;

    // The trips that may be chosen, in trips.txt order.
    QList<int> candidates;
    if (!request.tripId.isEmpty()) {
        const int i = trips.byId.value(request.tripId.toUtf8(), -1);
        if (i < 0)
            return refuse(QStringLiteral("trip %1 is not in trips.txt").arg(request.tripId));
        candidates << i;
    } else if (!request.routeId.isEmpty()) {
        bool routeKnown = std::any_of(routes.cbegin(), routes.cend(),
                                      [&](const Route& r) { return r.id == request.routeId; });
        const int route = static_cast<int>(trips.routeIds.indexOf(request.routeId));
        for (int i = 0; route >= 0 && i < trips.list.size(); ++i) {
            if (trips.list[i].route != route)
                continue;
            routeKnown = true;
            if (request.direction < 0 || trips.list[i].direction == request.direction)
                candidates << i;
        }
        if (!routeKnown)
            return refuse(QStringLiteral("route %1 is not in routes.txt").arg(request.routeId));
        if (candidates.isEmpty())
            return refuse(request.direction < 0
                              ? QStringLiteral("route %1 has no trips").arg(request.routeId)
                              : QStringLiteral("route %1 has no trips in direction %2")
                                    .arg(request.routeId, QString::number(request.direction)));
    } else {
        return refuse(
            QStringLiteral("no trip chosen: give --trip TRIP_ID or --route ROUTE_ID (--list shows them)"));
    }

    int chosen = candidates.first();
    if (candidates.size() == 1) {
        if (!loadStopTimes(l, trips, true, {}, chosen, times))
            return false;
    } else {
        std::vector<bool> check(size_t(trips.list.size()), false);
        for (const int i : std::as_const(candidates))
            check[size_t(i)] = true;
        if (!loadStopTimes(l, trips, true, check, -1, times))
            return false;
        for (const int i : std::as_const(candidates)) {
            if (trips.list[i].stops > trips.list[chosen].stops)
                chosen = i;
        }
        if (!loadStopTimes(l, trips, false, {}, chosen, times))
            return false;
    }
    tripKey = trips.list[chosen].id;
    result.tripId = QString::fromUtf8(tripKey);
    result.routeId = trips.routeOf(chosen);
    return true;
}

// Names the chosen trip's route in `result`: its name (the id for a route missing from
// routes.txt, which is reported) and its number, the one asked for or one derived from
// the route. Reports the stop_sequence values the trip repeats.
void describeRoute(Loader& l, const QVector<Route>& routes, const ImportRequest& request,
                   const TripTimes& times, ImportResult& result, int& droppedFromRouteNames) {
    result.feedStops = times.stops;
    const auto route =
        std::find_if(routes.cbegin(), routes.cend(), [&](const Route& r) { return r.id == result.routeId; });
    if (route == routes.cend()) {
        l.report
            << QStringLiteral("route %1 of trip %2 is not in routes.txt").arg(result.routeId, result.tripId);
        result.routeName = result.routeId;
    } else {
        result.routeName = route->name(droppedFromRouteNames);
    }
    result.numberDerived = request.number <= 0;
    result.routeNumber =
        result.numberDerived
            ? deriveRouteNumber(result.routeId, route == routes.cend() ? QString() : text(route->shortName))
            : request.number;
    l.report << times.repeatLines;
    if (times.repeats > kNamedLines)
        l.report << QStringLiteral("trip %1 repeats a stop_sequence in %2 more stop times; the first of each "
                                   "is kept")
                        .arg(result.tripId, QString::number(times.repeats - kNamedLines));
}

// What the trip's stops and its headsign are called.
struct TripNames {
    QHash<QString, Stop> stops; // the trip's stops and their parent stations
    QString headsign;
    Readings readings;

    // The name of a stop: its own, else its parent station's; empty for a stop not in
    // stops.txt (whoever shows it falls back on the id).
    QString nameOf(const QString& stopId) const {
        const auto it = stops.constFind(stopId);
        if (it == stops.cend())
            return QString();
        return !it->name.isEmpty() ? it->name : stops.value(it->parent).name;
    }
};

// Reads stops.txt, the trip's headsign from trips.txt, and translations.txt, keeping
// only the stops of the trip's stop times (and their parent stations) and the readings
// that the trip's names, stops and headsign may be looked up by. A refusal sets
// `l.error`.
bool loadTripNames(Loader& l, const TripTimes& times, const QByteArray& tripKey, const QString& tripId,
                   TripNames& names, Dropped& dropped) {
    QSet<QString> wanted;
    for (const auto& [sequence, st] : times.kept)
        wanted.insert(st.stopId);
    if (times.last)
        wanted.insert(times.last->stopId);
    if (!loadStops(l, wanted, names.stops, dropped.stopNames))
        return false;
    QByteArray headsignField;
    if (!loadHeadsign(l, tripKey, headsignField))
        return false;
    names.headsign = feedText(headsignField, dropped.headsigns);
    ReadingKeys keys;
    keys.tripId = tripId;
    if (!names.headsign.isEmpty())
        keys.texts.insert(names.headsign);
    for (const auto& [sequence, st] : times.kept) {
        keys.stopIds.insert(st.stopId);
        keys.stopIds.insert(names.stops.value(st.stopId).parent);
        keys.texts.insert(names.nameOf(st.stopId));
    }
    keys.stopIds.remove(QString());
    keys.texts.remove(QString());
    loadReadings(l, keys, names.readings, dropped.readings);
    return l.error.isEmpty();
}

// One stop of the trip as a row of the route file.
struct TripStop {
    QString id;
    QString parent;
    QString name;   // as written, Shift_JIS-safe
    QString spoken; // the reading where there is one
    QStringList fareKeys;
    QList<int> fareKeyIndexes; // of fareKeys, in the fare rules' numbering
    bool boarding = true;
    bool alighting = true;
};

// The stops of the trip, in stop_sequence order, as far as the route file holds: each
// stop's written and spoken name and the ids its fares may be named by (its zone, its
// own id, its parent station and the station's zone). Reports a stop missing from
// stops.txt (left out), one without a name (its id is used), a name Shift_JIS cannot
// hold, and the stops cut past the route file's rows. A trip of fewer than two stops
// sets `l.error`.
bool loadTripStops(Loader& l, const TripTimes& times, const TripNames& names, const QString& tripId,
                   QVector<TripStop>& tripStops) {
    int position = 0;
    for (const auto& [sequence, st] : times.kept) {
        if (++position > DataIo::FareTableRowCount)
            break; // the first stop cut
        const auto it = names.stops.constFind(st.stopId);
        if (it == names.stops.cend()) {
            l.report << QStringLiteral("stop_times.txt:%1: stop %2 is not in stops.txt; the stop is left out")
                            .arg(st.line)
                            .arg(st.stopId);
            continue;
        }
        TripStop s;
        s.id = st.stopId;
        s.parent = it->parent;
        const Stop parent = names.stops.value(it->parent);
        QString name = names.nameOf(st.stopId);
        const int number = static_cast<int>(tripStops.size()) + 1;
        if (name.isEmpty()) {
            name = st.stopId;
            l.report << QStringLiteral("stop %1 (%2): no name in stops.txt; its id is used")
                            .arg(number)
                            .arg(st.stopId);
        }
        bool changed = false;
        s.name = toShiftJis(name, &changed);
        if (changed)
            l.report << QStringLiteral(
                            "stop %1 (%2): \"%3\" cannot be written in Shift_JIS; written as \"%4\"")
                            .arg(number)
                            .arg(st.stopId, name, s.name);
        const QString reading = names.readings.forStop(st.stopId, it->parent, name);
        s.spoken = toShiftJis(tapeText(reading.isEmpty() ? s.name : reading));
        for (const QString& k : {it->zone, st.stopId, it->parent, parent.zone}) {
            if (!k.isEmpty() && !s.fareKeys.contains(k))
                s.fareKeys << k;
        }
        s.boarding = st.pickup != 1;
        s.alighting = st.dropOff != 1;
        tripStops.append(s);
    }
    if (tripStops.size() < 2) {
        l.error = QStringLiteral("trip %1 has %2 stops; a route needs at least 2")
                      .arg(tripId, QString::number(tripStops.size()));
        return false;
    }
    if (times.stops > DataIo::FareTableRowCount) {
        // Stop times past the route file's rows were not kept: the first of them and the
        // last name the cut.
        const auto shown = [&](const StopTime& st) {
            const QString name = names.nameOf(st.stopId);
            return toShiftJis(name.isEmpty() ? st.stopId : name);
        };
        l.report << QStringLiteral(
                        "trip %1 has %2 stops; a route file holds %3: stops %4..%2 (%5 … %6) are cut")
                        .arg(tripId, QString::number(times.stops), QString::number(DataIo::FareTableRowCount),
                             QString::number(DataIo::FareTableRowCount + 1),
                             shown(std::prev(times.kept.end())->second), shown(*times.last));
    }
    return true;
}

// Ticket numbers: the k-th stop where boarding is allowed issues k; a stop without
// boarding keeps the number issued last (0 before the first).
struct Tickets {
    QVector<int> issuedAt{-1}; // issuedAt[k]: the index of the stop that issues k
    QVector<int> ticketOf;     // by stop

    int count() const { return static_cast<int>(issuedAt.size()) - 1; }
    // The ticket numbers that have a fare display on the board.
    int shown() const { return std::min(count(), DataIo::FareColumnCount); }
};

// The ticket numbers the trip's stops issue. Reports the numbers past the board's
// fare displays.
Tickets issueTickets(Loader& l, const QVector<TripStop>& tripStops) {
    Tickets tickets;
    tickets.ticketOf.resize(tripStops.size());
    for (int i = 0; i < tripStops.size(); ++i) {
        if (tripStops[i].boarding)
            tickets.issuedAt.append(i);
        tickets.ticketOf[i] = tickets.count();
    }
    if (tickets.count() > DataIo::FareColumnCount) {
        const int first = tickets.issuedAt[DataIo::FareColumnCount + 1];
        l.report << QStringLiteral(
                        "ticket numbers %1..%2 (issued from stop %3, %4, on) have no fare display on "
                        "the board (it shows 1..%5); their fares are left out")
                        .arg(QString::number(DataIo::FareColumnCount + 1), QString::number(tickets.count()),
                             QString::number(first + 1), tripStops[first].name,
                             QString::number(DataIo::FareColumnCount));
    }
    return tickets;
}

// Numbers the ids the trip's stops are known by (each stop's fareKeyIndexes) and reads
// fare_attributes.txt and fare_rules.txt for the rules of the route that can apply to
// them. A table beyond its caps sets `l.error`.
void loadTripFares(Loader& l, const QString& routeId, QVector<TripStop>& tripStops, FareRules& fares) {
    QHash<QString, int> keyIndex;
    for (TripStop& s : tripStops) {
        for (const QString& k : std::as_const(s.fareKeys)) {
            int& index = keyIndex[k];
            if (index == 0)
                index = static_cast<int>(keyIndex.size());
            s.fareKeyIndexes << index;
        }
    }
    fares.load(l, routeId, keyIndex);
}

// One report line for each fare above what the displays show: what becomes of it.
void reportLargeFares(Loader& l, const QVector<FareIssue>& issues) {
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
                        .arg(f.fareId, QString::number(f.price), QString::number(f.uses), f.example, what);
    }
}

// The rows of the route file in `result`: at each stop its name, its ticket number and
// in c1..c50 the fare from the stop that issued each ticket number. A ticket not issued
// yet, or issued at this stop, gets 0 (blank); one without a matching rule -1, counted
// in `result` where alighting is allowed (the first ten named in report lines); a fare
// the route file cannot hold -1. Fares above what the displays show are reported.
void fareRows(Loader& l, const QVector<TripStop>& tripStops, const Tickets& tickets, const FareRules& fares,
              ImportResult& result) {
    QVector<FareIssue> issues;
    QHash<QString, int> issueOf;
    QStringList missing;
    for (int i = 0; i < tripStops.size(); ++i) {
        const TripStop& s = tripStops[i];
        DataIo::RouteRow row;
        row.setStopName(s.name);
        row.TicketNumber = static_cast<qint16>(tickets.ticketOf[i]);
        for (int t = 1; t <= tickets.shown(); ++t) {
            const int from = tickets.issuedAt[t];
            if (from >= i)
                continue; // not issued yet, or issued here: 0, blank
            const TripStop& o = tripStops[from];
            const std::optional<FareMatch> m =
                fares.available ? fares.find(o.fareKeyIndexes, s.fareKeyIndexes) : std::nullopt;
            if (!m) {
                row.DataColumns[t] = DataIo::NoFare;
                if (s.alighting) {
                    ++result.missingFares;
                    if (fares.available && missing.size() < 10)
                        missing << QStringLiteral(
                                       "no fare rule for %1 (%2) → %3 (%4), ticket %5 at stop %6; set to -1")
                                       .arg(o.name, o.id, s.name, s.id, QString::number(t),
                                            QString::number(i + 1));
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
    reportLargeFares(l, issues);
}

// The announcement list: the destination, then the next stop for every stop after the
// first (the bus stands at the first stop when the route is set). The destination is
// the reading given for the trip's headsign, else the reading of the headsign's text or
// that text itself, else the last stop's spoken name.
QVector<TapeEntry> announcements(const QVector<TripStop>& tripStops, const TripNames& names,
                                 const QString& tripId) {
    QVector<TapeEntry> tape;
    QString dest = names.readings.byTripId.value(tripId);
    if (dest.isEmpty() && !names.headsign.isEmpty())
        dest = names.readings.byText.value(names.headsign, names.headsign);
    if (dest.isEmpty())
        dest = tripStops.last().spoken;
    tape.append(TapeEntry{toShiftJis(tapeText(destinationText(dest))), 0, 1});
    for (int i = 1; i < tripStops.size(); ++i)
        tape.append(TapeEntry{QStringLiteral("次は、%1です。").arg(tripStops[i].spoken), 1, 2});
    return tape;
}

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
    Dropped dropped;
    QHash<QString, int> byRoute;
    {
        QVector<Route> routes;
        if (!loadRoutes(l, routes)) {
            result.error = l.error;
            return result;
        }
        for (const Route& r : std::as_const(routes)) {
            if (byRoute.contains(r.id))
                continue;
            byRoute.insert(r.id, static_cast<int>(result.routes.size()));
            result.routes.append(RouteListing{r.id, r.name(dropped.routeNames), 0, 0, 0,
                                              deriveRouteNumber(r.id, text(r.shortName))});
        }
    }
    Trips trips;
    TripTimes none;
    if (!loadTrips(l, trips) || !loadStopTimes(l, trips, true, {}, -1, none)) {
        result.error = l.error;
        result.routes.clear();
        return result;
    }
    for (const Trip& t : std::as_const(trips.list)) {
        const int i = byRoute.value(trips.routeIds.at(t.route), -1);
        if (i < 0)
            continue;
        RouteListing& r = result.routes[i];
        r.minStops = r.trips == 0 ? t.stops : std::min(r.minStops, t.stops);
        r.maxStops = std::max(r.maxStops, t.stops);
        ++r.trips;
    }
    dropped.report(l.report);
    result.report = l.report;
    return result;
}

ImportResult importTrip(const GtfsFeed& feed, const ImportRequest& request) {
    ImportResult result;
    Loader l{feed, {}, {}};
    // A refusal: the error and what was reported before it.
    const auto fail = [&] {
        result.error = l.error;
        result.report = l.report;
        return result;
    };

    // The tables: the trip and its stop times, its route, the names of its stops.
    TripTimes times;
    QByteArray tripKey;
    Dropped dropped;
    {
        QVector<Route> routes;
        if (!loadRoutes(l, routes) || !chooseTrip(l, routes, request, result, tripKey, times))
            return fail();
        describeRoute(l, routes, request, times, result, dropped.routeNames);
    }
    TripNames names;
    if (!loadTripNames(l, times, tripKey, result.tripId, names, dropped))
        return fail();
    QVector<TripStop> tripStops;
    if (!loadTripStops(l, times, names, result.tripId, tripStops))
        return fail();
    dropped.report(l.report);

    // The ticket numbers and the fare rules, then the rows and the announcements.
    const Tickets tickets = issueTickets(l, tripStops);
    result.ticketCount = tickets.count();
    FareRules fares;
    loadTripFares(l, result.routeId, tripStops, fares);
    if (!l.error.isEmpty())
        return fail();
    fareRows(l, tripStops, tickets, fares, result);
    result.tape = announcements(tripStops, names, result.tripId);

    result.report = l.report;
    return result;
}

} // namespace gtfs
