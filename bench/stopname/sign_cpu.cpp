// Measures the processor time a scrolling destination sign costs: opens the side sign
// with a way too long for it and lets the event loop run, stepping the signs' clock as
// the program does (about one dot a tick), then reports user + system time as a share
// of one core.
//
//   bench_stopname_sign_cpu [SECONDS [SPEED]]   (default 10 16)
#include "stopname/GlyphSource.h"
#include "stopname/SignDriver.h"
#include "stopname/ui/SignWindow.h"

#include <QApplication>
#include <QElapsedTimer>
#include <QTimer>
#include <algorithm>
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
    signs::SignSettings settings;
    settings.speed = qint16(argc > 2 ? QString::fromLocal8Bit(argv[2]).toInt() : 16);
    settings.pause = 0;

    QElapsedTimer clock;
    clock.start();
    signs::SignDriver driver(chimei::GlyphSource::shared());
    driver.setSettings(settings, 0);
    driver.setOpen(signs::SignKind::Side, true, 0);
    driver.setText(SignText{QStringLiteral("25"), QStringLiteral("奥椿温泉"),
                            QStringLiteral("若葉台団地・椿原ダム・奥椿支所前経由")},
                   0);
    SignWindow window(signs::SignKind::Side);
    window.showDots(driver.dots(signs::SignKind::Side));
    window.show();

    int repaints = 0;
    QTimer tick;
    tick.setSingleShot(true);
    tick.setTimerType(Qt::PreciseTimer);
    QObject::connect(&tick, &QTimer::timeout, [&] {
        if (driver.advance(clock.elapsed()) != 0) {
            window.showDots(driver.dots(signs::SignKind::Side));
            ++repaints;
        }
        const qint64 wait =
            std::max<qint64>(driver.nextEventMs() - clock.elapsed(),
                             driver.scrolling() ? std::clamp(400 / settings.speed, 16, 50) : 0);
        tick.start(int(std::max<qint64>(0, wait)));
    });
    tick.start(0);

    const double cpu0 = cpuSeconds();
    QElapsedTimer wall;
    wall.start();
    QTimer::singleShot(seconds * 1000, Qt::PreciseTimer, &app, &QCoreApplication::quit);
    app.exec();
    const double wallS = static_cast<double>(wall.nsecsElapsed()) / 1e9;
    const double cpu = cpuSeconds() - cpu0;
    std::printf("side sign, speed %d: %d repaints\n", int(settings.speed), repaints);
    std::printf("scrolled %.2f s: cpu %.3f s = %.2f %% of one core\n", wallS, cpu, 100.0 * cpu / wallS);
    return 0;
}
