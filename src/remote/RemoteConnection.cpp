#include "remote/RemoteConnection.h"

#include <QSocketNotifier>
#include <algorithm>
#include <cerrno>
#include <fcntl.h>
#include <sys/socket.h>
#include <unistd.h>

namespace {

// How long a finished connection goes on reading what the client still sends before it
// is closed anyway: closing with unread bytes would reset the connection and could
// take the last answer from the client before it read it.
constexpr int kLingerMs = 2000;
// How long a finished connection may take to send what is queued for it: a client that
// does not read does not keep its place for ever.
constexpr int kFinishMs = 10000;

} // namespace

RemoteConnection::RemoteConnection(int descriptor, qint64 readLimit, QObject* parent)
    : QObject(parent), m_fd(descriptor), m_readLimit(readLimit) {
    const int flags = ::fcntl(m_fd, F_GETFL);
    ::fcntl(m_fd, F_SETFL, flags | O_NONBLOCK);
    ::fcntl(m_fd, F_SETFD, FD_CLOEXEC);
    m_readNotifier = new QSocketNotifier(m_fd, QSocketNotifier::Read, this);
    connect(m_readNotifier, &QSocketNotifier::activated, this, &RemoteConnection::onReadable);
    m_writeNotifier = new QSocketNotifier(m_fd, QSocketNotifier::Write, this);
    m_writeNotifier->setEnabled(false);
    connect(m_writeNotifier, &QSocketNotifier::activated, this, &RemoteConnection::onWritable);
    m_lingerTimer.setSingleShot(true);
    connect(&m_lingerTimer, &QTimer::timeout, this, &RemoteConnection::closeNow);
}

RemoteConnection::~RemoteConnection() {
    if (m_fd >= 0)
        ::close(m_fd);
}

QByteArray RemoteConnection::read(qint64 maxBytes) {
    const QByteArray part = m_in.left(maxBytes);
    m_in.remove(0, part.size());
    updateReading();
    return part;
}

void RemoteConnection::updateReading() {
    if (m_fd >= 0 && m_readNotifier)
        m_readNotifier->setEnabled(!m_inputEnded && (m_finishing || m_in.size() < m_readLimit));
}

void RemoteConnection::onReadable() {
    if (m_fd < 0)
        return;
    char buffer[16384];
    bool arrived = false;
    for (;;) {
        const qint64 room =
            m_finishing ? qint64(sizeof buffer) : std::min<qint64>(sizeof buffer, m_readLimit - m_in.size());
        if (room <= 0)
            break;
        const ssize_t n = ::recv(m_fd, buffer, size_t(room), 0);
        if (n > 0) {
            if (!m_finishing) {
                m_in.append(buffer, n);
                arrived = true;
            }
            continue;
        }
        if (n < 0 && errno == EINTR)
            continue;
        if (n < 0 && (errno == EAGAIN || errno == EWOULDBLOCK))
            break;
        // The end of the client's sending side (0), or the connection broke.
        m_inputEnded = true;
        arrived = true;
        if (n < 0) {
            closeNow();
            return;
        }
        if (m_finishing && m_out.isEmpty()) {
            closeNow();
            return;
        }
        break;
    }
    updateReading();
    if (arrived && !m_finishing)
        emit readyRead();
}

void RemoteConnection::write(const QByteArray& bytes) {
    if (m_fd < 0 || m_shutDown)
        return;
    m_out += bytes;
    flush();
}

void RemoteConnection::flush() {
    while (m_fd >= 0 && !m_out.isEmpty()) {
        const ssize_t n = ::send(m_fd, m_out.constData(), size_t(m_out.size()), MSG_NOSIGNAL | MSG_DONTWAIT);
        if (n > 0) {
            m_out.remove(0, qsizetype(n));
            continue;
        }
        if (n < 0 && errno == EINTR)
            continue;
        if (n < 0 && (errno == EAGAIN || errno == EWOULDBLOCK)) {
            if (m_writeNotifier)
                m_writeNotifier->setEnabled(true);
            return;
        }
        closeNow(); // the client is gone
        return;
    }
    if (m_fd < 0)
        return;
    if (m_writeNotifier)
        m_writeNotifier->setEnabled(false);
    if (m_finishing && !m_shutDown) {
        m_shutDown = true;
        ::shutdown(m_fd, SHUT_WR);
        if (m_inputEnded)
            closeNow();
        else
            m_lingerTimer.start(kLingerMs);
    }
}

void RemoteConnection::onWritable() {
    flush();
}

void RemoteConnection::finish() {
    if (m_fd < 0 || m_finishing)
        return;
    m_finishing = true;
    m_in.clear();
    updateReading();
    m_lingerTimer.start(kFinishMs);
    flush();
}

void RemoteConnection::abort() {
    closeNow();
}

void RemoteConnection::closeNow() {
    if (m_fd < 0)
        return;
    // The notifiers may be the ones whose signal got here.
    for (QSocketNotifier* n : {m_readNotifier, m_writeNotifier}) {
        n->setEnabled(false);
        n->deleteLater();
    }
    m_readNotifier = nullptr;
    m_writeNotifier = nullptr;
    m_lingerTimer.stop();
    ::close(m_fd);
    m_fd = -1;
    m_inputEnded = true;
    m_out.clear();
    QMetaObject::invokeMethod(this, &RemoteConnection::closed, Qt::QueuedConnection);
}
