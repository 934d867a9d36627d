// The stop-name control: properties and their storage, names on the strip, the glyph
// adjustments as they show on the strip, and the scroll.
#include "platform/BlockingWait.h"
#include "platform/Cp932.h"
#include "platform/Design.h"
#include "platform/ui/QtColor.h"
#include "stopname/GlyphSource.h"
#include "stopname/ui/ChimeiCtl_B.h"

#include "QtPrinting.h"
#include <QElapsedTimer>
#include <QImage>
#include <QTest>
#include <QTimer>

#include <QStringList>
#include <gtest/gtest.h>

namespace {

QStringList rows(const ChimeiCtl_B& c) {
    QStringList lines = c.dots().split(QLatin1Char('\n'));
    lines.removeLast(); // "top=N"
    return lines;
}

QString topLine(const ChimeiCtl_B& c) {
    return c.dots().split(QLatin1Char('\n')).last();
}

// The 16 x 16 dots of the cell whose top-left dot is at (x, y), read off the strip
// dump at the two-pixel pitch.
QStringList cellAt(const ChimeiCtl_B& c, int x, int y) {
    const QStringList lines = rows(c);
    QStringList out;
    for (int gy = 0; gy < 16; ++gy) {
        QString line;
        for (int gx = 0; gx < 16; ++gx) {
            const int py = y + 2 * gy;
            const int px = x + 2 * gx;
            const bool lit = py >= 0 && py < lines.size() && lines[py].at(px) == QLatin1Char('#');
            line.append(lit ? QLatin1Char('#') : QLatin1Char('.'));
        }
        out.append(line);
    }
    return out;
}

// Lit pixels of the strip that are not on the two-pixel grid of cells at x = 2, or
// lie outside the rows [from, to).
int litOutside(const ChimeiCtl_B& c, int from, int to) {
    const QStringList lines = rows(c);
    int n = 0;
    for (int y = 0; y < lines.size(); ++y)
        for (int x = 0; x < lines[y].size(); ++x)
            if (lines[y][x] == QLatin1Char('#') && (y < from || y >= to || (x - 2) % 2 != 0))
                ++n;
    return n;
}

int litCount(const QStringList& cell) {
    int n = 0;
    for (const QString& l : cell)
        n += l.count(QLatin1Char('#'));
    return n;
}

int widestRow(const QStringList& cell) {
    int row = -1;
    int widest = 0;
    for (int y = 0; y < 16; ++y) {
        const int n = static_cast<int>(cell[y].count(QLatin1Char('#')));
        if (n > widest) {
            widest = n;
            row = y;
        }
    }
    return row;
}

QStringList shiftedRight(const QStringList& cell) {
    QStringList out;
    for (const QString& l : cell)
        out.append(QLatin1Char('.') + l.left(15));
    return out;
}

const QStringList kCityGothic = {
    "........#.......", "........#.......", "........#.......", ".###############",
    "........#.......", "........#.......", "...###########..", "...#....#....#..",
    "...#....#....#..", "...#....#....#..", "...#....#....#..", "...#....#....#..",
    "...#....#..##...", "........#.......", "........#.......", "........#.......",
};

const QString kSeven = QStringLiteral("中央市役所前駅");

// Waits until `done` holds or `ms` have passed, letting the event loop run.
template <typename F> bool waitFor(F done, int ms) {
    QElapsedTimer t;
    t.start();
    while (!done()) {
        if (t.elapsed() > ms)
            return false;
        QTest::qWait(5);
    }
    return true;
}

} // namespace

TEST(ChimeiCtlProperties, NewInstanceHasTheDefaultsAndTheDesignColours) {
    ChimeiCtl_B c;
    EXPECT_EQ(c.Speed(), 5);
    EXPECT_EQ(c.ScrollStartWait(), 1500);
    EXPECT_EQ(c.Mode(), 2);
    EXPECT_EQ(c.FontMode(), 0);
    EXPECT_FALSE(c.FontBold());
    EXPECT_EQ(c.Appearance(), 1);
    EXPECT_EQ(c.BackColor(), 0x404040u);
    EXPECT_EQ(c.ForeColor(), 0x0080C0FFu);
    EXPECT_EQ(c.frameBackColor(), c.BackColor());
    EXPECT_EQ(c.frameSize(), QSize(36, 192));
    EXPECT_EQ(c.stripHeight(), 192);
    EXPECT_TRUE(c.StopScroll());
    EXPECT_TRUE(c.changedProperties().isEmpty());
    EXPECT_EQ(c.dots().count(QLatin1Char('#')), 0);
}

TEST(ChimeiCtlProperties, NewInstanceStoresOnlyWhatDiffersFromTheDefaults) {
    ChimeiCtl_B c;
    PropertyBag bag;
    c.WriteProperties(bag);
    ASSERT_EQ(bag.entries().size(), 2);
    EXPECT_EQ(bag.entries()[0].first, QStringLiteral("BackColor"));
    EXPECT_EQ(bag.entries()[0].second.toInt(), 0x404040);
    EXPECT_EQ(bag.entries()[1].first, QStringLiteral("ForeColor"));
    EXPECT_EQ(bag.entries()[1].second.toInt(), 0x0080C0FF);
}

TEST(ChimeiCtlProperties, TheBoardsStoredInstance) {
    PropertyBag stored;
    stored.set(QStringLiteral("ForeColor"), 0x0080C0FF);
    stored.set(QStringLiteral("Appearance"), 0);
    ChimeiCtl_B c(nullptr, &stored);
    EXPECT_EQ(c.ForeColor(), 0x0080C0FFu);
    EXPECT_EQ(c.BackColor(), ChimeiCtl_B::kDefaultBackColor);
    EXPECT_EQ(c.frameBackColor(), ChimeiCtl_B::kDefaultBackColor);
    EXPECT_EQ(c.Appearance(), 0);
    // Only the border changes: the frame keeps its size.
    EXPECT_EQ(c.frameSize(), QSize(36, 192));
    EXPECT_EQ(c.Speed(), 5);
    EXPECT_EQ(c.ScrollStartWait(), 1500);
    EXPECT_EQ(c.Mode(), 2);

    PropertyBag out;
    c.WriteProperties(out);
    ASSERT_EQ(out.entries().size(), 2);
    EXPECT_EQ(out.entries()[0].first, QStringLiteral("ForeColor"));
    EXPECT_EQ(out.entries()[1].first, QStringLiteral("Appearance"));
    EXPECT_EQ(out.entries()[1].second.toInt(), 0);
}

TEST(ChimeiCtlProperties, TheBoardDesignBlockLoads) {
    const DesignParseResult r =
        loadDesign(QStringLiteral(CORVANE_SOURCE_DIR "/src/board/ui/resources/Form1.design"));
    ASSERT_TRUE(r.ok) << r.error.toStdString();
    const DesignNode* node = r.root.child(QStringLiteral("ChimeiCtl"));
    ASSERT_NE(node, nullptr);
    EXPECT_EQ(node->kind, QStringLiteral("ChimeiCtl_B"));
    ChimeiCtl_B c(nullptr, &node->properties);
    EXPECT_EQ(c.ForeColor(), 0x0080C0FFu);
    EXPECT_EQ(c.BackColor(), ChimeiCtl_B::kDefaultBackColor);
    EXPECT_EQ(c.Appearance(), 0);
    EXPECT_EQ(c.Speed(), 5);
    EXPECT_EQ(c.ScrollStartWait(), 1500);
    EXPECT_EQ(c.Mode(), 2);
    EXPECT_EQ(c.FontMode(), 0);
    EXPECT_FALSE(c.FontBold());
}

TEST(ChimeiCtlProperties, EveryStoredValueRoundTrips) {
    PropertyBag stored;
    stored.set(QStringLiteral("BackColor"), 0x112233);
    stored.set(QStringLiteral("ForeColor"), 0x445566);
    stored.set(QStringLiteral("Speed"), 120);
    stored.set(QStringLiteral("ScrollStartWait"), 2500);
    stored.set(QStringLiteral("Mode"), 1);
    stored.set(QStringLiteral("Appearance"), 0);
    stored.set(QStringLiteral("FontMode"), 3);
    stored.set(QStringLiteral("FontBold"), true);
    ChimeiCtl_B c(nullptr, &stored);
    EXPECT_EQ(c.BackColor(), 0x112233u);
    EXPECT_EQ(c.frameBackColor(), 0x112233u);
    EXPECT_EQ(c.ForeColor(), 0x445566u);
    EXPECT_EQ(c.Speed(), 120);
    EXPECT_EQ(c.ScrollStartWait(), 2500);
    EXPECT_EQ(c.Mode(), 1);
    EXPECT_EQ(c.Appearance(), 0);
    EXPECT_EQ(c.FontMode(), 3);
    EXPECT_TRUE(c.FontBold());

    PropertyBag out;
    c.WriteProperties(out);
    const QStringList names = {"BackColor", "ForeColor",  "Speed",    "ScrollStartWait",
                               "Mode",      "Appearance", "FontMode", "FontBold"};
    ASSERT_EQ(out.entries().size(), names.size());
    for (qsizetype i = 0; i < names.size(); ++i) {
        EXPECT_EQ(out.entries()[i].first, names[i]);
        EXPECT_EQ(out.entries()[i].second.toDouble(), stored.ReadProperty(names[i]).toDouble()) << names[i];
    }
}

TEST(ChimeiCtlProperties, ValuesAtTheirDefaultsAreNotWritten) {
    ChimeiCtl_B c;
    c.setBackColor(ChimeiCtl_B::kDefaultBackColor);
    c.setForeColor(ChimeiCtl_B::kDefaultForeColor);
    c.setSpeed(5);
    c.setFontBold(false);
    PropertyBag out;
    c.WriteProperties(out);
    EXPECT_TRUE(out.isEmpty());
    EXPECT_TRUE(c.changedProperties().contains(QStringLiteral("BackColor")));
    EXPECT_TRUE(c.changedProperties().contains(QStringLiteral("Speed")));
}

TEST(ChimeiCtlProperties, LetsHaveNoRangeCheck) {
    ChimeiCtl_B c;
    c.setSpeed(-7);
    c.setScrollStartWait(-1);
    c.setMode(99);
    c.setFontMode(-1);
    EXPECT_EQ(c.Speed(), -7);
    EXPECT_EQ(c.ScrollStartWait(), -1);
    EXPECT_EQ(c.Mode(), 99);
    EXPECT_EQ(c.FontMode(), -1);
    for (const char* name : {"Speed", "ScrollStartWait", "Mode", "FontMode"})
        EXPECT_TRUE(c.changedProperties().contains(QString::fromLatin1(name))) << name;
}

TEST(ChimeiCtlProperties, AppearanceSizesTheFrame) {
    ChimeiCtl_B c;
    EXPECT_TRUE(c.setAppearance(0));
    EXPECT_EQ(c.Appearance(), 0);
    EXPECT_EQ(c.frameSize(), QSize(35, 185));
    EXPECT_TRUE(c.setAppearance(1));
    EXPECT_EQ(c.frameSize(), QSize(37, 195));
    EXPECT_TRUE(c.changedProperties().contains(QStringLiteral("Appearance")));
    // The frame has no other border.
    EXPECT_FALSE(c.setAppearance(2));
    EXPECT_EQ(c.Appearance(), 1);
    EXPECT_EQ(c.frameSize(), QSize(37, 195));
}

TEST(ChimeiCtlProperties, AnInvalidStoredAppearanceKeepsTheDesignedBorder) {
    PropertyBag stored;
    stored.set(QStringLiteral("Appearance"), 7);
    ChimeiCtl_B c(nullptr, &stored);
    EXPECT_EQ(c.Appearance(), 1);
}

class ChimeiCtlNames : public ::testing::Test {
protected:
    ChimeiCtl_B c;
};

TEST_F(ChimeiCtlNames, OneCharacterIsDrawnAtY80) {
    c.SetChimei(QStringLiteral("市"));
    EXPECT_EQ(c.stopName(), QStringLiteral("市"));
    EXPECT_EQ(cellAt(c, 2, 80), kCityGothic);
    EXPECT_EQ(litOutside(c, 80, 112), 0);
    EXPECT_EQ(topLine(c), QStringLiteral("top=0"));
    EXPECT_TRUE(c.StopScroll());
    EXPECT_FALSE(c.isScrolling());
}

TEST_F(ChimeiCtlNames, DotsHasOneLineOfThirtySevenPerStripRow) {
    c.SetChimei(QStringLiteral("市"));
    const QStringList lines = c.dots().split(QLatin1Char('\n'));
    ASSERT_EQ(lines.size(), 193);
    for (int i = 0; i < 192; ++i)
        ASSERT_EQ(lines[i].size(), 37) << i;
    // Row 3 of the glyph: dots 1..15 lit, one pixel apart.
    QString row3(37, QLatin1Char('.'));
    for (int gx = 1; gx <= 15; ++gx)
        row3[2 + 2 * gx] = QLatin1Char('#');
    EXPECT_EQ(lines[80 + 6], row3);
    EXPECT_EQ(lines[80 + 7], QString(37, QLatin1Char('.')));
    EXPECT_EQ(lines.last(), QStringLiteral("top=0"));
}

TEST_F(ChimeiCtlNames, TwoCharactersFollowTheMode) {
    c.SetChimei(QStringLiteral("市市"));
    EXPECT_EQ(cellAt(c, 2, 48), kCityGothic);
    EXPECT_EQ(cellAt(c, 2, 112), kCityGothic);
    EXPECT_EQ(litOutside(c, 48, 144), 0);
    EXPECT_EQ(litCount(cellAt(c, 2, 80)), 0) << "nothing between the two cells";

    c.setMode(0);
    c.SetChimei(QStringLiteral("市市"));
    EXPECT_EQ(cellAt(c, 2, 32), kCityGothic);
    EXPECT_EQ(cellAt(c, 2, 128), kCityGothic);
}

TEST_F(ChimeiCtlNames, LongVowelIsAVerticalStroke) {
    c.SetChimei(QStringLiteral("ー"));
    const QStringList cell = cellAt(c, 2, 80);
    int columns = 0;
    for (int x = 0; x < 16; ++x) {
        bool any = false;
        for (const QString& l : cell)
            any = any || l[x] == QLatin1Char('#');
        columns += any ? 1 : 0;
    }
    int rowsLit = 0;
    for (const QString& l : cell)
        rowsLit += l.contains(QLatin1Char('#')) ? 1 : 0;
    EXPECT_LE(columns, 2);
    EXPECT_GE(rowsLit, 12);
}

TEST_F(ChimeiCtlNames, DrawDot16RewritesTheCallersCell) {
    qint32 x = 2;
    qint32 y = 0;
    QString cell = QStringLiteral("ー");
    c.DrawDot16(x, y, cell);
    EXPECT_EQ(cell, QStringLiteral("丨"));
    QByteArray bytes = cp932::encode(QStringLiteral("ー"));
    c.DrawDot16(x, y, bytes);
    EXPECT_EQ(bytes, QByteArray("\xFA\x68"));
    QString other = QStringLiteral("市");
    c.DrawDot16(x, y, other);
    EXPECT_EQ(other, QStringLiteral("市"));
}

TEST_F(ChimeiCtlNames, RightArrowPointsDown) {
    c.SetChimei(QStringLiteral("→"));
    const QStringList cell = cellAt(c, 2, 80);
    // The shaft is vertical: one column is lit over most of the height.
    int longest = 0;
    for (int x = 0; x < 16; ++x) {
        int n = 0;
        for (const QString& l : cell)
            n += l[x] == QLatin1Char('#') ? 1 : 0;
        longest = std::max(longest, n);
    }
    EXPECT_GE(longest, 14);
    // The head, the widest row, is at the bottom; the left arrow's is at the top.
    EXPECT_GE(widestRow(cell), 8);
    c.SetChimei(QStringLiteral("←"));
    EXPECT_LT(widestRow(cellAt(c, 2, 80)), 8);
}

TEST_F(ChimeiCtlNames, FullStopSitsInTheUpperRightOfItsCell) {
    for (const QString& mark : {QStringLiteral("。"), QStringLiteral("、")}) {
        c.SetChimei(mark);
        const QStringList cell = cellAt(c, 2, 80);
        ASSERT_GT(litCount(cell), 0);
        for (int y = 0; y < 16; ++y)
            for (int x = 0; x < 16; ++x) {
                if (cell[y][x] == QLatin1Char('#')) {
                    EXPECT_TRUE(x >= 8 && y < 8) << x << "," << y;
                }
            }
    }
}

TEST_F(ChimeiCtlNames, SaruIsShiftedOnlyInTheGothicModes) {
    c.setFontMode(5); // Gothic for every cell, not shifted
    c.SetChimei(QStringLiteral("申"));
    const QStringList unshifted = cellAt(c, 2, 80);
    ASSERT_GT(litCount(unshifted), 0);
    c.setFontMode(0);
    c.SetChimei(QStringLiteral("申"));
    EXPECT_EQ(cellAt(c, 2, 80), shiftedRight(unshifted));
    c.setFontMode(2);
    c.SetChimei(QStringLiteral("山"));
    const QStringList yama2 = cellAt(c, 2, 80);
    c.setFontMode(-1);
    c.SetChimei(QStringLiteral("山"));
    EXPECT_EQ(yama2, shiftedRight(cellAt(c, 2, 80)));

    // Mincho: not shifted in font mode 1.
    c.setFontMode(1);
    c.SetChimei(QStringLiteral("申"));
    const QStringList mincho = cellAt(c, 2, 80);
    c.setFontMode(3); // kanji in Mincho, no shift either
    c.SetChimei(QStringLiteral("申"));
    EXPECT_EQ(cellAt(c, 2, 80), mincho);
    EXPECT_NE(mincho, unshifted);
}

TEST_F(ChimeiCtlNames, FontModeChoosesTheFacePerCell) {
    // Kana and kanji rendered in each mode. (The 16-dot faces share their full-width
    // digits and letters, so font mode 4 shows like mode 1 here.)
    const QString name = QStringLiteral("あ駅");
    const auto cells = [&](qint16 mode) {
        c.setFontMode(mode);
        c.SetChimei(name);
        return QList<QStringList>{cellAt(c, 2, 48), cellAt(c, 2, 112)};
    };
    const QList<QStringList> gothic = cells(0);
    const QList<QStringList> mincho = cells(1);
    for (int i = 0; i < 2; ++i)
        ASSERT_NE(gothic[i], mincho[i]) << i;
    EXPECT_EQ(cells(2), (QList<QStringList>{mincho[0], gothic[1]}));
    EXPECT_EQ(cells(3), (QList<QStringList>{gothic[0], mincho[1]}));
    EXPECT_EQ(cells(4), mincho);
    EXPECT_EQ(cells(-1), gothic);
    EXPECT_EQ(cells(9), gothic);
}

TEST_F(ChimeiCtlNames, BoldUsesTheBoldFaces) {
    c.SetChimei(QStringLiteral("市"));
    const int regular = litCount(cellAt(c, 2, 80));
    c.setFontBold(true);
    c.SetChimei(QStringLiteral("市"));
    EXPECT_GT(litCount(cellAt(c, 2, 80)), regular);
}

TEST_F(ChimeiCtlNames, TwoHalfWidthLettersShareACell) {
    c.SetChimei(QStringLiteral("AB"));
    const QStringList cell = cellAt(c, 2, 80);
    int left = 0;
    int right = 0;
    for (const QString& l : cell) {
        left += l.left(8).count(QLatin1Char('#'));
        right += l.mid(8).count(QLatin1Char('#'));
    }
    EXPECT_GT(left, 5);
    EXPECT_GT(right, 5);
}

TEST_F(ChimeiCtlNames, ThreeBytesDrawTheSingleByteOverTheFirstCharacter) {
    c.SetChimei(QStringLiteral("市"));
    const QStringList city = cellAt(c, 2, 80);
    c.SetChimei(QStringLiteral("A"));
    const QStringList a = cellAt(c, 2, 0);
    c.SetChimei(QStringLiteral("市A"));
    const QStringList both = cellAt(c, 2, 80);
    for (int y = 0; y < 16; ++y)
        for (int x = 0; x < 16; ++x)
            EXPECT_EQ(both[y][x] == QLatin1Char('#'),
                      city[y][x] == QLatin1Char('#') || a[y][x] == QLatin1Char('#'));
    EXPECT_EQ(litOutside(c, 80, 112), 0);
    EXPECT_FALSE(c.isScrolling());
}

TEST_F(ChimeiCtlNames, OneHalfWidthCharacterIsDrawnInTheTopCell) {
    c.SetChimei(QStringLiteral("A"));
    EXPECT_GT(litCount(cellAt(c, 2, 0)), 5);
    EXPECT_EQ(litOutside(c, 0, 32), 0);
}

TEST_F(ChimeiCtlNames, SixCellsStandStill) {
    c.SetChimei(QStringLiteral("中央市役所前"));
    EXPECT_FALSE(c.isScrolling());
    EXPECT_TRUE(c.StopScroll());
    EXPECT_EQ(c.stripTop(), 0);
    EXPECT_EQ(c.stripHeight(), 192);
    EXPECT_EQ(cellAt(c, 2, 64), kCityGothic);
    QTest::qWait(50);
    EXPECT_EQ(c.stripTop(), 0);
}

TEST_F(ChimeiCtlNames, EmptyNameBlanksButKeepsTheHeight) {
    c.setScrollStartWait(60000);
    c.SetChimei(kSeven);
    ASSERT_EQ(c.stripHeight(), 224);
    ASSERT_TRUE(c.isScrolling());
    c.SetChimei(QString());
    EXPECT_EQ(c.stopName(), QString());
    EXPECT_EQ(c.stripHeight(), 224);
    EXPECT_EQ(c.dots().count(QLatin1Char('#')), 0);
    EXPECT_EQ(topLine(c), QStringLiteral("top=0"));
    EXPECT_FALSE(c.isScrolling());
    EXPECT_TRUE(c.StopScroll());
}

TEST_F(ChimeiCtlNames, CellsPastTheStripAreLost) {
    // Five double-byte characters and one single byte: the single byte would be at
    // 5 x 38 + 4 = 194, below the strip.
    c.SetChimei(QStringLiteral("市市市市市A"));
    EXPECT_FALSE(c.isScrolling());
    EXPECT_EQ(litOutside(c, 0, 192), 0);
    EXPECT_EQ(cellAt(c, 2, 156), kCityGothic);
}

class ChimeiCtlScroll : public ::testing::Test {
protected:
    ChimeiCtl_B c;
};

TEST_F(ChimeiCtlScroll, SevenCellsStartBelowTheFrameAndPauseFirst) {
    c.setScrollStartWait(1000);
    c.SetChimei(kSeven);
    EXPECT_TRUE(c.isScrolling());
    EXPECT_FALSE(c.StopScroll());
    EXPECT_EQ(c.stripHeight(), 224);
    EXPECT_EQ(c.stripTop(), 192);
    EXPECT_EQ(cellAt(c, 2, 64), kCityGothic);

    // The pause does not hold up the event loop.
    bool ticked = false;
    QTimer::singleShot(20, [&] { ticked = true; });
    QTest::qWait(100);
    EXPECT_TRUE(ticked);
    EXPECT_EQ(c.stripTop(), 192);
    EXPECT_EQ(c.scrollPhase(), chimei::ScrollMotion::Phase::StartPause);

    // After the pause the strip rises.
    EXPECT_TRUE(waitFor([&] { return c.stripTop() < 190; }, 4000));
}

TEST_F(ChimeiCtlScroll, TheStripTopChangesOverTime) {
    c.setScrollStartWait(0);
    c.setSpeed(200); // one pixel per pass
    c.SetChimei(kSeven);
    QTest::qWait(60);
    const int first = c.stripTop();
    QTest::qWait(60);
    const int second = c.stripTop();
    EXPECT_LT(first, 192);
    EXPECT_LT(second, first);
    EXPECT_TRUE(topLine(c).startsWith(QStringLiteral("top=")));
}

TEST_F(ChimeiCtlScroll, ANewNameStopsTheScrollAtOnce) {
    c.setScrollStartWait(0);
    c.setSpeed(200);
    c.SetChimei(kSeven);
    ASSERT_TRUE(waitFor([&] { return c.stripTop() < 150; }, 2000));
    c.SetChimei(QStringLiteral("市"));
    EXPECT_FALSE(c.isScrolling());
    EXPECT_TRUE(c.StopScroll());
    EXPECT_EQ(c.stripTop(), 0);
    EXPECT_EQ(c.stripHeight(), 192);
    QTest::qWait(100);
    EXPECT_EQ(c.stripTop(), 0);
    EXPECT_EQ(cellAt(c, 2, 80), kCityGothic);
}

TEST_F(ChimeiCtlScroll, ALongNameReplacesALongName) {
    c.setScrollStartWait(0);
    c.setSpeed(400);
    c.SetChimei(kSeven);
    ASSERT_TRUE(waitFor([&] { return c.stripTop() < 0; }, 2000));
    c.setScrollStartWait(5000);
    c.SetChimei(QStringLiteral("中央市役所前駅東口"));
    EXPECT_EQ(c.stripHeight(), 9 * 32);
    EXPECT_EQ(c.stripTop(), 192);
    QTest::qWait(100);
    EXPECT_EQ(c.stripTop(), 192) << "the old scroll must not move the new strip";
}

TEST_F(ChimeiCtlScroll, KeepsScrollingDuringABlockingWait) {
    c.setScrollStartWait(0);
    c.setSpeed(200);
    c.SetChimei(kSeven);
    blocking::wait(200);
    EXPECT_LT(c.stripTop(), 192 - 100);
}

TEST_F(ChimeiCtlScroll, ZeroSpeedIsStoredBackAsOne) {
    c.setScrollStartWait(0);
    c.setSpeed(0);
    c.SetChimei(kSeven);
    ASSERT_TRUE(waitFor([&] { return c.Speed() == 1; }, 1000));
    EXPECT_TRUE(c.changedProperties().contains(QStringLiteral("Speed")));
}

TEST_F(ChimeiCtlScroll, TheStripComesBackBelowTheFrameAfterACycle) {
    c.setScrollStartWait(0);
    c.setSpeed(2000); // ten pixels per pass: a cycle of 608 pixels in about 61 ms
    c.SetChimei(kSeven);
    int lowest = 192;
    bool cameBack = false;
    QElapsedTimer t;
    t.start();
    while (t.elapsed() < 1500 && !cameBack) {
        QTest::qWait(5);
        const int top = c.stripTop();
        if (top < lowest)
            lowest = top;
        cameBack = lowest < 0 && top > lowest + 100;
    }
    EXPECT_TRUE(cameBack);
    EXPECT_GE(lowest, -416);
}

TEST(ChimeiCtlPaint, LitDotsShowInTheForeColourInsideTheFrame) {
    PropertyBag stored;
    stored.set(QStringLiteral("ForeColor"), 0x0080C0FF);
    stored.set(QStringLiteral("Appearance"), 0);
    ChimeiCtl_B c(nullptr, &stored);
    c.resize(35, 192);
    c.SetChimei(QStringLiteral("市"));
    QImage shot = c.grab().toImage();
    ASSERT_EQ(shot.size(), QSize(35, 192));
    // Dot (8, 3) of 市 is lit: pixel (2 + 16, 80 + 6). Its neighbour is not.
    EXPECT_EQ(shot.pixelColor(18, 86), colorref::toQColor(0x0080C0FF));
    EXPECT_EQ(shot.pixelColor(19, 86), colorref::toQColor(ChimeiCtl_B::kDefaultBackColor));

    // Colour changes apply to the dots already shown.
    c.setForeColor(0x00FF00);
    c.setBackColor(0x000080);
    shot = c.grab().toImage();
    EXPECT_EQ(shot.pixelColor(18, 86), colorref::toQColor(0x00FF00));
    EXPECT_EQ(shot.pixelColor(19, 86), colorref::toQColor(0x000080));
    EXPECT_EQ(shot.pixelColor(5, 5), colorref::toQColor(0x000080));
}

TEST(ChimeiCtlPaint, TheThreeDBorderInsetsTheStrip) {
    ChimeiCtl_B c;
    c.SetChimei(QStringLiteral("市"));
    const QImage shot = c.grab().toImage();
    EXPECT_EQ(shot.pixelColor(18 + 2, 86 + 2), colorref::toQColor(ChimeiCtl_B::kDesignForeColor));
    EXPECT_NE(shot.pixelColor(0, 0), colorref::toQColor(ChimeiCtl_B::kDesignBackColor));
}

TEST(ChimeiCtlPaint, TheFrameClipsAScrollingStrip) {
    ChimeiCtl_B c;
    c.setScrollStartWait(60000);
    c.setAppearance(0);
    c.resize(35, 192);
    c.SetChimei(kSeven);
    const QImage shot = c.grab().toImage();
    // The strip waits below the frame: the frame shows only its back colour.
    for (int y = 0; y < 185; ++y)
        for (int x = 0; x < 35; ++x)
            ASSERT_EQ(shot.pixelColor(x, y), colorref::toQColor(ChimeiCtl_B::kDesignBackColor))
                << x << "," << y;
}
