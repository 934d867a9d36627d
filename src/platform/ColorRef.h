#pragma once

#include <QColor>
#include <QString>
#include <cstdint>

// Colours are stored as 32-bit values 0x00BBGGRR, as in the settings file and the
// stored designs.
namespace colorref {

constexpr std::uint32_t rgb(int r, int g, int b) {
    return static_cast<std::uint32_t>((r & 0xFF) | ((g & 0xFF) << 8) | ((b & 0xFF) << 16));
}

inline QColor toQColor(std::uint32_t c) {
    return QColor(c & 0xFF, (c >> 8) & 0xFF, (c >> 16) & 0xFF);
}
inline std::uint32_t fromQColor(const QColor& c) {
    return rgb(c.red(), c.green(), c.blue());
}

// "#RRGGBB", as the automation tool prints and reads colours.
inline QString toHex(std::uint32_t c) {
    return toQColor(c).name(QColor::HexRgb).toUpper();
}

} // namespace colorref
