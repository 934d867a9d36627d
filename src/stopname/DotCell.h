#pragma once

#include <QByteArray>
#include <QString>
#include <QtGlobal>
#include <array>
#include <vector>

// The rules that turn one cell of a stop name into dots: how the cell is adjusted for
// vertical writing, which face prints it, the 16 x 16 work surface it is printed on,
// and the strip the black pixels of that surface are plotted on.
namespace chimei {

// cp932 byte classes.
constexpr bool isLeadByte(quint8 b) {
    return (b >= 0x81 && b <= 0x9F) || (b >= 0xE0 && b <= 0xFC);
}
constexpr bool isTrailByte(quint8 b) {
    return b >= 0x40 && b <= 0xFC && b != 0x7F;
}

// The code of the cell's first character: a double-byte code (lead << 8 | trail), or
// the byte value 0..255 of a single-byte character (a lead byte without its trail
// counts as a single byte). -1 for an empty cell.
int firstCharCode(const QByteArray& cell);

// The two 16-dot faces.
enum class GlyphFace { Gothic, Mincho };

// Which face prints a cell, from the font mode and the cell's first character:
//   1: Mincho for every cell;
//   2: Mincho for double-byte codes below 889F, Gothic for the rest and single bytes;
//   3: Gothic for double-byte codes below 889F, Mincho for the rest and single bytes;
//   4: Gothic for double-byte codes 824F..829A (full-width digits and letters),
//      Mincho for everything else;
//   0 and any other value: Gothic for every cell.
GlyphFace faceFor(qint16 fontMode, const QByteArray& cell);

// How a cell is printed: the print offset on the work surface and whether its dots
// are mirrored across the main diagonal.
struct CellAdjustment {
    int dx = 0;
    int dy = 0;
    bool transpose = false;
    friend bool operator==(const CellAdjustment&, const CellAdjustment&) = default;
};

// Classifies a cell by its whole text, first rule that matches:
//   "ー"                      becomes "丨" (rewritten in `cell`), no offset;
//   "申", "山"                one pixel right in the Gothic modes (font mode 0 or 2);
//   brackets, "～", "＝", arrows  transposed;
//   "。", "、"                at (10, -10), the upper right of the cell;
//   anything else            unchanged.
CellAdjustment classifyCell(QByteArray& cell, qint16 fontMode);

// The cp932 form of the cell texts the rules name (for callers and tests).
QByteArray cellBytes(const QString& text);

// The hidden work surface: 16 x 16 one-bit pixels, all white when cleared; a set
// bit is a black pixel.
class GlyphSurface {
public:
    static constexpr int kSize = 16;

    void clear() { m_rows.fill(0); }
    bool isBlack(int x, int y) const {
        return x >= 0 && x < kSize && y >= 0 && y < kSize && ((m_rows[static_cast<size_t>(y)] >> x) & 1u);
    }
    void setBlack(int x, int y);
    // Copies the set bits of a glyph whose rows hold bit x for column x (up to 32
    // columns) with its top-left at (x, y); whatever falls outside is lost.
    void blit(const std::array<quint32, kSize>& rows, int x, int y);
    // Row y, bit x for column x.
    quint16 row(int y) const { return m_rows[static_cast<size_t>(y)]; }
    bool isEmpty() const;

private:
    std::array<quint16, kSize> m_rows{};
};

// The strip's drawing: 37 pixels wide, one bit per pixel, lit or not. It persists
// until cleared, so a repaint shows what was drawn.
class StripImage {
public:
    static constexpr int kWidth = 37;

    explicit StripImage(qint32 height = 192) { setHeight(height); }

    qint32 width() const { return kWidth; }
    qint32 height() const { return static_cast<qint32>(m_rows.size()); }
    // Changes the height; rows that remain keep their dots, new rows are unlit.
    void setHeight(qint32 height);
    void clear();

    // Lights one pixel; a pixel outside the strip is not drawn.
    void plot(qint64 x, qint64 y);
    bool isLit(qint32 x, qint32 y) const {
        return x >= 0 && x < kWidth && y >= 0 && y < height() && ((m_rows[static_cast<size_t>(y)] >> x) & 1u);
    }
    // Row y, bit x for column x.
    quint64 row(qint32 y) const { return m_rows[static_cast<size_t>(y)]; }
    qint64 litCount() const;

    // Plots the black pixels of the work surface as dots of a cell whose top-left dot
    // is at (X, Y): surface pixel (gx, gy) lands on (X + 2 gx, Y + 2 gy), or on
    // (X + 2 gy, Y + 2 gx) for a transposed cell. Only exactly black pixels light a dot.
    void drawCell(const GlyphSurface& surface, qint32 X, qint32 Y, bool transpose);

    // One line per pixel row, '#' lit and '.' not, each line ended by '\n'.
    QString dump() const;

private:
    std::vector<quint64> m_rows;
};

} // namespace chimei
