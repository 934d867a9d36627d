#include "gtfs/SignWriter.h"

namespace gtfs {
namespace {

QString oneLine(const QString& text) {
    QString s = text;
    for (QChar& c : s) {
        const char16_t u = c.unicode();
        if (u < 0x20 || (u >= 0x7F && u <= 0x9F) || u == 0x2028 || u == 0x2029)
            c = QLatin1Char(' ');
    }
    return s.simplified();
}

} // namespace

QByteArray signFileBytes(const ImportedSign& sign) {
    QString out;
    if (const QString source = oneLine(sign.source); !source.isEmpty())
        out += QStringLiteral("# imported from GTFS: %1\n").arg(source);
    out += QStringLiteral("[sign]\n");
    const std::pair<const char*, const QString*> keys[] = {{"number", &sign.number},
                                                           {"destination", &sign.destination},
                                                           {"via", &sign.via},
                                                           {"destination_en", &sign.destinationEn},
                                                           {"via_en", &sign.viaEn}};
    for (const auto& [key, value] : keys) {
        const QString v = oneLine(*value).left(MaxSignText).trimmed();
        if (!v.isEmpty())
            out += QLatin1String(key) + QLatin1Char('=') + v + QLatin1Char('\n');
    }
    return out.toUtf8();
}

} // namespace gtfs
