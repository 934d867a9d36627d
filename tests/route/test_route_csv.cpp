#include "route/RouteCsv.h"

#include <gtest/gtest.h>

using namespace DataIo;

namespace {

RouteRow row(const QString& name, int ticket, const QVector<std::pair<int, int>>& columns = {}) {
    RouteRow r;
    r.setStopName(name);
    r.TicketNumber = static_cast<qint16>(ticket);
    for (const auto& [k, v] : columns)
        r.DataColumns[k] = static_cast<qint16>(v);
    return r;
}

QString zeros(int n) {
    QString s;
    for (int i = 0; i < n; ++i)
        s += QStringLiteral(",0");
    return s;
}

TEST(RouteCsv, LineHasNameTicketAnd150Columns) {
    const QString line = routeCsvLine(row(QStringLiteral("駅前"), 3, {{1, -1}, {2, 160}, {150, -32768}}));
    EXPECT_EQ(line, QStringLiteral("駅前,3,-1,160") + zeros(147) + QStringLiteral(",-32768"));
    EXPECT_EQ(line.count(QLatin1Char(',')), 151);
}

struct QuoteCase {
    const char* name;
    const char* stopName;
    const char* field;
};

void PrintTo(const QuoteCase& c, std::ostream* os) {
    *os << c.name;
}

class NameQuoting : public ::testing::TestWithParam<QuoteCase> {};

TEST_P(NameQuoting, QuotesOnlyWhenNeeded) {
    const QuoteCase& c = GetParam();
    const QString line = routeCsvLine(row(QString::fromUtf8(c.stopName), 0));
    EXPECT_EQ(line, QString::fromUtf8(c.field) + QStringLiteral(",0") + zeros(150));
    // and reads back as the same name
    const RouteCsvResult back = parseRouteCsv(line.toUtf8() + '\n');
    ASSERT_FALSE(back.error) << back.error->text().toStdString();
    ASSERT_EQ(back.records.size(), 1);
    EXPECT_EQ(back.records[0].StopName, QString::fromUtf8(c.stopName));
}

INSTANTIATE_TEST_SUITE_P(Cases, NameQuoting,
                         ::testing::Values(QuoteCase{"plain", "市役所前", "市役所前"},
                                           QuoteCase{"empty", "", ""},
                                           QuoteCase{"spaces_kept", " 駅 前 ", " 駅 前 "},
                                           QuoteCase{"comma", "中央公園,北口", "\"中央公園,北口\""},
                                           QuoteCase{"quote", "\"緑\"団地", "\"\"\"緑\"\"団地\""},
                                           QuoteCase{"line_feed", "上\n下", "\"上\n下\""},
                                           QuoteCase{"cr_lf", "上\r\n下", "\"上\r\n下\""}),
                         [](const auto& info) { return std::string(info.param.name); });

TEST(RouteCsv, ReadsShortLinesBlankLinesCrLfAndBom) {
    const QByteArray text = "\xEF\xBB\xBF"
                            "A,1,100,-1\r\n"
                            "\r\n"
                            "\"B,\"\"b\"\"\",2\n"
                            "C, 3 , +5 ,-32768" +
                            zeros(147).toUtf8() + ",32767";
    const RouteCsvResult r = parseRouteCsv(text);
    ASSERT_FALSE(r.error) << r.error->text().toStdString();
    ASSERT_EQ(r.records.size(), 3);
    EXPECT_EQ(r.recordLines, (QVector<int>{1, 3, 4}));
    EXPECT_EQ(r.records[0], row(QStringLiteral("A"), 1, {{1, 100}, {2, -1}}));
    EXPECT_EQ(r.records[1], row(QStringLiteral("B,\"b\""), 2));
    EXPECT_EQ(r.records[2], row(QStringLiteral("C"), 3, {{1, 5}, {2, -32768}, {150, 32767}}));
}

TEST(RouteCsv, EmptyTextIsARouteWithoutStops) {
    const RouteCsvResult r = parseRouteCsv(QByteArray());
    EXPECT_FALSE(r.error);
    EXPECT_TRUE(r.records.isEmpty());
}

TEST(RouteCsv, WaveDashIsWrittenAsItsCp932Code) {
    const RouteCsvResult r = parseRouteCsv(QStringLiteral("港\u301C桟橋,1\n").toUtf8());
    ASSERT_FALSE(r.error);
    EXPECT_EQ(r.records[0].StopNameBytes, QByteArray("\x8D\x60\x81\x60\x8E\x56\x8B\xB4"));
}

struct ErrorCase {
    const char* name;
    QByteArray text;
    int line;
    int field;
    const char* reason; // a part of the reason
};

void PrintTo(const ErrorCase& c, std::ostream* os) {
    *os << c.name;
}

class CsvErrors : public ::testing::TestWithParam<ErrorCase> {};

TEST_P(CsvErrors, NameTheLineAndField) {
    const ErrorCase& c = GetParam();
    const RouteCsvResult r = parseRouteCsv(c.text);
    ASSERT_TRUE(r.error);
    EXPECT_EQ(r.error->line, c.line);
    EXPECT_EQ(r.error->field, c.field);
    EXPECT_TRUE(r.error->reason.contains(QString::fromUtf8(c.reason))) << r.error->reason.toStdString();
}

QByteArray fields(int n) {
    QByteArray s = "A";
    for (int i = 2; i <= n; ++i)
        s += ",1";
    return s;
}

INSTANTIATE_TEST_SUITE_P(
    Cases, CsvErrors,
    ::testing::Values(
        ErrorCase{"name_only", "A,1\nB\n", 2, 2, "missing"},
        ErrorCase{"ticket_not_a_number", "A,x1\n", 1, 2, "\"x1\" is not a whole number"},
        ErrorCase{"fare_too_large", "A,1\nB,2,100,40000\n", 2, 4, "40000 does not fit in 16 bits"},
        ErrorCase{"fare_too_small", "A,1,-32769\n", 1, 3, "does not fit in 16 bits"},
        ErrorCase{"huge_number", "A,1,99999999999999999999999\n", 1, 3, "does not fit in 16 bits"},
        ErrorCase{"decimal", "A,1,1.5\n", 1, 3, "not a whole number"},
        ErrorCase{"empty_column", "A,1,,5\n", 1, 3, "empty"},
        ErrorCase{"trailing_comma", "A,1,5,\n", 1, 4, "empty"},
        ErrorCase{"sign_only", "A,-\n", 1, 2, "not a whole number"},
        ErrorCase{"field_153", fields(153) + "\n", 1, 153, "too many fields"},
        ErrorCase{"stray_quote", "A\"B,1\n", 1, 1, "quote"},
        ErrorCase{"quote_never_closed", "A,1\n\"B,1\n", 2, 1, "never closed"},
        ErrorCase{"text_after_closing_quote", "\"A\"B,1\n", 1, 1, "after the closing quote"},
        ErrorCase{"not_cp932", "A,1\nB\xF0\x9F\x98\x80,1\n", 2, 1, "U+1F600"},
        ErrorCase{"not_utf8", "A,1\nB,1\nC\xFF,1\n", 3, 0, "not UTF-8"},
        ErrorCase{"line_after_multiline_name", "\"A\nB\nC\",1\nD,1,x\n", 4, 3, "not a whole number"},
        ErrorCase{"field_on_second_line_of_record", "\"A\nB\",1,\"x\n\"\n", 2, 3, "not a whole number"}),
    [](const auto& info) { return std::string(info.param.name); });

TEST(RouteCsv, NameLongerThan65535BytesIsRefused) {
    const QByteArray name = QStringLiteral("亜").repeated(32768).toUtf8(); // 65536 bytes in cp932
    const RouteCsvResult r = parseRouteCsv(name + ",1\n");
    ASSERT_TRUE(r.error);
    EXPECT_EQ(r.error->field, 1);
    EXPECT_TRUE(r.error->reason.contains(QStringLiteral("65536 bytes")));
    const RouteCsvResult ok = parseRouteCsv(QByteArray(65535, 'A') + ",1\n");
    EXPECT_FALSE(ok.error);
}

TEST(RouteCsv, ErrorText) {
    EXPECT_EQ((RouteCsvError{3, 5, QStringLiteral("bad")}).text(),
              QStringLiteral("line 3, field 5 (c3): bad"));
    EXPECT_EQ((RouteCsvError{2, 1, QStringLiteral("bad")}).text(),
              QStringLiteral("line 2, field 1 (name): bad"));
    EXPECT_EQ((RouteCsvError{2, 2, QStringLiteral("bad")}).text(),
              QStringLiteral("line 2, field 2 (ticket): bad"));
    EXPECT_EQ((RouteCsvError{7, 0, QStringLiteral("bad")}).text(), QStringLiteral("line 7: bad"));
}

} // namespace
