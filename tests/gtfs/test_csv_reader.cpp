// The CSV reader on text as published feeds write it, whole or in pieces, and its
// limits on what it holds.
#include "gtfs/CsvReader.h"

#include <algorithm>
#include <gtest/gtest.h>

namespace {

using Records = QList<QList<QByteArray>>;

struct ReadAll {
    Records records;
    QList<qint64> lines;
    std::optional<csv::CsvError> error;
};

ReadAll readAll(csv::CsvReader& reader) {
    ReadAll r;
    while (reader.next()) {
        r.records << reader.fields();
        r.lines << reader.line();
    }
    r.error = reader.error();
    return r;
}

ReadAll readAll(const QByteArray& bytes) {
    csv::CsvReader reader(bytes);
    return readAll(reader);
}

// Text given `piece` bytes at a time (1: every line end, quote and byte order mark
// falls across pieces), or `size` bytes of `fill` after it; counts what was asked for.
class Pieces : public csv::ByteSource {
public:
    Pieces(QByteArray text, qint64 piece, qint64 fillBytes = 0, char fill = 'x')
        : m_text(std::move(text)), m_piece(piece), m_fillBytes(fillBytes), m_fill(fill) {}
    qint64 read(char* into, qint64 size) override {
        const qint64 total = m_text.size() + m_fillBytes;
        const qint64 n = std::min({size, m_piece, total - m_given});
        for (qint64 i = 0; i < n; ++i, ++m_given)
            into[i] = m_given < m_text.size() ? m_text[m_given] : m_fill;
        return n;
    }
    qint64 given() const { return m_given; }

private:
    QByteArray m_text;
    qint64 m_piece;
    qint64 m_fillBytes;
    char m_fill;
    qint64 m_given = 0;
};

ReadAll readInPieces(const QByteArray& bytes, qint64 piece) {
    Pieces source(bytes, piece);
    csv::CsvReader reader(source);
    return readAll(reader);
}

struct CsvCase {
    const char* name;
    QByteArray text;
    Records records;
    QList<qint64> lines;
};

class CsvRecords : public ::testing::TestWithParam<CsvCase> {};

TEST_P(CsvRecords, ReadAsPublished) {
    const CsvCase& c = GetParam();
    for (const qint64 piece : {qint64(0), qint64(1), qint64(3)}) {
        const ReadAll r = piece == 0 ? readAll(c.text) : readInPieces(c.text, piece);
        ASSERT_FALSE(r.error) << r.error->reason.toStdString();
        EXPECT_EQ(r.records, c.records) << "pieces of " << piece;
        EXPECT_EQ(r.lines, c.lines) << "pieces of " << piece;
    }
}

INSTANTIATE_TEST_SUITE_P(
    Feeds, CsvRecords,
    ::testing::Values(
        CsvCase{"Plain", "a,b\nc,d\n", {{"a", "b"}, {"c", "d"}}, {1, 2}},
        CsvCase{"NoFinalLineEnd", "a,b\nc,d", {{"a", "b"}, {"c", "d"}}, {1, 2}},
        CsvCase{"CrLf", "a,b\r\nc,d\r\n", {{"a", "b"}, {"c", "d"}}, {1, 2}},
        CsvCase{"CrOnly", "a,b\rc,d\r", {{"a", "b"}, {"c", "d"}}, {1, 2}},
        CsvCase{"Bom", "\xEF\xBB\xBFstop_id,x\n1,2\n", {{"stop_id", "x"}, {"1", "2"}}, {1, 2}},
        CsvCase{"EmptyFields", "a,,c,\n,\n", {{"a", "", "c", ""}, {"", ""}}, {1, 2}},
        CsvCase{"QuotedComma", "\"a,b\",c\n", {{"a,b", "c"}}, {1}},
        CsvCase{"DoubledQuote", "\"say \"\"hi\"\"\",x\n", {{"say \"hi\"", "x"}}, {1}},
        CsvCase{"QuotedEmpty", "\"\",\"\"\n", {{"", ""}}, {1}},
        CsvCase{"QuotedLineEnds",
                "\"one\r\ntwo\nthree\",x\r\nnext,y\r\n",
                {{"one\r\ntwo\nthree", "x"}, {"next", "y"}},
                {1, 4}},
        CsvCase{"QuoteInsideUnquotedField", "5\" pole,x\n", {{"5\" pole", "x"}}, {1}},
        CsvCase{"BlankLinesSkipped", "\r\na\n\n\r\nb\n\n", {{"a"}, {"b"}}, {2, 5}},
        CsvCase{"SpacesKept", " a , b \n", {{" a ", " b "}}, {1}},
        CsvCase{"Utf8Kept", "東室蘭駅東口,\"地球岬,団地\"\n", {{"東室蘭駅東口", "地球岬,団地"}}, {1}}),
    [](const auto& info) { return std::string(info.param.name); });

struct CsvErrorCase {
    const char* name;
    QByteArray text;
    qint64 line;
    int field;
    const char* reason;
    int recordsBefore;
};

class CsvErrors : public ::testing::TestWithParam<CsvErrorCase> {};

TEST_P(CsvErrors, NameLineAndField) {
    const CsvErrorCase& c = GetParam();
    for (const qint64 piece : {qint64(0), qint64(1)}) {
        const ReadAll r = piece == 0 ? readAll(c.text) : readInPieces(c.text, piece);
        ASSERT_TRUE(r.error);
        EXPECT_EQ(r.error->line, c.line);
        EXPECT_EQ(r.error->field, c.field);
        EXPECT_EQ(r.error->reason, QString::fromUtf8(c.reason));
        EXPECT_EQ(r.records.size(), c.recordsBefore);
    }
}

INSTANTIATE_TEST_SUITE_P(Feeds, CsvErrors,
                         ::testing::Values(CsvErrorCase{"OpenQuote", "a,b\nc,\"d\ne\n", 2, 2,
                                                        "the quoted field is not closed", 1},
                                           CsvErrorCase{"TextAfterQuote", "a\r\n\"b\"c,d\r\n", 2, 1,
                                                        "text after the closing quote", 1},
                                           CsvErrorCase{"OpenQuoteAfterMultiLineField", "\"x\ny\",1\n2,\"z\n",
                                                        3, 2, "the quoted field is not closed", 1}),
                         [](const auto& info) { return std::string(info.param.name); });

struct LimitCase {
    const char* name;
    QByteArray text;
    qint64 fillBytes; // bytes of 'x' after the text, without a line end
    csv::CsvLimits limits;
    csv::CsvError::Kind kind;
    qint64 line;
    int recordsBefore;
};

class CsvLimitsTest : public ::testing::TestWithParam<LimitCase> {};

// A limit stops the reader where it is passed, whole text or pieces: a line with no
// end is refused once it holds more than its limit, never read to its end.
TEST_P(CsvLimitsTest, StopAtTheLimit) {
    const LimitCase& c = GetParam();
    Pieces source(c.text, 1 << 20, c.fillBytes);
    csv::CsvReader reader(source, c.limits);
    const ReadAll r = readAll(reader);
    ASSERT_TRUE(r.error);
    EXPECT_EQ(r.error->kind, c.kind);
    EXPECT_EQ(r.error->line, c.line);
    EXPECT_EQ(r.records.size(), c.recordsBefore);
    if (c.limits.maxRecordBytes > 0)
        EXPECT_LE(source.given(), c.text.size() + 2 * c.limits.maxRecordBytes + (1 << 20));
    if (c.fillBytes == 0) {
        csv::CsvReader whole(c.text, c.limits);
        const ReadAll w = readAll(whole);
        ASSERT_TRUE(w.error);
        EXPECT_EQ(w.error->kind, c.kind);
        EXPECT_EQ(w.error->line, c.line);
    }
}

using Kind = csv::CsvError::Kind;

INSTANTIATE_TEST_SUITE_P(
    Limits, CsvLimitsTest,
    ::testing::Values(
        LimitCase{
            "LineWithoutEnd", "a,b\n", qint64(100) << 20, {1 << 20, 0, false}, Kind::RecordTooLong, 2, 1},
        LimitCase{"LongQuotedField", "a\n\"x\nyy\",z\n", 0, {6, 0, false}, Kind::RecordTooLong, 2, 1},
        LimitCase{"TooManyRecords", "h\n1\n2\n\n3\n", 0, {0, 3, false}, Kind::TooManyRecords, 5, 3},
        LimitCase{"NotUtf8InAMultiLineField", "a\n\"b\nc\x93\",d\n", 0, {0, 0, true}, Kind::NotUtf8, 3, 1}),
    [](const auto& info) { return std::string(info.param.name); });

TEST(CsvTable, ColumnsByNameInAnyOrderWithUnknownOnesAndShortRows) {
    const QByteArray text = "\xEF\xBB\xBF extra , stop_name,stop_id\r\nq,\"駅, 前\",S1\r\nr\r\n";
    csv::CsvTable t(text);
    ASSERT_TRUE(t.hasHeader());
    const int id = t.column("stop_id");
    const int name = t.column("stop_name");
    EXPECT_EQ(t.column("extra"), 0);
    EXPECT_EQ(t.column("zone_id"), -1);
    ASSERT_TRUE(t.next());
    EXPECT_EQ(t.field(id), "S1");
    EXPECT_EQ(QString::fromUtf8(t.field(name)), QStringLiteral("駅, 前"));
    EXPECT_EQ(t.line(), 2);
    ASSERT_TRUE(t.next());
    EXPECT_EQ(t.field(id), ""); // the row stops early
    EXPECT_EQ(t.field(-1), "");
    EXPECT_FALSE(t.next());
    EXPECT_FALSE(t.error());
}

TEST(CsvTable, EmptyTextHasNoHeader) {
    for (const QByteArray& text : {QByteArray(), QByteArray("\xEF\xBB\xBF"), QByteArray("\r\n\r\n")}) {
        csv::CsvTable t(text);
        EXPECT_FALSE(t.hasHeader());
        EXPECT_FALSE(t.next());
    }
}

TEST(Utf8, ValidPrefixStopsAtTheFirstBadSequence) {
    const struct {
        QByteArray bytes;
        qsizetype valid;
    } cases[] = {
        {"abc", 3},
        {"\xE9\xA7\x85", 3},                   // 駅
        {"\xF0\xA0\xAE\xB7x", 5},              // 𠮷 then x
        {"ab\xE9\xA7", 2},                     // cut short at the end
        {"a\xC0\x80", 1},                      // overlong NUL
        {"a\xED\xA0\x80", 1},                  // a surrogate
        {"\xF4\x90\x80\x80", 0},               // above U+10FFFF
        {"ok\x82\xA0", 2},                     // Shift_JIS あ
        {"\xE9\x41\x85", 0},                   // bad continuation byte
        {"eight ok\xE9\xA7\x85 and \xFF", 16}, // after a run of ASCII
    };
    for (const auto& c : cases)
        EXPECT_EQ(csv::validUtf8Prefix(c.bytes), c.valid) << c.bytes.toHex().constData();
}

TEST(Utf8, LineOfOffsetCountsEveryKindOfLineEnd) {
    const QByteArray text = "a\r\nb\nc\rd";
    EXPECT_EQ(csv::lineOfOffset(text, 0), 1);
    EXPECT_EQ(csv::lineOfOffset(text, 3), 2);
    EXPECT_EQ(csv::lineOfOffset(text, 5), 3);
    EXPECT_EQ(csv::lineOfOffset(text, 7), 4);
}

} // namespace
