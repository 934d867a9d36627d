#include "gtfs/GtfsCli.h"

#include "gtfs/GtfsFeed.h"
#include "gtfs/GtfsImport.h"
#include "gtfs/OutputFiles.h"
#include "gtfs/SignWriter.h"
#include "route/RouteFile.h"
#include "sound/TapeList.h"

#include <QDir>
#include <QElapsedTimer>
#include <QFile>
#include <map>
#include <memory>
#include <unistd.h>

namespace {

const char* const kHelp =
    "usage: corvane route import-gtfs FEED --list\n"
    "       corvane route import-gtfs FEED -o FOLDER (--trip TRIP_ID | --route ROUTE_ID [--direction 0|1])\n"
    "                                 [--number N]\n"
    "       corvane route import-gtfs FEED -o FOLDER --all [--patterns] [--first-number N]\n"
    "\n"
    "Imports one trip of a GTFS-JP feed (a folder of .txt tables or a .zip archive) as a\n"
    "route, or every route of it: writes the route file N.hy3, the announcement list\n"
    "Ntp.csv and the destination sign N.sign into FOLDER (created when missing), all of\n"
    "them or none: a failed import leaves the folder as it was.\n"
    "\n"
    "options:\n"
    "  --list            print the routes (route_id, name, trips, stops per trip, route\n"
    "                    number) and exit\n"
    "  --trip TRIP_ID    import this trip\n"
    "  --route ROUTE_ID  import the trip of this route with the most stops\n"
    "  --direction 0|1   with --route: only trips of this direction_id\n"
    "  --number N        the route number, 1..99999 (default: derived from the route's\n"
    "                    short name or id, and printed)\n"
    "  -o FOLDER         where to write the files\n"
    "  --all             every route and direction: its trip with the most stops;\n"
    "                    also writes routes.csv (number, route_id, direction_id,\n"
    "                    trip_id, headsign, stops, tickets, warnings)\n"
    "  --patterns        with --all: every distinct sequence of stops of a route and\n"
    "                    direction, as its first trip\n"
    "  --first-number N  with --all: number the routes N, N+1... in the order of\n"
    "                    route_id, direction and pattern (default: each route's derived\n"
    "                    number, the next free one where it is taken)\n"
    "\n"
    "One row per stop of the trip in stop_sequence order, named after the pole or its\n"
    "parent station. The k-th stop where boarding is allowed issues ticket number k. The\n"
    "fare for ticket t at a stop is the adult price of the fare rule for the route and the\n"
    "two stops (by stop id or zone); 0 (blank) for tickets not yet issued or issued at\n"
    "that stop; -1 where a rule is missing. The announcement list names the destination,\n"
    "then \"次は、…です。\" for every following stop, spoken from the ja-Hrkt readings of\n"
    "translations.txt where there are some.\n"
    "\n"
    "What does not fit the board (more than 50 ticket numbers, more than 301 stops, fares\n"
    "above 9999 or 16383, names Shift_JIS cannot hold, missing rules) is reported on\n"
    "standard error as 'warning: ...', one line each, and the import goes on with what fits.\n"
    "\n"
    "Each table is read within caps on its bytes (uncompressed), its rows and the length\n"
    "of a line; a feed beyond them is refused (docs/gtfs-import.md lists them).\n"
    "\n"
    "Exit status: 0 written (also with warnings); 2 for usage errors and when nothing\n"
    "sensible can be written ('error: ...': a missing table or column, an unknown trip or\n"
    "route, a trip of fewer than 2 stops, a table beyond its caps, a file that cannot be\n"
    "written).\n";

// Text for the terminal: the import drops control characters from the names it
// writes, but an id or a path may still hold one. Each is written as \xNN, so that
// it shows instead of acting on the terminal.
QString shown(const QString& text) {
    QString out;
    out.reserve(text.size());
    for (const QChar c : text) {
        const char16_t u = c.unicode();
        if (u < 0x20 || (u >= 0x7F && u <= 0x9F))
            out +=
                QStringLiteral("\\x") + QString::number(u, 16).toUpper().rightJustified(2, QLatin1Char('0'));
        else
            out += c;
    }
    return out;
}

int usage(QTextStream& err, const QString& problem) {
    err << "error: " << shown(problem) << " (see corvane route import-gtfs --help)\n";
    return 2;
}

int refuse(QTextStream& err, const QString& problem) {
    err << "error: " << shown(problem) << '\n';
    return 2;
}

// The three files of a route, made in memory: the route file, the announcement list
// and the sign. False with `error` when the rows or announcements cannot be written.
struct RouteFiles {
    QByteArray route;
    QByteArray tape;
    QByteArray sign;
};

bool makeFiles(const gtfs::ImportResult& result, RouteFiles& files, QString& error) {
    try {
        files.route = DataIo::writeRouteFile(result.rows);
    } catch (const DataIo::RouteFileError& e) {
        error = QString::fromUtf8(e.what());
        return false;
    }
    if (!tapelist::write(result.tape, files.tape, &error)) {
        error = QStringLiteral("announcement list: ") + error;
        return false;
    }
    files.sign = gtfs::signFileBytes(result.sign);
    return true;
}

QString routeFileName(int number) {
    return QString::number(number) + QStringLiteral(".hy3");
}
QString tapeFileName(int number) {
    return QString::number(number) + QStringLiteral("tp.csv");
}
QString signFileName(int number) {
    return QString::number(number) + QStringLiteral(".sign");
}

// A field of routes.csv: quoted when it holds a comma, a quote, a line end or spaces at
// its ends.
QString csvField(const QString& text) {
    const bool quote = text.contains(QLatin1Char(',')) || text.contains(QLatin1Char('"')) ||
                       text.contains(QLatin1Char('\n')) || text.contains(QLatin1Char('\r')) ||
                       text != text.trimmed();
    if (!quote)
        return text;
    QString q = text;
    q.replace(QLatin1Char('"'), QStringLiteral("\"\""));
    return QLatin1Char('"') + q + QLatin1Char('"');
}

// Where a whole-feed import is: a bar redrawn on a terminal (routes done of all, time
// taken), one plain line per route otherwise.
class Progress {
public:
    Progress(QTextStream& err, bool terminal, int total) : m_err(err), m_terminal(terminal), m_total(total) {
        m_timer.start();
    }
    // A line of its own (a warning) above the bar.
    void say(const QString& line) {
        clearBar();
        m_err << line << '\n';
        m_err.flush();
    }
    void routeDone(int done, const QString& line) {
        if (!m_terminal) {
            m_err << '[' << done << '/' << m_total << "] " << line << '\n';
            return;
        }
        constexpr int width = 30;
        const int filled = m_total > 0 ? done * width / m_total : width;
        m_err << '\r' << '[' << QString(filled, QLatin1Char('#')) << QString(width - filled, QLatin1Char('.'))
              << "] " << done << '/' << m_total << " routes, "
              << QString::number(double(m_timer.elapsed()) / 1000.0, 'f', 1) << " s\x1B[K";
        m_err.flush();
        m_barShown = true;
    }
    void finish() { clearBar(); }
    double seconds() const { return double(m_timer.elapsed()) / 1000.0; }

private:
    void clearBar() {
        if (m_barShown)
            m_err << "\r\x1B[K";
        m_barShown = false;
    }
    QTextStream& m_err;
    bool m_terminal;
    int m_total;
    bool m_barShown = false;
    QElapsedTimer m_timer;
};

// Whether `stream` writes to a terminal.
bool isTerminal(QTextStream& stream) {
    const auto* file = qobject_cast<QFile*>(stream.device());
    return file && file->handle() >= 0 && ::isatty(file->handle()) == 1;
}

// The numbers of the planned routes in their order: N, N+1... from `first`; without it
// each route's derived number, or the next free one above it (then from 1) where an
// earlier route took it. 0: none is left.
QVector<int> assignNumbers(const QVector<gtfs::PlannedRoute>& plan, int first) {
    QVector<int> numbers;
    // nextFree[n]: on the way to the lowest free number from n (MaxRouteNumber + 1: none),
    // shortened as it is followed, so that many routes wanting one number stay quick.
    std::vector<int> nextFree(size_t(gtfs::MaxRouteNumber) + 2);
    for (size_t n = 0; n < nextFree.size(); ++n)
        nextFree[n] = static_cast<int>(n);
    const auto freeFrom = [&](int n) {
        int root = n;
        while (nextFree[size_t(root)] != root)
            root = nextFree[size_t(root)];
        while (nextFree[size_t(n)] != root) {
            const int next = nextFree[size_t(n)];
            nextFree[size_t(n)] = root;
            n = next;
        }
        return root;
    };
    for (int i = 0; i < plan.size(); ++i) {
        int n = 0;
        if (first > 0) {
            n = first + i <= gtfs::MaxRouteNumber ? first + i : 0;
        } else {
            n = freeFrom(plan[i].derivedNumber);
            if (n > gtfs::MaxRouteNumber)
                n = freeFrom(1);
            if (n > gtfs::MaxRouteNumber)
                n = 0;
        }
        if (n > 0 && first == 0)
            nextFree[size_t(n)] = n + 1;
        numbers << n;
    }
    return numbers;
}

// "1 route", "2 routes".
QString counted(qsizetype n, const char* what) {
    return QStringLiteral("%1 %2%3").arg(n).arg(QLatin1String(what)).arg(n == 1 ? "" : "s");
}

QString directionText(int direction) {
    return direction < 0 ? QString() : QString::number(direction);
}

// `corvane route import-gtfs FEED -o FOLDER --all [--patterns] [--first-number N]`.
int importAll(const gtfs::GtfsFeed& feed, const QString& folder, bool patterns, int firstNumber,
              QTextStream& out, QTextStream& err) {
    gtfs::FeedRoutes routes(feed);
    const bool loaded = routes.load();
    for (const QString& line : routes.report())
        err << "warning: " << shown(line) << '\n';
    if (!loaded)
        return refuse(err, routes.error());
    const QVector<gtfs::PlannedRoute> plan = routes.plan(patterns);
    if (plan.isEmpty())
        return refuse(err, QStringLiteral("the feed has no trips to import"));
    const QVector<int> numbers = assignNumbers(plan, firstNumber);
    QStringList skipped;
    for (const QString& routeId : routes.routesWithoutTrips())
        skipped << QStringLiteral("route %1: no trips in trips.txt").arg(shown(routeId));

    gtfs::OutputFiles files(folder);
    QString error;
    if (!files.begin(QStringLiteral("routes.csv"), error))
        return refuse(err, error);
    Progress progress(err, isTerminal(err), static_cast<int>(plan.size()));
    QString csv = QStringLiteral("number,route_id,direction_id,trip_id,headsign,stops,tickets,warnings\n");
    QStringList cut;
    int written = 0;
    int withWarnings = 0;
    for (int i = 0; i < plan.size(); ++i) {
        const gtfs::PlannedRoute& p = plan[i];
        QString what = QStringLiteral("route %1").arg(shown(p.routeId));
        if (p.direction >= 0)
            what += QStringLiteral(" direction %1").arg(p.direction);
        if (patterns)
            what += QStringLiteral(" pattern %1").arg(p.pattern + 1);
        what += QStringLiteral(" (trip %1)").arg(shown(p.tripId));
        const int number = numbers[i];
        if (number == 0) {
            skipped << QStringLiteral("%1: no route number is left (the numbers go up to %2)")
                           .arg(what)
                           .arg(gtfs::MaxRouteNumber);
            progress.routeDone(i + 1, QStringLiteral("skipped %1: no route number is left").arg(what));
            continue;
        }
        const gtfs::ImportResult result = routes.build(p, number);
        for (const QString& line : result.report)
            progress.say(QStringLiteral("warning: route %1: %2").arg(number).arg(shown(line)));
        RouteFiles made;
        if (!result.error.isEmpty() || !makeFiles(result, made, error)) {
            const QString why = result.error.isEmpty() ? error : result.error;
            skipped << QStringLiteral("%1: %2").arg(what, shown(why));
            progress.routeDone(i + 1, QStringLiteral("skipped %1: %2").arg(what, shown(why)));
            continue;
        }
        if (!files.add(routeFileName(number), made.route, error) ||
            !files.add(tapeFileName(number), made.tape, error) ||
            !files.add(signFileName(number), made.sign, error)) {
            progress.finish();
            return refuse(err, error + QStringLiteral(" (nothing was changed in the folder)"));
        }
        ++written;
        if (!result.report.isEmpty())
            ++withWarnings;
        if (result.cutStops > 0 || result.cutTickets > 0) {
            QStringList parts;
            if (result.cutStops > 0)
                parts << counted(result.cutStops, "stop") + QStringLiteral(" past the route file's 301");
            if (result.cutTickets > 0)
                parts << counted(result.cutTickets, "ticket number") +
                             QStringLiteral(" past the board's 50 fare displays");
            cut << QStringLiteral("%1: %2").arg(number).arg(parts.join(QStringLiteral(", ")));
        }
        csv += QStringList{QString::number(number),
                           csvField(result.routeId),
                           directionText(result.direction),
                           csvField(result.tripId),
                           csvField(result.headsign),
                           QString::number(result.rows.size()),
                           QString::number(result.ticketCount),
                           QString::number(result.report.size())}
                   .join(QLatin1Char(','));
        csv += QLatin1Char('\n');
        progress.routeDone(i + 1, QStringLiteral("%1 → %2: %3 stops, %4 ticket numbers%5")
                                      .arg(what)
                                      .arg(number)
                                      .arg(result.rows.size())
                                      .arg(result.ticketCount)
                                      .arg(result.report.isEmpty()
                                               ? QString()
                                               : QStringLiteral(", %1 warning%2")
                                                     .arg(result.report.size())
                                                     .arg(result.report.size() == 1 ? "" : "s")));
    }
    progress.finish();
    if (written == 0) {
        for (const QString& line : std::as_const(skipped))
            err << "skipped: " << line << '\n';
        return refuse(err, QStringLiteral("no route could be imported; nothing was written"));
    }
    if (!files.add(QStringLiteral("routes.csv"), csv.toUtf8(), error) || !files.commit(error))
        return refuse(err, error + QStringLiteral(" (nothing was changed in the folder)"));

    out << "wrote " << counted(written, "route") << " into " << shown(folder)
        << " (N.hy3, Ntp.csv and N.sign each; "
        << "routes.csv lists them) in " << QString::number(progress.seconds(), 'f', 1) << " s\n";
    if (withWarnings > 0)
        out << counted(withWarnings, "route")
            << " with warnings (the warnings column of routes.csv counts them)\n";
    out << "cut: " << counted(cut.size(), "route") << '\n';
    for (const QString& line : std::as_const(cut))
        out << "  " << line << '\n';
    out << "skipped: " << counted(skipped.size(), "route") << '\n';
    for (const QString& line : std::as_const(skipped))
        out << "  " << line << '\n';
    return 0;
}

} // namespace

QString importGtfsHelp() {
    return QString::fromUtf8(kHelp);
}

int importGtfsCommand(const QStringList& args, QTextStream& out, QTextStream& err) {
    QString feedPath;
    QString folder;
    bool list = false;
    bool folderGiven = false;
    gtfs::ImportRequest request;
    bool directionGiven = false;
    bool all = false;
    bool patterns = false;
    int firstNumber = 0;
    for (qsizetype i = 0; i < args.size(); ++i) {
        const QString& a = args.at(i);
        if (a == QLatin1String("--help") || a == QLatin1String("-h")) {
            out << kHelp;
            return 0;
        }
        const bool takesValue = a == QLatin1String("-o") || a == QLatin1String("--trip") ||
                                a == QLatin1String("--route") || a == QLatin1String("--direction") ||
                                a == QLatin1String("--number") || a == QLatin1String("--first-number");
        if (takesValue && (i + 1 >= args.size() || args.at(i + 1).isEmpty()))
            return usage(err, QStringLiteral("%1 needs a value").arg(a));
        if (a == QLatin1String("--list")) {
            list = true;
        } else if (a == QLatin1String("-o")) {
            folder = args.at(++i);
            folderGiven = true;
        } else if (a == QLatin1String("--trip")) {
            request.tripId = args.at(++i);
        } else if (a == QLatin1String("--route")) {
            request.routeId = args.at(++i);
        } else if (a == QLatin1String("--direction")) {
            const QString d = args.at(++i);
            if (d != QLatin1String("0") && d != QLatin1String("1"))
                return usage(err, QStringLiteral("--direction takes 0 or 1, not \"%1\"").arg(d));
            request.direction = d.toInt();
            directionGiven = true;
        } else if (a == QLatin1String("--all")) {
            all = true;
        } else if (a == QLatin1String("--patterns")) {
            patterns = true;
        } else if (a == QLatin1String("--number") || a == QLatin1String("--first-number")) {
            const QString n = args.at(++i);
            bool ok = false;
            const int number = n.toInt(&ok);
            const bool digits =
                std::all_of(n.begin(), n.end(), [](QChar c) { return c.isDigit() && c.unicode() < 128; });
            if (!ok || !digits || number < 1 || number > gtfs::MaxRouteNumber)
                return usage(err, QStringLiteral("%1 takes a route number 1..99999, not \"%2\"").arg(a, n));
            (a == QLatin1String("--number") ? request.number : firstNumber) = number;
        } else if (a.startsWith(QLatin1Char('-')) && a.size() > 1) {
            return usage(err, QStringLiteral("unknown option %1").arg(a));
        } else if (feedPath.isEmpty()) {
            feedPath = a;
        } else {
            return usage(err, QStringLiteral("too many arguments"));
        }
    }
    if (feedPath.isEmpty())
        return usage(err, QStringLiteral("no feed given"));
    if (!request.tripId.isEmpty() && !request.routeId.isEmpty())
        return usage(err, QStringLiteral("give --trip or --route, not both"));
    if (directionGiven && request.routeId.isEmpty())
        return usage(err, QStringLiteral("--direction goes with --route"));
    all = all || patterns;
    if (all && (!request.tripId.isEmpty() || !request.routeId.isEmpty() || request.number > 0))
        return usage(err, QStringLiteral("--all imports every route: not with --trip, --route or --number"));
    if (firstNumber > 0 && !all)
        return usage(err, QStringLiteral("--first-number goes with --all"));

    QString error;
    const std::unique_ptr<gtfs::GtfsFeed> feed = gtfs::GtfsFeed::open(feedPath, error);
    if (!feed)
        return refuse(err, error);

    if (list) {
        const gtfs::ListResult routes = gtfs::listRoutes(*feed);
        for (const QString& line : routes.report)
            err << "warning: " << shown(line) << '\n';
        if (!routes.error.isEmpty())
            return refuse(err, routes.error);
        out << "route_id\tname\ttrips\tstops per trip\tnumber\n";
        for (const gtfs::RouteListing& r : routes.routes) {
            const QString stops = r.minStops == r.maxStops
                                      ? QString::number(r.maxStops)
                                      : QStringLiteral("%1-%2").arg(r.minStops).arg(r.maxStops);
            out << shown(r.routeId) << '\t' << shown(r.name) << '\t' << r.trips << '\t' << stops << '\t'
                << r.number << '\n';
        }
        return 0;
    }

    if (!folderGiven || folder.isEmpty())
        return usage(err, QStringLiteral("no output folder given (-o FOLDER)"));
    if (all)
        return importAll(*feed, folder, patterns, firstNumber, out, err);
    if (request.tripId.isEmpty() && request.routeId.isEmpty())
        return usage(err, QStringLiteral("choose a trip with --trip or a route with --route, or --all "
                                         "(--list shows them)"));

    const gtfs::ImportResult result = gtfs::importTrip(*feed, request);
    for (const QString& line : result.report)
        err << "warning: " << shown(line) << '\n';
    if (!result.error.isEmpty())
        return refuse(err, result.error);

    RouteFiles made;
    if (!makeFiles(result, made, error))
        return refuse(err, error);
    const int n = result.routeNumber;
    gtfs::OutputFiles files(folder);
    if (!files.begin(routeFileName(n), error) || !files.add(routeFileName(n), made.route, error) ||
        !files.add(tapeFileName(n), made.tape, error) || !files.add(signFileName(n), made.sign, error) ||
        !files.commit(error))
        return refuse(err, error);
    const QString number = QString::number(n);
    const QString routePath = files.pathOf(routeFileName(n));
    const QString tapePath = files.pathOf(tapeFileName(n));

    out << "trip " << shown(result.tripId) << " of route " << shown(result.routeId) << " ("
        << shown(result.routeName) << "): " << result.feedStops << " stops, " << result.ticketCount
        << " ticket numbers\n";
    if (result.numberDerived)
        out << "route number " << number << " (derived from the route; --number chooses another)\n";
    else
        out << "route number " << number << '\n';
    out << "wrote " << shown(routePath) << " (" << result.rows.size() << " stops)\n";
    out << "wrote " << shown(tapePath) << " (" << result.tape.size() << " announcements)\n";
    out << "wrote " << shown(files.pathOf(signFileName(n)))
        << " (destination sign: " << shown(result.sign.destination) << ")\n";
    if (result.missingFares > 0)
        out << result.missingFares << " fares without a fare rule are -1\n";
    return 0;
}
