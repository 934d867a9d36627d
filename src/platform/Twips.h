#pragma once

#include <cmath>

// Window and control geometry is kept in twips, as in the stored designs and the
// settings file; the screen works in pixels at a fixed 15 twips per pixel.
namespace twips {

inline constexpr int kPerPixel = 15;

constexpr int toPixels(int twips) {
    return twips / kPerPixel;
}
constexpr int fromPixels(int pixels) {
    return pixels * kPerPixel;
}
inline int toPixelsRounded(double twips) {
    return static_cast<int>(std::lround(twips / kPerPixel));
}

} // namespace twips
