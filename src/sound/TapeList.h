#pragma once

#include "platform/RegularFile.h"

#include <QByteArray>
#include <QString>
#include <QVector>

// One announcement of a route's announcement list.
struct TapeEntry {
    QString Text;         // the words to speak
    qint16 MoveStop = 0;  // 1: the stop moves with this announcement
    qint16 ChimeKind = 0; // 1, 2, 3: the chime before it; anything else: none
};

// The result of reading an announcement list ("<route>tp.csv").
struct TapeListLoad {
    bool ok = false;
    // The number of lines of the file: the number of entries the list is sized to.
    qint32 lineCount = 0;
    // Entries 1..lineCount (at indices 0..lineCount-1), filled as far as reading got;
    // the rest stay empty. Empty when the list could not be sized (no lines).
    QVector<TapeEntry> entries;
    // How many records reading had started when it stopped: on success the records
    // read, on failure the number of the record that failed.
    qint32 recordsRead = 0;
    // Why the reading failed, and the line of the file where it did (for
    // `corvane tape check` and the tape frame's tool tip).
    QString problem;
    qint32 failedLine = 0;
};

namespace tapelist {

// Counts lines as a line-by-line reader does: a line ends at CR LF, CR or LF; text
// after the last line end is one more line.
qint32 countLines(const QByteArray& bytes);

// The bytes up to the end of the last line that holds anything but spaces and tabs
// (that line keeps its line end): blank lines at the end are not announcements.
QByteArray withoutTrailingBlankLines(const QByteArray& bytes);

// Reads the records of an announcement list, after dropping blank lines at its end: text, MoveStop,
// ChimeKind, by the rules of list input. A field may be quoted (the quotes are removed, and a quoted field
// may hold commas and line ends); spaces before a field are skipped; an unquoted field ends at a comma or a
// line end, so a line with fewer than three fields continues on the next line. The numbers are 16-bit
// integers: an empty field is 0; a field that is not a number or does not fit fails the whole load, as does a
// record that the end of the file cuts short or a record beyond the number of lines. Text is cp932.
TapeListLoad read(const QByteArray& bytes);

// Reads a number field as a 16-bit integer (an empty field is 0; a fraction is
// rounded half to even). False when it is not a number or does not fit.
bool parseInt16(const QByteArray& field, qint16& value);

// Writes an announcement list that read() gives back entry for entry: one line per
// entry, text, MoveStop, ChimeKind, in cp932 with CR LF line ends. A text is quoted
// when it holds a comma or begins or ends with a space. Returns false (and says why in
// `problem`, naming the entry) for a list that cannot be written so: no entries, or a
// text holding a double quote or a line end, or a character that cp932 lacks.
bool write(const QVector<TapeEntry>& entries, QByteArray& bytes, QString* problem = nullptr);

// The largest announcement list the tape reads; a longer file is refused.
inline constexpr qint64 kMaxFileBytes = 16 * 1024 * 1024;

// An announcement list file read as the tape reads it: only a regular file of at most
// kMaxFileBytes, then read().
struct FileLoad {
    regularfile::Status fileStatus = regularfile::Status::Failed;
    int error = 0;     // errno when the file could not be opened or read
    TapeListLoad list; // meaningful when fileStatus is Read
    bool ok() const { return fileStatus == regularfile::Status::Read && list.ok; }
};
FileLoad readFile(const QString& path);

// Why a list file was refused, in English, for `corvane tape check`: the file problem,
// or "line N: " and the reason of read().
QString refusalText(const FileLoad& load);

} // namespace tapelist
