// Remote control of the real program: 508 --listen with TCP clients and corvane remote.
#include "QtPrinting.h"
#include "RunUntil.h"

#include <QDeadlineTimer>
#include <QDir>
#include <QEventLoop>
#include <QFile>
#include <QImage>
#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>
#include <QProcess>
#include <QRegularExpression>
#include <QTcpServer>
#include <QTcpSocket>
#include <QTemporaryDir>
#include <QTimer>
#include <functional>
#include <gtest/gtest.h>
#include <memory>
#include <vector>

namespace {

const QString kProgram = QStringLiteral(CORVANE_BINARY_DIR "/bin/508");
const QString kTool = QStringLiteral(CORVANE_BINARY_DIR "/bin/corvane");

QProcessEnvironment environment(const QString& config) {
    QProcessEnvironment env = QProcessEnvironment::systemEnvironment();
    env.insert(QStringLiteral("QT_QPA_PLATFORM"), QStringLiteral("offscreen"));
    env.insert(QStringLiteral("XDG_CONFIG_HOME"), config);
    env.insert(QStringLiteral("XDG_DATA_HOME"), config + QStringLiteral("/data"));
    env.insert(QStringLiteral("SDL_AUDIODRIVER"), QStringLiteral("dummy"));
    return env;
}

// The program 508, started with the given arguments in its own configuration folder.
class Program {
public:
    Program(const QString& config, const QStringList& args) {
        process.setProcessEnvironment(environment(config));
        process.start(kProgram, args);
    }
    ~Program() {
        process.kill();
        process.waitForFinished(5000);
    }
    // The port it listens on, from its message on standard error; 0 when it did not say.
    quint16 port(int waitMs = 20000) {
        static const QRegularExpression re(QStringLiteral("listening for remote control on .*:(\\d+)\\n"));
        QDeadlineTimer deadline(waitMs);
        while (!deadline.hasExpired() && process.state() != QProcess::NotRunning) {
            process.setReadChannel(QProcess::StandardError);
            process.waitForReadyRead(100);
            err += QString::fromUtf8(process.readAllStandardError());
            if (const QRegularExpressionMatch m = re.match(err); m.hasMatch())
                return quint16(m.captured(1).toUInt());
        }
        return 0;
    }
    QProcess process;
    QString err;
};

// The token the program made in its configuration folder.
QByteArray tokenOf(const QString& config) {
    QFile f(config + QStringLiteral("/corvane/remote.token"));
    return f.open(QIODevice::ReadOnly) ? f.readAll().trimmed() : QByteArray();
}

// A client that gives the program's token first and keeps every line it gets after
// the answer to that.
class Client {
public:
    Client(quint16 port, const QString& config) {
        socket.connectToHost(QHostAddress::LocalHost, port);
        QObject::connect(&socket, &QTcpSocket::readyRead, [this] {
            while (socket.canReadLine()) {
                const QJsonObject o = QJsonDocument::fromJson(socket.readLine()).object();
                if (!authenticated && o.contains(QLatin1String("ok"))) {
                    authenticated = o.value(QLatin1String("ok")).toBool();
                    continue;
                }
                (o.contains(QLatin1String("event")) ? events : answers).push_back(o);
            }
        });
        socket.write("{\"cmd\":\"auth\",\"token\":\"" + tokenOf(config) + "\"}\n");
    }
    bool authenticated = false;
    // Sends a request and waits for its answer.
    QJsonObject ask(const QByteArray& json) {
        const size_t before = answers.size();
        socket.write(json + '\n');
        if (!runUntil([&] { return answers.size() > before; }, 20000))
            return QJsonObject{{"timeout", true}};
        return answers.back();
    }
    QJsonObject lastState() const {
        for (auto it = events.rbegin(); it != events.rend(); ++it)
            if (it->value("event").toString() == QLatin1String("state"))
                return *it;
        return {};
    }
    QTcpSocket socket;
    std::vector<QJsonObject> answers, events;
};

struct ToolRun {
    int status = -1;
    QString out, err;
};

ToolRun tool(const QString& config, const QStringList& args, const QByteArray& input = QByteArray()) {
    QProcess p;
    p.setProcessEnvironment(environment(config));
    p.start(kTool, args);
    p.write(input);
    p.closeWriteChannel();
    p.waitForFinished(30000);
    return ToolRun{p.exitCode(), QString::fromUtf8(p.readAllStandardOutput()),
                   QString::fromUtf8(p.readAllStandardError())};
}

class Remote : public ::testing::Test {
protected:
    void SetUp() override {
        ASSERT_TRUE(dir.isValid());
        // route 12: three stops
        QStringList lines;
        const auto row = [](const char* name, int ticket, std::initializer_list<int> fares) {
            QStringList cols{QString::fromUtf8(name), QString::number(ticket)};
            for (int f : fares)
                cols << QString::number(f);
            while (cols.size() < 152)
                cols << QStringLiteral("0");
            return cols.join(QLatin1Char(','));
        };
        lines << row("駅前", 1, {-1}) << row("市役所前", 2, {230, -1}) << row("終点", 3, {260, 230});
        QFile csv(dir.filePath(QStringLiteral("12.csv")));
        ASSERT_TRUE(csv.open(QIODevice::WriteOnly));
        csv.write(lines.join(QLatin1Char('\n')).toUtf8() + '\n');
        csv.close();
        const ToolRun built =
            tool(dir.path(), {QStringLiteral("route"), QStringLiteral("build"), csv.fileName(),
                              QStringLiteral("-o"), dir.filePath(QStringLiteral("12.hy3"))});
        ASSERT_EQ(built.status, 0) << built.err.toStdString();
    }
    QByteArray setFolder() const {
        return QStringLiteral("{\"cmd\":\"set\",\"name\":\"FareDataFolder\",\"value\":%1}")
            .arg(QString::fromUtf8(QJsonDocument(QJsonArray{dir.path()}).toJson(QJsonDocument::Compact))
                     .mid(1)
                     .chopped(1))
            .toUtf8();
    }
    QTemporaryDir dir;
};

TEST_F(Remote, ClientsDriveTheBoardAndEveryOneSeesTheState) {
    Program program(dir.path(), {QStringLiteral("--listen"), QStringLiteral("0")});
    const quint16 port = program.port();
    ASSERT_NE(port, 0) << program.err.toStdString();
    Client a(port, dir.path()), b(port, dir.path());
    ASSERT_TRUE(runUntil([&] { return a.events.size() >= 2 && b.events.size() >= 2; }, 10000));
    EXPECT_EQ(a.events[0].value("event").toString(), QStringLiteral("hello"));
    EXPECT_EQ(a.events[0].value("program").toString(), QStringLiteral("508"));
    EXPECT_EQ(a.events[0].value("protocol").toInt(), 2);
    EXPECT_EQ(a.events[0].value("auth").toString(), QStringLiteral("token"));
    EXPECT_EQ(a.events[0].value("idle").toInt(), 300);

    EXPECT_TRUE(a.ask(R"({"cmd":"fast","on":true})").value("ok").toBool());
    EXPECT_TRUE(a.ask(setFolder()).value("ok").toBool());
    EXPECT_TRUE(
        a.ask(R"({"cmd":"keypad","keys":["系統","1","2","区間","1"],"id":"k"})").value("ok").toBool());
    EXPECT_TRUE(a.ask(R"({"cmd":"reset","panel":"keypad"})").value("ok").toBool());
    const QJsonObject state = a.ask(R"({"cmd":"state","id":9})");
    EXPECT_EQ(state.value("id").toInt(), 9);
    EXPECT_EQ(state.value("state").toObject().value("route").toString(), QStringLiteral("12"));
    EXPECT_EQ(state.value("state").toObject().value("rowCount").toInt(), 3);
    // the other client is told
    ASSERT_TRUE(
        runUntil([&] { return b.lastState().value("route").toString() == QLatin1String("12"); }, 5000));
    EXPECT_EQ(b.lastState().value("stopName").toString(), QStringLiteral("駅前"));
    EXPECT_TRUE(b.answers.empty());
    EXPECT_TRUE(b.ask(R"({"cmd":"next"})").value("ok").toBool());
    ASSERT_TRUE(runUntil([&] { return a.lastState().value("currentStop").toInt() == 1; }, 5000));
    EXPECT_EQ(a.lastState().value("stopName").toString(), QStringLiteral("市役所前"));
    // the options dialog shown by a request is worked by the next ones
    EXPECT_TRUE(a.ask(R"({"cmd":"options","action":"show"})").value("ok").toBool());
    const QJsonObject options =
        QJsonDocument::fromJson(
            a.ask(R"({"cmd":"options","action":"state"})").value("output").toString().toUtf8())
            .object();
    EXPECT_TRUE(options.value("visible").toBool());
    EXPECT_TRUE(a.ask(R"({"cmd":"options","action":"close"})").value("ok").toBool());
    // what a command prints comes back as its output
    const QJsonObject dots = a.ask(R"({"cmd":"dots"})");
    EXPECT_TRUE(dots.value("output").toString().endsWith(QStringLiteral("top=0")))
        << "stop name not scrolled";
}

TEST_F(Remote, AMessageBoxIsShownWithoutHoldingTheAnswer) {
    Program program(dir.path(), {QStringLiteral("--listen"), QStringLiteral("0")});
    const quint16 port = program.port();
    ASSERT_NE(port, 0) << program.err.toStdString();
    Client a(port, dir.path());
    a.ask(setFolder());
    a.ask(R"({"cmd":"keypad","keys":["系統","9","9"]})");
    const QJsonObject reset = a.ask(R"({"cmd":"reset","panel":"keypad"})");
    ASSERT_TRUE(reset.value("ok").toBool()) << QJsonDocument(reset).toJson().toStdString();
    const QJsonArray boxes = reset.value("messages").toArray();
    ASSERT_EQ(boxes.size(), 1);
    EXPECT_EQ(boxes[0].toObject().value("title").toString(), QStringLiteral("508"));
    EXPECT_FALSE(boxes[0].toObject().value("text").toString().isEmpty());
    // the box stays on the screen, and the program goes on taking commands
    EXPECT_TRUE(a.ask(R"({"cmd":"backlight","level":1})").value("ok").toBool());
    const QJsonObject state = a.ask(R"({"cmd":"state"})").value("state").toObject();
    EXPECT_EQ(state.value("route").toString(), QStringLiteral("99"));
    EXPECT_EQ(state.value("rowCount").toInt(), 0) << "no route was loaded";
}

TEST_F(Remote, BadRequestsAreRefusedToTheirSender) {
    Program program(dir.path(), {QStringLiteral("--listen"), QStringLiteral("0")});
    const quint16 port = program.port();
    ASSERT_NE(port, 0) << program.err.toStdString();
    Client a(port, dir.path()), b(port, dir.path());
    EXPECT_EQ(a.ask(R"({"cmd":"bogus","id":1})").value("error").toString(),
              QStringLiteral("unknown command \"bogus\""));
    EXPECT_EQ(a.ask(R"({"cmd":"backlight","level":7})").value("error").toString(),
              QStringLiteral("backlight needs 0, 1 or 2"));
    EXPECT_TRUE(a.ask(R"({"cmd":)").value("error").toString().startsWith(QStringLiteral("malformed JSON")));
    EXPECT_EQ(
        a.ask("{\"cmd\":\"chimei\",\"name\":\"" + QByteArray(70000, 'x') + "\"}").value("error").toString(),
        QStringLiteral("line longer than 65536 bytes"));
    EXPECT_TRUE(b.ask(R"({"cmd":"backlight","level":2})").value("ok").toBool());
    EXPECT_TRUE(a.ask(R"({"cmd":"chimei","name":"中央  駅"})").value("ok").toBool());
    EXPECT_EQ(b.ask(R"({"cmd":"state"})").value("state").toObject().value("stopName").toString(),
              QStringLiteral("中央  駅"));
}

TEST_F(Remote, CorvaneRemoteSendsScriptLinesAndPrintsTheAnswers) {
    Program program(dir.path(), {QStringLiteral("--listen"), QStringLiteral("0")});
    const quint16 port = program.port();
    ASSERT_NE(port, 0) << program.err.toStdString();
    const QString at = QStringLiteral("127.0.0.1:%1").arg(port);
    ToolRun r = tool(dir.path(),
                     {QStringLiteral("remote"), at, QStringLiteral("chimei 市役所前"), QStringLiteral("-"),
                      QStringLiteral("state")},
                     "# from standard input\nbacklight 2\n\n");
    ASSERT_EQ(r.status, 0) << r.err.toStdString();
    const QStringList lines = r.out.split(QLatin1Char('\n'), Qt::SkipEmptyParts);
    ASSERT_EQ(lines.size(), 3);
    EXPECT_EQ(lines[0], QStringLiteral("{\"ok\":true,\"id\":1}"));
    EXPECT_EQ(lines[1], QStringLiteral("{\"ok\":true,\"id\":3}")) << "the comment counts as line 2";
    EXPECT_EQ(QJsonDocument::fromJson(lines[2].toUtf8()).object().value("state").toObject().value("stopName"),
              QStringLiteral("市役所前"));

    r = tool(dir.path(), {QStringLiteral("remote"), at, QStringLiteral("next"), QStringLiteral("scroll 9 x"),
                          QStringLiteral("next")});
    EXPECT_EQ(r.status, 2);
    EXPECT_EQ(r.out.count(QLatin1Char('\n')), 2) << "stops after the refused command";
    EXPECT_EQ(r.err, QStringLiteral("error: 2: scroll needs SPEED (1..2000) and WAIT (0..3000)\n"));

    // watching: the events of a change made by another client
    QProcess watch;
    watch.setProcessEnvironment(environment(dir.path()));
    watch.start(kTool, {QStringLiteral("remote"), at});
    ASSERT_TRUE(watch.waitForStarted());
    runUntil([] { return false; }, 500);
    tool(dir.path(), {QStringLiteral("remote"), at, QStringLiteral("chimei 終点")});
    QString watched;
    ASSERT_TRUE(runUntil(
        [&] {
            watched += QString::fromUtf8(watch.readAllStandardOutput());
            return watched.contains(QStringLiteral("\"stopName\":\"終点\""));
        },
        10000));
    EXPECT_TRUE(watched.startsWith(QStringLiteral("{\"event\":\"state\",\"route\":")));
    watch.kill();
    watch.waitForFinished();
}

TEST_F(Remote, CommandLineAndConfigurationFile) {
    struct Case {
        QStringList args;
        int status;
        const char* message;
    };
    QTcpServer taken;
    ASSERT_TRUE(taken.listen(QHostAddress::LocalHost, 0));
    const QString busy = QString::number(taken.serverPort());
    const std::vector<Case> cases{
        {{QStringLiteral("--bogus")}, 2, "508: unknown argument \"--bogus\" (see 508 --help)\n"},
        {{QStringLiteral("--listen")}, 2, "508: --listen needs a port number (see 508 --help)\n"},
        {{QStringLiteral("--listen"), QStringLiteral("70000")},
         2,
         "508: --listen needs a port number from 0 to 65535, not \"70000\" (see 508 --help)\n"},
        {{QStringLiteral("--listen-address"), QStringLiteral("::1")},
         2,
         "508: --listen-address needs --listen PORT (see 508 --help)\n"},
        {{QStringLiteral("--listen"), busy}, 2, "508: cannot listen for remote control on 127.0.0.1:"},
    };
    for (const Case& c : cases) {
        QProcess p;
        p.setProcessEnvironment(environment(dir.path()));
        p.start(kProgram, c.args);
        ASSERT_TRUE(p.waitForFinished(20000)) << c.args.join(' ').toStdString();
        EXPECT_EQ(p.exitCode(), c.status) << c.args.join(' ').toStdString();
        const QString err = QString::fromUtf8(p.readAllStandardError());
        EXPECT_TRUE(err.contains(QString::fromUtf8(c.message))) << err.toStdString();
    }
    QProcess help;
    help.start(kProgram, {QStringLiteral("--help")});
    help.waitForFinished(10000);
    EXPECT_EQ(help.exitCode(), 0);
    const QByteArray usage = help.readAllStandardOutput();
    EXPECT_TRUE(usage.startsWith("usage: 508 [")) << usage.toStdString();
    EXPECT_TRUE(usage.contains("  --listen PORT ")) << usage.toStdString();

    // remote.conf turns it on; --no-listen turns it off again
    QTcpServer probe;
    ASSERT_TRUE(probe.listen(QHostAddress::LocalHost, 0));
    const quint16 port = probe.serverPort();
    probe.close();
    QDir(dir.path()).mkpath(QStringLiteral("corvane"));
    QFile conf(dir.filePath(QStringLiteral("corvane/remote.conf")));
    ASSERT_TRUE(conf.open(QIODevice::WriteOnly));
    conf.write(QStringLiteral("enabled=true\nport=%1\n").arg(port).toUtf8());
    conf.close();
    {
        Program program(dir.path(), {});
        EXPECT_EQ(program.port(), port) << program.err.toStdString();
    }
    {
        Program program(dir.path(), {QStringLiteral("--no-listen")});
        EXPECT_EQ(program.port(3000), 0);
    }
}

// A web page's POST of JSON lines (as a browser sends it to any address) runs nothing,
// and a client names files only inside its folder.
TEST_F(Remote, NeitherAWebPageNorAPathLeadsOutside) {
    Program program(dir.path(), {QStringLiteral("--listen"), QStringLiteral("0")});
    const quint16 port = program.port();
    ASSERT_NE(port, 0) << program.err.toStdString();
    EXPECT_TRUE(program.err.contains(QStringLiteral("508: made the remote-control token file ")));
    const QString outside = dir.filePath(QStringLiteral("page.png"));
    const QByteArray body =
        "{\"cmd\":\"chimei\",\"name\":\"X\"}\n{\"cmd\":\"png\",\"path\":\"" + outside.toUtf8() + "\"}\n";
    QTcpSocket page;
    page.connectToHost(QHostAddress::LocalHost, port);
    page.write(
        "POST / HTTP/1.1\r\nHost: 127.0.0.1\r\nOrigin: http://example.org\r\nContent-Type: text/plain\r\n"
        "Content-Length: " +
        QByteArray::number(body.size()) + "\r\n\r\n" + body);
    QByteArray got;
    ASSERT_TRUE(runUntil(
        [&] {
            got += page.readAll();
            return page.state() == QAbstractSocket::UnconnectedState;
        },
        10000));
    EXPECT_TRUE(got.contains("\"error\":\"the first request must be")) << got.toStdString();

    Client a(port, dir.path());
    const QJsonObject state = a.ask(R"({"cmd":"state"})").value("state").toObject();
    EXPECT_EQ(state.value("stopName").toString(), QString()) << "the page's chimei did not run";
    EXPECT_FALSE(QFile::exists(outside));

    const QString folder = dir.filePath(QStringLiteral("data/corvane/remote"));
    EXPECT_TRUE(a.ask(R"({"cmd":"png","path":"board.png"})").value("ok").toBool());
    EXPECT_TRUE(QImage(folder + QStringLiteral("/board.png")).width() > 0);
    EXPECT_EQ(
        a.ask(QStringLiteral("{\"cmd\":\"png-controller\",\"path\":\"%1\"}").arg(outside).toUtf8())
            .value("error")
            .toString(),
        QStringLiteral("\"%1\" is refused: over remote control a file is named by a relative path inside %2")
            .arg(outside, folder));
    EXPECT_EQ(a.ask(R"({"cmd":"save","path":"../508.in4"})").value("error").toString(),
              QStringLiteral(
                  "save over remote control takes no file name: it saves the program's own settings file"));
    EXPECT_FALSE(QFile::exists(outside));
}

// save over remote control writes the program's own settings file (here the user's).
TEST_F(Remote, SaveWritesTheProgramsOwnSettings) {
    QDir(dir.path()).mkpath(QStringLiteral("corvane"));
    const QString own = dir.filePath(QStringLiteral("corvane/508.in4"));
    ASSERT_TRUE(QFile::copy(QStringLiteral(CORVANE_SOURCE_DIR "/data/demo/demo-settings.in4"), own));
    QFile::setPermissions(own, QFile::ReadOwner | QFile::WriteOwner);
    const QByteArray before = [&] {
        QFile f(own);
        return f.open(QIODevice::ReadOnly) ? f.readAll() : QByteArray();
    }();
    Program program(dir.path(), {QStringLiteral("--listen"), QStringLiteral("0")});
    const quint16 port = program.port();
    ASSERT_NE(port, 0) << program.err.toStdString();
    Client a(port, dir.path());
    EXPECT_TRUE(a.ask(R"({"cmd":"set","name":"FareDataFolder","value":"/srv/fares"})").value("ok").toBool());
    const QJsonObject saved = a.ask(R"({"cmd":"save"})");
    EXPECT_TRUE(saved.value("ok").toBool()) << QJsonDocument(saved).toJson().toStdString();
    QFile f(own);
    ASSERT_TRUE(f.open(QIODevice::ReadOnly));
    const QByteArray after = f.readAll();
    EXPECT_NE(after, before);
    EXPECT_TRUE(after.contains("/srv/fares"));
}

// corvane remote gives up on a program that greets and then stays silent, or that sends
// a line without end, and on a missing token.
TEST_F(Remote, CorvaneRemoteTimesOutAndBoundsLines) {
    QDir(dir.path()).mkpath(QStringLiteral("corvane"));
    QFile token(dir.filePath(QStringLiteral("corvane/remote.token")));
    ASSERT_TRUE(token.open(QIODevice::WriteOnly));
    token.write("0123456789abcdef0123456789abcdef\n");
    token.close();
    const struct {
        const char* what;
        QByteArray greeting;
        bool streams;
        const char* message;
    } cases[] = {
        {"silent after the greeting",
         "{\"event\":\"hello\",\"program\":\"508\",\"protocol\":2,\"auth\":\"token\"}\n", false,
         "corvane remote: no answer from 127.0.0.1:%1 within 1 s\n"},
        {"a line without end", QByteArray(), true,
         "corvane remote: 127.0.0.1:%1 sent a line longer than 65536 bytes\n"},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.what);
        QTcpServer fake;
        ASSERT_TRUE(fake.listen(QHostAddress::LocalHost, 0));
        std::vector<std::unique_ptr<QTcpSocket>> peers;
        QTimer stream;
        QObject::connect(&fake, &QTcpServer::newConnection, [&] {
            peers.emplace_back(fake.nextPendingConnection());
            peers.back()->write(c.greeting);
            if (c.streams)
                stream.start(1);
        });
        QObject::connect(&stream, &QTimer::timeout, [&] {
            if (peers.back()->bytesToWrite() < 1 << 20)
                peers.back()->write(QByteArray(65536, 'x'));
        });
        QProcess p;
        p.setProcessEnvironment(environment(dir.path()));
        p.start(kTool, {QStringLiteral("remote"), QStringLiteral("--timeout"), QStringLiteral("1"),
                        QStringLiteral("127.0.0.1:%1").arg(fake.serverPort()), QStringLiteral("next")});
        ASSERT_TRUE(runUntil([&] { return p.state() == QProcess::NotRunning; }, 20000));
        EXPECT_EQ(p.exitCode(), 2);
        EXPECT_EQ(QString::fromUtf8(p.readAllStandardError()),
                  QString::fromUtf8(c.message).arg(fake.serverPort()));
    }
    QTemporaryDir empty;
    const ToolRun r =
        tool(empty.path(), {QStringLiteral("remote"), QStringLiteral("127.0.0.1:9"), QStringLiteral("next")});
    EXPECT_EQ(r.status, 2);
    EXPECT_EQ(r.err,
              QStringLiteral("corvane remote: there is no token file %1/corvane/remote.token (508 makes it "
                             "when it first listens; --token-file names another)\n")
                  .arg(empty.path()));
}

} // namespace
