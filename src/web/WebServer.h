#pragma once

#include <QByteArray>
#include <QHash>
#include <QHostAddress>
#include <QObject>
#include <QPointer>
#include <QStringList>
#include <functional>
#include <map>
#include <memory>

class QHttpServerRequest;
class QHttpServerResponder;
class QTcpServer;
class QTcpSocket;
class QWebSocket;
class BoardHttpServer;

// The board page's server: the page and everything it loads over HTTP (from the
// program's resources, and the panel pictures from memory), and the live state over a
// WebSocket at /live on the same port.
//
// A viewer gets the layout and the newest frame when it connects, then each frame
// published. A viewer whose socket has not sent what it was given keeps only the newest
// frame waiting, never a queue: when its socket has drained, it gets that one. A
// WebSocket whose Origin does not name this server, or that asks for another path, is
// refused (403) before the upgrade. Viewing needs nothing; a viewer that gives the
// remote-control token may send console commands, which run through the runner; any
// other message closes the viewer. Every read is bounded: an HTTP connection that sends
// more than Limits::maxHttpBytes or stays silent is dropped, a viewer's messages are at
// most web::kMaxViewerMessageBytes.
class WebServer : public QObject {
    Q_OBJECT
public:
    struct Limits {
        int maxViewers = 64;
        qint64 maxHttpBytes = 64 * 1024;
        // A plain HTTP connection without a byte for this long is closed; beyond this
        // many at once, new ones are.
        int httpIdleMs = 30000;
        int maxHttpConnections = 128;
        // Commands a viewer may send on average per second, and at once.
        double commandsPerSecond = 20;
        double commandBurst = 40;
    };
    // Runs a console command line; "" when it was carried out, else why not.
    using Runner = std::function<QString(const QString& line)>;

    explicit WebServer(QObject* parent = nullptr);
    ~WebServer() override;

    void setLimits(const Limits& limits) { m_limits = limits; }
    void setToken(const QByteArray& token) { m_token = token; }
    void setRunner(Runner runner) { m_runner = std::move(runner); }
    // Names of this machine a page may be served under besides IP addresses and localhost.
    void setHostNames(const QStringList& names) { m_names = names; }

    bool listen(const QHostAddress& address, quint16 port);
    QString errorString() const { return m_error; }
    QHostAddress serverAddress() const;
    quint16 serverPort() const;
    // http://ADDRESS:PORT/
    QString pageAddress() const;

    // The layout (web::encodeLayout): sent to every viewer now and to each new one.
    void setLayout(const QByteArray& layout);
    // A frame's body (web::encodeFrameBody): numbered, stamped with the time and sent.
    void publish(const QByteArray& frameBody);
    quint64 sequence() const { return m_sequence; }
    // A picture the page loads from `path` ("/panel/N.png", or "/panel/N.svg" for SVG);
    // the older ones are dropped but the last few.
    void setPicture(const QString& path, const QByteArray& png);

    int viewerCount() const { return int(m_viewers.size()); }
    // Bytes sent to viewers since the start (frames and layouts).
    qint64 bytesSent() const { return m_bytesSent; }

signals:
    void viewerCountChanged(int count);

private:
    friend class BoardHttpServer;
    // Whether a WebSocket upgrade is let through: to /live from a page of this server.
    bool upgradeAllowed(const QHttpServerRequest& request) const;
    // Answers an HTTP request: the page, its script and styles, the panel pictures.
    void answer(const QHttpServerRequest& request, QHttpServerResponder& responder, bool refusedUpgrade);

    struct Viewer {
        QPointer<QWebSocket> socket;
        bool authenticated = false;
        bool holding = false; // the newest frame waits for the socket to drain
        double tokens = 0;
        qint64 refilledMs = 0;
    };

    void onWebSocket();
    void onMessage(quint64 id, const QByteArray& message);
    void sendFrame(Viewer& viewer);
    void send(Viewer& viewer, const QByteArray& bytes);
    void refuse(QWebSocket* socket, const QString& error);

    Limits m_limits;
    QByteArray m_token;
    Runner m_runner;
    QStringList m_names;
    std::unique_ptr<BoardHttpServer> m_http;
    QTcpServer* m_tcp = nullptr; // owned by m_http
    QString m_error;
    std::map<quint64, Viewer> m_viewers;
    quint64 m_nextId = 1;
    bool m_running = false; // a command runs (it may let the program run)
    QByteArray m_layout;
    QByteArray m_frameBody;
    quint64 m_sequence = 0;
    QList<QPair<QString, QByteArray>> m_pictures;
    qint64 m_bytesSent = 0;
};
