#pragma once

#include <QString>
#include <cstdint>

// Colours are stored as 32-bit values 0x00BBGGRR, as in the settings file and the
// stored designs.
namespace colorref {

constexpr std::uint32_t rgb(int r, int g, int b) {
    return static_cast<std::uint32_t>((r & 0xFF) | ((g & 0xFF) << 8) | ((b & 0xFF) << 16));
}

constexpr int red(std::uint32_t c) {
    return static_cast<int>(c & 0xFF);
}
constexpr int green(std::uint32_t c) {
    return static_cast<int>((c >> 8) & 0xFF);
}
constexpr int blue(std::uint32_t c) {
    return static_cast<int>((c >> 16) & 0xFF);
}

// "#RRGGBB", as the automation tool prints and reads colours.
inline QString toHex(std::uint32_t c) {
    return QStringLiteral("#%1%2%3")
        .arg(red(c), 2, 16, QLatin1Char('0'))
        .arg(green(c), 2, 16, QLatin1Char('0'))
        .arg(blue(c), 2, 16, QLatin1Char('0'))
        .toUpper();
}

} // namespace colorref
