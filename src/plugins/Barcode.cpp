#include "plugins/Barcode.h"

#include <zint.h>

#include <cmath>
#include <memory>

namespace plugins {
namespace {

struct SymbolDeleter {
    void operator()(zint_symbol* s) const { ZBarcode_Delete(s); }
};

int digitCount(qint64 n) {
    int d = 1;
    for (n = n < 0 ? -n : n; n >= 10; n /= 10)
        ++d;
    return d;
}

bool allDigits(const QString& text) {
    for (QChar c : text) {
        if (c < QLatin1Char('0') || c > QLatin1Char('9'))
            return false;
    }
    return !text.isEmpty();
}

bool isGuard(QChar c) {
    return c == QLatin1Char('A') || c == QLatin1Char('B') || c == QLatin1Char('C') || c == QLatin1Char('D');
}

} // namespace

BarPattern encodeBarcode(Symbology symbology, const QString& value, QChar nw7Start, QChar nw7Stop,
                         QString* error) {
    auto fail = [&](const QString& why) {
        if (error)
            *error = why;
        return BarPattern{};
    };
    if (!allDigits(value) || value.size() > 40)
        return fail(QStringLiteral("a barcode holds 1 to 40 digits"));
    QByteArray data;
    std::unique_ptr<zint_symbol, SymbolDeleter> symbol(ZBarcode_Create());
    if (!symbol)
        return fail(QStringLiteral("out of memory"));
    if (symbology == Symbology::Itf) {
        if (value.size() % 2 != 0)
            return fail(QStringLiteral("ITF holds an even number of digits"));
        symbol->symbology = BARCODE_C25INTER;
        data = value.toLatin1();
    } else {
        if (!isGuard(nw7Start) || !isGuard(nw7Stop))
            return fail(QStringLiteral("NW-7 start and stop characters are A, B, C or D"));
        symbol->symbology = BARCODE_CODABAR;
        data = QString(nw7Start + value + nw7Stop).toLatin1();
    }
    symbol->show_hrt = 0;
    const int rc = ZBarcode_Encode_and_Buffer_Vector(symbol.get(),
                                                     reinterpret_cast<const unsigned char*>(data.constData()),
                                                     static_cast<int>(data.size()), 0);
    if (rc >= ZINT_ERROR || !symbol->vector || symbol->width <= 0)
        return fail(QString::fromLatin1(symbol->errtxt));

    // The bars come in order from the left; turn their edges into element widths.
    const float unit = symbol->vector->width / static_cast<float>(symbol->width);
    BarPattern pattern;
    int edge = 0;
    for (const zint_vector_rect* r = symbol->vector->rectangles; r; r = r->next) {
        const int start = static_cast<int>(std::lround(r->x / unit));
        const int width = static_cast<int>(std::lround(r->width / unit));
        if (start < edge || width <= 0)
            return fail(QStringLiteral("unexpected bar layout"));
        if (!pattern.elements.isEmpty())
            pattern.elements << start - edge;
        else if (start != 0)
            return fail(QStringLiteral("unexpected bar layout"));
        pattern.elements << width;
        edge = start + width;
    }
    // The symbol ends with its last bar (for NW-7 the library counts one more, blank,
    // module).
    pattern.modules = edge;
    if (pattern.elements.isEmpty() || pattern.modules > symbol->width)
        return fail(QStringLiteral("unexpected bar layout"));
    return pattern;
}

int barcodeDigits(const PluginInfo& info, Symbology symbology) {
    int n = digitCount(info.MaxRoute) + digitCount(info.StopRangeLast) + (info.BarcodeRouteMode == 1 ? 0 : 1);
    if (symbology == Symbology::Itf && n % 2 != 0)
        ++n;
    return n;
}

QString barcodeValue(const PluginInfo& info, Symbology symbology, int flag, qint32 routeNumber,
                     qint16 ticketNumber, qint16 row, QString* whyNot) {
    auto none = [&](const QString& why) {
        if (whyNot)
            *whyNot = why;
        return QString();
    };
    if (routeNumber < 1 || routeNumber > info.MaxRoute)
        return none(QStringLiteral("route %1 is outside 1..%2").arg(routeNumber).arg(info.MaxRoute));
    const bool serial = info.BarcodeRouteMode == 1;
    const qint64 stop = serial ? qint64(info.StopRangeFirst) + row - 1 : qint64(ticketNumber);
    if (stop < info.StopRangeFirst || stop > info.StopRangeLast)
        return none(QStringLiteral("stop %1 is outside %2..%3")
                        .arg(stop)
                        .arg(info.StopRangeFirst)
                        .arg(info.StopRangeLast));
    QString value = QStringLiteral("%1").arg(routeNumber, digitCount(info.MaxRoute), 10, QLatin1Char('0'));
    if (!serial)
        value += QLatin1Char(flag == 1 ? '1' : '0');
    value += QStringLiteral("%1").arg(stop, digitCount(info.StopRangeLast), 10, QLatin1Char('0'));
    if (symbology == Symbology::Itf && value.size() % 2 != 0)
        value.prepend(QLatin1Char('0'));
    return value;
}

} // namespace plugins
