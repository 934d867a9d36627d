#pragma once

#include "platform/PropertyBag.h"
#include "stopname/ChimeiLayout.h"
#include "stopname/DotCell.h"
#include "stopname/ScrollMotion.h"

#include <QElapsedTimer>
#include <QSet>
#include <QString>
#include <QTimer>
#include <QWidget>
#include <cstdint>

namespace chimei {
class GlyphSource;
}

// The stop-name panel: a narrow vertical strip on which the name of the next stop is
// shown in 16 x 16 dot cells stacked top to bottom. A name of up to six cells stands
// still; a longer one scrolls upwards without end until the next name is set.
//
// It is made of three surfaces, all in pixels:
//  - Picture2, the visible frame: back colour, border (the control's Appearance) and
//    the viewport that clips the strip;
//  - Picture1, the strip: a persistent one-bit image 37 pixels wide, moved
//    vertically inside the frame's viewport; lit dots in ForeColor, the rest in
//    BackColor;
//  - Picture3, the hidden 16 x 16 work surface one cell is printed on.
//
// The scroll runs from a timer on the user-interface thread: SetChimei draws the name
// and returns at once, and the strip advances by the time that has passed.
class ChimeiCtl_B : public QWidget {
    Q_OBJECT
public:
    // Stored defaults.
    static constexpr std::uint32_t kDefaultBackColor = 8421504; // &H808080
    static constexpr std::uint32_t kDefaultForeColor = 48895;   // &H00BEFF
    static constexpr qint16 kDefaultSpeed = 5;
    static constexpr qint32 kDefaultScrollStartWait = 1500;
    static constexpr qint16 kDefaultMode = 2;
    static constexpr qint16 kDefaultAppearance = 1;
    static constexpr qint16 kDefaultFontMode = 0;
    static constexpr bool kDefaultFontBold = false;
    // The colours of the surfaces as designed (a new instance keeps them).
    static constexpr std::uint32_t kDesignBackColor = 0x404040;
    static constexpr std::uint32_t kDesignForeColor = 0x0080C0FF;
    static constexpr int kDesignFrameWidth = 36;
    static constexpr int kDesignFrameHeight = 192;

    // A new instance without stored properties gets the defaults; with a bag, the
    // stored values are read as they are.
    explicit ChimeiCtl_B(QWidget* parent = nullptr, const PropertyBag* stored = nullptr);
    ~ChimeiCtl_B() override;

    // The strip's back colour; a let gives the frame the same colour.
    std::uint32_t BackColor() const { return m_pic1BackColor; }
    void setBackColor(std::uint32_t color);
    // The colour of lit dots.
    std::uint32_t ForeColor() const { return m_pic1ForeColor; }
    void setForeColor(std::uint32_t color);
    // Repaints the strip.
    void Refresh();
    // Scroll step factor: the strip rises Speed / 200 pixels per pass. No range check.
    qint16 Speed() const { return m_speed; }
    void setSpeed(qint16 value);
    // Pause before each scroll cycle, in milliseconds. No range check.
    qint32 ScrollStartWait() const { return m_scrollStartWait; }
    void setScrollStartWait(qint32 milliseconds);
    // Draws one cell (cp932 bytes) with its top-left dot at (X, Y) on the strip. A
    // long-vowel mark "ー" is drawn, and left in Cell, as the vertical stroke "丨".
    void DrawDot16(qint32& X, qint32& Y, QByteArray& Cell);
    void DrawDot16(qint32& X, qint32& Y, QString& Cell);
    // Shows a stop name; the empty name blanks the panel. A name of seven cells or
    // more starts the scroll, which runs until the next call.
    void SetChimei(const QString& Name);
    // Spacing rule for two-cell names (2: 48 / 64, anything else 32 / 96).
    qint16 Mode() const { return m_mode; }
    void setMode(qint16 value);
    // The frame's border: 0 flat (no border), 1 3-D. A let also sizes the frame: flat
    // 35 x 185, 3-D 37 x 195 pixels. Other values are refused (false, nothing changes),
    // as the frame has no such border.
    qint16 Appearance() const { return m_pic2BorderStyle; }
    bool setAppearance(qint16 value);
    // Which face each character class uses (0..4; any other value is Gothic for all).
    qint16 FontMode() const { return m_fontMode; }
    void setFontMode(qint16 value);
    bool FontBold() const { return m_fontBold; }
    void setFontBold(bool value);

    void InitProperties();
    void ReadProperties(const PropertyBag& bag);
    void WriteProperties(PropertyBag& bag) const;
    // Properties let since creation (for saving a design).
    const QSet<QString>& changedProperties() const { return m_changed; }

    // What the panel holds, for automation and tests.
    // The name last handed to SetChimei.
    const QString& stopName() const { return m_stopName; }
    // The strip as text: one line per pixel row, '#' lit, '.' not, then "top=N", the
    // strip's top inside the frame in pixels. Lines are separated by '\n'; there is no
    // newline after the last one.
    QString dots() const;
    // The strip's top inside the frame: as shown (whole pixels) and as kept.
    int stripTop() const;
    float stripTopExact() const { return m_pic1Top; }
    int stripHeight() const { return m_strip.height(); }
    const chimei::StripImage& strip() const { return m_strip; }
    // True when no scroll is running (set after every name is drawn, false while a long
    // name scrolls).
    bool StopScroll() const { return m_stopScroll; }
    bool isScrolling() const { return m_motion.isActive(); }
    chimei::ScrollMotion::Phase scrollPhase() const { return m_motion.phase(); }
    // The frame (Picture2) and its state.
    QWidget* Picture2() const;
    QSize frameSize() const;
    std::uint32_t frameBackColor() const { return m_pic2BackColor; }
    // The work surface (Picture3) as the last cell left it.
    const chimei::GlyphSurface& Picture3() const { return m_picture3; }

    // The glyph source cells are printed with (the shared system one by default).
    void setGlyphSource(chimei::GlyphSource* source);

    QSize sizeHint() const override;

    // Drawn larger for a big screen: every dot a square (or circle) of `scale` pixels;
    // the strip's own logic stays in its design's pixels.
    double scale() const { return m_scale; }
    void setScale(double scale);
    // Round dots instead of square ones; a faint glow of the unlit dots.
    void setDotLook(bool round, bool glow);

private:
    class Frame;

    void propertyChanged(const char* name) { m_changed.insert(QString::fromLatin1(name)); }
    void paintFrame(QWidget& frame);
    int borderWidth() const { return m_pic2BorderStyle == 0 ? 0 : 2; }
    void applyScale();
    void moveStrip(float top);
    void startScroll();
    void scheduleTick();
    void scrollTick();
    int tickInterval() const;
    chimei::GlyphSource& glyphs() const;

    // Picture1, the strip.
    chimei::StripImage m_strip;
    std::uint32_t m_pic1BackColor = kDesignBackColor;
    std::uint32_t m_pic1ForeColor = kDesignForeColor;
    int m_pic1Left = 0;
    float m_pic1Top = 0;
    // Picture2, the frame.
    Frame* m_picture2 = nullptr;
    QSize m_frameSize;
    double m_scale = 1.0;
    bool m_roundDots = false;
    bool m_glow = false;
    std::uint32_t m_pic2BackColor = kDesignBackColor;
    qint16 m_pic2BorderStyle = kDefaultAppearance;
    // Picture3, the work surface.
    chimei::GlyphSurface m_picture3;
    bool m_picture3Bold = false;

    bool m_fontBold = kDefaultFontBold;
    qint16 m_fontMode = kDefaultFontMode;
    qint16 m_mode = kDefaultMode;
    qint32 m_scrollStartWait = kDefaultScrollStartWait;
    qint16 m_speed = kDefaultSpeed;
    bool m_stopScroll = true;

    QString m_stopName;
    QSet<QString> m_changed;
    chimei::ScrollMotion m_motion;
    QTimer m_scrollTimer;
    QElapsedTimer m_clock;
    chimei::GlyphSource* m_glyphs = nullptr;
};
