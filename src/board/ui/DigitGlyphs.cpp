#include "board/ui/DigitGlyphs.h"

#include <QPainter>
#include <QPainterPath>

DigitGlyphs& DigitGlyphs::instance() {
    static DigitGlyphs glyphs;
    return glyphs;
}

const QImage& DigitGlyphs::mask(fonts::DigitFace face, bool bold, int pointSize, QSize place, QChar c) {
    const Key key{static_cast<int>(face), bold, pointSize, place.width(), place.height(), c.unicode()};
    auto it = m_cache.find(key);
    if (it == m_cache.end())
        it = m_cache.insert(key, render(face, bold, pointSize, place, c));
    return it.value();
}

const QImage& DigitGlyphs::tinted(fonts::DigitFace face, bool bold, int pointSize, QSize place, QChar c,
                                  QRgb color) {
    const Key key{static_cast<int>(face), bold, pointSize, place.width(), place.height(), c.unicode()};
    const TintKey tkey{key, color};
    auto it = m_tinted.find(tkey);
    if (it != m_tinted.end())
        return it.value();
    const QImage& m = mask(face, bold, pointSize, place, c);
    QImage out;
    if (!m.isNull()) {
        out = QImage(m.size(), QImage::Format_ARGB32_Premultiplied);
        out.fill(QColor::fromRgb(color));
        QPainter p(&out);
        p.setCompositionMode(QPainter::CompositionMode_DestinationIn);
        p.drawImage(0, 0, m);
    }
    if (m_tinted.size() > 4096)
        m_tinted.clear();
    return m_tinted.insert(tkey, out).value();
}

namespace {

// A character's outline at the reference size and the transform that fits it in its
// place; an empty outline when nothing is drawn.
QPainterPath fitted(fonts::DigitFace face, bool bold, int pointSize, QSize place, QChar c, QTransform& fit) {
    if (c.isSpace() || c == fonts::kDigitBlank || place.isEmpty())
        return QPainterPath();
    // Outlines are taken at a large size and scaled down, so the fit does not depend
    // on how the face is hinted at small sizes.
    const int reference = 200;
    const QFont font = fonts::digitFont(face, bold, reference);
    QPainterPath eight;
    eight.addText(0, 0, font, QStringLiteral("8"));
    QPainterPath glyph;
    glyph.addText(0, 0, font, QString(c));
    const QRectF box = eight.boundingRect();
    if (box.isEmpty())
        return QPainterPath();

    // The point size sets the digit height as a share of the place: the larger
    // classes fill their place a little more, as the real faces do.
    const double nominalPx = pointSize * 96.0 / 72.0;
    const double maxHeight = place.height() - 2.0;
    const double maxWidth = place.width() - 2.0;
    double scale = qMin(maxHeight / box.height(), maxWidth / box.width());
    scale = qMin(scale, nominalPx * 0.8 / box.height());
    const double dx = (place.width() - box.width() * scale) / 2.0 - box.left() * scale;
    const double dy = (place.height() - box.height() * scale) / 2.0 - box.top() * scale;
    fit = QTransform();
    fit.translate(dx, dy);
    fit.scale(scale, scale);
    return glyph;
}

} // namespace

QPainterPath DigitGlyphs::outline(fonts::DigitFace face, bool bold, int pointSize, QSize place, QChar c) {
    QTransform fit;
    const QPainterPath glyph = fitted(face, bold, pointSize, place, c, fit);
    return fit.map(glyph);
}

QImage DigitGlyphs::render(fonts::DigitFace face, bool bold, int pointSize, QSize place, QChar c) const {
    QTransform fit;
    const QPainterPath glyph = fitted(face, bold, pointSize, place, c, fit);
    if (glyph.isEmpty())
        return QImage();
    QImage image(place, QImage::Format_Alpha8);
    image.fill(0);
    QPainter p(&image);
    p.setRenderHint(QPainter::Antialiasing, true);
    // Painted through the transform (not a mapped outline): the rasteriser's rounding
    // at the reference size is what the board has always shown.
    p.setTransform(fit);
    p.fillPath(glyph, Qt::black);
    p.end();
    return image;
}
