#include "gtfs/GtfsImport.h"

#include "gtfs/CsvReader.h"
#include "gtfs/GtfsFeed.h"
#include "platform/Cp932.h"

#include <QHash>
#include <QRegularExpression>
#include <QSet>
#include <algorithm>
#include <cmath>
#include <functional>
#include <initializer_list>
#include <limits>
#include <map>
#include <memory>
#include <optional>
#include <tuple>
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

// A row of stops.txt as read: the name is cleaned when a route uses it, so that the
// control characters dropped are counted for that route.
struct StopRow {
    QByteArray name;
    QString parent;
    QString zone;
};

struct Route {
    QString id;
    QByteArray shortName; // as in the feed: cleaned when shown
    QByteArray longName;
    QString agency;
    QString parentRoute; // jp_parent_route_id
    QString network;     // network_id (Fares v2)
    QString name(int& dropped) const {
        const QString n =
            (feedText(shortName, dropped) + QLatin1Char(' ') + feedText(longName, dropped)).trimmed();
        return n.isEmpty() ? id : n;
    }
};

// The trips of trips.txt (the first row of a repeated trip_id). The texts are kept
// only for the trips that may be imported.
struct Trip {
    QByteArray id; // shared with the index's key
    int route = 0; // in Trips::routeIds
    int direction = -1;
    int stops = 0; // stop_times rows
    bool kept = false;
    QByteArray headsign;
    QByteArray desc; // jp_trip_desc
    QString office;  // jp_office_id
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

// A row of stop_times.txt of a trip that may be imported, its stop as an index into
// the stop ids.
struct StopTimeRow {
    qint64 sequence = 0;
    qint32 line = 0; // a table holds at most 256 MB
    qint32 trip = 0;
    qint32 stop = 0;
    qint8 pickup = 0;
    qint8 dropOff = 0;
};

// Texts in one language from translations.txt in either form: the older GTFS-JP one
// (trans_id,lang,translation; trans_id is the Japanese text itself) or the GTFS one
// (table_name,field_name,language,translation,record_id,record_sub_id,field_value), by
// the text, by a stop's record_id, by a trip's record_id for its headsign and its
// jp_trip_desc. Kept as in the feed, cleaned where used.
struct Translations {
    QHash<QString, QByteArray> byText;
    QHash<QString, QByteArray> byStopId;
    QHash<QString, QByteArray> byHeadsign;
    QHash<QString, QByteArray> byDesc;

    static QString clean(const QByteArray* raw, int& dropped) {
        return raw ? feedText(*raw, dropped) : QString();
    }
    static const QByteArray* find(const QHash<QString, QByteArray>& in, const QString& k) {
        if (k.isEmpty())
            return nullptr;
        const auto it = in.constFind(k);
        return it == in.cend() ? nullptr : &*it;
    }
    QString forStop(const QString& stopId, const QString& parentId, const QString& name, int& dropped) const {
        for (const QByteArray* r : {find(byStopId, stopId), find(byStopId, parentId), find(byText, name)}) {
            if (r)
                return clean(r, dropped);
        }
        return QString();
    }
    QString forText(const QString& text, int& dropped) const { return clean(find(byText, text), dropped); }
};

// What translations.txt may be looked up by; only those are kept.
struct TranslationKeys {
    QSet<QString> texts;
    QSet<QString> stopIds;
    QSet<QString> tripIds;
};

// The fare rules that may apply to the trips read, as rules between the ids stops are
// known by (GTFS-JP fare_rules: zones, stop and station ids; Fares v2: areas), each
// id numbered once for the feed.
struct FareModel {
    enum class System { None, Attributes, LegRules };
    System system = System::None;
    struct Fare {
        QString id;
        qint64 price = 0;
    };
    struct Rule {
        int origin = 0; // 0 any, else a key's number (1..)
        int destination = 0;
        int fare = 0;
        int priority = 0; // rule_priority of Fares v2
    };
    QVector<Fare> fares;
    QHash<QByteArray, int> keyIndex;        // an id stops are known by (UTF-8) -> 1..
    QHash<QString, QStringList> areasOf;    // Fares v2: stop id -> areas
    std::vector<std::vector<Rule>> byGroup; // group 0: any route; others: a route or a network
    QHash<QString, QList<int>> groupsOf;    // route id -> its groups
    QHash<QString, int> containsRules;      // route id -> rules with contains_id (ignored)

    int keyOf(const QString& id) {
        int& k = keyIndex[id.toUtf8()];
        if (k == 0)
            k = static_cast<int>(keyIndex.size());
        return k;
    }
};

// The jp_ tables that are read where present.
struct JpTables {
    QHash<QString, QByteArray> viaStop;    // routes_jp.txt: route_id -> via_stop
    QHash<QString, QByteArray> agencyName; // agency_jp.txt: agency_id -> agency_official_name
    QHash<QString, QByteArray> officeName; // office_jp.txt: office_id -> office_name
};

} // namespace

struct FeedRoutes::Model {
    explicit Model(const GtfsFeed& f) : feed(f), l{f, {}, {}} {}
    const GtfsFeed& feed;
    Loader l; // the feed's report and error
    QVector<Route> routes;
    QHash<QString, int> routeById;
    Trips trips;
    QStringList stopIds;              // the stops of the stop times kept
    QHash<QByteArray, int> stopIndex; // by the id's UTF-8 bytes
    QStringList usedStops; // those a route file can hold: of the lowest stop_sequence values, and the last
    std::vector<StopTimeRow> stopTimes; // ordered by trip, then as in the file
    std::vector<int> firstTime;         // by trip: its first row in stopTimes (size trips + 1)
    QHash<QString, StopRow> stops;
    Translations readings; // ja-Hrkt
    Translations english;  // en
    FareModel fares;
    JpTables jp;

    bool loadRoutes();
    bool loadTrips(const std::function<bool(const QString& routeId, const QByteArray& tripId)>& keep);
    bool loadStopTimes();
    bool loadStops();
    void loadTranslations();
    void loadFares();
    void loadFareAttributes();
    void loadLegRules();
    void loadJp();
    bool loadAll(const std::function<bool(const QString&, const QByteArray&)>& keep,
                 const std::function<bool()>& afterTrips);
    // `id` trimmed, looked up without a copy.
    int internStop(const QByteArray& id) {
        const auto it = stopIndex.constFind(id);
        if (it != stopIndex.cend())
            return *it;
        const int i = static_cast<int>(stopIds.size());
        stopIndex.insert(QByteArray(id.constData(), id.size()), i);
        stopIds << QString::fromUtf8(id);
        return i;
    }
};

namespace {

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

// A whole number of yen from a price or amount field, or nothing.
std::optional<qint64> wholeYen(QByteArrayView field) {
    bool ok = false;
    const double value = field.trimmed().toDouble(&ok);
    if (!ok || !std::isfinite(value) || value < 0 || value != std::floor(value) || value > 1e12)
        return std::nullopt;
    return static_cast<qint64>(value);
}

// The via part of a headsign where it has one: "地球岬団地（母恋経由）", "母恋経由 地球岬団地"
// or "母恋経由地球岬団地" give 地球岬団地 and 母恋経由. English: "Chikyu-misaki (via Bokoi)".
std::pair<QString, QString> splitVia(const QString& headsign, bool english) {
    static const QRegularExpression bracketJa(
        QStringLiteral("^(.*?)\\s*[(（]([^()（）]*経由)[)）]\\s*(.*)$"));
    static const QRegularExpression bracketEn(QStringLiteral("^(.*?)\\s*\\((via [^()]*)\\)\\s*(.*)$"),
                                              QRegularExpression::CaseInsensitiveOption);
    static const QRegularExpression wordEn(QStringLiteral("^(.*?)\\s+(via\\s.*)$"),
                                           QRegularExpression::CaseInsensitiveOption);
    const QRegularExpressionMatch m = (english ? bracketEn : bracketJa).match(headsign);
    if (m.hasMatch()) {
        const QString dest = (m.captured(1) + QLatin1Char(' ') + m.captured(3)).trimmed();
        if (!dest.isEmpty())
            return {dest, m.captured(2).trimmed()};
    }
    if (english) {
        const QRegularExpressionMatch w = wordEn.match(headsign);
        if (w.hasMatch() && !w.captured(1).trimmed().isEmpty())
            return {w.captured(1).trimmed(), w.captured(2).trimmed()};
        return {headsign, QString()};
    }
    const QString via = QStringLiteral("経由");
    const qsizetype at = headsign.indexOf(via);
    if (at > 0) {
        QString before = headsign.left(at + via.size());
        QString after = headsign.mid(at + via.size());
        // "母恋経由 地球岬団地": the via part is the last word before 経由.
        const qsizetype space =
            std::max(before.lastIndexOf(QLatin1Char(' ')), before.lastIndexOf(QChar(0x3000)));
        QString lead;
        if (space >= 0) {
            lead = before.left(space);
            before = before.mid(space + 1);
        }
        const QString dest = (lead + QLatin1Char(' ') + after).trimmed().remove(QChar(0x3000)).trimmed();
        if (!dest.isEmpty())
            return {dest, before.trimmed()};
    }
    return {headsign, QString()};
}

} // namespace

// ---------------------------------------------------------------- reading the feed once

bool FeedRoutes::Model::loadRoutes() {
    const Table t = l.load("routes.txt", true, {"route_id"});
    if (!l.error.isEmpty())
        return false;
    CsvTable& rows = *t.rows;
    const int id = rows.column("route_id");
    const int shortName = rows.column("route_short_name");
    const int longName = rows.column("route_long_name");
    const int agency = rows.column("agency_id");
    const int parent = rows.column("jp_parent_route_id");
    const int network = rows.column("network_id");
    while (rows.next()) {
        Route r{text(rows.fieldView(id)),
                rows.fieldView(shortName).toByteArray(),
                rows.fieldView(longName).toByteArray(),
                text(rows.fieldView(agency)),
                text(rows.fieldView(parent)),
                text(rows.fieldView(network))};
        if (!routeById.contains(r.id))
            routeById.insert(r.id, static_cast<int>(routes.size()));
        routes.append(r);
    }
    return l.finish(t);
}

bool FeedRoutes::Model::loadTrips(
    const std::function<bool(const QString& routeId, const QByteArray& tripId)>& keep) {
    const Table t = l.load("trips.txt", true, {"trip_id", "route_id"});
    if (!l.error.isEmpty())
        return false;
    CsvTable& rows = *t.rows;
    const int id = rows.column("trip_id");
    const int route = rows.column("route_id");
    const int direction = rows.column("direction_id");
    const int headsign = rows.column("trip_headsign");
    const int desc = rows.column("jp_trip_desc");
    const int office = rows.column("jp_office_id");
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
        trip.kept = keep(trips.routeIds.at(trip.route), trip.id);
        if (trip.kept) {
            trip.headsign = rows.fieldView(headsign).toByteArray();
            trip.desc = rows.fieldView(desc).toByteArray();
            trip.office = text(rows.fieldView(office));
        }
        trips.byId.insert(trip.id, static_cast<int>(trips.list.size()));
        trips.list.append(trip);
    }
    return l.finish(t);
}

// Reads stop_times.txt once: counts the rows of every trip and keeps the rows of the
// trips kept, indexed by trip.
bool FeedRoutes::Model::loadStopTimes() {
    const Table t = l.load("stop_times.txt", true, {"trip_id", "stop_id", "stop_sequence"});
    if (!l.error.isEmpty())
        return false;
    CsvTable& rows = *t.rows;
    const int trip = rows.column("trip_id");
    const int stop = rows.column("stop_id");
    const int sequence = rows.column("stop_sequence");
    const int pickup = rows.column("pickup_type");
    const int dropOff = rows.column("drop_off_type");
    while (rows.next()) {
        const int index = trips.byId.value(key(rows.fieldView(trip)), -1);
        if (index < 0)
            continue;
        Trip& tr = trips.list[index];
        ++tr.stops;
        if (!tr.kept)
            continue;
        StopTimeRow st;
        bool ok = false;
        st.sequence = rows.fieldView(sequence).trimmed().toLongLong(&ok);
        if (!ok || st.sequence < 0) {
            l.error = QStringLiteral("stop_times.txt:%1: stop_sequence \"%2\" is not a whole number")
                          .arg(rows.line())
                          .arg(text(rows.fieldView(sequence)));
            return false;
        }
        st.trip = index;
        st.stop = internStop(key(rows.fieldView(stop)));
        st.pickup = static_cast<qint8>(std::clamp(rows.fieldView(pickup).trimmed().toInt(), -1, 9));
        st.dropOff = static_cast<qint8>(std::clamp(rows.fieldView(dropOff).trimmed().toInt(), -1, 9));
        st.line = static_cast<qint32>(std::min<qint64>(rows.line(), std::numeric_limits<qint32>::max()));
        stopTimes.push_back(st);
    }
    if (!l.finish(t))
        return false;
    // Indexed by trip, each trip's rows in the file's order, sorted where they lie.
    std::sort(stopTimes.begin(), stopTimes.end(), [](const StopTimeRow& a, const StopTimeRow& b) {
        return a.trip != b.trip ? a.trip < b.trip : a.line < b.line;
    });
    stopTimes.shrink_to_fit();
    firstTime.assign(size_t(trips.list.size()) + 1, 0);
    for (const StopTimeRow& st : stopTimes)
        ++firstTime[size_t(st.trip) + 1];
    for (size_t i = 1; i < firstTime.size(); ++i)
        firstTime[i] += firstTime[i - 1];
    // The stops a route can show: only their names, readings and fares are looked for.
    std::vector<bool> used(size_t(stopIds.size()), false);
    std::vector<qint64> sequences;
    for (size_t t = 0; t + 1 < firstTime.size(); ++t) {
        const int first = firstTime[t], end = firstTime[t + 1];
        qint64 highest = std::numeric_limits<qint64>::max();
        qint64 last = highest;
        if (end - first > DataIo::FareTableRowCount + 1) {
            sequences.clear();
            for (int i = first; i < end; ++i)
                sequences.push_back(stopTimes[size_t(i)].sequence);
            std::sort(sequences.begin(), sequences.end());
            sequences.erase(std::unique(sequences.begin(), sequences.end()), sequences.end());
            highest = sequences[std::min(sequences.size(), size_t(DataIo::FareTableRowCount + 1)) - 1];
            last = sequences.back();
        }
        for (int i = first; i < end; ++i) {
            const StopTimeRow& r = stopTimes[size_t(i)];
            if (r.sequence <= highest || r.sequence == last)
                used[size_t(r.stop)] = true;
        }
    }
    for (size_t i = 0; i < used.size(); ++i) {
        if (used[i])
            usedStops << stopIds[qsizetype(i)];
    }
    stopIndex = {}; // the rows hold the stops' numbers from here on
    return true;
}

// Reads stops.txt once, keeping every stop (the first row of each id): a pole's parent
// station may stand anywhere in the table.
bool FeedRoutes::Model::loadStops() {
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
        if (stops.contains(stopId))
            continue;
        stops.insert(stopId, StopRow{rows.fieldView(name).toByteArray(), text(rows.fieldView(parent)),
                                     text(rows.fieldView(zone))});
    }
    return l.finish(t);
}

void FeedRoutes::Model::loadTranslations() {
    // What the trips kept may look up: their stops and stations, by id and by name,
    // their headsigns and via texts, their trip ids.
    TranslationKeys keys;
    int ignored = 0;
    for (const QString& id : std::as_const(usedStops)) {
        keys.stopIds.insert(id);
        const StopRow s = stops.value(id);
        keys.texts.insert(feedText(s.name, ignored));
        if (!s.parent.isEmpty()) {
            keys.stopIds.insert(s.parent);
            keys.texts.insert(feedText(stops.value(s.parent).name, ignored));
        }
    }
    for (const Trip& trip : std::as_const(trips.list)) {
        if (!trip.kept)
            continue;
        keys.tripIds.insert(QString::fromUtf8(trip.id));
        for (const QByteArray* raw : {&trip.headsign, &trip.desc}) {
            const QString s = feedText(*raw, ignored);
            keys.texts.insert(s);
            const auto [dest, via] = splitVia(s, false);
            keys.texts.insert(dest);
            keys.texts.insert(via);
        }
    }
    for (const QByteArray& via : std::as_const(jp.viaStop))
        keys.texts.insert(feedText(via, ignored));
    keys.texts.remove(QString());

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
    Translations found[2]; // ja-Hrkt, en
    while (rows.next()) {
        const QByteArrayView language = rows.fieldView(lang).trimmed();
        const int which = language == "ja-Hrkt" ? 0 : language == "en" ? 1 : -1;
        if (which < 0)
            continue;
        Translations& into = found[which];
        const QByteArray value = rows.fieldView(translation).toByteArray();
        if (value.trimmed().isEmpty())
            continue;
        if (old) {
            const QString name = feedText(rows.fieldView(transId), ignored);
            if (keys.texts.contains(name))
                into.byText.insert(name, value);
            continue;
        }
        const QByteArrayView tableName = rows.fieldView(table).trimmed();
        const QByteArrayView fieldName = rows.fieldView(field).trimmed();
        const QString fv = feedText(rows.fieldView(fieldValue), ignored);
        const QString record = text(rows.fieldView(recordId));
        if (!fv.isEmpty() && keys.texts.contains(fv))
            into.byText.insert(fv, value);
        if (!record.isEmpty() && tableName == "stops" && fieldName == "stop_name" &&
            keys.stopIds.contains(record))
            into.byStopId.insert(record, value);
        if (!record.isEmpty() && tableName == "trips" && keys.tripIds.contains(record)) {
            if (fieldName == "trip_headsign")
                into.byHeadsign.insert(record, value);
            else if (fieldName == "jp_trip_desc")
                into.byDesc.insert(record, value);
        }
    }
    if (l.finish(t)) {
        readings = std::move(found[0]);
        english = std::move(found[1]);
    }
}

// GTFS-JP fares: fare_attributes.txt and fare_rules.txt. Keeps the rules of the routes
// read (or of any route) between ids the kept stops are known by (or any).
void FeedRoutes::Model::loadFareAttributes() {
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

    QHash<QByteArray, int> fareOf; // index into fares.fares
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
                    l.report << QStringLiteral("fare_attributes.txt:%1: fare %2 is in %3, not yen; ignored")
                                    .arg(rows.line())
                                    .arg(QString::fromUtf8(fareId), QString::fromUtf8(c));
                continue;
            }
            const std::optional<qint64> value = wholeYen(rows.fieldView(price));
            if (!value) {
                if (++ignored <= kNamedLines)
                    l.report << QStringLiteral("fare_attributes.txt:%1: fare %2 has the price \"%3\", not "
                                               "a whole number of yen; ignored")
                                    .arg(rows.line())
                                    .arg(QString::fromUtf8(fareId), text(rows.fieldView(price)));
                continue;
            }
            fareOf.insert(fareId, static_cast<int>(fares.fares.size()));
            fares.fares.append(FareModel::Fare{QString::fromUtf8(fareId), *value});
        }
        if (!l.finish(attributes))
            return;
        if (ignored > kNamedLines)
            l.report << QStringLiteral("fare_attributes.txt: %1 more fares are ignored (not in yen, or not "
                                       "a whole number of yen)")
                            .arg(ignored - kNamedLines);
    }

    // The ids the kept stops are known by: their zone, their own id, their station and
    // its zone.
    for (const QString& id : std::as_const(usedStops)) {
        const StopRow s = stops.value(id);
        const StopRow p = stops.value(s.parent);
        for (const QString& k : {s.zone, id, s.parent, p.zone}) {
            if (!k.isEmpty())
                fares.keyOf(k);
        }
    }
    // A group for each route with trips kept.
    QHash<QByteArray, int> groupOf;
    fares.byGroup.resize(1);
    for (const Trip& trip : std::as_const(trips.list)) {
        const QString& routeId = trips.routeIds.at(trip.route);
        if (!trip.kept || fares.groupsOf.contains(routeId))
            continue;
        const int group = static_cast<int>(fares.byGroup.size());
        fares.byGroup.emplace_back();
        fares.groupsOf.insert(routeId, {group});
        groupOf.insert(routeId.toUtf8(), group);
    }

    CsvTable& rows = *rules.rows;
    const int id = rows.column("fare_id");
    const int route = rows.column("route_id");
    const int origin = rows.column("origin_id");
    const int destination = rows.column("destination_id");
    const int contains = rows.column("contains_id");
    QSet<QByteArray> unknown; // the fares named in a report line
    int unknownRules = 0;     // rules of fares not named
    // 0 for an empty id, -1 for one no stop kept is known by.
    const auto indexOf = [&](QByteArrayView field) {
        const QByteArray k = key(field);
        return k.isEmpty() ? 0 : fares.keyIndex.value(k, -1);
    };
    while (rows.next()) {
        const QByteArray r = key(rows.fieldView(route));
        const int group = r.isEmpty() ? 0 : groupOf.value(r, -1);
        if (group < 0)
            continue;
        if (!rows.fieldView(contains).trimmed().isEmpty()) {
            ++fares.containsRules[QString::fromUtf8(r)];
            continue;
        }
        const QByteArray fareId = key(rows.fieldView(id));
        const int fare = fareOf.value(fareId, -1);
        if (fare < 0) {
            if (unknown.contains(fareId))
                continue;
            if (unknown.size() < kNamedLines) {
                unknown.insert(QByteArray(fareId.constData(), fareId.size()));
                l.report << QStringLiteral("fare_rules.txt:%1: fare %2 is not in fare_attributes.txt; its "
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
            continue; // no stop kept is known by that id
        fares.byGroup[size_t(group)].push_back(FareModel::Rule{o, d, fare, 0});
    }
    if (!l.finish(rules))
        return;
    if (unknownRules > 0)
        l.report << QStringLiteral("fare_rules.txt: %1 more rules name fares that are not in "
                                   "fare_attributes.txt; they are ignored")
                        .arg(unknownRules);
    fares.system = FareModel::System::Attributes;
}

// Fares v2: the price of the leg rule from the boarding stop's area to the alighting
// stop's area (stop_areas.txt; a station's areas hold its poles), in the network of the
// route (routes.txt network_id or route_networks.txt) or of any, its fare product's
// amount in yen (fare_products.txt).
void FeedRoutes::Model::loadLegRules() {
    const QString absent = QStringLiteral("every fare is -1");
    // Networks: a group each.
    fares.byGroup.resize(1);
    QHash<QString, int> groupOfNetwork;
    const auto join = [&](const QString& routeId, const QString& network) {
        if (network.isEmpty() || !routeById.contains(routeId))
            return;
        int& group = groupOfNetwork[network];
        if (group == 0) {
            group = static_cast<int>(fares.byGroup.size());
            fares.byGroup.emplace_back();
        }
        QList<int>& groups = fares.groupsOf[routeId];
        if (!groups.contains(group))
            groups << group;
    };
    for (const Route& r : std::as_const(routes))
        join(r.id, r.network);
    {
        const Table t = l.load("route_networks.txt", false, {"network_id", "route_id"},
                               QStringLiteral("networks are taken from routes.txt"), true);
        if (t.present()) {
            CsvTable& rows = *t.rows;
            const int network = rows.column("network_id");
            const int route = rows.column("route_id");
            while (rows.next())
                join(text(rows.fieldView(route)), text(rows.fieldView(network)));
            l.finish(t);
        }
    }
    if (!l.error.isEmpty())
        return;

    // The products' prices in yen: the row without a rider category (the adult fare)
    // where there is one, else the first row in yen.
    QHash<QString, int> productOf; // -> fares.fares; -1 no price in yen
    {
        const Table t = l.load("fare_products.txt", false, {"fare_product_id", "amount", "currency"}, absent);
        if (!t.present())
            return;
        CsvTable& rows = *t.rows;
        const int id = rows.column("fare_product_id");
        const int amount = rows.column("amount");
        const int currency = rows.column("currency");
        const int category = rows.column("rider_category_id");
        QSet<QString> adult;
        while (rows.next()) {
            const QString productId = text(rows.fieldView(id));
            const qint64 yen = rows.fieldView(currency).trimmed() == "JPY"
                                   ? wholeYen(rows.fieldView(amount)).value_or(-1)
                                   : -1;
            const bool isAdult = rows.fieldView(category).trimmed().isEmpty();
            auto it = productOf.find(productId);
            if (it == productOf.end())
                it = productOf.insert(productId, -1);
            int& at = *it;
            if (yen < 0 || adult.contains(productId) || (at >= 0 && !isAdult))
                continue;
            if (at < 0) {
                at = static_cast<int>(fares.fares.size());
                fares.fares.append(FareModel::Fare{productId, yen});
            } else {
                fares.fares[at].price = yen;
            }
            if (isAdult)
                adult.insert(productId);
        }
        if (!l.finish(t))
            return;
    }
    // The areas of the stops: areas.txt names them (where present), stop_areas.txt
    // places the stops.
    QSet<QString> areaIds;
    bool areasListed = false;
    {
        const Table t = l.load("areas.txt", false, {"area_id"}, QString(), true);
        if (t.present()) {
            CsvTable& rows = *t.rows;
            const int id = rows.column("area_id");
            while (rows.next())
                areaIds.insert(text(rows.fieldView(id)));
            areasListed = l.finish(t);
        }
    }
    int unknownAreas = 0;
    {
        const Table t = l.load("stop_areas.txt", false, {"area_id", "stop_id"},
                               QStringLiteral("only leg rules for any area apply"));
        if (t.present()) {
            CsvTable& rows = *t.rows;
            const int area = rows.column("area_id");
            const int stop = rows.column("stop_id");
            QHash<QString, QStringList> found;
            while (rows.next()) {
                const QString a = text(rows.fieldView(area));
                if (areasListed && !areaIds.contains(a)) {
                    ++unknownAreas;
                    continue;
                }
                QStringList& of = found[text(rows.fieldView(stop))];
                if (!of.contains(a))
                    of << a;
            }
            if (l.finish(t))
                fares.areasOf = std::move(found);
        }
    }
    if (!l.error.isEmpty())
        return;
    if (unknownAreas > 0)
        l.report << QStringLiteral("stop_areas.txt: %1 rows name areas that are not in areas.txt; they "
                                   "are ignored")
                        .arg(unknownAreas);
    for (const QString& id : std::as_const(usedStops)) {
        const StopRow s = stops.value(id);
        for (const QString& a : fares.areasOf.value(id) + fares.areasOf.value(s.parent))
            fares.keyOf(a);
    }

    const Table t = l.load("fare_leg_rules.txt", false, {"fare_product_id"}, absent);
    if (!t.present())
        return;
    CsvTable& rows = *t.rows;
    const int network = rows.column("network_id");
    const int from = rows.column("from_area_id");
    const int to = rows.column("to_area_id");
    const int product = rows.column("fare_product_id");
    const int fromTime = rows.column("from_timeframe_group_id");
    const int toTime = rows.column("to_timeframe_group_id");
    const int priority = rows.column("rule_priority");
    int all = 0;
    int noPrice = 0;
    int timed = 0;
    int noRoute = 0;
    const auto indexOf = [&](QByteArrayView field) {
        const QByteArray k = key(field);
        return k.isEmpty() ? 0 : fares.keyIndex.value(k, -1);
    };
    while (rows.next()) {
        ++all;
        const int fare = productOf.value(text(rows.fieldView(product)), -1);
        if (fare < 0) {
            ++noPrice;
            continue;
        }
        if (!rows.fieldView(fromTime).trimmed().isEmpty() || !rows.fieldView(toTime).trimmed().isEmpty()) {
            ++timed;
            continue;
        }
        const QString n = text(rows.fieldView(network));
        const int group = n.isEmpty() ? 0 : groupOfNetwork.value(n, -1);
        if (group < 0) {
            ++noRoute;
            continue;
        }
        const int o = indexOf(rows.fieldView(from));
        const int d = indexOf(rows.fieldView(to));
        if (o < 0 || d < 0)
            continue; // no stop kept lies in that area
        fares.byGroup[size_t(group)].push_back(
            FareModel::Rule{o, d, fare, rows.fieldView(priority).trimmed().toInt()});
    }
    if (!l.finish(t))
        return;
    const int unmapped = noPrice + timed + noRoute;
    if (unmapped > 0) {
        QStringList why;
        if (noPrice > 0)
            why << QStringLiteral("%1 with a fare product without a price in yen").arg(noPrice);
        if (timed > 0)
            why << QStringLiteral("%1 for a time of day").arg(timed);
        if (noRoute > 0)
            why << QStringLiteral("%1 of a network no route belongs to").arg(noRoute);
        l.report << QStringLiteral(
                        "fare_leg_rules.txt: %1 of %2 rules cannot be mapped (%3); they are ignored")
                        .arg(unmapped)
                        .arg(all)
                        .arg(why.join(QStringLiteral(", ")));
    }
    fares.system = FareModel::System::LegRules;
}

// GTFS-JP's fare tables where fare_attributes.txt is there; else those of Fares v2
// where fare_leg_rules.txt is.
void FeedRoutes::Model::loadFares() {
    const bool attributes =
        feed.table(QStringLiteral("fare_attributes.txt")).status != OpenedTable::Status::Missing;
    const bool legRules =
        feed.table(QStringLiteral("fare_leg_rules.txt")).status != OpenedTable::Status::Missing;
    if (legRules && !attributes) {
        loadLegRules();
        return;
    }
    if (legRules)
        l.report << QStringLiteral("fare_leg_rules.txt: not used; fare_attributes.txt and fare_rules.txt "
                                   "give the fares");
    loadFareAttributes();
}

void FeedRoutes::Model::loadJp() {
    const auto read = [&](const char* name, const char* idColumn, const char* valueColumn,
                          QHash<QString, QByteArray>& into) {
        const Table t = l.load(name, false, {idColumn, valueColumn}, QStringLiteral("it is not used"), true);
        if (!t.present())
            return;
        CsvTable& rows = *t.rows;
        const int id = rows.column(idColumn);
        const int value = rows.column(valueColumn);
        QHash<QString, QByteArray> found;
        while (rows.next()) {
            const QString k = text(rows.fieldView(id));
            if (!found.contains(k))
                found.insert(k, rows.fieldView(value).toByteArray());
        }
        if (l.finish(t))
            into = std::move(found);
    };
    read("routes_jp.txt", "route_id", "via_stop", jp.viaStop);
    if (l.error.isEmpty())
        read("agency_jp.txt", "agency_id", "agency_official_name", jp.agencyName);
    if (l.error.isEmpty())
        read("office_jp.txt", "office_id", "office_name", jp.officeName);
}

// The tables in order, each once. `afterTrips` may refuse the request once the trips
// are known (an unknown trip or route), before the stop times are read.
bool FeedRoutes::Model::loadAll(const std::function<bool(const QString&, const QByteArray&)>& keep,
                                const std::function<bool()>& afterTrips) {
    if (!loadRoutes() || !loadTrips(keep) || !afterTrips() || !loadStopTimes() || !loadStops())
        return false;
    loadJp();
    if (!l.error.isEmpty())
        return false;
    loadTranslations();
    if (!l.error.isEmpty())
        return false;
    loadFares();
    return l.error.isEmpty();
}

namespace {

// ---------------------------------------------------------------- one trip as a route

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

TripTimes tripTimes(const FeedRoutes::Model& m, int trip) {
    TripTimes times;
    const QString tripId = QString::fromUtf8(m.trips.list[trip].id);
    for (int i = m.firstTime[size_t(trip)]; i < m.firstTime[size_t(trip) + 1]; ++i) {
        const StopTimeRow& r = m.stopTimes[size_t(i)];
        times.add(StopTime{r.sequence, m.stopIds.at(r.stop), r.pickup, r.dropOff, r.line}, tripId);
    }
    return times;
}

// Names the chosen trip's route in `result`: its name (the id for a route missing from
// routes.txt, which is reported) and its number. Reports the stop_sequence values the
// trip repeats.
void describeRoute(Loader& l, const FeedRoutes::Model& m, const TripTimes& times, ImportResult& result,
                   int& droppedFromRouteNames) {
    result.feedStops = times.stops;
    const int route = m.routeById.value(result.routeId, -1);
    if (route < 0) {
        l.report
            << QStringLiteral("route %1 of trip %2 is not in routes.txt").arg(result.routeId, result.tripId);
        result.routeName = result.routeId;
    } else {
        result.routeName = m.routes[route].name(droppedFromRouteNames);
    }
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
    QString spokenHeadsign; // the reading given for the trip's headsign or its text
    const Translations* readings = nullptr;

    // The name of a stop: its own, else its parent station's; empty for a stop not in
    // stops.txt (whoever shows it falls back on the id).
    QString nameOf(const QString& stopId) const {
        const auto it = stops.constFind(stopId);
        if (it == stops.cend())
            return QString();
        return !it->name.isEmpty() ? it->name : stops.value(it->parent).name;
    }
};

// The names of the trip's stops (and their stations) and its headsign, with the
// control characters dropped from them counted.
TripNames tripNames(const FeedRoutes::Model& m, const TripTimes& times, int trip, Dropped& dropped) {
    TripNames names;
    names.readings = &m.readings;
    QSet<QString> wanted;
    for (const auto& [sequence, st] : times.kept)
        wanted.insert(st.stopId);
    if (times.last)
        wanted.insert(times.last->stopId);
    QSet<QString> parents;
    for (const QString& id : std::as_const(wanted)) {
        const auto it = m.stops.constFind(id);
        if (it == m.stops.cend())
            continue;
        names.stops.insert(id, Stop{feedText(it->name, dropped.stopNames), it->parent, it->zone});
        if (!it->parent.isEmpty() && !wanted.contains(it->parent))
            parents.insert(it->parent);
    }
    for (const QString& id : std::as_const(parents)) {
        const auto it = m.stops.constFind(id);
        if (it != m.stops.cend())
            names.stops.insert(id, Stop{feedText(it->name, dropped.stopNames), it->parent, it->zone});
    }
    const Trip& t = m.trips.list[trip];
    names.headsign = feedText(t.headsign, dropped.headsigns);
    const QString tripId = QString::fromUtf8(t.id);
    names.spokenHeadsign =
        Translations::clean(Translations::find(m.readings.byHeadsign, tripId), dropped.readings);
    if (names.spokenHeadsign.isEmpty() && !names.headsign.isEmpty()) {
        names.spokenHeadsign = m.readings.forText(names.headsign, dropped.readings);
        if (names.spokenHeadsign.isEmpty())
            names.spokenHeadsign = names.headsign;
    }
    return names;
}

// One stop of the trip as a row of the route file.
struct TripStop {
    QString id;
    QString parent;
    QString written; // the name as in the feed
    QString name;    // as written, Shift_JIS-safe
    QString spoken;  // the reading where there is one
    QStringList fareKeys;
    QList<int> fareKeyIndexes; // of fareKeys, in the trip's fare rules' numbering
    bool boarding = true;
    bool alighting = true;
};

// The stops of the trip, in stop_sequence order, as far as the route file holds: each
// stop's written and spoken name and the ids its fares may be named by (GTFS-JP fares:
// its zone, its own id, its parent station and the station's zone; Fares v2: the
// areas of the stop and of its station). Reports a stop missing from stops.txt (left
// out), one without a name (its id is used), a name Shift_JIS cannot hold, and the stops
// cut past the route file's rows. A trip of fewer than two stops sets `l.error`.
bool loadTripStops(Loader& l, const FeedRoutes::Model& m, const TripTimes& times, const TripNames& names,
                   const QString& tripId, int& droppedFromReadings, QVector<TripStop>& tripStops) {
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
        s.written = name;
        bool changed = false;
        s.name = toShiftJis(name, &changed);
        if (changed)
            l.report << QStringLiteral(
                            "stop %1 (%2): \"%3\" cannot be written in Shift_JIS; written as \"%4\"")
                            .arg(number)
                            .arg(st.stopId, name, s.name);
        const QString reading = names.readings->forStop(st.stopId, it->parent, name, droppedFromReadings);
        s.spoken = toShiftJis(tapeText(reading.isEmpty() ? s.name : reading));
        QStringList keys;
        if (m.fares.system == FareModel::System::LegRules)
            keys = m.fares.areasOf.value(st.stopId) + m.fares.areasOf.value(it->parent);
        else
            keys = {it->zone, st.stopId, it->parent, parent.zone};
        for (const QString& k : std::as_const(keys)) {
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

struct FareMatch {
    qint64 price = 0;
    QString fareId;
    int priority = 0;
    int specificity = -1; // named fields among route, origin, destination
};

// The fare rules of the feed that apply to one trip, by route-specific or not, origin
// and destination among the ids the trip's stops are known by (1..keys) or any (0):
// the highest rule_priority (Fares v2), then the cheapest rule of each.
class FareRules {
public:
    bool available = false; // the fare tables were read

    void build(Loader& l, const FareModel& model, const QString& routeId, QVector<TripStop>& tripStops) {
        available = model.system != FareModel::System::None;
        std::vector<int> local(size_t(model.keyIndex.size()) + 1, 0);
        m_keys = 0;
        for (TripStop& s : tripStops) {
            s.fareKeyIndexes.clear();
            for (const QString& k : std::as_const(s.fareKeys)) {
                const int g = model.keyIndex.value(k.toUtf8(), 0);
                if (g == 0)
                    continue; // no rule names it
                if (local[size_t(g)] == 0)
                    local[size_t(g)] = ++m_keys;
                s.fareKeyIndexes << local[size_t(g)];
            }
        }
        m_fares = &model.fares;
        m_cells.assign(size_t(2) * (m_keys + 1) * (m_keys + 1), Cell{});
        if (!available)
            return;
        const auto add = [&](const std::vector<FareModel::Rule>& rules, bool routeSpecific) {
            for (const FareModel::Rule& r : rules) {
                const int o = r.origin == 0 ? 0 : local[size_t(r.origin)];
                const int d = r.destination == 0 ? 0 : local[size_t(r.destination)];
                if ((r.origin != 0 && o == 0) || (r.destination != 0 && d == 0))
                    continue; // no stop of the trip is known by that id
                Cell& cell = m_cells[cellOf(routeSpecific, o, d)];
                const qint64 price = model.fares[r.fare].price;
                if (cell.fare < 0 || r.priority > cell.priority ||
                    (r.priority == cell.priority && price < cell.price))
                    cell = Cell{price, r.fare, r.priority};
            }
        };
        add(model.byGroup[0], false);
        for (const int group : model.groupsOf.value(routeId))
            add(model.byGroup[size_t(group)], true);
        const int contains = model.containsRules.value(routeId) + model.containsRules.value(QString());
        if (contains > 0)
            l.report << QStringLiteral(
                            "fare_rules.txt: %1 rules of route %2 use contains_id, which the import "
                            "does not support; they are ignored")
                            .arg(contains)
                            .arg(routeId);
    }

    // The fare from a stop known by `from` ids to a stop known by `to` ids: the rule of
    // the highest priority, then naming the most of route, origin and destination, then
    // the cheapest.
    std::optional<FareMatch> find(const QList<int>& from, const QList<int>& to) const {
        std::optional<FareMatch> best;
        for (const bool routeSpecific : {true, false}) {
            for (const int o : from + QList<int>{0}) {
                for (const int d : to + QList<int>{0}) {
                    const Cell& cell = m_cells[cellOf(routeSpecific, o, d)];
                    if (cell.fare < 0)
                        continue;
                    const int specificity = (routeSpecific ? 1 : 0) + (o > 0 ? 1 : 0) + (d > 0 ? 1 : 0);
                    const auto key = std::make_tuple(cell.priority, specificity, -cell.price);
                    if (!best || key > std::make_tuple(best->priority, best->specificity, -best->price))
                        best = FareMatch{cell.price, (*m_fares)[cell.fare].id, cell.priority, specificity};
                }
            }
        }
        return best;
    }

private:
    struct Cell {
        qint64 price = 0;
        int fare = -1; // none
        int priority = 0;
    };

    size_t cellOf(bool routeSpecific, int origin, int destination) const {
        const size_t side = size_t(m_keys) + 1;
        return ((routeSpecific ? side : 0) + size_t(origin)) * side + size_t(destination);
    }

    const QVector<FareModel::Fare>* m_fares = nullptr;
    int m_keys = 0;
    std::vector<Cell> m_cells; // by route-specific, origin, destination
};

struct FareIssue {
    QString fareId;
    qint64 price = 0;
    int uses = 0;
    QString example;
};

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
QVector<TapeEntry> announcements(const QVector<TripStop>& tripStops, const TripNames& names) {
    QVector<TapeEntry> tape;
    QString dest = names.spokenHeadsign;
    if (dest.isEmpty())
        dest = tripStops.last().spoken;
    tape.append(TapeEntry{toShiftJis(tapeText(destinationText(dest))), 0, 1});
    for (int i = 1; i < tripStops.size(); ++i)
        tape.append(TapeEntry{QStringLiteral("次は、%1です。").arg(tripStops[i].spoken), 1, 2});
    return tape;
}

// The sign of the route: see ImportedSign.
ImportedSign signText(Loader& l, const FeedRoutes::Model& m, int trip, const TripNames& names,
                      const QVector<TripStop>& tripStops, const ImportResult& result) {
    int ignored = 0; // the sign is UTF-8: only control characters are dropped
    const Trip& t = m.trips.list[trip];
    const QString tripId = QString::fromUtf8(t.id);
    const int routeIndex = m.routeById.value(result.routeId, -1);
    const Route* route = routeIndex < 0 ? nullptr : &m.routes[routeIndex];
    ImportedSign sign;
    sign.number = route ? feedText(route->shortName, ignored) : QString();
    if (sign.number.isEmpty())
        sign.number = QString::number(result.routeNumber);

    const Translations& en = m.english;
    auto [destination, via] = splitVia(names.headsign, false);
    QString enHeadsign = Translations::clean(Translations::find(en.byHeadsign, tripId), ignored);
    if (enHeadsign.isEmpty())
        enHeadsign = en.forText(names.headsign, ignored);
    auto [destinationEn, viaEn] = splitVia(enHeadsign, true);
    if (!destination.isEmpty()) {
        if (const QString d = en.forText(destination, ignored); !d.isEmpty() && destination != names.headsign)
            destinationEn = d;
    } else {
        // No headsign: the last stop.
        const TripStop& last = tripStops.last();
        destination = last.name; // reported with the stop where Shift_JIS cannot hold it
        destinationEn = en.forStop(last.id, last.parent, last.written, ignored);
    }
    const QString desc = feedText(t.desc, ignored);
    if (!desc.isEmpty()) {
        via = desc;
        viaEn = QString();
    } else if (via.isEmpty()) {
        // routes_jp.txt: the stops the route runs by, "鷲別/東町ターミナル".
        QString stops = feedText(m.jp.viaStop.value(result.routeId), ignored);
        stops.replace(QLatin1Char('/'), QChar(0x30FB)).replace(QChar(0xFF0F), QChar(0x30FB));
        if (!stops.isEmpty())
            via = stops.endsWith(QStringLiteral("経由")) ? stops : stops + QStringLiteral("経由");
    }
    if (!via.isEmpty()) {
        QString e = Translations::clean(Translations::find(en.byDesc, tripId), ignored);
        if (e.isEmpty())
            e = en.forText(via, ignored);
        if (!e.isEmpty())
            viaEn = e;
    } else {
        viaEn = QString();
    }
    // The signs draw the 16-dot faces' characters (Shift_JIS), at most 64 of them a text.
    const std::pair<const char*, QString*> texts[] = {{"number", &sign.number},
                                                      {"destination", &destination},
                                                      {"via", &via},
                                                      {"destination_en", &destinationEn},
                                                      {"via_en", &viaEn}};
    for (const auto& [key, value] : texts) {
        bool changed = false;
        const QString written = toShiftJis(*value, &changed);
        if (changed)
            l.report << QStringLiteral("sign: %1 \"%2\" cannot be written in Shift_JIS; written as \"%3\"")
                            .arg(QLatin1String(key), *value, written);
        *value = written;
        if (value->size() > MaxSignText) {
            l.report << QStringLiteral("sign: %1 \"%2\" is longer than %3 characters; cut")
                            .arg(QLatin1String(key), *value, QString::number(MaxSignText));
            value->truncate(MaxSignText);
            *value = value->trimmed();
        }
    }
    sign.destination = destination;
    sign.via = via;
    sign.destinationEn = destinationEn;
    sign.viaEn = viaEn;

    QStringList from{QStringLiteral("route %1").arg(result.routeId)};
    if (route && !route->parentRoute.isEmpty())
        from.last() += QStringLiteral(" (of %1)").arg(route->parentRoute);
    from << QStringLiteral("trip %1").arg(tripId);
    if (route) {
        if (const QString a = feedText(m.jp.agencyName.value(route->agency), ignored); !a.isEmpty())
            from << a;
    }
    if (const QString o = feedText(m.jp.officeName.value(t.office), ignored); !o.isEmpty())
        from << o;
    sign.source = from.join(QStringLiteral(", "));
    return sign;
}

// One trip as a route under `number`: the rows, the announcements and the sign, with
// the trip's own report lines (the feed's are the model's).
ImportResult buildTrip(const FeedRoutes::Model& m, int trip, int number, bool numberDerived) {
    ImportResult result;
    Loader l{m.feed, {}, {}};
    const Trip& t = m.trips.list[trip];
    result.tripId = QString::fromUtf8(t.id);
    result.routeId = m.trips.routeOf(trip);
    result.direction = t.direction;
    result.routeNumber = number;
    result.numberDerived = numberDerived;
    const auto fail = [&] {
        result.error = l.error;
        result.report = l.report;
        return result;
    };
    const TripTimes times = tripTimes(m, trip);
    Dropped dropped;
    describeRoute(l, m, times, result, dropped.routeNames);
    const TripNames names = tripNames(m, times, trip, dropped);
    result.headsign = names.headsign;
    QVector<TripStop> tripStops;
    if (!loadTripStops(l, m, times, names, result.tripId, dropped.readings, tripStops))
        return fail();
    dropped.report(l.report);
    if (times.stops > DataIo::FareTableRowCount)
        result.cutStops = times.stops - DataIo::FareTableRowCount;

    // The ticket numbers and the fare rules, then the rows, the announcements, the sign.
    const Tickets tickets = issueTickets(l, tripStops);
    result.ticketCount = tickets.count();
    result.cutTickets = tickets.count() - tickets.shown();
    FareRules fares;
    fares.build(l, m.fares, result.routeId, tripStops);
    fareRows(l, tripStops, tickets, fares, result);
    result.tape = announcements(tripStops, names);
    result.sign = signText(l, m, trip, names, tripStops, result);
    result.report = l.report;
    return result;
}

QString routeShortName(const FeedRoutes::Model& m, const QString& routeId) {
    const int i = m.routeById.value(routeId, -1);
    return i < 0 ? QString() : text(m.routes[i].shortName);
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

FeedRoutes::FeedRoutes(const GtfsFeed& feed) : m(std::make_unique<Model>(feed)) {}
FeedRoutes::~FeedRoutes() = default;

bool FeedRoutes::load() {
    return m->loadAll([](const QString&, const QByteArray&) { return true; }, [] { return true; });
}

const QString& FeedRoutes::error() const {
    return m->l.error;
}

const QStringList& FeedRoutes::report() const {
    return m->l.report;
}

QVector<PlannedRoute> FeedRoutes::plan(bool patterns) const {
    // Route and direction: its kept trips in trips.txt order.
    std::map<std::pair<QString, int>, QVector<int>> groups;
    for (int i = 0; i < m->trips.list.size(); ++i) {
        if (m->trips.list[i].kept)
            groups[{m->trips.routeOf(i), m->trips.list[i].direction}] << i;
    }
    QVector<PlannedRoute> planned;
    for (const auto& [group, tripsOf] : groups) {
        const int derived = deriveRouteNumber(group.first, routeShortName(*m, group.first));
        const auto add = [&](int trip, int pattern) {
            planned.append(PlannedRoute{group.first, group.second, pattern, trip,
                                        QString::fromUtf8(m->trips.list[trip].id), m->trips.list[trip].stops,
                                        derived});
        };
        int longest = tripsOf.first();
        for (const int i : tripsOf) {
            if (m->trips.list[i].stops > m->trips.list[longest].stops)
                longest = i;
        }
        if (!patterns) {
            add(longest, 0);
            continue;
        }
        // Each distinct sequence of stops (in stop_sequence order, repeats left out), as
        // its first trip; the longest trip's pattern first, then the longer ones.
        struct Pattern {
            QList<int> stops;
            int trip = 0;
        };
        QVector<Pattern> found;
        QHash<QList<int>, int> seen;
        for (const int i : tripsOf) {
            std::map<qint64, int> bySequence;
            for (int r = m->firstTime[size_t(i)]; r < m->firstTime[size_t(i) + 1]; ++r)
                bySequence.emplace(m->stopTimes[size_t(r)].sequence, m->stopTimes[size_t(r)].stop);
            QList<int> stops;
            for (const auto& [sequence, stop] : bySequence)
                stops << stop;
            if (seen.contains(stops))
                continue;
            seen.insert(stops, static_cast<int>(found.size()));
            found.append(Pattern{stops, i});
        }
        std::stable_sort(found.begin(), found.end(), [&](const Pattern& a, const Pattern& b) {
            const bool aLongest = a.trip == longest;
            const bool bLongest = b.trip == longest;
            if (aLongest != bLongest)
                return aLongest;
            return a.stops.size() > b.stops.size();
        });
        for (int p = 0; p < found.size(); ++p)
            add(found[p].trip, p);
    }
    return planned;
}

QStringList FeedRoutes::routesWithoutTrips() const {
    QSet<QString> withTrips;
    for (int i = 0; i < m->trips.list.size(); ++i)
        withTrips.insert(m->trips.routeOf(i));
    QStringList without;
    for (const Route& r : std::as_const(m->routes)) {
        if (!withTrips.contains(r.id) && !without.contains(r.id))
            without << r.id;
    }
    return without;
}

ImportResult FeedRoutes::build(const PlannedRoute& route, int number) const {
    return buildTrip(*m, route.trip, number, false);
}

ListResult listRoutes(const GtfsFeed& feed) {
    ListResult result;
    FeedRoutes routes(feed);
    FeedRoutes::Model& m = *routes.m;
    Dropped dropped;
    if (!m.loadRoutes() || !m.loadTrips([](const QString&, const QByteArray&) { return false; }) ||
        !m.loadStopTimes()) {
        result.error = m.l.error;
        result.report = m.l.report;
        return result;
    }
    QHash<QString, int> byRoute;
    for (const Route& r : std::as_const(m.routes)) {
        if (byRoute.contains(r.id))
            continue;
        byRoute.insert(r.id, static_cast<int>(result.routes.size()));
        result.routes.append(RouteListing{r.id, r.name(dropped.routeNames), 0, 0, 0,
                                          deriveRouteNumber(r.id, text(r.shortName))});
    }
    for (const Trip& t : std::as_const(m.trips.list)) {
        const int i = byRoute.value(m.trips.routeIds.at(t.route), -1);
        if (i < 0)
            continue;
        RouteListing& r = result.routes[i];
        r.minStops = r.trips == 0 ? t.stops : std::min(r.minStops, t.stops);
        r.maxStops = std::max(r.maxStops, t.stops);
        ++r.trips;
    }
    dropped.report(m.l.report);
    result.report = m.l.report;
    return result;
}

ImportResult importTrip(const GtfsFeed& feed, const ImportRequest& request) {
    FeedRoutes routes(feed);
    FeedRoutes::Model& m = *routes.m;
    const QByteArray tripKey = request.tripId.toUtf8();
    const auto keep = [&](const QString& routeId, const QByteArray& tripId) {
        return !request.tripId.isEmpty() ? tripId == tripKey : routeId == request.routeId;
    };
    // The trips that may be chosen, in trips.txt order; the request refused before the
    // stop times are read when it names no trip.
    QList<int> candidates;
    const auto choose = [&] {
        const auto refuse = [&](const QString& error) {
            m.l.error = error;
            return false;
        };
        if (!request.tripId.isEmpty()) {
            const int i = m.trips.byId.value(tripKey, -1);
            if (i < 0)
                return refuse(QStringLiteral("trip %1 is not in trips.txt").arg(request.tripId));
            candidates << i;
            return true;
        }
        if (request.routeId.isEmpty())
            return refuse(QStringLiteral(
                "no trip chosen: give --trip TRIP_ID or --route ROUTE_ID (--list shows them)"));
        bool routeKnown = m.routeById.contains(request.routeId);
        const int route = static_cast<int>(m.trips.routeIds.indexOf(request.routeId));
        for (int i = 0; route >= 0 && i < m.trips.list.size(); ++i) {
            if (m.trips.list[i].route != route)
                continue;
            routeKnown = true;
            if (request.direction < 0 || m.trips.list[i].direction == request.direction)
                candidates << i;
        }
        if (!routeKnown)
            return refuse(QStringLiteral("route %1 is not in routes.txt").arg(request.routeId));
        if (candidates.isEmpty())
            return refuse(request.direction < 0
                              ? QStringLiteral("route %1 has no trips").arg(request.routeId)
                              : QStringLiteral("route %1 has no trips in direction %2")
                                    .arg(request.routeId, QString::number(request.direction)));
        return true;
    };
    if (!m.loadAll(keep, choose)) {
        ImportResult result;
        result.error = m.l.error;
        result.report = m.l.report;
        return result;
    }
    int chosen = candidates.first();
    for (const int i : std::as_const(candidates)) {
        if (m.trips.list[i].stops > m.trips.list[chosen].stops)
            chosen = i;
    }
    const QString routeId = m.trips.routeOf(chosen);
    const bool derived = request.number <= 0;
    const int number = derived ? deriveRouteNumber(routeId, routeShortName(m, routeId)) : request.number;
    ImportResult result = buildTrip(m, chosen, number, derived);
    result.report = m.l.report + result.report;
    return result;
}

} // namespace gtfs
