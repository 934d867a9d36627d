#pragma once

#include "board/DigitText.h"
#include "board/DigitValue.h"
#include "platform/PropertyBag.h"
#include "platform/ui/Fonts.h"

#include <QImage>
#include <QPainterPath>
#include <QSet>
#include <QWidget>
#include <cstdint>

// A seven-segment numeric display: lit digits over a row of dim unlit "8"s.
// It draws onto a persistent surface; a repaint shows what was drawn last.
class M_Degit : public QWidget {
    Q_OBJECT
    // The properties a window that holds a display without knowing its class sets.
    Q_PROPERTY(uint BackColor READ BackColor WRITE setBackColor)
    Q_PROPERTY(uint BaseForeColor READ BaseForeColor WRITE setBaseForeColor)
    Q_PROPERTY(uint DegitForeColor READ DegitForeColor WRITE setDegitForeColor)
    Q_PROPERTY(int DegitSize READ degitSizeProperty WRITE setDegitSizeProperty)
public:
    // The size classes: width of one place, control height (twips), font size (pt).
    struct SizeClass {
        int placeTwips;
        int heightTwips;
        int pointSize;
    };
    static SizeClass sizeClass(int degitSize);

    static constexpr std::uint32_t kDefaultBaseForeColor = 9868950;  // RGB 150,150,150
    static constexpr std::uint32_t kDefaultDegitForeColor = 7525112; // RGB 248,210,114
    static constexpr std::uint32_t kDefaultBackColor = 8421504;      // RGB 128,128,128

    // A new instance without stored properties gets the defaults; with a bag, the
    // stored values are read as they are, without range rules and without drawing.
    explicit M_Degit(QWidget* parent = nullptr, const PropertyBag* stored = nullptr);

    std::uint32_t BaseForeColor() const { return m_baseForeColor; }
    void setBaseForeColor(std::uint32_t color);
    std::uint32_t DegitForeColor() const { return m_degitForeColor; }
    void setDegitForeColor(std::uint32_t color);
    qint16 FillZero() const { return m_fillZero; }
    void setFillZero(qint16 value);
    qint16 ZeroMode() const { return m_zeroMode; }
    void setZeroMode(qint16 value);
    qint16 Shift() const { return m_shift; }
    void setShift(qint16 value);
    qint16 Keta() const { return m_keta; }
    void setKeta(qint16 value);
    qint16 DegitSize() const { return m_degitSize; }
    void setDegitSize(qint16 value);
    int degitSizeProperty() const { return m_degitSize; }
    void setDegitSizeProperty(int value) { setDegitSize(static_cast<qint16>(value)); }
    qint16 DegitStyle() const { return m_degitStyle; }
    void setDegitStyle(qint16 value);
    const DigitValue& Value() const { return m_value; }
    void setValue(const DigitValue& value);
    void setValue(double number) { setValue(DigitValue::number(number)); }
    void setValue(const QString& text) { setValue(DigitValue::text(text)); }
    bool UserSet() const { return m_userSet; }
    void setUserSet(bool value);
    std::uint32_t BackColor() const { return m_backColor; }
    void setBackColor(std::uint32_t color);
    WId hwnd() { return winId(); }
    // Drawn larger for a big screen: every size times `scale` (1 as designed); the
    // digits are drawn afresh at that size, never stretched.
    double scale() const { return m_scale; }
    void setScale(double scale);

    std::int32_t CharExtra() const { return m_charExtra; }
    // The display drawn elsewhere (the board page): one place's size as designed (scale
    // 1), and a character's outline in such a place as this display draws it.
    QSize designPlaceSize() const;
    QPainterPath placeOutline(QChar c) const;
    bool BoldDigits() const { return m_boldDigits; }

    // Opens the display-format dialog; stores the three values it returns and
    // redraws. Returns the dialog's result (1 = confirmed).
    std::int32_t ShowSetDlg();
    // Lamp test (all segments lit) or blank, leaving the format as it was.
    void ResetDegit(bool lampTest);
    // Draws a value with the given unlit and lit colours.
    void DrawDegit(const DigitValue& value, std::uint32_t unlitColor, std::uint32_t litColor);

    // What each place shows since the last drawing: exactly Keta characters, a space
    // where only the unlit "8" shows.
    const QString& shownPlaces() const { return m_shownPlaces; }
    DisplayFormat format() const;
    const QImage& surface() const { return m_surface; }

    void InitProperties();
    void ReadProperties(const PropertyBag& bag);
    void WriteProperties(PropertyBag& bag) const;
    // Properties written since creation (for saving a design).
    const QSet<QString>& changedProperties() const { return m_changed; }

signals:
    void DblClick();

protected:
    void paintEvent(QPaintEvent* event) override;
    void resizeEvent(QResizeEvent* event) override;
    void mouseDoubleClickEvent(QMouseEvent* event) override;

private:
    void propertyChanged(const char* name) { m_changed.insert(QString::fromLatin1(name)); }
    void redraw() { DrawDegit(m_value, m_baseForeColor, m_degitForeColor); }
    void resizeToClass();
    void clearSurface();
    fonts::DigitFace face() const;
    int scaled(int pixels) const { return qRound(pixels * m_scale); }

    double m_scale = 1.0;
    bool m_userSet = true;
    std::uint32_t m_baseForeColor = 0;
    std::uint32_t m_degitForeColor = 0;
    qint16 m_fillZero = 0;
    qint16 m_zeroMode = 0;
    qint16 m_shift = 0;
    qint16 m_keta = 0;
    qint16 m_degitSize = 0;
    qint16 m_degitStyle = 0;
    DigitValue m_value;
    std::int32_t m_charExtra = 0;
    bool m_boldDigits = true;
    std::uint32_t m_backColor = kDefaultBackColor;

    QImage m_surface;
    QString m_shownPlaces;
    QSet<QString> m_changed;
};
