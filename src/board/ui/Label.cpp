#include "board/ui/Label.h"

#include "platform/ui/Fonts.h"
#include "platform/ui/QtColor.h"

#include <QPainter>

Label::Label(QWidget* parent) : QLabel(parent) {
    setAttribute(Qt::WA_TranslucentBackground);
    setAutoFillBackground(false);
    setForeColor(0);
    applyFont();
}

void Label::ReadProperties(const PropertyBag& bag) {
    setText(props::text(bag, "Caption"));
    m_fontName = props::text(bag, "FontName", m_fontName);
    m_fontSize = bag.ReadProperty("FontSize", m_fontSize).toDouble();
    m_fontBold = props::boolean(bag, "FontBold", false);
    switch (props::int16(bag, "Alignment", 0)) {
    case 1:
        setAlignment(Qt::AlignRight | Qt::AlignTop);
        break;
    case 2:
        setAlignment(Qt::AlignHCenter | Qt::AlignTop);
        break;
    default:
        setAlignment(Qt::AlignLeft | Qt::AlignTop);
        break;
    }
    setForeColor(static_cast<std::uint32_t>(props::int32(bag, "ForeColor", 0)));
    applyFont();
}

void Label::setFontName(const QString& name) {
    m_fontName = name;
    applyFont();
}

void Label::setFontSize(double points) {
    m_fontSize = points;
    applyFont();
}

void Label::setFontBold(bool bold) {
    m_fontBold = bold;
    applyFont();
}

void Label::setForeColor(std::uint32_t color) {
    m_foreColor = color;
    QPalette pal = palette();
    pal.setColor(QPalette::WindowText, colorref::toQColor(color));
    setPalette(pal);
}

void Label::setScale(double scale) {
    m_scale = qMax(1.0, scale);
    applyFont();
}

void Label::applyFont() {
    setFont(fonts::uiFont(m_fontName, m_fontSize * m_scale, m_fontBold));
}

void Label::setInkCentred(const QMargins& inset) {
    m_inkCentred = true;
    m_inset = inset;
    update();
}

void Label::paintEvent(QPaintEvent* event) {
    if (!m_inkCentred) {
        QLabel::paintEvent(event);
        return;
    }
    const QString shown = text();
    if (shown.isEmpty())
        return;
    const QRectF tile = QRectF(rect()).adjusted(m_inset.left() * m_scale, m_inset.top() * m_scale,
                                                -m_inset.right() * m_scale, -m_inset.bottom() * m_scale);
    // A number taller than its band is drawn smaller, to fit.
    QFont shownFont = font();
    QRectF ink = QFontMetricsF(shownFont).tightBoundingRect(shown);
    if (ink.height() > tile.height() && ink.height() > 0) {
        shownFont.setPointSizeF(shownFont.pointSizeF() * tile.height() / ink.height());
        ink = QFontMetricsF(shownFont).tightBoundingRect(shown);
    }
    QPainter p(this);
    p.setRenderHint(QPainter::TextAntialiasing);
    p.setFont(shownFont);
    p.setPen(palette().color(QPalette::WindowText));
    // The baseline and start that put the ink's centre on the tile's centre.
    const QPointF at(tile.center().x() - ink.center().x(), tile.center().y() - ink.center().y());
    p.drawText(at, shown);
}
