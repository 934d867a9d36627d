// Starts the program as `corvane script` does (no settings file, offscreen unless
// QT_QPA_PLATFORM says otherwise) and measures:
//   startup_ms   from the start of main until the board window is shown and painted
//   step_ms      "データ送り" / "データ戻し" until the board shows the new stop (mean; the
//                slowest as step_max_ms, with the number of steps and their median)
//   rss_mb       the peak resident memory of the run
// on the demo's route 12. Prints one "measure: NAME VALUE" line each.
#include "app/Program.h"
#include "board/ui/Form1.h"
#include "controller/ui/frmCtl.h"
#include "platform/BlockingWait.h"
#include "platform/ui/MessageBox.h"
#include "settings/LiveSettings.h"
#include "settings/ui/frmOption.h"
#include "sound/SpeechEngine.h"
#include "sound/mdlSndAPI.h"

#include <QApplication>
#include <QElapsedTimer>
#include <QPushButton>
#include <algorithm>
#include <cstdio>
#include <sys/resource.h>
#include <vector>

int main(int argc, char** argv) {
    QElapsedTimer sinceStart;
    sinceStart.start();
    if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM"))
        qputenv("QT_QPA_PLATFORM", "offscreen");
    QApplication app(argc, argv);
    QApplication::setApplicationName(QStringLiteral("508"));
    msgbox::setRecording(true);
    mdlSndAPI::setRecording(true);
    speech::setRecording(true);

    Program::Options options;
    options.loadSettings = false;
    Program program(options);
    program.start();
    QApplication::processEvents();
    program.board().repaint();
    const double startupMs = static_cast<double>(sinceStart.nsecsElapsed()) / 1e6;
    if (!program.board().isVisible()) {
        std::fprintf(stderr, "bench_program: the board was not shown\n");
        return 1;
    }

    // Route 12 of the demo, set without the lamp-test pause.
    program.options().live().set(QStringLiteral("FareDataFolder"),
                                 QStringLiteral(CORVANE_SOURCE_DIR "/data/demo"));
    frmCtl& ctl = program.controller();
    blocking::setSkipWaits(true);
    mdlSndAPI::setFast(true);
    for (int key : {10, 1, 2, 11, 1})
        ctl.CommandButton1[key]->click();
    ctl.Command1[1]->click();
    if (!ctl.Command2[1]->isEnabled()) {
        std::fprintf(stderr, "bench_program: route 12 of the demo could not be set\n");
        return 1;
    }
    constexpr int kSteps = 40;
    double total = 0;
    double worst = 0;
    std::vector<double> steps;
    for (int i = 0; i < kSteps; ++i) {
        // Forward along the route, then back.
        QPushButton* button = ctl.Command2[(i / 10) % 2 == 0 ? 1 : 0];
        QElapsedTimer t;
        t.start();
        button->click();
        program.board().repaint();
        const double ms = static_cast<double>(t.nsecsElapsed()) / 1e6;
        total += ms;
        worst = std::max(worst, ms);
        steps.push_back(ms);
    }
    rusage usage{};
    getrusage(RUSAGE_SELF, &usage);
    std::printf("measure: startup_ms %.1f\n", startupMs);
    std::printf("measure: step_ms %.2f\n", total / kSteps);
    std::sort(steps.begin(), steps.end());
    std::printf("measure: step_max_ms %.2f n=%d median=%.2f worst=%.2f\n", worst, kSteps,
                steps[steps.size() / 2], worst);
    std::printf("measure: rss_mb %.1f\n", usage.ru_maxrss / 1024.0);
    return 0;
}
