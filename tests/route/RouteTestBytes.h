#pragma once

// Builds route-file bytes by hand for the tests, independently of the writer under
// test: every value is laid out byte by byte, low byte first.

#include <QByteArray>
#include <QVector>
#include <utility>

namespace routetest {

inline void put16(QByteArray& out, int v) {
    out.append(static_cast<char>(v & 0xFF));
    out.append(static_cast<char>((v >> 8) & 0xFF));
}

// One record: name bytes, ticket number, and the columns given as (column, value)
// pairs; every other column is 0.
inline QByteArray record(const QByteArray& name, int ticket,
                         const QVector<std::pair<int, int>>& columns = {}) {
    QByteArray out;
    put16(out, static_cast<int>(name.size()));
    out.append(name);
    put16(out, ticket);
    QByteArray cols(300, '\0');
    for (const auto& [column, value] : columns) {
        cols[(column - 1) * 2] = static_cast<char>(value & 0xFF);
        cols[(column - 1) * 2 + 1] = static_cast<char>((value >> 8) & 0xFF);
    }
    out.append(cols);
    return out;
}

// A file of `count` records named "S1", "S2", ... with ticket number r and c1 = r * 10.
inline QByteArray numberedRoute(int count, int storedCount) {
    QByteArray out;
    put16(out, storedCount);
    for (int r = 1; r <= count; ++r)
        out.append(record(QByteArray("S") + QByteArray::number(r), r, {{1, r * 10}}));
    return out;
}

inline QByteArray numberedRoute(int count) {
    return numberedRoute(count, count);
}

} // namespace routetest
