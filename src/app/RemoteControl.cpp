#include "app/RemoteControl.h"

#include "app/Program.h"
#include "app/ProgramArgs.h"
#include "platform/ui/MessageBox.h"
#include "remote/RemoteFiles.h"
#include "remote/RemoteSettings.h"
#include "sound/SpeechEngine.h"
#include "sound/mdlSndAPI.h"

#include <QApplication>
#include <QCoreApplication>
#include <QEvent>
#include <QThread>
#include <cstdio>

namespace {

// The event loop level of the program's main loop: deeper means the program waits
// inside a loop of its own (a pause, a sound, a dialog).
constexpr int kMainLoopLevel = 1;

} // namespace

RemoteControl::RemoteControl(Program& program, QObject* parent)
    : QObject(parent), m_program(program), m_folder(remote::defaultRemoteFolder()), m_stream(&m_output),
      m_runner(program, m_stream),
      m_server([this](const QString& line) { return run(line); }, [this] { return m_runner.state(); }) {
    m_server.setReady([] {
        return QThread::currentThread()->loopLevel() <= kMainLoopLevel || QApplication::activeModalWidget();
    });
    // A dialog that the program waits in (one the person at the screen opened) holds
    // requests off; one a request showed (options show) does not.
    m_server.setGate([] {
        if (QApplication::activeModalWidget() && QThread::currentThread()->loopLevel() > kMainLoopLevel)
            return QStringLiteral("the program is waiting in a dialog on its screen: answer it there first");
        return QString();
    });
    // The state lists the sounds, speech and message boxes since the last state.
    mdlSndAPI::setRecording(true);
    speech::setRecording(true);
    msgbox::setKeepRecords(true);
    qApp->installEventFilter(this);
}

RemoteControl::~RemoteControl() {
    qApp->removeEventFilter(this);
    m_server.close();
    msgbox::setKeepRecords(false);
}

bool RemoteControl::listen(const QHostAddress& address, quint16 port, const QByteArray& token,
                           int idleSeconds) {
    RemoteServer::Limits limits = m_server.limits();
    limits.idleSeconds = idleSeconds;
    m_server.setLimits(limits);
    m_server.setToken(token);
    m_server.setHello(
        remote::encodeHello(QCoreApplication::applicationName(), programVersion(), idleSeconds));
    return m_server.listen(address, port);
}

bool RemoteControl::eventFilter(QObject* watched, QEvent* event) {
    switch (event->type()) {
    case QEvent::MouseButtonRelease:
    case QEvent::KeyRelease:
    case QEvent::Wheel:
        // the person at the screen may have changed something
        m_server.notifyChanged();
        break;
    default:
        break;
    }
    return QObject::eventFilter(watched, event);
}

remote::Answer RemoteControl::run(const QString& requested) {
    remote::Answer answer;
    // A remote client names files inside the remote folder only, and saves only the
    // program's own settings file.
    const remote::ConfinedLine confined = remote::confineFiles(requested, m_folder);
    if (!confined.error.isEmpty()) {
        answer.error = confined.error;
        return answer;
    }
    const QString line = confined.saveOwn ? QString() : confined.line;
    m_output.clear();
    QList<remote::Message> boxes;
    msgbox::setObserver([&boxes](const msgbox::Record& r) {
        boxes << remote::Message{r.text, r.title, msgbox::iconName(r.icon)};
    });
    const bool waited = !msgbox::showsWithoutWaiting();
    msgbox::setShowWithoutWaiting(true);
    if (confined.saveOwn) {
        QString failure;
        if (!m_program.saveSettings(QString(), &failure))
            answer.error = QStringLiteral("cannot save the settings (%1)")
                               .arg(failure.replace(QStringLiteral("\r\n"), QStringLiteral(" ")));
    } else {
        answer.error = m_runner.run(line);
    }
    msgbox::setShowWithoutWaiting(!waited);
    msgbox::setObserver({});
    m_stream.flush();
    QString output = m_output;
    m_output.clear();
    if (output.endsWith(QLatin1Char('\n')))
        output.chop(1);
    if (answer.ok() && line.trimmed() == QLatin1String("state"))
        answer.stateJson = output;
    else
        answer.output = output;
    answer.messages = boxes;
    return answer;
}

std::unique_ptr<RemoteControl> startRemoteControl(Program& program, const ProgramArgs& args,
                                                  int& exitStatus) {
    exitStatus = 0;
    if (args.noListen)
        return nullptr;
    QString address = QStringLiteral("127.0.0.1");
    quint16 port = 0;
    const bool fromCommandLine = args.listenPort.has_value();
    if (fromCommandLine) {
        port = *args.listenPort;
        if (!args.listenAddress.isEmpty())
            address = args.listenAddress;
    }
    // remote.conf gives the idle time also when the command line says where to listen.
    QStringList problems;
    const QString path = RemoteSettings::filePath();
    const RemoteSettings settings = RemoteSettings::load(path, &problems);
    for (const QString& p : problems)
        std::fprintf(stderr, "508: %s: %s\n", qPrintable(path), p.toUtf8().constData());
    if (!fromCommandLine) {
        if (!settings.enabled)
            return nullptr;
        port = settings.port;
        address = settings.address;
    }
    const auto cannotListen = [&](const QString& problem) {
        std::fprintf(stderr, "508: %s\n", problem.toUtf8().constData());
        if (fromCommandLine) {
            exitStatus = 2;
        } else {
            msgbox::show(
                nullptr,
                QCoreApplication::translate("RemoteControl", "リモート操作の待ち受けを開始できません。\n%1")
                    .arg(problem),
                QString(), msgbox::Icon::Exclamation);
        }
    };
    const QString tokenPath =
        args.listenTokenFile.isEmpty() ? remote::defaultTokenPath() : args.listenTokenFile;
    const remote::TokenResult token = remote::loadOrCreateToken(tokenPath);
    if (!token.error.isEmpty()) {
        cannotListen(QStringLiteral("cannot listen for remote control: %1").arg(token.error));
        return nullptr;
    }
    if (token.created)
        std::fprintf(stderr, "508: made the remote-control token file %s\n", qPrintable(tokenPath));
    const QHostAddress host =
        address == QLatin1String("localhost") ? QHostAddress(QHostAddress::LocalHost) : QHostAddress(address);
    auto remote = std::make_unique<RemoteControl>(program);
    if (!remote->listen(host, port, token.token, settings.idleSeconds)) {
        cannotListen(QStringLiteral("cannot listen for remote control on %1:%2: %3")
                         .arg(address)
                         .arg(port)
                         .arg(remote->server().errorString()));
        return nullptr;
    }
    const QHostAddress bound = remote->server().serverAddress();
    std::fprintf(stderr, "508: listening for remote control on %s:%u\n",
                 qPrintable(bound.protocol() == QAbstractSocket::IPv6Protocol
                                ? QStringLiteral("[%1]").arg(bound.toString())
                                : bound.toString()),
                 unsigned(remote->server().serverPort()));
    std::fflush(stderr);
    return remote;
}
