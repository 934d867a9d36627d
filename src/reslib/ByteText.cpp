#include "reslib/ByteText.h"

#include "platform/Cp932.h"

qint32 LenB_ASCII(const QByteArray& bytes) {
    return static_cast<qint32>(bytes.size());
}

qint32 LenB_ASCII(const QString& text) {
    return LenB_ASCII(cp932::encode(text));
}

QByteArray MidB_ASCII(const QByteArray& bytes, qint32 start, qint32 count) {
    if (count <= 0)
        return {};
    const qint64 from = qMax<qint64>(1, start) - 1;
    if (from >= bytes.size())
        return {};
    const qint64 len = qMin<qint64>(count, bytes.size() - from);
    return bytes.mid(static_cast<qsizetype>(from), static_cast<qsizetype>(len));
}

QByteArray MidB_ASCII(const QString& text, qint32 start, qint32 count) {
    return MidB_ASCII(cp932::encode(text), start, count);
}
