#pragma once

#include "remote/RemoteProtocol.h"

#include <QByteArray>
#include <QElapsedTimer>
#include <QHostAddress>
#include <QObject>
#include <QPointer>
#include <QTimer>
#include <functional>
#include <map>

class QTcpServer;
class QTcpSocket;

// The remote-control listener: takes requests from any number of TCP clients, runs
// them one at a time through a command runner, answers each client in the order of its
// requests, and sends state events to every client.
//
// Nothing a client does can hold up the program or the other clients: a client's
// requests are taken a few at a time in turn with the others; its answers and events
// wait in a bounded buffer, and a client that does not read them is disconnected when
// the buffer is full; lines that are too long, malformed, unknown or too many in a
// second are refused to that client alone.
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
        int maxClients = 32;
        // Requests taken from one client before the others and the program get their turn.
        int requestsPerTurn = 8;
        // The least time between two state events.
        int eventIntervalMs = 100;
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
        QPointer<QTcpSocket> socket;
        QByteArray input;        // bytes read and not yet taken as lines
        qsizetype inputAt = 0;   // where the next line starts in `input`
        bool discarding = false; // inside a line that is too long
        double tokens = 0;
        QElapsedTimer refill;
    };

    void onNewConnection();
    void onDisconnected(quint64 id);
    // Takes requests from the clients in turn; schedules another pass when some are left.
    void serve();
    void scheduleServe(int delayMs = 0);
    // The next complete line of the client, or false when none is there yet. Lines that
    // are too long are answered here.
    bool nextLine(Client& client, QByteArray& line);
    bool hasPendingLine(Client& client);
    void pullInput(Client& client);
    void handleLine(quint64 id, const QByteArray& line);
    // Sends bytes to a client, dropping it when its output buffer is full. False when
    // the client is gone.
    bool send(quint64 id, const QByteArray& bytes);
    void drop(quint64 id, const QString& why);
    void sendStateEvent();
    Client* client(quint64 id);

    Runner m_runner;
    StateSource m_state;
    Gate m_gate;
    std::function<bool()> m_ready;
    Limits m_limits;
    QByteArray m_hello;
    QTcpServer* m_server = nullptr;
    QString m_error;
    std::map<quint64, Client> m_clients;
    quint64 m_nextId = 1;
    quint64 m_turn = 0; // the client whose turn is next
    bool m_running = false;
    bool m_serveScheduled = false;
    QTimer m_serveTimer;
    QTimer m_eventTimer;
    QElapsedTimer m_sinceEvent;
    QString m_lastState;
    bool m_eventPending = false;
    qint64 m_requestsRun = 0;
    qint64 m_requestsRefused = 0;
};
