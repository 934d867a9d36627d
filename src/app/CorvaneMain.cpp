#include "app/Automation.h"
#include "app/DesktopIdentity.h"
#include "app/Language.h"
#include "app/Program.h"
#include "gtfs/GtfsCli.h"
#include "platform/BlockingWait.h"
#include "platform/ui/MessageBox.h"
#include "platform/ui/ModalDialogs.h"
#include "plugins/PluginCli.h"
#include "remote/CommandTable.h"
#include "remote/RemoteCli.h"
#include "route/RouteCli.h"
#include "sound/SpeechEngine.h"
#include "sound/TapeCli.h"
#include "sound/mdlSndAPI.h"

#include <QApplication>
#include <QDialog>
#include <QFile>
#include <QTextStream>
#include <cstdio>
#include <cstring>

namespace {

const char* const kUsage =
    "usage: corvane COMMAND [ARGS]\n"
    "\n"
    "The command-line twin of the fare board simulator 508.\n"
    "\n"
    "commands:\n"
    "  script [FILE]     run commands from FILE (or standard input) against one program\n"
    "                    instance started as 508 starts\n"
    "  route dump|build|check|import-gtfs\n"
    "                    read, write and check route data files (.hy3); import a\n"
    "                    GTFS-JP feed's trip as a route\n"
    "  plugin check      check a ticket plug-in (.4SP)\n"
    "  tape check FILE   read an announcement list as the program does\n"
    "  remote HOST:PORT [COMMAND...]\n"
    "                    send script commands to a running 508 that listens for\n"
    "                    remote control and print its answers; with no command,\n"
    "                    print its state events as they come\n"
    "  --help            this text; COMMAND --help describes one command\n";

QString scriptHelp() {
    QString text =
        QStringLiteral("usage: corvane script [--lang en|ja] [FILE]\n"
                       "\n"
                       "Reads commands from FILE (standard input when FILE is - or missing), one per line,\n"
                       "and runs them in order against one program instance started as 508 starts. No\n"
                       "settings file is read or written unless a command says so. Blank lines and lines\n"
                       "starting with # are ignored. Message boxes are recorded, not shown, and answered\n"
                       "with their default button.\n"
                       "\n"
                       "A command that cannot be carried out prints 'error: LINE: reason' on standard error\n"
                       "and the tool exits with status 2; otherwise it exits 0.\n"
                       "\n"
                       "--lang en shows the windows in English (their captions, lists and messages, as\n"
                       "'options state' and 'state' print them); they are Japanese by default.\n"
                       "\n"
                       "commands:\n");
    for (const QString& line : commands::helpLines())
        text += QStringLiteral("  ") + line + QLatin1Char('\n');
    return text;
}

// The offscreen platform cannot cut windows to a mask and warns about it on every
// window; the picture commands apply the mask themselves, so the warning is noise.
void quietMessages(QtMsgType type, const QMessageLogContext& context, const QString& message) {
    if (message.contains(QLatin1String("does not support setting window masks")) ||
        message.contains(QLatin1String("does not support raise()")) ||
        message.contains(QLatin1String("does not support activateWindow()")) ||
        message.startsWith(QLatin1String("QStandardPaths: XDG_RUNTIME_DIR not set")))
        return;
    const QByteArray text = qFormatLogMessage(type, context, message).toLocal8Bit();
    std::fprintf(stderr, "%s\n", text.constData());
}

bool wantsHelp(int argc, char** argv, int from) {
    for (int i = from; i < argc; ++i) {
        if (std::strcmp(argv[i], "--help") == 0 || std::strcmp(argv[i], "-h") == 0)
            return true;
    }
    return false;
}

int runScript(int argc, char** argv) {
    if (wantsHelp(argc, argv, 2)) {
        std::fputs(scriptHelp().toUtf8().constData(), stdout);
        return 0;
    }
    QStringList args;
    for (int i = 2; i < argc; ++i)
        args << QString::fromLocal8Bit(argv[i]);
    // The windows are Japanese unless --lang says otherwise: what a script compares
    // does not change with the system's language.
    std::optional<language::Language> lang;
    if (const QString problem = language::takeArgument(args, lang); !problem.isEmpty()) {
        std::fprintf(stderr, "corvane script: %s\n", problem.toUtf8().constData());
        return 2;
    }
    if (args.size() > 1) {
        std::fputs("corvane script: too many arguments\n", stderr);
        return 2;
    }
    QFile input;
    const QString path = args.isEmpty() ? QStringLiteral("-") : args.first();
    if (path == QLatin1String("-")) {
        if (!input.open(stdin, QIODevice::ReadOnly)) {
            std::fputs("corvane script: cannot read standard input\n", stderr);
            return 2;
        }
    } else {
        input.setFileName(path);
        if (!input.open(QIODevice::ReadOnly)) {
            std::fprintf(stderr, "corvane script: cannot open %s\n", path.toLocal8Bit().constData());
            return 2;
        }
    }

    if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM"))
        qputenv("QT_QPA_PLATFORM", "offscreen");
    qInstallMessageHandler(quietMessages);
    int qtArgc = 1;
    QApplication app(qtArgc, argv);
    QApplication::setApplicationName(QStringLiteral("508"));
    QApplication::setApplicationVersion(programVersion());
    desktop::applyIdentity();

    if (!language::install(lang.value_or(language::Language::Japanese))) {
        std::fputs("corvane script: the English translation cannot be loaded\n", stderr);
        return 2;
    }
    msgbox::setRecording(true);
    mdlSndAPI::setRecording(true);
    speech::setRecording(true);
    // A dialog that no command expects is cancelled rather than left waiting.
    modal::setHandler([](QDialog&) { return static_cast<int>(QDialog::Rejected); });

    Program::Options options;
    options.loadSettings = false;
    Program program(options);
    program.start();
    modal::setHandler({});
    QApplication::processEvents();

    QTextStream out(stdout);
    out.setEncoding(QStringConverter::Utf8);
    ScriptRunner runner(program, out);
    int lineNumber = 0;
    while (!input.atEnd()) {
        const QString line =
            QString::fromUtf8(input.readLine()).remove(QLatin1Char('\r')).remove(QLatin1Char('\n'));
        ++lineNumber;
        const QString problem = runner.run(line);
        if (!problem.isEmpty()) {
            out.flush();
            std::fprintf(stderr, "error: %d: %s\n", lineNumber, problem.toUtf8().constData());
            return 2;
        }
    }
    out.flush();
    return 0;
}

} // namespace

int corvaneMain(int argc, char** argv) {
    if (argc < 2 || std::strcmp(argv[1], "--help") == 0 || std::strcmp(argv[1], "-h") == 0) {
        std::fputs(kUsage, argc < 2 ? stderr : stdout);
        return argc < 2 ? 2 : 0;
    }
    const QString command = QString::fromLocal8Bit(argv[1]);
    if (command == QLatin1String("script"))
        return runScript(argc, argv);
    if (command == QLatin1String("route") || command == QLatin1String("tape")) {
        QStringList args;
        for (int i = 2; i < argc; ++i)
            args << QString::fromLocal8Bit(argv[i]);
        QTextStream out(stdout);
        QTextStream err(stderr);
        out.setEncoding(QStringConverter::Utf8);
        err.setEncoding(QStringConverter::Utf8);
        if (command == QLatin1String("tape"))
            return tapeCommand(args, out, err);
        // The GTFS import is a library of its own (it reads zip archives with libzip),
        // linked by this tool only; the route library knows nothing of it.
        if (!args.isEmpty() && args.first() == QLatin1String("import-gtfs"))
            return importGtfsCommand(args.mid(1), out, err);
        return routeCommand(args, out, err);
    }
    if (command == QLatin1String("plugin")) {
        QStringList args;
        for (int i = 2; i < argc; ++i)
            args << QString::fromLocal8Bit(argv[i]);
        QTextStream out(stdout);
        QTextStream err(stderr);
        out.setEncoding(QStringConverter::Utf8);
        err.setEncoding(QStringConverter::Utf8);
        return pluginCommand(args, out, err);
    }
    if (command == QLatin1String("remote")) {
        QCoreApplication app(argc, argv);
        QStringList args;
        for (int i = 2; i < argc; ++i)
            args << QString::fromLocal8Bit(argv[i]);
        QTextStream in(stdin);
        QTextStream out(stdout);
        QTextStream err(stderr);
        in.setEncoding(QStringConverter::Utf8);
        out.setEncoding(QStringConverter::Utf8);
        err.setEncoding(QStringConverter::Utf8);
        return remoteCommand(args, in, out, err);
    }
    std::fprintf(stderr, "corvane: unknown command \"%s\" (see corvane --help)\n", argv[1]);
    return 2;
}

int main(int argc, char** argv) {
    return corvaneMain(argc, argv);
}
