#pragma once

#include <QByteArray>
#include <QList>
#include <QString>
#include <QtGlobal>

// How a stop name is laid out on the vertical strip. The name is cut into cells of
// two cp932 bytes; each cell is 16 dots at a pitch of 2 pixels, 32 x 32 pixels. Up to
// six cells are spread over the 192-pixel frame and stand still; from seven cells on
// they are stacked on a taller strip that scrolls.
namespace chimei {

inline constexpr qint32 kStripWidth = 37;   // the strip's width in pixels
inline constexpr qint32 kStripHeight = 192; // the strip's height for up to six cells
inline constexpr qint32 kDotPitch = 2;      // pixels from one dot to the next
inline constexpr qint32 kCellPixels = 32;   // 16 dots at the dot pitch
inline constexpr qint32 kCellX = 2;         // left edge of every cell on the strip
inline constexpr qint32 kScrollCells = 7;   // names of this many cells or more scroll

// Longer names are cut to this many cells, so that an absurd name cannot ask for an
// absurd strip (4096 cells are a strip of 131072 pixel rows).
inline constexpr qint32 kMaxCells = 4096;

// First-cell offset T and cell step P in pixels.
struct CellPlacement {
    qint32 T = 0;
    qint32 P = 0;
    friend bool operator==(const CellPlacement&, const CellPlacement&) = default;
};

// Cells of a name of `byteLength` cp932 bytes: the byte length halved, a final odd
// byte not counted.
constexpr qint32 cellCount(qint32 byteLength) {
    return byteLength / 2;
}

// The placement table. `mode` decides the spacing of two-cell names (2: 48 / 64,
// anything else: 32 / 96).
CellPlacement cellPlacement(qint32 cells, qint16 mode);

// True for names that scroll (seven cells or more).
constexpr bool scrolls(qint32 cells) {
    return cells >= kScrollCells;
}

// The strip's height: 192 pixels, or one cell height per cell for a scrolling name.
constexpr qint32 stripHeightFor(qint32 cells) {
    return scrolls(cells) ? kCellPixels * cells : kStripHeight;
}

// One 2-byte chunk of the name and where its top-left dot goes on the strip.
struct CellChunk {
    QByteArray bytes; // one double-byte character, two single-byte ones, or a last odd byte
    qint32 x = kCellX;
    qint32 y = 0;
};

struct NameLayout {
    QByteArray ansi;       // the name in cp932 bytes (cut to kMaxCells cells)
    qint32 byteLength = 0; // bytes of `ansi`
    qint32 cells = 0;      // byteLength / 2
    CellPlacement placement;
    qint32 stripHeight = kStripHeight;
    bool scrolls = false;
    QList<CellChunk> chunks; // every non-empty chunk, in order: chunk k starts at byte 2k - 1
};

// The 2-byte chunks of the cp932 form, cut at byte boundaries whatever the bytes
// are; a final odd byte is a chunk of its own. Bytes are never decoded here.
QList<QByteArray> splitCells(const QByteArray& ansi);

// The whole layout of a name given in cp932 bytes or as text.
NameLayout layoutName(const QByteArray& ansi, qint16 mode);
NameLayout layoutName(const QString& name, qint16 mode);

} // namespace chimei
