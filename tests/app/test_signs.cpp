// The destination signs end to end, through corvane script on the demo routes.
#include "ToolRun.h"
#include "app/Program.h"
#include "app/SignSet.h"
#include "board/ui/Form1.h"
#include "controller/ConsoleModel.h"
#include "platform/BlockingWait.h"
#include "settings/ui/frmOption.h"
#include "stopname/ui/SignWindow.h"

#include <QDir>
#include <QFile>
#include <QImage>
#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>
#include <QRegularExpression>
#include <QTemporaryDir>

#include <gtest/gtest.h>

namespace {

const QString kDemo = QStringLiteral(CORVANE_SOURCE_DIR "/data/demo");

QList<QJsonObject> states(const ToolRun& r) {
    QList<QJsonObject> out;
    for (const QString& line : r.out.split(QLatin1Char('\n'), Qt::SkipEmptyParts)) {
        if (line.startsWith(QLatin1Char('{')))
            out << QJsonDocument::fromJson(line.toUtf8()).object();
    }
    return out;
}

QString setRoute(const QString& folder, const char* keys) {
    return QStringLiteral(
               "fast on\nset FareDataFolder %1\nset TapeDataFolder %1\nkeypad 系統 %2 区間 1\nreset keypad\n")
        .arg(folder, QString::fromUtf8(keys));
}

TEST(Signs, OpenShowPrintAndAlternate) {
    QTemporaryDir dir;
    const QString png = dir.filePath(QStringLiteral("front.png"));
    const ToolRun r =
        runCorvane({"script"}, (QStringLiteral("sign open front\nsign open side\n") + setRoute(kDemo, "1 2") +
                                QStringLiteral("state\nsign dots front\npng-sign front %1\n"
                                               "wait 3200\nstate\nsign close side\nstate\n")
                                    .arg(png))
                                   .toUtf8());
    ASSERT_EQ(r.status, 0) << r.err.toStdString();
    const QList<QJsonObject> s = states(r);
    ASSERT_EQ(s.size(), 3);
    // The signs come last in the state, the open ones only.
    EXPECT_EQ(s[0].keys().size(), s[0].size());
    const QJsonObject signsJa = s[0].value("signs").toObject();
    EXPECT_EQ(signsJa.keys(), (QStringList{"front", "side"}));
    EXPECT_EQ(signsJa.value("front").toObject(),
              (QJsonObject{{"number", "12"}, {"text", "椿原営業所"}, {"lang", "ja"}}));
    EXPECT_EQ(signsJa.value("side").toObject().value("text").toString(),
              QStringLiteral("椿原営業所 緑ヶ丘団地経由"));
    // Three seconds on, both signs speak English together.
    const QJsonObject signsEn = s[1].value("signs").toObject();
    EXPECT_EQ(signsEn.value("front").toObject(),
              (QJsonObject{{"number", "12"}, {"text", "Tsubakihara Depot"}, {"lang", "en"}}));
    EXPECT_EQ(signsEn.value("side").toObject().value("lang").toString(), QStringLiteral("en"));
    EXPECT_EQ(s[2].value("signs").toObject().keys(), QStringList{"front"});

    // The dots: 20 rows of 176, the number box's frame on the first row.
    const QStringList lines =
        r.out.split(QLatin1Char('\n'), Qt::SkipEmptyParts).filter(QRegularExpression("^[#.]+$"));
    ASSERT_EQ(lines.size(), 20);
    EXPECT_EQ(lines[0].size(), 176);
    EXPECT_TRUE(lines[0].startsWith(QString(28, QLatin1Char('#')) + QLatin1Char('.')));
    // The picture: four pixels a dot and two dots of margin, amber dots lit.
    const QImage picture(png);
    ASSERT_EQ(picture.size(), QSize((176 + 4) * 4, (20 + 4) * 4));
    EXPECT_EQ(picture.pixelColor(2 * 4, 2 * 4), QColor(0xFF, 0x9C, 0x1A));
}

TEST(Signs, BadSignFileKeepsTheDefaultsAndSaysSo) {
    QTemporaryDir dir;
    ASSERT_TRUE(QFile::copy(kDemo + QStringLiteral("/12.hy3"), dir.filePath(QStringLiteral("12.hy3"))));
    QFile sign(dir.filePath(QStringLiteral("12.sign")));
    ASSERT_TRUE(sign.open(QIODevice::WriteOnly));
    sign.write("[sign]\nnumber=循環\ncolour=red\n");
    sign.close();
    const ToolRun r = runCorvane(
        {"script"}, (QStringLiteral("sign open rear\n") + setRoute(dir.path(), "1 2") + "state\n").toUtf8());
    ASSERT_EQ(r.status, 0) << r.err.toStdString();
    const QJsonObject state = states(r).value(0);
    EXPECT_EQ(state.value("signs").toObject().value("rear").toObject().value("number").toString(),
              QStringLiteral("12"));
    const QJsonArray messages = state.value("messages").toArray();
    ASSERT_EQ(messages.size(), 1);
    EXPECT_TRUE(messages[0].toObject().value("text").toString().endsWith(
        QStringLiteral("12.sign\r\n3行目: 知らない名前「colour」です")))
        << messages[0].toObject().value("text").toString().toStdString();
}

TEST(Signs, CommandErrors) {
    struct Case {
        const char* script;
        const char* error;
    };
    for (const Case& c :
         {Case{"sign open middle\n",
               "error: 1: sign needs open, close or dots and front, side or rear, or colour and a colour"},
          Case{"sign colour red\n", "error: 1: sign colour needs amber, white, green or full"},
          Case{"sign dots rear\n", "error: 1: the rear sign is not open"},
          Case{"png-sign front\n", "error: 1: png-sign needs front, side or rear and a file name"},
          Case{"png-sign side /tmp/x.png\n", "error: 1: the side sign is not open"}}) {
        const ToolRun r = runCorvane({"script"}, QByteArray(c.script));
        EXPECT_EQ(r.status, 2) << c.script;
        EXPECT_EQ(r.err.trimmed(), QString::fromUtf8(c.error)) << c.script;
    }
}

// The windows in this process: a new route reaches every open sign within the frame
// that sets it, and every board shows the same frames.
TEST(Signs, RouteReachesEverySignAndBoardWithinItsFrame) {
    QTemporaryDir config;
    const QByteArray oldConfig = qgetenv("XDG_CONFIG_HOME");
    qputenv("XDG_CONFIG_HOME", QFile::encodeName(config.path()));
    blocking::setSkipWaits(true);
    {
        Program::Options options;
        options.loadSettings = false;
        options.display.boards = 3;
        options.display.sign(signs::SignKind::Side).open = true;
        Program program(options);
        program.start();
        ASSERT_EQ(program.boardCount(), 3);
        SignSet& signSet = program.signs();
        ASSERT_TRUE(signSet.isOpen(signs::SignKind::Side));
        signSet.setOpen(signs::SignKind::Front, true, false);
        EXPECT_EQ(signSet.window(signs::SignKind::Front)->shownDots().litCount(), 0);

        program.options().live().set(Setting::FareDataFolder, kDemo);
        ASSERT_TRUE(program.console().setRoute(QStringLiteral("9000"), QStringLiteral("1")).loaded());
        // No event has run since: the windows show the route already.
        for (signs::SignKind kind : {signs::SignKind::Front, signs::SignKind::Side}) {
            EXPECT_GT(signSet.window(kind)->shownDots().litCount(), 0);
            EXPECT_EQ(signSet.window(kind)->shownDots(), signSet.dots(kind));
        }
        EXPECT_EQ(signSet.text().destination, QStringLiteral("地球岬団地"));
        for (int n = 1; n <= 3; ++n)
            EXPECT_EQ(program.board(n).stopName(), QStringLiteral("東室蘭駅東口")) << "board " << n;
        EXPECT_NE(program.board(2).pos(), program.board(1).pos());
    }
    blocking::setSkipWaits(false);
    qputenv("XDG_CONFIG_HOME", oldConfig);
    // Nothing was chosen in a menu: display.conf is not written.
    EXPECT_FALSE(QFile::exists(config.filePath(QStringLiteral("corvane/display.conf"))));
}

} // namespace
