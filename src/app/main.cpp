#include "app/Program.h"

#include <QApplication>
#include <cstdio>

namespace {

const char* const kUsage =
    "usage: 508 [--scale 1|2|3|4|fit] [--fullscreen | --windowed] [--screen N]\n"
    "           [--dots square|round] [--glow | --no-glow]\n"
    "\n"
    "The fare board simulator. The display options override what the board's menu keeps\n"
    "in ~/.config/corvane/display.conf (right-click the board).\n";

} // namespace

int main(int argc, char** argv) {
    QApplication app(argc, argv);
    QApplication::setApplicationName(QStringLiteral("508"));
    QApplication::setApplicationVersion(programVersion());

    QStringList args = QApplication::arguments().mid(1);
    if (args.contains(QStringLiteral("--help")) || args.contains(QStringLiteral("-h"))) {
        std::fputs(kUsage, stdout);
        return 0;
    }
    Program::Options options;
    options.display = DisplayConfig::load();
    const QString problem = options.display.takeArguments(args);
    if (!problem.isEmpty() || !args.isEmpty()) {
        std::fprintf(stderr, "508: %s\n%s",
                     problem.isEmpty() ? qPrintable(QStringLiteral("unknown argument %1").arg(args.first()))
                                       : qPrintable(problem),
                     kUsage);
        return 2;
    }
    Program program(options);
    program.start();
    return QApplication::exec();
}
