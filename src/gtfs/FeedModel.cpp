#include "gtfs/FeedModel.h"

#include <QRegularExpression>
#include <algorithm>
#include <cmath>
#include <limits>

namespace gtfs {
namespace feed {

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

} // namespace feed

using namespace feed;

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
} // namespace gtfs
