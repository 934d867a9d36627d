// The board page as one more view of the board, in process: the frame holds what the
// board's displays show, a change sends one frame, the clock alone sends none.
#include "RunUntil.h"

#include "app/Program.h"
#include "app/WebView.h"
#include "board/ui/Form1.h"
#include "board/ui/M_Degit.h"
#include "controller/ConsoleModel.h"

#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>
#include <QWebSocket>
#include <gtest/gtest.h>
#include <vector>

namespace {

TEST(WebView, FramesFollowTheBoardAndNothingElse) {
    Program::Options options;
    options.loadSettings = false;
    Program program(options);
    program.start();
    WebView view(program);
    ASSERT_TRUE(view.listen(QHostAddress::LocalHost, 0, "0123456789abcdef0123456789abcdef"));
    const quint16 port = view.server().serverPort();
    QWebSocket viewer(QStringLiteral("http://127.0.0.1:%1").arg(port));
    std::vector<QJsonObject> layouts, frames;
    QObject::connect(&viewer, &QWebSocket::textMessageReceived, [&](const QString& m) {
        const QJsonObject o = QJsonDocument::fromJson(m.toUtf8()).object();
        (o.value("type").toString() == QLatin1String("layout") ? layouts : frames).push_back(o);
    });
    viewer.open(QUrl(QStringLiteral("ws://127.0.0.1:%1/live").arg(port)));
    ASSERT_TRUE(runUntil([&] { return layouts.size() == 1 && frames.size() == 1; }, 10000));

    // The layout: fifty displays drawn with outlines of the program's own digits.
    const QJsonObject layout = layouts[0];
    ASSERT_EQ(layout.value("displays").toArray().size(), 50);
    const QJsonArray sets = layout.value("glyphSets").toArray();
    ASSERT_FALSE(sets.isEmpty());
    for (const QJsonValue& set : sets) {
        EXPECT_TRUE(set.toObject().value("8").toString().startsWith(QLatin1Char('M')));
        EXPECT_FALSE(set.toObject().value("0").toString().isEmpty());
    }

    // The frame's texts are what the board's displays show.
    const QJsonArray displays = frames[0].value("displays").toArray();
    for (int i = 1; i <= Form1::kFareDisplays; ++i)
        EXPECT_EQ(displays.at(i - 1).toString(), program.board().Degit(i)->shownPlaces()) << i;

    // Nothing changes: nothing is sent, though the board is looked at several times.
    runUntil([] { return false; }, 1000);
    EXPECT_EQ(frames.size(), 1u);

    // A stop name: one frame, with its name and dot rows and the next number.
    program.console().showStopName(QStringLiteral("市役所前"));
    ASSERT_TRUE(runUntil([&] { return frames.size() == 2; }, 5000));
    runUntil([] { return false; }, 500);
    EXPECT_EQ(frames.size(), 2u);
    const QJsonObject named = frames[1];
    EXPECT_EQ(named.value("seq").toInteger(), frames[0].value("seq").toInteger() + 1);
    EXPECT_EQ(named.value("stopName").toString(), QStringLiteral("市役所前"));
    const QString rows = named.value("strip").toObject().value("rows").toString();
    EXPECT_EQ(rows.size(), 10 * named.value("strip").toObject().value("height").toInt());
    EXPECT_NE(rows.count(QLatin1Char('0')), rows.size()) << "no dot lit";

    // The backlight: the look changes, and the panel picture with it.
    program.console().setBacklight(2);
    ASSERT_TRUE(runUntil([&] { return frames.size() == 3; }, 5000));
    EXPECT_EQ(frames[2].value("look").toObject().value("backlight").toInt(), 2);
}

} // namespace
