#include "RouteTestBytes.h"
#include "route/RouteFile.h"

#include <QFile>
#include <gtest/gtest.h>

using namespace DataIo;
using routetest::numberedRoute;
using routetest::record;

namespace {

// Two stops: 唖 (88 A0), ticket 1, c1 = 100, c2 = -1, c150 = 0x1234; then an empty
// name, ticket -2, c3 = 32767, c4 = -32768.
QByteArray goldenTwoStops() {
    QByteArray b("\x02\x00", 2);
    b.append("\x02\x00\x88\xA0", 4);
    b.append("\x01\x00", 2);
    QByteArray cols(300, '\0');
    cols[0] = '\x64';
    cols[2] = '\xFF';
    cols[3] = '\xFF';
    cols[298] = '\x34';
    cols[299] = '\x12';
    b.append(cols);
    b.append("\x00\x00", 2);
    b.append("\xFE\xFF", 2);
    QByteArray cols2(300, '\0');
    cols2[4] = '\xFF';
    cols2[5] = '\x7F';
    cols2[6] = '\x00';
    cols2[7] = '\x80';
    b.append(cols2);
    return b;
}

TEST(RouteFile, ReadsTheGoldenBytes) {
    const QByteArray bytes = goldenTwoStops();
    ASSERT_EQ(bytes.size(), 2 + (304 + 2) + 304);
    const RouteFileContents c = parseRouteFile(bytes);
    EXPECT_TRUE(c.hasCount);
    EXPECT_EQ(c.count, 2);
    EXPECT_FALSE(c.truncated());
    EXPECT_EQ(c.trailingBytes, 0);
    ASSERT_EQ(c.records.size(), 2);
    const RouteRow& a = c.records.at(0);
    EXPECT_EQ(a.StopName, QStringLiteral("唖"));
    EXPECT_EQ(a.StopNameBytes, QByteArray("\x88\xA0"));
    EXPECT_EQ(a.TicketNumber, 1);
    EXPECT_EQ(a.DataColumns[1], 100);
    EXPECT_EQ(a.DataColumns[2], -1);
    EXPECT_EQ(a.DataColumns[3], 0);
    EXPECT_EQ(a.DataColumns[150], 0x1234);
    const RouteRow& b = c.records.at(1);
    EXPECT_EQ(b.StopName, QString());
    EXPECT_TRUE(b.StopNameBytes.isEmpty());
    EXPECT_EQ(b.TicketNumber, -2);
    EXPECT_EQ(b.DataColumns[3], 32767);
    EXPECT_EQ(b.DataColumns[4], -32768);
}

TEST(RouteFile, WritesTheGoldenBytes) {
    QVector<RouteRow> rows(2);
    rows[0].setStopName(QStringLiteral("唖"));
    rows[0].TicketNumber = 1;
    rows[0].DataColumns[1] = 100;
    rows[0].DataColumns[2] = -1;
    rows[0].DataColumns[150] = 0x1234;
    rows[1].TicketNumber = -2;
    rows[1].DataColumns[3] = 32767;
    rows[1].DataColumns[4] = -32768;
    EXPECT_EQ(writeRouteFile(rows), goldenTwoStops());
}

TEST(RouteFile, EmptyNameRecordIs304Bytes) {
    QByteArray bytes("\x01\x00", 2);
    bytes.append(record(QByteArray(), 7, {{150, 5}}));
    ASSERT_EQ(bytes.size(), 2 + 304);
    const RouteFileContents c = parseRouteFile(bytes);
    ASSERT_EQ(c.records.size(), 1);
    EXPECT_FALSE(c.truncated());
    EXPECT_EQ(c.records[0].StopName, QString());
    EXPECT_EQ(c.records[0].TicketNumber, 7);
    EXPECT_EQ(c.records[0].DataColumns[150], 5);
}

TEST(RouteFile, BytesAfterTheLastRecordAreIgnored) {
    QByteArray bytes = numberedRoute(2);
    bytes.append("junk", 4);
    const RouteFileContents c = parseRouteFile(bytes);
    EXPECT_EQ(c.records.size(), 2);
    EXPECT_FALSE(c.truncated());
    EXPECT_EQ(c.trailingBytes, 4);
}

TEST(RouteFile, ZeroCountReadsNoRecordsWhateverFollows) {
    QByteArray bytes = numberedRoute(3, 0);
    const RouteFileContents c = parseRouteFile(bytes);
    EXPECT_TRUE(c.hasCount);
    EXPECT_EQ(c.count, 0);
    EXPECT_TRUE(c.records.isEmpty());
    EXPECT_FALSE(c.truncated());
}

TEST(RouteFile, CountIsSigned) {
    const RouteFileContents c = parseRouteFile(numberedRoute(2, 0xFFFF));
    EXPECT_EQ(c.count, -1);
    EXPECT_TRUE(c.records.isEmpty());
}

TEST(RouteFile, FileShorterThanItsCountHasNoCount) {
    EXPECT_FALSE(parseRouteFile(QByteArray()).hasCount);
    const RouteFileContents one = parseRouteFile(QByteArray("\x05", 1));
    EXPECT_FALSE(one.hasCount);
    EXPECT_EQ(one.count, 0);
}

struct TruncationCase {
    const char* name;
    int stored;     // count in the file
    int complete;   // complete records written
    int extraBytes; // bytes of the next record written after them
    int endsInRecord;
};

void PrintTo(const TruncationCase& c, std::ostream* os) {
    *os << c.name;
}

class Truncation : public ::testing::TestWithParam<TruncationCase> {};

TEST_P(Truncation, NamesTheRecordWhereTheFileEnds) {
    const TruncationCase& t = GetParam();
    QByteArray bytes = numberedRoute(t.complete, t.stored);
    bytes.append(record("XYZ", 9).left(t.extraBytes));
    const RouteFileContents c = parseRouteFile(bytes);
    EXPECT_EQ(c.endsInRecord, t.endsInRecord);
    EXPECT_EQ(c.records.size(), t.complete);
    EXPECT_EQ(c.trailingBytes, 0);
}

INSTANTIATE_TEST_SUITE_P(Cases, Truncation,
                         ::testing::Values(TruncationCase{"no_records_at_all", 1, 0, 0, 1},
                                           TruncationCase{"one_byte_of_the_length", 2, 1, 1, 2},
                                           TruncationCase{"inside_the_name", 2, 1, 4, 2},
                                           TruncationCase{"inside_the_columns", 3, 2, 300, 3},
                                           TruncationCase{"one_byte_short", 2, 1, 304 + 3 - 1, 2},
                                           TruncationCase{"record_missing_entirely", 5, 4, 0, 5}),
                         [](const auto& info) { return std::string(info.param.name); });

TEST(RouteFile, NameBytesThatAreNotCp932AreKept) {
    QByteArray bytes("\x02\x00", 2);
    bytes.append(record("\x88", 1));      // a lead byte alone
    bytes.append(record("A\x81\x7F", 2)); // 81 7F is no character
    const RouteFileContents c = parseRouteFile(bytes);
    ASSERT_EQ(c.records.size(), 2);
    EXPECT_EQ(c.records[0].StopNameBytes, QByteArray("\x88"));
    EXPECT_TRUE(c.records[0].StopName.contains(QChar(0xFFFD)));
    EXPECT_EQ(writeRouteFile(c.records), bytes);
}

TEST(RouteFile, WriterRefusesWhatTheLayoutCannotHold) {
    QVector<RouteRow> one(1);
    one[0].setStopNameBytes(QByteArray(65535, 'A'));
    EXPECT_EQ(writeRouteFile(one).size(), 2 + 304 + 65535);
    one[0].setStopNameBytes(QByteArray(65536, 'A'));
    EXPECT_THROW(writeRouteFile(one), RouteFileError);

    EXPECT_EQ(writeRouteFile(QVector<RouteRow>(32767)).size(), 2 + 32767 * 304);
    EXPECT_THROW(writeRouteFile(QVector<RouteRow>(32768)), RouteFileError);
}

TEST(RouteFile, WriterRoundTripsThroughTheReader) {
    const QByteArray bytes = numberedRoute(301);
    const RouteFileContents c = parseRouteFile(bytes);
    ASSERT_EQ(c.records.size(), 301);
    EXPECT_EQ(c.records[300].StopName, QStringLiteral("S301"));
    EXPECT_EQ(c.records[300].DataColumns[1], 3010);
    EXPECT_EQ(writeRouteFile(c.records), bytes);
}

TEST(RouteFile, TheSampleRouteFixtureReads) {
    QFile file(QStringLiteral(CORVANE_SOURCE_DIR "/data/fixtures/route/12.hy3"));
    ASSERT_TRUE(file.open(QIODevice::ReadOnly));
    const RouteFileContents c = parseRouteFile(file.readAll());
    ASSERT_EQ(c.records.size(), 7);
    EXPECT_FALSE(c.truncated());
    EXPECT_EQ(c.records[2].StopName, QStringLiteral("中央公園,北口"));
    EXPECT_EQ(c.records[3].StopName, QStringLiteral("ﾊﾞｽｾﾝﾀｰ"));
    EXPECT_EQ(c.records[3].StopNameBytes.size(), 7);
    EXPECT_EQ(c.records[5].StopName, QString());
    EXPECT_EQ(c.records[6].DataColumns[1], 160 + 40 * 5);
    EXPECT_EQ(c.records[6].DataColumns[7], -1);
    EXPECT_EQ(c.records[6].DataColumns[150], 700);
}

} // namespace
