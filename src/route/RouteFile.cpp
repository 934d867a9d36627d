#include "route/RouteFile.h"

#include <QtEndian>

namespace DataIo {

namespace {

qint16 readInt16(const char* p) {
    return qFromLittleEndian<qint16>(p);
}
quint16 readUInt16(const char* p) {
    return qFromLittleEndian<quint16>(p);
}

void appendInt16(QByteArray& out, qint16 v) {
    char b[2];
    qToLittleEndian<qint16>(v, b);
    out.append(b, 2);
}

} // namespace

RouteFileContents parseRouteFile(const QByteArray& bytes) {
    RouteFileContents c;
    const qsizetype size = bytes.size();
    const char* data = bytes.constData();
    if (size < RouteCountBytes)
        return c;
    c.hasCount = true;
    c.count = readInt16(data);
    qsizetype pos = RouteCountBytes;
    if (c.count > 0)
        c.records.reserve(qMin<qsizetype>(c.count, (size - pos) / RouteRecordFixedBytes));
    for (int r = 1; r <= c.count; ++r) {
        if (size - pos < 2) {
            c.endsInRecord = r;
            return c;
        }
        const quint16 nameLength = readUInt16(data + pos);
        const qsizetype recordBytes = RouteRecordFixedBytes + nameLength;
        if (size - pos < recordBytes) {
            c.endsInRecord = r;
            return c;
        }
        pos += 2;
        RouteRow row;
        row.setStopNameBytes(QByteArray(data + pos, nameLength));
        pos += nameLength;
        row.TicketNumber = readInt16(data + pos);
        pos += 2;
        for (int k = 1; k <= DataColumnCount; ++k) {
            row.DataColumns[k] = readInt16(data + pos);
            pos += 2;
        }
        c.records.append(row);
    }
    c.trailingBytes = size - pos;
    return c;
}

QByteArray writeRouteFile(const QVector<RouteRow>& records) {
    if (records.size() > MaxRouteRecords)
        throw RouteFileError("a route file holds at most 32767 records, not " +
                             std::to_string(records.size()));
    qsizetype total = RouteCountBytes;
    for (qsizetype i = 0; i < records.size(); ++i) {
        const qsizetype length = records.at(i).StopNameBytes.size();
        if (length > MaxStopNameBytes)
            throw RouteFileError("record " + std::to_string(i + 1) + ": the stop name is " +
                                 std::to_string(length) + " bytes long; at most 65535 fit");
        total += RouteRecordFixedBytes + length;
    }
    QByteArray out;
    out.reserve(total);
    appendInt16(out, static_cast<qint16>(records.size()));
    for (const RouteRow& row : records) {
        char b[2];
        qToLittleEndian<quint16>(static_cast<quint16>(row.StopNameBytes.size()), b);
        out.append(b, 2);
        out.append(row.StopNameBytes);
        appendInt16(out, row.TicketNumber);
        for (int k = 1; k <= DataColumnCount; ++k)
            appendInt16(out, row.DataColumns[k]);
    }
    return out;
}

} // namespace DataIo
