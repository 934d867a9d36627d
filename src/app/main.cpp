#include "app/DesktopIdentity.h"
#include "app/Language.h"
#include "app/Program.h"
#include "app/ProgramArgs.h"
#include "app/RemoteControl.h"
#include "app/WebView.h"

#include <QApplication>
#include <cstdio>
#include <cstring>

namespace {

const char* const kUsage =
    "usage: 508 [--scale 1|2|3|4|fit] [--fullscreen | --windowed] [--screen N]\n"
    "           [--dots square|round] [--glow | --no-glow]\n"
    "           [--sign front|side|rear]... [--sign-colour amber|white|green|full]\n"
    "           [--alternate SECONDS] [--boards 1|2|3|4]\n"
    "           [--listen PORT [--listen-address ADDR] | --no-listen]\n"
    "           [--web PORT [--web-address ADDR]] [--version]\n"
    "\n"
    "The fare board simulator. The display options override what the board's menu keeps\n"
    "in ~/.config/corvane/display.conf (right-click the board). --sign opens a destination\n"
    "sign (repeatable; docs/signs.md), --boards N shows N fare boards of the same console.\n"
    "\n";

} // namespace

int main(int argc, char** argv) {
    // Help and version need no screen.
    for (int i = 1; i < argc; ++i) {
        if (std::strcmp(argv[i], "--help") == 0 || std::strcmp(argv[i], "-h") == 0) {
            std::fputs(kUsage, stdout);
            std::fputs(remoteUsage().toUtf8().constData(), stdout);
            std::fputs(language::usage().toUtf8().constData(), stdout);
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
    desktop::applyIdentity();

    // The display options first, then those of remote control; anything left is refused.
    QStringList rest = QApplication::arguments().mid(1);
    Program::Options options;
    options.display = DisplayConfig::load();
    // The language first: it names the windows' texts from the first window on.
    std::optional<language::Language> lang;
    QString problem = language::takeArgument(rest, lang);
    if (problem.isEmpty())
        problem = options.display.takeArguments(rest);
    ProgramArgs args;
    if (problem.isEmpty())
        problem = parseProgramArgs(rest, args);
    if (!problem.isEmpty()) {
        std::fprintf(stderr, "508: %s (see 508 --help)\n", problem.toUtf8().constData());
        return 2;
    }
    language::install(lang.value_or(language::fromLocale(QLocale::system())));
    Program program(options);
    program.start();
    int status = 0;
    const std::unique_ptr<RemoteControl> remote = startRemoteControl(program, args, status);
    if (status != 0)
        return status;
    const std::unique_ptr<WebView> web = startWebView(program, args, status);
    if (status != 0)
        return status;
    // The control page's commands reach remote control's clients as a new state.
    if (web && remote)
        QObject::connect(web.get(), &WebView::commandRun, &remote->server(), &RemoteServer::notifyChanged);
    return QApplication::exec();
}
