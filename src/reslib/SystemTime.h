#pragma once

#include <QtGlobal>

// The date record of the library's date dialog, laid out as the Windows SYSTEMTIME
// structure: eight 16-bit fields, 16 bytes.
struct SystemTime {
    qint16 wYear = 0;
    qint16 wMonth = 0;
    qint16 wDayOfWeek = 0;
    qint16 wDay = 0;
    qint16 wHour = 0;
    qint16 wMinute = 0;
    qint16 wSecond = 0;
    qint16 wMilliseconds = 0;
};
static_assert(sizeof(SystemTime) == 16, "SYSTEMTIME is 16 bytes");
