// The listener with real TCP clients on loopback: answers in order, errors to their
// sender only, a client that stops reading, floods, state events.
#include "QtPrinting.h"
#include "RunUntil.h"

#include "remote/RemoteServer.h"

#include <QDeadlineTimer>
#include <QElapsedTimer>
#include <QEventLoop>
#include <QJsonDocument>
#include <QJsonObject>
#include <QTcpSocket>
#include <QTimer>
#include <algorithm>
#include <arpa/inet.h>
#include <fcntl.h>
#include <functional>
#include <gtest/gtest.h>
#include <memory>
#include <netinet/in.h>
#include <sys/socket.h>
#include <unistd.h>
#include <vector>

namespace {

const QByteArray kToken = "0123456789abcdef0123456789abcdef";

// A client that keeps every line it gets, split into answers and events. It gives the
// token first unless told otherwise; the answer to that is not kept among the answers.
class Client {
public:
    explicit Client(quint16 port, bool reads = true, bool authenticates = true) {
        if (!reads)
            socket.setReadBufferSize(1024); // takes nothing more from the system
        socket.connectToHost(QHostAddress::LocalHost, port);
        if (reads)
            QObject::connect(&socket, &QTcpSocket::readyRead, [this] { take(); });
        if (authenticates)
            send("{\"cmd\":\"auth\",\"token\":\"" + kToken + "\"}");
        authAnswered = !authenticates;
    }
    void send(const QByteArray& line) { socket.write(line + '\n'); }
    void take() {
        while (socket.canReadLine()) {
            const QJsonObject o = QJsonDocument::fromJson(socket.readLine()).object();
            if (!authAnswered && o.value(QLatin1String("ok")).toBool()) {
                authAnswered = true;
                continue;
            }
            (o.contains(QLatin1String("event")) ? events : answers).push_back(o);
        }
    }
    bool authAnswered = false;
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
        server->setHello(remote::encodeHello(QStringLiteral("508"), QStringLiteral("test"), 300));
        server->setToken(kToken);
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

// Whatever a client sends first that is not {"cmd":"auth"} with the token (a web
// page's POST, a WebSocket upgrade, a command, a wrong token) is refused once and the
// connection closed: none of its lines runs and it sees no state.
TEST_F(Server, NothingRunsBeforeTheToken) {
    start();
    const QByteArray body = "{\"cmd\":\"count\"}\n{\"cmd\":\"count\"}\n";
    const QByteArray expected =
        "the first request must be {\"cmd\":\"auth\",\"token\":TOKEN} with the token of remote.token: "
        "the connection is closed";
    const struct {
        const char* what;
        QByteArray bytes;
        QByteArray error;
    } cases[] = {
        {"HTTP POST",
         "POST / HTTP/1.1\r\nHost: 127.0.0.1\r\nContent-Type: text/plain\r\nContent-Length: " +
             QByteArray::number(body.size()) + "\r\n\r\n" + body,
         expected},
        {"HTTP/0.9", "POST /\n" + body, expected},
        {"WebSocket upgrade",
         "GET / HTTP/1.1\r\nHost: 127.0.0.1\r\nUpgrade: websocket\r\nConnection: Upgrade\r\n"
         "Sec-WebSocket-Key: dGhlIHNhbXBsZSBub25jZQ==\r\nSec-WebSocket-Version: 13\r\n\r\n" +
             body,
         expected},
        {"a command", body, expected},
        {"a token in a command", "{\"cmd\":\"count\",\"token\":\"" + kToken + "\"}\n" + body, expected},
        {"a wrong token", "{\"cmd\":\"auth\",\"token\":\"0123456789abcdef0123456789abcdeX\"}\n" + body,
         "wrong token: the connection is closed"},
        {"a shorter token", "{\"cmd\":\"auth\",\"token\":\"0123456789abcdef\"}\n" + body,
         "wrong token: the connection is closed"},
        {"a too long line", QByteArray(70000, '{') + "\n" + body,
         "line longer than 65536 bytes: the connection is closed"},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.what);
        Client client(server->serverPort(), true, false);
        ASSERT_TRUE(runUntil([&] { return client.connected(); }, 2000));
        client.socket.write(c.bytes);
        ASSERT_TRUE(runUntil([&] { return !client.connected(); }, 5000));
        client.take();
        ASSERT_EQ(client.answers.size(), 1u);
        EXPECT_EQ(client.answers[0].value("error").toString(), QString::fromUtf8(c.error));
        ASSERT_EQ(client.events.size(), 1u) << "the greeting alone";
        EXPECT_EQ(client.events[0].value("auth").toString(), QStringLiteral("token"));
    }
    EXPECT_TRUE(ran.empty());
    EXPECT_EQ(counter, 0);
    // with the token first, the same lines run
    Client good(server->serverPort());
    good.socket.write(body);
    ASSERT_TRUE(runUntil([&] { return good.answers.size() == 2; }, 5000));
    EXPECT_EQ(counter, 2);
}

// A wait holds its own client only, at most a minute, and ends when its client leaves.
TEST_F(Server, AWaitHoldsItsOwnClientOnly) {
    start();
    Client a(server->serverPort()), b(server->serverPort());
    a.send(R"({"cmd":"wait","ms":60001,"id":1})");
    a.send(R"({"cmd":"wait","ms":400,"id":2})");
    a.send(request("count", 3));
    b.send(request("count", 4));
    ASSERT_TRUE(runUntil([&] { return b.answers.size() == 1 && a.answers.size() == 1; }, 2000));
    EXPECT_EQ(a.answers[0].value("error").toString(),
              QStringLiteral("wait over remote control is at most 60000 ms"));
    EXPECT_EQ(counter, 1) << "b is answered while a waits";
    ASSERT_TRUE(runUntil([&] { return a.answers.size() == 3; }, 3000));
    EXPECT_EQ(a.answers[1].value("id").toInt(), 2);
    EXPECT_EQ(a.answers[2].value("id").toInt(), 3);
    EXPECT_EQ(counter, 2);

    Client c(server->serverPort());
    c.send(R"({"cmd":"wait","ms":60000})");
    c.send(request("count", 5));
    ASSERT_TRUE(runUntil([&] { return server->clientCount() == 3 && c.authAnswered; }, 2000));
    // gone for good: the connection is reset
    const linger reset{1, 0};
    ::setsockopt(int(c.socket.socketDescriptor()), SOL_SOCKET, SO_LINGER, &reset, sizeof reset);
    c.socket.abort();
    ASSERT_TRUE(runUntil([&] { return server->clientCount() == 2; }, 2000));
    runUntil([] { return false; }, 200);
    EXPECT_EQ(counter, 2) << "what came after the wait of a client that left is not run";
}

// A client that ends its sending side after its requests still gets every answer,
// the last line counting even without its line end; then the connection is closed.
TEST_F(Server, RequestsBeforeAHalfCloseAreAnswered) {
    start();
    const int fd = ::socket(AF_INET, SOCK_STREAM, 0);
    ASSERT_GE(fd, 0);
    sockaddr_in at{};
    at.sin_family = AF_INET;
    at.sin_port = htons(server->serverPort());
    at.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
    ASSERT_EQ(::connect(fd, reinterpret_cast<sockaddr*>(&at), sizeof at), 0);
    const QByteArray sent = "{\"cmd\":\"auth\",\"token\":\"" + kToken + "\"}\n" + request("count", 1) + '\n' +
                            request("count", 2) + '\n' + request("count", 3);
    ASSERT_EQ(::write(fd, sent.constData(), size_t(sent.size())), sent.size());
    ::shutdown(fd, SHUT_WR);
    ::fcntl(fd, F_SETFL, ::fcntl(fd, F_GETFL) | O_NONBLOCK);
    QByteArray received;
    bool ended = false;
    ASSERT_TRUE(runUntil(
        [&] {
            char buffer[4096];
            const ssize_t n = ::read(fd, buffer, sizeof buffer);
            if (n > 0)
                received.append(buffer, n);
            ended = n == 0;
            return ended;
        },
        5000));
    ::close(fd);
    EXPECT_EQ(counter, 3);
    EXPECT_TRUE(received.contains("{\"ok\":true,\"id\":1}\n{\"ok\":true,\"id\":2}\n") &&
                received.contains("{\"ok\":true,\"id\":3}\n"))
        << received.toStdString();
    EXPECT_TRUE(runUntil([&] { return server->clientCount() == 0; }, 3000));
}

// A connection without a request is closed with a last line: soon before the token,
// after the idle time once in; blank lines keep it open.
TEST_F(Server, IdleConnectionsAreClosed) {
    RemoteServer::Limits limits;
    limits.idleSeconds = 2;
    limits.authMs = 1000;
    start(limits);
    Client silent(server->serverPort(), true, false), idle(server->serverPort()), alive(server->serverPort());
    ASSERT_TRUE(
        runUntil([&] { return silent.connected() && idle.authAnswered && alive.authAnswered; }, 2000));
    QTimer keepAlive;
    QObject::connect(&keepAlive, &QTimer::timeout, [&] { alive.send(""); });
    keepAlive.start(500);
    ASSERT_TRUE(runUntil([&] { return !silent.connected(); }, 4000));
    EXPECT_TRUE(idle.connected());
    ASSERT_TRUE(runUntil([&] { return !idle.connected(); }, 4000));
    silent.take();
    idle.take();
    ASSERT_EQ(silent.answers.size(), 1u);
    EXPECT_EQ(silent.answers[0].value("error").toString(),
              QStringLiteral("no authentication within 1 s: the connection is closed"));
    ASSERT_EQ(idle.answers.size(), 1u);
    EXPECT_EQ(idle.answers[0].value("error").toString(),
              QStringLiteral("no request for 2 s: the connection is closed"));
    EXPECT_TRUE(alive.connected());
    alive.send(request("count", 1));
    EXPECT_TRUE(runUntil([&] { return alive.answers.size() == 1; }, 2000));
}

// Clients that flood heavy requests (pictures) cannot hold up a light one of another
// client: at most a heavy request or two of theirs run before it.
TEST_F(Server, HeavyRequestsGoOneAtATime) {
    RemoteServer::Limits limits;
    limits.requestsPerSecond = 1e6;
    limits.burst = 1e6;
    limits.heavyPerSecond = 1e6;
    limits.heavyBurst = 1e6;
    start(limits);
    std::vector<std::unique_ptr<Client>> flooders;
    for (int c = 0; c < 8; ++c)
        flooders.push_back(std::make_unique<Client>(server->serverPort()));
    Client calm(server->serverPort());
    ASSERT_TRUE(runUntil([&] { return calm.authAnswered; }, 2000));
    for (auto& f : flooders)
        for (int i = 0; i < 20; ++i)
            f->send(R"({"cmd":"png","path":"x.png"})");
    ASSERT_TRUE(runUntil([&] { return ran.size() >= 8; }, 5000));
    const size_t before = ran.size();
    calm.send(request("count", 1));
    ASSERT_TRUE(runUntil([&] { return calm.answers.size() == 1; }, 5000));
    const auto at = std::find(ran.begin(), ran.end(), QStringLiteral("count"));
    ASSERT_NE(at, ran.end());
    EXPECT_LE(size_t(at - ran.begin()) - before, 3u) << "pictures run before the light request";
    ASSERT_TRUE(runUntil([&] { return ran.size() == 161; }, 10000));

    // and each client runs them at its own pace
    limits.heavyPerSecond = 2;
    limits.heavyBurst = 2;
    server->setLimits(limits);
    Client eager(server->serverPort());
    for (int i = 0; i < 6; ++i)
        eager.send(R"({"cmd":"png","path":"x.png"})");
    runUntil([] { return false; }, 600);
    EXPECT_LE(ran.size() - 161, 4u);
    EXPECT_GE(ran.size() - 161, 2u);
}

} // namespace
