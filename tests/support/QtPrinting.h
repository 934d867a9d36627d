#pragma once

// Lets GoogleTest print Qt texts in failure messages.
#include <QByteArray>
#include <QString>
#include <ostream>

inline std::ostream& operator<<(std::ostream& os, const QString& s) {
    return os << s.toStdString();
}

inline void PrintTo(const QString& s, std::ostream* os) {
    *os << '"' << s.toStdString() << '"';
}

inline void PrintTo(const QByteArray& b, std::ostream* os) {
    *os << b.toHex(' ').toStdString();
}
