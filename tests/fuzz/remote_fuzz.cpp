// Remote-control requests, one JSON line each from a client on the network: any line
// of up to the longest the listener takes is turned into a command line or refused
// with a reason; a command line is sent again as `corvane remote` would send it.
#include "remote/RemoteProtocol.h"

#include <cstddef>
#include <cstdint>
#include <cstdlib>

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    if (size > size_t(remote::kMaxLineBytes))
        return 0;
    const QByteArray bytes(reinterpret_cast<const char*>(data), qsizetype(size));
    const remote::Request request = remote::parseRequest(bytes);
    if (request.ok() && request.line.isEmpty())
        std::abort();
    if (!request.ok())
        return 0;
    (void)remote::namedFields(request.line.section(QLatin1Char(' '), 0, 0));
    const QByteArray again = remote::requestForLine(request.line, request.id);
    if (!again.isEmpty())
        (void)remote::parseRequest(again.trimmed());
    return 0;
}
