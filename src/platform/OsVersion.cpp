#include "platform/OsVersion.h"

#include <QOperatingSystemVersion>

OsVersionInfo queryOsVersion() {
    OsVersionInfo info;
    const QOperatingSystemVersion current = QOperatingSystemVersion::current();
    info.majorVersion = current.majorVersion() > 4 ? static_cast<std::uint32_t>(current.majorVersion()) : 10u;
    info.minorVersion = static_cast<std::uint32_t>(qMax(0, current.minorVersion()));
    info.platformId = 2;
    return info;
}
