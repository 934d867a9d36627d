#pragma once

#include <QByteArray>
#include <QString>

// Reading a data file the program opens by name (a route file, an announcement list):
// only a regular file is read, and never more than the largest such file can be, so
// that a named pipe, a device or a folder given that name cannot make the program hang
// or exhaust its memory.
namespace regularfile {

enum class Status {
    Read,       // `bytes` holds the file (at most the limit)
    Missing,    // no such file in an existing folder
    NotRegular, // it exists but is not a regular file (a folder, a pipe, a device...)
    TooLarge,   // a regular file longer than the limit; `bytes` holds its first bytes
    Failed,     // it could not be opened or read: `error` says why
};

struct Result {
    Status status = Status::Failed;
    int error = 0; // the system's error number (errno) when Failed; EISDIR for a folder
    QByteArray bytes;
};

// Reads at most `maxBytes` bytes of the file at `path`. Opening never waits (a pipe
// without a writer is refused at once).
Result read(const QString& path, qint64 maxBytes);

// The system's description of an error number in Japanese, as the program's messages
// show it ("指定されたパスが見つかりません。").
QString describe(int error);

// The message for a file that could not be read: the description, CR LF, the path.
QString failureMessage(int error, const QString& path);

} // namespace regularfile
