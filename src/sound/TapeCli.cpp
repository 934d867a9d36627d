#include "sound/TapeCli.h"

#include "sound/TapeList.h"

#include <algorithm>

namespace {

const char* const kTapeHelp =
    "usage: corvane tape check FILE.csv\n"
    "\n"
    "Reads an announcement list (the route number followed by tp.csv, cp932) as the\n"
    "program does when a route is set: text, MoveStop, ChimeKind per line, by the rules\n"
    "of list input; blank lines at the end of the file end the data.\n"
    "Prints 'ok: N entries' when the program takes the list, else 'FILE:LINE: reason'\n"
    "for the line where reading failed, or 'FILE: reason' when the file cannot be read.\n"
    "\n"
    "Exit status: 0 the list loads; 2 it is refused, cannot be read, or usage errors.\n";

bool isHelp(const QString& arg) {
    return arg == QLatin1String("--help") || arg == QLatin1String("-h");
}

} // namespace

int tapeCommand(const QStringList& args, QTextStream& out, QTextStream& err) {
    if (args.isEmpty() || (args.first() != QLatin1String("check") && !isHelp(args.first()))) {
        err << (args.isEmpty()
                    ? QStringLiteral("corvane tape: no subcommand given\n")
                    : QStringLiteral("corvane tape: unknown subcommand \"%1\"\n").arg(args.first()));
        err << kTapeHelp;
        return 2;
    }
    if (std::any_of(args.begin(), args.end(), isHelp)) {
        out << kTapeHelp;
        return 0;
    }
    if (args.size() != 2) {
        err << "corvane tape check: " << (args.size() < 2 ? "no file given" : "too many arguments")
            << " (see corvane tape check --help)\n";
        return 2;
    }
    const QString path = args.at(1);
    const tapelist::FileLoad load = tapelist::readFile(path);
    if (load.ok()) {
        out << "ok: " << load.list.recordsRead << (load.list.recordsRead == 1 ? " entry" : " entries")
            << '\n';
        return 0;
    }
    if (load.fileStatus == regularfile::Status::Read)
        out << path << ':' << load.list.failedLine << ": " << load.list.problem << '\n';
    else
        out << path << ": " << tapelist::refusalText(load) << '\n';
    return 2;
}
