#include "platform/Cp932.h"

#include <gtest/gtest.h>

namespace {

struct Case {
    const char* name;
    QString text;
    QByteArray bytes;
};

void PrintTo(const Case& c, std::ostream* os) {
    *os << c.name;
}

class Cp932RoundTrip : public ::testing::TestWithParam<Case> {};

TEST_P(Cp932RoundTrip, EncodesAndDecodesExactly) {
    const Case& c = GetParam();
    EXPECT_EQ(cp932::encode(c.text), c.bytes);
    EXPECT_EQ(cp932::decode(c.bytes), c.text);
}

INSTANTIATE_TEST_SUITE_P(
    Texts, Cp932RoundTrip,
    ::testing::Values(Case{"empty", QString(), QByteArray()},
                      Case{"ascii", QStringLiteral("Bus 12"), "Bus 12"},
                      Case{"kanji", QStringLiteral("亜"), QByteArray("\x88\x9F")},
                      Case{"station", QStringLiteral("駅前"), QByteArray("\x89\x77\x91\x4F")},
                      Case{"halfwidth_kana", QStringLiteral("ｱ"), QByteArray("\xB1")},
                      Case{"fullwidth_digit", QStringLiteral("１"), QByteArray("\x82\x50")},
                      Case{"nec_row13", QStringLiteral("①"), QByteArray("\x87\x40")},
                      Case{"choon", QStringLiteral("ー"), QByteArray("\x81\x5B")}),
    [](const auto& info) { return std::string(info.param.name); });

TEST(Cp932, WaveDashTypedOnLinuxEncodesAsTheTilde) {
    // Linux input methods type U+301C for 〜; cp932 files carry 81 60 for it.
    EXPECT_EQ(cp932::encode(QString(QChar(0x301C))), QByteArray("\x81\x60"));
}

TEST(Cp932, UnmappableCharacterBecomesQuestionMarkWithoutLosingTheRest) {
    EXPECT_EQ(cp932::encode(QStringLiteral("A\u00E9B")), QByteArray("A?B"));
    EXPECT_FALSE(cp932::canEncode(QStringLiteral("\u00E9")));
    EXPECT_TRUE(cp932::canEncode(QStringLiteral("市役所前")));
}

TEST(Cp932, InvalidBytesDecodeToReplacementAndKeepTheRest) {
    // A lead byte at the very end has no trail byte.
    const QString s = cp932::decode(QByteArray("AB\x88"));
    EXPECT_EQ(s, QStringLiteral("AB\uFFFD"));
    // A half character in the middle does not swallow what follows.
    const QString t = cp932::decode(QByteArray("\x88"
                                               "A"
                                               "\x89\x77"));
    EXPECT_TRUE(t.endsWith(QStringLiteral("駅"))) << t.toStdString();
}

} // namespace
