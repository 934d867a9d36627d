#include "stopname/SignLayout.h"

#include "platform/Cp932.h"
#include "stopname/DotCell.h"
#include "stopname/GlyphSource.h"

#include <QList>

#include <algorithm>

namespace signs {
namespace {

constexpr int kGlyphRows = chimei::GlyphSurface::kSize;

// The number box of `height` rows with its left edge at x: the frame, the inside
// (filled or not) and the number centred in it. Returns the box's width.
int drawBox(SignLayout& layout, int x, int height, const DotImage& number, bool fill, int width = 0) {
    DotImage& out = layout.still;
    if (width == 0)
        width = std::clamp(number.width() + 6, kBoxMinWidth, kBoxMaxWidth);
    for (int yy = 0; yy < height; ++yy) {
        for (int xx = 0; xx < width; ++xx) {
            const bool edge = yy == 0 || yy == height - 1 || xx == 0 || xx == width - 1;
            out.set(x + xx, yy, edge ? Ink::Frame : (fill ? Ink::BoxFill : Ink::Off));
        }
    }
    const QRect inside(x + 1, 1, width - 2, height - 2);
    const QPoint at(x + (width - number.width()) / 2, (height - kGlyphRows) / 2);
    out.draw(number, at.x(), at.y(), inside, Ink::Number);
    layout.box = QRect(x, 0, width, height);
    layout.boxFilled = fill;
    layout.number = number;
    layout.numberAt = at;
    return width;
}

} // namespace

QString kindName(SignKind kind) {
    switch (kind) {
    case SignKind::Front:
        return QStringLiteral("front");
    case SignKind::Side:
        return QStringLiteral("side");
    case SignKind::Rear:
        break;
    }
    return QStringLiteral("rear");
}

std::optional<SignKind> kindFromName(const QString& name) {
    for (SignKind k : kAllSigns) {
        if (kindName(k) == name)
            return k;
    }
    return std::nullopt;
}

QString langName(Lang lang) {
    return lang == Lang::English ? QStringLiteral("en") : QStringLiteral("ja");
}

QString colourName(LedColour colour) {
    switch (colour) {
    case LedColour::Amber:
        return QStringLiteral("amber");
    case LedColour::White:
        return QStringLiteral("white");
    case LedColour::Green:
        return QStringLiteral("green");
    case LedColour::Full:
        break;
    }
    return QStringLiteral("full");
}

std::optional<LedColour> colourFromName(const QString& name) {
    for (LedColour c : {LedColour::Amber, LedColour::White, LedColour::Green, LedColour::Full}) {
        if (colourName(c) == name)
            return c;
    }
    return std::nullopt;
}

quint32 inkColour(LedColour colour, Ink ink) {
    if (ink == Ink::Off)
        return kUnlitColour;
    switch (colour) {
    case LedColour::Amber:
        return 0xFF9C1A;
    case LedColour::White:
        return 0xF2F2EA;
    case LedColour::Green:
        return 0x3CF064;
    case LedColour::Full:
        break;
    }
    return ink == Ink::Frame || ink == Ink::BoxFill ? 0xE8322A : 0xFFFFFF;
}

void DotImage::draw(const DotImage& other, int x, int y, const QRect& clip, Ink ink) {
    const QRect target = clip & QRect(0, 0, m_width, m_height) & QRect(x, y, other.width(), other.height());
    for (int yy = target.top(); yy <= target.bottom(); ++yy) {
        for (int xx = target.left(); xx <= target.right(); ++xx) {
            if (other.isLit(xx - x, yy - y))
                set(xx, yy, ink);
        }
    }
}

QRect DotImage::changedArea(const DotImage& other) const {
    int left = m_width, right = -1, top = -1, bottom = -1;
    for (int y = 0; y < m_height; ++y) {
        const Ink* a = m_dots.data() + size_t(y * m_width);
        const Ink* b = other.m_dots.data() + size_t(y * m_width);
        if (std::equal(a, a + m_width, b))
            continue;
        if (top < 0)
            top = y;
        bottom = y;
        int x = 0;
        while (a[x] == b[x])
            ++x;
        left = std::min(left, x);
        x = m_width - 1;
        while (a[x] == b[x])
            --x;
        right = std::max(right, x);
    }
    return top < 0 ? QRect() : QRect(QPoint(left, top), QPoint(right, bottom));
}

int DotImage::litCount() const {
    return int(std::count_if(m_dots.begin(), m_dots.end(), [](Ink i) { return i != Ink::Off; }));
}

QString DotImage::dump() const {
    QString out;
    out.reserve((m_width + 1) * m_height);
    for (int y = 0; y < m_height; ++y) {
        if (y > 0)
            out += QLatin1Char('\n');
        for (int x = 0; x < m_width; ++x)
            out += isLit(x, y) ? QLatin1Char('#') : QLatin1Char('.');
    }
    return out;
}

DotImage textDots(const QString& text, chimei::GlyphSource& glyphs, qint16 fontMode, bool bold) {
    const QByteArray bytes = cp932::encode(text);
    // The characters of the cp932 form, each a double-byte or a single-byte cell.
    QList<QByteArray> cells;
    for (qsizetype i = 0; i < bytes.size();) {
        const bool pair = chimei::isLeadByte(quint8(bytes[i])) && i + 1 < bytes.size() &&
                          chimei::isTrailByte(quint8(bytes[i + 1]));
        cells << bytes.mid(i, pair ? 2 : 1);
        i += pair ? 2 : 1;
    }
    int width = 0;
    for (const QByteArray& c : cells)
        width += c.size() * 8;
    DotImage out(width, kGlyphRows);
    static const QByteArray shifted[] = {chimei::cellBytes(QStringLiteral("申")),
                                         chimei::cellBytes(QStringLiteral("山"))};
    int pen = 0;
    chimei::GlyphSurface surface;
    for (const QByteArray& cell : cells) {
        surface.clear();
        const chimei::GlyphFace face = chimei::faceFor(fontMode, cell);
        const bool gothicShift =
            (fontMode == 0 || fontMode == 2) && (cell == shifted[0] || cell == shifted[1]);
        glyphs.printCell(surface, cell, face, bold, gothicShift ? 1 : 0, 0);
        const int advance = cell.size() * 8;
        for (int y = 0; y < kGlyphRows; ++y) {
            for (int x = 0; x < advance; ++x) {
                if (surface.isBlack(x, y))
                    out.set(pen + x, y, Ink::Text);
            }
        }
        pen += advance;
    }
    return out;
}

QSize signSize(SignKind kind) {
    switch (kind) {
    case SignKind::Front:
        return {kFrontWidth, kFrontHeight};
    case SignKind::Side:
        return {kSideWidth, kSideHeight};
    case SignKind::Rear:
        break;
    }
    return {kRearWidth, kRearHeight};
}

QString shownText(SignKind kind, const SignText& text, Lang lang) {
    const bool en = lang == Lang::English && text.hasEnglish();
    const QString destination = en ? text.destinationEn : text.destination;
    const QString via = en ? text.viaEn : text.via;
    switch (kind) {
    case SignKind::Front:
        return destination;
    case SignKind::Side:
        return via.isEmpty() ? destination : destination + QLatin1Char(' ') + via;
    case SignKind::Rear:
        break;
    }
    return QString();
}

SignLayout layoutSign(SignKind kind, const SignText& text, Lang lang, chimei::GlyphSource& glyphs,
                      bool fillBox) {
    const QSize size = signSize(kind);
    SignLayout out;
    out.still = DotImage(size.width(), size.height());
    if (text.isEmpty())
        return out;
    const bool en = lang == Lang::English && text.hasEnglish();
    const DotImage number = textDots(text.number, glyphs);
    const auto addLine = [&](const QString& line, const QRect& area) {
        if (line.isEmpty())
            return;
        TextArea t{area, textDots(line, glyphs)};
        if (!t.scrolls())
            out.still.draw(t.text, t.restingX(), area.y(), area, Ink::Text);
        out.lines.push_back(std::move(t));
    };
    switch (kind) {
    case SignKind::Front: {
        const int box = drawBox(out, 0, size.height(), number, fillBox);
        const int left = box + 3;
        addLine(en ? text.destinationEn : text.destination,
                QRect(left, (size.height() - kGlyphRows) / 2, size.width() - left, kGlyphRows));
        break;
    }
    case SignKind::Side: {
        const int box = drawBox(out, 0, size.height(), number, fillBox);
        const int left = box + 3;
        const QString destination = en ? text.destinationEn : text.destination;
        const QString via = en ? text.viaEn : text.via;
        if (via.isEmpty()) {
            addLine(destination,
                    QRect(left, (size.height() - kGlyphRows) / 2, size.width() - left, kGlyphRows));
        } else {
            addLine(destination, QRect(left, 1, size.width() - left, kGlyphRows));
            addLine(via, QRect(left, size.height() - 1 - kGlyphRows, size.width() - left, kGlyphRows));
        }
        break;
    }
    case SignKind::Rear:
        drawBox(out, 0, size.height(), number, fillBox, size.width());
        break;
    }
    return out;
}

DotImage compose(const SignLayout& layout, const std::vector<int>& offsets) {
    DotImage out = layout.still;
    for (size_t i = 0; i < layout.lines.size(); ++i) {
        const TextArea& t = layout.lines[i];
        if (!t.scrolls())
            continue;
        const int offset = i < offsets.size() ? offsets[i] : 0;
        out.draw(t.text, t.area.x() + offset, t.area.y(), t.area, Ink::Text);
    }
    return out;
}

} // namespace signs
