#pragma once

#include <QStringList>
#include <QTextStream>

// `corvane plugin ...`: `args` are the words after "plugin". `check FILE` prints
// "valid" and the capability lines of the options dialog's plug-in page, or each
// problem of the file ("line L, field F: reason"). Exit status: 0 valid; 2 for a
// file that is not a usable plug-in and for usage errors.
int pluginCommand(const QStringList& args, QTextStream& out, QTextStream& err);

// The text of `corvane plugin --help`.
QString pluginHelp();
