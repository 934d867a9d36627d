// The 16-dot glyph source: Shift_JIS to JIS X 0208, the bitmap faces, the half-width
// faces and the outline fallback for characters the bitmap faces lack.
#include "platform/Cp932.h"
#include "stopname/GlyphSource.h"

#include "QtPrinting.h"
#include <QDir>
#include <QTemporaryDir>

#include <QStringList>
#include <gtest/gtest.h>

using namespace chimei;

namespace {

QByteArray sj(const char* utf8) {
    return cp932::encode(QString::fromUtf8(utf8));
}

int code(const char* utf8) {
    return firstCharCode(sj(utf8));
}

QStringList pattern(const GlyphSurface& s) {
    QStringList out;
    for (int y = 0; y < 16; ++y) {
        QString line;
        for (int x = 0; x < 16; ++x)
            line.append(s.isBlack(x, y) ? QLatin1Char('#') : QLatin1Char('.'));
        out.append(line);
    }
    return out;
}

GlyphSurface print(GlyphSource& source, const char* utf8, GlyphFace face = GlyphFace::Gothic,
                   bool bold = false, int dx = 0, int dy = 0) {
    GlyphSurface s;
    source.printCell(s, sj(utf8), face, bold, dx, dy);
    return s;
}

int blackCount(const GlyphSurface& s) {
    int n = 0;
    for (int y = 0; y < 16; ++y)
        for (int x = 0; x < 16; ++x)
            n += s.isBlack(x, y) ? 1 : 0;
    return n;
}

// The Gothic 16-dot "市".
const QStringList kCityGothic = {
    "........#.......", "........#.......", "........#.......", ".###############",
    "........#.......", "........#.......", "...###########..", "...#....#....#..",
    "...#....#....#..", "...#....#....#..", "...#....#....#..", "...#....#....#..",
    "...#....#..##...", "........#.......", "........#.......", "........#.......",
};

} // namespace

TEST(SjisToJis, ConvertsDoubleByteCodes) {
    EXPECT_EQ(sjisToJis(0x8140), 0x2121); // ideographic space, the first code
    EXPECT_EQ(sjisToJis(0x8E73), 0x3B54); // 市
    EXPECT_EQ(sjisToJis(0x829F), 0x2421); // ぁ, second row of a lead byte
    EXPECT_EQ(sjisToJis(0x817E), 0x215F); // last trail before 0x80
    EXPECT_EQ(sjisToJis(0x8180), 0x2160); // first trail after 0x7F
    EXPECT_EQ(sjisToJis(0x889F), 0x3021); // 亜
    EXPECT_EQ(sjisToJis(0xE040), 0x5F21); // first code after the gap in lead bytes
    EXPECT_EQ(sjisToJis(0xEAA4), 0x7426); // 熙, the last JIS X 0208 character
    EXPECT_EQ(sjisToJis(0x8740), 0x2D21); // NEC row 13 lies in row 13
    EXPECT_EQ(sjisToJis(0xFA68), -1);     // IBM extension: beyond row 94
    EXPECT_EQ(sjisToJis(0xF040), -1);     // user-defined area
    EXPECT_EQ(sjisToJis(0x8120), -1);     // not a trail byte
    EXPECT_EQ(sjisToJis(0x4142), -1);     // not a lead byte
}

TEST(GlyphSource, GothicKanjiIsTheSixteenDotBitmap) {
    GlyphSource& source = GlyphSource::shared();
    ASSERT_TRUE(source.hasBitmapFaces()) << "xfonts-shinonome is needed";
    EXPECT_EQ(pattern(print(source, "市")), kCityGothic);
}

TEST(GlyphSource, FacesAndBoldDiffer) {
    GlyphSource& source = GlyphSource::shared();
    const QStringList gothic = pattern(print(source, "駅"));
    const QStringList mincho = pattern(print(source, "駅", GlyphFace::Mincho));
    const QStringList bold = pattern(print(source, "駅", GlyphFace::Gothic, true));
    const QStringList minchoBold = pattern(print(source, "駅", GlyphFace::Mincho, true));
    EXPECT_NE(gothic, mincho);
    EXPECT_NE(gothic, bold);
    EXPECT_NE(mincho, minchoBold);
    EXPECT_GT(blackCount(print(source, "駅", GlyphFace::Gothic, true)), blackCount(print(source, "駅")));
}

TEST(GlyphSource, TwoHalfWidthCharactersShareTheCell) {
    GlyphSource& source = GlyphSource::shared();
    const GlyphSurface a = print(source, "A");
    const GlyphSurface b = print(source, "B");
    const GlyphSurface ab = print(source, "AB");
    ASSERT_GT(blackCount(a), 0);
    for (int y = 0; y < 16; ++y) {
        for (int x = 0; x < 8; ++x) {
            EXPECT_EQ(ab.isBlack(x, y), a.isBlack(x, y));
            EXPECT_EQ(ab.isBlack(x + 8, y), b.isBlack(x, y));
            EXPECT_FALSE(a.isBlack(x + 8, y)) << "a half-width glyph is 8 dots wide";
        }
    }
    Glyph g;
    ASSERT_TRUE(source.glyph(0x41, GlyphFace::Gothic, false, g));
    EXPECT_EQ(g.advance, 8);
}

TEST(GlyphSource, HalfWidthKanaComesFromTheJisX0201Face) {
    GlyphSource& source = GlyphSource::shared();
    Glyph g;
    ASSERT_TRUE(source.glyph(code("ｱ"), GlyphFace::Gothic, false, g));
    EXPECT_EQ(g.advance, 8);
    const GlyphSurface kana = print(source, "ｱｲ");
    EXPECT_GT(blackCount(kana), 10);
}

TEST(GlyphSource, HalfOfACharacterPrintsNothing) {
    GlyphSource& source = GlyphSource::shared();
    // "A" followed by the lead byte of a cut double-byte character.
    GlyphSurface s;
    source.printCell(s, QByteArray("A\x8E", 2), GlyphFace::Gothic, false, 0, 0);
    EXPECT_EQ(pattern(s), pattern(print(source, "A")));
    GlyphSurface trail;
    source.printCell(trail, QByteArray("\x8E", 1), GlyphFace::Gothic, false, 0, 0);
    EXPECT_TRUE(trail.isEmpty());
}

TEST(GlyphSource, CharactersTheBitmapFacesLackComeFromTheOutlines) {
    GlyphSource& source = GlyphSource::shared();
    ASSERT_TRUE(source.hasOutline(GlyphFace::Gothic)) << "fonts-ipafont is needed";
    ASSERT_TRUE(source.hasOutline(GlyphFace::Mincho)) << "fonts-ipafont is needed";
    // ① (NEC row 13) and 丨 (IBM extension).
    for (const char* text : {"①", "丨", "髙"}) {
        for (GlyphFace face : {GlyphFace::Gothic, GlyphFace::Mincho}) {
            Glyph g;
            EXPECT_TRUE(source.glyph(code(text), face, false, g)) << text;
            EXPECT_EQ(g.advance, 16);
            EXPECT_GT(blackCount(print(source, text, face)), 5) << text;
        }
    }
    // 丨 is one vertical stroke.
    const GlyphSurface stroke = print(source, "丨");
    int columns = 0;
    int rows = 0;
    for (int x = 0; x < 16; ++x) {
        bool any = false;
        for (int y = 0; y < 16; ++y)
            any = any || stroke.isBlack(x, y);
        columns += any ? 1 : 0;
    }
    for (int y = 0; y < 16; ++y) {
        bool any = false;
        for (int x = 0; x < 16; ++x)
            any = any || stroke.isBlack(x, y);
        rows += any ? 1 : 0;
    }
    EXPECT_LE(columns, 2);
    EXPECT_GE(rows, 12);
    // A bold fallback is wider.
    EXPECT_GT(blackCount(print(source, "丨", GlyphFace::Gothic, true)), blackCount(stroke));
}

TEST(GlyphSource, WithoutTheBitmapFacesEverythingComesFromTheOutlines) {
    QTemporaryDir empty;
    GlyphFontFiles files = GlyphFontFiles::systemDefault();
    files.bitmapDir = empty.path();
    GlyphSource source(files);
    EXPECT_FALSE(source.hasBitmapFaces());
    EXPECT_GT(blackCount(print(source, "市")), 10);
    EXPECT_GT(blackCount(print(source, "A")), 5);
}

TEST(GlyphSource, WithNoFontsAtAllNothingIsDrawnAndNothingBreaks) {
    QTemporaryDir empty;
    GlyphFontFiles files;
    files.bitmapDir = empty.path();
    files.gothicOutline = QDir(empty.path()).filePath(QStringLiteral("none.ttf"));
    files.minchoOutline = files.gothicOutline;
    GlyphSource source(files);
    EXPECT_FALSE(source.hasBitmapFaces());
    EXPECT_FALSE(source.hasOutline(GlyphFace::Gothic));
    EXPECT_TRUE(print(source, "市").isEmpty());
    Glyph g;
    EXPECT_FALSE(source.glyph(code("市"), GlyphFace::Gothic, false, g));
}

TEST(GlyphSource, ControlBytesPrintNothing) {
    GlyphSource& source = GlyphSource::shared();
    GlyphSurface s;
    source.printCell(s, QByteArray("\x01\x7F", 2), GlyphFace::Gothic, false, 0, 0);
    EXPECT_TRUE(s.isEmpty());
}
