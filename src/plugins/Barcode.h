#pragma once

#include "plugins/PluginInfo.h"

#include <QList>
#include <QString>

// The barcodes a ticket can carry and the number each one holds.
namespace plugins {

// ITF (Interleaved 2 of 5, wide elements three modules) and NW-7 (Codabar, wide
// elements two modules), the two symbologies of Japanese tickets and fare boxes.
enum class Symbology { Itf, Nw7 };

// A symbol as the widths of its elements in modules, a bar first, then a space, a
// bar and so on; it ends with a bar. No quiet zones.
struct BarPattern {
    QList<int> elements;
    int modules = 0;
    bool isEmpty() const { return elements.isEmpty(); }
};

// Blank modules a reader needs on each side of a symbol.
inline constexpr int kQuietModules = 10;

// Encodes `value`: for ITF an even number of digits; for NW-7 digits framed by the
// start and stop characters (A, B, C or D). Returns an empty pattern, with the reason
// in `error`, for a value the symbology cannot hold.
BarPattern encodeBarcode(Symbology symbology, const QString& value, QChar nw7Start = QLatin1Char('A'),
                         QChar nw7Stop = QLatin1Char('A'), QString* error = nullptr);

// The number of digits of every barcode value of a plug-in: the route part, the
// outbound/return flag when the plug-in numbers by route and flag, the stop part, and
// for ITF a leading 0 to make the count even.
int barcodeDigits(const PluginInfo& info, Symbology symbology);

// The number a ticket's barcode holds (see docs/plugin-format.md):
// - route part: the route number, as many digits as `MaxRoute` has;
// - BarcodeRouteMode 1 (serial numbering): then the stop's serial number along the
//   route, StopRangeFirst + row - 1;
// - any other mode (route number plus outbound/return flag): then the flag (0
//   outbound, 1 return), then the row's ticket number;
// the stop part has as many digits as `StopRangeLast`. ITF values of odd length get
// a leading 0. Returns an empty text, with the reason in `whyNot`, when the route is
// outside 1..MaxRoute or the stop number outside StopRangeFirst..StopRangeLast.
QString barcodeValue(const PluginInfo& info, Symbology symbology, int flag, qint32 routeNumber,
                     qint16 ticketNumber, qint16 row, QString* whyNot = nullptr);

} // namespace plugins
