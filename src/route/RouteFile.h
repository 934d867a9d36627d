#pragma once

#include "route/DataIo.h"

#include <QByteArray>
#include <QVector>
#include <stdexcept>

// The route data file's byte layout (little-endian, no padding):
//   int16  record count N
//   N records, back to back:
//     uint16 name length L (bytes)
//     L      stop name, cp932, no terminator
//     int16  ticket number
//     150 x int16 data columns 1..150
// A record occupies 304 + L bytes; bytes after the N-th record are ignored.
namespace DataIo {

constexpr int RouteCountBytes = 2;
constexpr int RouteRecordFixedBytes = 304;
constexpr int MaxStopNameBytes = 0xFFFF;
constexpr int MaxRouteRecords = 0x7FFF;

// The longest route file the simulator ever needs to read: the count and 301 records
// with the longest names. Bytes beyond it can only be the ignored tail, or records
// past row 301, which are refused anyway.
constexpr qint64 MaxLoadedRouteBytes =
    RouteCountBytes + qint64(FareTableRowCount) * (RouteRecordFixedBytes + MaxStopNameBytes);
// The longest file the layout can describe at all (32767 records).
constexpr qint64 MaxRouteFileBytes =
    RouteCountBytes + qint64(MaxRouteRecords) * (RouteRecordFixedBytes + MaxStopNameBytes);

// Everything a route file holds, read without judging it.
struct RouteFileContents {
    bool hasCount = false;       // the file holds at least the two bytes of its count
    qint16 count = 0;            // N as stored (may be 0 or negative)
    QVector<RouteRow> records;   // the complete records, in order (never more than N)
    int endsInRecord = 0;        // 0 when all N records are complete, else the 1-based
                                 // number of the first record the file cuts off
    qsizetype trailingBytes = 0; // bytes after the N-th record (0 when truncated)

    bool truncated() const { return endsInRecord != 0; }
};

// Parses the bytes of a route file. Never fails: what is wrong with the file is
// described by the result.
RouteFileContents parseRouteFile(const QByteArray& bytes);

// Raised by writeRouteFile for records that the layout cannot hold.
class RouteFileError : public std::runtime_error {
public:
    using std::runtime_error::runtime_error;
};

// The bytes of a route file holding `records` (the names as their StopNameBytes).
// Raises RouteFileError for more than 32767 records or a name longer than 65535 bytes.
QByteArray writeRouteFile(const QVector<RouteRow>& records);

} // namespace DataIo
