// Remote-control lines from a client on the network, as the listener takes them: the
// first line must give the token, and only the token lets a client in; any later line
// of up to the longest the listener takes is turned into a command line or refused with
// a reason; a command line is sent again as `corvane remote` would send it.
#include "remote/RemoteProtocol.h"

#include <QJsonDocument>
#include <QJsonObject>

#include <cstddef>
#include <cstdint>
#include <cstdlib>

namespace {

const QByteArray kToken = QByteArrayLiteral("0123456789abcdef0123456789abcdef");

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    if (size > size_t(remote::kMaxLineBytes))
        return 0;
    const QByteArray bytes(reinterpret_cast<const char*>(data), qsizetype(size));
    // The first line: let in only with the token itself (as JSON gives it, escapes and all).
    if (remote::checkAuth(bytes, kToken).isEmpty() &&
        QJsonDocument::fromJson(bytes).object().value(QLatin1String("token")).toString().toUtf8() != kToken)
        std::abort();
    if (remote::checkAuth(bytes, QByteArray()).isEmpty())
        std::abort(); // without a token nobody is let in
    const remote::Request request = remote::parseRequest(bytes);
    if (request.ok() && request.line.isEmpty())
        std::abort();
    if (!request.ok())
        return 0;
    (void)remote::namedFields(request.line.section(QLatin1Char(' '), 0, 0));
    if (const std::optional<remote::WaitRequest> wait = remote::parseWait(request.line);
        wait && wait->error.isEmpty() && (wait->ms < 0 || wait->ms > remote::kMaxWaitMs))
        std::abort();
    const QByteArray again = remote::requestForLine(request.line, request.id);
    if (!again.isEmpty())
        (void)remote::parseRequest(again.trimmed());
    return 0;
}
