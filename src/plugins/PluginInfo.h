#pragma once

#include <QByteArray>
#include <QStringList>
#include <QtGlobal>

// What a ticket plug-in says it can print: the record the options dialog asks the
// resource library for and lists on its plug-in page.
namespace plugins {

// Fourteen little-endian int32 fields, 56 bytes, in this order. The caller clears
// the record before it is filled. A capability value other than 1 means "cannot".
struct PluginInfo {
    qint32 FormatVersion = 0;    // the plug-in file's format version; not read by the program
    qint32 PreviewWidth = 0;     // width of the controller's ticket preview (twips)
    qint32 PreviewHeight = 0;    // height of the ticket preview (twips)
    qint32 CanPrintDate = 0;     // 1 = prints the date
    qint32 CanPrintTime = 0;     // 1 = prints the time
    qint32 CanPrintRoute = 0;    // 1 = prints the route number
    qint32 CanPrintStop = 0;     // 1 = prints the stop name
    qint32 CanPrintBarcode = 0;  // 1 = prints barcodes
    qint32 BarcodeCount = 0;     // number of barcodes
    qint32 MaxRoute = 0;         // highest route number accepted (the lowest is 1)
    qint32 BarcodeRouteMode = 0; // 1 = serial numbering; other = route number + outbound/return flag
    qint32 StopRangeFirst = 0;   // first stop number recognised
    qint32 StopRangeLast = 0;    // last stop number recognised
    qint32 CompanyCount = 0;     // > 0: can switch between company names

    friend bool operator==(const PluginInfo&, const PluginInfo&) = default;
};
static_assert(sizeof(PluginInfo) == 56, "the plug-in record is fourteen int32");

inline constexpr int kPluginInfoFields = 14;

// The record as the 56 bytes the resource library fills, and back. `fromRecord`
// reads the first 56 bytes; a shorter array leaves the missing fields zero.
QByteArray toRecord(const PluginInfo& info);
PluginInfo fromRecord(const QByteArray& bytes);

// The lines of the plug-in page's capability list, in order: six lines, or ten when
// the plug-in prints barcodes (the four barcode lines come before the company line).
QStringList capabilityLines(const PluginInfo& info);

} // namespace plugins
