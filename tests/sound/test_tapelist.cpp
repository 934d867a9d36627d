// Reading a route's announcement list (text, MoveStop, ChimeKind per record).
#include "platform/Cp932.h"
#include "sound/TapeList.h"

#include <gtest/gtest.h>
#include <vector>

namespace {

QByteArray sjis(const char* utf8) {
    return cp932::encode(QString::fromUtf8(utf8));
}

struct Expected {
    const char* text; // UTF-8
    qint16 moveStop;
    qint16 chimeKind;
};

struct ListCase {
    const char* name;
    QByteArray bytes;
    bool ok;
    qint32 lines;
    qint32 records;
    std::vector<Expected> entries; // the first entries, in order
};

// Short test names in CTest, which names a case after its printed value.
void PrintTo(const ListCase& c, std::ostream* os) {
    *os << c.name;
}

class TapeListRead : public ::testing::TestWithParam<ListCase> {};

TEST_P(TapeListRead, ReadsByListInputRules) {
    const ListCase& c = GetParam();
    const TapeListLoad load = tapelist::read(c.bytes);
    EXPECT_EQ(load.ok, c.ok) << load.problem.toStdString();
    EXPECT_EQ(load.lineCount, c.lines);
    EXPECT_EQ(load.recordsRead, c.records);
    EXPECT_EQ(load.entries.size(), c.lines);
    ASSERT_LE(c.entries.size(), static_cast<size_t>(load.entries.size()));
    for (size_t i = 0; i < c.entries.size(); ++i) {
        SCOPED_TRACE(i + 1);
        EXPECT_EQ(load.entries[qsizetype(i)].Text, QString::fromUtf8(c.entries[i].text));
        EXPECT_EQ(load.entries[qsizetype(i)].MoveStop, c.entries[i].moveStop);
        EXPECT_EQ(load.entries[qsizetype(i)].ChimeKind, c.entries[i].chimeKind);
    }
    if (!c.ok) {
        EXPECT_FALSE(load.problem.isEmpty());
    }
}

const ListCase kCases[] = {
    {"three_lines",
     "first,1,2\r\nsecond,0,3\r\nthird,1,1\r\n",
     true,
     3,
     3,
     {{"first", 1, 2}, {"second", 0, 3}, {"third", 1, 1}}},
    {"shift_jis_quoted_comma",
     sjis("\"次は、市役所前です,お降りの方はお知らせください\",1,2\r\n終点です。,0,0\r\n"),
     true,
     2,
     2,
     {{"次は、市役所前です,お降りの方はお知らせください", 1, 2}, {"終点です。", 0, 0}}},
    {"unquoted_comma_shifts_the_fields",
     sjis("1番,2,3,4\r\n5,6\r\n"),
     true,
     2,
     2,
     {{"1番", 2, 3}, {"4", 5, 6}}},
    {"unquoted_comma_with_text_after_fails", sjis("次は,市役所前,1,2\r\n"), false, 1, 1, {{"次は", 0, 0}}},
    {"leading_spaces_skipped",
     "   hello,  1,   2\r\n  \"quoted text\" , 0 ,3\r\n",
     true,
     2,
     2,
     {{"hello", 1, 2}, {"quoted text", 0, 3}}},
    {"short_line_borrows_the_next_lines_fields",
     "first\r\n1,2\r\nsecond,0,0\r\n",
     true,
     3,
     2,
     {{"first", 1, 2}, {"second", 0, 0}, {"", 0, 0}}},
    {"overflow_fails_the_whole_load",
     "a,1,2\r\nb,32768,1\r\nc,0,0\r\n",
     false,
     3,
     2,
     {{"a", 1, 2}, {"b", 0, 0}}},
    {"negative_overflow", "a,1,-32769\r\n", false, 1, 1, {{"a", 1, 0}}},
    {"limits_fit", "a,-32768,32767\r\n", true, 1, 1, {{"a", -32768, 32767}}},
    {"not_a_number", "a,x,1\r\n", false, 1, 1, {{"a", 0, 0}}},
    {"unbalanced_quote_runs_to_the_end",
     "\"abc,1,2\r\nd,0,0\r\n",
     false,
     2,
     1,
     {{"abc,1,2\r\nd,0,0\r\n", 0, 0}}},
    {"empty_file", "", false, 0, 0, {}},
    {"lf_line_ends", "a,1,2\nb,0,0\n", true, 2, 2, {{"a", 1, 2}, {"b", 0, 0}}},
    {"cr_line_ends", "a,1,2\rb,0,0\r", true, 2, 2, {{"a", 1, 2}, {"b", 0, 0}}},
    {"no_final_line_end", "a,1,2\r\nb,0,3", true, 2, 2, {{"a", 1, 2}, {"b", 0, 3}}},
    {"trailing_blank_line_ends_the_data", "a,1,2\r\n\r\n", true, 1, 1, {{"a", 1, 2}}},
    {"trailing_blank_and_space_lines_end_the_data",
     "a,1,2\nb,0,0\n\n  \n\t\n",
     true,
     2,
     2,
     {{"a", 1, 2}, {"b", 0, 0}}},
    {"empty_last_field_before_blank_lines", "a,1,\r\n\r\n", true, 1, 1, {{"a", 1, 0}}},
    {"blank_line_inside_the_data_still_fails", "a,1,2\r\n\r\nb,0,0\r\n", false, 3, 2, {{"a", 1, 2}}},
    {"more_records_than_lines", "a,1,2,b,0,0\r\n", false, 1, 2, {{"a", 1, 2}}},
    {"empty_number_fields_are_zero", "a,,\r\nb, ,\r\n", true, 2, 2, {{"a", 0, 0}, {"b", 0, 0}}},
    {"fractions_round_half_to_even", "a,1.5,2.5\r\nb,-2.5,1e1\r\n", true, 2, 2, {{"a", 2, 2}, {"b", -2, 10}}},
    {"quoted_numbers", "a,\"1\",\" 3 \"\r\n", true, 1, 1, {{"a", 1, 3}}},
    {"text_after_the_closing_quote_is_dropped", "\"abc\"def,1,2\r\n", true, 1, 1, {{"abc", 1, 2}}},
    {"file_ends_inside_a_record", "a,1", false, 1, 1, {{"a", 1, 0}}},
    {"only_a_line_end", "\r\n", false, 0, 0, {}},
    {"trail_byte_0x5c_stays_in_the_text", sjis("表示,1,2\r\n"), true, 1, 1, {{"表示", 1, 2}}},
    {"quoted_text_spans_lines",
     "\"line1\r\nline2\",1,2\r\n",
     true,
     2,
     1,
     {{"line1\r\nline2", 1, 2}, {"", 0, 0}}},
    {"trailing_spaces_of_unquoted_text_dropped", "text   ,1,2\r\n", true, 1, 1, {{"text", 1, 2}}},
};

INSTANTIATE_TEST_SUITE_P(Cases, TapeListRead, ::testing::ValuesIn(kCases),
                         [](const ::testing::TestParamInfo<ListCase>& info) {
                             return std::string(info.param.name);
                         });

TEST(TapeListRead, NulByteTextKeepsItsLength) {
    const TapeListLoad load = tapelist::read(QByteArray("a\0b,1,2\r\n", 9));
    ASSERT_TRUE(load.ok);
    EXPECT_EQ(load.entries[0].Text, QString::fromUtf8("a\0b", 3));
}

TEST(TapeListRead, NamesTheLineThatFailed) {
    const struct {
        QByteArray bytes;
        qint32 line;
    } cases[] = {
        {"a,1,2\r\nb,x,1\r\n", 2},                // not a number
        {"a,1,2\r\n\r\nb,0,0\r\n", 3},            // a blank line inside shifts the fields
        {"\"abc\r\nd\",1,2\r\ne,99999,0\r\n", 3}, // a quoted text spans two lines
        {"a,1", 1},                               // the file ends inside a record
        {"", 1},                                  // nothing to read
    };
    for (const auto& c : cases) {
        const TapeListLoad load = tapelist::read(c.bytes);
        EXPECT_FALSE(load.ok) << c.bytes.toStdString();
        EXPECT_EQ(load.failedLine, c.line) << c.bytes.toStdString() << " " << load.problem.toStdString();
    }
}

struct LineCase {
    QByteArray bytes;
    qint32 lines;
};

void PrintTo(const LineCase& c, std::ostream* os) {
    *os << ::testing::PrintToString(c.bytes.toStdString());
}

class TapeListLines : public ::testing::TestWithParam<LineCase> {};

TEST_P(TapeListLines, CountsLikeALineReader) {
    EXPECT_EQ(tapelist::countLines(GetParam().bytes), GetParam().lines) << GetParam().bytes.toStdString();
}

INSTANTIATE_TEST_SUITE_P(Cases, TapeListLines,
                         ::testing::Values(LineCase{"", 0}, LineCase{"a", 1}, LineCase{"a\r\n", 1},
                                           LineCase{"a\r\nb", 2}, LineCase{"a\r\n\r\n", 2},
                                           LineCase{"\r\n", 1}, LineCase{"\n\n\n", 3},
                                           LineCase{"a\rb\nc\r\nd", 4}, LineCase{"a\n\r", 2},
                                           LineCase{"a\r\n ", 2}));

struct NumberCase {
    const char* text;
    bool ok;
    qint16 value;
};

void PrintTo(const NumberCase& c, std::ostream* os) {
    *os << ::testing::PrintToString(std::string(c.text));
}

class TapeListNumber : public ::testing::TestWithParam<NumberCase> {};

TEST_P(TapeListNumber, Reads16BitIntegers) {
    qint16 value = 99;
    EXPECT_EQ(tapelist::parseInt16(GetParam().text, value), GetParam().ok) << GetParam().text;
    if (GetParam().ok) {
        EXPECT_EQ(value, GetParam().value) << GetParam().text;
    }
}

INSTANTIATE_TEST_SUITE_P(
    Cases, TapeListNumber,
    ::testing::Values(NumberCase{"", true, 0}, NumberCase{" 7 ", true, 7}, NumberCase{"+5", true, 5},
                      NumberCase{"-0", true, 0}, NumberCase{"32767", true, 32767},
                      NumberCase{"-32768", true, -32768}, NumberCase{"32768", false, 0},
                      NumberCase{"99999999999999999999", false, 0}, NumberCase{"1.5", true, 2},
                      NumberCase{"2.5", true, 2}, NumberCase{"-2.5", true, -2}, NumberCase{"1e3", true, 1000},
                      NumberCase{"1D2", true, 100}, NumberCase{"1e5", false, 0},
                      NumberCase{"32767.4", true, 32767}, NumberCase{"32767.5", false, 0},
                      NumberCase{".5", true, 0}, NumberCase{"5.", true, 5}, NumberCase{"abc", false, 0},
                      NumberCase{"12abc", false, 0}, NumberCase{"1e", false, 0}, NumberCase{"-", false, 0},
                      NumberCase{".", false, 0}, NumberCase{"1 2", false, 0}, NumberCase{"nan", false, 0},
                      NumberCase{"inf", false, 0}, NumberCase{"0x10", false, 0}));

} // namespace
