#include "route/RouteCli.h"

#include "platform/Cp932.h"
#include "platform/RegularFile.h"
#include "platform/SaveFile.h"
#include "route/RouteCheck.h"
#include "route/RouteCsv.h"
#include "route/RouteFile.h"

#include <QFile>
#include <algorithm>
#include <cerrno>
#include <cstring>

using namespace DataIo;

namespace {

const char* const kRouteHelp =
    "usage: corvane route dump FILE.hy3\n"
    "       corvane route build FILE.csv -o FILE.hy3\n"
    "       corvane route check FILE.hy3\n"
    "       corvane route import-gtfs FEED -o FOLDER (--trip ID | --route ID) [--number N]\n"
    "\n"
    "Reads, writes and checks route data files (.hy3), the files the fare board loads\n"
    "when a route is set.\n"
    "\n"
    "subcommands:\n"
    "  dump    print a route file as CSV (UTF-8), one line per stop: name,ticket,c1,...,c150\n"
    "  build   write a route file from such CSV\n"
    "  check   report what the simulator would refuse or show wrongly\n"
    "  import-gtfs  write a route file and announcement list from a GTFS-JP feed\n"
    "\n"
    "COMMAND --help describes one subcommand.\n";

const char* const kDumpHelp =
    "usage: corvane route dump FILE.hy3\n"
    "\n"
    "Prints the route file as CSV (UTF-8), one line per stop, in file order:\n"
    "  name,ticket,c1,...,c150\n"
    "name is the stop name (decoded from cp932), quoted with doubled quotes when it holds\n"
    "a comma, a quote or a line break; ticket is the stop's ticket number; c1..c150 are\n"
    "the data columns (c1..c50: the fares of ticket numbers 1..50, -1 for no fare).\n"
    "Every record in the file is printed, also those past row 301.\n"
    "\n"
    "Exit status: 0 done; 2 when the file cannot be read, its record count is missing or\n"
    "negative, or it ends inside a record (the complete records are printed first).\n"
    "A name whose bytes are not valid cp932 is printed with replacement characters and\n"
    "reported on standard error.\n";

const char* const kBuildHelp =
    "usage: corvane route build FILE.csv -o FILE.hy3\n"
    "\n"
    "Writes a route file from CSV in the form that 'route dump' prints (UTF-8, an\n"
    "optional byte order mark, LF or CR LF line ends; blank lines are skipped):\n"
    "  name,ticket,c1,...,c150\n"
    "A line may stop before c150: the missing columns are 0. Numbers are whole numbers\n"
    "in -32768..32767 and may not be empty. The name must be writable in cp932 and take\n"
    "at most 65535 bytes there. A route holds at most 32767 stops; a route of 0 stops or\n"
    "of more than 301 stops is written with a warning, as the simulator refuses it.\n"
    "\n"
    "Bad input is reported as 'FILE:LINE: field N (NAME): reason' and no output file is\n"
    "written (an existing one is left as it was).\n"
    "\n"
    "Exit status: 0 written; 2 for usage errors, unreadable input and bad input.\n";

const char* const kCheckHelp =
    "usage: corvane route check FILE.hy3\n"
    "\n"
    "Reports what the simulator would refuse or show wrongly: a record count that is\n"
    "missing, 0, negative or 1 (no section can be set), more records than the fare\n"
    "table's 301 rows, a file that ends inside a record, fares in c1..c50 that the\n"
    "four-place fare displays cannot show (10000 and more, -1000 and less), late-night\n"
    "fares that cannot be doubled within 16 bits or do not fit four places, and stop\n"
    "names that are not valid cp932. Only a regular file is read, and no more of it than\n"
    "a route of 301 records can take.\n"
    "The first line is 'FILE: SUMMARY' (a route the simulator refuses is summarised as\n"
    "refused); each finding follows as 'problem: ...'\n"
    "(or 'note: ...' for harmless ones, such as ignored bytes after the last record).\n"
    "\n"
    "Exit status: 0 nothing to report; 1 problems found; 2 usage errors or an unreadable\n"
    "file.\n";

bool isHelp(const QString& arg) {
    return arg == QLatin1String("--help") || arg == QLatin1String("-h");
}

// The largest CSV file `route build` reads: far more than 32767 stops of 150 columns.
constexpr qint64 kMaxCsvBytes = qint64(256) * 1024 * 1024;

// Reads a regular file of at most `maxBytes` bytes (a pipe or a device is refused, so
// that nothing waits or reads without end). `cut` (when given) says whether the file
// went on beyond the limit; without it such a file is refused.
bool readFile(const QString& path, QByteArray& bytes, QTextStream& err, const char* command, qint64 maxBytes,
              bool* cut = nullptr) {
    regularfile::Result file = regularfile::read(path, maxBytes);
    QString problem;
    switch (file.status) {
    case regularfile::Status::Read:
        break;
    case regularfile::Status::TooLarge:
        if (!cut)
            problem = QStringLiteral("the file is larger than %1 bytes").arg(maxBytes);
        break;
    case regularfile::Status::Missing:
        problem = QString::fromLocal8Bit(std::strerror(ENOENT));
        break;
    case regularfile::Status::NotRegular:
        problem = file.error != 0 ? QString::fromLocal8Bit(std::strerror(file.error))
                                  : QStringLiteral("not a regular file");
        break;
    case regularfile::Status::Failed:
        problem = QString::fromLocal8Bit(std::strerror(file.error));
        break;
    }
    if (!problem.isEmpty()) {
        err << "corvane route " << command << ": " << path << ": " << problem << '\n';
        return false;
    }
    if (cut)
        *cut = file.status == regularfile::Status::TooLarge;
    bytes = std::move(file.bytes);
    return true;
}

int usage(QTextStream& err, const char* command, const QString& problem) {
    err << "corvane route " << command << ": " << problem << " (see corvane route " << command
        << " --help)\n";
    return 2;
}

int dump(const QStringList& args, QTextStream& out, QTextStream& err) {
    if (args.size() != 1)
        return usage(err, "dump",
                     args.isEmpty() ? QStringLiteral("no file given") : QStringLiteral("too many arguments"));
    const QString path = args.first();
    QByteArray bytes;
    if (!readFile(path, bytes, err, "dump", MaxRouteFileBytes))
        return 2;
    const RouteFileContents contents = parseRouteFile(bytes);
    for (qsizetype i = 0; i < contents.records.size(); ++i) {
        const RouteRow& row = contents.records.at(i);
        if (cp932::encode(row.StopName) != row.StopNameBytes)
            err << "corvane route dump: " << path << ": record " << (i + 1)
                << ": the stop name is not valid cp932; written with replacement characters\n";
        out << routeCsvLine(row) << '\n';
    }
    out.flush();
    if (!contents.hasCount) {
        err << "corvane route dump: " << path << ": the file is shorter than its record count\n";
        return 2;
    }
    if (contents.count < 0) {
        err << "corvane route dump: " << path << ": the record count " << contents.count << " is negative\n";
        return 2;
    }
    if (contents.truncated()) {
        err << "corvane route dump: " << path << ": the file ends inside record " << contents.endsInRecord
            << " of " << contents.count << '\n';
        return 2;
    }
    return 0;
}

int build(const QStringList& args, QTextStream& err) {
    QString input;
    QString output;
    for (qsizetype i = 0; i < args.size(); ++i) {
        const QString& a = args.at(i);
        if (a == QLatin1String("-o")) {
            if (i + 1 >= args.size())
                return usage(err, "build", QStringLiteral("-o needs a file name"));
            if (!output.isEmpty())
                return usage(err, "build", QStringLiteral("-o given twice"));
            output = args.at(++i);
            if (output.isEmpty())
                return usage(err, "build", QStringLiteral("-o needs a file name"));
        } else if (a.startsWith(QLatin1Char('-')) && a.size() > 1) {
            return usage(err, "build", QStringLiteral("unknown option %1").arg(a));
        } else if (input.isEmpty()) {
            input = a;
        } else {
            return usage(err, "build", QStringLiteral("too many arguments"));
        }
    }
    if (input.isEmpty())
        return usage(err, "build", QStringLiteral("no CSV file given"));
    if (output.isEmpty())
        return usage(err, "build", QStringLiteral("no output file given (-o FILE.hy3)"));

    QByteArray bytes;
    if (!readFile(input, bytes, err, "build", kMaxCsvBytes))
        return 2;
    const RouteCsvResult csv = parseRouteCsv(bytes);
    if (csv.error) {
        const RouteCsvError& e = *csv.error;
        err << "corvane route build: " << input << ':' << e.line << ": ";
        if (e.field > 0)
            err << "field " << e.field << " (" << csvFieldName(e.field) << "): ";
        err << e.reason << '\n';
        return 2;
    }
    QByteArray file;
    try {
        file = writeRouteFile(csv.records);
    } catch (const RouteFileError& e) {
        err << "corvane route build: " << input << ": " << e.what() << '\n';
        return 2;
    }
    if (QString reason; !savefile::write(output, file, &reason)) {
        err << "corvane route build: " << output << ": " << reason << '\n';
        return 2;
    }
    const qsizetype n = csv.records.size();
    if (n == 0)
        err << "corvane route build: warning: " << output
            << ": 0 stops; the simulator refuses the route as unregistered\n";
    else if (n == 1)
        err << "corvane route build: warning: " << output
            << ": 1 stop; the simulator refuses it for every section\n";
    else if (n > FareTableRowCount)
        err << "corvane route build: warning: " << output << ": " << n
            << " stops; the simulator loads at most 301 and refuses the route\n";
    return 0;
}

int check(const QStringList& args, QTextStream& out, QTextStream& err) {
    if (args.size() != 1)
        return usage(err, "check",
                     args.isEmpty() ? QStringLiteral("no file given") : QStringLiteral("too many arguments"));
    const QString path = args.first();
    QByteArray bytes;
    bool cut = false;
    if (!readFile(path, bytes, err, "check", MaxLoadedRouteBytes, &cut))
        return 2;
    RouteCheckReport report = checkRouteFile(parseRouteFile(bytes));
    if (cut)
        report.notes << QStringLiteral(
                            "only the first %1 bytes were read, the most that a route of 301 records "
                            "can take; the simulator reads no more")
                            .arg(MaxLoadedRouteBytes);
    out << path << ": " << report.summary << '\n';
    for (const QString& p : report.problems)
        out << "problem: " << p << '\n';
    for (const QString& n : report.notes)
        out << "note: " << n << '\n';
    if (report.problems.isEmpty())
        out << "no problems found\n";
    else
        out << report.problems.size() << (report.problems.size() == 1 ? " problem" : " problems")
            << " found\n";
    out.flush();
    return report.problems.isEmpty() ? 0 : 1;
}

} // namespace

QString routeHelp() {
    return QString::fromUtf8(kRouteHelp);
}

int routeCommand(const QStringList& args, QTextStream& out, QTextStream& err) {
    if (args.isEmpty()) {
        err << kRouteHelp;
        return 2;
    }
    const QString sub = args.first();
    const QStringList rest = args.mid(1);
    if (isHelp(sub)) {
        out << kRouteHelp;
        return 0;
    }
    const bool help = std::any_of(rest.begin(), rest.end(), isHelp);
    if (sub == QLatin1String("dump")) {
        if (help) {
            out << kDumpHelp;
            return 0;
        }
        return dump(rest, out, err);
    }
    if (sub == QLatin1String("build")) {
        if (help) {
            out << kBuildHelp;
            return 0;
        }
        return build(rest, err);
    }
    if (sub == QLatin1String("check")) {
        if (help) {
            out << kCheckHelp;
            return 0;
        }
        return check(rest, out, err);
    }
    err << "corvane route: unknown subcommand \"" << sub << "\" (see corvane route --help)\n";
    return 2;
}
