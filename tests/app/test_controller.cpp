// The controller driven through corvane script, on routes built for each test.
#include <QDir>
#include <QFile>
#include <QImage>
#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>
#include <QProcess>
#include <QTemporaryDir>
#include <cmath>
#include <gtest/gtest.h>

namespace {

const QString kTool = QStringLiteral(CORVANE_BINARY_DIR "/bin/corvane");

struct Result {
    int status = -1;
    QList<QJsonObject> states;
    QString err;
};

Result run(const QString& script, const QString& workDir = QString()) {
    QProcess p;
    QProcessEnvironment env = QProcessEnvironment::systemEnvironment();
    env.insert(QStringLiteral("QT_QPA_PLATFORM"), QStringLiteral("offscreen"));
    p.setProcessEnvironment(env);
    if (!workDir.isEmpty())
        p.setWorkingDirectory(workDir);
    p.start(kTool, {QStringLiteral("script")});
    p.write(script.toUtf8());
    p.closeWriteChannel();
    p.waitForFinished(60000);
    Result r;
    r.status = p.exitCode();
    r.err = QString::fromUtf8(p.readAllStandardError());
    for (const QByteArray& line : p.readAllStandardOutput().split('\n'))
        if (line.startsWith('{'))
            r.states << QJsonDocument::fromJson(line).object();
    return r;
}

QString fares(std::initializer_list<int> first, int fill = -1) {
    QStringList cols;
    for (int v : first)
        cols << QString::number(v);
    while (cols.size() < 150)
        cols << QString::number(cols.size() >= 50 ? 0 : fill);
    return cols.join(QLatin1Char(','));
}

// A route folder with route 12 (five stops) built by the tool itself.
class ControllerTest : public ::testing::Test {
protected:
    void SetUp() override {
        ASSERT_TRUE(dir.isValid());
        QStringList lines;
        lines << QStringLiteral("駅前,1,") + fares({-1});
        lines << QStringLiteral("市役所前,2,") + fares({230, -1});
        lines << QStringLiteral("中央公園,3,") + fares({260, 230, 0, 16384});
        QString row4 = QStringLiteral("椿原高等学校前バス停,4,") + fares({300, 260, 230, 170});
        lines << row4;
        lines << QStringLiteral("終点,4,") + fares({330, 300, 260, 200});
        // The step-sound column 101 of the last two stops: 2 and 4.
        lines[3] = lines[3].section(QLatin1Char(','), 0, 101) + QStringLiteral(",2,") +
                   lines[3].section(QLatin1Char(','), 103);
        lines[4] = lines[4].section(QLatin1Char(','), 0, 101) + QStringLiteral(",4,") +
                   lines[4].section(QLatin1Char(','), 103);
        QFile csv(dir.filePath(QStringLiteral("12.csv")));
        ASSERT_TRUE(csv.open(QIODevice::WriteOnly));
        csv.write(lines.join(QLatin1Char('\n')).toUtf8() + '\n');
        csv.close();
        QProcess build;
        build.start(kTool, {QStringLiteral("route"), QStringLiteral("build"), csv.fileName(),
                            QStringLiteral("-o"), dir.filePath(QStringLiteral("12.hy3"))});
        build.waitForFinished(30000);
        ASSERT_EQ(build.exitCode(), 0) << build.readAllStandardError().toStdString();
        for (const char* name : {"step.wav", "two.wav"}) {
            QFile f(dir.filePath(QString::fromLatin1(name)));
            ASSERT_TRUE(f.open(QIODevice::WriteOnly));
        }
    }
    QString prelude() const {
        return QStringLiteral("fast on\nset FareDataFolder %1\nset TapeDataFolder %1\n").arg(dir.path());
    }
    QString file(const char* name) const { return dir.filePath(QString::fromLatin1(name)); }
    QTemporaryDir dir;
};

QStringList displays(const QJsonObject& s) {
    QStringList out;
    for (const QJsonValue& v : s.value("displays").toArray())
        out << v.toString();
    return out;
}

QStringList messages(const QJsonObject& s) {
    QStringList out;
    for (const QJsonValue& v : s.value("messages").toArray())
        out << v.toObject().value("text").toString();
    return out;
}

TEST_F(ControllerTest, NothingCanBeSteppedBeforeARouteIsSet) {
    const Result r = run(QStringLiteral("state\nnext\nstate\n"));
    ASSERT_EQ(r.status, 0) << r.err.toStdString();
    const QJsonObject b = r.states[0].value("buttons").toObject();
    EXPECT_FALSE(b.value("next").toBool());
    EXPECT_FALSE(b.value("back").toBool());
    EXPECT_FALSE(b.value("clear").toBool());
    EXPECT_TRUE(b.value("entry").toBool());
    EXPECT_EQ(r.states[1].value("currentStop").toInt(), 0);
}

TEST_F(ControllerTest, WheelsSetTheRouteWithItsLeadingZeros) {
    const Result r = run(prelude() + QStringLiteral("wheels 00012 003\nreset wheels\nstate\n"));
    ASSERT_EQ(r.status, 0) << r.err.toStdString();
    const QJsonObject s = r.states.last();
    EXPECT_EQ(s.value("route").toString(), QStringLiteral("00012"));
    EXPECT_EQ(s.value("section").toInt(), 3);
    EXPECT_EQ(s.value("currentStop").toInt(), 2);
    EXPECT_EQ(s.value("rowCount").toInt(), 5);
    EXPECT_EQ(s.value("stopName").toString(), QStringLiteral("中央公園"));
    const QStringList d = displays(s);
    // Displays below the section were set to 0 by the route setting: blank.
    EXPECT_EQ(d[0], QStringLiteral("    "));
    EXPECT_EQ(d[1], QStringLiteral("    "));
    EXPECT_EQ(d[2], QStringLiteral("    ")); // fare 0 in zero mode 0
    EXPECT_EQ(d[3], QStringLiteral("6384"));
    EXPECT_EQ(d[4], QStringLiteral("  -1"));
    EXPECT_TRUE(s.value("buttons").toObject().value("next").toBool());
    EXPECT_TRUE(messages(s).isEmpty());
}

TEST_F(ControllerTest, KeypadRouteLoadsTheSameFile) {
    const Result r = run(prelude() + QStringLiteral("keypad 系統 1 2 区間 1\nreset keypad\nstate\n"));
    ASSERT_EQ(r.status, 0) << r.err.toStdString();
    EXPECT_EQ(r.states.last().value("route").toString(), QStringLiteral("12"));
    EXPECT_EQ(r.states.last().value("stopName").toString(), QStringLiteral("駅前"));
    EXPECT_EQ(r.states.last().value("rowCount").toInt(), 5);
}

TEST_F(ControllerTest, SectionZeroIsOneAndTooLargeIsRefused) {
    const Result r = run(prelude() + QStringLiteral("wheels 00012 000\nreset wheels\nstate\n"
                                                    "keypad 系統 1 2 区間 9 9 9 9\nreset keypad\nstate\n"));
    ASSERT_EQ(r.status, 0) << r.err.toStdString();
    EXPECT_EQ(r.states[0].value("section").toInt(), 1);
    EXPECT_EQ(r.states[1].value("section").toInt(), 300);
    EXPECT_EQ(messages(r.states[1]),
              QStringList{QStringLiteral(
                  "指定した区間はデータの数よりも多いです...\r\n  解決法：正しい区間を入力して下さい.")});
    // The previous route stays on the board and in the table.
    EXPECT_EQ(r.states[1].value("rowCount").toInt(), 5);
    EXPECT_EQ(r.states[1].value("currentStop").toInt(), 0);
}

TEST_F(ControllerTest, MissingRouteIsReported) {
    const Result r = run(prelude() + QStringLiteral("keypad 系統 7 区間 1\nreset keypad\nstate\n"));
    ASSERT_EQ(r.status, 0) << r.err.toStdString();
    const QJsonArray m = r.states.last().value("messages").toArray();
    ASSERT_EQ(m.size(), 1);
    EXPECT_EQ(m[0].toObject().value("text").toString(),
              QStringLiteral("指定した系統のデータがありません..."));
    EXPECT_EQ(m[0].toObject().value("title").toString(), QStringLiteral("508"));
    EXPECT_EQ(m[0].toObject().value("icon").toString(), QStringLiteral("none"));
    EXPECT_FALSE(r.states.last().value("buttons").toObject().value("next").toBool());
}

TEST_F(ControllerTest, SteppingStopsAtBothEndsWithoutSound) {
    const Result r =
        run(prelude() + QStringLiteral("set StepSoundFixed %1\nkeypad 系統 1 2 区間 1\nreset keypad\n"
                                       "state\nback\nstate\nnext\nnext\nnext\nnext\nstate\nnext\nstate\n")
                            .arg(file("step.wav")));
    ASSERT_EQ(r.status, 0) << r.err.toStdString();
    EXPECT_EQ(r.states[1].value("currentStop").toInt(), 0);
    EXPECT_TRUE(r.states[1].value("sounds").toArray().isEmpty());
    EXPECT_EQ(r.states[2].value("currentStop").toInt(), 4);
    const QJsonArray sounds = r.states[2].value("sounds").toArray();
    ASSERT_EQ(sounds.size(), 4);
    EXPECT_EQ(sounds[0].toObject().value("channel").toString(), QStringLiteral("S2"));
    EXPECT_EQ(sounds[0].toObject().value("file").toString(), file("step.wav"));
    EXPECT_FALSE(sounds[0].toObject().value("wait").toBool());
    EXPECT_EQ(r.states[3].value("currentStop").toInt(), 4);
    EXPECT_TRUE(r.states[3].value("sounds").toArray().isEmpty());
}

TEST_F(ControllerTest, StepSoundChosenByAColumnAndPlayedToItsEnd) {
    const Result r = run(
        prelude() + QStringLiteral("set StepSoundByColumn -1\nset StepSoundColumn 100\n"
                                   "set StepSound2 %1\nset StepSoundSync -1\n"
                                   "keypad 系統 1 2 区間 3\nreset keypad\nstate\nnext\nstate\nnext\nstate\n")
                        .arg(file("two.wav")));
    ASSERT_EQ(r.status, 0) << r.err.toStdString();
    const QJsonArray first = r.states[1].value("sounds").toArray();
    ASSERT_EQ(first.size(), 1);
    EXPECT_EQ(first[0].toObject().value("file").toString(), file("two.wav"));
    EXPECT_TRUE(first[0].toObject().value("wait").toBool());
    EXPECT_TRUE(r.states[2].value("sounds").toArray().isEmpty()); // column value 4: no sound
}

TEST_F(ControllerTest, LateNightDoublesTheFares) {
    const Result r = run(prelude() + QStringLiteral("latenight on\nwheels 00012 003\nreset wheels\nstate\n"
                                                    "latenight off\nnext\nstate\n"));
    ASSERT_EQ(r.status, 0) << r.err.toStdString();
    const QStringList d = displays(r.states[0]);
    EXPECT_EQ(d[2], QStringLiteral("    ")); // 0 stays 0
    EXPECT_EQ(d[3], QStringLiteral("----")); // 16384 cannot be doubled in 16 bits
    EXPECT_EQ(d[4], QStringLiteral("  -1")); // -1 is never doubled
    EXPECT_EQ(displays(r.states[1])[2], QStringLiteral(" 230"));
}

TEST_F(ControllerTest, LateNightDoublingOfASmallFare) {
    const Result r =
        run(prelude() + QStringLiteral("latenight on\nkeypad 系統 1 2 区間 1\nreset keypad\nnext\nstate\n"));
    ASSERT_EQ(r.status, 0) << r.err.toStdString();
    EXPECT_EQ(displays(r.states[0])[0], QStringLiteral(" 460"));
}

TEST_F(ControllerTest, LateNightBoxRedrawsTheCurrentStopAtOnce) {
    // Before a route is set the box only sets the mode; afterwards each change shows the
    // current stop's fares in the new mode without a step, and the strip's name stays.
    const Result r = run(prelude() + QStringLiteral("latenight on\nstate\nlatenight off\n"
                                                    "keypad 系統 1 2 区間 1\nreset keypad\nnext\n"
                                                    "latenight on\nstate\nlatenight off\nstate\n"));
    ASSERT_EQ(r.status, 0) << r.err.toStdString();
    EXPECT_EQ(displays(r.states[0])[0], QStringLiteral("    "));
    EXPECT_EQ(displays(r.states[1])[0], QStringLiteral(" 460"));
    EXPECT_EQ(displays(r.states[2])[0], QStringLiteral(" 230"));
    EXPECT_EQ(r.states[2].value("currentStop").toInt(), 1);
    EXPECT_EQ(r.states[2].value("stopName").toString(), QStringLiteral("市役所前"));
}

TEST_F(ControllerTest, InformationValuesReplaceFares) {
    const Result r = run(
        prelude() + QStringLiteral("set InfoRouteNumberShow 1\nset InfoRouteNumberCell 9\n"
                                   "set InfoStopOrderShow 1\nset InfoStopOrderCell 0\n"
                                   "set InfoStopOrderFromZero 1\nset InfoTicketNumberShow 1\n"
                                   "set InfoTicketNumberCell 1\nwheels 00012 001\nreset wheels\nstate\n"));
    ASSERT_EQ(r.status, 0) << r.err.toStdString();
    const QStringList d = displays(r.states[0]);
    EXPECT_EQ(d[0], QStringLiteral("    ")); // stop order 0 from zero, blank in zero mode 0
    EXPECT_EQ(d[1], QStringLiteral("   1")); // ticket number of the first stop
    EXPECT_EQ(d[9], QStringLiteral("0012")); // the text 00012 in four places
}

TEST_F(ControllerTest, DisplayClearBlanksAndLocksThenRestores) {
    const Result r =
        run(prelude() + QStringLiteral("keypad 系統 1 2 区間 1\nreset keypad\nnext\nclear on\nstate\nnext\n"
                                       "clear off\nstate\n"));
    ASSERT_EQ(r.status, 0) << r.err.toStdString();
    const QJsonObject on = r.states[0];
    for (const QString& d : displays(on))
        EXPECT_EQ(d, QStringLiteral("    "));
    EXPECT_EQ(on.value("stopName").toString(), QString());
    const QJsonObject b = on.value("buttons").toObject();
    EXPECT_FALSE(b.value("next").toBool());
    EXPECT_FALSE(b.value("back").toBool());
    EXPECT_FALSE(b.value("entry").toBool());
    EXPECT_FALSE(b.value("tape").toBool());
    EXPECT_FALSE(b.value("lateNight").toBool());
    EXPECT_TRUE(b.value("clear").toBool());
    const QJsonObject off = r.states[1];
    EXPECT_EQ(off.value("currentStop").toInt(), 1); // "next" did nothing while cleared
    EXPECT_EQ(off.value("stopName").toString(), QStringLiteral("市役所前"));
    EXPECT_EQ(displays(off)[0], QStringLiteral(" 230"));
    EXPECT_TRUE(off.value("buttons").toObject().value("next").toBool());
}

TEST_F(ControllerTest, BacklightSwitchesLabelColours) {
    const Result r = run(QStringLiteral("backlight 1\nstate\nbacklight 2\nstate\nbacklight 0\nstate\n"));
    ASSERT_EQ(r.status, 0) << r.err.toStdString();
    const auto colour = [](const QJsonObject& s) {
        return s.value("labels").toArray()[0].toObject().value("color").toString();
    };
    EXPECT_EQ(colour(r.states[0]), QStringLiteral("#C0FFC0"));
    EXPECT_EQ(colour(r.states[1]), QStringLiteral("#FFC080"));
    EXPECT_EQ(colour(r.states[2]), QStringLiteral("#FFFFFF"));
    EXPECT_EQ(r.states[0].value("panel").toString(), QStringLiteral("builtin"));
}

TEST_F(ControllerTest, DemoRouteStartsFromTheDemoFolderWithEmptySettings) {
    const Result r = run(QStringLiteral("fast on\nkeypad 系統 1 2 区間 1\nreset keypad\nstate\n"),
                         QStringLiteral(CORVANE_SOURCE_DIR "/data/demo"));
    ASSERT_EQ(r.status, 0) << r.err.toStdString();
    EXPECT_GT(r.states[0].value("rowCount").toInt(), 20);
    EXPECT_EQ(displays(r.states[0])[0], QStringLiteral(" 170"));
    EXPECT_TRUE(messages(r.states[0]).isEmpty());
    EXPECT_GT(r.states[0].value("tape").toObject().value("count").toInt(), 0);
}

// The demo's ticket numbers can be read in every backlight state: their colour against
// the band under them has a contrast ratio of at least 4.5 (WCAG's measure).
TEST_F(ControllerTest, DemoTicketNumbersAreReadableInEveryBacklightState) {
    const auto luminance = [](const QColor& c) {
        const auto channel = [](double v) {
            return v <= 0.03928 ? v / 12.92 : std::pow((v + 0.055) / 1.055, 2.4);
        };
        return 0.2126 * channel(c.redF()) + 0.7152 * channel(c.greenF()) + 0.0722 * channel(c.blueF());
    };
    QString script = QStringLiteral("settings demo-settings.in4\n");
    for (int state = 0; state < 3; ++state)
        script += QStringLiteral("backlight %1\nstate\npng %2\n")
                      .arg(state)
                      .arg(file("b.png").replace(".png", QString::number(state) + ".png"));
    const Result r = run(script, QStringLiteral(CORVANE_SOURCE_DIR "/data/demo"));
    ASSERT_EQ(r.status, 0) << r.err.toStdString();
    for (int state = 0; state < 3; ++state) {
        const QColor label(r.states[state].value("labels").toArray()[1].toObject().value("color").toString());
        const QImage board(file("b.png").replace(".png", QString::number(state) + ".png"));
        const QColor band = board.pixelColor(100, 32); // the band of label 1, beside its number
        const double a = luminance(label), b = luminance(band);
        EXPECT_GE((qMax(a, b) + 0.05) / (qMin(a, b) + 0.05), 4.5)
            << "backlight " << state << ": " << label.name().toStdString() << " on "
            << band.name().toStdString();
    }
}

struct BadCommand {
    const char* name;
    const char* script;
    const char* error;
};
void PrintTo(const BadCommand& c, std::ostream* os) {
    *os << c.name;
}
class ControllerErrors : public ::testing::TestWithParam<BadCommand> {};

TEST_P(ControllerErrors, AreRefused) {
    const Result r = run(QString::fromUtf8(GetParam().script));
    EXPECT_EQ(r.status, 2);
    EXPECT_TRUE(r.err.contains(QString::fromUtf8(GetParam().error))) << r.err.toStdString();
}

INSTANTIATE_TEST_SUITE_P(
    Cases, ControllerErrors,
    ::testing::Values(
        BadCommand{"keypad_key", "keypad 1 x\n", "error: 1: unknown keypad key \"x\""},
        BadCommand{"wheels_short", "wheels 0012 001\n", "error: 1: wheels needs ROUTE"},
        BadCommand{"reset_what", "reset all\n", "error: 1: reset needs keypad or wheels"},
        BadCommand{"backlight_3", "backlight 3\n", "error: 1: backlight needs 0, 1 or 2"},
        BadCommand{"scroll_range", "scroll 0 10\n", "error: 1: scroll speed 0 is outside 1..2000"},
        BadCommand{"wait_range", "scroll 10 3001\n", "error: 1: scroll wait 3001 is outside 0..3000"},
        BadCommand{"clear_word", "clear maybe\n", "error: 1: clear needs on or off"},
        BadCommand{"tape_word", "tape play\n", "error: 1: tape needs next, back or stop"}),
    [](const auto& info) { return std::string(info.param.name); });

} // namespace
