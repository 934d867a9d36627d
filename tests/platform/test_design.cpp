#include "platform/Design.h"

#include <gtest/gtest.h>

namespace {

TEST(Design, ReadsNestedBlocksWithTypedValues) {
    const auto r = parseDesign(QStringLiteral("' a comment\n"
                                              "Begin Form Form1\n"
                                              "   ClientWidth = 10350\n"
                                              "   Caption = \"運賃 \"\"表示\"\"\"\n"
                                              "   Begin M_Degit Degit\n"
                                              "      Index = 7\n"
                                              "      ForeColor = &H0080C0FF&\n"
                                              "      Visible = False\n"
                                              "      FontSize = 11.25\n"
                                              "   End\n"
                                              "End\n"));
    ASSERT_TRUE(r.ok) << r.error.toStdString();
    EXPECT_EQ(r.root.name, QStringLiteral("Form1"));
    EXPECT_EQ(props::int32(r.root.properties, "ClientWidth", 0), 10350);
    EXPECT_EQ(props::text(r.root.properties, "Caption"), QStringLiteral("運賃 \"表示\""));
    const DesignNode* d = r.root.child(QStringLiteral("Degit"), 7);
    ASSERT_NE(d, nullptr);
    EXPECT_EQ(props::int32(d->properties, "ForeColor", 0), 0x0080C0FF);
    EXPECT_FALSE(props::boolean(d->properties, "Visible", true));
    EXPECT_DOUBLE_EQ(d->properties.ReadProperty("FontSize").toDouble(), 11.25);
}

TEST(Design, WrittenDesignReadsBackTheSame) {
    DesignNode root;
    root.kind = QStringLiteral("Form");
    root.name = QStringLiteral("F");
    root.properties.set(QStringLiteral("Caption"), QStringLiteral("a\"b"));
    DesignNode child;
    child.kind = QStringLiteral("Label");
    child.name = QStringLiteral("L");
    child.properties.set(QStringLiteral("Index"), 3);
    child.properties.set(QStringLiteral("FontBold"), true);
    child.properties.set(QStringLiteral("FontSize"), 11.25);
    root.children.append(child);
    const auto r = parseDesign(writeDesign(root));
    ASSERT_TRUE(r.ok) << r.error.toStdString();
    EXPECT_EQ(writeDesign(r.root), writeDesign(root));
    ASSERT_NE(r.root.child(QStringLiteral("L"), 3), nullptr);
}

struct BadDesign {
    const char* name;
    const char* text;
    const char* error;
};

void PrintTo(const BadDesign& c, std::ostream* os) {
    *os << c.name;
}

class DesignErrors : public ::testing::TestWithParam<BadDesign> {};

TEST_P(DesignErrors, NamesTheLine) {
    const auto r = parseDesign(QString::fromUtf8(GetParam().text));
    EXPECT_FALSE(r.ok);
    EXPECT_EQ(r.error.toStdString(), GetParam().error);
}

INSTANTIATE_TEST_SUITE_P(
    Cases, DesignErrors,
    ::testing::Values(
        BadDesign{"end_without_begin", "End\n", "line 1: End without Begin"},
        BadDesign{"open_quote", "Begin Form F\n  X = \"open\n", "line 2: cannot read the value of X"},
        BadDesign{"missing_end", "Begin Form F\n", "line 2: missing End"},
        BadDesign{"property_outside", "X = 1\n", "line 1: a property outside any block"},
        BadDesign{"second_root", "Begin Form F\nEnd\nBegin Form G\n", "line 3: a second top-level block"},
        BadDesign{"empty", "", "no design"}),
    [](const auto& info) { return std::string(info.param.name); });

TEST(PropertyBag, ValueEqualToItsDefaultIsNotWritten) {
    PropertyBag bag;
    bag.WriteProperty(QStringLiteral("Keta"), 4, 4);
    EXPECT_FALSE(bag.contains(QStringLiteral("Keta")));
    bag.WriteProperty(QStringLiteral("Keta"), 6, 4);
    EXPECT_EQ(bag.ReadProperty(QStringLiteral("Keta"), 4).toInt(), 6);
    // Writing the default again removes the stored value.
    bag.WriteProperty(QStringLiteral("Keta"), 4, 4);
    EXPECT_FALSE(bag.contains(QStringLiteral("Keta")));
    // A text "0" is not the number 0.
    bag.WriteProperty(QStringLiteral("Value"), QStringLiteral("0"), 0);
    EXPECT_TRUE(bag.contains(QStringLiteral("Value")));
}

TEST(PropertyBag, TypedReadsKeepTheLowBitsOfWhatIsStored) {
    PropertyBag bag;
    bag.set(QStringLiteral("Big"), 70000);
    EXPECT_EQ(props::int16(bag, "Big", 0), static_cast<qint16>(70000));
    EXPECT_EQ(props::int16(bag, "Missing", 9), 9);
    bag.set(QStringLiteral("Flag"), -1);
    EXPECT_TRUE(props::boolean(bag, "Flag", false));
}

} // namespace
