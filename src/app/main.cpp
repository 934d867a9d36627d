#include "app/Program.h"
#include "app/ProgramArgs.h"
#include "app/RemoteControl.h"

#include <QApplication>
#include <cstdio>
#include <cstring>

int main(int argc, char** argv) {
    // Help and version need no screen.
    for (int i = 1; i < argc; ++i) {
        if (std::strcmp(argv[i], "--help") == 0 || std::strcmp(argv[i], "-h") == 0) {
            std::fputs(programUsage().toUtf8().constData(), stdout);
            return 0;
        }
        if (std::strcmp(argv[i], "--version") == 0) {
            std::printf("508 %s\n", programVersion().toUtf8().constData());
            return 0;
        }
    }
    QApplication app(argc, argv);
    QApplication::setApplicationName(QStringLiteral("508"));
    QApplication::setApplicationVersion(programVersion());
    ProgramArgs args;
    if (const QString problem = parseProgramArgs(QCoreApplication::arguments().mid(1), args);
        !problem.isEmpty()) {
        std::fprintf(stderr, "508: %s (see 508 --help)\n", problem.toUtf8().constData());
        return 2;
    }
    Program program;
    program.start();
    int status = 0;
    const std::unique_ptr<RemoteControl> remote = startRemoteControl(program, args, status);
    if (status != 0)
        return status;
    return QApplication::exec();
}
