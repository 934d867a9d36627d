#include "board/ui/Label.h"

#include "platform/ui/Fonts.h"
#include "platform/ui/QtColor.h"

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
