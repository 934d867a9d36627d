#include "RouteTestBytes.h"
#include "route/RouteCli.h"
#include "route/RouteFile.h"

#include <QDir>
#include <QFile>
#include <QTemporaryDir>
#include <gtest/gtest.h>
#include <sys/stat.h>

using DataIo::MaxLoadedRouteBytes;
using routetest::numberedRoute;
using routetest::record;

namespace {

struct CliRun {
    int status = 0;
    QString out;
    QString err;
};

CliRun route(const QStringList& args) {
    CliRun r;
    QTextStream out(&r.out);
    QTextStream err(&r.err);
    r.status = routeCommand(args, out, err);
    out.flush();
    err.flush();
    return r;
}

class RouteCli : public ::testing::Test {
protected:
    void SetUp() override { ASSERT_TRUE(dir.isValid()); }

    QString path(const QString& name) const { return dir.filePath(name); }

    QString write(const QString& name, const QByteArray& bytes) {
        QFile f(path(name));
        EXPECT_TRUE(f.open(QIODevice::WriteOnly));
        EXPECT_EQ(f.write(bytes), bytes.size());
        return path(name);
    }

    static QByteArray read(const QString& file) {
        QFile f(file);
        if (!f.open(QIODevice::ReadOnly))
            return {};
        return f.readAll();
    }

    QTemporaryDir dir;
};

// A 301-stop route with Japanese names, some needing quotes, and values across the
// whole 16-bit range.
QByteArray bigRouteCsv() {
    const QStringList names = {QStringLiteral("駅前"),          QStringLiteral("市役所前"),
                               QStringLiteral("中央公園,北口"), QStringLiteral("\"緑ヶ丘\"団地"),
                               QStringLiteral("ﾊﾞｽｾﾝﾀｰ"),       QString(),
                               QStringLiteral("上り\n下り"),    QStringLiteral("①番のりば"),
                               QStringLiteral("髙島屋前"),      QStringLiteral("ＪＲ　線")};
    QString csv;
    for (int r = 1; r <= 301; ++r) {
        QString name = names.at(r % names.size());
        if (!name.isEmpty() && r > 10)
            name += QString::number(r);
        QString field = name;
        if (name.contains(QLatin1Char(',')) || name.contains(QLatin1Char('"')) ||
            name.contains(QLatin1Char('\n')))
            field = QLatin1Char('"') + QString(name).replace(QLatin1Char('"'), QStringLiteral("\"\"")) +
                    QLatin1Char('"');
        csv += field + QLatin1Char(',') + QString::number(r);
        for (int k = 1; k <= 150; ++k) {
            const int v = ((r * 151 + k * 97) % 65536) - 32768;
            csv += QLatin1Char(',') + QString::number(k == r % 150 + 1 ? -1 : v);
        }
        csv += QLatin1Char('\n');
    }
    return csv.toUtf8();
}

TEST_F(RouteCli, BuildThenDumpGivesBackTheSameCsv) {
    const QByteArray csv = bigRouteCsv();
    const QString in = write(QStringLiteral("big.csv"), csv);
    const QString out = path(QStringLiteral("big.hy3"));
    const CliRun built = route({QStringLiteral("build"), in, QStringLiteral("-o"), out});
    ASSERT_EQ(built.status, 0) << built.err.toStdString();
    EXPECT_TRUE(built.err.isEmpty());

    const QByteArray file = read(out);
    EXPECT_EQ(file.left(2), QByteArray("\x2D\x01", 2)); // 301
    const DataIo::RouteFileContents contents = DataIo::parseRouteFile(file);
    EXPECT_FALSE(contents.truncated());
    EXPECT_EQ(contents.trailingBytes, 0);
    EXPECT_EQ(contents.records[0].StopNameBytes, QByteArray("\x8E\x73\x96\xF0\x8F\x8A\x91\x4F")); // 市役所前
    EXPECT_EQ(contents.records[6].StopNameBytes,
              QByteArray("\x87\x40\x94\xD4\x82\xCC\x82\xE8\x82\xCE")); // ①番のりば

    const CliRun dumped = route({QStringLiteral("dump"), out});
    ASSERT_EQ(dumped.status, 0) << dumped.err.toStdString();
    EXPECT_TRUE(dumped.err.isEmpty());
    EXPECT_EQ(dumped.out.toUtf8(), csv);
}

TEST_F(RouteCli, SampleFixtureDumpsToItsCsvAndBuildsToItsBytes) {
    const QString hy3 = QStringLiteral(CORVANE_SOURCE_DIR "/data/fixtures/route/12.hy3");
    const QString csv = QStringLiteral(CORVANE_SOURCE_DIR "/data/fixtures/route/12.csv");
    const CliRun dumped = route({QStringLiteral("dump"), hy3});
    EXPECT_EQ(dumped.status, 0);
    EXPECT_EQ(dumped.out.toUtf8(), read(csv));
    const QString out = path(QStringLiteral("12.hy3"));
    EXPECT_EQ(route({QStringLiteral("build"), csv, QStringLiteral("-o"), out}).status, 0);
    EXPECT_EQ(read(out), read(hy3));
}

struct BuildError {
    const char* name;
    QByteArray csv;
    const char* where; // "FILE:LINE: field N (NAME)" after the file name
};

void PrintTo(const BuildError& c, std::ostream* os) {
    *os << c.name;
}

class RouteBuildErrors : public RouteCli, public ::testing::WithParamInterface<BuildError> {};

TEST_P(RouteBuildErrors, NameLineAndFieldAndLeaveNoFile) {
    const BuildError& c = GetParam();
    const QString in = write(QStringLiteral("in.csv"), c.csv);
    const QString out = path(QStringLiteral("out.hy3"));
    const CliRun r = route({QStringLiteral("build"), in, QStringLiteral("-o"), out});
    EXPECT_EQ(r.status, 2);
    EXPECT_TRUE(r.err.startsWith(QStringLiteral("corvane route build: ") + in + QString::fromUtf8(c.where)))
        << r.err.toStdString();
    EXPECT_FALSE(QFile::exists(out));
    EXPECT_EQ(QDir(dir.path()).entryList(QDir::Files), QStringList{QStringLiteral("in.csv")});
}

INSTANTIATE_TEST_SUITE_P(
    Cases, RouteBuildErrors,
    ::testing::Values(
        BuildError{"bad_fare", "A,1,100\nB,2,100,70000\n", ":2: field 4 (c2): 70000 does not fit"},
        BuildError{"bad_ticket", "A,1\nB,2\nC,three\n", ":3: field 2 (ticket): \"three\""},
        BuildError{"missing_ticket", "A\n", ":1: field 2 (ticket): missing"},
        BuildError{"not_cp932", "A,1\n\xF0\x9F\x9A\x8C,1\n", ":2: field 1 (name): the character"},
        BuildError{"too_many_fields", "A,1" + QByteArray(",0").repeated(151) + "\n",
                   ":1: field 153 (c151): too many fields"},
        BuildError{"not_utf8", "A,1\n\x82\xA0,1\n", ":2: the text is not UTF-8"}),
    [](const auto& info) { return std::string(info.param.name); });

TEST_F(RouteCli, FailedBuildLeavesAnExistingOutputAsItWas) {
    const QString out = write(QStringLiteral("keep.hy3"), QByteArray("old"));
    const QString in = write(QStringLiteral("in.csv"), QByteArray("A,1,x\n"));
    EXPECT_EQ(route({QStringLiteral("build"), in, QStringLiteral("-o"), out}).status, 2);
    EXPECT_EQ(read(out), QByteArray("old"));
}

TEST_F(RouteCli, BuildWarnsAboutRoutesTheSimulatorRefuses) {
    QByteArray csv;
    for (int r = 1; r <= 302; ++r)
        csv += "S" + QByteArray::number(r) + "," + QByteArray::number(r) + "\n";
    const QString in = write(QStringLiteral("302.csv"), csv);
    const QString out = path(QStringLiteral("302.hy3"));
    const CliRun r = route({QStringLiteral("build"), in, QStringLiteral("-o"), out});
    EXPECT_EQ(r.status, 0);
    EXPECT_TRUE(r.err.contains(QStringLiteral("warning"))) << r.err.toStdString();
    EXPECT_EQ(read(out).size(), 2 + 302 * 304 + 9 * 2 + 90 * 3 + 203 * 4);
}

struct UsageCase {
    const char* name;
    QStringList args;
    int status;
    const char* outStart; // empty: nothing on standard output
};

void PrintTo(const UsageCase& c, std::ostream* os) {
    *os << c.name;
}

class RouteUsage : public ::testing::TestWithParam<UsageCase> {};

TEST_P(RouteUsage, HelpAndUsageErrors) {
    const UsageCase& c = GetParam();
    const CliRun r = route(c.args);
    EXPECT_EQ(r.status, c.status);
    if (*c.outStart) {
        EXPECT_TRUE(r.out.startsWith(QString::fromUtf8(c.outStart))) << r.out.toStdString();
    } else {
        EXPECT_TRUE(r.out.isEmpty());
    }
    if (c.status == 2) {
        EXPECT_FALSE(r.err.isEmpty());
    }
}

INSTANTIATE_TEST_SUITE_P(
    Cases, RouteUsage,
    ::testing::Values(
        UsageCase{"help", {"--help"}, 0, "usage: corvane route dump"},
        UsageCase{"dump_help", {"dump", "--help"}, 0, "usage: corvane route dump FILE.hy3"},
        UsageCase{"build_help", {"build", "--help"}, 0, "usage: corvane route build"},
        UsageCase{"check_help", {"check", "x.hy3", "--help"}, 0, "usage: corvane route check"},
        UsageCase{"nothing", {}, 2, ""}, UsageCase{"unknown", {"print", "x"}, 2, ""},
        UsageCase{"dump_no_file", {"dump"}, 2, ""}, UsageCase{"dump_two_files", {"dump", "a", "b"}, 2, ""},
        UsageCase{"dump_unreadable", {"dump", "/nonexistent/x.hy3"}, 2, ""},
        UsageCase{"check_unreadable", {"check", "/nonexistent/x.hy3"}, 2, ""},
        UsageCase{"build_no_output", {"build", "a.csv"}, 2, ""},
        UsageCase{"build_dangling_o", {"build", "a.csv", "-o"}, 2, ""},
        UsageCase{"build_unknown_option", {"build", "a.csv", "-x", "-o", "b"}, 2, ""},
        UsageCase{"build_unreadable", {"build", "/nonexistent/a.csv", "-o", "/nonexistent/b"}, 2, ""}),
    [](const auto& info) { return std::string(info.param.name); });

TEST_F(RouteCli, DumpOfATruncatedFilePrintsTheCompleteRecordsAndFails) {
    const QString file = write(QStringLiteral("t.hy3"), numberedRoute(2, 3));
    const CliRun r = route({QStringLiteral("dump"), file});
    EXPECT_EQ(r.status, 2);
    EXPECT_EQ(r.out.count(QLatin1Char('\n')), 2);
    EXPECT_TRUE(r.out.startsWith(QStringLiteral("S1,1,10,0,")));
    EXPECT_TRUE(r.err.contains(QStringLiteral("ends inside record 3 of 3")));
}

TEST_F(RouteCli, DumpReportsNamesThatAreNotCp932) {
    QByteArray bytes("\x01\x00", 2);
    bytes.append(record("\x88", 1));
    const CliRun r = route({QStringLiteral("dump"), write(QStringLiteral("n.hy3"), bytes)});
    EXPECT_EQ(r.status, 0);
    EXPECT_TRUE(r.out.startsWith(QChar(0xFFFD)));
    EXPECT_TRUE(r.err.contains(QStringLiteral("record 1")));
}

// ---- check ----------------------------------------------------------------------

struct CheckCase {
    const char* name;
    QByteArray bytes;
    int status;
    QStringList findings; // each must appear on a "problem:" line, in this order
};

void PrintTo(const CheckCase& c, std::ostream* os) {
    *os << c.name;
}

class RouteCheck : public RouteCli, public ::testing::WithParamInterface<CheckCase> {};

TEST_P(RouteCheck, Reports) {
    const CheckCase& c = GetParam();
    const QString file = write(QStringLiteral("c.hy3"), c.bytes);
    const CliRun r = route({QStringLiteral("check"), file});
    EXPECT_EQ(r.status, c.status) << r.out.toStdString();
    const QStringList lines = r.out.split(QLatin1Char('\n'), Qt::SkipEmptyParts);
    ASSERT_FALSE(lines.isEmpty());
    EXPECT_TRUE(lines.first().startsWith(file + QStringLiteral(": ")));
    EXPECT_FALSE(r.out.contains(QChar(0x1B))) << "a control character went to the terminal";
    QStringList problems;
    for (const QString& l : lines) {
        if (l.startsWith(QStringLiteral("problem: ")))
            problems << l;
    }
    ASSERT_EQ(problems.size(), c.findings.size()) << r.out.toStdString();
    for (qsizetype i = 0; i < problems.size(); ++i)
        EXPECT_TRUE(problems[i].contains(c.findings[i])) << problems[i].toStdString();
    EXPECT_EQ(
        lines.last(),
        c.status == 0
            ? QStringLiteral("no problems found")
            : QStringLiteral("%1 problem%2 found").arg(problems.size()).arg(problems.size() == 1 ? "" : "s"));
}

QByteArray fares(const QVector<std::pair<int, int>>& columns) {
    QByteArray b("\x02\x00", 2);
    b.append(record("A", 1));
    b.append(record("B", 2, columns));
    return b;
}

INSTANTIATE_TEST_SUITE_P(
    Cases, RouteCheck,
    ::testing::Values(
        CheckCase{"clean", numberedRoute(301), 0, {}},
        CheckCase{"tail_is_only_a_note", numberedRoute(3) + "xx", 0, {}},
        CheckCase{"no_count", QByteArray("\x01", 1), 1, {"shorter than its 2-byte record count"}},
        CheckCase{"zero", numberedRoute(2, 0), 1, {"record count 0"}},
        CheckCase{"negative", numberedRoute(0, -2), 1, {"record count -2 is negative"}},
        CheckCase{"one_record", numberedRoute(1), 1, {"a single record"}},
        CheckCase{"rows_beyond_301", numberedRoute(305), 1, {"records 302..305 lie beyond row 301"}},
        CheckCase{"truncated", numberedRoute(4, 6), 1, {"ends inside record 5 of 6 (4 complete)"}},
        CheckCase{"beyond_301_and_truncated",
                  numberedRoute(302, 400),
                  1,
                  {"records 302..400", "ends inside record 303 of 400"}},
        CheckCase{
            "fares_that_cannot_be_doubled",
            fares({{1, 16383}, {2, 16384}, {3, -1}, {4, -16384}, {5, -16385}, {50, 32767}, {51, 32767}}),
            1,
            {"c1 = 16383: the four-place display shows \"6383\"",
             "c1 = 16383: the late-night fare 32766 shows \"2766\"",
             "record 2 (B), c2 = 16384: the four-place display shows \"6384\"",
             "record 2 (B), c2 = 16384: the late-night fare 32768", "c4 = -16384: the four-place display",
             "c4 = -16384: the late-night fare -32768 shows", "c5 = -16385: the four-place display",
             "c5 = -16385: the late-night fare -32770 does not fit", "c50 = 32767: the four-place display",
             "c50 = 32767: the late-night fare 65534 does not fit"}},
        CheckCase{"fares_too_wide_for_four_places",
                  fares({{1, 9999}, {2, 10000}, {3, -999}, {4, -1000}, {5, 4999}, {6, 0}}),
                  1,
                  {"c1 = 9999: the late-night fare 19998 shows \"9998\"",
                   "c2 = 10000: the four-place display shows \"0000\"",
                   "c2 = 10000: the late-night fare 20000 shows \"0000\"",
                   "c3 = -999: the late-night fare -1998 shows \"1998\"",
                   "c4 = -1000: the four-place display shows \"1000\"",
                   "c4 = -1000: the late-night fare -2000 shows \"2000\""}},
        CheckCase{"name_not_cp932",
                  QByteArray("\x02\x00", 2) + record("\x88", 1) + record("B", 2),
                  1,
                  {"record 1: the stop name's bytes 88"}},
        CheckCase{"control_characters_in_names",
                  QByteArray("\x02\x00", 2) + record("A\x1B[2J", 1) + record("B\x7F\x07", 2, {{1, 10000}}),
                  1,
                  {"record 1: the stop name \"A\\x1B[2J\" holds 1 control character, which the stop-name "
                   "strip has no glyph for",
                   "record 2: the stop name \"B\\x7F\\x07\" holds 2 control characters",
                   "record 2 (B\\x7F\\x07), c1 = 10000: the four-place display shows \"0000\"",
                   "record 2 (B\\x7F\\x07), c1 = 10000: the late-night fare 20000"}}),
    [](const auto& info) { return std::string(info.param.name); });

TEST_F(RouteCli, CheckSummaryOfARefusedRouteSaysSo) {
    const struct {
        QByteArray bytes;
        const char* summary;
    } cases[] = {
        {numberedRoute(305), "305 records, refused: more than the 301 rows of the fare table"},
        {numberedRoute(4, 6), "6 records announced, 4 complete, refused"},
        {numberedRoute(301), "301 records, sections 1..300"},
    };
    for (const auto& c : cases) {
        const QString file = write(QStringLiteral("r.hy3"), c.bytes);
        const CliRun r = route({QStringLiteral("check"), file});
        EXPECT_EQ(r.out.section(QLatin1Char('\n'), 0, 0),
                  file + QStringLiteral(": ") + QString::fromLatin1(c.summary));
    }
}

TEST_F(RouteCli, CheckReadsOnlyARegularFileAndNoMoreThanARouteTakes) {
    const CliRun zero = route({QStringLiteral("check"), QStringLiteral("/dev/zero")});
    EXPECT_EQ(zero.status, 2);
    EXPECT_EQ(zero.err, QStringLiteral("corvane route check: /dev/zero: not a regular file\n"));
    const QString pipe = path(QStringLiteral("p.hy3"));
    ASSERT_EQ(::mkfifo(QFile::encodeName(pipe).constData(), 0600), 0);
    EXPECT_EQ(route({QStringLiteral("check"), pipe}).status, 2);
    // A valid route followed by more bytes than any route can take: the tail is not read.
    const QString big = write(QStringLiteral("big.hy3"), numberedRoute(3));
    ASSERT_TRUE(QFile::resize(big, MaxLoadedRouteBytes + 4096));
    const CliRun r = route({QStringLiteral("check"), big});
    EXPECT_EQ(r.status, 0) << r.out.toStdString();
    EXPECT_TRUE(
        r.out.contains(QStringLiteral("note: only the first %1 bytes were read").arg(MaxLoadedRouteBytes)))
        << r.out.toStdString();
}

TEST_F(RouteCli, CheckSummaryAndNotes) {
    const QString file = write(QStringLiteral("s.hy3"), numberedRoute(6) + "abc");
    const CliRun r = route({QStringLiteral("check"), file});
    EXPECT_EQ(r.status, 0);
    EXPECT_EQ(r.out, file + QStringLiteral(": 6 records, sections 1..5\n"
                                           "note: 3 bytes after record 6 are ignored\n"
                                           "no problems found\n"));
}

} // namespace
