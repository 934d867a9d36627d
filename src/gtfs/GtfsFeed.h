#pragma once

#include "gtfs/CsvReader.h"

#include <QByteArray>
#include <QString>
#include <memory>

struct zip; // libzip's archive handle

// A GTFS feed as published: a folder of .txt tables or a .zip archive of them (read
// with libzip; tables in one subfolder of the archive are found too). Only the tables
// asked for are read, as a stream of pieces, each table never beyond its caps: a feed
// of a few megabytes may unpack to gigabytes, and is refused on its way there.
namespace gtfs {

// The caps of one table: its bytes (uncompressed), its rows (the header not counted)
// and the bytes of one line (one CSV record, line ends inside quotes included).
struct TableCaps {
    qint64 bytes = 0;
    qint64 rows = 0;
    qint64 lineBytes = 0;
};

// The caps of the table `name`: far above what the largest published feeds hold, low
// enough that reading every table of a feed at its caps takes a few seconds and a
// bounded amount of memory. A table the import does not know gets the smallest.
TableCaps defaultCaps(const QString& name);

// A table being read. The stream fails (read() gives -1, problem() says why) when the
// table grows beyond its byte cap, when an archive entry holds more or fewer bytes than
// the archive says, or when the bytes cannot be read.
class TableStream : public csv::ByteSource {
public:
    const QString& problem() const { return m_problem; }
    // The problem is a cap or an archive that lies about its sizes: the whole feed is
    // refused, whatever the table.
    bool refusesFeed() const { return m_refusesFeed; }

protected:
    QString m_problem;
    bool m_refusesFeed = false;
};

struct OpenedTable {
    enum class Status { Ok, Missing, Refused };
    Status status = Status::Missing;
    std::unique_ptr<TableStream> stream; // when Ok
    QString problem;                     // why it was refused: "stops.txt: ..." (one line)
    bool refusesFeed = false;            // refused for its size or its compression
};

struct TableBytes {
    enum class Status { Ok, Missing, Refused };
    Status status = Status::Missing;
    QByteArray bytes; // the table's bytes when Ok
    QString problem;  // why it was refused: "stops.txt: ..." (one line)
};

class GtfsFeed {
public:
    ~GtfsFeed();
    GtfsFeed(const GtfsFeed&) = delete;
    GtfsFeed& operator=(const GtfsFeed&) = delete;

    // Opens a folder or a zip archive. On failure returns nullptr and sets `error`
    // to one line naming the path. Anything but a folder or a regular file (a pipe, a
    // device) is refused, as is a regular file that is not a zip archive. Each value of
    // `caps` that is not 0 replaces that cap of every table (tests, fuzzing).
    static std::unique_ptr<GtfsFeed> open(const QString& path, QString& error, const TableCaps& caps = {});

    // The caps of the table `name` in this feed.
    TableCaps caps(const QString& name) const;

    // Opens the table `name` ("stops.txt") for reading. A table that is not a regular
    // file, is larger than its byte cap by its size or the archive's word, is
    // compressed otherwise than with deflate (other methods unpack far more slowly, and
    // feeds do not use them), or cannot be opened is Refused with a one-line problem.
    OpenedTable table(const QString& name) const;

    // The whole table: its stream read to the end (Refused when that fails).
    TableBytes read(const QString& name) const;

    const QString& path() const { return m_path; }
    bool isArchive() const { return m_zip != nullptr; }

private:
    GtfsFeed() = default;
    OpenedTable tableInFolder(const QString& name) const;
    OpenedTable tableInArchive(const QString& name) const;

    QString m_path;
    TableCaps m_caps;
    ::zip* m_zip = nullptr;
};

// "256 MB", "64 KB" or "200 bytes": a cap as the messages give it.
QString sizeText(qint64 bytes);

} // namespace gtfs
