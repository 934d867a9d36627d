#include "gtfs/GtfsCli.h"

#include "gtfs/GtfsFeed.h"
#include "gtfs/GtfsImport.h"
#include "platform/SaveFile.h"
#include "route/RouteFile.h"
#include "sound/TapeList.h"

#include <QDir>
#include <QSaveFile>
#include <memory>

namespace {

const char* const kHelp =
    "usage: corvane route import-gtfs FEED --list\n"
    "       corvane route import-gtfs FEED -o FOLDER (--trip TRIP_ID | --route ROUTE_ID [--direction 0|1])\n"
    "                                 [--number N]\n"
    "\n"
    "Imports one trip of a GTFS-JP feed (a folder of .txt tables or a .zip archive) as a\n"
    "route: writes the route file N.hy3 and the announcement list Ntp.csv into FOLDER\n"
    "(created when missing; each file is replaced whole or not at all).\n"
    "\n"
    "options:\n"
    "  --list            print the routes (route_id, name, trips, stops per trip, route\n"
    "                    number) and exit\n"
    "  --trip TRIP_ID    import this trip\n"
    "  --route ROUTE_ID  import the trip of this route with the most stops\n"
    "  --direction 0|1   with --route: only trips of this direction_id\n"
    "  --number N        the route number, 1..99999 (default: derived from the route's\n"
    "                    short name or id, and printed)\n"
    "  -o FOLDER         where to write the two files\n"
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

// Both files are written completely before either replaces its old version. The route
// file is renamed into place first: an interruption between the two renames leaves the
// new route file beside the previous announcement list, each file whole.
bool writeBoth(const QString& routePath, const QByteArray& route, const QString& tapePath,
               const QByteArray& tape, QString& error) {
    QSaveFile a(routePath);
    QSaveFile b(tapePath);
    if (!savefile::writeAll(a, route)) {
        error = routePath + QStringLiteral(": ") + a.errorString();
        a.cancelWriting();
        return false;
    }
    if (!savefile::writeAll(b, tape)) {
        error = tapePath + QStringLiteral(": ") + b.errorString();
        a.cancelWriting();
        return false;
    }
    if (!a.commit()) {
        error = routePath + QStringLiteral(": ") + a.errorString();
        b.cancelWriting();
        return false;
    }
    if (!b.commit()) {
        error = tapePath + QStringLiteral(": ") + b.errorString();
        return false;
    }
    return true;
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
    for (qsizetype i = 0; i < args.size(); ++i) {
        const QString& a = args.at(i);
        if (a == QLatin1String("--help") || a == QLatin1String("-h")) {
            out << kHelp;
            return 0;
        }
        const bool takesValue = a == QLatin1String("-o") || a == QLatin1String("--trip") ||
                                a == QLatin1String("--route") || a == QLatin1String("--direction") ||
                                a == QLatin1String("--number");
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
        } else if (a == QLatin1String("--number")) {
            const QString n = args.at(++i);
            bool ok = false;
            const int number = n.toInt(&ok);
            const bool digits =
                std::all_of(n.begin(), n.end(), [](QChar c) { return c.isDigit() && c.unicode() < 128; });
            if (!ok || !digits || number < 1 || number > gtfs::MaxRouteNumber)
                return usage(err,
                             QStringLiteral("--number takes a route number 1..99999, not \"%1\"").arg(n));
            request.number = number;
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
    if (request.tripId.isEmpty() && request.routeId.isEmpty())
        return usage(err,
                     QStringLiteral("choose a trip with --trip or a route with --route (--list shows them)"));

    const gtfs::ImportResult result = gtfs::importTrip(*feed, request);
    for (const QString& line : result.report)
        err << "warning: " << shown(line) << '\n';
    if (!result.error.isEmpty())
        return refuse(err, result.error);

    QByteArray route;
    try {
        route = DataIo::writeRouteFile(result.rows);
    } catch (const DataIo::RouteFileError& e) {
        return refuse(err, QString::fromUtf8(e.what()));
    }
    QByteArray tape;
    if (!tapelist::write(result.tape, tape, &error))
        return refuse(err, QStringLiteral("announcement list: ") + error);

    if (!QDir().mkpath(folder))
        return refuse(err, QStringLiteral("%1: cannot create the folder").arg(folder));
    const QDir dir(folder);
    const QString number = QString::number(result.routeNumber);
    const QString routePath = dir.filePath(number + QStringLiteral(".hy3"));
    const QString tapePath = dir.filePath(number + QStringLiteral("tp.csv"));
    if (!writeBoth(routePath, route, tapePath, tape, error))
        return refuse(err, error);

    out << "trip " << shown(result.tripId) << " of route " << shown(result.routeId) << " ("
        << shown(result.routeName) << "): " << result.feedStops << " stops, " << result.ticketCount
        << " ticket numbers\n";
    if (result.numberDerived)
        out << "route number " << number << " (derived from the route; --number chooses another)\n";
    else
        out << "route number " << number << '\n';
    out << "wrote " << shown(routePath) << " (" << result.rows.size() << " stops)\n";
    out << "wrote " << shown(tapePath) << " (" << result.tape.size() << " announcements)\n";
    if (result.missingFares > 0)
        out << result.missingFares << " fares without a fare rule are -1\n";
    return 0;
}
