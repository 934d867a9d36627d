#pragma once

#include <QByteArray>
#include <QSaveFile>
#include <QString>

// Writing a file whole through QSaveFile, which writes to a temporary file beside it
// and renames that over the file on commit().
namespace savefile {

// Opens `file` and writes all of `bytes` into its temporary file, then flushes it.
// False, with the file's error set (errorString(): "File too large", "No space left on
// device"...), when any of it could not be written. Only then commit(): commit() alone
// does not notice a flush that fails and would put a short file in place of the old
// one, and a write that stops short (a file size limit) sets no error by itself.
bool writeAll(QSaveFile& file, const QByteArray& bytes);

// Why `path` cannot be written as a file, or an empty string when it can be tried: a
// name that exists as something other than a regular file (a folder, a named pipe, a
// device, a socket; a symbolic link counts as what it leads to) is refused, because
// renaming a new file over it would replace it instead of writing into it. The reason
// does not repeat the path ("a named pipe, not a regular file"), like errorString().
QString targetProblem(const QString& path);

// Writes `bytes` as the whole file at `path`: refuses a target that is not a regular
// file (targetProblem), writes a temporary file beside it and renames that over the
// old file only when every byte was written, so a failed write leaves the old file as
// it was. False with `error` (when given) set to the reason.
bool write(const QString& path, const QByteArray& bytes, QString* error = nullptr);

} // namespace savefile
