#pragma once

#include "platform/ui/Fonts.h"

#include <QChar>
#include <QHash>
#include <QImage>
#include <QPainterPath>
#include <QSize>

namespace digitglyphs {
struct Key {
    int face;
    bool bold;
    int pointSize;
    int width;
    int height;
    char16_t ch;
    bool operator==(const Key&) const = default;
};
inline size_t qHash(const Key& k, size_t hashSeed = 0) {
    return qHashMulti(hashSeed, k.face, k.bold, k.pointSize, k.width, k.height, k.ch);
}
struct TintKey {
    Key key;
    QRgb color;
    bool operator==(const TintKey&) const = default;
};
inline size_t qHash(const TintKey& k, size_t hashSeed = 0) {
    return qHashMulti(hashSeed, k.key, k.color);
}
} // namespace digitglyphs

// Seven-segment glyphs fitted to one digit place. Every character of a face is
// placed with the transform that fits that face's "8" into the place, so a lit
// character always falls exactly on the unlit "8" of its place.
class DigitGlyphs {
public:
    static DigitGlyphs& instance();

    // An alpha mask of the place size; empty for a blank character.
    const QImage& mask(fonts::DigitFace face, bool bold, int pointSize, QSize place, QChar c);

    // The mask filled with a colour, ready to draw; cached as well.
    const QImage& tinted(fonts::DigitFace face, bool bold, int pointSize, QSize place, QChar c, QRgb color);

    // The outline a character is drawn with in a place of that size, in the place's
    // pixels; empty for a blank character.
    static QPainterPath outline(fonts::DigitFace face, bool bold, int pointSize, QSize place, QChar c);

    void clear() {
        m_cache.clear();
        m_tinted.clear();
    }

private:
    using Key = digitglyphs::Key;
    using TintKey = digitglyphs::TintKey;

    QImage render(fonts::DigitFace face, bool bold, int pointSize, QSize place, QChar c) const;

    QHash<Key, QImage> m_cache;
    QHash<TintKey, QImage> m_tinted;
};
