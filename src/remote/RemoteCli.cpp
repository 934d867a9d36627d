#include "remote/RemoteCli.h"

#include "remote/RemoteProtocol.h"

#include <QJsonDocument>
#include <QJsonObject>
#include <QTcpSocket>
#include <QTextStream>

namespace {

constexpr int kConnectTimeoutMs = 5000;

// Reads whole lines from the socket; false when the connection ends first.
class LineReader {
public:
    explicit LineReader(QTcpSocket& socket) : m_socket(socket) {}
    bool next(QByteArray& line) {
        for (;;) {
            if (m_socket.canReadLine()) {
                line = m_socket.readLine();
                while (line.endsWith('\n') || line.endsWith('\r'))
                    line.chop(1);
                return true;
            }
            if (m_socket.state() != QAbstractSocket::ConnectedState)
                return false;
            if (!m_socket.waitForReadyRead(-1) && m_socket.state() != QAbstractSocket::ConnectedState &&
                !m_socket.canReadLine())
                return false;
        }
    }

private:
    QTcpSocket& m_socket;
};

} // namespace

bool parseHostPort(const QString& text, QString& host, quint16& port) {
    qsizetype colon = text.lastIndexOf(QLatin1Char(':'));
    if (colon <= 0)
        return false;
    QString h = text.left(colon);
    if (h.startsWith(QLatin1Char('[')) && h.endsWith(QLatin1Char(']')))
        h = h.mid(1, h.size() - 2);
    else if (h.contains(QLatin1Char(':')))
        return false; // an IPv6 address needs its brackets
    bool ok = false;
    const uint p = text.mid(colon + 1).toUInt(&ok);
    if (!ok || p < 1 || p > 65535 || h.isEmpty())
        return false;
    host = h;
    port = quint16(p);
    return true;
}

QString remoteHelp() {
    return QStringLiteral(
        "usage: corvane remote HOST:PORT [COMMAND...]\n"
        "\n"
        "Drives a running 508 that listens for remote control (508 --listen PORT, or\n"
        "enabled=true in ~/.config/corvane/remote.conf). Each COMMAND is one line of\n"
        "corvane script, quoted as one argument (\"keypad 系統 1 2\"); - reads such lines\n"
        "from standard input. Each is sent as a JSON request and its answer is printed as\n"
        "the JSON line the program sends ({\"ok\":true}, {\"ok\":true,\"state\":{...}}, ...).\n"
        "With no COMMAND the state events ({\"event\":\"state\",...}) are printed as they come\n"
        "until the program closes the connection.\n"
        "\n"
        "A refused command prints its answer, then 'error: N: reason' on standard error,\n"
        "and the tool exits with status 2; it exits 1 when the program cannot be reached\n"
        "or the connection breaks, else 0. HOST may be a name or an address ([::1] for\n"
        "IPv6). The protocol is described in docs/remote-control.md.\n");
}

int remoteCommand(const QStringList& args, QTextStream& in, QTextStream& out, QTextStream& err) {
    if (args.contains(QLatin1String("--help")) || args.contains(QLatin1String("-h"))) {
        out << remoteHelp();
        return 0;
    }
    QString host;
    quint16 port = 0;
    if (args.isEmpty() || !parseHostPort(args.first(), host, port)) {
        err << "corvane remote: needs HOST:PORT first (see corvane remote --help)\n";
        return 2;
    }
    QStringList commands = args.mid(1);

    QTcpSocket socket;
    socket.connectToHost(host, port);
    if (!socket.waitForConnected(kConnectTimeoutMs)) {
        err << "corvane remote: cannot connect to " << args.first() << ": " << socket.errorString() << '\n';
        return 1;
    }
    LineReader reader(socket);
    QByteArray line;

    if (commands.isEmpty()) {
        while (reader.next(line)) {
            const QJsonObject o = QJsonDocument::fromJson(line).object();
            if (o.value(QLatin1String("event")).toString() == QLatin1String("state")) {
                out << QString::fromUtf8(line) << '\n';
                out.flush();
            }
        }
        return 0;
    }

    int number = 0;
    const auto sendLine = [&](const QString& command) -> int {
        ++number;
        const QByteArray request = remote::requestForLine(command, number);
        if (request.isEmpty())
            return 0; // a blank line or a comment
        if (socket.write(request) != request.size() || !socket.waitForBytesWritten(-1)) {
            err << "corvane remote: connection lost: " << socket.errorString() << '\n';
            return 1;
        }
        while (reader.next(line)) {
            const QJsonObject o = QJsonDocument::fromJson(line).object();
            if (o.contains(QLatin1String("event")))
                continue;
            // An answer without our id refuses the connection itself (too many clients).
            if (o.value(QLatin1String("id")).toInt(-1) != number && o.contains(QLatin1String("id")))
                continue;
            out << QString::fromUtf8(line) << '\n';
            out.flush();
            if (o.value(QLatin1String("ok")).toBool())
                return 0;
            err << "error: " << number << ": " << o.value(QLatin1String("error")).toString() << '\n';
            return 2;
        }
        err << "corvane remote: the program closed the connection\n";
        return 1;
    };
    for (const QString& command : commands) {
        if (command == QLatin1String("-")) {
            while (!in.atEnd()) {
                if (const int status = sendLine(in.readLine()); status != 0)
                    return status;
            }
            continue;
        }
        if (const int status = sendLine(command); status != 0)
            return status;
    }
    socket.disconnectFromHost();
    return 0;
}
