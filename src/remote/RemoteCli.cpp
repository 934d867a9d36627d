#include "remote/RemoteCli.h"

#include "remote/RemoteFiles.h"
#include "remote/RemoteProtocol.h"

#include <QDeadlineTimer>
#include <QJsonDocument>
#include <QJsonObject>
#include <QTcpSocket>
#include <QTextStream>
#include <algorithm>
#include <optional>

namespace {

constexpr int kDefaultTimeoutSeconds = 10;
// The longest line taken from the program, without its line end.
constexpr qsizetype kMaxAnswerBytes = 64 * 1024;

enum class Read { Line, Closed, Timeout, TooLong };

// Reads whole lines from the socket, each within a deadline and a length limit: a
// program that stays silent or sends without line ends cannot hold the tool for ever
// or fill its memory.
class LineReader {
public:
    explicit LineReader(QTcpSocket& socket) : m_socket(socket) {
        m_socket.setReadBufferSize(kMaxAnswerBytes + 2);
    }
    Read next(QByteArray& line, const QDeadlineTimer& deadline) {
        for (;;) {
            const qsizetype nl = m_buffer.indexOf('\n');
            if (nl >= 0) {
                line = m_buffer.left(nl);
                m_buffer.remove(0, nl + 1);
                if (line.endsWith('\r'))
                    line.chop(1);
                if (line.size() > kMaxAnswerBytes)
                    return Read::TooLong;
                return Read::Line;
            }
            if (m_buffer.size() > kMaxAnswerBytes + 1)
                return Read::TooLong;
            if (m_socket.bytesAvailable() > 0) {
                m_buffer += m_socket.read(kMaxAnswerBytes + 2 - m_buffer.size());
                continue;
            }
            if (m_socket.state() != QAbstractSocket::ConnectedState)
                return Read::Closed;
            if (deadline.hasExpired())
                return Read::Timeout;
            m_socket.waitForReadyRead(int(std::clamp<qint64>(deadline.remainingTime(), 0, 1000)));
        }
    }

private:
    QTcpSocket& m_socket;
    QByteArray m_buffer;
};

struct Options {
    QString tokenFile;
    int timeoutSeconds = kDefaultTimeoutSeconds;
    QStringList rest; // HOST:PORT and the commands
};

// Takes --token-file PATH and --timeout SECONDS (also as --name=value) out of the
// arguments. Empty when they could be read, else why not.
QString readOptions(const QStringList& args, Options& o) {
    for (qsizetype i = 0; i < args.size(); ++i) {
        QString arg = args[i];
        QString value;
        bool hasValue = false;
        if ((arg.startsWith(QLatin1String("--token-file=")) || arg.startsWith(QLatin1String("--timeout=")))) {
            value = arg.mid(arg.indexOf(QLatin1Char('=')) + 1);
            arg = arg.left(arg.indexOf(QLatin1Char('=')));
            hasValue = true;
        }
        if (arg != QLatin1String("--token-file") && arg != QLatin1String("--timeout")) {
            o.rest << args[i];
            continue;
        }
        if (!hasValue) {
            if (i + 1 >= args.size())
                return QStringLiteral("%1 needs a value").arg(arg);
            value = args[++i];
        }
        if (arg == QLatin1String("--token-file")) {
            if (value.isEmpty())
                return QStringLiteral("--token-file needs the path of a file");
            o.tokenFile = value;
        } else {
            bool ok = false;
            o.timeoutSeconds = value.toInt(&ok);
            if (!ok || o.timeoutSeconds < 1 || o.timeoutSeconds > 86400)
                return QStringLiteral("--timeout needs a number of seconds from 1 to 86400, not \"%1\"")
                    .arg(value);
        }
    }
    return QString();
}

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
        "usage: corvane remote [--token-file PATH] [--timeout SECONDS] HOST:PORT [COMMAND...]\n"
        "\n"
        "Drives a running 508 that listens for remote control (508 --listen PORT, or\n"
        "enabled=true in ~/.config/corvane/remote.conf). Each COMMAND is one line of\n"
        "corvane script, quoted as one argument (\"keypad 系統 1 2\"); - reads such lines\n"
        "from standard input. Each is sent as a JSON request and its answer is printed as\n"
        "the JSON line the program sends ({\"ok\":true}, {\"ok\":true,\"state\":{...}}, ...).\n"
        "With no COMMAND the state events ({\"event\":\"state\",...}) are printed as they come\n"
        "until the program closes the connection.\n"
        "\n"
        "The program lets a client in only with its token: the tool reads it from\n"
        "~/.config/corvane/remote.token (508 makes that file when it first listens), or\n"
        "from --token-file PATH. Connecting, and each answer, must come within --timeout\n"
        "seconds (10 unless given; a wait command adds its own time), and no line from the\n"
        "program may be longer than 64 KiB.\n"
        "\n"
        "A refused command prints its answer, then 'error: N: reason' on standard error,\n"
        "and the tool exits with status 2, as it does when the token is refused, an\n"
        "answer does not come in time or a line is too long; it exits 1 when the program\n"
        "cannot be reached or the connection breaks, else 0. HOST may be a name or an address ([::1] for\n"
        "IPv6). The protocol is described in docs/remote-control.md.\n");
}

int remoteCommand(const QStringList& args, QTextStream& in, QTextStream& out, QTextStream& err) {
    if (args.contains(QLatin1String("--help")) || args.contains(QLatin1String("-h"))) {
        out << remoteHelp();
        return 0;
    }
    Options options;
    if (const QString problem = readOptions(args, options); !problem.isEmpty()) {
        err << "corvane remote: " << problem << " (see corvane remote --help)\n";
        return 2;
    }
    QString host;
    quint16 port = 0;
    if (options.rest.isEmpty() || !parseHostPort(options.rest.first(), host, port)) {
        err << "corvane remote: needs HOST:PORT first (see corvane remote --help)\n";
        return 2;
    }
    const QString where = options.rest.first();
    const QStringList commands = options.rest.mid(1);
    const int timeoutMs = options.timeoutSeconds * 1000;

    const QString tokenPath = options.tokenFile.isEmpty() ? remote::defaultTokenPath() : options.tokenFile;
    const remote::TokenResult token = remote::readToken(tokenPath);
    if (!token.error.isEmpty()) {
        err << "corvane remote: " << token.error
            << " (508 makes it when it first listens; --token-file names another)\n";
        return 2;
    }

    QTcpSocket socket;
    socket.connectToHost(host, port);
    if (!socket.waitForConnected(timeoutMs)) {
        err << "corvane remote: cannot connect to " << where << ": "
            << (socket.error() == QAbstractSocket::SocketTimeoutError
                    ? QStringLiteral("no connection within %1 s").arg(options.timeoutSeconds)
                    : socket.errorString())
            << '\n';
        return 1;
    }
    LineReader reader(socket);
    QByteArray line;
    // What a read that gave no line means; the exit status.
    const auto failed = [&](Read result) {
        switch (result) {
        case Read::Timeout:
            err << "corvane remote: no answer from " << where << " within " << options.timeoutSeconds
                << " s\n";
            return 2;
        case Read::TooLong:
            err << "corvane remote: " << where << " sent a line longer than " << kMaxAnswerBytes
                << " bytes\n";
            return 2;
        default:
            err << "corvane remote: the program closed the connection\n";
            return 1;
        }
    };

    // The greeting, then the token.
    Read got = reader.next(line, QDeadlineTimer(timeoutMs));
    if (got != Read::Line)
        return failed(got);
    const QJsonObject hello = QJsonDocument::fromJson(line).object();
    if (hello.value(QLatin1String("event")).toString() != QLatin1String("hello")) {
        // a refusal sent instead (too many clients), or not the program at all
        const QString why = QJsonDocument::fromJson(line).object().value(QLatin1String("error")).toString();
        err << "corvane remote: " << where << " did not greet as 508 does"
            << (why.isEmpty() ? QString() : QStringLiteral(": ") + why) << '\n';
        return 2;
    }
    const int idleSeconds = hello.value(QLatin1String("idle")).toInt(0);
    QJsonObject auth{{QStringLiteral("cmd"), QStringLiteral("auth")},
                     {QStringLiteral("token"), QString::fromLatin1(token.token)}};
    socket.write(QJsonDocument(auth).toJson(QJsonDocument::Compact) + '\n');
    const QDeadlineTimer authDeadline(timeoutMs);
    for (;;) {
        if ((got = reader.next(line, authDeadline)) != Read::Line)
            return failed(got);
        const QJsonObject o = QJsonDocument::fromJson(line).object();
        if (!o.contains(QLatin1String("ok")))
            continue; // an event
        if (o.value(QLatin1String("ok")).toBool())
            break;
        err << "corvane remote: " << where
            << " refused the token: " << o.value(QLatin1String("error")).toString() << '\n';
        return 2;
    }

    if (commands.isEmpty()) {
        // A blank line now and then keeps the connection from being closed as idle.
        const int keepAliveMs = idleSeconds > 0 ? std::max(1000, idleSeconds * 1000 / 2) : 60 * 60 * 1000;
        for (;;) {
            got = reader.next(line, QDeadlineTimer(keepAliveMs));
            if (got == Read::Timeout) {
                socket.write("\n");
                continue;
            }
            if (got == Read::Closed)
                return 0;
            if (got != Read::Line)
                return failed(got);
            const QJsonObject o = QJsonDocument::fromJson(line).object();
            if (o.value(QLatin1String("event")).toString() == QLatin1String("state")) {
                out << QString::fromUtf8(line) << '\n';
                out.flush();
            }
        }
    }

    int number = 0;
    const auto sendLine = [&](const QString& command) -> int {
        ++number;
        const QByteArray request = remote::requestForLine(command, number);
        if (request.isEmpty())
            return 0; // a blank line or a comment
        if (socket.write(request) != request.size() || !socket.waitForBytesWritten(timeoutMs)) {
            err << "corvane remote: connection lost: " << socket.errorString() << '\n';
            return 1;
        }
        // A wait takes its own time besides.
        qint64 allowed = timeoutMs;
        if (const std::optional<remote::WaitRequest> w = remote::parseWait(command); w && w->error.isEmpty())
            allowed += w->ms;
        const QDeadlineTimer deadline(allowed);
        for (;;) {
            if (const Read r = reader.next(line, deadline); r != Read::Line)
                return failed(r);
            const QJsonObject o = QJsonDocument::fromJson(line).object();
            if (o.contains(QLatin1String("event")))
                continue;
            // An answer without our id ends the connection itself (idle, too many clients).
            if (o.value(QLatin1String("id")).toInt(-1) != number && o.contains(QLatin1String("id")))
                continue;
            out << QString::fromUtf8(line) << '\n';
            out.flush();
            if (o.value(QLatin1String("ok")).toBool())
                return 0;
            err << "error: " << number << ": " << o.value(QLatin1String("error")).toString() << '\n';
            return 2;
        }
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
