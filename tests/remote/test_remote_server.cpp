// The listener with real TCP clients on loopback: answers in order, errors to their
// sender only, a client that stops reading, floods, state events.
#include "RunUntil.h"

#include "remote/RemoteServer.h"

#include <QDeadlineTimer>
#include <QElapsedTimer>
#include <QEventLoop>
#include <QJsonDocument>
#include <QJsonObject>
#include <QTcpSocket>
#include <QTimer>
#include <functional>
#include <gtest/gtest.h>
#include <memory>
#include <vector>

namespace {

// A client that keeps every line it gets, split into answers and events.
class Client {
public:
    explicit Client(quint16 port, bool reads = true) {
        if (!reads)
            socket.setReadBufferSize(1024); // takes nothing more from the system
        socket.connectToHost(QHostAddress::LocalHost, port);
        if (reads)
            QObject::connect(&socket, &QTcpSocket::readyRead, [this] { take(); });
    }
    void send(const QByteArray& line) { socket.write(line + '\n'); }
    void take() {
        while (socket.canReadLine()) {
            const QJsonObject o = QJsonDocument::fromJson(socket.readLine()).object();
            (o.contains(QLatin1String("event")) ? events : answers).push_back(o);
        }
    }
    bool connected() { return socket.state() == QAbstractSocket::ConnectedState; }

    QTcpSocket socket;
    std::vector<QJsonObject> answers, events;
};

class Server : public ::testing::Test {
protected:
    void SetUp() override {
        server = std::make_unique<RemoteServer>(
            [this](const QString& line) {
                ran.push_back(line);
                remote::Answer a;
                if (line == QLatin1String("state"))
                    a.stateJson = state();
                else if (line.startsWith(QLatin1String("bad")))
                    a.error = QStringLiteral("unknown command \"bad\"");
                else if (line.startsWith(QLatin1String("count")))
                    ++counter;
                return a;
            },
            [this] { return state(); });
        server->setHello(remote::encodeHello(QStringLiteral("508"), QStringLiteral("test")));
    }
    void start(const RemoteServer::Limits& limits = RemoteServer::Limits()) {
        server->setLimits(limits);
        ASSERT_TRUE(server->listen(QHostAddress::LocalHost, 0)) << server->errorString().toStdString();
    }
    QString state() const {
        return QStringLiteral("{\"count\":%1,\"pad\":\"%2\"}")
            .arg(counter)
            .arg(QString(padding, QLatin1Char('x')));
    }

    std::unique_ptr<RemoteServer> server;
    std::vector<QString> ran;
    int counter = 0;
    int padding = 0;
};

QByteArray request(const char* cmd, int id) {
    return QStringLiteral("{\"cmd\":\"%1\",\"id\":%2}").arg(QString::fromLatin1(cmd)).arg(id).toUtf8();
}

TEST_F(Server, SeveralClientsGetTheirOwnAnswersInOrder) {
    start();
    std::vector<std::unique_ptr<Client>> clients;
    for (int c = 0; c < 3; ++c)
        clients.push_back(std::make_unique<Client>(server->serverPort()));
    for (int i = 0; i < 20; ++i)
        for (int c = 0; c < 3; ++c)
            clients[c]->send(request(i % 5 == 4 ? "bad" : "count", c * 100 + i));
    ASSERT_TRUE(runUntil(
        [&] {
            return std::all_of(clients.begin(), clients.end(),
                               [](auto& c) { return c->answers.size() == 20; });
        },
        10000));
    for (int c = 0; c < 3; ++c) {
        for (int i = 0; i < 20; ++i) {
            const QJsonObject& a = clients[c]->answers[i];
            EXPECT_EQ(a.value("id").toInt(), c * 100 + i);
            EXPECT_EQ(a.value("ok").toBool(), i % 5 != 4);
            if (i % 5 == 4) {
                EXPECT_EQ(a.value("error").toString(), QStringLiteral("unknown command \"bad\""));
            }
        }
        ASSERT_GE(clients[c]->events.size(), 1u);
        EXPECT_EQ(clients[c]->events.front().value("event").toString(), QStringLiteral("hello"));
    }
    EXPECT_EQ(ran.size(), 60u);
    EXPECT_EQ(counter, 48);
    EXPECT_EQ(server->clientCount(), 3);
    // every client saw the final state
    ASSERT_TRUE(runUntil(
        [&] {
            return std::all_of(clients.begin(), clients.end(), [](auto& c) {
                return !c->events.empty() && c->events.back().value("count").toInt() == 48;
            });
        },
        2000));
    clients[1]->socket.disconnectFromHost();
    EXPECT_TRUE(runUntil([&] { return server->clientCount() == 2; }, 2000));
}

TEST_F(Server, BadLinesAreRefusedToTheirSenderAlone) {
    start();
    Client a(server->serverPort()), b(server->serverPort());
    a.send("{\"cmd\":\"count\"");                                              // malformed
    a.send("{\"cmd\":\"count\",\"colour\":1,\"id\":\"x\"}");                   // unknown field
    a.send("{\"cmd\":\"count\",\"text\":\"" + QByteArray(70000, 'y') + "\"}"); // too long
    a.send("");                                                                // blank: ignored
    a.send(request("count", 5));
    b.send(request("count", 6));
    ASSERT_TRUE(runUntil([&] { return a.answers.size() == 4 && b.answers.size() == 1; }, 10000));
    EXPECT_TRUE(a.answers[0].value("error").toString().startsWith(QStringLiteral("malformed JSON")));
    EXPECT_EQ(a.answers[1].value("error").toString(), QStringLiteral("count has no field \"colour\""));
    EXPECT_EQ(a.answers[1].value("id").toString(), QStringLiteral("x"));
    EXPECT_EQ(a.answers[2].value("error").toString(), QStringLiteral("line longer than 65536 bytes"));
    EXPECT_EQ(a.answers[3].value("id").toInt(), 5) << "the line after the long one is read";
    EXPECT_TRUE(a.answers[3].value("ok").toBool());
    EXPECT_TRUE(b.answers[0].value("ok").toBool());
    EXPECT_EQ(counter, 2);
    EXPECT_EQ(server->requestsRefused(), 3);

    // a line of exactly the limit is taken; one byte more is not
    const QByteArray prefix = "{\"cmd\":\"count\",\"text\":\"";
    const QByteArray fits = prefix + QByteArray(65536 - prefix.size() - 2, 'z') + "\"}";
    ASSERT_EQ(fits.size(), 65536);
    a.send(fits + '\r');
    a.send(prefix + QByteArray(65536 - prefix.size() - 1, 'z') + "\"}");
    ASSERT_TRUE(runUntil([&] { return a.answers.size() == 6; }, 10000));
    EXPECT_TRUE(a.answers[4].value("ok").toBool());
    EXPECT_FALSE(a.answers[5].value("ok").toBool());
}

TEST_F(Server, AClientThatStopsReadingIsDroppedWithoutStallingTheOthers) {
    RemoteServer::Limits limits;
    limits.maxOutputBytes = 256 * 1024;
    limits.requestsPerSecond = 1e6;
    limits.burst = 1e6;
    start(limits);
    padding = 20000; // each state answer is about 20 KB
    Client stuck(server->serverPort(), false), live(server->serverPort());
    ASSERT_TRUE(runUntil([&] { return stuck.connected() && live.connected(); }, 2000));
    QByteArray flood;
    for (int i = 0; i < 3000; ++i)
        flood += request("state", i) + '\n';
    stuck.socket.write(flood);

    // the live client's requests are answered all along
    QElapsedTimer clock;
    clock.start();
    qint64 slowest = 0;
    for (int i = 0; i < 20; ++i) {
        QElapsedTimer one;
        one.start();
        live.send(request("count", i));
        ASSERT_TRUE(runUntil([&] { return live.answers.size() == size_t(i + 1); }, 5000)) << i;
        slowest = std::max(slowest, one.elapsed());
    }
    EXPECT_LT(slowest, 1000);
    EXPECT_TRUE(runUntil([&] { return server->clientCount() == 1; }, 20000)) << "the stuck client is dropped";
    // once it reads again it finds the connection closed
    stuck.socket.setReadBufferSize(0);
    EXPECT_TRUE(runUntil(
        [&] {
            stuck.socket.readAll();
            return !stuck.connected();
        },
        5000));
    EXPECT_LT(ran.size(), 3000u + 20u) << "its remaining requests were not run";
}

TEST_F(Server, AFloodIsRefusedBeyondTheRate) {
    RemoteServer::Limits limits;
    limits.requestsPerSecond = 20;
    limits.burst = 10;
    start(limits);
    Client flood(server->serverPort()), calm(server->serverPort());
    for (int i = 0; i < 60; ++i)
        flood.send(request("count", i));
    calm.send(request("count", 1000));
    ASSERT_TRUE(runUntil([&] { return flood.answers.size() == 60 && calm.answers.size() == 1; }, 10000));
    int refused = 0;
    for (const QJsonObject& a : flood.answers)
        refused += a.value("error").toString() == QStringLiteral("too many requests: at most 20 a second");
    EXPECT_GE(refused, 45);
    EXPECT_LE(refused, 50);
    EXPECT_TRUE(calm.answers[0].value("ok").toBool()) << "the other client keeps its own rate";
    EXPECT_EQ(counter, 60 - refused + 1);
}

TEST_F(Server, StateEventsFollowChangesAtALimitedPace) {
    RemoteServer::Limits limits;
    limits.eventIntervalMs = 100;
    start(limits);
    Client a(server->serverPort()), b(server->serverPort());
    ASSERT_TRUE(runUntil([&] { return a.events.size() == 2 && b.events.size() == 2; }, 2000))
        << "hello and the current state";
    EXPECT_EQ(a.events[1].value("count").toInt(), 0);
    QElapsedTimer clock;
    clock.start();
    for (int i = 0; i < 200; ++i)
        a.send(request("count", i));
    ASSERT_TRUE(runUntil([&] { return a.answers.size() == 200; }, 10000));
    ASSERT_TRUE(runUntil(
        [&] {
            return a.events.back().value("count").toInt() == 200 &&
                   b.events.back().value("count").toInt() == 200;
        },
        2000));
    const qint64 took = clock.elapsed();
    EXPECT_LE(qint64(b.events.size()) - 2, took / 100 + 2) << "at most one event per 100 ms";
    EXPECT_EQ(a.events.size(), b.events.size()) << "every client gets every event";
    // a change made elsewhere (a person at the screen) is announced when notified
    ++counter;
    server->notifyChanged();
    ASSERT_TRUE(runUntil([&] { return b.events.back().value("count").toInt() == 201; }, 2000));
    // nothing changed: no event
    const size_t before = b.events.size();
    server->notifyChanged();
    runUntil([] { return false; }, 300);
    EXPECT_EQ(b.events.size(), before);
}

TEST_F(Server, GateRefusesAndTooManyClientsAreTurnedAway) {
    RemoteServer::Limits limits;
    limits.maxClients = 2;
    start(limits);
    bool dialogOpen = true;
    server->setGate([&] { return dialogOpen ? QStringLiteral("a dialog is open") : QString(); });
    Client a(server->serverPort()), b(server->serverPort());
    ASSERT_TRUE(runUntil([&] { return server->clientCount() == 2; }, 2000));
    Client c(server->serverPort());
    ASSERT_TRUE(runUntil([&] { return c.answers.size() == 1; }, 2000));
    EXPECT_EQ(c.answers[0].value("error").toString(),
              QStringLiteral("too many clients: at most 2 at a time"));
    EXPECT_TRUE(runUntil([&] { return !c.connected(); }, 2000));

    a.send(request("count", 1));
    ASSERT_TRUE(runUntil([&] { return a.answers.size() == 1; }, 2000));
    EXPECT_EQ(a.answers[0].value("error").toString(), QStringLiteral("a dialog is open"));
    dialogOpen = false;
    a.send(request("count", 2));
    ASSERT_TRUE(runUntil([&] { return a.answers.size() == 2; }, 2000));
    EXPECT_TRUE(a.answers[1].value("ok").toBool());
    EXPECT_EQ(counter, 1);
}

TEST_F(Server, RequestsWaitWhileTheProgramIsNotReady) {
    start();
    bool ready = false;
    server->setReady([&] { return ready; });
    Client a(server->serverPort());
    a.send(request("count", 1));
    runUntil([] { return false; }, 200);
    EXPECT_TRUE(a.answers.empty());
    ready = true;
    ASSERT_TRUE(runUntil([&] { return a.answers.size() == 1; }, 2000));
    EXPECT_EQ(counter, 1);
    // nor is the state sent in the middle of a pause of the program's own
    ASSERT_TRUE(runUntil([&] { return a.events.back().value("count").toInt() == 1; }, 2000));
    ready = false;
    ++counter;
    server->notifyChanged();
    runUntil([] { return false; }, 300);
    EXPECT_EQ(a.events.back().value("count").toInt(), 1);
    ready = true;
    EXPECT_TRUE(runUntil([&] { return a.events.back().value("count").toInt() == 2; }, 2000));
}

} // namespace
