#include "reslib/ByteText.h"
#include "reslib/OsInfo.h"

#include <gtest/gtest.h>

namespace {

TEST(LenB, CountsCp932Bytes) {
    EXPECT_EQ(LenB_ASCII(QString()), 0);
    EXPECT_EQ(LenB_ASCII(QStringLiteral("ABC")), 3);
    EXPECT_EQ(LenB_ASCII(QStringLiteral("市役所")), 6);
    EXPECT_EQ(LenB_ASCII(QStringLiteral("ｱｲ")), 2); // half-width kana are single bytes
    EXPECT_EQ(LenB_ASCII(QStringLiteral("駅A")), 3);
}

struct MidCase {
    const char* name;
    QByteArray bytes;
    qint32 start;
    qint32 count;
    QByteArray expected;
};

void PrintTo(const MidCase& c, std::ostream* os) {
    *os << c.name;
}

class MidB : public ::testing::TestWithParam<MidCase> {};

TEST_P(MidB, CutsBytes) {
    const MidCase& c = GetParam();
    EXPECT_EQ(MidB_ASCII(c.bytes, c.start, c.count), c.expected);
}

// 市役所 = 8E 73 96 F0 8F 8A
const QByteArray kName("\x8E\x73\x96\xF0\x8F\x8A");

INSTANTIATE_TEST_SUITE_P(
    Cases, MidB,
    ::testing::Values(MidCase{"first_cell", kName, 1, 2, QByteArray("\x8E\x73")},
                      MidCase{"second_cell", kName, 3, 2, QByteArray("\x96\xF0")},
                      MidCase{"through_a_character", kName, 2, 2, QByteArray("\x73\x96")},
                      MidCase{"last_odd_byte", QByteArray("AB\x8E"), 3, 2, QByteArray("\x8E")},
                      MidCase{"past_the_end", kName, 7, 2, QByteArray()},
                      MidCase{"far_past_the_end", kName, 1000, 2, QByteArray()},
                      MidCase{"count_beyond_end", kName, 5, 10, QByteArray("\x8F\x8A")},
                      MidCase{"zero_count", kName, 1, 0, QByteArray()},
                      MidCase{"negative_count", kName, 1, -3, QByteArray()},
                      MidCase{"start_zero_taken_as_one", kName, 0, 2, QByteArray("\x8E\x73")},
                      MidCase{"empty", QByteArray(), 1, 2, QByteArray()}),
    [](const auto& info) { return std::string(info.param.name); });

TEST(MidB, TextArgumentIsCutByItsCp932Bytes) {
    // The cut through the middle keeps both halves as bytes.
    const QByteArray first = MidB_ASCII(QStringLiteral("市役所"), 1, 3);
    const QByteArray rest = MidB_ASCII(QStringLiteral("市役所"), 4, 3);
    EXPECT_EQ(first + rest, kName);
}

TEST(OsInfo, NeverReportsTheSystemWithoutSpeech) {
    EXPECT_FALSE(GetOsInfo().isEmpty());
    EXPECT_NE(GetOsInfo(), QStringLiteral("Windows Vista"));
}

} // namespace
