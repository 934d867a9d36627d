#pragma once

#include "platform/RegularFile.h"

#include <QByteArray>
#include <QString>
#include <QStringList>
#include <functional>

// The small files the program keeps in the user's configuration folder beside its
// settings (voice.conf, display.conf, remote.conf, remote.token), read and written one
// way. Each file decides its own names, values and defaults; this is the reading of
// lines, the bounded read of a regular file and the whole-file write.
namespace configfile {

// No file of these is longer: a longer one is not read.
constexpr qint64 kMaxBytes = 64 * 1024;

// $XDG_CONFIG_HOME/corvane/NAME (~/.config/corvane/NAME when the variable is unset or
// not an absolute path).
QString userFile(const QString& name);

// What a file gives for one "name=value" line: "" when it takes it, else what is wrong
// with it ("port must be a number from 1 to 65535").
using Take = std::function<QString(const QString& name, const QString& value)>;

// Hands each "name=value" line of `text` to `take`, in order, the name and the value
// without the spaces around them (UTF-8; a CR before the line feed is a space). Blank
// lines and lines starting with # are skipped. A line without a name before its "=" and
// each problem `take` gives are added to `problems`, when given, as "line N: PROBLEM".
void parse(const QByteArray& text, const Take& take, QStringList* problems = nullptr);

// "line N: WHAT"
QString lineProblem(int line, const QString& what);

// Reads the file at `path` when it is a regular file of at most `maxBytes` bytes
// (regularfile::read: a named pipe or a device is never opened to wait). `bytes` is
// empty unless the status is Read: a longer file is TooLarge and none of it is used.
regularfile::Result read(const QString& path, qint64 maxBytes = kMaxBytes);

// Writes `text` as the whole file at `path` (savefile::write: a name that is not a
// regular file is refused, the old file stays whole when the write fails), making its
// folder when it is missing. False with `error` (when given) set to the reason.
bool save(const QString& path, const QByteArray& text, QString* error = nullptr);

} // namespace configfile
