#pragma once

#include <QByteArray>
#include <QString>
#include <memory>

struct zip; // libzip's archive handle

// A GTFS feed as published: a folder of .txt tables or a .zip archive of them (read
// with libzip; tables in one subfolder of the archive are found too). Only the tables
// asked for are read, each whole into memory, and never more than a cap.
namespace gtfs {

// The largest table read (uncompressed); a larger one is refused.
constexpr qint64 MaxTableBytes = 512LL * 1024 * 1024;

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
    // device) is refused, as is a regular file that is not a zip archive.
    static std::unique_ptr<GtfsFeed> open(const QString& path, QString& error,
                                          qint64 maxTableBytes = MaxTableBytes);

    // Reads the table `name` ("stops.txt"). A table that is not a regular file, is
    // larger than the cap or cannot be read is Refused with a one-line problem.
    TableBytes read(const QString& name) const;

    const QString& path() const { return m_path; }
    bool isArchive() const { return m_zip != nullptr; }

private:
    GtfsFeed() = default;
    TableBytes readFromFolder(const QString& name) const;
    TableBytes readFromArchive(const QString& name) const;

    QString m_path;
    qint64 m_cap = MaxTableBytes;
    ::zip* m_zip = nullptr;
};

} // namespace gtfs
