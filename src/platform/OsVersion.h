#pragma once

#include <cstdint>

// The operating-system version record, as the controls query it at creation.
struct OsVersionInfo {
    std::uint32_t majorVersion = 0;
    std::uint32_t minorVersion = 0;
    std::uint32_t buildNumber = 0;
    std::uint32_t platformId = 0; // 1 = the old 9x family, 2 = the NT family
};

// This platform always reports the NT family (no extra character spacing, bold digits).
OsVersionInfo queryOsVersion();
