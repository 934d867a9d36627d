// Layout of a stop name on the strip: cells of two cp932 bytes, first-cell offset and
// step, the strip height and which names scroll.
#include "platform/Cp932.h"
#include "stopname/ChimeiLayout.h"

#include "QtPrinting.h"

#include <QStringList>
#include <gtest/gtest.h>

using namespace chimei;

namespace {

QByteArray bytes(std::initializer_list<int> values) {
    QByteArray out;
    for (int v : values)
        out.append(static_cast<char>(v));
    return out;
}

QList<qint32> ys(const NameLayout& layout) {
    QList<qint32> out;
    for (const CellChunk& c : layout.chunks)
        out.append(c.y);
    return out;
}

} // namespace

struct PlacementCase {
    qint32 cells;
    qint16 mode;
    qint32 T;
    qint32 P;
};

class PlacementTable : public ::testing::TestWithParam<PlacementCase> {};

TEST_P(PlacementTable, OffsetAndStep) {
    const PlacementCase c = GetParam();
    const CellPlacement p = cellPlacement(c.cells, c.mode);
    EXPECT_EQ(p.T, c.T) << "cells " << c.cells << " mode " << c.mode;
    EXPECT_EQ(p.P, c.P) << "cells " << c.cells << " mode " << c.mode;
}

INSTANTIATE_TEST_SUITE_P(AllCounts, PlacementTable,
                         ::testing::Values(PlacementCase{0, 2, 0, 0}, PlacementCase{1, 2, 80, 0},
                                           PlacementCase{1, 0, 80, 0}, PlacementCase{2, 2, 48, 64},
                                           PlacementCase{2, 0, 32, 96}, PlacementCase{2, 1, 32, 96},
                                           PlacementCase{2, -1, 32, 96}, PlacementCase{2, 3, 32, 96},
                                           PlacementCase{3, 2, 16, 64}, PlacementCase{3, 0, 16, 64},
                                           PlacementCase{4, 2, 8, 48}, PlacementCase{5, 2, 4, 38},
                                           PlacementCase{6, 2, 0, 32}, PlacementCase{7, 2, 0, 32},
                                           PlacementCase{7, 0, 0, 32}, PlacementCase{30, 2, 0, 32}));

TEST(ChimeiLayout, StripHeightAndScrolling) {
    for (qint32 d = 0; d <= 6; ++d) {
        EXPECT_EQ(stripHeightFor(d), 192) << d;
        EXPECT_FALSE(scrolls(d)) << d;
    }
    EXPECT_EQ(stripHeightFor(7), 224);
    EXPECT_TRUE(scrolls(7));
    EXPECT_EQ(stripHeightFor(20), 640);
    EXPECT_EQ(stripHeightFor(30), 960);
}

TEST(ChimeiLayout, CellCountDropsAFinalOddByte) {
    EXPECT_EQ(cellCount(0), 0);
    EXPECT_EQ(cellCount(1), 0);
    EXPECT_EQ(cellCount(3), 1);
    EXPECT_EQ(cellCount(13), 6);
    EXPECT_EQ(cellCount(14), 7);
}

TEST(ChimeiLayout, SplitsAtByteBoundariesWhateverTheBytes) {
    // "A市": 41 8E 73. The double-byte character is cut in half, never decoded.
    const QByteArray name = cp932::encode(QStringLiteral("A市"));
    ASSERT_EQ(name, bytes({0x41, 0x8E, 0x73}));
    const QList<QByteArray> cells = splitCells(name);
    ASSERT_EQ(cells.size(), 2);
    EXPECT_EQ(cells[0], bytes({0x41, 0x8E}));
    EXPECT_EQ(cells[1], bytes({0x73}));

    const QList<QByteArray> halfWidth = splitCells(QByteArrayLiteral("ABC"));
    ASSERT_EQ(halfWidth.size(), 2);
    EXPECT_EQ(halfWidth[0], QByteArrayLiteral("AB"));
    EXPECT_EQ(halfWidth[1], QByteArrayLiteral("C"));

    EXPECT_TRUE(splitCells(QByteArray()).isEmpty());
    EXPECT_EQ(splitCells(cp932::encode(QStringLiteral("市役所"))).size(), 3);
}

TEST(ChimeiLayout, OneCharacterIsCentred) {
    const NameLayout l = layoutName(QStringLiteral("市"), 2);
    EXPECT_EQ(l.byteLength, 2);
    EXPECT_EQ(l.cells, 1);
    EXPECT_EQ(ys(l), QList<qint32>({80}));
    EXPECT_EQ(l.chunks[0].x, 2);
    EXPECT_EQ(l.stripHeight, 192);
    EXPECT_FALSE(l.scrolls);
}

TEST(ChimeiLayout, TwoCharactersFollowTheMode) {
    EXPECT_EQ(ys(layoutName(QStringLiteral("市役"), 2)), QList<qint32>({48, 112}));
    EXPECT_EQ(ys(layoutName(QStringLiteral("市役"), 0)), QList<qint32>({32, 128}));
    EXPECT_EQ(ys(layoutName(QStringLiteral("市役"), 7)), QList<qint32>({32, 128}));
}

TEST(ChimeiLayout, SpreadsUpToSixCellsOverTheStrip) {
    EXPECT_EQ(ys(layoutName(QStringLiteral("市役所"), 2)), QList<qint32>({16, 80, 144}));
    EXPECT_EQ(ys(layoutName(QStringLiteral("市役所前"), 2)), QList<qint32>({8, 56, 104, 152}));
    EXPECT_EQ(ys(layoutName(QStringLiteral("市役所前駅"), 2)), QList<qint32>({4, 42, 80, 118, 156}));
    const NameLayout six = layoutName(QStringLiteral("中央市役所前"), 2);
    EXPECT_EQ(ys(six), QList<qint32>({0, 32, 64, 96, 128, 160}));
    EXPECT_FALSE(six.scrolls);
    EXPECT_EQ(six.stripHeight, 192);
}

TEST(ChimeiLayout, SevenCellsScrollOnATallerStrip) {
    const NameLayout l = layoutName(QStringLiteral("中央市役所前駅"), 2);
    EXPECT_EQ(l.cells, 7);
    EXPECT_TRUE(l.scrolls);
    EXPECT_EQ(l.stripHeight, 224);
    EXPECT_EQ(ys(l), QList<qint32>({0, 32, 64, 96, 128, 160, 192}));
}

TEST(ChimeiLayout, ThreeBytesAreOneCellDrawnTwiceAtTheSamePlace) {
    // One double-byte and one single-byte character: d = 1, step 0, so the single
    // byte lands on the first character.
    const NameLayout l = layoutName(QStringLiteral("市A"), 2);
    EXPECT_EQ(l.byteLength, 3);
    EXPECT_EQ(l.cells, 1);
    ASSERT_EQ(l.chunks.size(), 2);
    EXPECT_EQ(l.chunks[0].bytes, cp932::encode(QStringLiteral("市")));
    EXPECT_EQ(l.chunks[1].bytes, QByteArrayLiteral("A"));
    EXPECT_EQ(ys(l), QList<qint32>({80, 80}));
}

TEST(ChimeiLayout, OneHalfWidthCharacterGoesToTheTopCell) {
    const NameLayout l = layoutName(QStringLiteral("A"), 2);
    EXPECT_EQ(l.byteLength, 1);
    EXPECT_EQ(l.cells, 0);
    EXPECT_EQ(ys(l), QList<qint32>({0}));
    EXPECT_FALSE(l.scrolls);
}

TEST(ChimeiLayout, HalfWidthCharactersShareCells) {
    const NameLayout l = layoutName(QStringLiteral("ﾊﾞｽ停"), 2);
    // ﾊ ﾞ ｽ are one byte each, 停 two: cells "ﾊﾞ", "ｽ" + lead byte of 停, its trail byte.
    EXPECT_EQ(l.byteLength, 5);
    EXPECT_EQ(l.cells, 2);
    ASSERT_EQ(l.chunks.size(), 3);
    EXPECT_EQ(l.chunks[0].bytes, cp932::encode(QStringLiteral("ﾊﾞ")));
    EXPECT_EQ(ys(l), QList<qint32>({48, 112, 176}));
}

TEST(ChimeiLayout, EmptyNameHasNoCells) {
    const NameLayout l = layoutName(QString(), 2);
    EXPECT_EQ(l.byteLength, 0);
    EXPECT_TRUE(l.chunks.isEmpty());
    EXPECT_FALSE(l.scrolls);
}

TEST(ChimeiLayout, AbsurdlyLongNamesAreCut) {
    const NameLayout l = layoutName(QString(20000, QChar(0x5E02)), 2);
    EXPECT_EQ(l.cells, kMaxCells);
    EXPECT_EQ(l.stripHeight, kMaxCells * 32);
    EXPECT_EQ(l.chunks.size(), kMaxCells);
    EXPECT_EQ(l.chunks.last().y, (kMaxCells - 1) * 32);
}
