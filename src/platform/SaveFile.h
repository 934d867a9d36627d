#pragma once

#include <QByteArray>
#include <QSaveFile>

// Writing a file whole through QSaveFile, which writes to a temporary file beside it
// and renames that over the file on commit().
namespace savefile {

// Opens `file` and writes all of `bytes` into its temporary file, then flushes it.
// False, with the file's error set (errorString(): "File too large", "No space left on
// device"...), when any of it could not be written. Only then commit(): commit() alone
// does not notice a flush that fails and would put a short file in place of the old
// one, and a write that stops short (a file size limit) sets no error by itself.
bool writeAll(QSaveFile& file, const QByteArray& bytes);

} // namespace savefile
