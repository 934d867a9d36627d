// GTFS feeds. An input that begins as a zip archive ("PK\3\4") is opened as a zip
// feed; any other input is a folder feed written from sections, each beginning with a
// line "@@ NAME" (NAME one of the tables the import reads) and holding that table's
// bytes up to the next such line. The routes are listed, one of them and trip "T1"
// are imported, and the whole feed is read once and a few of its routes built from it
// (every pattern, as --all --patterns does).
#include "gtfs/GtfsFeed.h"
#include "gtfs/GtfsImport.h"
#include "gtfs/SignWriter.h"

#include <QDir>
#include <QFile>
#include <QTemporaryDir>
#include <cstddef>
#include <cstdint>
#include <cstdlib>

namespace {

const char* const kTables[] = {
    "agency.txt",         "stops.txt",          "routes.txt",          "trips.txt",
    "stop_times.txt",     "translations.txt",   "fare_attributes.txt", "fare_rules.txt",
    "fare_products.txt",  "fare_leg_rules.txt", "areas.txt",           "stop_areas.txt",
    "route_networks.txt", "routes_jp.txt",      "agency_jp.txt",       "office_jp.txt"};

// Small enough that a table is read quickly, large enough for any table of the inputs.
constexpr qint64 kTableCap = 8 * 1024 * 1024;

QTemporaryDir& workDir() {
    static QTemporaryDir dir;
    if (!dir.isValid())
        std::abort();
    return dir;
}

bool writeFile(const QString& path, QByteArrayView bytes) {
    QFile f(path);
    return f.open(QIODevice::WriteOnly | QIODevice::Truncate) &&
           f.write(bytes.data(), bytes.size()) == bytes.size();
}

// Writes the sections of `bytes` as the tables of the folder `folder`.
QString writeFolder(QByteArrayView bytes) {
    const QString folder = workDir().filePath(QStringLiteral("feed"));
    QDir dir(folder);
    if (dir.exists() && !dir.removeRecursively())
        std::abort();
    if (!QDir().mkpath(folder))
        std::abort();
    // Each section runs from the line after its "@@ NAME" line to the next such line.
    QByteArray name;
    qsizetype start = -1;
    const auto flush = [&](qsizetype end) {
        for (const char* table : kTables)
            if (start >= 0 && name == table &&
                !writeFile(dir.filePath(QString::fromLatin1(table)), bytes.sliced(start, end - start)))
                std::abort();
    };
    for (qsizetype line = 0; line < bytes.size();) {
        qsizetype next = bytes.indexOf('\n', line);
        next = next < 0 ? bytes.size() : next + 1;
        if (bytes.sliced(line, next - line).startsWith(QByteArrayView("@@ "))) {
            flush(line);
            name = bytes.sliced(line + 3, next - line - 3).toByteArray().trimmed();
            start = next;
        }
        line = next;
    }
    flush(bytes.size());
    return folder;
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    const QByteArrayView bytes(reinterpret_cast<const char*>(data), qsizetype(size));
    QString path;
    if (bytes.startsWith(QByteArrayView("PK\3\4"))) {
        path = workDir().filePath(QStringLiteral("feed.zip"));
        if (!writeFile(path, bytes))
            std::abort();
    } else {
        path = writeFolder(bytes);
    }
    QString error;
    const std::unique_ptr<gtfs::GtfsFeed> feed =
        gtfs::GtfsFeed::open(path, error, gtfs::TableCaps{kTableCap});
    if (!feed) {
        if (error.isEmpty())
            std::abort();
        return 0;
    }
    // Each import reads the tables again: one listed route is imported, chosen with its
    // direction by the input's length, so inputs of other lengths take the others.
    const gtfs::ListResult list = gtfs::listRoutes(*feed);
    if (!list.routes.isEmpty()) {
        const qsizetype routes = list.routes.size();
        gtfs::ImportRequest request;
        request.routeId = list.routes.at(qsizetype(size) % routes).routeId;
        request.direction = int(qsizetype(size) / routes % 3) - 1;
        (void)gtfs::importTrip(*feed, request);
    }
    gtfs::ImportRequest byTrip;
    byTrip.tripId = QStringLiteral("T1");
    (void)gtfs::importTrip(*feed, byTrip);
    // The whole feed once, and the first routes of every pattern built from it, each
    // with its sign.
    gtfs::FeedRoutes routes(*feed);
    if (routes.load()) {
        const QVector<gtfs::PlannedRoute> plan = routes.plan(true);
        for (qsizetype i = 0; i < plan.size() && i < 8; ++i)
            (void)gtfs::signFileBytes(routes.build(plan[i], int(i) + 1).sign);
    }
    return 0;
}
