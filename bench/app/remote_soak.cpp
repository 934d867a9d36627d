// Soak test of remote control: the real program 508 --listen on loopback, eight clients
// each sending random valid and invalid request lines (one request in flight each),
// and one more client that floods the program with requests and never reads.
//
//   bench_remote_soak [LINES_PER_CLIENT [CLIENTS]]     (default 10000 8)
//
// Each client owns one setting (a sound file of the options dialog) and is the only
// one to change it; what the clients share they set to the same value. So the state
// the valid requests imply is known whatever order the program took them in: at the
// end the program's state and its options dialog are compared with those of a fresh
// program given only the effective requests (corvane script). Then the fairness of the
// listener: eight clients keep asking for pictures of the board (png) while another
// steps the board (next/back) and times each answer. Every client gives the program's
// token first. Prints "measure: NAME VALUE" lines and '#' lines that say what was
// done; exits 1 when the soak went wrong.
#include "remote/RemoteProtocol.h"

#include <QCoreApplication>
#include <QDeadlineTimer>
#include <QElapsedTimer>
#include <QEventLoop>
#include <QFile>
#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>
#include <QProcess>
#include <QRegularExpression>
#include <QTcpSocket>
#include <QTemporaryDir>
#include <QTimer>
#include <algorithm>
#include <cstdio>
#include <functional>
#include <memory>
#include <random>
#include <vector>

namespace {

const QString kProgram = QStringLiteral(CORVANE_BINARY_DIR "/bin/508");
const QString kTool = QStringLiteral(CORVANE_BINARY_DIR "/bin/corvane");

bool runUntil(const std::function<bool()>& done, int ms) {
    QDeadlineTimer deadline(ms);
    while (!done()) {
        if (deadline.hasExpired())
            return false;
        QEventLoop loop;
        QTimer::singleShot(2, &loop, &QEventLoop::quit);
        loop.exec();
    }
    return true;
}

QProcessEnvironment environment(const QString& home) {
    QProcessEnvironment env = QProcessEnvironment::systemEnvironment();
    env.insert(QStringLiteral("QT_QPA_PLATFORM"), QStringLiteral("offscreen"));
    env.insert(QStringLiteral("XDG_CONFIG_HOME"), home);
    env.insert(QStringLiteral("SDL_AUDIODRIVER"), QStringLiteral("dummy"));
    return env;
}

// Resident memory of a process in MB (VmRSS, or VmHWM for the peak).
double memoryMb(qint64 pid, const char* field) {
    QFile f(QStringLiteral("/proc/%1/status").arg(pid));
    if (!f.open(QIODevice::ReadOnly))
        return -1;
    for (const QByteArray& line : f.readAll().split('\n'))
        if (line.startsWith(field))
            return line.mid(qsizetype(strlen(field))).trimmed().split(' ').first().toDouble() / 1024.0;
    return -1;
}

// The settings the clients own, one each.
const char* const kOwned[] = {"RouteSetSound",  "ResetSound",        "StepSound1",        "StepSound2",
                              "StepSound3",     "PreAnnounceSound1", "PreAnnounceSound2", "PreAnnounceSound3",
                              "StepSoundFixed", "PreAnnounceFixed"};
constexpr int kMaxClients = int(sizeof kOwned / sizeof kOwned[0]);

struct Line {
    QByteArray json;
    bool valid = false;
    QString setting; // the line a valid set request runs ("" for none)
    int format = 0;  // the display a valid format request formats (0 for none)
    bool backlight = false;
};

// One client's random requests. Client k owns setting kOwned[k].
class Generator {
public:
    Generator(int client, quint32 randomStart) : m_client(client), m_rng(randomStart) {}
    Line next() {
        const int roll = pick(1000);
        const QString d = QString::number(pick(50) + 1);
        if (roll < 1) // over 64 KiB
            return {"{\"cmd\":\"chimei\",\"name\":\"" + QByteArray(70000, 'x') + "\"}", false, {}};
        if (roll < 250) {
            const QString set = QStringLiteral("set %1 /srv/sounds/client %2/%3.wav")
                                    .arg(QString::fromLatin1(kOwned[m_client]))
                                    .arg(m_client)
                                    .arg(pick(1000000));
            return {remote::requestForLine(set).trimmed(), true, set};
        }
        if (roll < 300) {
            Line l = valid(QStringLiteral("format %1 0 0 0").arg(d));
            l.format = d.toInt();
            return l;
        }
        if (roll < 400)
            return valid("state");
        if (roll < 450)
            return valid("dots");
        if (roll < 500) {
            Line l = valid(QStringLiteral("backlight 2"));
            l.backlight = true;
            return l;
        }
        if (roll < 550)
            return valid("clear off");
        if (roll < 600)
            return valid("wait 0");
        if (roll < 650)
            return valid(QStringLiteral("format %1 cancel").arg(d));
        if (roll < 700)
            return {"{\"cmd\":\"tape\",\"button\":\"stop\",\"args\":[]}", true, {}};
        // the invalid ones
        switch (pick(8)) {
        case 0:
            return {"{\"cmd\":\"format\",\"display\":" + d.toUtf8(), false, {}}; // cut short
        case 1:
            return {"{\"cmd\":\"frobnicate\"}", false, {}};
        case 2:
            return invalid(QStringLiteral("format 99 0 0 0"));
        case 3:
            return invalid(QStringLiteral("format %1 9 0 0").arg(d)); // zero mode out of range
        case 4:
            return invalid(QStringLiteral("backlight 7"));
        case 5:
            return {"{\"cmd\":\"keypad\",\"keys\":\"12\"}", false, {}};
        case 6:
            return (pick(2) ? Line{"{\"cmd\":\"next\",\"colour\":\"red\"}", false, {}}
                            : invalid(QStringLiteral("set NoSuchSetting 1")));
        default:
            return {"[1,2,3]", false, {}};
        }
    }

private:
    int pick(int n) { return std::uniform_int_distribution<int>(0, n - 1)(m_rng); }
    static Line valid(const QString& line) { return {remote::requestForLine(line).trimmed(), true, {}}; }
    static Line invalid(const QString& line) { return {remote::requestForLine(line).trimmed(), false, {}}; }

    int m_client;
    std::mt19937 m_rng;
};

struct Client {
    std::unique_ptr<QTcpSocket> socket;
    std::unique_ptr<Generator> generator;
    int sent = 0;
    int answered = 0;
    int wrong = 0;       // an answer that was not what the request should give
    int rateRefused = 0; // refused for the rate: not carried out
    QString lastSetting; // the last set request the program carried out
    std::vector<int> formatted;
    bool backlight = false;
    bool authAnswered = false;
    Line inFlight;
    QElapsedTimer asked;
    qint64 slowest = 0;
    bool done = false;
};

// The fields of the state that the requests change or that must stay as they were.
QJsonObject comparable(QJsonObject state) {
    for (const char* key : {"sounds", "spoken", "messages", "clock", "ticket"})
        state.remove(QLatin1String(key));
    return state;
}

// The first line of every client: the token the program made in its configuration folder.
QByteArray g_authLine;

QByteArray authLine(const QString& home) {
    QFile f(home + QStringLiteral("/corvane/remote.token"));
    const QByteArray token = f.open(QIODevice::ReadOnly) ? f.readAll().trimmed() : QByteArray();
    return "{\"cmd\":\"auth\",\"token\":\"" + token + "\"}\n";
}

QJsonObject askOnce(quint16 port, const QByteArray& json) {
    QTcpSocket s;
    s.connectToHost(QHostAddress::LocalHost, port);
    if (!s.waitForConnected(5000))
        return {};
    s.write(g_authLine + json + '\n');
    bool authAnswered = false;
    QDeadlineTimer deadline(30000);
    while (!deadline.hasExpired()) {
        while (s.canReadLine()) {
            const QJsonObject o = QJsonDocument::fromJson(s.readLine()).object();
            if (o.contains(QLatin1String("event")))
                continue;
            if (!authAnswered) {
                authAnswered = true;
                if (o.value(QLatin1String("ok")).toBool())
                    continue;
            }
            return o;
        }
        s.waitForReadyRead(100);
    }
    return {};
}

// Eight clients flood png while one more steps the board: the stepping client's answer
// times, in ms, sorted.
std::vector<qint64> stepWhileFlooded(quint16 port, int flooders, int steps) {
    std::vector<std::unique_ptr<QTcpSocket>> flood;
    int pictures = 0;
    for (int k = 0; k < flooders; ++k) {
        auto s = std::make_unique<QTcpSocket>();
        QTcpSocket* raw = s.get();
        const QByteArray request =
            QStringLiteral("{\"cmd\":\"png\",\"path\":\"flood-%1.png\"}\n").arg(k).toUtf8();
        QObject::connect(raw, &QTcpSocket::readyRead, [raw, request, &pictures] {
            while (raw->canReadLine()) {
                if (QJsonDocument::fromJson(raw->readLine()).object().contains(QLatin1String("ok"))) {
                    ++pictures;
                    raw->write(request); // one more for each answer: always some waiting
                }
            }
        });
        raw->connectToHost(QHostAddress::LocalHost, port);
        raw->waitForConnected(5000);
        QByteArray burst = g_authLine;
        for (int i = 0; i < 20; ++i)
            burst += request;
        raw->write(burst);
        flood.push_back(std::move(s));
    }
    QTcpSocket stepper;
    std::vector<qint64> times;
    QElapsedTimer asked;
    bool authAnswered = false;
    int sent = 0;
    const auto step = [&] {
        asked.start();
        stepper.write(++sent % 2 ? "{\"cmd\":\"next\"}\n" : "{\"cmd\":\"back\"}\n");
    };
    QObject::connect(&stepper, &QTcpSocket::readyRead, [&] {
        while (stepper.canReadLine()) {
            const QJsonObject o = QJsonDocument::fromJson(stepper.readLine()).object();
            if (!o.contains(QLatin1String("ok")))
                continue;
            if (!authAnswered) {
                authAnswered = true;
            } else {
                times.push_back(asked.elapsed());
                if (int(times.size()) == steps)
                    return;
            }
            QTimer::singleShot(40, step); // a driver's pace: a step every 40 ms or so
        }
    });
    stepper.connectToHost(QHostAddress::LocalHost, port);
    stepper.waitForConnected(5000);
    stepper.write(g_authLine);
    runUntil([&] { return pictures >= flooders * 2; }, 30000); // the flood is under way
    runUntil([&] { return int(times.size()) == steps; }, 120000);
    std::printf("# fairness: %d pictures taken by %d clients while %d steps were answered\n", pictures,
                flooders, int(times.size()));
    std::sort(times.begin(), times.end());
    return times;
}

} // namespace

int main(int argc, char** argv) {
    QCoreApplication app(argc, argv);
    const int lines = argc > 1 && atoi(argv[1]) > 0 ? atoi(argv[1]) : 10000;
    const int clientCount = argc > 2 && atoi(argv[2]) > 0 ? std::min(atoi(argv[2]), kMaxClients) : 8;
    QTemporaryDir home;

    // Route 12: its first stop shows a fare on each of the clients' displays.
    QStringList fares{QStringLiteral("駅前"), QStringLiteral("1")};
    for (int d = 0; d < 150; ++d)
        fares << QString::number(d < 30 ? 7 + d * 101 : 0);
    QFile csv(home.filePath(QStringLiteral("12.csv")));
    csv.open(QIODevice::WriteOnly);
    csv.write(fares.join(QLatin1Char(',')).toUtf8() + "\n終点,2\n");
    csv.close();
    if (QProcess::execute(kTool, {QStringLiteral("route"), QStringLiteral("build"), csv.fileName(),
                                  QStringLiteral("-o"), home.filePath(QStringLiteral("12.hy3"))}) != 0) {
        std::printf("# remote soak: cannot build the route with %s\n", qPrintable(kTool));
        return 1;
    }
    const QStringList setup{QStringLiteral("fast on"), QStringLiteral("set FareDataFolder ") + home.path(),
                            QStringLiteral("keypad 系統 1 2 区間 1"), QStringLiteral("reset keypad")};

    QProcess program;
    program.setProcessEnvironment(environment(home.path()));
    program.setWorkingDirectory(home.path());
    program.start(kProgram, {QStringLiteral("--listen"), QStringLiteral("0")});
    quint16 port = 0;
    {
        QString err;
        static const QRegularExpression re(QStringLiteral("listening for remote control on .*:(\\d+)\\n"));
        QDeadlineTimer deadline(30000);
        while (!port && !deadline.hasExpired() && program.state() != QProcess::NotRunning) {
            program.setReadChannel(QProcess::StandardError);
            program.waitForReadyRead(100);
            err += QString::fromUtf8(program.readAllStandardError());
            if (const auto m = re.match(err); m.hasMatch())
                port = quint16(m.captured(1).toUInt());
        }
        if (!port) {
            std::printf("# remote soak: 508 did not start listening: %s\n", qPrintable(err));
            return 1;
        }
    }
    const qint64 pid = program.processId();
    g_authLine = authLine(home.path());
    for (const QString& line : setup)
        if (!askOnce(port, remote::requestForLine(line).trimmed()).value(QLatin1String("ok")).toBool()) {
            std::printf("# remote soak: set-up failed at \"%s\"\n", qPrintable(line));
            return 1;
        }
    const double rssStart = memoryMb(pid, "VmRSS:");

    // The client that never reads: it asks for the state over and over.
    QTcpSocket stuck;
    stuck.setReadBufferSize(4096);
    stuck.connectToHost(QHostAddress::LocalHost, port);
    stuck.waitForConnected(5000);
    stuck.setSocketOption(QAbstractSocket::ReceiveBufferSizeSocketOption, 4096);
    QByteArray flood = g_authLine;
    for (int i = 0; i < 3000; ++i)
        flood += "{\"cmd\":\"state\"}\n";
    stuck.write(flood);
    QTimer more;
    QObject::connect(&more, &QTimer::timeout, [&] {
        if (stuck.state() == QAbstractSocket::ConnectedState)
            stuck.write(flood.right(200 * 16));
    });
    more.start(100);

    std::vector<Client> clients(static_cast<size_t>(clientCount));
    int oversized = 0, invalid = 0;
    double rssWarm = -1;
    int totalAnswered = 0;
    // Each client keeps to 180 requests a second, within the program's limit of 200.
    constexpr qint64 kPaceNs = 1000000000 / 180;
    std::function<void(Client&)> sendNext = [&](Client& c) {
        if (c.sent == lines) {
            c.done = true;
            return;
        }
        if (c.asked.isValid() && c.asked.nsecsElapsed() < kPaceNs) {
            const int waitMs = int((kPaceNs - c.asked.nsecsElapsed()) / 1000000) + 1;
            QTimer::singleShot(waitMs, [&c, &sendNext] { sendNext(c); });
            return;
        }
        c.inFlight = c.generator->next();
        if (c.inFlight.json.size() > remote::kMaxLineBytes)
            ++oversized;
        if (!c.inFlight.valid)
            ++invalid;
        ++c.sent;
        c.asked.start();
        c.socket->write(c.inFlight.json + '\n');
    };
    QElapsedTimer clock;
    clock.start();
    for (int k = 0; k < clientCount; ++k) {
        Client& c = clients[size_t(k)];
        c.generator = std::make_unique<Generator>(k, 1000u + quint32(k));
        c.socket = std::make_unique<QTcpSocket>();
        QTcpSocket* s = c.socket.get();
        QObject::connect(s, &QTcpSocket::readyRead, [&, s, k] {
            Client& me = clients[size_t(k)];
            while (s->canReadLine()) {
                const QJsonObject o = QJsonDocument::fromJson(s->readLine()).object();
                if (o.contains(QLatin1String("event")))
                    continue;
                if (!me.authAnswered) {
                    me.authAnswered = true; // the answer to the token
                    if (!o.value(QLatin1String("ok")).toBool())
                        ++me.wrong;
                    sendNext(me);
                    continue;
                }
                me.slowest = std::max(me.slowest, me.asked.elapsed());
                me.asked.start(); // the pace counts from the answer
                ++me.answered;
                ++totalAnswered;
                const bool ok = o.value(QLatin1String("ok")).toBool();
                const QString error = o.value(QLatin1String("error")).toString();
                if (!ok && error.startsWith(QLatin1String("too many requests")))
                    ++me.rateRefused;
                else if (ok != me.inFlight.valid)
                    ++me.wrong;
                else if (ok && !me.inFlight.setting.isEmpty())
                    me.lastSetting = me.inFlight.setting;
                else if (ok && me.inFlight.format)
                    me.formatted.push_back(me.inFlight.format);
                else if (ok && me.inFlight.backlight)
                    me.backlight = true;
                if (rssWarm < 0 && totalAnswered >= clientCount * lines / 10)
                    rssWarm = memoryMb(pid, "VmRSS:");
                sendNext(me);
            }
        });
        s->connectToHost(QHostAddress::LocalHost, port);
    }
    for (Client& c : clients)
        c.socket->waitForConnected(5000);
    for (Client& c : clients)
        c.socket->write(g_authLine); // the first request follows its answer
    const bool finished = runUntil(
        [&] { return std::all_of(clients.begin(), clients.end(), [](const Client& c) { return c.done; }); },
        3600 * 1000);
    const double seconds = clock.elapsed() / 1000.0;
    const double rssEnd = memoryMb(pid, "VmRSS:");
    const double rssPeak = memoryMb(pid, "VmHWM:");
    // the stuck client was dropped: once it reads again it finds the connection closed
    stuck.setReadBufferSize(0);
    const bool stuckDropped = runUntil(
        [&] {
            if (stuck.isOpen())
                stuck.readAll();
            return stuck.state() != QAbstractSocket::ConnectedState;
        },
        20000);
    more.stop();

    // The state the effective requests imply, from a fresh program.
    QJsonObject finalState =
        comparable(askOnce(port, "{\"cmd\":\"state\"}").value(QLatin1String("state")).toObject());
    finalState.insert(QStringLiteral("optionsDialog"),
                      QJsonDocument::fromJson(askOnce(port, "{\"cmd\":\"options\",\"action\":\"state\"}")
                                                  .value(QLatin1String("output"))
                                                  .toString()
                                                  .toUtf8())
                          .object());
    QString script = setup.join(QLatin1Char('\n')) + QLatin1Char('\n');
    int wrong = 0, rateRefused = 0;
    qint64 slowest = 0;
    bool backlight = false;
    for (const Client& c : clients) {
        wrong += c.wrong;
        rateRefused += c.rateRefused;
        slowest = std::max(slowest, c.slowest);
        if (!c.lastSetting.isEmpty())
            script += c.lastSetting + QLatin1Char('\n');
        for (const int d : c.formatted)
            script += QStringLiteral("format %1 0 0 0\n").arg(d);
        backlight = backlight || c.backlight;
    }
    if (backlight)
        script += QStringLiteral("backlight 2\n");
    script += QStringLiteral("state\noptions state\n");
    QProcess oracle;
    oracle.setProcessEnvironment(environment(home.path()));
    oracle.start(kTool, {QStringLiteral("script")});
    oracle.write(script.toUtf8());
    oracle.closeWriteChannel();
    oracle.waitForFinished(60000);
    const QList<QByteArray> printed = oracle.readAllStandardOutput().trimmed().split('\n');
    if (oracle.exitCode() != 0)
        std::printf("# the fresh program refused the script: %s\n",
                    oracle.readAllStandardError().constData());
    QJsonObject expected;
    if (printed.size() >= 2) {
        expected = comparable(QJsonDocument::fromJson(printed[printed.size() - 2]).object());
        expected.insert(QStringLiteral("optionsDialog"), QJsonDocument::fromJson(printed.last()).object());
    }
    int mismatches = 0;
    for (auto it = expected.constBegin(); it != expected.constEnd(); ++it) {
        if (finalState.value(it.key()) != it.value()) {
            ++mismatches;
            std::printf(
                "# state differs in \"%s\": %s, expected %s\n", qPrintable(it.key()),
                QJsonDocument(QJsonArray{finalState.value(it.key())})
                    .toJson(QJsonDocument::Compact)
                    .left(300)
                    .constData(),
                QJsonDocument(QJsonArray{it.value()}).toJson(QJsonDocument::Compact).left(300).constData());
        }
    }
    if (expected.isEmpty())
        mismatches = 1;
    const std::vector<qint64> stepTimes = stepWhileFlooded(port, 8, 100);
    program.kill();
    program.waitForFinished(5000);

    const int total = clientCount * lines;
    std::printf(
        "# remote soak: %d clients x %d lines (%.1f%% invalid, %d over 64 KiB, %d refused for the rate), "
        "one more client that keeps sending requests and never reads; %s\n",
        clientCount, lines, 100.0 * invalid / std::max(1, total), oversized, rateRefused,
        finished ? "all answered" : "NOT all answered");
    std::printf("# 508 resident memory: %.1f MB at the start, %.1f MB after a tenth, %.1f MB at the end, "
                "peak %.1f MB\n",
                rssStart, rssWarm, rssEnd, rssPeak);
    std::printf("measure: soak_s %.1f\n", seconds);
    std::printf("measure: soak_lines_per_s %.0f\n", total / std::max(0.001, seconds));
    std::printf("measure: soak_rss_growth_mb %.1f\n", rssEnd - rssStart);
    std::printf("measure: soak_slowest_answer_ms %lld\n", qlonglong(slowest));
    std::printf("measure: soak_wrong_answers %d\n", wrong);
    std::printf("measure: soak_state_mismatches %d\n", mismatches);
    std::printf("measure: soak_stuck_client_kept %d\n", stuckDropped ? 0 : 1);
    if (!stepTimes.empty()) {
        std::printf("# fairness: next/back answered in %lld ms median, %lld ms worst (%d steps)\n",
                    qlonglong(stepTimes[stepTimes.size() / 2]), qlonglong(stepTimes.back()),
                    int(stepTimes.size()));
        std::printf("measure: fairness_step_median_ms %lld\n", qlonglong(stepTimes[stepTimes.size() / 2]));
        std::printf("measure: fairness_step_worst_ms %lld\n", qlonglong(stepTimes.back()));
    }
    const bool ok = finished && wrong == 0 && mismatches == 0 && stuckDropped && stepTimes.size() == 100;
    return ok ? 0 : 1;
}
