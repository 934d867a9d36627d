// Drives the real corvane tool and checks what it prints.
#include <QDate>
#include <QDir>
#include <QFile>
#include <QImage>
#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>
#include <QProcess>
#include <QTemporaryDir>
#include "ToolRun.h"

#include <gtest/gtest.h>
#include <sys/stat.h>

namespace {

ToolRun corvane(const QStringList& args, const QByteArray& input = QByteArray()) {
    return runCorvane(args, input);
}

QJsonObject lastState(const ToolRun& r) {
    const QStringList lines = r.out.split(QLatin1Char('\n'), Qt::SkipEmptyParts);
    if (lines.isEmpty())
        return {};
    return QJsonDocument::fromJson(lines.last().toUtf8()).object();
}

QStringList displays(const QJsonObject& state) {
    QStringList out;
    for (const QJsonValue& v : state.value(QStringLiteral("displays")).toArray())
        out << v.toString();
    return out;
}

TEST(CorvaneScript, FormatOfOneDisplayReachesAllFifty) {
    const ToolRun r = corvane({"script"}, "format 7 3 1 2\nstate\n");
    ASSERT_EQ(r.status, 0) << r.err.toStdString();
    const QStringList d = displays(lastState(r));
    ASSERT_EQ(d.size(), 50);
    // The displays start blank; zero mode 3 shows the empty text as 0, filled to
    // two digits, one place kept free at the right.
    for (const QString& s : d)
        EXPECT_EQ(s, QStringLiteral(" 00 "));
}

TEST(CorvaneScript, CancelledFormatChangesNothing) {
    const ToolRun r = corvane({"script"}, "format 12 cancel\nstate\n");
    ASSERT_EQ(r.status, 0) << r.err.toStdString();
    for (const QString& s : displays(lastState(r)))
        EXPECT_EQ(s, QStringLiteral("    "));
}

TEST(CorvaneScript, StateListsItsKeysInOrder) {
    const ToolRun r = corvane({"script"}, "state\n");
    ASSERT_EQ(r.status, 0);
    const QString line = r.out.trimmed();
    const QStringList keys = {"\"displays\":", "\"labels\":", "\"messages\":", "\"clock\":"};
    qsizetype at = -1;
    for (const QString& k : keys) {
        const qsizetype next = line.indexOf(k);
        ASSERT_GT(next, at) << k.toStdString();
        at = next;
    }
    const QJsonObject state = lastState(r);
    const QJsonArray labels = state.value(QStringLiteral("labels")).toArray();
    ASSERT_EQ(labels.size(), 50);
    EXPECT_EQ(labels[0].toObject().value("text").toString(), QStringLiteral("１"));
    EXPECT_EQ(labels[49].toObject().value("text").toString(), QStringLiteral("５０"));
    EXPECT_TRUE(labels[0].toObject().value("visible").toBool());
    EXPECT_EQ(labels[0].toObject().value("color").toString(), QStringLiteral("#FFFFFF"));
    EXPECT_EQ(state.value(QStringLiteral("clock")).toArray().size(), 2);
    EXPECT_EQ(state.value(QStringLiteral("clock")).toArray()[0].toString().size(), 2);
    EXPECT_TRUE(state.value(QStringLiteral("messages")).toArray().isEmpty());
}

struct ScriptError {
    const char* name;
    const char* script;
    const char* message;
};

void PrintTo(const ScriptError& c, std::ostream* os) {
    *os << c.name;
}

class CorvaneErrors : public ::testing::TestWithParam<ScriptError> {};

TEST_P(CorvaneErrors, StopWithStatusTwoNamingTheLine) {
    const ToolRun r = corvane({"script"}, GetParam().script);
    EXPECT_EQ(r.status, 2);
    EXPECT_EQ(r.err.trimmed().toStdString(), GetParam().message);
}

INSTANTIATE_TEST_SUITE_P(
    Cases, CorvaneErrors,
    ::testing::Values(
        ScriptError{"unknown", "frobnicate\n", "error: 1: unknown command \"frobnicate\""},
        ScriptError{"counts_comments_and_blank_lines", "# comment\n\nstate\nbogus 1\n",
                    "error: 4: unknown command \"bogus\""},
        ScriptError{"display_out_of_range", "format 51 0 0 0\n",
                    "error: 1: fare display 51 does not exist (1..50)"},
        ScriptError{"display_zero", "format 0 0 0 0\n", "error: 1: fare display 0 does not exist (1..50)"},
        ScriptError{"format_missing_values", "format 3 1\n",
                    "error: 1: format needs N and ZEROMODE SHIFT FILLZERO, or N cancel"},
        ScriptError{"format_value_outside_dialog", "format 3 4 0 0\n",
                    "error: 1: zeroMode 4 is outside 0..3"},
        ScriptError{"shift_outside_dialog", "format 3 0 4 0\n", "error: 1: shift 4 is outside 0..3"},
        ScriptError{"wait_not_a_number", "wait soon\n", "error: 1: wait needs a number of milliseconds"},
        ScriptError{"state_with_argument", "state now\n", "error: 1: state takes no arguments"}),
    [](const auto& info) { return std::string(info.param.name); });

TEST(CorvaneScript, StopsAtTheFirstErrorAfterRunningWhatCameBefore) {
    const ToolRun r = corvane({"script"}, "state\nnope\nstate\n");
    EXPECT_EQ(r.status, 2);
    EXPECT_EQ(r.out.count(QLatin1Char('\n')), 1);
}

TEST(CorvaneScript, ReadsTheScriptFromAFile) {
    QTemporaryDir dir;
    const QString path = dir.filePath(QStringLiteral("s.txt"));
    QFile f(path);
    ASSERT_TRUE(f.open(QIODevice::WriteOnly));
    f.write("format 1 1 0 0\nstate\n");
    f.close();
    const ToolRun r = corvane({"script", path});
    ASSERT_EQ(r.status, 0) << r.err.toStdString();
    EXPECT_EQ(displays(lastState(r)).first(), QStringLiteral("   0"));
    EXPECT_EQ(corvane({"script", dir.filePath(QStringLiteral("missing.txt"))}).status, 2);
}

TEST(CorvaneScript, PngIsTheBoardAsAScreenShowsIt) {
    QTemporaryDir dir;
    const QString path = dir.filePath(QStringLiteral("board.png"));
    const ToolRun r = corvane({"script"}, QStringLiteral("png %1\n").arg(path).toUtf8());
    ASSERT_EQ(r.status, 0) << r.err.toStdString();
    const QImage img(path);
    ASSERT_EQ(img.size(), QSize(690, 307));
    EXPECT_EQ(qAlpha(img.pixel(0, 0)), 0); // cut away by the rounded outline
    EXPECT_EQ(qAlpha(img.pixel(345, 150)), 255);
    EXPECT_EQ(corvane({"script"}, "png /nonexistent-dir/x.png\n").status, 2);
}

QByteArray readAll(const QString& path) {
    QFile f(path);
    return f.open(QIODevice::ReadOnly) ? f.readAll() : QByteArray();
}

QString fixture(const char* relative) {
    return QStringLiteral(CORVANE_SOURCE_DIR "/data/fixtures/") + relative;
}

TEST(CorvaneSettings, FirstStartWritesTheDefaultFile) {
    QTemporaryDir dir;
    const QString path = dir.filePath(QStringLiteral("508.in4"));
    const ToolRun r = corvane({"script"}, QStringLiteral("save %1\n").arg(path).toUtf8());
    ASSERT_EQ(r.status, 0) << r.err.toStdString();
    QByteArray written = readAll(path);
    ASSERT_EQ(written.size(), 548);
    // The file matches the hand-made default file but for the date of the day.
    const QByteArray today = QDate::currentDate().toString(QStringLiteral("yyyy/MM/dd")).toLatin1();
    QByteArray expected = readAll(fixture("settings/defaults-2024-03-05.in4"));
    ASSERT_EQ(expected.mid(138, 10), QByteArray("2024/03/05"));
    expected.replace(138, 10, today);
    // Block G holds the controller as it stands: the scroll bars start where the
    // stop-name strip starts (speed 5, wait 1500 ms), and the window lies at the
    // screen's bottom-right corner.
    ASSERT_EQ(expected.mid(148, 22), QByteArray(22, '\0'));
    expected[150] = 5;
    expected[154] = char(0xDC);
    expected[155] = 0x05;
    const QByteArray position = written.mid(162, 8);
    EXPECT_NE(position, QByteArray(8, '\0'));
    expected.replace(162, 8, position);
    EXPECT_EQ(written, expected);
}

TEST(CorvaneSettings, LoadedFileStylesTheBoardAndSavesBackTheSame) {
    QTemporaryDir dir;
    const QString copy = dir.filePath(QStringLiteral("copy.in4"));
    const ToolRun r = corvane({"script"}, QStringLiteral("settings %1\nstate\nsave %2\n")
                                              .arg(fixture("settings/all-changed.in4"), copy)
                                              .toUtf8());
    ASSERT_EQ(r.status, 0) << r.err.toStdString();
    const QJsonObject state = lastState(r);
    const QJsonArray labels = state.value(QStringLiteral("labels")).toArray();
    // Style 11 with zero padding: label 1 plain, the others ０２..５０; labels hidden.
    EXPECT_EQ(labels[0].toObject().value("text").toString(), QString());
    EXPECT_EQ(labels[1].toObject().value("text").toString(), QStringLiteral("０２"));
    EXPECT_FALSE(labels[1].toObject().value("visible").toBool());
    EXPECT_EQ(labels[1].toObject().value("color").toString(), QStringLiteral("#332211"));
    EXPECT_TRUE(state.value(QStringLiteral("messages")).toArray().isEmpty());
    // Every block goes back to the file as it came.
    EXPECT_EQ(readAll(copy), readAll(fixture("settings/all-changed.in4")));
}

TEST(CorvaneSettings, ListIndexBeyondItsListIsReportedAndNothingApplied) {
    QTemporaryDir dir;
    QByteArray bytes = readAll(fixture("settings/all-changed.in4"));
    ASSERT_EQ(bytes.size(), 653);
    bytes[0x22] = 12; // TicketNumberStyle: the list has 12 entries
    const QString bad = dir.filePath(QStringLiteral("bad.in4"));
    QFile f(bad);
    ASSERT_TRUE(f.open(QIODevice::WriteOnly));
    f.write(bytes);
    f.close();
    const ToolRun r = corvane({"script"}, QStringLiteral("settings %1\nstate\n").arg(bad).toUtf8());
    ASSERT_EQ(r.status, 0) << r.err.toStdString();
    const QJsonObject state = lastState(r);
    const QJsonArray messages = state.value(QStringLiteral("messages")).toArray();
    ASSERT_EQ(messages.size(), 1);
    const QString text = messages[0].toObject().value("text").toString();
    EXPECT_TRUE(text.startsWith(QStringLiteral("エラー Code:380\r\n内容:"))) << text.toStdString();
    EXPECT_TRUE(text.endsWith(QStringLiteral("\r\nモジュール:mdlIniIo.LoadIni()"))) << text.toStdString();
    EXPECT_EQ(messages[0].toObject().value("title").toString(), QStringLiteral("508"));
    // The board keeps its defaults.
    const QJsonArray labels = state.value(QStringLiteral("labels")).toArray();
    EXPECT_EQ(labels[0].toObject().value("text").toString(), QStringLiteral("１"));
    EXPECT_TRUE(labels[0].toObject().value("visible").toBool());
}

struct BadBlock {
    int offset;
    qint32 value;
    const char* code;
};

TEST(CorvaneSettings, ScrollValuesTheControllerCannotTakeAreReported) {
    for (const BadBlock& bad :
         {BadBlock{0xff, 70000, "6"}, BadBlock{0xff, 2001, "380"}, BadBlock{0x103, -1, "380"}}) {
        QTemporaryDir dir;
        QByteArray bytes = readAll(fixture("settings/all-changed.in4"));
        for (int i = 0; i < 4; ++i)
            bytes[bad.offset + i] = static_cast<char>((bad.value >> (8 * i)) & 0xFF);
        const QString path = dir.filePath(QStringLiteral("bad.in4"));
        QFile f(path);
        ASSERT_TRUE(f.open(QIODevice::WriteOnly));
        f.write(bytes);
        f.close();
        const ToolRun r = corvane({"script"}, QStringLiteral("settings %1\nstate\n").arg(path).toUtf8());
        ASSERT_EQ(r.status, 0) << r.err.toStdString();
        const QJsonArray messages = lastState(r).value(QStringLiteral("messages")).toArray();
        ASSERT_EQ(messages.size(), 1) << bad.value;
        EXPECT_TRUE(messages[0].toObject().value("text").toString().startsWith(
            QStringLiteral("エラー Code:%1\r\n").arg(QString::fromLatin1(bad.code))))
            << bad.value;
        // Nothing of the file reached the board.
        EXPECT_EQ(lastState(r).value("labels").toArray()[1].toObject().value("text").toString(),
                  QStringLiteral("２"));
    }
}

TEST(CorvaneSettings, SetAndOkRestyleTheLabels) {
    const ToolRun r = corvane({"script"}, "set TicketNumberStyle 1\nset TicketNumberZeroPad 1\n"
                                          "set TicketNumberColorOff #FF8000\nok\nstate\n");
    ASSERT_EQ(r.status, 0) << r.err.toStdString();
    const QJsonArray labels = lastState(r).value(QStringLiteral("labels")).toArray();
    EXPECT_EQ(labels[0].toObject().value("text").toString(), QStringLiteral("００"));
    EXPECT_EQ(labels[1].toObject().value("text").toString(), QStringLiteral("０１"));
    EXPECT_EQ(labels[49].toObject().value("text").toString(), QStringLiteral("４９"));
    EXPECT_EQ(labels[0].toObject().value("color").toString(), QStringLiteral("#FF8000"));
}

TEST(CorvaneSettings, SetWithoutOkDoesNotReachTheBoard) {
    const ToolRun r = corvane({"script"}, "set TicketNumberStyle 3\nstate\n");
    ASSERT_EQ(r.status, 0);
    EXPECT_EQ(lastState(r).value("labels").toArray()[0].toObject().value("text").toString(),
              QStringLiteral("１"));
}

TEST(CorvaneTape, CheckReadsTheListAsTheProgramDoes) {
    QTemporaryDir dir;
    ASSERT_TRUE(dir.isValid());
    const struct {
        const char* name;
        QByteArray bytes; // null: a named pipe
        int status;
        const char* out; // after "PATH" for failures
    } cases[] = {
        {"ok", "a,0,1\r\nb,1,2\r\n", 0, "ok: 2 entries\n"},
        {"blank_end", "a,0,1\r\n\r\n\r\n", 0, "ok: 1 entry\n"},
        {"overflow", "a,0,1\r\nb,1,40000\r\n", 2,
         ":2: record 2: ChimeKind \"40000\" is not a 16-bit number\n"},
        {"empty", "", 2, ":1: the file has no announcements\n"},
        {"pipe", QByteArray(), 2, ": not a regular file\n"},
    };
    for (const auto& c : cases) {
        const QString path = dir.filePath(QString::fromLatin1(c.name) + QStringLiteral("tp.csv"));
        if (c.bytes.isNull()) {
            ASSERT_EQ(::mkfifo(QFile::encodeName(path).constData(), 0600), 0);
        } else {
            QFile f(path);
            ASSERT_TRUE(f.open(QIODevice::WriteOnly));
            f.write(c.bytes);
        }
        const ToolRun r = corvane({"tape", "check", path});
        EXPECT_EQ(r.status, c.status) << c.name;
        const QString expected = (c.status == 0 ? QString() : path) + QString::fromUtf8(c.out);
        EXPECT_EQ(r.out, expected) << c.name;
    }
    EXPECT_EQ(corvane({"tape", "check", dir.filePath("none.csv")}).out,
              dir.filePath("none.csv") + ": no such file\n");
    EXPECT_EQ(corvane({"tape", "check"}).status, 2);
}

TEST(CorvaneHelp, DescribesTheTool) {
    const ToolRun top = corvane({"--help"});
    EXPECT_EQ(top.status, 0);
    EXPECT_TRUE(top.out.contains(QStringLiteral("script")));
    const ToolRun script = corvane({"script", "--help"});
    EXPECT_EQ(script.status, 0);
    EXPECT_TRUE(script.out.contains(QStringLiteral("format N ZEROMODE SHIFT FILLZERO")));
    EXPECT_TRUE(script.out.contains(QStringLiteral("png PATH")));
    EXPECT_EQ(corvane({}).status, 2);
    EXPECT_EQ(corvane({"nonsense"}).status, 2);
}

} // namespace
