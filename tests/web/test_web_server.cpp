// The board page's server with real clients on loopback: hostile HTTP and WebSocket
// clients first, then viewers, the control token, and a viewer that stops reading.
#include "QtPrinting.h"
#include "RunUntil.h"

#include "web/WebAccess.h"
#include "web/WebServer.h"

#include <QJsonDocument>
#include <QJsonObject>
#include <QTcpSocket>
#include <QWebSocket>
#include <gtest/gtest.h>
#include <memory>
#include <vector>

namespace {

const QByteArray kToken = "0123456789abcdef0123456789abcdef";

class WebServerTest : public ::testing::Test {
protected:
    void SetUp() override {
        server.setToken(kToken);
        server.setRunner([this](const QString& line) {
            lines << line;
            return QString();
        });
        ASSERT_TRUE(server.listen(QHostAddress::LocalHost, 0)) << server.errorString().toStdString();
        port = server.serverPort();
        server.setLayout(R"({"type":"layout"})");
        server.publish(R"("n":1)");
    }
    QString origin() const { return QStringLiteral("http://127.0.0.1:%1").arg(port); }
    QUrl live() const { return QUrl(QStringLiteral("ws://127.0.0.1:%1/live").arg(port)); }

    WebServer server;
    quint16 port = 0;
    QStringList lines;
};

// A WebSocket client that keeps what it gets and how it was closed.
struct Viewer {
    explicit Viewer(const QString& origin, const QUrl& url) : socket(origin) {
        QObject::connect(&socket, &QWebSocket::textMessageReceived, [this](const QString& m) {
            got.push_back(QJsonDocument::fromJson(m.toUtf8()).object());
        });
        QObject::connect(&socket, &QWebSocket::disconnected, [this] { closed = true; });
        QObject::connect(&socket, &QWebSocket::connected, [this] { opened = true; });
        socket.open(url);
    }
    QWebSocket socket;
    std::vector<QJsonObject> got;
    bool closed = false;
    bool opened = false;
};

TEST_F(WebServerTest, HttpConnectionThatSendsTooMuchIsDropped) {
    for (const QByteArray& request :
         {QByteArray("GET / HTTP/1.1\r\nHost: 127.0.0.1\r\nX-Long: ") + QByteArray(200 * 1024, 'a'),
          QByteArray("POST / HTTP/1.1\r\nHost: 127.0.0.1\r\nContent-Length: 10000000\r\n\r\n") +
              QByteArray(200 * 1024, 'b')}) {
        QTcpSocket s;
        s.connectToHost(QHostAddress::LocalHost, port);
        ASSERT_TRUE(s.waitForConnected(5000));
        s.write(request);
        EXPECT_TRUE(runUntil([&] { return s.state() == QAbstractSocket::UnconnectedState; }, 5000));
    }
    // The page itself is served.
    QTcpSocket s;
    s.connectToHost(QHostAddress::LocalHost, port);
    s.write("GET / HTTP/1.1\r\nHost: 127.0.0.1\r\n\r\n");
    QByteArray answer;
    runUntil(
        [&] {
            answer += s.readAll();
            return answer.contains("</html>");
        },
        5000);
    EXPECT_TRUE(answer.startsWith("HTTP/1.1 200")) << answer.left(200).constData();
    EXPECT_TRUE(answer.contains("/board.js")) << answer.left(400).constData();
}

TEST_F(WebServerTest, SignPagesAreServedAndUnknownSignsNotFound) {
    const struct {
        const char* path;
        const char* status;
        const char* holds;
    } cases[] = {
        {"/sign/front", "HTTP/1.1 200", "/sign.js"}, {"/sign/side", "HTTP/1.1 200", "/sign.js"},
        {"/sign/rear", "HTTP/1.1 200", "/sign.js"},  {"/sign.js", "HTTP/1.1 200", "dataset.sign"},
        {"/sign.css", "HTTP/1.1 200", "#sign-dots"}, {"/sign/roof", "HTTP/1.1 404", "not found"},
        {"/sign/", "HTTP/1.1 404", "not found"},     {"/sign/front/x", "HTTP/1.1 404", "not found"},
    };
    for (const auto& c : cases) {
        QTcpSocket s;
        s.connectToHost(QHostAddress::LocalHost, port);
        ASSERT_TRUE(s.waitForConnected(5000));
        s.write(QByteArray("GET ") + c.path + " HTTP/1.1\r\nHost: 127.0.0.1\r\n\r\n");
        QByteArray answer;
        runUntil(
            [&] {
                answer += s.readAll();
                return answer.contains(c.holds);
            },
            5000);
        EXPECT_TRUE(answer.startsWith(c.status)) << c.path << ": " << answer.left(200).constData();
        EXPECT_TRUE(answer.contains(c.holds)) << c.path;
    }
}

TEST_F(WebServerTest, OtherOriginOrPathIsRefusedBeforeTheUpgrade) {
    for (const auto& [originText, path] :
         {std::pair{QStringLiteral("http://evil.example:%1").arg(port), QStringLiteral("/live")},
          std::pair{QStringLiteral("null"), QStringLiteral("/live")},
          std::pair{origin(), QStringLiteral("/other")}}) {
        QUrl url = live();
        url.setPath(path);
        Viewer v(originText, url);
        ASSERT_TRUE(runUntil([&] { return v.closed; }, 5000)) << originText.toStdString();
        EXPECT_TRUE(v.got.empty());
        EXPECT_FALSE(v.opened);
    }
    EXPECT_EQ(server.viewerCount(), 0);
}

TEST_F(WebServerTest, CommandWithoutTheTokenIsRefusedAndClosesTheViewer) {
    Viewer v(origin(), live());
    ASSERT_TRUE(runUntil([&] { return v.got.size() == 2; }, 5000));
    EXPECT_EQ(v.got[0].value("type").toString(), QStringLiteral("layout"));
    EXPECT_EQ(v.got[1].value("seq").toInteger(), 1);
    v.socket.sendTextMessage(QStringLiteral(R"({"cmd":"next"})"));
    ASSERT_TRUE(runUntil([&] { return v.closed; }, 5000));
    EXPECT_EQ(v.got.back().value("type").toString(), QStringLiteral("refused"));
    EXPECT_TRUE(lines.isEmpty());
    // A binary message, or one too long, closes even a viewer with the token.
    Viewer w(origin(), live());
    ASSERT_TRUE(runUntil([&] { return w.got.size() == 2; }, 5000));
    w.socket.sendTextMessage(
        QStringLiteral("{\"cmd\":\"auth\",\"token\":\"%1\"}").arg(QString::fromLatin1(kToken)));
    w.socket.sendBinaryMessage(QByteArray(10, 'x'));
    EXPECT_TRUE(runUntil([&] { return w.closed; }, 5000));
    Viewer x(origin(), live());
    ASSERT_TRUE(runUntil([&] { return x.got.size() == 2; }, 5000));
    x.socket.sendTextMessage(QString(web::kMaxViewerMessageBytes * 4, QLatin1Char('x')));
    EXPECT_TRUE(runUntil([&] { return x.closed; }, 5000));
    EXPECT_TRUE(lines.isEmpty());
}

TEST_F(WebServerTest, WithTheTokenConsoleCommandsRun) {
    Viewer v(origin(), live());
    ASSERT_TRUE(runUntil([&] { return v.got.size() == 2; }, 5000));
    v.socket.sendTextMessage(
        QStringLiteral("{\"cmd\":\"auth\",\"token\":\"%1\"}").arg(QString::fromLatin1(kToken)));
    v.socket.sendTextMessage(QStringLiteral(R"({"cmd":"keypad","keys":["系統","1","2"]})"));
    v.socket.sendTextMessage(QStringLiteral(R"({"cmd":"png","path":"/tmp/x.png"})"));
    ASSERT_TRUE(runUntil([&] { return v.got.size() == 5; }, 5000));
    EXPECT_EQ(v.got[2].value("type").toString(), QStringLiteral("auth"));
    EXPECT_TRUE(v.got[3].value("ok").toBool());
    EXPECT_FALSE(v.got[4].value("ok").toBool());
    EXPECT_EQ(lines, QStringList{QStringLiteral("keypad 系統 1 2")});
    EXPECT_FALSE(v.closed);
    // Frames published later reach it, numbered on.
    server.publish(R"("n":2)");
    ASSERT_TRUE(runUntil([&] { return v.got.size() == 6; }, 5000));
    EXPECT_EQ(v.got[5].value("seq").toInteger(), 2);
    EXPECT_EQ(v.got[5].value("n").toInt(), 2);
}

// Plain HTTP connections are bounded (silence, number); a viewer, once upgraded, is not
// held to those bounds.
TEST(WebServerBounds, HttpConnectionsAreBoundedAndViewersAreNot) {
    WebServer server;
    WebServer::Limits limits;
    limits.httpIdleMs = 300;
    limits.maxHttpConnections = 2;
    limits.maxHttpBytes = 2048;
    server.setLimits(limits);
    server.setToken(kToken);
    server.setRunner([](const QString&) { return QString(); });
    ASSERT_TRUE(server.listen(QHostAddress::LocalHost, 0));
    const quint16 port = server.serverPort();
    server.publish(R"("n":1)");
    Viewer v(QStringLiteral("http://127.0.0.1:%1").arg(port),
             QUrl(QStringLiteral("ws://127.0.0.1:%1/live").arg(port)));
    ASSERT_TRUE(runUntil([&] { return v.got.size() == 1; }, 5000));
    std::vector<std::unique_ptr<QTcpSocket>> silent;
    for (int i = 0; i < 3; ++i) {
        silent.push_back(std::make_unique<QTcpSocket>());
        silent.back()->connectToHost(QHostAddress::LocalHost, port);
        ASSERT_TRUE(silent.back()->waitForConnected(5000));
    }
    // The third is one too many; the other two go when they have been silent.
    EXPECT_TRUE(runUntil([&] { return silent[2]->state() == QAbstractSocket::UnconnectedState; }, 1000));
    EXPECT_TRUE(runUntil(
        [&] {
            return silent[0]->state() == QAbstractSocket::UnconnectedState &&
                   silent[1]->state() == QAbstractSocket::UnconnectedState;
        },
        3000));
    // The viewer outlived the silence, and sends more than an HTTP connection may.
    v.socket.sendTextMessage(
        QStringLiteral("{\"cmd\":\"auth\",\"token\":\"%1\"}").arg(QString::fromLatin1(kToken)));
    for (int i = 0; i < 10; ++i)
        v.socket.sendTextMessage(
            QStringLiteral(R"({"cmd":"next","text":"%1"})").arg(QString(1000, QLatin1Char('x'))));
    EXPECT_TRUE(runUntil([&] { return v.got.size() == 12; }, 5000)) << v.got.size();
    EXPECT_FALSE(v.closed);
}

// A viewer that stops reading is not sent a queue: once its socket is full it waits, and
// what it reads when it goes on ends with the newest frame.
TEST_F(WebServerTest, StalledViewerGetsTheNewestFrameNotAQueue) {
    QTcpSocket s;
    s.setReadBufferSize(4096);
    s.connectToHost(QHostAddress::LocalHost, port);
    ASSERT_TRUE(s.waitForConnected(5000));
    s.write(QStringLiteral("GET /live HTTP/1.1\r\nHost: 127.0.0.1:%1\r\nUpgrade: websocket\r\n"
                           "Connection: Upgrade\r\nSec-WebSocket-Key: dGhlIHNhbXBsZSBub25jZQ==\r\n"
                           "Sec-WebSocket-Version: 13\r\nOrigin: %2\r\n\r\n")
                .arg(port)
                .arg(origin())
                .toLatin1());
    ASSERT_TRUE(runUntil([&] { return server.viewerCount() == 1; }, 5000));
    const QByteArray big(512 * 1024, 'x');
    for (int i = 2; i <= 100; ++i) {
        server.publish("\"n\":" + QByteArray::number(i) + ",\"pad\":\"" + big + '"');
        runUntil([] { return false; }, 2, 1);
    }
    // 99 frames of half a megabyte: far less than all of them went out.
    EXPECT_LT(server.bytesSent(), 40ll * 1024 * 1024);
    // It reads again: every message it gets is whole, and the last is the newest frame.
    s.setReadBufferSize(0);
    QByteArray in;
    QByteArray message;
    qint64 lastSeq = 0;
    const auto takeFrames = [&] {
        in += s.readAll();
        if (lastSeq == 0 && in.contains("\r\n\r\n"))
            in = in.mid(in.indexOf("\r\n\r\n") + 4), lastSeq = -1;
        while (lastSeq != 0 && in.size() >= 2) {
            qint64 len = quint8(in[1]) & 0x7F;
            int head = 2;
            if (len == 126) {
                if (in.size() < 4)
                    break;
                len = (quint8(in[2]) << 8) | quint8(in[3]);
                head = 4;
            } else if (len == 127) {
                if (in.size() < 10)
                    break;
                len = 0;
                for (int k = 2; k < 10; ++k)
                    len = (len << 8) | quint8(in[k]);
                head = 10;
            }
            if (in.size() < head + len)
                break;
            // Long messages come in fragments: the last has the FIN bit.
            message += in.mid(head, len);
            const bool fin = quint8(in[0]) & 0x80;
            in.remove(0, head + len);
            if (!fin)
                continue;
            const QJsonObject o = QJsonDocument::fromJson(message).object();
            message.clear();
            if (o.contains(QLatin1String("seq")))
                lastSeq = o.value("seq").toInteger();
        }
        return lastSeq == 100;
    };
    qint64 total = 0;
    const auto counted = [&] {
        total += s.bytesAvailable();
        return takeFrames();
    };
    EXPECT_TRUE(runUntil(counted, 20000))
        << "last " << lastSeq << " sent " << server.bytesSent() << " read " << total << " left " << in.size();
}

} // namespace
