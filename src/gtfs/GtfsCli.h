#pragma once

#include <QStringList>
#include <QTextStream>

// `corvane route import-gtfs ...`: `args` are the words after "import-gtfs". Writes
// what it did to `out`, each report line ("warning: ...") and refusal ("error: ...")
// to `err`. Exit status: 0 done (also with warnings); 2 for usage errors and when
// nothing sensible can be written.
int importGtfsCommand(const QStringList& args, QTextStream& out, QTextStream& err);

// The text of `corvane route import-gtfs --help`.
QString importGtfsHelp();
