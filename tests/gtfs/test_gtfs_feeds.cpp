// Feeds as operators publish them: both forms of translations.txt, route-wide flat
// fares, loops, Fares v2, everything quoted with trailing spaces; the destination sign
// of a route; the import of every route (--all) and its files written all or none.
#include "GtfsTestSupport.h"
#include "gtfs/GtfsCli.h"
#include "gtfs/GtfsFeed.h"
#include "gtfs/GtfsImport.h"
#include "gtfs/OutputFiles.h"
#include "gtfs/SignWriter.h"
#include "route/SignFile.h"

#include <QDir>
#include <QFile>
#include <QMap>
#include <QRegularExpression>
#include <QTemporaryDir>
#include <gtest/gtest.h>

using namespace gtfs;
using namespace gtfstest;

namespace {

// One route, four stops in two zones, boarding everywhere; no fares.
Tables feed() {
    Tables t;
    t["stops.txt"] = "stop_id,stop_name\nA,駅前\nB,本町\nC,公園\nD,終点\n";
    t["routes.txt"] = "route_id,route_short_name,route_long_name,network_id\nR1,12,本線,N1\n";
    t["trips.txt"] = "route_id,service_id,trip_id,trip_headsign,direction_id\nR1,wd,T1,,0\n";
    t["stop_times.txt"] = "trip_id,stop_id,stop_sequence\nT1,A,1\nT1,B,2\nT1,C,3\nT1,D,4\n";
    return t;
}

Tables withFares(Tables t, const QByteArray& rules) {
    t["fare_attributes.txt"] =
        "fare_id,price,currency_type\nF100,100,JPY\nF150,150,JPY\nF200,200,JPY\nF300,300,JPY\n";
    t["fare_rules.txt"] = "fare_id,route_id,origin_id,destination_id\n" + rules;
    return t;
}

struct Imported {
    ImportResult result;
    QStringList names;
    QList<int> tickets;
    QList<QList<int>> fares; // c1..c4 of each row
    QStringList tape;
};

Imported import(const Tables& tables) {
    QTemporaryDir dir;
    QString error;
    const auto f = GtfsFeed::open(writeFolder(dir.filePath("feed"), tables), error);
    EXPECT_TRUE(f) << error.toStdString();
    ImportRequest request;
    request.tripId = QStringLiteral("T1");
    Imported i;
    i.result = importTrip(*f, request);
    for (const DataIo::RouteRow& r : i.result.rows) {
        i.names << r.StopName;
        i.tickets << r.TicketNumber;
        i.fares << QList<int>{r.DataColumns[1], r.DataColumns[2], r.DataColumns[3], r.DataColumns[4]};
    }
    for (const TapeEntry& e : i.result.tape)
        i.tape << e.Text;
    return i;
}

// The fares of the four stops, ticket k issued at stop k: {A→B}, {A→C, B→C}, {A→D, B→D, C→D}.
QList<QList<int>> fares(int ab, int ac, int bc, int ad, int bd, int cd) {
    return {{0, 0, 0, 0}, {ab, 0, 0, 0}, {ac, bc, 0, 0}, {ad, bd, cd, 0}};
}

// The most specific rule wins: route, origin and destination named, then the
// cheapest. A route-wide rule (empty origin and destination) is a flat fare.
TEST(GtfsFeeds, FlatFaresAndTheMostSpecificRule) {
    const struct {
        const char* rules;
        QList<QList<int>> fares;
    } cases[] = {
        {"F150,R1,,\n", fares(150, 150, 150, 150, 150, 150)},
        {"F150,R1,,\nF300,R1,A,D\n", fares(150, 150, 150, 300, 150, 150)},
        {"F100,,,\nF150,R1,,\n", fares(150, 150, 150, 150, 150, 150)}, // the route's flat fare
        {"F100,,,\nF150,R9,,\n", fares(100, 100, 100, 100, 100, 100)}, // another route's is not
        {"F300,R1,A,\nF150,R1,,\nF200,R1,,D\n",
         fares(300, 300, 150, 200, 200, 200)},                           // as specific: the cheaper
        {"F200,,A,D\nF150,R1,,\n", fares(150, 150, 150, 200, 150, 150)}, // origin and destination beat route
    };
    for (const auto& c : cases) {
        const Imported i = import(withFares(feed(), c.rules));
        ASSERT_TRUE(i.result.error.isEmpty()) << i.result.error.toStdString();
        EXPECT_EQ(i.fares, c.fares) << c.rules;
        EXPECT_TRUE(i.result.report.isEmpty()) << i.result.report.join('\n').toStdString();
    }
}

// A loop passes 駅前 twice: a row, a ticket number and an announcement per visit, the
// fare from the pole to itself at the second visit.
TEST(GtfsFeeds, ALoopHasARowAndATicketPerVisit) {
    Tables t =
        withFares(feed(), "F100,R1,A,B\nF150,R1,A,C\nF300,R1,A,A\nF100,R1,B,C\nF150,R1,B,A\nF100,R1,C,A\n");
    t["stop_times.txt"] = "trip_id,stop_id,stop_sequence\nT1,A,1\nT1,B,2\nT1,C,3\nT1,A,4\n";
    const Imported i = import(t);
    ASSERT_TRUE(i.result.error.isEmpty()) << i.result.error.toStdString();
    EXPECT_EQ(i.names, (QStringList{"駅前", "本町", "公園", "駅前"}));
    EXPECT_EQ(i.tickets, (QList<int>{1, 2, 3, 4}));
    EXPECT_EQ(i.fares, fares(100, 150, 100, 300, 150, 100));
    EXPECT_EQ(i.tape, (QStringList{"このバスは、駅前行きです。", "次は、本町です。", "次は、公園です。",
                                   "次は、駅前です。"}));
    EXPECT_EQ(i.result.missingFares, 0);
}

Tables faresV2(Tables t) {
    t["areas.txt"] = "area_id,area_name\nZ1,一区\nZ2,二区\n";
    t["stop_areas.txt"] = "area_id,stop_id\nZ1,A\nZ1,B\nZ2,C\nZ2,D\nZ9,D\n";
    t["fare_products.txt"] = "fare_product_id,fare_product_name,amount,currency,rider_category_id\n"
                             "P1,,80,JPY,child\nP1,,150,JPY,\nP2,,250.00,JPY,\nP3,,2,USD,\n";
    t["fare_leg_rules.txt"] = "leg_group_id,network_id,from_area_id,to_area_id,fare_product_id,from_"
                              "timeframe_group_id,rule_priority\n"
                              "L,,Z1,Z1,P1,,\nL,,Z1,Z2,P2,,\nL,,Z2,Z2,P2,,\n"
                              "L,N1,Z2,Z2,P1,,1\n" // the route's network, a higher priority: 150, not 250
                              "L,,Z1,Z2,P3,,\n"    // not in yen
                              "L,,Z1,Z2,P1,peak,\n"
                              "L,N9,Z1,Z1,P2,,\n"; // a network without routes
    return t;
}

// Fares v2: the adult product of the leg rule between the stops' areas.
TEST(GtfsFeeds, FaresV2WhereTheOlderTablesAreAbsent) {
    const Imported i = import(faresV2(feed()));
    ASSERT_TRUE(i.result.error.isEmpty()) << i.result.error.toStdString();
    EXPECT_EQ(i.fares, fares(150, 250, 250, 250, 250, 150));
    EXPECT_EQ(
        i.result.report,
        (QStringList{"stop_areas.txt: 1 rows name areas that are not in areas.txt; they are ignored",
                     "fare_leg_rules.txt: 3 of 7 rules cannot be mapped (1 with a fare product without a "
                     "price in yen, 1 for a time of day, 1 of a network no route belongs to); they are "
                     "ignored"}));

    // Both: the older tables give the fares, and the report says so.
    const Imported both = import(withFares(faresV2(feed()), "F100,R1,,\n"));
    EXPECT_EQ(both.fares, fares(100, 100, 100, 100, 100, 100));
    EXPECT_EQ(both.result.report, QStringList{"fare_leg_rules.txt: not used; fare_attributes.txt and "
                                              "fare_rules.txt give the fares"});

    // Without fare_products.txt nothing can be priced.
    Tables noProducts = faresV2(feed());
    noProducts.remove("fare_products.txt");
    const Imported none = import(noProducts);
    EXPECT_EQ(none.fares, fares(-1, -1, -1, -1, -1, -1));
    EXPECT_TRUE(none.result.report.contains("fare_products.txt: missing; every fare is -1"));
}

// Every field quoted and padded with spaces (ids, names, numbers): the same route.
TEST(GtfsFeeds, QuotedFieldsAndTrailingSpaces) {
    const Tables plain = withFares(feed(), "F150,R1,,\nF300,R1,A,D\n");
    Tables quoted;
    for (auto it = plain.cbegin(); it != plain.cend(); ++it) {
        QList<QByteArray> lines;
        for (const QByteArray& line : it.value().split('\n')) {
            QList<QByteArray> fields;
            for (const QByteArray& f : line.split(','))
                fields << "\"" + f + "  \"";
            lines << (line.isEmpty() ? line : fields.join(","));
        }
        quoted[it.key()] = lines.join("\r\n");
    }
    quoted["translations.txt"] =
        "\"trans_id \",\"lang\",\"translation\"\n\"終点 \",\" ja-Hrkt\",\"しゅうてん \"\n";
    const Imported a = import(plain);
    const Imported b = import(quoted);
    ASSERT_TRUE(b.result.error.isEmpty())
        << b.result.error.toStdString() << b.result.report.join(QChar(10)).toStdString();
    EXPECT_EQ(b.names, a.names);
    EXPECT_EQ(b.tickets, a.tickets);
    EXPECT_EQ(b.fares, a.fares);
    EXPECT_EQ(b.tape.first(), QStringLiteral("このバスは、しゅうてん行きです。"));
    EXPECT_EQ(b.result.sign.number, QStringLiteral("12"));
    EXPECT_TRUE(b.result.report.isEmpty()) << b.result.report.join('\n').toStdString();
}

// The readings (ja-Hrkt) and English names (en) from either form of translations.txt,
// ids compared trimmed.
TEST(GtfsFeeds, BothFormsOfTranslations) {
    const char* const kNew =
        "table_name,field_name,language,translation,record_id,record_sub_id,field_value\n";
    const struct {
        QByteArray translations;
        const char* spoken;
        const char* english;
    } cases[] = {
        {"trans_id,lang,translation\n終点,ja-Hrkt,しゅうてん\n終点,en,Terminal\n", "しゅうてん", "Terminal"},
        {QByteArray(kNew) + "stops,stop_name,ja-Hrkt,しゅうてん, D ,,\nstops,stop_name,en,Terminal,D,,\n",
         "しゅうてん", "Terminal"},
        {QByteArray(kNew) +
             "stops,stop_name,ja-Hrkt,しゅうてん,,,終点\nstops,stop_name,en,Terminal,,,終点 \n",
         "しゅうてん", "Terminal"},
        {QByteArray(kNew) + "stops,stop_name,fr,Terminus,D,,\n", "終点", ""},
    };
    for (const auto& c : cases) {
        Tables t = feed();
        t["translations.txt"] = c.translations;
        const Imported i = import(t);
        ASSERT_TRUE(i.result.error.isEmpty()) << i.result.error.toStdString();
        EXPECT_EQ(i.tape.first(), QStringLiteral("このバスは、%1行きです。").arg(QString::fromUtf8(c.spoken)))
            << c.translations.constData();
        EXPECT_EQ(i.tape.last(), QStringLiteral("次は、%1です。").arg(QString::fromUtf8(c.spoken)));
        EXPECT_EQ(i.result.sign.destination, QStringLiteral("終点"));
        EXPECT_EQ(i.result.sign.destinationEn, QString::fromUtf8(c.english)) << c.translations.constData();
    }
}

// The sign: number, destination and via from the headsign, jp_trip_desc or
// routes_jp.txt, their English names.
TEST(GtfsFeeds, SignTexts) {
    const char* const kNew =
        "table_name,field_name,language,translation,record_id,record_sub_id,field_value\n";
    const struct {
        const char* headsign;
        const char* desc;
        QByteArray translations;
        QStringList sign; // number, destination, via, destination_en, via_en
    } cases[] = {
        {"", "", "", {"12", "終点", "", "", ""}},
        {"駅前行", "", "", {"12", "駅前行", "", "", ""}},
        {"終点（公園経由）",
         "",
         QByteArray(kNew) + "trips,trip_headsign,en,Terminal (via Park),T1,,\n",
         {"12", "終点", "公園経由", "Terminal", "via Park"}},
        {"公園経由 終点",
         "",
         "trans_id,lang,translation\n終点,en,Terminal\n公園経由,en,via Park\n",
         {"12", "終点", "公園経由", "Terminal", "via Park"}},
        {"終点",
         "市役所経由",
         QByteArray(kNew) + "trips,jp_trip_desc,en,via City Hall,T1,,\n",
         {"12", "終点", "市役所経由", "", "via City Hall"}},
    };
    for (const auto& c : cases) {
        Tables t = feed();
        t["trips.txt"] =
            QByteArray("route_id,service_id,trip_id,trip_headsign,direction_id,jp_trip_desc\nR1,wd,T1,") +
            c.headsign + ",0," + c.desc + "\n";
        t["translations.txt"] = c.translations;
        const ImportedSign s = import(t).result.sign;
        EXPECT_EQ((QStringList{s.number, s.destination, s.via, s.destinationEn, s.viaEn}), c.sign)
            << c.headsign;
    }
    // Without a short name the route number; the stops of routes_jp.txt as the via text.
    Tables t = feed();
    t["routes.txt"] = "route_id,route_long_name,jp_parent_route_id\nR1,本線,本線系統\n";
    t["routes_jp.txt"] =
        "route_id,route_update_date,origin_stop,via_stop,destination_stop\nR1,20240401,駅前,本町/公園,終点\n";
    const ImportedSign s = import(t).result.sign;
    EXPECT_EQ((QStringList{s.number, s.destination, s.via}), (QStringList{"1", "終点", "本町・公園経由"}));
    EXPECT_EQ(s.source, QStringLiteral("route R1 (of 本線系統), trip T1"));
}

// What the sign's reader takes: Shift_JIS characters, 64 at most.
TEST(GtfsFeeds, SignTextsTheSignsCanShow) {
    Tables t = feed();
    const QString x(70, 'x');
    t["trips.txt"] =
        "route_id,service_id,trip_id,trip_headsign,direction_id\nR1,wd,T1,\"終点" + x.toUtf8() + " 🚌\",0\n";
    const ImportResult r = import(t).result;
    EXPECT_EQ(r.sign.destination, QStringLiteral("終点") + QString(62, 'x'));
    EXPECT_EQ(
        r.report.filter(QRegularExpression("^sign: ")),
        (QStringList{
            QStringLiteral("sign: destination \"終点%1 🚌\" cannot be written in Shift_JIS; "
                           "written as \"終点%1 〓\"")
                .arg(x),
            QStringLiteral("sign: destination \"終点%1 〓\" is longer than 64 characters; cut").arg(x)}));
    const signfile::Parsed back = signfile::parse(signFileBytes(r.sign));
    EXPECT_TRUE(back.ok()) << back.problems.join('\n').toStdString();
    EXPECT_EQ(back.values.destination, r.sign.destination);
}

TEST(GtfsFeeds, SignFileText) {
    ImportedSign s;
    s.number = QStringLiteral("循環");
    s.destination = QStringLiteral("駅前\nほか");
    s.viaEn = QStringLiteral("via Park");
    s.source = QStringLiteral("route R1, trip T1");
    EXPECT_EQ(QString::fromUtf8(signFileBytes(s)),
              QStringLiteral("# imported from GTFS: route R1, trip T1\n[sign]\n"
                             "number=循環\ndestination=駅前 ほか\nvia_en=via Park\n"));
}

// ---------------------------------------------------------------- the command

// A file of folder `dir` by name, for comparing whole folders.
QMap<QString, QByteArray> filesOf(const QString& dir) {
    QMap<QString, QByteArray> files;
    for (const QString& name : QDir(dir).entryList(QDir::AllEntries | QDir::NoDotAndDotDot | QDir::Hidden))
        files.insert(name, readFile(QDir(dir).filePath(name)));
    return files;
}

// The route of the sign of route 9000: 109000's derived number.
TEST(GtfsFeedsCommand, TheSignOfRoute9000WithItsHeadsignAndEnglish) {
    QTemporaryDir dir;
    Tables t = feed();
    t["routes.txt"] = "route_id,route_long_name\n109000,東室蘭駅東口地球岬団地線\n";
    t["trips.txt"] =
        "route_id,service_id,trip_id,trip_headsign,direction_id\n109000,wd,T1,地球岬団地（母恋経由）,1\n";
    t["translations.txt"] =
        "trans_id,lang,translation\n地球岬団地,en,Chikyu-misaki Danchi\n母恋経由,en,via Bokoi\n"
        "地球岬団地（母恋経由）,ja-Hrkt,ちきゅうみさきだんち\n";
    const QString out = dir.filePath("out");
    const CliRun r = run({writeFolder(dir.filePath("feed"), t), "--route", "109000", "-o", out});
    ASSERT_EQ(r.status, 0) << r.err.toStdString();
    EXPECT_EQ(QString::fromUtf8(readFile(QDir(out).filePath("9000.sign"))),
              QStringLiteral("# imported from GTFS: route 109000, trip T1\n[sign]\nnumber=9000\n"
                             "destination=地球岬団地\nvia=母恋経由\ndestination_en=Chikyu-misaki Danchi\n"
                             "via_en=via Bokoi\n"));
}

// Four routes: R1 in two directions (with two patterns in direction 0), R2 without a
// direction, R3 whose only trip cannot be a route, R4 without trips.
Tables threeRoutes() {
    Tables t = withFares(feed(), "F150,,,\n");
    t["routes.txt"] =
        "route_id,route_short_name,route_long_name\nR3,,三線\nR1,12,本線\nR2,,\"支線, 東\"\nR4,,空線\n";
    t["trips.txt"] = "route_id,service_id,trip_id,trip_headsign,direction_id\n"
                     "R1,wd,T3,公園,0\nR1,wd,T1,\"終点, 東口\",0\nR1,wd,T2,駅前,1\nR1,wd,T6,終点,0\n"
                     "R2,wd,T4,,\nR3,wd,T5,,0\n";
    t["stop_times.txt"] = "trip_id,stop_id,stop_sequence\nT1,A,1\nT1,B,2\nT1,C,3\nT1,D,4\n"
                          "T3,A,1\nT3,B,2\nT3,C,3\nT2,D,1\nT2,A,2\nT4,B,1\nT4,C,2\nT5,A,1\n"
                          "T6,A,1\nT6,B,2\nT6,C,3\nT6,D,4\n";
    return t;
}

TEST(GtfsFeedsCommand, AllRoutesNumberedInAStableOrder) {
    QTemporaryDir dir;
    const QString f = writeFolder(dir.filePath("feed"), threeRoutes());
    const QString out = dir.filePath("out");
    const struct {
        QStringList options;
        QByteArray routesCsv;
    } cases[] = {
        {{"--all", "--first-number", "20"},
         "number,route_id,direction_id,trip_id,headsign,stops,tickets,warnings\n"
         "20,R1,0,T1,\"終点, 東口\",4,4,0\n21,R1,1,T2,駅前,2,2,0\n22,R2,,T4,,2,2,0\n"},
        {{"--all"}, // derived: 12 for R1 and the next free one for its other direction
         "number,route_id,direction_id,trip_id,headsign,stops,tickets,warnings\n"
         "12,R1,0,T1,\"終点, 東口\",4,4,0\n13,R1,1,T2,駅前,2,2,0\n2,R2,,T4,,2,2,0\n"},
        {{"--patterns", "--first-number", "7"},
         "number,route_id,direction_id,trip_id,headsign,stops,tickets,warnings\n"
         "7,R1,0,T1,\"終点, 東口\",4,4,0\n8,R1,0,T3,公園,3,3,0\n9,R1,1,T2,駅前,2,2,0\n10,R2,,T4,,2,2,0\n"},
    };
    for (const auto& c : cases) {
        QDir(out).removeRecursively();
        const CliRun r = run(QStringList{f, "-o", out} + c.options);
        ASSERT_EQ(r.status, 0) << r.err.toStdString();
        EXPECT_EQ(readFile(QDir(out).filePath("routes.csv")), c.routesCsv)
            << c.options.join(' ').toStdString();
        const QStringList numbers =
            QString::fromUtf8(c.routesCsv).split('\n').mid(1, c.routesCsv.count('\n') - 1);
        for (const QString& row : numbers) {
            const QString n = row.section(',', 0, 0);
            for (const QString& name : {n + ".hy3", n + "tp.csv", n + ".sign"})
                EXPECT_TRUE(QFile::exists(QDir(out).filePath(name))) << name.toStdString();
        }
        EXPECT_EQ(filesOf(out).size(), 3 * numbers.size() + 1); // nothing else, no staging folder
        EXPECT_TRUE(
            r.out.contains("skipped: 2 routes\n  route R4: no trips in trips.txt\n  route R3 direction 0") &&
            r.out.contains("trip T5 has 1 stops"))
            << r.out.toStdString();
        // Once more: the same numbers and bytes.
        const QMap<QString, QByteArray> first = filesOf(out);
        ASSERT_EQ(run(QStringList{f, "-o", out} + c.options).status, 0);
        EXPECT_EQ(filesOf(out), first);
    }
    // Each route has a plain line when the errors go to no terminal.
    const CliRun r = run({f, "-o", out, "--all"});
    EXPECT_TRUE(r.err.contains("[1/4] route R1 direction 0 (trip T1) → 12: 4 stops, 4 ticket numbers\n"))
        << r.err.toStdString();
    EXPECT_TRUE(r.err.contains("[4/4] skipped route R3 direction 0 (trip T5): trip T5 has 1 stops"));
}

// More than 50 boarding stops: the route is written, and said to be cut.
TEST(GtfsFeedsCommand, ARouteOfMoreThanFiftyBoardingStopsIsCut) {
    QTemporaryDir dir;
    Tables t = withFares(feed(), "F150,R1,,\n");
    QByteArray stops = "stop_id,stop_name\n", times = "trip_id,stop_id,stop_sequence\n";
    for (int k = 1; k <= 53; ++k) {
        stops += "S" + QByteArray::number(k) + ",停留所" + QByteArray::number(k) + "\n";
        times += "T1,S" + QByteArray::number(k) + "," + QByteArray::number(k) + "\n";
    }
    t["stops.txt"] = stops;
    t["stop_times.txt"] = times;
    const QString out = dir.filePath("out");
    const CliRun r = run({writeFolder(dir.filePath("feed"), t), "-o", out, "--all"});
    ASSERT_EQ(r.status, 0) << r.err.toStdString();
    EXPECT_EQ(readFile(QDir(out).filePath("routes.csv")),
              "number,route_id,direction_id,trip_id,headsign,stops,tickets,warnings\n12,R1,0,T1,,53,53,1\n");
    EXPECT_TRUE(r.out.contains("cut: 1 route\n  12: 3 ticket numbers past the board's 50 fare displays\n"))
        << r.out.toStdString();
    EXPECT_TRUE(
        r.err.contains("warning: route 12: ticket numbers 51..53 (issued from stop 51, 停留所51, on)"));
}

// A file that cannot be written leaves the folder as it was: the old files, nothing new.
TEST(GtfsFeedsCommand, AFailedImportLeavesTheFolderAsItWas) {
    QTemporaryDir dir;
    const QString f = writeFolder(dir.filePath("feed"), threeRoutes());
    const QString out = writeFolder(dir.filePath("out"), {{"20.hy3", "old"}, {"routes.csv", "old"}});
    QDir(out).mkdir("21.sign"); // a folder where a file goes
    const QMap<QString, QByteArray> before = filesOf(out);
    const CliRun r = run({f, "-o", out, "--all", "--first-number", "20"});
    EXPECT_EQ(r.status, 2);
    EXPECT_TRUE(
        r.err.endsWith(QStringLiteral("error: %1: a folder, not a regular file (nothing was changed in "
                                      "the folder)\n")
                           .arg(QDir(out).filePath("21.sign"))))
        << r.err.toStdString();
    EXPECT_EQ(filesOf(out), before);

    // Nothing to import at all: nothing written.
    Tables t = feed();
    t["stop_times.txt"] = "trip_id,stop_id,stop_sequence\nT1,A,1\n";
    const CliRun none = run({writeFolder(dir.filePath("feed1"), t), "-o", out, "--all"});
    EXPECT_EQ(none.status, 2);
    EXPECT_TRUE(none.err.endsWith("error: no route could be imported; nothing was written\n"));
    EXPECT_EQ(filesOf(out), before);
}

// A failure while the files are put in place puts the old ones back and removes the new.
TEST(GtfsOutputFiles, AFailureOnTheWayPutsEveryOldFileBack) {
    QTemporaryDir dir;
    const QString out = writeFolder(dir.filePath("out"), {{"a", "old a"}, {"c", "old c"}});
    for (int failAt = 0; failAt <= 3; ++failAt) {
        QString error;
        {
            OutputFiles files(out);
            files.beforePlacing = [failAt](int i) { return i != failAt; };
            ASSERT_TRUE(files.begin("a", error)) << error.toStdString();
            for (const char* name : {"a", "b", "c"})
                ASSERT_TRUE(files.add(name, QByteArray("new ") + name, error));
            EXPECT_EQ(files.commit(error), failAt == 3) << failAt;
        }
        const QMap<QString, QByteArray> expected =
            failAt == 3 ? QMap<QString, QByteArray>{{"a", "new a"}, {"b", "new b"}, {"c", "new c"}}
                        : QMap<QString, QByteArray>{{"a", "old a"}, {"c", "old c"}};
        EXPECT_EQ(filesOf(out), expected) << failAt;
        if (failAt < 3)
            EXPECT_TRUE(error.endsWith(": not renamed")) << error.toStdString();
    }
}

} // namespace
