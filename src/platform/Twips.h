#pragma once

#include <QPoint>
#include <QtGlobal>
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

// A position in twips as the nearest whole pixel (halves away from zero); defined for
// every 32-bit value.
constexpr int toPixelsNearest(qint32 twips) {
    const qint64 t = twips;
    return static_cast<int>(t >= 0 ? (t + kPerPixel / 2) / kPerPixel : -((-t + kPerPixel / 2) / kPerPixel));
}

// A position in pixels as twips, held to the 32-bit range of the settings file.
constexpr qint32 fromPixelsSaturated(qint64 pixels) {
    const qint64 t = pixels * kPerPixel;
    constexpr qint64 lowest = -2147483647 - 1;
    constexpr qint64 highest = 2147483647;
    return static_cast<qint32>(t < lowest ? lowest : (t > highest ? highest : t));
}

// A window position read from the settings file. While the window stays where that
// position put it, the position is saved back exactly as it was read (a value that is
// not a whole number of pixels, or that lies beyond what the screen can hold, survives
// loading and saving); once the window has moved, its new place is saved.
class KeptPosition {
public:
    // The pixel position for a saved one; remembers both.
    QPoint place(qint32 leftTwips, qint32 topTwips) {
        m_left = leftTwips;
        m_top = topTwips;
        m_pixels = QPoint(toPixelsNearest(leftTwips), toPixelsNearest(topTwips));
        m_set = true;
        return m_pixels;
    }
    // The position to save for a window now at `pixels`.
    qint32 leftAt(const QPoint& pixels) const {
        return m_set && pixels == m_pixels ? m_left : fromPixelsSaturated(pixels.x());
    }
    qint32 topAt(const QPoint& pixels) const {
        return m_set && pixels == m_pixels ? m_top : fromPixelsSaturated(pixels.y());
    }

private:
    bool m_set = false;
    qint32 m_left = 0;
    qint32 m_top = 0;
    QPoint m_pixels;
};

} // namespace twips
