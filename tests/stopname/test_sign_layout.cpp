// The destination signs: the dots of a text, the number box and the text areas, and
// the one clock that scrolls them and switches their language.
#include "platform/Cp932.h"
#include "stopname/GlyphSource.h"
#include "stopname/SignDriver.h"

#include <gtest/gtest.h>

using namespace signs;

namespace {

chimei::GlyphSource& glyphs() {
    return chimei::GlyphSource::shared();
}

// The font's own 16 x 16 rows of a double-byte character.
chimei::Glyph fontGlyph(const QString& ch) {
    chimei::Glyph g;
    EXPECT_TRUE(
        glyphs().glyph(chimei::firstCharCode(cp932::encode(ch)), chimei::GlyphFace::Gothic, false, g));
    return g;
}

TEST(SignText, DotsOfAHeadsignAreTheFontsGlyphs) {
    const QString headsign = QStringLiteral("地球岬団地");
    const DotImage dots = textDots(headsign, glyphs());
    ASSERT_EQ(dots.width(), 16 * 5);
    ASSERT_EQ(dots.height(), 16);
    for (int i = 0; i < headsign.size(); ++i) {
        const chimei::Glyph g = fontGlyph(headsign.mid(i, 1));
        for (int y = 0; y < 16; ++y)
            for (int x = 0; x < 16; ++x)
                EXPECT_EQ(dots.isLit(16 * i + x, y), bool((g.rows[size_t(y)] >> x) & 1u))
                    << "character " << i << " at " << x << "," << y;
    }
}

TEST(SignText, WidthsAndTheStripsRules) {
    struct Case {
        const char* name;
        QString text;
        int width;
    };
    for (const Case& c : {Case{"half_width_latin", "Muroran", 7 * 8}, Case{"mixed", "12系統", 8 * 2 + 16 * 2},
                          Case{"half_width_kana", "ﾊﾞｽ", 3 * 8}, Case{"empty", "", 0}})
        EXPECT_EQ(textDots(c.text, glyphs()).width(), c.width) << c.name;
    // Horizontal writing keeps the long-vowel mark as it is (the strip turns it).
    const DotImage bar = textDots(QStringLiteral("ー"), glyphs());
    const chimei::Glyph g = fontGlyph(QStringLiteral("ー"));
    for (int y = 0; y < 16; ++y)
        for (int x = 0; x < 16; ++x)
            EXPECT_EQ(bar.isLit(x, y), bool((g.rows[size_t(y)] >> x) & 1u));
    // "山" stands one dot right in the Gothic faces, as on the strip.
    const DotImage mountain = textDots(QStringLiteral("山"), glyphs());
    const chimei::Glyph m = fontGlyph(QStringLiteral("山"));
    for (int y = 0; y < 16; ++y)
        for (int x = 0; x < 15; ++x)
            EXPECT_EQ(mountain.isLit(x + 1, y), bool((m.rows[size_t(y)] >> x) & 1u));
}

// The column span of the number box's frame on the top row.
int boxWidth(const DotImage& d) {
    int w = 0;
    while (w < d.width() && d.at(w, 0) == Ink::Frame)
        ++w;
    return w;
}

TEST(SignLayoutTest, NumberBoxAndTextAreas) {
    const SignText text{"12", "室蘭駅", "中島経由", "Muroran Sta.", "via Nakajima"};
    struct Case {
        const char* name;
        SignKind kind;
        Lang lang;
        int box;
        std::vector<QRect> areas;
    };
    const Case cases[] = {
        // Two half-width digits: the box keeps its least width.
        {"front", SignKind::Front, Lang::Japanese, kBoxMinWidth, {QRect(31, 2, 145, 16)}},
        {"side_two_lines",
         SignKind::Side,
         Lang::Japanese,
         kBoxMinWidth,
         {QRect(31, 1, 161, 16), QRect(31, 19, 161, 16)}},
        {"rear_number_only", SignKind::Rear, Lang::English, kRearWidth, {}},
    };
    for (const Case& c : cases) {
        const SignLayout l = layoutSign(c.kind, text, c.lang, glyphs());
        EXPECT_EQ(l.still.width(), signSize(c.kind).width()) << c.name;
        EXPECT_EQ(boxWidth(l.still), c.box) << c.name;
        ASSERT_EQ(l.lines.size(), c.areas.size()) << c.name;
        for (size_t i = 0; i < c.areas.size(); ++i)
            EXPECT_EQ(l.lines[i].area, c.areas[i]) << c.name << " line " << i;
    }
    // The number stands in the middle of its box: "12" is 16 dots wide in a box of 28.
    const SignLayout front = layoutSign(SignKind::Front, text, Lang::Japanese, glyphs());
    int first = -1, last = -1;
    for (int x = 1; x < kBoxMinWidth - 1; ++x)
        for (int y = 1; y < kFrontHeight - 1; ++y)
            if (front.still.at(x, y) == Ink::Number) {
                first = first < 0 ? x : first;
                last = x;
            }
    EXPECT_GE(first, 6);
    EXPECT_LE(last, 6 + 15);
    // "室蘭駅" (48 dots) stands centred in its 145 dots.
    EXPECT_FALSE(front.lines[0].scrolls());
    EXPECT_EQ(front.lines[0].restingX(), 31 + (145 - 48) / 2);
    // A wide number widens the box up to its limit; a full-colour box is lit inside.
    const SignLayout wide =
        layoutSign(SignKind::Front, SignText{"循環", "室蘭駅"}, Lang::Japanese, glyphs(), true);
    EXPECT_EQ(boxWidth(wide.still), 32 + 6);
    EXPECT_EQ(wide.still.at(2, 2), Ink::BoxFill);
    EXPECT_EQ(boxWidth(layoutSign(SignKind::Front, SignText{"1234567"}, Lang::Japanese, glyphs()).still),
              kBoxMaxWidth);
    // The side without a way: the destination alone, in the middle.
    const SignLayout side = layoutSign(SignKind::Side, SignText{"12", "室蘭駅"}, Lang::English, glyphs());
    ASSERT_EQ(side.lines.size(), 1u);
    EXPECT_EQ(side.lines[0].area.y(), 10);
    // No route: nothing lit.
    EXPECT_EQ(layoutSign(SignKind::Front, SignText{}, Lang::Japanese, glyphs()).still.litCount(), 0);
}

TEST(SignLayoutTest, ShownTexts) {
    const SignText text{"12", "室蘭駅", "中島経由", "Muroran Sta.", ""};
    EXPECT_EQ(shownText(SignKind::Front, text, Lang::English), QStringLiteral("Muroran Sta."));
    EXPECT_EQ(shownText(SignKind::Side, text, Lang::Japanese), QStringLiteral("室蘭駅 中島経由"));
    EXPECT_EQ(shownText(SignKind::Side, text, Lang::English), QStringLiteral("Muroran Sta."));
    EXPECT_EQ(shownText(SignKind::Front, SignText{"9", "終点"}, Lang::English), QStringLiteral("終点"));
    EXPECT_EQ(shownText(SignKind::Rear, text, Lang::Japanese), QString());
}

TEST(SignClock, AlternationTiming) {
    AlternationClock c;
    c.start(1000, 3000, 3000);
    struct Case {
        qint64 at;
        Lang lang;
        qint64 next;
    };
    for (const Case& k : {Case{1000, Lang::Japanese, 4000}, Case{3999, Lang::Japanese, 4000},
                          Case{4000, Lang::English, 7000}, Case{6999, Lang::English, 7000},
                          Case{7000, Lang::Japanese, 10000}, Case{61000, Lang::Japanese, 64000}}) {
        EXPECT_EQ(c.langAt(k.at), k.lang) << k.at;
        EXPECT_EQ(c.nextSwitchMs(k.at), k.next) << k.at;
    }
    c.start(0, 3000, 0);
    EXPECT_EQ(c.langAt(100000), Lang::Japanese);
    EXPECT_EQ(c.nextSwitchMs(0), -1);
}

TEST(SignClock, AllSignsSwitchTogether) {
    SignDriver d(glyphs());
    d.setOpen(SignKind::Front, true, 0);
    d.setOpen(SignKind::Side, true, 0);
    d.setText(SignText{"12", "室蘭駅", "", "Muroran", ""}, 0);
    const DotImage frontJa = d.dots(SignKind::Front);
    EXPECT_EQ(d.lang(), Lang::Japanese);
    EXPECT_EQ(d.nextEventMs(), 3000);
    EXPECT_EQ(d.advance(2999), 0);
    // Both open signs change at once; the closed one has nothing to show.
    EXPECT_EQ(d.advance(3000), 0b011);
    EXPECT_EQ(d.lang(), Lang::English);
    EXPECT_NE(d.dots(SignKind::Front), frontJa);
    EXPECT_EQ(d.dots(SignKind::Rear).width(), 0);
    // A long stretch without calls lands on the language of its time.
    d.advance(3000 + 6000 * 10 + 100);
    EXPECT_EQ(d.lang(), Lang::English);
    d.advance(3000 + 6000 * 10 + 3000);
    EXPECT_EQ(d.lang(), Lang::Japanese);
    EXPECT_EQ(d.dots(SignKind::Front), frontJa);
    // alternate=0: Japanese only.
    SignSettings s;
    s.alternate = 0;
    d.setSettings(s, 100000);
    d.advance(200000);
    EXPECT_EQ(d.lang(), Lang::Japanese);
    EXPECT_EQ(d.nextEventMs(), -1);
}

TEST(SignClock, LongTextScrollsOnceBeforeTheSwitch) {
    SignDriver d(glyphs());
    d.setOpen(SignKind::Front, true, 0);
    const QString longName = QStringLiteral("東室蘭駅東口経由地球岬団地行き");
    d.setText(SignText{"9000", longName, "", "Chikyu-misaki", ""}, 0);
    const SignLayout l = layoutSign(SignKind::Front, d.text(), Lang::Japanese, glyphs());
    ASSERT_EQ(l.lines.size(), 1u);
    ASSERT_TRUE(l.lines[0].scrolls());
    const qint64 pass = passMs(l.lines[0].area.width(), l.lines[0].text.width(), d.settings());
    // The strip's cycle sideways: the pause, then (2 areas + the text) dots at speed / 400
    // dots a millisecond.
    EXPECT_EQ(pass, 1500 + (2 * (2 * l.lines[0].area.width() + 16 * 15) * 200 + 15) / 16);
    ASSERT_GT(pass, 3000);
    // In the pause the text waits right of its area: only the box is lit.
    const int boxOnly = d.dots(SignKind::Front).litCount();
    d.advance(1499);
    EXPECT_EQ(d.dots(SignKind::Front).litCount(), boxOnly);
    // Then it comes in from the right.
    d.advance(1500 + 400);
    EXPECT_GT(d.dots(SignKind::Front).litCount(), boxOnly);
    EXPECT_TRUE(d.scrolling());
    // The language stays until the longest pass of every sign, open or not, is done
    // (the side's wider area takes longer than the front's).
    const qint64 longest = languageMs(d.text(), Lang::Japanese, d.settings(), glyphs(), 0b111);
    const qint64 side = languageMs(d.text(), Lang::Japanese, d.settings(), glyphs(), 0b010);
    EXPECT_EQ(longest, side);
    EXPECT_GT(longest, pass);
    d.advance(longest - 1);
    EXPECT_EQ(d.lang(), Lang::Japanese);
    d.advance(longest);
    EXPECT_EQ(d.lang(), Lang::English);
}

} // namespace
