#pragma once

#include "settings/SettingsError.h"
#include "settings/SettingsRecord.h"

#include <QByteArray>
#include <QProcessEnvironment>
#include <QString>
#include <functional>

// The settings file: where it lies, how it is read and how it is written, without any
// window. LoadIni and SaveIni, which copy the record to and from the windows, are
// built on these.
namespace mdlIniIo {

// The record the module owns: the transfer buffer of LoadIni and SaveIni and the home
// of the colour dialog's custom colours (block I), which the colour choices update.
SettingsRecord& settingsRecord();

// The settings file next to the program: the executable's folder, a "/" unless the
// folder already ends with one, the executable's name without its extension, ".in4".
// "/opt/app/board.exe" gives "/opt/app/board.in4"; "/usr/bin/508" gives "/usr/bin/508.in4".
QString programSettingsPath(const QString& executablePath);

// The settings an installed program starts with when nobody has saved any yet: the file
// of the same name in share/corvane beside the program's bin folder, so that the prefix
// is found from where the program lies. "/usr/bin/508" gives "/usr/share/corvane/508.in4".
QString installedSettingsPath(const QString& executablePath);

// The per-user folder used when the program's folder cannot be written:
// $XDG_CONFIG_HOME/corvane, or $HOME/.config/corvane when XDG_CONFIG_HOME is unset or
// not an absolute path.
QString userSettingsFolder(const QProcessEnvironment& env);

// True when files can be created in the folder (it exists, is a folder and is writable).
bool isFolderWritable(const QString& folder);

struct SettingsPaths {
    QString readPath;  // the file LoadIni reads
    QString writePath; // the file SaveIni writes
};

using FolderWritable = std::function<bool(const QString& folder)>;

// Where the settings file is read and written. A file in the per-user folder wins:
// when it exists, both paths are that file. Otherwise the file next to the program is
// read, or, when there is none, the installed settings (installedSettingsPath) if they
// exist. The file is written next to the program when the program's folder is
// writable and the program is not installed (has no installed settings), else in the
// per-user folder (with the program file's settings name).
SettingsPaths resolveSettingsPaths(const QString& executablePath, const QProcessEnvironment& env,
                                   const FolderWritable& writable = isFolderWritable);

enum class LoadStatus {
    Loaded,  // the record holds the file's values (see readStatus for a short file)
    Missing, // no file, or a name that cannot name one: nothing to report
    Failed,  // any other error: report loadErrorMessage(error)
};

struct LoadResult {
    LoadStatus status = LoadStatus::Missing;
    SettingsRecord record; // defaults unless Loaded
    ReadStatus readStatus =
        ReadStatus::Complete; // Truncated: a short file, its missing fields at their defaults
    SettingsError error;      // set when Failed (53 or 52 when Missing)
};

// Reads and decodes a settings file. Only regular files are read; a short file loads
// with defaults for its missing fields, and bytes after the layout are ignored.
// Errors: 52 empty name, 53 no such file or folder (both Missing); 75 not a regular
// file or cannot be opened, 70 not readable, 57 read failure (all Failed).
LoadResult loadSettingsFile(const QString& path);
// The same, with a short file's missing fields taken from `base`.
LoadResult loadSettingsFile(const QString& path, const SettingsRecord& base);

// The bytes a save writes for `record`. Error 6 (Overflow), the description naming the
// fields, when a text has more Shift_JIS bytes than the file's 16-bit byte count holds
// (MaxStoredTextBytes): a save never writes a text cut short. `bytes` is left alone then.
SettingsError settingsFileBytes(const SettingsRecord& record, QByteArray& bytes);

// Writes the bytes to the file safely: they go to a temporary file in the same folder,
// which then replaces the file, so a failure at any point leaves the previous file as
// it was. Returns the error, number 0 on success.
// Errors: 52 empty name; 76 the folder does not exist (or is not a folder); 75 the name
// is not a regular file (a folder, a named pipe, a device; a link counts as what it
// leads to), or the file cannot be created or replaced; 70 the folder is not writable;
// 57 the bytes could not be written.
SettingsError writeSettingsFile(const QString& path, const QByteArray& bytes);

// writeSettingsFile with the save message: on failure `errorNumberAndDescription` (when
// given) receives saveErrorMessage(error). Returns true on success.
bool saveSettingsFile(const QString& path, const QByteArray& bytes, QString* errorNumberAndDescription);

// The program's settings file as start-up reads it (readPath of resolveSettingsPaths).
LoadResult loadProgramSettings(const QString& executablePath,
                               const QProcessEnvironment& env = QProcessEnvironment::systemEnvironment(),
                               const SettingsRecord& base = SettingsRecord());

// The program's settings file as exit writes it (writePath of resolveSettingsPaths);
// creates the per-user folder when the file goes there.
SettingsError saveProgramSettings(const QString& executablePath, const QByteArray& bytes,
                                  const QProcessEnvironment& env = QProcessEnvironment::systemEnvironment());

// "エラー Code:" number CR LF "内容:" description CR LF "モジュール:mdlIniIo.LoadIni()"
QString loadErrorMessage(const SettingsError& error);
// "エラー Code:" number CR LF "内容:" description
QString saveErrorMessage(const SettingsError& error);

} // namespace mdlIniIo
