// How long importing one trip of the real GTFS-JP feed takes (goal: under 1 s), and
// the peak memory of the process (goal: under 200 MB). The feed is read from
// ../shared/gtfs/donanbus-2020 beside the project; without it the benchmark is skipped.
//
// BM_ImportAll imports every route of a feed the size of a mid-sized operator's (50
// routes, 200 trips, about 50 000 fare rules, about 2 MB), generated here, the whole
// command `import-gtfs FEED --all -o FOLDER` with its files written (goal: under 3 s
// and 300 MB; run alone, the peak memory printed last is its own).
#include "gtfs/GtfsCli.h"
#include "gtfs/GtfsFeed.h"
#include "gtfs/GtfsImport.h"

#include <QDir>
#include <QFile>
#include <QTemporaryDir>
#include <QTextStream>
#include <benchmark/benchmark.h>

namespace {

const QString kFeed = QStringLiteral(CORVANE_SOURCE_DIR "/../shared/gtfs/donanbus-2020");

// The longest trip of the feed (77 stops), and one of 24.
void BM_ImportTrip(benchmark::State& state, const char* routeId) {
    if (!QDir(kFeed).exists()) {
        state.SkipWithError("the real feed is not beside the project");
        return;
    }
    QString error;
    gtfs::ImportRequest request;
    request.routeId = QString::fromLatin1(routeId);
    for (auto _ : state) {
        // Opening the feed and reading every table it needs is part of the work.
        const auto feed = gtfs::GtfsFeed::open(kFeed, error);
        const gtfs::ImportResult result = gtfs::importTrip(*feed, request);
        if (!result.error.isEmpty()) {
            state.SkipWithError(result.error.toStdString().c_str());
            return;
        }
        benchmark::DoNotOptimize(result.rows.data());
    }
}
BENCHMARK_CAPTURE(BM_ImportTrip, route130200_77stops, "130200")->Unit(benchmark::kMillisecond);
BENCHMARK_CAPTURE(BM_ImportTrip, route109000_24stops, "109000")->Unit(benchmark::kMillisecond);

void BM_ListRoutes(benchmark::State& state) {
    if (!QDir(kFeed).exists()) {
        state.SkipWithError("the real feed is not beside the project");
        return;
    }
    QString error;
    for (auto _ : state) {
        const auto feed = gtfs::GtfsFeed::open(kFeed, error);
        benchmark::DoNotOptimize(gtfs::listRoutes(*feed).routes.size());
    }
}
BENCHMARK(BM_ListRoutes)->Unit(benchmark::kMillisecond);

// The generated feed: 300 stations with a pole each; 50 routes of 32 stops each (each
// route five stations on from the last, so that routes share stops), in both
// directions, each direction with a trip over all 32 stops and one over the first 28;
// pole-to-pole fare rules for every pair of stops of each route in each direction;
// readings and English names of every station.
QString generatedFeed() {
    static QTemporaryDir dir;
    static bool written = false;
    if (written)
        return dir.filePath("feed");
    const QString folder = dir.filePath("feed");
    QDir().mkpath(folder);
    const auto write = [&](const char* name, const QByteArray& bytes) {
        QFile f(QDir(folder).filePath(QString::fromLatin1(name)));
        if (f.open(QIODevice::WriteOnly))
            f.write(bytes);
    };
    constexpr int kStations = 300, kRoutes = 50, kStops = 32, kShort = 28;
    const auto pole = [](int station) { return "P" + QByteArray::number(1000 + station) + "_01"; };
    QByteArray stops = "stop_id,stop_code,stop_name,stop_lat,stop_lon,location_type,parent_station,zone_id\n";
    QByteArray translations =
        "table_name,field_name,language,translation,record_id,record_sub_id,field_value\n";
    for (int s = 0; s < kStations; ++s) {
        const QByteArray id = QByteArray::number(1000 + s);
        const QByteArray name = "停留所" + id;
        stops += "S" + id + ",," + name + ",42.3" + id + ",140.9" + id + ",1,,\n";
        stops += pole(s) + ",," + name + ",42.3" + id + ",140.9" + id + ",0,S" + id + ",\n";
        translations += "stops,stop_name,ja-Hrkt,ていりゅうじょ" + id + ",S" + id + ",,\n";
        translations += "stops,stop_name,en,Stop " + id + ",S" + id + ",,\n";
    }
    QByteArray routes = "route_id,agency_id,route_short_name,route_long_name,route_type,jp_parent_route_id\n";
    QByteArray trips = "route_id,service_id,trip_id,trip_headsign,direction_id,jp_trip_desc\n";
    QByteArray times =
        "trip_id,arrival_time,departure_time,stop_id,stop_sequence,pickup_type,drop_off_type\n";
    QByteArray fares = "fare_id,price,currency_type,payment_method,transfers\n";
    QByteArray rules = "fare_id,route_id,origin_id,destination_id,contains_id\n";
    for (int k = 0; k < 50; ++k)
        fares +=
            "k_" + QByteArray::number(150 + 10 * k) + "," + QByteArray::number(150 + 10 * k) + ",JPY,0,0\n";
    for (int r = 0; r < kRoutes; ++r) {
        const QByteArray route = QByteArray::number(110000 + 100 * r);
        routes += route + ",A1," + QByteArray::number(r + 1) + ",線" + QByteArray::number(r + 1) + ",3,系統" +
                  QByteArray::number(r / 5) + "\n";
        for (int direction = 0; direction < 2; ++direction) {
            QList<int> stations;
            for (int k = 0; k < kStops; ++k)
                stations << (r * 5 + (direction == 0 ? k : kStops - 1 - k)) % kStations;
            for (int length : {kStops, kShort}) {
                const QByteArray trip =
                    route + "_" + QByteArray::number(direction) + "_" + QByteArray::number(length);
                trips += route + ",weekday," + trip + ",停留所" +
                         QByteArray::number(1000 + stations[length - 1]) + "," +
                         QByteArray::number(direction) + ",中央経由\n";
                for (int k = 0; k < length; ++k) {
                    const QByteArray t = QByteArray::number(8 + k / 60).rightJustified(2, '0') + ":" +
                                         QByteArray::number(k % 60).rightJustified(2, '0') + ":00";
                    times += trip + "," + t + "," + t + "," + pole(stations[k]) + "," +
                             QByteArray::number(k + 1) + ",0,0\n";
                }
            }
            for (int i = 0; i < kStops; ++i) {
                for (int j = i + 1; j < kStops; ++j)
                    rules += "k_" + QByteArray::number(150 + 10 * std::min(j - i, 49)) + "," + route + "," +
                             pole(stations[i]) + "," + pole(stations[j]) + ",\n";
            }
        }
    }
    write(
        "agency.txt",
        "agency_id,agency_name,agency_url,agency_timezone\nA1,生成バス,http://example.invalid,Asia/Tokyo\n");
    write("stops.txt", stops);
    write("routes.txt", routes);
    write("trips.txt", trips);
    write("stop_times.txt", times);
    write("fare_attributes.txt", fares);
    write("fare_rules.txt", rules);
    write("translations.txt", translations);
    written = true;
    return folder;
}

void BM_ImportAll(benchmark::State& state) {
    const QString feed = generatedFeed();
    qint64 bytes = 0;
    for (const QFileInfo& f : QDir(feed).entryInfoList(QDir::Files))
        bytes += f.size();
    QTemporaryDir out;
    for (auto _ : state) {
        QString said;
        QTextStream stream(&said);
        const int status = importGtfsCommand({feed, "--all", "-o", out.filePath("routes")}, stream, stream);
        if (status != 0) {
            state.SkipWithError(said.toStdString().c_str());
            return;
        }
    }
    state.counters["feed_MB"] = double(bytes) / (1024.0 * 1024.0);
    state.counters["routes"] = double(QDir(out.filePath("routes")).entryList({"*.hy3"}).size());
}
BENCHMARK(BM_ImportAll)->Unit(benchmark::kMillisecond);

} // namespace
