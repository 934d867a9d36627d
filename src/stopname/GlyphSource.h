#pragma once

#include "stopname/DotCell.h"

#include <QByteArray>
#include <QString>
#include <array>
#include <memory>

// Prints stop-name cells from 16-dot bitmap faces: the Shinonome 16 x 16 Gothic and
// Mincho kanji faces (JIS X 0208) and the 8 x 16 half-width faces (ASCII and JIS X 0201
// kana), regular or bold. A character the bitmap faces lack (NEC row 13, the IBM
// extensions) is drawn from the IPA Gothic / Mincho outlines at 16 pixels without
// antialiasing, so that nothing is dropped.
namespace chimei {

// Where the faces are read from.
struct GlyphFontFiles {
    QString bitmapDir;     // folder of the 16-dot faces (*.pcf.gz)
    QString gothicOutline; // fallback Gothic outline font file
    QString minchoOutline; // fallback Mincho outline font file

    static GlyphFontFiles systemDefault();
};

// One character as cell rows: bit x of row y is column x; the pen then moves by
// `advance` pixels (16 for a double-byte character, 8 for a single-byte one).
struct Glyph {
    std::array<quint32, GlyphSurface::kSize> rows{};
    int advance = 16;
};

// The JIS X 0208 code ((ku + 0x20) << 8 | (ten + 0x20)) of a cp932 double-byte code,
// or -1 when the code lies outside JIS X 0208's 94 rows.
int sjisToJis(int code);

class GlyphSource {
public:
    // The program's one source, reading the system's fonts.
    static GlyphSource& shared();

    explicit GlyphSource(const GlyphFontFiles& files);
    ~GlyphSource();
    GlyphSource(const GlyphSource&) = delete;
    GlyphSource& operator=(const GlyphSource&) = delete;

    // Prints the cell's characters on the surface, the first with its top-left at
    // (dx, dy) and each next one after the previous one's advance. Bytes that are not a
    // whole character (a lead byte without its trail, a control byte) take a half-width
    // place and print nothing.
    void printCell(GlyphSurface& surface, const QByteArray& cell, GlyphFace face, bool bold, int dx, int dy);

    // The glyph of a character code (a double-byte code or a byte value). False when
    // no face has it.
    bool glyph(int code, GlyphFace face, bool bold, Glyph& out);

    // True when the 16-dot faces were found. Without them every character comes from
    // the outline fonts.
    bool hasBitmapFaces() const;
    // True when the outline fallback of the face was found.
    bool hasOutline(GlyphFace face) const;

private:
    struct Impl;
    std::unique_ptr<Impl> d;
};

} // namespace chimei
