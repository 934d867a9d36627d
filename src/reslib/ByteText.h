#pragma once

#include <QByteArray>
#include <QString>
#include <QtGlobal>

// Byte-wise text functions over the Japanese ANSI code page (cp932). Texts that come
// in as QString are measured and cut by their cp932 bytes; the results are bytes, so
// that a cut through a double-byte character keeps both halves as they are.

qint32 LenB_ASCII(const QByteArray& bytes);
qint32 LenB_ASCII(const QString& text);

// `count` bytes from the 1-based byte `start`. Empty when `start` lies past the end;
// shorter when fewer bytes remain. A start below 1 is taken as 1; a negative count
// as 0.
QByteArray MidB_ASCII(const QByteArray& bytes, qint32 start, qint32 count);
QByteArray MidB_ASCII(const QString& text, qint32 start, qint32 count);
