#include "web/WebServer.h"

#include "web/WebAccess.h"
#include "web/WebFrame.h"

#include <QAbstractHttpServer>
#include <QDateTime>
#include <QFile>
#include <QHttpServerRequest>
#include <QHttpServerResponder>
#include <QTcpServer>
#include <QTcpSocket>
#include <QTimer>
#include <QWebSocket>
#include <memory>

namespace {

// Pictures kept for pages that have not loaded theirs yet.
constexpr int kKeptPictures = 4;

// A listener that bounds what HTTP connections may cost: a connection that sends more
// than a bound, or nothing for a while, is dropped, and beyond a number of them new ones
// are closed at once. Its watch ends where the HTTP server hands the socket over to a
// WebSocket (it then disconnects everything from the socket's signals); the WebSocket
// has bounds of its own.
class BoundedTcpServer : public QTcpServer {
public:
    BoundedTcpServer(const WebServer::Limits& limits, QObject* parent)
        : QTcpServer(parent), m_limits(limits) {}

protected:
    void incomingConnection(qintptr descriptor) override {
        auto* socket = new QTcpSocket(this);
        if (!socket->setSocketDescriptor(descriptor)) {
            delete socket;
            return;
        }
        m_watched.removeIf([](const Watched& w) { return !w.socket || !*w.watch; });
        if (m_watched.size() >= m_limits.maxHttpConnections) {
            socket->abort();
            socket->deleteLater();
            return;
        }
        // Connected before the HTTP server's own handler, so it sees the bytes before they
        // are read: each arrival is counted once (or more, never less).
        auto received = std::make_shared<qint64>(0);
        auto* idle = new QTimer(socket);
        idle->setSingleShot(true);
        idle->start(m_limits.httpIdleMs);
        auto watch = std::make_shared<QMetaObject::Connection>();
        *watch = connect(socket, &QTcpSocket::readyRead, socket,
                         [socket, received, idle, max = m_limits.maxHttpBytes] {
                             idle->start();
                             *received += socket->bytesAvailable();
                             if (*received > max)
                                 socket->abort();
                         });
        connect(idle, &QTimer::timeout, socket, [socket, watch] {
            if (*watch) // still plain HTTP
                socket->abort();
        });
        m_watched.append({socket, watch});
        addPendingConnection(socket);
    }

private:
    struct Watched {
        QPointer<QTcpSocket> socket;
        std::shared_ptr<QMetaObject::Connection> watch;
    };
    WebServer::Limits m_limits;
    QList<Watched> m_watched;
};

QByteArray resource(const QString& name) {
    QFile f(QStringLiteral(":/web/") + name);
    return f.open(QIODevice::ReadOnly) ? f.readAll() : QByteArray();
}

} // namespace

// The HTTP side: a request is answered from here, and an upgrade to a WebSocket is let
// through only when the server allows it.
class BoardHttpServer : public QAbstractHttpServer {
public:
    explicit BoardHttpServer(WebServer& owner) : m_owner(owner) {}

protected:
    bool handleRequest(const QHttpServerRequest& request, QTcpSocket* socket) override {
        if (request.value(QByteArrayLiteral("upgrade")).compare("websocket", Qt::CaseInsensitive) == 0)
            return m_owner.upgradeAllowed(request);
        QHttpServerResponder responder = makeResponder(request, socket);
        m_owner.answer(request, responder, false);
        return true;
    }
    void missingHandler(const QHttpServerRequest& request, QTcpSocket* socket) override {
        QHttpServerResponder responder = makeResponder(request, socket);
        m_owner.answer(request, responder, true);
    }

private:
    WebServer& m_owner;
};

WebServer::WebServer(QObject* parent) : QObject(parent), m_http(std::make_unique<BoardHttpServer>(*this)) {
    connect(m_http.get(), &QAbstractHttpServer::newWebSocketConnection, this, &WebServer::onWebSocket);
}

WebServer::~WebServer() {
    for (auto& [id, viewer] : m_viewers) {
        if (viewer.socket) {
            viewer.socket->disconnect(this);
            viewer.socket->abort();
            delete viewer.socket;
        }
    }
}

bool WebServer::upgradeAllowed(const QHttpServerRequest& request) const {
    if (request.url().path() != QLatin1String("/live") || int(m_viewers.size()) >= m_limits.maxViewers)
        return false;
    const QUrl host(QStringLiteral("http://") +
                    QString::fromLatin1(request.value(QByteArrayLiteral("host"))));
    return host.isValid() &&
           web::originAllowed(QString::fromLatin1(request.value(QByteArrayLiteral("origin"))), host.host(),
                              host.port(), serverPort(), m_names);
}

void WebServer::answer(const QHttpServerRequest& request, QHttpServerResponder& responder,
                       bool refusedUpgrade) {
    using Status = QHttpServerResponder::StatusCode;
    if (refusedUpgrade) {
        responder.write(QByteArrayLiteral("not a page of this server\n"), "text/plain", Status::Forbidden);
        return;
    }
    if (request.method() != QHttpServerRequest::Method::Get) {
        responder.write(QByteArrayLiteral("only GET\n"), "text/plain", Status::MethodNotAllowed);
        return;
    }
    const QString path = request.url().path();
    QByteArray body;
    QByteArray mime;
    QByteArray cache = "no-cache";
    if (path == QLatin1String("/") || path == QLatin1String("/control")) {
        body = resource(QStringLiteral("board.html"));
        mime = "text/html; charset=utf-8";
    } else if (path == QLatin1String("/sign/front") || path == QLatin1String("/sign/side") ||
               path == QLatin1String("/sign/rear")) {
        body = resource(QStringLiteral("sign.html"));
        mime = "text/html; charset=utf-8";
    } else if (path == QLatin1String("/sign.js")) {
        body = resource(QStringLiteral("sign.js"));
        mime = "text/javascript; charset=utf-8";
    } else if (path == QLatin1String("/sign.css")) {
        body = resource(QStringLiteral("sign.css"));
        mime = "text/css; charset=utf-8";
    } else if (path == QLatin1String("/board.js")) {
        body = resource(QStringLiteral("board.js"));
        mime = "text/javascript; charset=utf-8";
    } else if (path == QLatin1String("/board.css")) {
        body = resource(QStringLiteral("board.css"));
        mime = "text/css; charset=utf-8";
    } else {
        for (const auto& [kept, picture] : m_pictures) {
            if (kept == path) {
                body = picture;
                mime = path.endsWith(QLatin1String(".svg")) ? "image/svg+xml" : "image/png";
                cache = "max-age=3600";
            }
        }
    }
    if (mime.isEmpty()) {
        responder.write(QByteArrayLiteral("not found\n"), "text/plain", Status::NotFound);
        return;
    }
    responder.write(body, {{"Content-Type", mime},
                           {"Cache-Control", cache},
                           {"X-Content-Type-Options", "nosniff"},
                           // A picture (a user's SVG) opened on its own runs nothing.
                           {"Content-Security-Policy",
                            mime.startsWith("image/")
                                ? "sandbox; default-src 'none'; style-src 'unsafe-inline'; img-src data:"
                                : "default-src 'self'; connect-src 'self'; img-src 'self'; "
                                  "style-src 'self'; script-src 'self'; object-src 'none'"}});
}

bool WebServer::listen(const QHostAddress& address, quint16 port) {
    auto* tcp = new BoundedTcpServer(m_limits, this);
    if (!tcp->listen(address, port)) {
        m_error = tcp->errorString();
        delete tcp;
        return false;
    }
    m_http->bind(tcp);
    m_tcp = tcp;
    return true;
}

QHostAddress WebServer::serverAddress() const {
    return m_tcp ? m_tcp->serverAddress() : QHostAddress();
}

quint16 WebServer::serverPort() const {
    return m_tcp ? m_tcp->serverPort() : 0;
}

QString WebServer::pageAddress() const {
    if (!m_tcp)
        return QString();
    QHostAddress a = serverAddress();
    if (a == QHostAddress::Any || a == QHostAddress::AnyIPv4)
        a = QHostAddress::LocalHost;
    else if (a == QHostAddress::AnyIPv6)
        a = QHostAddress::LocalHostIPv6;
    const QString host = a.protocol() == QAbstractSocket::IPv6Protocol
                             ? QStringLiteral("[%1]").arg(a.toString())
                             : a.toString();
    return QStringLiteral("http://%1:%2/").arg(host).arg(serverPort());
}

void WebServer::setLayout(const QByteArray& layout) {
    if (layout == m_layout)
        return;
    m_layout = layout;
    for (auto& [id, viewer] : m_viewers)
        send(viewer, m_layout);
}

void WebServer::publish(const QByteArray& frameBody) {
    m_frameBody = frameBody;
    ++m_sequence;
    for (auto& [id, viewer] : m_viewers)
        sendFrame(viewer);
}

void WebServer::setPicture(const QString& path, const QByteArray& png) {
    for (const auto& kept : m_pictures) {
        if (kept.first == path)
            return;
    }
    m_pictures.append({path, png});
    while (m_pictures.size() > kKeptPictures)
        m_pictures.removeFirst();
}

void WebServer::refuse(QWebSocket* socket, const QString& error) {
    connect(socket, &QWebSocket::disconnected, socket, &QObject::deleteLater);
    socket->close(QWebSocketProtocol::CloseCodePolicyViolated, error.left(120));
}

void WebServer::onWebSocket() {
    while (m_http->hasPendingWebSocketConnections()) {
        QWebSocket* socket = m_http->nextPendingWebSocketConnection().release();
        if (!socket)
            continue;
        socket->setParent(this);
        const QUrl url = socket->requestUrl();
        if (url.path() != QLatin1String("/live")) {
            refuse(socket, QStringLiteral("no such WebSocket"));
            continue;
        }
        if (!web::originAllowed(socket->origin(), url.host(), url.port(), serverPort(), m_names)) {
            refuse(socket, QStringLiteral("the page is not from this server"));
            continue;
        }
        if (int(m_viewers.size()) >= m_limits.maxViewers) {
            connect(socket, &QWebSocket::disconnected, socket, &QObject::deleteLater);
            socket->close(QWebSocketProtocol::CloseCodeGoingAway, QStringLiteral("too many viewers"));
            continue;
        }
        socket->setMaxAllowedIncomingFrameSize(web::kMaxViewerMessageBytes);
        socket->setMaxAllowedIncomingMessageSize(web::kMaxViewerMessageBytes);
        const quint64 id = m_nextId++;
        Viewer& viewer = m_viewers[id];
        viewer.socket = socket;
        viewer.tokens = m_limits.commandBurst;
        viewer.refilledMs = QDateTime::currentMSecsSinceEpoch();
        connect(socket, &QWebSocket::textMessageReceived, this,
                [this, id](const QString& message) { onMessage(id, message.toUtf8()); });
        connect(socket, &QWebSocket::binaryMessageReceived, this, [this, id](const QByteArray&) {
            onMessage(id, QByteArray(web::kMaxViewerMessageBytes + 1, ' '));
        });
        connect(socket, &QWebSocket::bytesWritten, this, [this, id] {
            const auto it = m_viewers.find(id);
            if (it != m_viewers.end() && it->second.holding)
                sendFrame(it->second);
        });
        connect(socket, &QWebSocket::disconnected, this, [this, id, socket] {
            m_viewers.erase(id);
            socket->deleteLater();
            emit viewerCountChanged(viewerCount());
        });
        if (!m_layout.isEmpty())
            send(viewer, m_layout);
        sendFrame(viewer);
        emit viewerCountChanged(viewerCount());
    }
}

void WebServer::send(Viewer& viewer, const QByteArray& bytes) {
    if (!viewer.socket)
        return;
    m_bytesSent += viewer.socket->sendTextMessage(QString::fromUtf8(bytes));
}

void WebServer::sendFrame(Viewer& viewer) {
    if (!viewer.socket || m_frameBody.isEmpty())
        return;
    // What was given before has not gone out yet: the newest frame waits for it.
    if (viewer.socket->bytesToWrite() > 0) {
        viewer.holding = true;
        return;
    }
    viewer.holding = false;
    send(viewer, web::stampFrame(m_frameBody, m_sequence, QDateTime::currentMSecsSinceEpoch()));
}

void WebServer::onMessage(quint64 id, const QByteArray& message) {
    auto it = m_viewers.find(id);
    if (it == m_viewers.end() || !it->second.socket)
        return;
    Viewer& viewer = it->second;
    const web::ViewerMessage m = web::readViewerMessage(message, m_token, viewer.authenticated);
    switch (m.kind) {
    case web::ViewerMessage::Kind::Close: {
        QWebSocket* socket = viewer.socket;
        send(viewer, web::encodeRefusal(m.error));
        socket->flush();
        socket->close(QWebSocketProtocol::CloseCodePolicyViolated, QStringLiteral("refused"));
        return;
    }
    case web::ViewerMessage::Kind::Auth:
        viewer.authenticated = true;
        send(viewer, web::encodeAuthOk());
        return;
    case web::ViewerMessage::Kind::Refused:
        send(viewer, web::encodeAnswer(m.error));
        return;
    case web::ViewerMessage::Kind::Command:
        break;
    }
    const qint64 now = QDateTime::currentMSecsSinceEpoch();
    viewer.tokens = qMin(m_limits.commandBurst,
                         viewer.tokens + (now - viewer.refilledMs) * m_limits.commandsPerSecond / 1000.0);
    viewer.refilledMs = now;
    if (viewer.tokens < 1) {
        send(viewer, web::encodeAnswer(QStringLiteral("too many commands: wait a moment")));
        return;
    }
    viewer.tokens -= 1;
    if (m_running) {
        send(viewer, web::encodeAnswer(QStringLiteral("another command is running")));
        return;
    }
    m_running = true;
    const QString error =
        m_runner ? m_runner(m.line) : QStringLiteral("the console cannot be worked from here");
    m_running = false;
    // The command may have let the program run: the viewer may be gone.
    it = m_viewers.find(id);
    if (it != m_viewers.end())
        send(it->second, web::encodeAnswer(error));
}
