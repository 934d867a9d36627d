// What a browser sends the board page's server: a viewer's WebSocket messages (before
// and after the token), the Origin and Host of its upgrade, and web.conf's lines. Only
// the token lets a viewer work the console, and then only with the console's commands; an
// Origin is let through only when it names the host and port the request was sent to.
#include "remote/RemoteProtocol.h"
#include "web/WebAccess.h"
#include "web/WebSettings.h"

#include <QUrl>

#include <cstddef>
#include <cstdint>
#include <cstdlib>

namespace {

const QByteArray kToken = QByteArrayLiteral("0123456789abcdef0123456789abcdef");

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    if (size > 64 * 1024)
        return 0;
    const QByteArray bytes(reinterpret_cast<const char*>(data), qsizetype(size));
    using Kind = web::ViewerMessage::Kind;
    const web::ViewerMessage before = web::readViewerMessage(bytes, kToken, false);
    if (before.kind == Kind::Command || before.kind == Kind::Refused)
        std::abort(); // without the token: the token itself, or closed
    if (before.kind == Kind::Auth && !remote::checkAuth(bytes, kToken).isEmpty())
        std::abort();
    if (web::readViewerMessage(bytes, QByteArray(), false).kind != Kind::Close)
        std::abort(); // no token at all lets nobody in
    const web::ViewerMessage after = web::readViewerMessage(bytes, kToken, true);
    if (after.kind == Kind::Command && !web::isConsoleCommand(remote::commandName(after.line)))
        std::abort();
    if (after.kind == Kind::Auth)
        std::abort();
    // The first half an Origin, the second the Host it was sent to.
    const QString text = QString::fromUtf8(bytes);
    const QString origin = text.left(text.size() / 2);
    const QUrl host(QStringLiteral("http://") + text.mid(text.size() / 2));
    if (web::originAllowed(origin, host.host(), host.port(), 5081)) {
        const QUrl o(origin);
        if (o.scheme() != QLatin1String("http") || o.port(80) != 5081 ||
            o.host().compare(host.host(), Qt::CaseInsensitive) != 0)
            std::abort();
    }
    (void)WebSettings::parse(bytes);
    return 0;
}
