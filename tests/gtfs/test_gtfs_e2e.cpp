// End to end on the real GTFS-JP feed of 道南バス (Muroran city routes, 2020-04-01):
// the real corvane tool imports a trip, then steps through it as an operator would.
// Skipped when the feed is not beside the project (../shared/gtfs/donanbus-2020).
#include "route/SignFile.h"

#include <QDir>
#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>
#include <QMap>
#include <QProcess>
#include <QSet>
#include <QTemporaryDir>
#include <gtest/gtest.h>

namespace {

const QString kFeed = QStringLiteral(CORVANE_SOURCE_DIR "/../shared/gtfs/donanbus-2020");

struct ToolRun {
    int status = -1;
    QString out;
    QString err;
};

ToolRun corvane(const QStringList& args, const QString& workDir, const QByteArray& input = QByteArray()) {
    QProcess p;
    QProcessEnvironment env = QProcessEnvironment::systemEnvironment();
    env.insert(QStringLiteral("QT_QPA_PLATFORM"), QStringLiteral("offscreen"));
    p.setProcessEnvironment(env);
    p.setWorkingDirectory(workDir);
    p.start(QStringLiteral(CORVANE_BINARY_DIR "/bin/corvane"), args);
    p.write(input);
    p.closeWriteChannel();
    p.waitForFinished(120000);
    return ToolRun{p.exitCode(), QString::fromUtf8(p.readAllStandardOutput()),
                   QString::fromUtf8(p.readAllStandardError())};
}

QList<QJsonObject> states(const ToolRun& r) {
    QList<QJsonObject> out;
    for (const QString& line : r.out.split(QLatin1Char('\n'), Qt::SkipEmptyParts))
        out << QJsonDocument::fromJson(line.toUtf8()).object();
    return out;
}

QString display(const QJsonObject& state, int ticket) {
    return state.value("displays").toArray().at(ticket - 1).toString();
}

// Route 109000 (東室蘭駅東口地球岬団地線 往), its longest trip 109000_weekday_1: 24 stops
// from 東室蘭駅東口 (pole 0262_B) to 地球岬団地 (0166_A); boarding everywhere but at the
// last stop, so stop k issues ticket k. The fares below were read by hand from the
// feed's fare_rules.txt (line numbers of that file; all prices from
// fare_attributes.txt, k_210 = 210 yen and so on):
//   21052  k_210,109000,0262_B,0182_B   ticket 1  (東室蘭駅東口) at stop 5 (末広): 210
//   21074  k_210,109000,0221_B,0182_B   ticket 2  (0221_B)       at stop 5:        210
//   21115  k_210,109000,0201_B,0182_B   ticket 4  (汐見)         at stop 5:        210
//   21071  k_290,109000,0262_B,0166_A   ticket 1  at stop 24 (地球岬団地): 290
//   21233  k_250,109000,0177_B,0166_A   ticket 10 (輪西駅前)     at stop 24: 250
//   21309  k_210,109000,0151_C,0166_A   ticket 18 (0151_C)       at stop 24: 210
//   21324  k_210,109000,0165_A,0166_A   ticket 23 (南町4丁目)    at stop 24: 210
TEST(GtfsEndToEnd, ImportARealTripAndStepThroughItsFares) {
    if (!QDir(kFeed).exists())
        GTEST_SKIP() << "the real feed is not at " << kFeed.toStdString();
    QTemporaryDir dir;
    ASSERT_TRUE(dir.isValid());
    const ToolRun imported =
        corvane({"route", "import-gtfs", kFeed, "--route", "109000", "-o", dir.path()}, dir.path());
    ASSERT_EQ(imported.status, 0) << imported.err.toStdString();
    EXPECT_EQ(imported.err, QString());
    EXPECT_TRUE(imported.out.startsWith(
        "trip 109000_weekday_1 of route 109000 (東室蘭駅東口地球岬団地線　往): 24 stops, 23 ticket numbers\n"
        "route number 9000 "))
        << imported.out.toStdString();
    ASSERT_TRUE(QFile::exists(dir.filePath("9000.hy3")));
    ASSERT_TRUE(QFile::exists(dir.filePath("9000tp.csv")));

    QByteArray script = "fast on\nkeypad 系統 9 0 0 0 区間 1\nreset keypad\nstate\n";
    script += QByteArray("next\n").repeated(4) + "state\n";
    script += QByteArray("next\n").repeated(19) + "state\nlatenight on\nback\nnext\nstate\n";
    const ToolRun run = corvane({"script"}, dir.path(), script);
    ASSERT_EQ(run.status, 0) << run.err.toStdString();
    const QList<QJsonObject> s = states(run);
    ASSERT_EQ(s.size(), 4);

    EXPECT_EQ(s[0].value("route").toString(), QStringLiteral("9000"));
    EXPECT_EQ(s[0].value("rowCount").toInt(), 24);
    EXPECT_EQ(s[0].value("stopName").toString(), QStringLiteral("東室蘭駅東口"));
    EXPECT_EQ(s[0].value("tape").toObject().value("count").toInt(), 24);
    for (int t = 1; t <= 50; ++t) // nothing issued before the first stop; its own ticket is blank
        EXPECT_EQ(display(s[0], t), QStringLiteral("    ")) << t;

    EXPECT_EQ(s[1].value("stopName").toString(), QStringLiteral("末広"));
    for (int t : {1, 2, 4})
        EXPECT_EQ(display(s[1], t), QStringLiteral(" 210")) << t;
    EXPECT_EQ(display(s[1], 5), QStringLiteral("    ")); // issued at this stop
    EXPECT_EQ(display(s[1], 6), QStringLiteral("    ")); // not issued yet

    EXPECT_EQ(s[2].value("stopName").toString(), QStringLiteral("地球岬団地"));
    EXPECT_EQ(s[2].value("currentStop").toInt(), 23);
    EXPECT_EQ(display(s[2], 1), QStringLiteral(" 290"));
    EXPECT_EQ(display(s[2], 10), QStringLiteral(" 250"));
    EXPECT_EQ(display(s[2], 18), QStringLiteral(" 210"));
    EXPECT_EQ(display(s[2], 23), QStringLiteral(" 210"));
    EXPECT_EQ(display(s[2], 24), QStringLiteral("    ")); // no boarding at the last stop: never issued

    // The late-night fare doubles them.
    EXPECT_EQ(display(s[3], 1), QStringLiteral(" 580"));
    EXPECT_EQ(display(s[3], 10), QStringLiteral(" 500"));
}

// Every route of the feed at once: each route and direction's longest trip, listed in
// routes.csv; a second run gives the same numbers and the same bytes.
TEST(GtfsEndToEnd, ImportEveryRouteOfTheRealFeed) {
    if (!QDir(kFeed).exists())
        GTEST_SKIP() << "the real feed is not at " << kFeed.toStdString();
    QTemporaryDir dir;
    ASSERT_TRUE(dir.isValid());
    const QString out = dir.filePath("all");
    const auto filesOf = [&] {
        QMap<QString, QByteArray> files;
        for (const QString& name :
             QDir(out).entryList(QDir::AllEntries | QDir::NoDotAndDotDot | QDir::Hidden)) {
            QFile f(QDir(out).filePath(name));
            files.insert(name, f.open(QIODevice::ReadOnly) ? f.readAll() : QByteArray());
        }
        return files;
    };
    const ToolRun first = corvane({"route", "import-gtfs", kFeed, "--all", "-o", out}, dir.path());
    ASSERT_EQ(first.status, 0) << first.err.toStdString();
    EXPECT_TRUE(first.out.startsWith("wrote 74 routes into ")) << first.out.toStdString();
    EXPECT_TRUE(first.out.contains("skipped: 0 routes\n"));
    const QMap<QString, QByteArray> files = filesOf();
    const QStringList rows = QString::fromUtf8(files.value("routes.csv")).split('\n', Qt::SkipEmptyParts);
    ASSERT_EQ(rows.size(), 75);
    EXPECT_EQ(rows[0],
              QStringLiteral("number,route_id,direction_id,trip_id,headsign,stops,tickets,warnings"));
    EXPECT_TRUE(rows.contains(QStringLiteral("9000,109000,1,109000_weekday_1,,24,23,0")));
    QSet<QString> routeIds;
    for (const QString& row : rows.mid(1)) {
        const QString n = row.section(',', 0, 0);
        routeIds.insert(row.section(',', 1, 1));
        for (const QString& name : {n + ".hy3", n + "tp.csv", n + ".sign"})
            EXPECT_TRUE(files.contains(name)) << name.toStdString();
    }
    EXPECT_EQ(routeIds.size(), 74);                            // every route of routes.txt
    for (auto it = files.cbegin(); it != files.cend(); ++it) { // every sign as the signs read it
        if (it.key().endsWith(".sign"))
            EXPECT_TRUE(signfile::parse(it.value()).ok()) << it.key().toStdString();
    }
    EXPECT_EQ(files.size(), 74 * 3 + 1);
    // The route file of 9000 is the one a single import writes.
    const ToolRun single =
        corvane({"route", "import-gtfs", kFeed, "--route", "109000", "-o", dir.filePath("one")}, dir.path());
    ASSERT_EQ(single.status, 0);
    for (const char* name : {"9000.hy3", "9000tp.csv", "9000.sign"}) {
        QFile f(QDir(dir.filePath("one")).filePath(name));
        ASSERT_TRUE(f.open(QIODevice::ReadOnly));
        EXPECT_EQ(f.readAll(), files.value(name)) << name;
    }
    EXPECT_EQ(
        QString::fromUtf8(files.value("9000.sign")),
        QStringLiteral("# imported from GTFS: route 109000 (of 東室蘭駅東口地球岬団地線), trip "
                       "109000_weekday_1, 道南バス株式会社\n[sign]\nnumber=9000\ndestination=地球岬団地\n"
                       "via=母恋駅前経由\n"));

    const ToolRun second = corvane({"route", "import-gtfs", kFeed, "--all", "-o", out}, dir.path());
    ASSERT_EQ(second.status, 0);
    EXPECT_EQ(filesOf(), files);
}

} // namespace
