// The main of every benchmark program: an application on Qt's offscreen platform
// (unless QT_QPA_PLATFORM says otherwise), then Google Benchmark, then the peak
// resident memory of the run.
#include <QApplication>
#include <benchmark/benchmark.h>
#include <cstdio>
#include <sys/resource.h>

int main(int argc, char** argv) {
    if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM"))
        qputenv("QT_QPA_PLATFORM", "offscreen");
    QApplication app(argc, argv);
    benchmark::Initialize(&argc, argv);
    if (benchmark::ReportUnrecognizedArguments(argc, argv))
        return 1;
    benchmark::RunSpecifiedBenchmarks();
    benchmark::Shutdown();
    rusage usage{};
    getrusage(RUSAGE_SELF, &usage);
    std::printf("peak RSS: %.1f MB\n", usage.ru_maxrss / 1024.0);
    return 0;
}
