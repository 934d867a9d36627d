#include "board/TicketNumbers.h"

#include <gtest/gtest.h>

namespace {

using ticketnumbers::layout;

struct LabelCase {
    const char* name;
    int style;
    bool zeroPad;
    int label;
    const char* caption; // nullptr: the label is not written
};

void PrintTo(const LabelCase& c, std::ostream* os) {
    *os << c.name;
}

class Captions : public ::testing::TestWithParam<LabelCase> {};

TEST_P(Captions, FollowTheNumberingVariant) {
    const LabelCase& c = GetParam();
    const auto l = layout(c.style, c.zeroPad);
    if (c.caption == nullptr) {
        EXPECT_FALSE(l.captions.contains(c.label));
    } else {
        ASSERT_TRUE(l.captions.contains(c.label));
        EXPECT_EQ(l.captions.value(c.label).toStdString(), c.caption);
    }
}

INSTANTIATE_TEST_SUITE_P(
    Variants, Captions,
    ::testing::Values(
        LabelCase{"style1_pad_first", 1, true, 1, "００"}, LabelCase{"style1_pad_second", 1, true, 2, "０１"},
        LabelCase{"style1_pad_last", 1, true, 50, "４９"}, LabelCase{"style0_nine", 0, false, 9, "９"},
        LabelCase{"style0_ten", 0, false, 10, "１０"}, LabelCase{"style0_pad_nine", 0, true, 9, "０９"},
        LabelCase{"style10_first_empty", 10, false, 1, ""}, LabelCase{"style10_second", 10, false, 2, "１"},
        LabelCase{"style10_last", 10, false, 50, "４９"}, LabelCase{"style3_first", 3, false, 1, "な し"},
        LabelCase{"style3_second", 3, false, 2, "２"}, LabelCase{"style3_last", 3, false, 50, "５０"},
        LabelCase{"style4_first", 4, false, 1, "無 券"}, LabelCase{"style5_first", 5, false, 1, "無 券"},
        LabelCase{"style6_first", 6, false, 1, "券なし"}, LabelCase{"style7_second", 7, false, 2, "２"},
        LabelCase{"style8_first", 8, false, 1, "券無し"}, LabelCase{"style9_first", 9, false, 1, "券無し"},
        LabelCase{"style11_first_empty", 11, false, 1, ""}, LabelCase{"style11_second", 11, true, 2, "０２"},
        LabelCase{"none_selected_first", -1, false, 1, nullptr},
        LabelCase{"none_selected_last", -1, false, 50, nullptr},
        LabelCase{"beyond_list", 12, false, 2, nullptr}),
    [](const auto& info) { return std::string(info.param.name); });

TEST(TicketNumbers, FirstLabelFontSizeFollowsTheVariant) {
    EXPECT_EQ(layout(0, false).label1FontSize, 11);
    EXPECT_EQ(layout(1, false).label1FontSize, 11);
    EXPECT_EQ(layout(-1, false).label1FontSize, 11);
    EXPECT_EQ(layout(2, false).label1FontSize, 10);
    EXPECT_EQ(layout(10, false).label1FontSize, 10);
    EXPECT_EQ(layout(12, false).label1FontSize, 10);
}

TEST(TicketNumbers, EveryVariantWritesFiftyOrFortyNineNumbers) {
    for (int style = 0; style < ticketnumbers::kVariants; ++style) {
        const auto l = layout(style, false);
        EXPECT_EQ(l.captions.size(), 50) << style; // label 1 too: a number or its fixed text
        EXPECT_EQ(l.captions.firstKey(), 1) << style;
        EXPECT_EQ(l.captions.lastKey(), 50) << style;
    }
}

TEST(TicketNumbers, ListNamesEndWithTheirLastNumber) {
    const QStringList names = ticketnumbers::variantNames();
    ASSERT_EQ(names.size(), 12);
    EXPECT_EQ(names[0], QStringLiteral("1,2,3... 50 （既定の表示）"));
    EXPECT_EQ(names[1], QStringLiteral("0,1,2... 49"));
    EXPECT_EQ(names[2], QStringLiteral("「なし」、1,2... 49"));
    EXPECT_EQ(names[3], QStringLiteral("「なし」、2,3... 50"));
    EXPECT_EQ(names[10], QStringLiteral("(無地)、1,2... 49"));
    EXPECT_EQ(names[11], QStringLiteral("(無地)、2,3... 50"));
}

} // namespace
