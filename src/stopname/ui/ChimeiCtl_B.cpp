#include "stopname/ui/ChimeiCtl_B.h"

#include "platform/Cp932.h"
#include "platform/ui/QtColor.h"
#include "stopname/GlyphSource.h"

#include <QPainter>
#include <algorithm>
#include <cmath>
#include <limits>

// The visible frame. It paints its back colour, the part of the strip that lies in
// its viewport, and its border.
class ChimeiCtl_B::Frame : public QWidget {
public:
    explicit Frame(ChimeiCtl_B* owner) : QWidget(owner), m_owner(owner) {
        setAttribute(Qt::WA_OpaquePaintEvent);
        setObjectName(QStringLiteral("Picture2"));
    }

protected:
    void paintEvent(QPaintEvent*) override { m_owner->paintFrame(*this); }

private:
    ChimeiCtl_B* m_owner;
};

ChimeiCtl_B::ChimeiCtl_B(QWidget* parent, const PropertyBag* stored) : QWidget(parent) {
    m_picture2 = new Frame(this);
    m_picture2->setGeometry(0, 0, kDesignFrameWidth, kDesignFrameHeight);
    m_frameSize = m_picture2->size();
    m_strip.setHeight(chimei::kStripHeight);
    resize(kDesignFrameWidth, kDesignFrameHeight);
    m_scrollTimer.setSingleShot(true);
    m_scrollTimer.setTimerType(Qt::PreciseTimer);
    connect(&m_scrollTimer, &QTimer::timeout, this, &ChimeiCtl_B::scrollTick);
    m_clock.start();
    if (stored)
        ReadProperties(*stored);
    else
        InitProperties();
    // Every instance, new or loaded: the frame takes the strip's back colour.
    m_pic2BackColor = m_pic1BackColor;
}

ChimeiCtl_B::~ChimeiCtl_B() = default;

void ChimeiCtl_B::InitProperties() {
    m_speed = kDefaultSpeed;
    m_scrollStartWait = kDefaultScrollStartWait;
    m_mode = kDefaultMode;
    m_fontMode = kDefaultFontMode;
    m_fontBold = kDefaultFontBold;
}

void ChimeiCtl_B::ReadProperties(const PropertyBag& bag) {
    m_pic1BackColor = static_cast<std::uint32_t>(props::int32(bag, "BackColor", kDefaultBackColor));
    m_pic2BackColor = static_cast<std::uint32_t>(props::int32(bag, "BackColor", kDefaultBackColor));
    m_pic1ForeColor = static_cast<std::uint32_t>(props::int32(bag, "ForeColor", kDefaultForeColor));
    m_speed = props::int16(bag, "Speed", kDefaultSpeed);
    m_scrollStartWait = props::int32(bag, "ScrollStartWait", kDefaultScrollStartWait);
    m_mode = props::int16(bag, "Mode", kDefaultMode);
    // The border only; the frame keeps its size. A value the frame has no border
    // for leaves the border as designed.
    const qint16 appearance = props::int16(bag, "Appearance", kDefaultAppearance);
    m_pic2BorderStyle = (appearance == 0 || appearance == 1) ? appearance : kDefaultAppearance;
    m_fontMode = props::int16(bag, "FontMode", kDefaultFontMode);
    m_fontBold = props::boolean(bag, "FontBold", kDefaultFontBold);
    m_picture2->update();
}

void ChimeiCtl_B::WriteProperties(PropertyBag& bag) const {
    bag.WriteProperty("BackColor", static_cast<qint32>(m_pic1BackColor),
                      static_cast<qint32>(kDefaultBackColor));
    bag.WriteProperty("ForeColor", static_cast<qint32>(m_pic1ForeColor),
                      static_cast<qint32>(kDefaultForeColor));
    bag.WriteProperty("Speed", m_speed, kDefaultSpeed);
    bag.WriteProperty("ScrollStartWait", m_scrollStartWait, kDefaultScrollStartWait);
    bag.WriteProperty("Mode", m_mode, kDefaultMode);
    bag.WriteProperty("Appearance", m_pic2BorderStyle, kDefaultAppearance);
    bag.WriteProperty("FontMode", m_fontMode, kDefaultFontMode);
    bag.WriteProperty("FontBold", m_fontBold, kDefaultFontBold);
}

void ChimeiCtl_B::setBackColor(std::uint32_t color) {
    m_pic1BackColor = color;
    m_pic2BackColor = m_pic1BackColor;
    propertyChanged("BackColor");
    m_picture2->update();
}

void ChimeiCtl_B::setForeColor(std::uint32_t color) {
    m_pic1ForeColor = color;
    propertyChanged("ForeColor");
    m_picture2->update();
}

void ChimeiCtl_B::Refresh() {
    m_picture2->update();
}

void ChimeiCtl_B::setSpeed(qint16 value) {
    m_speed = value;
    propertyChanged("Speed");
    // A running scroll picks up the new step at once.
    if (m_motion.phase() == chimei::ScrollMotion::Phase::Running)
        scheduleTick();
}

void ChimeiCtl_B::setScrollStartWait(qint32 milliseconds) {
    m_scrollStartWait = milliseconds;
    propertyChanged("ScrollStartWait");
}

void ChimeiCtl_B::setMode(qint16 value) {
    m_mode = value;
    propertyChanged("Mode");
}

bool ChimeiCtl_B::setAppearance(qint16 value) {
    if (value != 0 && value != 1)
        return false;
    m_pic2BorderStyle = value;
    propertyChanged("Appearance");
    m_pic1BackColor = BackColor();
    m_frameSize = value == 0 ? QSize(35, 185) : QSize(37, 195);
    applyScale();
    return true;
}

void ChimeiCtl_B::setFontMode(qint16 value) {
    m_fontMode = value;
    propertyChanged("FontMode");
}

void ChimeiCtl_B::setFontBold(bool value) {
    m_picture3Bold = value;
    m_fontBold = value;
    propertyChanged("FontBold");
}

QWidget* ChimeiCtl_B::Picture2() const {
    return m_picture2;
}

QSize ChimeiCtl_B::frameSize() const {
    return m_frameSize;
}

QSize ChimeiCtl_B::sizeHint() const {
    return QSize(kDesignFrameWidth, kDesignFrameHeight) * m_scale;
}

void ChimeiCtl_B::setScale(double scale) {
    m_scale = qBound(1.0, scale, 16.0);
    applyScale();
}

void ChimeiCtl_B::setDotLook(bool round, bool glow) {
    m_roundDots = round;
    m_glow = glow;
    m_picture2->update();
}

void ChimeiCtl_B::applyScale() {
    m_picture2->resize(QSize(qRound(m_frameSize.width() * m_scale), qRound(m_frameSize.height() * m_scale)));
    m_picture2->update();
}

void ChimeiCtl_B::setGlyphSource(chimei::GlyphSource* source) {
    m_glyphs = source;
}

chimei::GlyphSource& ChimeiCtl_B::glyphs() const {
    return m_glyphs ? *m_glyphs : chimei::GlyphSource::shared();
}

void ChimeiCtl_B::DrawDot16(qint32& X, qint32& Y, QByteArray& Cell) {
    m_picture3.clear();
    if (Cell.isEmpty())
        return;
    const chimei::CellAdjustment adjust = chimei::classifyCell(Cell, m_fontMode);
    const chimei::GlyphFace face = chimei::faceFor(m_fontMode, Cell);
    m_picture3Bold = m_fontBold;
    glyphs().printCell(m_picture3, Cell, face, m_picture3Bold, adjust.dx, adjust.dy);
    m_strip.drawCell(m_picture3, X, Y, adjust.transpose);
    m_picture2->update();
}

void ChimeiCtl_B::DrawDot16(qint32& X, qint32& Y, QString& Cell) {
    QByteArray bytes = cp932::encode(Cell);
    const QByteArray before = bytes;
    DrawDot16(X, Y, bytes);
    if (bytes != before)
        Cell = cp932::decode(bytes);
}

void ChimeiCtl_B::SetChimei(const QString& Name) {
    // A newer name ends the running scroll before anything is drawn: the old scroll
    // never moves the strip again.
    m_motion.stop();
    m_scrollTimer.stop();
    m_stopName = Name;

    m_strip.clear();
    m_pic2BackColor = BackColor();
    if (Name.isEmpty()) {
        m_pic1Top = 0;
        m_stopScroll = true;
        m_picture2->update();
        return;
    }

    m_strip.setHeight(chimei::kStripHeight);
    const chimei::NameLayout layout = chimei::layoutName(Name, m_mode);
    m_pic1Top = static_cast<float>(frameSize().height());
    if (layout.scrolls)
        m_strip.setHeight(layout.stripHeight);
    else
        m_pic1Top = 0;

    for (const chimei::CellChunk& chunk : layout.chunks) {
        qint32 x = chunk.x;
        qint32 y = chunk.y;
        QByteArray cell = chunk.bytes;
        DrawDot16(x, y, cell);
    }
    // The chunks past the end of the name are empty: they only clear the work surface.
    if (layout.byteLength > layout.chunks.size())
        m_picture3.clear();

    m_stopScroll = true;
    m_picture2->update();
    if (layout.scrolls) {
        m_stopScroll = false;
        startScroll();
    }
}

int ChimeiCtl_B::stripTop() const {
    constexpr float kLimit = 1.0e8f;
    return static_cast<int>(std::lround(std::clamp(m_pic1Top, -kLimit, kLimit)));
}

QString ChimeiCtl_B::dots() const {
    return m_strip.dump() + QStringLiteral("top=") + QString::number(stripTop());
}

void ChimeiCtl_B::moveStrip(float top) {
    const int before = stripTop();
    m_pic1Top = top;
    if (stripTop() != before)
        m_picture2->update();
}

void ChimeiCtl_B::startScroll() {
    m_picture2->update();
    m_motion.start(m_clock.elapsed(), m_scrollStartWait);
    scheduleTick();
}

int ChimeiCtl_B::tickInterval() const {
    // About the time the strip needs to rise one pixel, 16..50 ms.
    const int speed = std::abs(static_cast<int>(m_speed));
    if (speed == 0)
        return 50;
    return std::clamp(200 / speed, 16, 50);
}

void ChimeiCtl_B::scheduleTick() {
    if (!m_motion.isActive()) {
        m_scrollTimer.stop();
        return;
    }
    qint64 wait = tickInterval();
    if (m_motion.phase() != chimei::ScrollMotion::Phase::Running)
        wait = std::max<qint64>(0, m_motion.nextEventMs() - m_clock.elapsed());
    m_scrollTimer.start(static_cast<int>(std::min<qint64>(wait, std::numeric_limits<int>::max())));
}

void ChimeiCtl_B::scrollTick() {
    if (!m_motion.isActive())
        return;
    chimei::ScrollInputs in;
    in.speed = m_speed;
    in.startWait = m_scrollStartWait;
    in.frameHeight = frameSize().height();
    in.stripHeight = m_strip.height();
    const chimei::ScrollMotion::Result r = m_motion.advance(m_clock.elapsed(), in);
    if (r.speedStoredBack)
        setSpeed(in.speed);
    if (r.moved)
        moveStrip(m_motion.top());
    scheduleTick();
}

void ChimeiCtl_B::paintFrame(QWidget& frame) {
    QPainter p(&frame);
    const QRect outer = frame.rect();
    p.fillRect(outer, colorref::toQColor(m_pic2BackColor));
    // The frame's logic is in its design's pixels; a big screen draws them larger.
    const int b = borderWidth();
    const QRect client = QRect(QPoint(0, 0), m_frameSize).adjusted(b, b, -b, -b);

    const int height = m_strip.height();
    const QRect stripRect(client.left() + m_pic1Left, client.top() + stripTop(), m_strip.width(), height);
    const QRect visible = stripRect & client;
    if (!visible.isEmpty()) {
        const QRgb back = colorref::toQColor(m_pic1BackColor).rgb();
        const QRgb fore = colorref::toQColor(m_pic1ForeColor).rgb();
        // A faint glow of the unlit dots: a tenth of the lit colour over the back colour.
        const auto mix = [](QRgb a, QRgb c, int tenths) {
            return qRgb((qRed(a) * (10 - tenths) + qRed(c) * tenths) / 10,
                        (qGreen(a) * (10 - tenths) + qGreen(c) * tenths) / 10,
                        (qBlue(a) * (10 - tenths) + qBlue(c) * tenths) / 10);
        };
        const QRgb unlit = m_glow ? mix(back, fore, 1) : back;
        const int sx0 = visible.left() - stripRect.left();
        const int sy0 = visible.top() - stripRect.top();
        if (qFuzzyCompare(m_scale, 1.0) && !m_roundDots) {
            QImage image(visible.size(), QImage::Format_RGB32);
            for (int y = 0; y < visible.height(); ++y) {
                const quint64 bits = m_strip.row(sy0 + y);
                auto* line = reinterpret_cast<QRgb*>(image.scanLine(y));
                for (int x = 0; x < visible.width(); ++x)
                    line[x] = ((bits >> (sx0 + x)) & 1u) ? fore : unlit;
            }
            p.drawImage(visible.topLeft(), image);
        } else {
            // Each dot is a square (or a circle) of the scaled size, drawn afresh.
            const auto edge = [&](int v) { return qRound(v * m_scale); };
            p.fillRect(QRect(QPoint(edge(visible.left()), edge(visible.top())),
                             QPoint(edge(visible.right() + 1) - 1, edge(visible.bottom() + 1) - 1)),
                       QColor(back));
            p.setRenderHint(QPainter::Antialiasing, m_roundDots);
            p.setPen(Qt::NoPen);
            for (int y = 0; y < visible.height(); ++y) {
                const quint64 bits = m_strip.row(sy0 + y);
                const int top = edge(visible.top() + y), bottom = edge(visible.top() + y + 1);
                for (int x = 0; x < visible.width(); ++x) {
                    const bool lit = (bits >> (sx0 + x)) & 1u;
                    if (!lit && !m_glow)
                        continue;
                    const QRect dot(QPoint(edge(visible.left() + x), top),
                                    QPoint(edge(visible.left() + x + 1) - 1, bottom - 1));
                    const QColor colour(lit ? fore : unlit);
                    if (m_roundDots) {
                        p.setBrush(colour);
                        p.drawEllipse(QRectF(dot).adjusted(0.5, 0.5, 0.5, 0.5));
                    } else {
                        p.fillRect(dot, colour);
                    }
                }
            }
            p.setRenderHint(QPainter::Antialiasing, false);
        }
    }
    p.scale(m_scale, m_scale);

    if (b > 0) {
        // A sunken 3-D edge, two pixels wide.
        const QRect r = QRect(QPoint(0, 0), m_frameSize).adjusted(0, 0, -1, -1);
        p.setPen(QColor(0xA0, 0xA0, 0xA0));
        p.drawLine(r.topLeft(), r.topRight());
        p.drawLine(r.topLeft(), r.bottomLeft());
        p.setPen(Qt::white);
        p.drawLine(r.bottomLeft(), r.bottomRight());
        p.drawLine(r.topRight(), r.bottomRight());
        const QRect in = r.adjusted(1, 1, -1, -1);
        p.setPen(QColor(0x69, 0x69, 0x69));
        p.drawLine(in.topLeft(), in.topRight());
        p.drawLine(in.topLeft(), in.bottomLeft());
        p.setPen(QColor(0xE3, 0xE3, 0xE3));
        p.drawLine(in.bottomLeft(), in.bottomRight());
        p.drawLine(in.topRight(), in.bottomRight());
    }
}
