// How long importing one trip of the real GTFS-JP feed takes (goal: under 1 s), and
// the peak memory of the process (goal: under 200 MB). The feed is read from
// ../shared/gtfs/donanbus-2020 beside the project; without it the benchmark is skipped.
#include "gtfs/GtfsFeed.h"
#include "gtfs/GtfsImport.h"

#include <QDir>
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

} // namespace
