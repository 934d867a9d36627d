#include "remote/RemoteServer.h"

#include "remote/RemoteConnection.h"

#include <QTcpServer>
#include <algorithm>
#include <cmath>
#include <vector>

namespace {

// Hands each accepted socket to the listener as it is, without a QTcpSocket around it.
class Listener : public QTcpServer {
public:
    explicit Listener(std::function<void(qintptr)> incoming, QObject* parent)
        : QTcpServer(parent), m_incoming(std::move(incoming)) {}

protected:
    void incomingConnection(qintptr descriptor) override { m_incoming(descriptor); }

private:
    std::function<void(qintptr)> m_incoming;
};

// Adds what the time since `clock` earns to a token bucket, up to `most`.
void refill(double& tokens, QElapsedTimer& clock, double perSecond, double most) {
    const double seconds = clock.nsecsElapsed() / 1e9;
    clock.restart();
    tokens = std::min(most, tokens + seconds * perSecond);
}

constexpr int kIdleCheckMs = 1000;

} // namespace

RemoteServer::RemoteServer(Runner runner, StateSource state, QObject* parent)
    : QObject(parent), m_runner(std::move(runner)), m_state(std::move(state)) {
    m_clock.start();
    m_serveTimer.setSingleShot(true);
    connect(&m_serveTimer, &QTimer::timeout, this, &RemoteServer::serve);
    m_eventTimer.setSingleShot(true);
    connect(&m_eventTimer, &QTimer::timeout, this, &RemoteServer::sendStateEvent);
    m_idleTimer.setInterval(kIdleCheckMs);
    connect(&m_idleTimer, &QTimer::timeout, this, &RemoteServer::checkIdle);
}

RemoteServer::~RemoteServer() {
    close();
}

bool RemoteServer::listen(const QHostAddress& address, quint16 port) {
    close();
    m_server = new Listener([this](qintptr descriptor) { onIncoming(descriptor); }, this);
    if (!m_server->listen(address, port)) {
        m_error = m_server->errorString();
        delete m_server;
        m_server = nullptr;
        return false;
    }
    m_error.clear();
    m_idleTimer.start();
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
        if (c.connection) {
            disconnect(c.connection, nullptr, this, nullptr);
            c.connection->abort();
            c.connection->deleteLater();
        }
    }
    const bool hadClients = !m_clients.empty();
    m_clients.clear();
    delete m_server;
    m_server = nullptr;
    m_idleTimer.stop();
    if (hadClients)
        emit clientCountChanged(0);
}

RemoteServer::Client* RemoteServer::client(quint64 id) {
    const auto it = m_clients.find(id);
    return it == m_clients.end() || !it->second.connection || !it->second.connection->isOpen() ? nullptr
                                                                                               : &it->second;
}

void RemoteServer::onIncoming(qintptr descriptor) {
    // What the program has not taken yet stays in the system's buffers, which slows the
    // sender down instead of filling the program's memory.
    auto* connection = new RemoteConnection(int(descriptor), m_limits.maxLineBytes + 2, this);
    if (int(m_clients.size()) >= m_limits.maxClients) {
        remote::Answer refusal;
        refusal.error = QStringLiteral("too many clients: at most %1 at a time").arg(m_limits.maxClients);
        connect(connection, &RemoteConnection::closed, connection, &QObject::deleteLater);
        connection->write(remote::encodeAnswer(refusal));
        connection->finish();
        return;
    }
    const quint64 id = m_nextId++;
    Client& c = m_clients[id];
    c.id = id;
    c.connection = connection;
    c.tokens = m_limits.burst;
    c.refill.start();
    c.heavyTokens = m_limits.heavyBurst;
    c.heavyRefill.start();
    c.activity.start();
    connect(connection, &RemoteConnection::readyRead, this, [this]() { scheduleServe(); });
    connect(connection, &RemoteConnection::closed, this, [this, id]() { onClosed(id); });
    if (!m_hello.isEmpty())
        send(id, m_hello);
    emit clientCountChanged(clientCount());
}

void RemoteServer::onClosed(quint64 id) {
    const auto it = m_clients.find(id);
    if (it == m_clients.end())
        return;
    if (RemoteConnection* connection = it->second.connection) {
        disconnect(connection, nullptr, this, nullptr);
        connection->deleteLater();
    }
    // Nothing holds on to a client across a call that could get here; a `wait` of the
    // client ends with it.
    m_clients.erase(it);
    emit clientCountChanged(clientCount());
}

void RemoteServer::drop(quint64 id) {
    const auto it = m_clients.find(id);
    if (it == m_clients.end())
        return;
    RemoteConnection* connection = it->second.connection;
    m_clients.erase(it);
    if (connection) {
        disconnect(connection, nullptr, this, nullptr);
        connection->abort();
        connection->deleteLater();
    }
    emit clientCountChanged(clientCount());
}

bool RemoteServer::send(quint64 id, const QByteArray& bytes) {
    Client* c = client(id);
    if (!c)
        return false;
    if (c->connection->bytesToWrite() + bytes.size() > m_limits.maxOutputBytes) {
        drop(id); // it does not read what is sent to it
        return false;
    }
    c->connection->write(bytes);
    return true;
}

void RemoteServer::closeWith(quint64 id, const QString& error) {
    Client* c = client(id);
    if (!c || c->closing)
        return;
    remote::Answer last;
    last.error = error;
    if (!send(id, remote::encodeAnswer(last)))
        return;
    c = client(id);
    c->closing = true;
    c->input.clear();
    c->inputAt = 0;
    c->held.clear();
    c->connection->finish();
}

void RemoteServer::scheduleServe(qint64 delayMs) {
    if (m_serveTimer.isActive() && m_serveTimer.remainingTime() <= delayMs)
        return;
    m_serveTimer.start(int(std::min<qint64>(delayMs, 1 << 30)));
}

bool RemoteServer::nextLine(Client& c, QByteArray& line) {
    if (!c.held.isEmpty()) {
        line = c.held;
        c.held.clear();
        return true;
    }
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
            if (room > 0 && c.connection && c.connection->bytesAvailable() > 0) {
                c.input += c.connection->read(room);
                continue;
            }
            if (!c.discarding && c.input.size() > limit + 1) {
                // The line cannot end within the limit: refused, and skipped to its end.
                c.discarding = true;
                c.input.clear();
                line = QByteArray(); // answered by the caller as too long
                return true;
            }
            if (c.connection && c.connection->inputEnded() && c.connection->bytesAvailable() == 0 &&
                !c.input.isEmpty() && !c.discarding) {
                // The client ended its sending side after a last line without a line end.
                line = c.input;
                c.input.clear();
                if (line.endsWith('\r'))
                    line.chop(1);
                if (line.isEmpty())
                    line = QByteArrayLiteral(" ");
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

bool RemoteServer::takeHeavyTurn(Client& c, qint64& retryMs) {
    refill(c.heavyTokens, c.heavyRefill, m_limits.heavyPerSecond, m_limits.heavyBurst);
    if (c.heavyTokens >= 1) {
        c.heavyTokens -= 1;
        return true;
    }
    retryMs = qint64(std::ceil((1 - c.heavyTokens) * 1000 / std::max(1e-3, m_limits.heavyPerSecond)));
    return false;
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
    bool heavyRan = false;
    bool more = false;
    qint64 wakeMs = -1;
    const auto wakeIn = [&wakeMs](qint64 ms) { wakeMs = wakeMs < 0 ? ms : std::min(wakeMs, ms); };
    for (const quint64 id : order) {
        int taken = 0;
        for (;;) {
            Client* c = client(id);
            if (!c || c->closing)
                break;
            if (c->waiting()) {
                const qint64 left = c->waitUntil - m_clock.elapsed();
                if (left > 0) {
                    wakeIn(left);
                    break;
                }
                endWait(id);
                continue;
            }
            if (taken == m_limits.requestsPerTurn) {
                more = true;
                break;
            }
            QByteArray line;
            if (!nextLine(*c, line))
                break;
            if (!c->authenticated) {
                if (line != QByteArrayLiteral(" ")) // blank lines are ignored
                    authenticate(id, line);
                continue;
            }
            if (!line.isEmpty() && !line.trimmed().isEmpty()) {
                const remote::Request peek = remote::parseRequest(line);
                if (peek.ok() && remote::isHeavyCommand(remote::commandName(peek.line))) {
                    // One heavy request a pass among all clients, each at its own pace:
                    // the light requests of the others go first.
                    qint64 retryMs = 0;
                    if (heavyRan) {
                        c->held = line;
                        more = true;
                        break;
                    }
                    if (!takeHeavyTurn(*c, retryMs)) {
                        c->held = line;
                        wakeIn(retryMs);
                        break;
                    }
                    heavyRan = true;
                }
            }
            ++taken;
            m_turn = id;
            handleLine(id, line);
            if (m_ready && !m_ready()) {
                scheduleServe(20);
                return;
            }
        }
        if (Client* c = client(id))
            closeIfDone(*c);
    }
    if (more)
        scheduleServe(0);
    else if (wakeMs >= 0)
        scheduleServe(wakeMs);
}

void RemoteServer::closeIfDone(Client& c) {
    if (c.closing || c.waiting() || !c.held.isEmpty() || !c.connection->inputEnded() ||
        c.connection->bytesAvailable() > 0 || c.input.indexOf('\n', c.inputAt) >= 0)
        return;
    // Everything the client sent before it ended its side is answered.
    c.closing = true;
    c.connection->finish();
}

void RemoteServer::authenticate(quint64 id, const QByteArray& line) {
    const QString refusal =
        line.isEmpty()
            ? QStringLiteral("line longer than %1 bytes: the connection is closed").arg(m_limits.maxLineBytes)
            : remote::checkAuth(line, m_token);
    if (!refusal.isEmpty()) {
        ++m_requestsRefused;
        closeWith(id, refusal);
        return;
    }
    Client* c = client(id);
    c->authenticated = true;
    c->activity.restart();
    if (!send(id, remote::encodeAnswer(remote::Answer())))
        return;
    // The newcomer starts from the state the others saw last.
    if (m_lastState.isEmpty() && m_state && !m_running)
        m_lastState = m_state();
    if (!m_lastState.isEmpty())
        send(id, remote::encodeStateEvent(m_lastState));
}

void RemoteServer::endWait(quint64 id) {
    Client* c = client(id);
    remote::Answer answer;
    answer.id = c->waitId;
    c->waitUntil = -1;
    c->waitId = QJsonValue(QJsonValue::Undefined);
    c->activity.restart();
    send(id, remote::encodeAnswer(answer));
    notifyChanged(); // the program ran meanwhile
}

void RemoteServer::handleLine(quint64 id, const QByteArray& line) {
    Client* c = client(id);
    if (!c)
        return;
    c->activity.restart();
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
    refill(c->tokens, c->refill, m_limits.requestsPerSecond, m_limits.burst);
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
    if (const std::optional<remote::WaitRequest> wait = remote::parseWait(request.line)) {
        // The program goes on meanwhile; only this client's next requests wait.
        if (!wait->error.isEmpty()) {
            ++m_requestsRefused;
            answer.error = wait->error;
            send(id, remote::encodeAnswer(answer));
            return;
        }
        ++m_requestsRun;
        c->waitUntil = m_clock.elapsed() + wait->ms;
        c->waitId = request.id;
        scheduleServe(wait->ms);
        return;
    }
    m_running = true;
    answer = m_runner(request.line);
    m_running = false;
    answer.id = request.id;
    ++m_requestsRun;
    if (Client* after = client(id))
        after->activity.restart();
    send(id, remote::encodeAnswer(answer)); // the client may have gone meanwhile
    notifyChanged();
}

void RemoteServer::checkIdle() {
    std::vector<std::pair<quint64, QString>> idle;
    for (auto& [id, c] : m_clients) {
        if (c.closing || c.waiting() || !c.held.isEmpty() || !c.connection || !c.connection->isOpen())
            continue;
        if (!c.authenticated && c.activity.hasExpired(m_limits.authMs)) {
            idle.emplace_back(id, QStringLiteral("no authentication within %1 s: the connection is closed")
                                      .arg(m_limits.authMs / 1000.0));
        } else if (c.authenticated && m_limits.idleSeconds > 0 &&
                   c.activity.hasExpired(qint64(m_limits.idleSeconds) * 1000)) {
            idle.emplace_back(
                id,
                QStringLiteral("no request for %1 s: the connection is closed").arg(m_limits.idleSeconds));
        }
    }
    for (const auto& [id, why] : idle)
        closeWith(id, why);
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
        if (c.authenticated && !c.closing)
            ids.push_back(id);
    for (const quint64 id : ids)
        send(id, event);
}
