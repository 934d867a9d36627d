#pragma once

// The inside of the GTFS import, shared by its source files only: the tables as they
// are opened and checked (Loader), the text of the feed as the board may show it, and
// the feed read once (FeedRoutes::Model: routes, trips, stop times indexed by trip,
// stops, readings and English names, fare rules, the jp_ tables).
#include "gtfs/CsvReader.h"
#include "gtfs/GtfsFeed.h"
#include "gtfs/GtfsImport.h"

#include <QHash>
#include <QSet>
#include <QStringList>
#include <functional>
#include <initializer_list>
#include <memory>
#include <optional>
#include <utility>
#include <vector>

namespace gtfs {
namespace feed {

using csv::CsvError;
using csv::CsvTable;

// Report lines of one kind are named one by one up to this many; past them only the
// count is given.
inline constexpr int kNamedLines = 10;

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

inline QString text(QByteArrayView field) {
    return QString::fromUtf8(field).trimmed();
}

// A field looked up in a hash without a copy (valid while the field is).
inline QByteArray key(QByteArrayView field) {
    field = field.trimmed();
    return QByteArray::fromRawData(field.data(), field.size());
}

inline bool isControl(char16_t c) {
    return c < 0x20 || (c >= 0x7F && c <= 0x9F);
}

// Text of the feed that the board shows or the voice speaks: a line break becomes a
// space (as on the strip's one line), any other control character (C0, DEL, C1) is
// dropped and counted in `dropped`.
inline QString feedText(QByteArrayView field, int& dropped) {
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

// A whole number of yen from a price or amount field, or nothing.
std::optional<qint64> wholeYen(QByteArrayView field);

// The destination and the via part of a headsign, where it has one: "地球岬団地（母恋経由）",
// "母恋経由 地球岬団地" or "母恋経由地球岬団地" give 地球岬団地 and 母恋経由; in English
// (`english`) "Chikyu-misaki (via Bokoi)". Without one, the headsign and "".
std::pair<QString, QString> splitVia(const QString& headsign, bool english);

} // namespace feed

struct FeedRoutes::Model {
    explicit Model(const GtfsFeed& f) : feed(f), l{f, {}, {}} {}
    const GtfsFeed& feed;
    feed::Loader l; // the feed's report and error
    QVector<feed::Route> routes;
    QHash<QString, int> routeById;
    feed::Trips trips;
    QStringList stopIds;              // the stops of the stop times kept
    QHash<QByteArray, int> stopIndex; // by the id's UTF-8 bytes
    QStringList usedStops; // those a route file can hold: of the lowest stop_sequence values, and the last
    std::vector<feed::StopTimeRow> stopTimes; // ordered by trip, then as in the file
    std::vector<int> firstTime;               // by trip: its first row in stopTimes (size trips + 1)
    QHash<QString, feed::StopRow> stops;
    feed::Translations readings; // ja-Hrkt
    feed::Translations english;  // en
    feed::FareModel fares;
    feed::JpTables jp;

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

} // namespace gtfs
