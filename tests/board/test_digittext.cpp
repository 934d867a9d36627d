#include "board/DigitText.h"

#include <cmath>
#include <gtest/gtest.h>
#include <limits>

namespace {

DigitValue num(double n) {
    return DigitValue::number(n);
}
DigitValue txt(const char* t) {
    return DigitValue::text(QString::fromUtf8(t));
}

struct Case {
    const char* name;
    DigitValue value;
    DisplayFormat format; // keta, zeroMode, shift, fillZero
    const char* places;
};

void PrintTo(const Case& c, std::ostream* os) {
    *os << c.name;
}

class Places : public ::testing::TestWithParam<Case> {};

TEST_P(Places, ShowsTheRightCharacterInEachPlace) {
    const Case& c = GetParam();
    EXPECT_EQ(digittext::places(c.value, c.format).toStdString(), c.places);
}

INSTANTIATE_TEST_SUITE_P(
    Rules, Places,
    ::testing::Values(Case{"cut_at_the_left", num(12345), {4, 0, 0, 0}, "2345"},
                      Case{"right_aligned", num(150), {4, 0, 0, 0}, " 150"},
                      Case{"zero_fill_leaves_leftmost_unlit", num(5), {4, 0, 0, 3}, " 005"},
                      Case{"shift_keeps_rightmost_unlit", num(150), {4, 0, 1, 0}, "150 "},
                      Case{"shift_cuts_long_value", num(1234), {4, 0, 1, 0}, "234 "},
                      Case{"mode0_zero_blank", num(0), {4, 0, 0, 0}, "    "},
                      Case{"mode0_empty_blank", txt(""), {4, 0, 0, 0}, "    "},
                      Case{"mode0_minus_one_shown", num(-1), {4, 0, 0, 0}, "  -1"},
                      Case{"mode1_zero", num(0), {4, 1, 0, 0}, "   0"},
                      Case{"mode1_empty_is_zero", txt(""), {4, 1, 0, 0}, "   0"},
                      Case{"mode1_zero_rule_before_fill", num(0), {4, 1, 0, 3}, " 000"},
                      Case{"mode2_minus_one_is_zero", num(-1), {4, 2, 0, 0}, "   0"},
                      Case{"mode2_zero_blank", num(0), {4, 2, 0, 0}, "    "},
                      Case{"mode2_empty_stays_blank", txt(""), {4, 2, 0, 0}, "    "},
                      Case{"mode3_minus_one", num(-1), {4, 3, 0, 0}, "   0"},
                      Case{"mode3_zero", num(0), {4, 3, 0, 0}, "   0"},
                      Case{"mode3_empty", txt(""), {4, 3, 0, 0}, "   0"},
                      Case{"negative_mode_no_rule", num(0), {4, -1, 0, 0}, "   0"},
                      Case{"negative_mode_empty_blank", txt(""), {4, -1, 0, 0}, "    "},
                      Case{"space_text_mode0", txt(" "), {4, 0, 0, 0}, "    "},
                      Case{"space_text_mode1", txt(" "), {4, 1, 0, 0}, "    "},
                      Case{"space_text_mode2", txt(" "), {4, 2, 0, 0}, "    "},
                      Case{"space_text_mode3", txt(" "), {4, 3, 0, 0}, "    "},
                      Case{"lamp_test_text", txt("8888"), {4, 0, 0, 0}, "8888"},
                      // Texts are shown as they are: no zero rule, no zero fill.
                      Case{"text_zero_not_a_number", txt("0"), {4, 0, 0, 3}, "   0"},
                      Case{"text_minus_one", txt("-1"), {4, 2, 0, 0}, "  -1"},
                      Case{"negative_fill", num(-5), {4, 0, 0, 3}, "-005"},
                      Case{"negative_fill_zero_setting_ignored", num(7), {4, 0, 0, -2}, "   7"},
                      Case{"fraction_shown", num(1.5), {4, 0, 0, 0}, " 1.5"},
                      Case{"fraction_rounded_by_fill", num(2.5), {4, 0, 0, 2}, "  03"},
                      Case{"fill_beyond_places", num(5), {2, 0, 0, 4}, "05"},
                      Case{"wide_display", num(123456789012345.0), {15, 0, 0, 0}, "123456789012345"},
                      Case{"one_place", num(42), {1, 0, 0, 0}, "2"},
                      Case{"shift_and_fill", num(7), {4, 0, 1, 2}, " 07 "}),
    [](const auto& info) { return std::string(info.param.name); });

TEST(DigitText, ValueThatCannotBeTextIsBlank) {
    const DisplayFormat f{4, 0, 0, 0};
    EXPECT_EQ(digittext::places(num(std::numeric_limits<double>::quiet_NaN()), f), QStringLiteral("    "));
    EXPECT_EQ(digittext::places(num(std::numeric_limits<double>::infinity()), DisplayFormat{4, 0, 0, 3}),
              QStringLiteral("    "));
}

TEST(DigitText, ZeroPlacesShowNothing) {
    EXPECT_EQ(digittext::places(num(5), DisplayFormat{0, 0, 0, 0}), QString());
}

TEST(DigitValue, WholeNumbersHaveNoDecimals) {
    EXPECT_EQ(num(300).toText(), QStringLiteral("300"));
    EXPECT_EQ(num(-1).toText(), QStringLiteral("-1"));
    EXPECT_EQ(num(1e6).toText(), QStringLiteral("1000000"));
    EXPECT_EQ(num(0.25).toText(), QStringLiteral("0.25"));
}

TEST(DigitValue, PropertyBagFormRoundTrips) {
    for (const DigitValue& v : {num(0), num(-1), num(1.5), txt(""), txt("8888"), txt("0")}) {
        EXPECT_EQ(DigitValue::fromVariant(v.toVariant()), v);
    }
}

} // namespace
