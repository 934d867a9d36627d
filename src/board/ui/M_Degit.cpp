#include "board/ui/M_Degit.h"

#include "board/ui/DigitGlyphs.h"
#include "platform/OsVersion.h"
#include "platform/Twips.h"
#include "platform/ui/DesignWidgets.h"
#include "platform/ui/QtColor.h"
#include "reslib/ui/DigitFormatDialog.h"

#include <QMouseEvent>
#include <QPainter>

namespace {

// Any window built from a design may hold a display ("M_Degit").
[[maybe_unused]] const bool kRegistered =
    designui::registerKind(QStringLiteral("M_Degit"), [](const DesignNode&, QWidget* parent) {
        return static_cast<QWidget*>(new M_Degit(parent));
    });

} // namespace

M_Degit::SizeClass M_Degit::sizeClass(int degitSize) {
    switch (degitSize) {
    case 1:
        return {255, 390, 24};
    case 2:
        return {285, 435, 27};
    case 3:
        return {165, 225, 14};
    default:
        return {195, 300, 18};
    }
}

M_Degit::M_Degit(QWidget* parent, const PropertyBag* stored) : QWidget(parent) {
    setAttribute(Qt::WA_OpaquePaintEvent);
    const OsVersionInfo os = queryOsVersion();
    if (os.platformId == 1 || os.majorVersion == 4) {
        m_charExtra = 1;
        m_boldDigits = false;
    } else {
        m_charExtra = 0;
        m_boldDigits = true;
    }
    // Keta is still 0 here: this only clears the surface and sets the font.
    DrawDegit(DigitValue::text(QStringLiteral("0")), m_baseForeColor, m_degitForeColor);
    if (stored)
        ReadProperties(*stored);
    else
        InitProperties();
}

void M_Degit::InitProperties() {
    m_baseForeColor = kDefaultBaseForeColor;
    m_degitForeColor = kDefaultDegitForeColor;
    m_fillZero = 0;
    m_zeroMode = 0;
    m_shift = 0;
    m_keta = 4;
    m_degitSize = 0;
    m_degitStyle = 0;
    m_value = DigitValue::number(0);
    m_userSet = true;
    m_backColor = kDefaultBackColor;
    const SizeClass c = sizeClass(m_degitSize);
    resize(twips::toPixels(c.placeTwips * m_keta), twips::toPixels(c.heightTwips));
    m_shownPlaces = QString(m_keta, QLatin1Char(' '));
}

void M_Degit::ReadProperties(const PropertyBag& bag) {
    m_baseForeColor = static_cast<std::uint32_t>(props::int32(bag, "BaseForeColor", kDefaultBaseForeColor));
    m_degitForeColor =
        static_cast<std::uint32_t>(props::int32(bag, "DegitForeColor", kDefaultDegitForeColor));
    m_fillZero = props::int16(bag, "FillZero", 0);
    m_zeroMode = props::int16(bag, "ZeroMode", 0);
    m_shift = props::int16(bag, "Shift", 0);
    m_keta = props::int16(bag, "Keta", 4);
    m_degitSize = props::int16(bag, "DegitSize", 0);
    m_degitStyle = props::int16(bag, "DegitStyle", 0);
    m_value = DigitValue::fromVariant(bag.ReadProperty("Value", 0));
    m_userSet = props::boolean(bag, "UserSet", true);
    m_backColor = static_cast<std::uint32_t>(props::int32(bag, "BackColor", kDefaultBackColor));
    clearSurface();
    // Nothing is drawn yet: no place shows a lit character.
    m_shownPlaces = QString(qBound<int>(0, m_keta, 15), QLatin1Char(' '));
}

void M_Degit::WriteProperties(PropertyBag& bag) const {
    bag.WriteProperty("BaseForeColor", static_cast<qint32>(m_baseForeColor),
                      static_cast<qint32>(kDefaultBaseForeColor));
    bag.WriteProperty("DegitForeColor", static_cast<qint32>(m_degitForeColor),
                      static_cast<qint32>(kDefaultDegitForeColor));
    bag.WriteProperty("FillZero", m_fillZero, 0);
    bag.WriteProperty("ZeroMode", m_zeroMode, 0);
    bag.WriteProperty("Shift", m_shift, 0);
    bag.WriteProperty("Keta", m_keta, 4);
    bag.WriteProperty("DegitSize", m_degitSize, 0);
    bag.WriteProperty("DegitStyle", m_degitStyle, 0);
    bag.WriteProperty("Value", m_value.toVariant(), 0);
    bag.WriteProperty("UserSet", m_userSet, true);
    bag.WriteProperty("BackColor", static_cast<qint32>(m_backColor), static_cast<qint32>(kDefaultBackColor));
}

void M_Degit::setBaseForeColor(std::uint32_t color) {
    m_baseForeColor = color;
    propertyChanged("BaseForeColor");
    redraw();
}

void M_Degit::setDegitForeColor(std::uint32_t color) {
    m_degitForeColor = color;
    propertyChanged("DegitForeColor");
    redraw();
}

void M_Degit::setFillZero(qint16 value) {
    m_fillZero = value > m_keta ? m_keta : value;
    propertyChanged("FillZero");
}

void M_Degit::setZeroMode(qint16 value) {
    m_zeroMode = value >= 4 ? 0 : value;
    propertyChanged("ZeroMode");
}

void M_Degit::setShift(qint16 value) {
    qint16 v = value > m_keta - 1 ? static_cast<qint16>(m_keta - 1) : value;
    if (v < 0)
        v = 0;
    m_shift = v;
    propertyChanged("Shift");
}

void M_Degit::setKeta(qint16 value) {
    m_keta = (value < 1 || value > 15) ? 4 : value;
    propertyChanged("Keta");
    resizeToClass();
}

void M_Degit::setDegitSize(qint16 value) {
    m_degitSize = (value == 1 || value == 2 || value == 3) ? value : 0;
    propertyChanged("DegitSize");
    resizeToClass();
}

void M_Degit::setDegitStyle(qint16 value) {
    m_degitStyle = value;
    propertyChanged("DegitStyle");
    redraw();
}

void M_Degit::setValue(const DigitValue& value) {
    m_value = value;
    propertyChanged("Value");
    redraw();
}

void M_Degit::setUserSet(bool value) {
    m_userSet = value;
    propertyChanged("UserSet");
}

void M_Degit::setBackColor(std::uint32_t color) {
    m_backColor = color;
    propertyChanged("BackColor");
    redraw();
}

DisplayFormat M_Degit::format() const {
    return DisplayFormat{m_keta, m_zeroMode, m_shift, m_fillZero};
}

fonts::DigitFace M_Degit::face() const {
    switch (m_degitStyle) {
    case 1:
        return fonts::DigitFace::B;
    case 2:
        return fonts::DigitFace::C;
    default:
        return fonts::DigitFace::A;
    }
}

void M_Degit::resizeToClass() {
    const SizeClass c = sizeClass(m_degitSize);
    resize(scaled(twips::toPixels(c.placeTwips * m_keta)), scaled(twips::toPixels(c.heightTwips)));
    redraw();
}

void M_Degit::setScale(double scale) {
    const double s = qBound(1.0, scale, 16.0);
    if (qFuzzyCompare(s, m_scale))
        return;
    m_scale = s;
    resizeToClass();
}

void M_Degit::clearSurface() {
    if (m_surface.size() != size())
        m_surface = QImage(size().expandedTo(QSize(1, 1)), QImage::Format_RGB32);
    m_surface.fill(colorref::toQColor(m_backColor));
    update();
}

std::int32_t M_Degit::ShowSetDlg() {
    qint32 zeroMode = m_zeroMode;
    qint32 shift = m_shift;
    qint32 fillZero = m_fillZero;
    const qint32 result = Call_dlg100(this, m_keta, zeroMode, shift, fillZero);
    m_zeroMode = static_cast<qint16>(zeroMode);
    m_shift = static_cast<qint16>(shift);
    m_fillZero = static_cast<qint16>(fillZero);
    redraw();
    return result;
}

QSize M_Degit::designPlaceSize() const {
    return QSize(twips::toPixels(sizeClass(m_degitSize).placeTwips), qRound(height() / m_scale));
}

QPainterPath M_Degit::placeOutline(QChar c) const {
    return DigitGlyphs::outline(face(), m_boldDigits, sizeClass(m_degitSize).pointSize, designPlaceSize(), c);
}

void M_Degit::ResetDegit(bool lampTest) {
    const qint16 shift = m_shift;
    const qint16 zeroMode = m_zeroMode;
    const qint16 fillZero = m_fillZero;
    setShift(0);
    setZeroMode(0);
    setFillZero(0);
    setValue(lampTest ? QString(qMax<qint16>(m_keta, 0), QLatin1Char('8')) : QString());
    setShift(shift);
    setZeroMode(zeroMode);
    setFillZero(fillZero);
}

void M_Degit::DrawDegit(const DigitValue& value, std::uint32_t unlitColor, std::uint32_t litColor) {
    // Steps 1-5: the zero rule, the zero fill and the shift make the text.
    const DigitValue v = value;
    const SizeClass cls = sizeClass(m_degitSize);
    const QString text = digittext::shownText(v, format());

    // Step 6: clear the surface.
    clearSurface();

    // Step 8: the last Keta characters, right-aligned over the places.
    const int keta = qMax<int>(0, m_keta);
    const QString t = text.right(keta);
    m_shownPlaces = digittext::placesOfText(t, keta);
    if (keta == 0)
        return;

    const int placeWidth = scaled(twips::toPixels(cls.placeTwips));
    const int charExtra = scaled(m_charExtra);
    const int pointSize = scaled(cls.pointSize);
    const QSize place(placeWidth, m_surface.height());
    DigitGlyphs& glyphs = DigitGlyphs::instance();
    const fonts::DigitFace f = face();

    QPainter p(&m_surface);
    // Step 9: the unlit row of "8"s; step 10: the lit text, right-aligned. Every
    // character takes one place, the extra spacing lying between the places.
    const QRgb unlit = colorref::toQColor(unlitColor).rgb();
    const QRgb lit = colorref::toQColor(litColor).rgb();
    const QImage& eight = glyphs.tinted(f, m_boldDigits, pointSize, place, QLatin1Char('8'), unlit);
    const auto stamp = [&](const QImage& image, int x) {
        if (!image.isNull())
            p.drawImage(x, 0, image);
    };
    for (int i = 0; i < keta; ++i)
        stamp(eight, i * (placeWidth + charExtra));
    const int first = keta - static_cast<int>(t.size());
    for (int j = 0; j < t.size(); ++j) {
        const QChar c = t.at(j);
        if (c.isSpace())
            continue;
        stamp(glyphs.tinted(f, m_boldDigits, pointSize, place, c, lit),
              (first + j) * (placeWidth + charExtra));
    }
}

void M_Degit::paintEvent(QPaintEvent*) {
    QPainter p(this);
    p.drawImage(0, 0, m_surface);
}

void M_Degit::resizeEvent(QResizeEvent* event) {
    QWidget::resizeEvent(event);
    if (m_surface.size() != size()) {
        m_surface = QImage(size().expandedTo(QSize(1, 1)), QImage::Format_RGB32);
        m_surface.fill(colorref::toQColor(m_backColor));
    }
}

void M_Degit::mouseDoubleClickEvent(QMouseEvent* event) {
    if (event->button() == Qt::LeftButton)
        emit DblClick();
}
