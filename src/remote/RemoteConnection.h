#pragma once

#include <QByteArray>
#include <QObject>
#include <QTimer>

class QSocketNotifier;

// One accepted TCP connection of the remote-control listener, on the socket itself.
//
// Unlike QTcpSocket, it keeps the connection when the client ends its sending side
// (a half-close, as `nc -N` and many scripts do): what the client sent before is still
// read, answered and written, and the connection is closed once that is done. It takes
// no more from the system than `readLimit` bytes ahead of the reader, so a client that
// sends faster than the program reads is slowed down by TCP instead of filling memory.
class RemoteConnection : public QObject {
    Q_OBJECT
public:
    RemoteConnection(int descriptor, qint64 readLimit, QObject* parent = nullptr);
    ~RemoteConnection() override;

    // Bytes received and not read yet.
    qint64 bytesAvailable() const { return m_in.size(); }
    QByteArray read(qint64 maxBytes);
    // The client has ended its sending side (or the connection is gone): nothing more
    // will arrive beyond bytesAvailable().
    bool inputEnded() const { return m_inputEnded; }

    // Queues bytes to send; they go out as the client takes them.
    void write(const QByteArray& bytes);
    qint64 bytesToWrite() const { return m_out.size(); }

    // Closes the connection once everything queued is sent (whatever the client still
    // sends is read and thrown away meanwhile, for at most a few seconds).
    void finish();
    // Closes it at once.
    void abort();
    bool isOpen() const { return m_fd >= 0; }

signals:
    // More bytes arrived, or the input ended.
    void readyRead();
    // The connection is closed (by either side, or by an error); emitted once, from the
    // event loop, never from inside a call of this object.
    void closed();

private:
    void onReadable();
    void onWritable();
    void flush();
    void closeNow();
    void updateReading();

    int m_fd = -1;
    qint64 m_readLimit;
    QByteArray m_in;
    QByteArray m_out;
    bool m_inputEnded = false;
    bool m_finishing = false;
    bool m_shutDown = false; // our sending side is ended
    QSocketNotifier* m_readNotifier = nullptr;
    QSocketNotifier* m_writeNotifier = nullptr;
    QTimer m_lingerTimer;
};
