#include "remote/RemoteServer.h"

#include <QTcpServer>
#include <QTcpSocket>
#include <algorithm>
#include <vector>

RemoteServer::RemoteServer(Runner runner, StateSource state, QObject* parent)
    : QObject(parent), m_runner(std::move(runner)), m_state(std::move(state)) {
    m_serveTimer.setSingleShot(true);
    connect(&m_serveTimer, &QTimer::timeout, this, &RemoteServer::serve);
    m_eventTimer.setSingleShot(true);
    connect(&m_eventTimer, &QTimer::timeout, this, &RemoteServer::sendStateEvent);
}

RemoteServer::~RemoteServer() {
    close();
}

bool RemoteServer::listen(const QHostAddress& address, quint16 port) {
    close();
    m_server = new QTcpServer(this);
    m_server->setMaxPendingConnections(m_limits.maxClients);
    connect(m_server, &QTcpServer::newConnection, this, &RemoteServer::onNewConnection);
    if (!m_server->listen(address, port)) {
        m_error = m_server->errorString();
        delete m_server;
        m_server = nullptr;
        return false;
    }
    m_error.clear();
    return true;
}

QHostAddress RemoteServer::serverAddress() const {
    return m_server ? m_server->serverAddress() : QHostAddress();
}

quint16 RemoteServer::serverPort() const {
    return m_server ? m_server->serverPort() : 0;
}

void RemoteServer::close() {
    for (auto& [id, c] : m_clients) {
        if (c.socket) {
            disconnect(c.socket, nullptr, this, nullptr);
            c.socket->abort();
            c.socket->deleteLater();
        }
    }
    const bool hadClients = !m_clients.empty();
    m_clients.clear();
    delete m_server;
    m_server = nullptr;
    if (hadClients)
        emit clientCountChanged(0);
}

RemoteServer::Client* RemoteServer::client(quint64 id) {
    const auto it = m_clients.find(id);
    return it == m_clients.end() || !it->second.socket ? nullptr : &it->second;
}

void RemoteServer::onNewConnection() {
    while (m_server && m_server->hasPendingConnections()) {
        QTcpSocket* socket = m_server->nextPendingConnection();
        if (int(m_clients.size()) >= m_limits.maxClients) {
            remote::Answer refusal;
            refusal.error = QStringLiteral("too many clients: at most %1 at a time").arg(m_limits.maxClients);
            socket->write(remote::encodeAnswer(refusal));
            connect(socket, &QTcpSocket::disconnected, socket, &QObject::deleteLater);
            socket->disconnectFromHost();
            continue;
        }
        const quint64 id = m_nextId++;
        Client& c = m_clients[id];
        c.id = id;
        c.socket = socket;
        c.tokens = m_limits.burst;
        c.refill.start();
        // What the program has not taken yet stays in the system's buffers, which slows
        // the sender down instead of filling the program's memory.
        socket->setReadBufferSize(m_limits.maxLineBytes + 2);
        connect(socket, &QTcpSocket::readyRead, this, [this]() { scheduleServe(); });
        connect(socket, &QTcpSocket::disconnected, this, [this, id]() { onDisconnected(id); });
        if (!m_hello.isEmpty())
            send(id, m_hello);
        // The newcomer starts from the state the others saw last.
        if (m_lastState.isEmpty() && m_state && !m_running)
            m_lastState = m_state();
        if (!m_lastState.isEmpty())
            send(id, remote::encodeStateEvent(m_lastState));
        emit clientCountChanged(clientCount());
    }
}

void RemoteServer::onDisconnected(quint64 id) {
    const auto it = m_clients.find(id);
    if (it == m_clients.end())
        return;
    if (QTcpSocket* socket = it->second.socket) {
        disconnect(socket, nullptr, this, nullptr);
        socket->deleteLater();
    }
    // Nothing holds on to a client across a call that could get here.
    m_clients.erase(it);
    emit clientCountChanged(clientCount());
}

void RemoteServer::drop(quint64 id, const QString& why) {
    Q_UNUSED(why);
    const auto it = m_clients.find(id);
    if (it == m_clients.end())
        return;
    QTcpSocket* socket = it->second.socket;
    m_clients.erase(it);
    if (socket) {
        disconnect(socket, nullptr, this, nullptr);
        socket->abort();
        socket->deleteLater();
    }
    emit clientCountChanged(clientCount());
}

bool RemoteServer::send(quint64 id, const QByteArray& bytes) {
    Client* c = client(id);
    if (!c)
        return false;
    if (c->socket->bytesToWrite() + bytes.size() > m_limits.maxOutputBytes) {
        drop(id, QStringLiteral("it does not read what is sent to it"));
        return false;
    }
    c->socket->write(bytes);
    return true;
}

void RemoteServer::scheduleServe(int delayMs) {
    if (m_serveTimer.isActive() && m_serveTimer.remainingTime() <= delayMs)
        return;
    m_serveTimer.start(delayMs);
}

bool RemoteServer::nextLine(Client& c, QByteArray& line) {
    const qsizetype limit = m_limits.maxLineBytes;
    for (;;) {
        const qsizetype nl = c.input.indexOf('\n', c.inputAt);
        if (nl < 0) {
            if (c.inputAt > 0) {
                c.input.remove(0, c.inputAt);
                c.inputAt = 0;
            }
            if (c.discarding)
                c.input.clear();
            const qint64 room = limit + 2 - c.input.size();
            if (room > 0 && c.socket && c.socket->bytesAvailable() > 0) {
                c.input += c.socket->read(room);
                continue;
            }
            if (!c.discarding && c.input.size() > limit + 1) {
                // The line cannot end within the limit: refused, and skipped to its end.
                c.discarding = true;
                c.input.clear();
                line = QByteArray(); // answered by the caller as too long
                return true;
            }
            return false;
        }
        if (c.discarding) {
            c.inputAt = nl + 1;
            c.discarding = false;
            continue;
        }
        line = c.input.mid(c.inputAt, nl - c.inputAt);
        c.inputAt = nl + 1;
        if (line.endsWith('\r'))
            line.chop(1);
        if (line.size() > limit)
            line = QByteArray(); // too long
        else if (line.isEmpty())
            line = QByteArrayLiteral(" "); // a blank line: nothing to do
        return true;
    }
}

bool RemoteServer::hasPendingLine(Client& c) {
    if (c.input.indexOf('\n', c.inputAt) >= 0)
        return true;
    if (!c.socket || c.socket->bytesAvailable() <= 0)
        return false;
    if (c.inputAt > 0) {
        c.input.remove(0, c.inputAt);
        c.inputAt = 0;
    }
    if (c.discarding)
        c.input.clear();
    const qint64 room = m_limits.maxLineBytes + 2 - c.input.size();
    if (room > 0)
        c.input += c.socket->read(room);
    return c.input.indexOf('\n') >= 0 || c.input.size() > m_limits.maxLineBytes + 1;
}

void RemoteServer::serve() {
    if (m_running)
        return; // the request under way goes on serving when it ends
    if (m_ready && !m_ready()) {
        scheduleServe(20);
        return;
    }
    std::vector<quint64> order;
    for (const auto& [id, c] : m_clients)
        order.push_back(id);
    // Round robin: the pass starts after the client that was served last.
    std::rotate(order.begin(), std::upper_bound(order.begin(), order.end(), m_turn), order.end());
    for (const quint64 id : order) {
        for (int n = 0; n < m_limits.requestsPerTurn; ++n) {
            Client* c = client(id);
            QByteArray line;
            if (!c || !nextLine(*c, line))
                break;
            m_turn = id;
            handleLine(id, line);
            if (m_ready && !m_ready()) {
                scheduleServe(20);
                return;
            }
        }
    }
    for (auto& [id, c] : m_clients) {
        if (c.socket && hasPendingLine(c)) {
            scheduleServe();
            break;
        }
    }
}

void RemoteServer::handleLine(quint64 id, const QByteArray& line) {
    Client* c = client(id);
    if (!c)
        return;
    remote::Answer answer;
    if (line.isEmpty()) {
        ++m_requestsRefused;
        answer.error = QStringLiteral("line longer than %1 bytes").arg(m_limits.maxLineBytes);
        send(id, remote::encodeAnswer(answer));
        return;
    }
    if (line.trimmed().isEmpty())
        return; // blank lines are ignored
    // Every request, good or bad, counts against the client's rate.
    const double seconds = c->refill.nsecsElapsed() / 1e9;
    c->refill.restart();
    c->tokens = std::min(m_limits.burst, c->tokens + seconds * m_limits.requestsPerSecond);
    if (c->tokens < 1) {
        ++m_requestsRefused;
        answer.error =
            QStringLiteral("too many requests: at most %1 a second").arg(m_limits.requestsPerSecond);
        send(id, remote::encodeAnswer(answer));
        return;
    }
    c->tokens -= 1;

    const remote::Request request = remote::parseRequest(line);
    answer.id = request.id;
    if (!request.ok()) {
        ++m_requestsRefused;
        answer.error = request.error;
        send(id, remote::encodeAnswer(answer));
        return;
    }
    if (m_gate) {
        if (const QString refusal = m_gate(); !refusal.isEmpty()) {
            ++m_requestsRefused;
            answer.error = refusal;
            send(id, remote::encodeAnswer(answer));
            return;
        }
    }
    m_running = true;
    answer = m_runner(request.line);
    m_running = false;
    answer.id = request.id;
    ++m_requestsRun;
    send(id, remote::encodeAnswer(answer)); // the client may have gone meanwhile
    notifyChanged();
}

void RemoteServer::notifyChanged() {
    m_eventPending = true;
    if (m_eventTimer.isActive())
        return;
    const qint64 since = m_sinceEvent.isValid() ? m_sinceEvent.elapsed() : m_limits.eventIntervalMs;
    m_eventTimer.start(int(std::max<qint64>(0, m_limits.eventIntervalMs - since)));
}

void RemoteServer::sendStateEvent() {
    if (!m_eventPending || !m_state)
        return;
    if (m_running || (m_ready && !m_ready())) {
        // Not in the middle of a request, nor of a pause of the program's own (a lamp
        // test): the state is taken when it has ended.
        m_eventTimer.start(m_limits.eventIntervalMs);
        return;
    }
    m_eventPending = false;
    m_sinceEvent.start();
    const QString state = m_state();
    if (state == m_lastState)
        return;
    m_lastState = state;
    const QByteArray event = remote::encodeStateEvent(state);
    std::vector<quint64> ids;
    for (const auto& [id, c] : m_clients)
        ids.push_back(id);
    for (const quint64 id : ids)
        send(id, event);
}
