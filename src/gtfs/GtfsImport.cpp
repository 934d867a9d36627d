#include "gtfs/GtfsImport.h"

#include "gtfs/FeedModel.h"
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

using namespace feed;

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
    for (const auto& [groupKey, tripsOf] : groups) {
        // A named copy: a lambda may not capture a structured binding (before C++20's
        // relaxation, which clang 14 lacks).
        const auto& group = groupKey;
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
