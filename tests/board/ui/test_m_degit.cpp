#include "board/ui/M_Degit.h"
#include "platform/ui/Fonts.h"
#include "platform/ui/ModalDialogs.h"
#include "platform/ui/QtColor.h"

#include <QDialog>
#include <QSignalSpy>
#include <QSpinBox>
#include <QTest>
#include <gtest/gtest.h>

namespace {

constexpr std::uint32_t kBack = colorref::rgb(0, 0, 0);
constexpr std::uint32_t kUnlit = colorref::rgb(0, 0, 255);
constexpr std::uint32_t kLit = colorref::rgb(255, 0, 0);

class DegitTest : public ::testing::Test {
protected:
    void SetUp() override {
        fonts::registerDigitFonts();
        d.setBackColor(kBack);
        d.setBaseForeColor(kUnlit);
        d.setDegitForeColor(kLit);
    }
    M_Degit d;
};

// Pixels that are mostly of one colour: red for lit, blue for unlit.
bool isLit(QRgb p) {
    return qRed(p) > 128 && qBlue(p) < 100;
}
bool isUnlit(QRgb p) {
    return qBlue(p) > 128 && qRed(p) < 100;
}

int count(const QImage& img, bool (*pred)(QRgb), int fromX = 0, int toX = -1) {
    if (toX < 0)
        toX = img.width();
    int n = 0;
    for (int y = 0; y < img.height(); ++y)
        for (int x = fromX; x < toX; ++x)
            n += pred(img.pixel(x, y)) ? 1 : 0;
    return n;
}

TEST_F(DegitTest, NewInstanceHasTheDefaults) {
    M_Degit fresh;
    EXPECT_EQ(fresh.BaseForeColor(), 9868950u);
    EXPECT_EQ(fresh.DegitForeColor(), 7525112u);
    EXPECT_EQ(fresh.BackColor(), 8421504u);
    EXPECT_EQ(fresh.Keta(), 4);
    EXPECT_EQ(fresh.DegitSize(), 0);
    EXPECT_EQ(fresh.DegitStyle(), 0);
    EXPECT_EQ(fresh.ZeroMode(), 0);
    EXPECT_EQ(fresh.Shift(), 0);
    EXPECT_EQ(fresh.FillZero(), 0);
    EXPECT_TRUE(fresh.UserSet());
    EXPECT_EQ(fresh.Value(), DigitValue::number(0));
    EXPECT_EQ(fresh.size(), QSize(52, 20)); // 780 x 300 twips
    // This platform takes the NT branch.
    EXPECT_EQ(fresh.CharExtra(), 0);
    EXPECT_TRUE(fresh.BoldDigits());
}

struct SetterCase {
    const char* name;
    std::function<void(M_Degit&)> write;
    std::function<int(const M_Degit&)> read;
    int expected;
};

void PrintTo(const SetterCase& c, std::ostream* os) {
    *os << c.name;
}

class Setters : public ::testing::TestWithParam<SetterCase> {};

TEST_P(Setters, ApplyTheirRangeRules) {
    M_Degit d;
    GetParam().write(d);
    EXPECT_EQ(GetParam().read(d), GetParam().expected);
}

INSTANTIATE_TEST_SUITE_P(
    Rules, Setters,
    ::testing::Values(SetterCase{"keta_0_becomes_4", [](M_Degit& d) { d.setKeta(0); },
                                 [](const M_Degit& d) { return int(d.Keta()); }, 4},
                      SetterCase{"keta_16_becomes_4", [](M_Degit& d) { d.setKeta(16); },
                                 [](const M_Degit& d) { return int(d.Keta()); }, 4},
                      SetterCase{"keta_15_kept", [](M_Degit& d) { d.setKeta(15); },
                                 [](const M_Degit& d) { return int(d.Keta()); }, 15},
                      SetterCase{"size_7_becomes_0", [](M_Degit& d) { d.setDegitSize(7); },
                                 [](const M_Degit& d) { return int(d.DegitSize()); }, 0},
                      SetterCase{"size_7_width",
                                 [](M_Degit& d) {
                                     d.setKeta(3);
                                     d.setDegitSize(7);
                                 },
                                 [](const M_Degit& d) { return d.width(); }, 195 * 3 / 15},
                      SetterCase{"size_1_width", [](M_Degit& d) { d.setDegitSize(1); },
                                 [](const M_Degit& d) { return d.width(); }, 255 * 4 / 15},
                      SetterCase{"size_2_height", [](M_Degit& d) { d.setDegitSize(2); },
                                 [](const M_Degit& d) { return d.height(); }, 435 / 15},
                      SetterCase{"size_3_height", [](M_Degit& d) { d.setDegitSize(3); },
                                 [](const M_Degit& d) { return d.height(); }, 225 / 15},
                      SetterCase{"zeromode_5_becomes_0", [](M_Degit& d) { d.setZeroMode(5); },
                                 [](const M_Degit& d) { return int(d.ZeroMode()); }, 0},
                      SetterCase{"zeromode_4_becomes_0", [](M_Degit& d) { d.setZeroMode(4); },
                                 [](const M_Degit& d) { return int(d.ZeroMode()); }, 0},
                      SetterCase{"zeromode_minus_1_stays", [](M_Degit& d) { d.setZeroMode(-1); },
                                 [](const M_Degit& d) { return int(d.ZeroMode()); }, -1},
                      SetterCase{"shift_capped_at_keta_minus_1", [](M_Degit& d) { d.setShift(9); },
                                 [](const M_Degit& d) { return int(d.Shift()); }, 3},
                      SetterCase{"shift_negative_becomes_0", [](M_Degit& d) { d.setShift(-2); },
                                 [](const M_Degit& d) { return int(d.Shift()); }, 0},
                      SetterCase{"fill_capped_at_keta", [](M_Degit& d) { d.setFillZero(9); },
                                 [](const M_Degit& d) { return int(d.FillZero()); }, 4},
                      SetterCase{"fill_negative_stays", [](M_Degit& d) { d.setFillZero(-3); },
                                 [](const M_Degit& d) { return int(d.FillZero()); }, -3},
                      SetterCase{"style_stored_unchanged", [](M_Degit& d) { d.setDegitStyle(9); },
                                 [](const M_Degit& d) { return int(d.DegitStyle()); }, 9}),
    [](const auto& info) { return std::string(info.param.name); });

TEST_F(DegitTest, LitDigitsFallOnTheUnlitEights) {
    d.setValue(QStringLiteral("8888"));
    const QImage allLit = d.surface().copy();
    d.setValue(1234);
    const QImage digits = d.surface().copy();
    d.setValue(QString());
    const QImage blank = d.surface().copy();
    ASSERT_GT(count(allLit, isLit), 0);
    EXPECT_EQ(count(blank, isLit), 0);
    // The blank display shows the unlit "8"s exactly where a lamp test lights them.
    for (int y = 0; y < blank.height(); ++y)
        for (int x = 0; x < blank.width(); ++x)
            ASSERT_EQ(isUnlit(blank.pixel(x, y)), isLit(allLit.pixel(x, y))) << x << "," << y;
    // Every lit pixel of "1234" lies on a segment of an "8".
    for (int y = 0; y < digits.height(); ++y) {
        for (int x = 0; x < digits.width(); ++x) {
            if (isLit(digits.pixel(x, y))) {
                ASSERT_TRUE(isLit(allLit.pixel(x, y))) << x << "," << y;
            }
        }
    }
}

TEST_F(DegitTest, ShiftLeavesTheRightmostPlaceUnlit) {
    d.setShift(1);
    d.setValue(150);
    EXPECT_EQ(d.shownPlaces(), QStringLiteral("150 "));
    const int place = d.width() / 4;
    EXPECT_EQ(count(d.surface(), isLit, 3 * place, 4 * place), 0);
    EXPECT_GT(count(d.surface(), isUnlit, 3 * place, 4 * place), 0);
    EXPECT_GT(count(d.surface(), isLit, 0, place), 0);
}

TEST_F(DegitTest, ZeroModeZeroShowingZeroIsBlank) {
    d.setZeroMode(0);
    d.setValue(0);
    EXPECT_EQ(d.shownPlaces(), QStringLiteral("    "));
    EXPECT_EQ(count(d.surface(), isLit), 0);
}

TEST_F(DegitTest, WritingFormatAloneDoesNotChangeWhatIsShown) {
    d.setValue(5);
    const QImage before = d.surface().copy();
    d.setShift(2);
    d.setZeroMode(3);
    d.setFillZero(3);
    EXPECT_EQ(d.surface(), before);
    EXPECT_EQ(d.shownPlaces(), QStringLiteral("   5"));
    d.setValue(d.Value()); // assigning the value again shows the new format
    EXPECT_EQ(d.shownPlaces(), QStringLiteral("05  "));
}

TEST_F(DegitTest, LampTestLightsEveryPlaceAndKeepsTheFormat) {
    d.setZeroMode(2);
    d.setFillZero(3);
    d.setShift(1);
    d.ResetDegit(true);
    EXPECT_EQ(d.shownPlaces(), QStringLiteral("8888"));
    EXPECT_EQ(d.ZeroMode(), 2);
    EXPECT_EQ(d.FillZero(), 3);
    EXPECT_EQ(d.Shift(), 1);
    EXPECT_EQ(d.Value(), DigitValue::text(QStringLiteral("8888")));
    d.ResetDegit(false);
    EXPECT_EQ(d.shownPlaces(), QStringLiteral("    "));
    EXPECT_EQ(count(d.surface(), isLit), 0);
}

TEST_F(DegitTest, LampTestFollowsThePlaceCount) {
    d.setKeta(6);
    d.ResetDegit(true);
    EXPECT_EQ(d.shownPlaces(), QStringLiteral("888888"));
    EXPECT_EQ(d.width(), 6 * 13);
}

TEST(DegitProperties, ReadWithoutRangeRulesAndWithoutDrawing) {
    PropertyBag bag;
    bag.set(QStringLiteral("Keta"), 20);
    bag.set(QStringLiteral("ZeroMode"), 7);
    bag.set(QStringLiteral("Shift"), -4);
    bag.set(QStringLiteral("Value"), 1234);
    bag.set(QStringLiteral("BackColor"), static_cast<int>(colorref::rgb(1, 2, 3)));
    bag.set(QStringLiteral("UserSet"), false);
    M_Degit d(nullptr, &bag);
    EXPECT_EQ(d.Keta(), 20);
    EXPECT_EQ(d.ZeroMode(), 7);
    EXPECT_EQ(d.Shift(), -4);
    EXPECT_FALSE(d.UserSet());
    EXPECT_EQ(d.Value(), DigitValue::number(1234));
    // Only the back colour reached the surface; nothing was drawn.
    const QImage s = d.surface();
    for (int y = 0; y < s.height(); ++y)
        for (int x = 0; x < s.width(); ++x)
            ASSERT_EQ(s.pixel(x, y), colorref::toQColor(colorref::rgb(1, 2, 3)).rgb());
}

TEST(DegitProperties, OnlyValuesOtherThanTheDefaultsAreWritten) {
    M_Degit d;
    PropertyBag defaults;
    d.WriteProperties(defaults);
    EXPECT_TRUE(defaults.isEmpty());

    d.setKeta(2);
    d.setDegitStyle(1);
    d.setValue(QStringLiteral("12"));
    d.setUserSet(false);
    PropertyBag changed;
    d.WriteProperties(changed);
    QStringList names;
    for (const auto& e : changed.entries())
        names << e.first;
    EXPECT_EQ(names, (QStringList{"Keta", "DegitStyle", "Value", "UserSet"}));

    M_Degit copy(nullptr, &changed);
    EXPECT_EQ(copy.Keta(), 2);
    EXPECT_EQ(copy.DegitStyle(), 1);
    EXPECT_EQ(copy.Value(), DigitValue::text(QStringLiteral("12")));
    EXPECT_FALSE(copy.UserSet());
}

TEST(DegitProperties, EveryWriteIsMarkedAsChanged) {
    M_Degit d;
    d.setShift(1);
    d.setBackColor(0);
    EXPECT_TRUE(d.changedProperties().contains(QStringLiteral("Shift")));
    EXPECT_TRUE(d.changedProperties().contains(QStringLiteral("BackColor")));
    EXPECT_FALSE(d.changedProperties().contains(QStringLiteral("Keta")));
}

TEST_F(DegitTest, FormatDialogValuesAreStoredAndShown) {
    d.setValue(7);
    modal::setHandler([](QDialog& dlg) {
        dlg.findChild<QSpinBox*>(QStringLiteral("zeroMode"))->setValue(1);
        dlg.findChild<QSpinBox*>(QStringLiteral("shift"))->setValue(1);
        dlg.findChild<QSpinBox*>(QStringLiteral("fillZero"))->setValue(2);
        return static_cast<int>(QDialog::Accepted);
    });
    const auto result = d.ShowSetDlg();
    modal::setHandler({});
    EXPECT_EQ(result, 1);
    EXPECT_EQ(d.ZeroMode(), 1);
    EXPECT_EQ(d.Shift(), 1);
    EXPECT_EQ(d.FillZero(), 2);
    EXPECT_EQ(d.shownPlaces(), QStringLiteral(" 07 "));
}

TEST_F(DegitTest, CancelledDialogReturnsItsResultAndKeepsTheFormat) {
    d.setZeroMode(2);
    modal::setHandler([](QDialog&) { return static_cast<int>(QDialog::Rejected); });
    const auto result = d.ShowSetDlg();
    modal::setHandler({});
    EXPECT_NE(result, 1);
    EXPECT_EQ(d.ZeroMode(), 2);
}

TEST_F(DegitTest, DoubleClickIsPassedToTheContainer) {
    QSignalSpy spy(&d, &M_Degit::DblClick);
    QTest::mouseDClick(&d, Qt::LeftButton);
    EXPECT_EQ(spy.count(), 1);
}

} // namespace
