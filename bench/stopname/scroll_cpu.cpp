// Measures the processor time a scrolling stop name costs: shows the control, hands
// it a 20-cell name and lets the event loop run, then reports user + system time as a
// share of one core.
//
//   bench_stopname_scroll_cpu [SECONDS [SPEED [START_WAIT_MS]]]   (default 10 5 1500)
#include "stopname/ChimeiLayout.h"
#include "stopname/ui/ChimeiCtl_B.h"

#include <QApplication>
#include <QElapsedTimer>
#include <QTimer>
#include <cstdio>
#include <sys/resource.h>

namespace {

double cpuSeconds() {
    rusage u{};
    getrusage(RUSAGE_SELF, &u);
    return static_cast<double>(u.ru_utime.tv_sec + u.ru_stime.tv_sec) +
           static_cast<double>(u.ru_utime.tv_usec + u.ru_stime.tv_usec) / 1e6;
}

} // namespace

int main(int argc, char** argv) {
    if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM"))
        qputenv("QT_QPA_PLATFORM", "offscreen");
    QApplication app(argc, argv);
    const int seconds = argc > 1 ? QString::fromLocal8Bit(argv[1]).toInt() : 10;
    const int speed = argc > 2 ? QString::fromLocal8Bit(argv[2]).toInt() : 5;
    const int startWait = argc > 3 ? QString::fromLocal8Bit(argv[3]).toInt() : 1500;
    const QString name = QStringLiteral("中央市役所前駅東口バスターミナル北口広場");

    ChimeiCtl_B control;
    control.resize(35, 192);
    control.show();
    control.setSpeed(static_cast<qint16>(speed));
    control.setScrollStartWait(startWait);

    QElapsedTimer first;
    first.start();
    const double cpuFirst = cpuSeconds();
    control.SetChimei(name); // the first name also opens the fonts
    const double firstMs = static_cast<double>(first.nsecsElapsed()) / 1e6;
    const double firstCpuMs = (cpuSeconds() - cpuFirst) * 1000;

    int moves = 0;
    int lastTop = control.stripTop();
    QTimer sampler;
    QObject::connect(&sampler, &QTimer::timeout, [&] {
        if (control.stripTop() != lastTop) {
            ++moves;
            lastTop = control.stripTop();
        }
    });
    sampler.start(100);

    const double cpu0 = cpuSeconds();
    QElapsedTimer wall;
    wall.start();
    QTimer::singleShot(seconds * 1000, Qt::PreciseTimer, &app, &QCoreApplication::quit);
    app.exec();
    const double wallS = static_cast<double>(wall.nsecsElapsed()) / 1e9;
    const double cpu = cpuSeconds() - cpu0;

    std::printf("name: %d cells, speed %d, start wait %d ms\n", chimei::layoutName(name, 2).cells, speed,
                startWait);
    std::printf("first SetChimei (fonts opened): %.2f ms wall, %.2f ms cpu\n", firstMs, firstCpuMs);
    std::printf("scrolled %.2f s: cpu %.3f s = %.2f %% of one core; strip top now %d, %d moves seen\n", wallS,
                cpu, 100.0 * cpu / wallS, control.stripTop(), moves);
    return 0;
}
