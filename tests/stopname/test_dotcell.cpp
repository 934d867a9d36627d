// Cell rules: classification for vertical writing, the face table, the 16 x 16 work
// surface and the plotting of its black pixels on the strip.
#include "platform/Cp932.h"
#include "stopname/DotCell.h"

#include "QtPrinting.h"

#include <QStringList>
#include <gtest/gtest.h>

using namespace chimei;

namespace {

QByteArray sj(const char* utf8) {
    return cp932::encode(QString::fromUtf8(utf8));
}

} // namespace

TEST(CellBytes, TheNamedCellsHaveTheirCp932Codes) {
    EXPECT_EQ(sj("ー"), QByteArray("\x81\x5B"));
    EXPECT_EQ(sj("丨"), QByteArray("\xFA\x68"));
    EXPECT_EQ(sj("。"), QByteArray("\x81\x42"));
    EXPECT_EQ(sj("→"), QByteArray("\x81\xA8"));
    // The wave dash typed on this system is the same cell as the full-width tilde.
    EXPECT_EQ(sj("〜"), sj("～"));
}

TEST(FirstCharCode, DoubleByteSingleByteAndBrokenCells) {
    EXPECT_EQ(firstCharCode(sj("市")), 0x8E73);
    EXPECT_EQ(firstCharCode(QByteArrayLiteral("AB")), 0x41);
    EXPECT_EQ(firstCharCode(sj("ｱ")), 0xB1);
    EXPECT_EQ(firstCharCode(QByteArray("\x8E", 1)), 0x8E);     // lead byte without its trail
    EXPECT_EQ(firstCharCode(QByteArray("\x81\x20", 2)), 0x81); // no valid trail byte
    EXPECT_EQ(firstCharCode(QByteArray()), -1);
}

struct FaceCase {
    const char* cell;
    // expected face for font modes 0, 1, 2, 3, 4 and for the other values -1 and 5
    const char* faces; // 'G' Gothic, 'M' Mincho
};

class FaceTable : public ::testing::TestWithParam<FaceCase> {};

TEST_P(FaceTable, FaceForEveryMode) {
    const FaceCase c = GetParam();
    const QByteArray cell = sj(c.cell);
    const qint16 modes[] = {0, 1, 2, 3, 4, -1, 5};
    for (int i = 0; i < 7; ++i) {
        const GlyphFace expected = c.faces[i] == 'M' ? GlyphFace::Mincho : GlyphFace::Gothic;
        EXPECT_EQ(faceFor(modes[i], cell), expected) << c.cell << " mode " << modes[i];
    }
}

INSTANTIATE_TEST_SUITE_P(Classes, FaceTable,
                         ::testing::Values(FaceCase{"市", "GMGMMGG"}, // kanji
                                           FaceCase{"亜", "GMGMMGG"}, // 889F, the first kanji
                                           FaceCase{"あ", "GMMGMGG"}, // hiragana, below 889F
                                           FaceCase{"ア", "GMMGMGG"}, // katakana
                                           FaceCase{"＃", "GMMGMGG"}, // full-width symbol below 824F
                                           FaceCase{"０", "GMMGGGG"}, // 824F, first full-width digit
                                           FaceCase{"ｚ", "GMMGGGG"}, // 829A, last full-width letter
                                           FaceCase{"ぁ", "GMMGMGG"}, // 829F, just after that range
                                           FaceCase{"A", "GMGMMGG"},  // single byte
                                           FaceCase{"ｱ", "GMGMMGG"},  // half-width kana, single byte
                                           FaceCase{"丨", "GMGMMGG"}  // FA68, after the kanji
                                           ));

TEST(ClassifyCell, LongVowelBecomesTheVerticalStrokeInTheCallersVariable) {
    for (qint16 mode : {0, 1, 2, 3, 4}) {
        QByteArray cell = sj("ー");
        EXPECT_EQ(classifyCell(cell, mode), (CellAdjustment{0, 0, false}));
        EXPECT_EQ(cell, sj("丨"));
    }
}

TEST(ClassifyCell, SaruAndYamaShiftOnlyInTheGothicModes) {
    for (const char* text : {"申", "山"}) {
        for (qint16 mode : {0, 1, 2, 3, 4, -1, 5}) {
            QByteArray cell = sj(text);
            const CellAdjustment a = classifyCell(cell, mode);
            const int dx = (mode == 0 || mode == 2) ? 1 : 0;
            EXPECT_EQ(a, (CellAdjustment{dx, 0, false})) << text << " mode " << mode;
            EXPECT_EQ(cell, sj(text));
        }
    }
}

TEST(ClassifyCell, BracketsAndArrowsAreTransposed) {
    const char* turned[] = {"（", "）", "『", "』", "〔", "〕", "「", "」", "［", "］", "＜", "＞", "｛",
                            "｝", "〈", "〉", "《", "》", "【", "】", "～", "＝", "→",  "←",  "⇒",  "⇔"};
    for (const char* text : turned) {
        QByteArray cell = sj(text);
        EXPECT_EQ(classifyCell(cell, 0), (CellAdjustment{0, 0, true})) << text;
    }
    QByteArray waveDash = sj("〜");
    EXPECT_TRUE(classifyCell(waveDash, 0).transpose);
}

TEST(ClassifyCell, FullStopAndCommaMoveToTheUpperRight) {
    for (const char* text : {"。", "、"}) {
        QByteArray cell = sj(text);
        EXPECT_EQ(classifyCell(cell, 1), (CellAdjustment{10, -10, false})) << text;
    }
}

TEST(ClassifyCell, EverythingElseIsUnchanged) {
    for (const char* text : {"市", "A", "AB", "ｱ", "・", "↑", "－", "｡", "〜A"}) {
        QByteArray cell = sj(text);
        const QByteArray before = cell;
        EXPECT_EQ(classifyCell(cell, 0), (CellAdjustment{})) << text;
        EXPECT_EQ(cell, before);
    }
    // The whole cell must match: half of a long-vowel mark is not one.
    QByteArray half("\x81", 1);
    EXPECT_EQ(classifyCell(half, 0), (CellAdjustment{}));
    EXPECT_EQ(half, QByteArray("\x81", 1));
}

TEST(GlyphSurface, BlitIsClippedToTheSixteenBySixteenSurface) {
    std::array<quint32, 16> full{};
    full.fill(0xFFFF);
    GlyphSurface s;
    s.blit(full, 10, -10);
    for (int y = 0; y < 16; ++y) {
        for (int x = 0; x < 16; ++x)
            EXPECT_EQ(s.isBlack(x, y), x >= 10 && y <= 5) << x << "," << y;
    }
    s.clear();
    EXPECT_TRUE(s.isEmpty());
    s.blit(full, -4, 3);
    EXPECT_TRUE(s.isBlack(0, 3));
    EXPECT_TRUE(s.isBlack(11, 15));
    EXPECT_FALSE(s.isBlack(12, 15));
    EXPECT_FALSE(s.isBlack(0, 2));
    s.clear();
    s.blit(full, 16, 0);
    s.blit(full, 0, 16);
    EXPECT_TRUE(s.isEmpty());
}

TEST(StripImage, DotsLandAtATwoPixelPitch) {
    GlyphSurface s;
    s.setBlack(3, 5);
    s.setBlack(0, 0);
    s.setBlack(15, 15);
    StripImage strip(192);
    strip.drawCell(s, 2, 80, false);
    EXPECT_EQ(strip.litCount(), 3);
    EXPECT_TRUE(strip.isLit(8, 90));
    EXPECT_TRUE(strip.isLit(2, 80));
    EXPECT_TRUE(strip.isLit(32, 110));
    // Only single points: the pixels between dots stay unlit.
    EXPECT_FALSE(strip.isLit(9, 90));
    EXPECT_FALSE(strip.isLit(8, 91));
}

TEST(StripImage, TransposedCellsMirrorAcrossTheDiagonal) {
    GlyphSurface s;
    s.setBlack(3, 5);
    StripImage strip(192);
    strip.drawCell(s, 2, 80, true);
    EXPECT_EQ(strip.litCount(), 1);
    EXPECT_TRUE(strip.isLit(2 + 2 * 5, 80 + 2 * 3));
}

TEST(StripImage, DotsOutsideTheStripAreLost) {
    GlyphSurface s;
    s.setBlack(0, 0);
    s.setBlack(0, 15);
    StripImage strip(192);
    strip.drawCell(s, 2, 176, false); // second dot at y = 206
    EXPECT_EQ(strip.litCount(), 1);
    strip.clear();
    strip.drawCell(s, 2, -10, false);
    EXPECT_EQ(strip.litCount(), 1);
    EXPECT_TRUE(strip.isLit(2, 20));
    strip.clear();
    strip.drawCell(s, 40, 0, false);
    strip.drawCell(s, 2, 2147483600, false);
    EXPECT_EQ(strip.litCount(), 0);
}

TEST(StripImage, DumpHasOneLinePerRow) {
    StripImage strip(3);
    strip.plot(0, 0);
    strip.plot(36, 2);
    const QString text = strip.dump();
    const QStringList lines = text.split(QLatin1Char('\n'));
    ASSERT_EQ(lines.size(), 4); // three rows and the empty rest after the last newline
    EXPECT_EQ(lines[0], QStringLiteral("#") + QString(36, QLatin1Char('.')));
    EXPECT_EQ(lines[1], QString(37, QLatin1Char('.')));
    EXPECT_EQ(lines[2], QString(36, QLatin1Char('.')) + QStringLiteral("#"));
    EXPECT_TRUE(lines[3].isEmpty());
}

TEST(StripImage, HeightChangesKeepWhatRemains) {
    StripImage strip(192);
    strip.plot(5, 10);
    strip.plot(5, 150);
    strip.setHeight(100);
    EXPECT_EQ(strip.height(), 100);
    EXPECT_EQ(strip.litCount(), 1);
    strip.setHeight(224);
    EXPECT_FALSE(strip.isLit(5, 150));
    EXPECT_TRUE(strip.isLit(5, 10));
}
