#include "stopname/DotCell.h"

#include "platform/Cp932.h"
#include "stopname/ChimeiLayout.h"

#include <algorithm>

namespace chimei {
namespace {

// The cells that are turned for vertical writing.
const QList<QByteArray>& transposedCells() {
    static const QList<QByteArray> cells = [] {
        QList<QByteArray> out;
        const QString texts[] = {
            QStringLiteral("（"), QStringLiteral("）"), QStringLiteral("『"), QStringLiteral("』"),
            QStringLiteral("〔"), QStringLiteral("〕"), QStringLiteral("「"), QStringLiteral("」"),
            QStringLiteral("［"), QStringLiteral("］"), QStringLiteral("＜"), QStringLiteral("＞"),
            QStringLiteral("｛"), QStringLiteral("｝"), QStringLiteral("〈"), QStringLiteral("〉"),
            QStringLiteral("《"), QStringLiteral("》"), QStringLiteral("【"), QStringLiteral("】"),
            QStringLiteral("～"), QStringLiteral("＝"), QStringLiteral("→"),  QStringLiteral("←"),
            QStringLiteral("⇒"),  QStringLiteral("⇔"),
        };
        for (const QString& t : texts)
            out.append(cp932::encode(t));
        return out;
    }();
    return cells;
}

struct NamedCells {
    QByteArray longVowel = cp932::encode(QStringLiteral("ー"));
    QByteArray verticalStroke = cp932::encode(QStringLiteral("丨"));
    QByteArray saru = cp932::encode(QStringLiteral("申"));
    QByteArray yama = cp932::encode(QStringLiteral("山"));
    QByteArray fullStop = cp932::encode(QStringLiteral("。"));
    QByteArray comma = cp932::encode(QStringLiteral("、"));
};

const NamedCells& named() {
    static const NamedCells cells;
    return cells;
}

} // namespace

int firstCharCode(const QByteArray& cell) {
    if (cell.isEmpty())
        return -1;
    const auto lead = static_cast<quint8>(cell[0]);
    if (isLeadByte(lead) && cell.size() >= 2 && isTrailByte(static_cast<quint8>(cell[1])))
        return (lead << 8) | static_cast<quint8>(cell[1]);
    return lead;
}

GlyphFace faceFor(qint16 fontMode, const QByteArray& cell) {
    const int c = firstCharCode(cell);
    const bool doubleByte = c > 0xFF;
    switch (fontMode) {
    case 1:
        return GlyphFace::Mincho;
    case 2:
        return doubleByte && c < 0x889F ? GlyphFace::Mincho : GlyphFace::Gothic;
    case 3:
        return doubleByte && c < 0x889F ? GlyphFace::Gothic : GlyphFace::Mincho;
    case 4:
        return doubleByte && c >= 0x824F && c <= 0x829A ? GlyphFace::Gothic : GlyphFace::Mincho;
    default:
        return GlyphFace::Gothic;
    }
}

CellAdjustment classifyCell(QByteArray& cell, qint16 fontMode) {
    const NamedCells& n = named();
    if (cell == n.longVowel) {
        cell = n.verticalStroke;
        return {};
    }
    if (cell == n.saru || cell == n.yama)
        return (fontMode == 0 || fontMode == 2) ? CellAdjustment{1, 0, false} : CellAdjustment{};
    if (transposedCells().contains(cell))
        return {0, 0, true};
    if (cell == n.fullStop || cell == n.comma)
        return {10, -10, false};
    return {};
}

QByteArray cellBytes(const QString& text) {
    return cp932::encode(text);
}

void GlyphSurface::setBlack(int x, int y) {
    if (x >= 0 && x < kSize && y >= 0 && y < kSize)
        m_rows[static_cast<size_t>(y)] |= static_cast<quint16>(1u << x);
}

void GlyphSurface::blit(const std::array<quint32, kSize>& rows, int x, int y) {
    if (x <= -32 || x >= kSize)
        return;
    for (int r = 0; r < kSize; ++r) {
        const int ty = y + r;
        if (ty < 0 || ty >= kSize || rows[static_cast<size_t>(r)] == 0)
            continue;
        const quint64 bits = rows[static_cast<size_t>(r)];
        const quint64 placed = x >= 0 ? bits << x : bits >> -x;
        m_rows[static_cast<size_t>(ty)] |= static_cast<quint16>(placed & 0xFFFFu);
    }
}

bool GlyphSurface::isEmpty() const {
    return std::all_of(m_rows.begin(), m_rows.end(), [](quint16 r) { return r == 0; });
}

void StripImage::setHeight(qint32 height) {
    m_rows.resize(static_cast<size_t>(std::max<qint32>(height, 0)), 0);
}

void StripImage::clear() {
    std::fill(m_rows.begin(), m_rows.end(), 0);
}

void StripImage::plot(qint64 x, qint64 y) {
    if (x < 0 || x >= kWidth || y < 0 || y >= height())
        return;
    m_rows[static_cast<size_t>(y)] |= quint64{1} << x;
}

qint64 StripImage::litCount() const {
    qint64 n = 0;
    for (quint64 r : m_rows)
        n += __builtin_popcountll(r);
    return n;
}

void StripImage::drawCell(const GlyphSurface& surface, qint32 X, qint32 Y, bool transpose) {
    for (int gx = 0; gx < GlyphSurface::kSize; ++gx) {
        for (int gy = 0; gy < GlyphSurface::kSize; ++gy) {
            if (!surface.isBlack(gx, gy))
                continue;
            const int across = transpose ? gy : gx;
            const int down = transpose ? gx : gy;
            plot(qint64{X} + qint64{kDotPitch} * across, qint64{Y} + qint64{kDotPitch} * down);
        }
    }
}

QString StripImage::dump() const {
    QString out;
    out.reserve(static_cast<qsizetype>(m_rows.size()) * (kWidth + 1));
    for (quint64 r : m_rows) {
        for (int x = 0; x < kWidth; ++x)
            out.append((r >> x) & 1u ? QLatin1Char('#') : QLatin1Char('.'));
        out.append(QLatin1Char('\n'));
    }
    return out;
}

} // namespace chimei
