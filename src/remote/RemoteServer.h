#pragma once

#include "remote/RemoteProtocol.h"

#include <QByteArray>
#include <QElapsedTimer>
#include <QHostAddress>
#include <QJsonValue>
#include <QObject>
#include <QPointer>
#include <QTimer>
#include <functional>
#include <map>

class QTcpServer;
class RemoteConnection;

// The remote-control listener: takes requests from any number of TCP clients, runs
// them one at a time through a command runner, answers each client in the order of its
// requests, and sends state events to every client.
//
// A client must first authenticate with the program's token; until it has, it gets
// nothing but the greeting, and any other first line closes its connection with nothing
// run. Nothing a client does can hold up the program or the other clients: a client's
// requests are taken a few at a time in turn with the others, heavy ones (pictures,
// files) one at a time among all clients and at a limited pace per client; a `wait`
// holds only its own client; its answers and events wait in a bounded buffer, and a
// client that does not read them is disconnected when the buffer is full; a connection
// without requests for a while is closed; lines that are too long, malformed, unknown
// or too many in a second are refused to that client alone. A client that ends its
// sending side still gets the answers to what it sent before.
class RemoteServer : public QObject {
    Q_OBJECT
public:
    struct Limits {
        qsizetype maxLineBytes = remote::kMaxLineBytes;
        // Answers and events waiting to be sent to one client; beyond it the client is dropped.
        qint64 maxOutputBytes = 2 * 1024 * 1024;
        // Requests a client may make: on average per second, and at once.
        double requestsPerSecond = 200;
        double burst = 400;
        // Heavy requests (remote::isHeavyCommand) a client may run: on average per
        // second, and at once; beyond that they wait their time.
        double heavyPerSecond = 2;
        double heavyBurst = 2;
        int maxClients = 32;
        // Requests taken from one client before the others and the program get their turn.
        int requestsPerTurn = 8;
        // The least time between two state events.
        int eventIntervalMs = 100;
        // A connection without a request for this long is closed (0: never).
        int idleSeconds = 300;
        // The time a new connection has to authenticate.
        int authMs = 10000;
    };

    // Whether a request may run now: empty to run it, else why it is refused.
    using Gate = std::function<QString()>;
    // Runs one command line; fills error, stateJson, output and messages of the answer.
    using Runner = std::function<remote::Answer(const QString& line)>;
    // The state object's text.
    using StateSource = std::function<QString()>;

    RemoteServer(Runner runner, StateSource state, QObject* parent = nullptr);
    ~RemoteServer() override;

    void setLimits(const Limits& limits) { m_limits = limits; }
    const Limits& limits() const { return m_limits; }
    // The first line every client gets (remote::encodeHello).
    void setHello(const QByteArray& line) { m_hello = line; }
    // The secret a client's first request must give. Without one, no client is let in.
    void setToken(const QByteArray& token) { m_token = token; }
    // Asked before each request; a request refused by it is answered with the reason.
    void setGate(Gate gate) { m_gate = std::move(gate); }
    // Asked before each request and each state event: while it says no, they wait (for
    // instance while the program is inside a nested event loop of its own).
    void setReady(std::function<bool()> ready) { m_ready = std::move(ready); }

    bool listen(const QHostAddress& address, quint16 port);
    QString errorString() const { return m_error; }
    QHostAddress serverAddress() const;
    quint16 serverPort() const;
    void close();

    int clientCount() const { return int(m_clients.size()); }
    // Requests carried out, and refused, since the start.
    qint64 requestsRun() const { return m_requestsRun; }
    qint64 requestsRefused() const { return m_requestsRefused; }

public slots:
    // Something may have changed: a state event is sent to every client when the state
    // differs from the last one sent (at most one per Limits::eventIntervalMs).
    void notifyChanged();

signals:
    void clientCountChanged(int count);

private:
    struct Client {
        quint64 id = 0;
        QPointer<RemoteConnection> connection;
        QByteArray input;        // bytes read and not yet taken as lines
        qsizetype inputAt = 0;   // where the next line starts in `input`
        bool discarding = false; // inside a line that is too long
        QByteArray held;         // a heavy request taken, waiting for its turn
        double tokens = 0;
        QElapsedTimer refill;
        double heavyTokens = 0;
        QElapsedTimer heavyRefill;
        bool authenticated = false;
        bool closing = false;   // its last line is sent: no more requests or events
        QElapsedTimer activity; // since its last request or answer
        qint64 waitUntil = -1;  // the end of its `wait` on the server's clock
        QJsonValue waitId;
        bool waiting() const { return waitUntil >= 0; }
    };

    void onIncoming(qintptr descriptor);
    void onClosed(quint64 id);
    // Takes requests from the clients in turn; schedules another pass when some are left.
    void serve();
    void scheduleServe(qint64 delayMs = 0);
    // The next complete line of the client, or false when none is there yet. Lines that
    // are too long are given as an empty line (answered as such by handleLine).
    bool nextLine(Client& client, QByteArray& line);
    void handleLine(quint64 id, const QByteArray& line);
    void authenticate(quint64 id, const QByteArray& line);
    void endWait(quint64 id);
    // Whether a heavy request of the client may run now; else when it may (ms from now).
    bool takeHeavyTurn(Client& client, qint64& retryMs);
    // A client whose input ended and whose requests are all answered is closed.
    void closeIfDone(Client& client);
    // Sends a last line and closes the connection once it is sent.
    void closeWith(quint64 id, const QString& error);
    void checkIdle();
    // Sends bytes to a client, dropping it when its output buffer is full. False when
    // the client is gone.
    bool send(quint64 id, const QByteArray& bytes);
    void drop(quint64 id);
    void sendStateEvent();
    Client* client(quint64 id);

    Runner m_runner;
    StateSource m_state;
    Gate m_gate;
    std::function<bool()> m_ready;
    Limits m_limits;
    QByteArray m_hello;
    QByteArray m_token;
    QTcpServer* m_server = nullptr;
    QString m_error;
    std::map<quint64, Client> m_clients;
    quint64 m_nextId = 1;
    quint64 m_turn = 0; // the client whose turn is next
    bool m_running = false;
    QElapsedTimer m_clock;
    QTimer m_serveTimer;
    QTimer m_eventTimer;
    QTimer m_idleTimer;
    QElapsedTimer m_sinceEvent;
    QString m_lastState;
    bool m_eventPending = false;
    qint64 m_requestsRun = 0;
    qint64 m_requestsRefused = 0;
};
