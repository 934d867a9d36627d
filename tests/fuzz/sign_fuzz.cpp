// The destination sign file (N.sign). Any bytes are read: a file is either taken whole or
// refused with at least one "N行目: ..." problem; the values taken keep the limits, and the
// file written back from them reads back to the same values.
#include "route/SignFile.h"

#include <cstddef>
#include <cstdint>
#include <cstdlib>

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    const QByteArray bytes(reinterpret_cast<const char*>(data), qsizetype(size));
    const signfile::Parsed parsed = signfile::parse(bytes);
    if (!parsed.ok()) {
        if (!(parsed.values == signfile::RouteSign{}))
            std::abort();
        for (const QString& p : parsed.problems) {
            if (!p.contains(QStringLiteral("行目: ")))
                std::abort();
        }
        return 0;
    }
    const signfile::RouteSign& v = parsed.values;
    const QString* values[] = {&v.number, &v.destination, &v.via, &v.destinationEn, &v.viaEn};
    const char* keys[] = {"number", "destination", "via", "destination_en", "via_en"};
    QByteArray again = "[sign]\n";
    for (size_t i = 0; i < 5; ++i) {
        if (values[i]->size() > signfile::kMaxValueLength || *values[i] != values[i]->trimmed())
            std::abort();
        if (!values[i]->isEmpty())
            again += QByteArray(keys[i]) + '=' + values[i]->toUtf8() + '\n';
    }
    const signfile::Parsed reread = signfile::parse(again);
    if (!reread.ok() || !(reread.values == v))
        std::abort();
    return 0;
}
