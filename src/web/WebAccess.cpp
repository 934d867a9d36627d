#include "web/WebAccess.h"

#include "remote/RemoteProtocol.h"

#include <QJsonDocument>
#include <QJsonObject>
#include <QUrl>

namespace web {
namespace {

// An IPv4 address in dotted form, or an IPv6 one (a URL's host with colons: QUrl
// has checked its form).
bool isIpLiteral(const QString& host) {
    if (host.contains(QLatin1Char(':')))
        return true;
    const QStringList parts = host.split(QLatin1Char('.'));
    if (parts.size() != 4)
        return false;
    for (const QString& part : parts) {
        bool ok = false;
        const uint n = part.toUInt(&ok);
        if (!ok || n > 255 || part.isEmpty() || part.size() > 3)
            return false;
    }
    return true;
}

} // namespace

bool originAllowed(const QString& origin, const QString& requestHost, int requestPort, quint16 serverPort,
                   const QStringList& names) {
    const QUrl url(origin, QUrl::StrictMode);
    if (!url.isValid() || url.scheme() != QLatin1String("http") || !url.path().isEmpty() ||
        !url.userInfo().isEmpty() || url.hasQuery() || url.hasFragment())
        return false;
    const QString host = url.host(QUrl::FullyDecoded).toLower();
    const int port = url.port(80);
    if (host.isEmpty() || host != requestHost.toLower() || port != (requestPort < 0 ? 80 : requestPort) ||
        port != serverPort)
        return false;
    if (host == QLatin1String("localhost") || isIpLiteral(host))
        return true;
    for (const QString& name : names) {
        if (!name.isEmpty() && host == name.toLower())
            return true;
    }
    return false;
}

bool isConsoleCommand(const QString& command) {
    static const QStringList console{QStringLiteral("next"),      QStringLiteral("back"),
                                     QStringLiteral("keypad"),    QStringLiteral("wheels"),
                                     QStringLiteral("reset"),     QStringLiteral("tape"),
                                     QStringLiteral("latenight"), QStringLiteral("clear"),
                                     QStringLiteral("backlight"), QStringLiteral("scroll")};
    return console.contains(command);
}

ViewerMessage readViewerMessage(const QByteArray& message, const QByteArray& token, bool authenticated) {
    ViewerMessage out;
    if (message.size() > kMaxViewerMessageBytes) {
        out.error = QStringLiteral("the message is too long");
        return out;
    }
    if (!authenticated) {
        out.error = remote::checkAuth(message, token);
        if (out.error.isEmpty())
            out.kind = ViewerMessage::Kind::Auth;
        else
            out.error = QStringLiteral("the board page is read-only without the remote-control token (%1)")
                            .arg(out.error);
        return out;
    }
    out.kind = ViewerMessage::Kind::Refused;
    const remote::Request request = remote::parseRequest(message);
    if (!request.ok()) {
        out.error = request.error;
        return out;
    }
    const QString name = remote::commandName(request.line);
    if (!isConsoleCommand(name)) {
        out.error = QStringLiteral("\"%1\" is not a button of the console").arg(name);
        return out;
    }
    out.kind = ViewerMessage::Kind::Command;
    out.line = request.line;
    return out;
}

QByteArray encodeAnswer(const QString& error) {
    QJsonObject o{{"type", "answer"}, {"ok", error.isEmpty()}};
    if (!error.isEmpty())
        o.insert(QStringLiteral("error"), error);
    return QJsonDocument(o).toJson(QJsonDocument::Compact);
}

QByteArray encodeAuthOk() {
    return QByteArrayLiteral("{\"type\":\"auth\",\"ok\":true}");
}

QByteArray encodeRefusal(const QString& error) {
    return QJsonDocument(QJsonObject{{"type", "refused"}, {"error", error}}).toJson(QJsonDocument::Compact);
}

} // namespace web
