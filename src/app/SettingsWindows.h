#pragma once

#include "settings/SettingsRecord.h"

#include <QString>

class ConsoleModel;
class Form1;
class frmCtl;
class frmOption;

// LoadIni and SaveIni: the settings file copied to and from the windows and the
// console's model.
namespace mdlIniIo {

struct Windows {
    Form1& board;
    frmOption& options;
    frmCtl& controller;
    ConsoleModel& console; // the fare displays' formats
};

// What the windows hold now, as the settings file would store it (what SaveIni
// writes). Taken at start-up before the file is read, it is a first start's values.
SettingsRecord currentRecord(const Windows& windows);

// Loads the settings file (the program's own when `path` is empty) and applies it to
// the windows. A missing file is silent; any other problem is reported and nothing
// of the file is applied. A file cut short loads what it holds: each missing value
// takes its value in `firstStart` (the windows' values at a first start). Returns
// true when the file was applied.
bool LoadIni(const Windows& windows, const QString& path = QString(),
             const SettingsRecord& firstStart = SettingsRecord());

// Writes the settings file (the program's own when `path` is empty). A failure is
// reported (and its message given in `failure`, when asked); the previous file is kept.
// Returns true when the file was written.
bool SaveIni(const Windows& windows, const QString& path = QString(), QString* failure = nullptr);

} // namespace mdlIniIo
