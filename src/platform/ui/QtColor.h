#pragma once

#include "platform/ColorRef.h"

#include <QColor>

// Colours of the settings and designs (0x00BBGGRR) as the widgets take them.
namespace colorref {

inline QColor toQColor(std::uint32_t c) {
    return QColor(red(c), green(c), blue(c));
}
inline std::uint32_t fromQColor(const QColor& c) {
    return rgb(c.red(), c.green(), c.blue());
}

} // namespace colorref
