#pragma once

#include <QStringList>
#include <QTextStream>

// `corvane route ...`: `args` are the words after "route". Writes its results to
// `out` and its complaints to `err` (both expected to be UTF-8). Exit status: 0
// success; 1 from `check` when it found problems; 2 for usage errors, unreadable
// files and bad input. `route import-gtfs` is not run here: the command-line tool
// hands it to importGtfsCommand (gtfs/GtfsCli.h). routeHelp() lists it all the same.
int routeCommand(const QStringList& args, QTextStream& out, QTextStream& err);

// The text of `corvane route --help`.
QString routeHelp();
