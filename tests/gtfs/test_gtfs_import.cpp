// The GTFS-JP import on small hand-made feeds: fares by stop and by zone, ticket
// numbers from the pickup rules, readings, quoting, limits and refusals; the feed
// reader on folders and zip archives, and feeds made to exhaust it (made here as they
// are compressed, never kept); the import-gtfs command.
#include "GtfsTestSupport.h"
#include "gtfs/GtfsCli.h"
#include "gtfs/GtfsFeed.h"
#include "gtfs/GtfsImport.h"
#include "platform/Cp932.h"
#include "route/RouteFile.h"
#include "sound/TapeList.h"

#include <QDir>
#include <QFile>
#include <QMap>
#include <QTemporaryDir>
#include <cstring>
#include <gtest/gtest.h>
#include <sys/stat.h>
#include <zip.h>

using namespace gtfs;
using namespace gtfstest;

namespace {

// A route of four stops: poles under parent stations, some poles without a name of
// their own. 二の橋 and 終点前 allow no boarding; 一の橋 no alighting. Fares by pole id.
Tables baseFeed() {
    Tables t;
    t["agency.txt"] =
        "agency_id,agency_name,agency_url,agency_timezone\nA,橋交通,http://example.invalid,Asia/Tokyo\n";
    t["stops.txt"] = "stop_id,stop_name,location_type,parent_station,zone_id\n"
                     "P1,一の橋,1,,\nP1_A,,0,P1,\n"
                     "P2,二の橋,1,,\nP2_A,二の橋,0,P2,\n"
                     "P3,三の橋,1,,\nP3_A,,0,P3,\n"
                     "P4,終点前,1,,\nP4_A,,0,P4,\n";
    t["routes.txt"] = "route_id,agency_id,route_short_name,route_long_name,route_type\n"
                      "R1,A,,橋めぐり線,3\nR2,A,7,予備線,3\n";
    t["trips.txt"] = "route_id,service_id,trip_id,trip_headsign,direction_id\n"
                     "R1,wd,T1,,0\nR1,wd,T2,,1\n";
    t["stop_times.txt"] =
        "trip_id,arrival_time,departure_time,stop_id,stop_sequence,pickup_type,drop_off_type\n"
        "T1,08:00:00,08:00:00,P1_A,1,0,1\n"
        "T1,08:10:00,08:10:00,P3_A,30,0,0\n" // out of order on purpose
        "T1,08:05:00,08:05:00,P2_A,20,1,0\n"
        "T1,08:15:00,08:15:00,P4_A,40,1,0\n"
        "T2,09:00:00,09:00:00,P4_A,1,0,1\n"
        "T2,09:15:00,09:15:00,P1_A,2,1,0\n";
    t["fare_attributes.txt"] = "fare_id,price,currency_type,payment_method,transfers\n"
                               "F170,170,JPY,0,0\nF200,200,JPY,0,0\nF230,230,JPY,0,0\n";
    t["fare_rules.txt"] = "fare_id,route_id,origin_id,destination_id\n"
                          "F170,R1,P1_A,P2_A\nF200,R1,P1_A,P3_A\nF230,R1,P1_A,P4_A\nF170,R1,P3_A,P4_A\n"
                          "F230,R9,P1_A,P2_A\n";
    return t;
}

// A zip archive of the tables, under `prefix` ("" or "feed/"), written with libzip.
void writeZip(const QString& path, const Tables& tables, const QByteArray& prefix) {
    int error = 0;
    zip_t* z = zip_open(QFile::encodeName(path).constData(), ZIP_CREATE | ZIP_TRUNCATE, &error);
    ASSERT_NE(z, nullptr);
    for (auto it = tables.cbegin(); it != tables.cend(); ++it) {
        zip_source_t* src = zip_source_buffer(z, it.value().constData(), it.value().size(), 0);
        ASSERT_NE(src, nullptr);
        ASSERT_GE(zip_file_add(z, (prefix + it.key().toUtf8()).constData(), src, ZIP_FL_ENC_UTF_8), 0);
    }
    ASSERT_EQ(zip_close(z), 0);
}

struct Imported {
    ImportResult result;
    QStringList names;
    QList<int> tickets;
    QList<QList<int>> fares; // c1..c4 of each row
    QStringList tape;
};

Imported import(const Tables& tables, ImportRequest request = {}) {
    static int n = 0;
    QTemporaryDir dir;
    const QString folder = writeFolder(dir.filePath(QString::number(++n)), tables);
    QString error;
    const auto feed = GtfsFeed::open(folder, error);
    EXPECT_TRUE(feed) << error.toStdString();
    if (request.tripId.isEmpty() && request.routeId.isEmpty())
        request.tripId = QStringLiteral("T1");
    Imported i;
    i.result = importTrip(*feed, request);
    for (const DataIo::RouteRow& r : i.result.rows) {
        i.names << r.StopName;
        i.tickets << r.TicketNumber;
        i.fares << QList<int>{r.DataColumns[1], r.DataColumns[2], r.DataColumns[3], r.DataColumns[4]};
    }
    for (const TapeEntry& e : i.result.tape)
        i.tape << QStringLiteral("%1|%2|%3").arg(e.Text).arg(e.MoveStop).arg(e.ChimeKind);
    return i;
}

const QStringList kBaseNames{"一の橋", "二の橋", "三の橋", "終点前"};
const QList<QList<int>> kBaseFares{{0, 0, 0, 0}, {170, 0, 0, 0}, {200, 0, 0, 0}, {230, 170, 0, 0}};

TEST(GtfsImport, StopFaresTicketNumbersAndNamesFromTheParentStation) {
    const Imported i = import(baseFeed());
    ASSERT_TRUE(i.result.error.isEmpty()) << i.result.error.toStdString();
    EXPECT_EQ(i.names, kBaseNames);
    // Boarding at 一の橋 and 三の橋 only: the others keep the number issued last.
    EXPECT_EQ(i.tickets, (QList<int>{1, 1, 2, 2}));
    EXPECT_EQ(i.fares, kBaseFares);
    EXPECT_EQ(i.result.ticketCount, 2);
    EXPECT_EQ(i.result.missingFares, 0);
    EXPECT_TRUE(i.result.report.isEmpty()) << i.result.report.join('\n').toStdString();
    for (const DataIo::RouteRow& r : i.result.rows) {
        for (int c = 5; c <= DataIo::DataColumnCount; ++c)
            ASSERT_EQ(r.DataColumns[c], 0);
    }
    EXPECT_EQ(i.tape, (QStringList{"このバスは、終点前行きです。|0|1", "次は、二の橋です。|1|2",
                                   "次は、三の橋です。|1|2", "次は、終点前です。|1|2"}));
    EXPECT_EQ(i.result.routeName, QStringLiteral("橋めぐり線"));
}

TEST(GtfsImport, ZoneFaresPreferTheMostSpecificRuleThenTheCheapest) {
    Tables t = baseFeed();
    t["stops.txt"] = "stop_id,stop_name,location_type,parent_station,zone_id\n"
                     "P1_A,一の橋,0,,Z1\nP2_A,二の橋,0,,Z1\nP3_A,三の橋,0,,Z2\nP4_A,終点前,0,,Z3\n";
    t["fare_rules.txt"] = "fare_id,route_id,origin_id,destination_id,contains_id\n"
                          "F200,,Z1,Z1,\n"
                          "F170,,Z1,Z1,\n"   // as specific, cheaper: chosen
                          "F200,R1,Z1,Z2,\n" // route-specific
                          "F230,,Z1,Z3,\n"   // any route
                          "F170,R1,Z2,,\n"   // any destination: less specific than the next
                          "F230,R1,Z2,Z3,\n"
                          "F170,R1,Z1,Z3,Z2\n"; // contains_id: not supported, ignored
    const Imported i = import(t);
    ASSERT_TRUE(i.result.error.isEmpty());
    EXPECT_EQ(i.fares, (QList<QList<int>>{{0, 0, 0, 0}, {170, 0, 0, 0}, {200, 0, 0, 0}, {230, 230, 0, 0}}));
    EXPECT_EQ(i.result.report,
              QStringList{"fare_rules.txt: 1 rules of route R1 use contains_id, which the import "
                          "does not support; they are ignored"});
}

TEST(GtfsImport, MissingRulesAreMinusOneAndCountedWhereAlightingIsAllowed) {
    Tables t = baseFeed();
    t["stop_times.txt"].replace("P3_A,30,0,0", "P3_A,30,0,1"); // no alighting at 三の橋
    t["fare_rules.txt"] = "fare_id,route_id,origin_id,destination_id\nF170,R1,P1_A,P2_A\nF170,R1,P3_A,P4_A\n";
    const Imported i = import(t);
    ASSERT_TRUE(i.result.error.isEmpty());
    EXPECT_EQ(i.fares, (QList<QList<int>>{{0, 0, 0, 0}, {170, 0, 0, 0}, {-1, 0, 0, 0}, {-1, 170, 0, 0}}));
    EXPECT_EQ(i.result.missingFares, 1);
    EXPECT_EQ(i.result.report,
              (QStringList{"no fare rule for 一の橋 (P1_A) → 終点前 (P4_A), ticket 1 at stop 4; set to -1",
                           "1 fares have no fare rule and are -1"}));
}

TEST(GtfsImport, MissingOrEmptyFareTablesGiveMinusOneEverywhere) {
    for (const char* how : {"missing", "empty"}) {
        Tables t = baseFeed();
        if (QByteArray(how) == "missing")
            t.remove("fare_rules.txt");
        else
            t["fare_rules.txt"] = "";
        const Imported i = import(t);
        ASSERT_TRUE(i.result.error.isEmpty());
        EXPECT_EQ(i.fares, (QList<QList<int>>{{0, 0, 0, 0}, {-1, 0, 0, 0}, {-1, 0, 0, 0}, {-1, -1, 0, 0}}));
        EXPECT_EQ(i.result.missingFares, 4);
        EXPECT_EQ(i.result.report,
                  (QStringList{QStringLiteral("fare_rules.txt: %1; every fare is -1").arg(how),
                               "4 fares have no fare rule and are -1"}));
    }
}

TEST(GtfsImport, OldStyleReadingsAreSpokenAndTheBoardKeepsTheWrittenName) {
    Tables t = baseFeed();
    t["translations.txt"] = "trans_id,lang,translation\n二の橋,ja,二の橋\n二の橋,ja-Hrkt,にのはし\n"
                            "終点前,ja-Hrkt,しゅうてんまえ\n終点前,en,Shutemmae\n";
    const Imported i = import(t);
    EXPECT_EQ(i.names, kBaseNames);
    EXPECT_EQ(i.tape, (QStringList{"このバスは、しゅうてんまえ行きです。|0|1", "次は、にのはしです。|1|2",
                                   "次は、三の橋です。|1|2", "次は、しゅうてんまえです。|1|2"}));
}

TEST(GtfsImport, NewStyleReadingsByRecordIdAndFieldValueAndTheHeadsign) {
    Tables t = baseFeed();
    t["trips.txt"].replace("R1,wd,T1,,0", "R1,wd,T1,駅前行,0");
    t["translations.txt"] = "table_name,field_name,language,translation,record_id,record_sub_id,field_value\n"
                            "stops,stop_name,ja-Hrkt,にのはし,P2,,\n"
                            "stops,stop_name,ja-Hrkt,さんのはし,,,三の橋\n"
                            "stops,stop_name,en,Sannohashi,,,三の橋\n"
                            "trips,trip_headsign,ja-Hrkt,えきまえゆき,T1,,\n";
    const Imported i = import(t);
    EXPECT_EQ(i.names, kBaseNames);
    EXPECT_EQ(i.tape, (QStringList{"このバスは、えきまえ行きです。|0|1", "次は、にのはしです。|1|2",
                                   "次は、さんのはしです。|1|2", "次は、終点前です。|1|2"}));
}

TEST(GtfsImport, FeedsWithBomCrLfQuotingReorderedAndUnknownColumnsAndEmptyOptionalFiles) {
    Tables t = baseFeed();
    t["stops.txt"] = "\xEF\xBB\xBF"
                     "stop_lat,parent_station,stop_id,location_type,stop_name,stop_lon\r\n"
                     "0,,P1,1,\"一の橋\",0\r\n0,P1,P1_A,0,,0\r\n"
                     "0,,P2,1,二の橋,0\r\n0,P2,\"P2_A\",0,二の橋,0\r\n"
                     "0,,P3,1,\"三の橋, \"\"北\"\"\",0\r\n0,P3,P3_A,0,,0\r\n"
                     "0,,P4,1,終点前,0\r\n0,P4,P4_A,0,,0\r\n";
    for (const char* name : {"trips.txt", "stop_times.txt", "fare_rules.txt"}) {
        t[name].replace("\n", "\r\n");
        t[name].prepend("\xEF\xBB\xBF");
    }
    t["translations.txt"] = "";
    t["fare_rider_categories.txt"] = "";
    const Imported i = import(t);
    ASSERT_TRUE(i.result.error.isEmpty()) << i.result.error.toStdString();
    EXPECT_EQ(i.names, (QStringList{"一の橋", "二の橋", "三の橋, \"北\"", "終点前"}));
    EXPECT_EQ(i.fares, kBaseFares);
    EXPECT_EQ(i.tape[2], QStringLiteral("次は、三の橋, ”北”です。|1|2"));
    EXPECT_TRUE(i.result.report.isEmpty()) << i.result.report.join('\n').toStdString();
}

// A trip of `stops` stops, all with boarding, under one fare for everything; its
// stop times last to first with `reversed`.
Tables longFeed(int stops, bool reversed = false) {
    Tables t = baseFeed();
    QByteArray s = "stop_id,stop_name\n";
    QByteArray st = "trip_id,stop_id,stop_sequence\n";
    for (int k = 1; k <= stops; ++k) {
        const int i = reversed ? stops + 1 - k : k;
        s += "S" + QByteArray::number(i) + ",停留所" + QByteArray::number(i) + "\n";
        st += "T1,S" + QByteArray::number(i) + "," + QByteArray::number(i) + "\n";
    }
    t["stops.txt"] = s;
    t["stop_times.txt"] = st;
    t["fare_rules.txt"] = "fare_id,route_id,origin_id,destination_id\nF170,,,\n";
    return t;
}

TEST(GtfsImportLimits, TicketNumbersAboveFiftyHaveNoFareColumn) {
    const Imported i = import(longFeed(53));
    ASSERT_TRUE(i.result.error.isEmpty());
    ASSERT_EQ(i.result.rows.size(), 53);
    EXPECT_EQ(i.result.ticketCount, 53);
    EXPECT_EQ(i.result.rows[52].TicketNumber, 53);
    EXPECT_EQ(i.result.rows[52].DataColumns[50], 170);
    EXPECT_EQ(i.result.rows[52].DataColumns[51], 0);
    EXPECT_EQ(i.result.report,
              QStringList{"ticket numbers 51..53 (issued from stop 51, 停留所51, on) have no fare "
                          "display on the board (it shows 1..50); their fares are left out"});
}

// Only the stop times a route file can hold are kept, the lowest stop_sequence values
// whatever the order of the rows.
TEST(GtfsImportLimits, StopsBeyondTheRouteFileAreCut) {
    for (const bool reversed : {false, true}) {
        const Imported i = import(longFeed(400, reversed));
        ASSERT_TRUE(i.result.error.isEmpty());
        EXPECT_EQ(i.result.rows.size(), 301);
        EXPECT_EQ(i.names.first(), QStringLiteral("停留所1"));
        EXPECT_EQ(i.result.feedStops, 400);
        EXPECT_EQ(i.result.tape.size(), 301);
        EXPECT_EQ(i.result.tape.last().Text, QStringLiteral("次は、停留所301です。"));
        ASSERT_EQ(i.result.report.size(), 2);
        EXPECT_EQ(i.result.report[0], QStringLiteral("trip T1 has 400 stops; a route file holds 301: stops "
                                                     "302..400 (停留所302 … 停留所400) are cut"));
        EXPECT_TRUE(i.result.report[1].startsWith(QStringLiteral("ticket numbers 51..301 ")));
    }
}

TEST(GtfsImport, ARepeatedStopSequenceKeepsTheFirstStopTime) {
    Tables t = baseFeed();
    t["stop_times.txt"] += "T1,08:20:00,08:20:00,P1_A,20,0,0\n"; // line 8: 20 is 二の橋 (line 4)
    Imported i = import(t);
    ASSERT_TRUE(i.result.error.isEmpty());
    EXPECT_EQ(i.names, kBaseNames);
    EXPECT_EQ(i.fares, kBaseFares);
    EXPECT_EQ(i.result.feedStops, 4);
    EXPECT_EQ(i.result.report,
              QStringList{"stop_times.txt:8: trip T1 repeats stop_sequence 20 (line 4); the first is kept"});

    // Past ten, only their count.
    for (int k = 0; k < 11; ++k)
        t["stop_times.txt"] += "T1,08:20:00,08:20:00,P4_A,40,0,0\n";
    i = import(t);
    ASSERT_EQ(i.result.report.size(), 11);
    EXPECT_EQ(
        i.result.report[9],
        QStringLiteral("stop_times.txt:17: trip T1 repeats stop_sequence 40 (line 5); the first is kept"));
    EXPECT_EQ(
        i.result.report[10],
        QStringLiteral("trip T1 repeats a stop_sequence in 2 more stop times; the first of each is kept"));
    EXPECT_EQ(i.names, kBaseNames);
}

// Control characters in names, headsigns and readings never reach the route file, the
// announcements or a terminal: dropped, and counted where they were.
TEST(GtfsImport, ControlCharactersInTheFeedsTextAreDropped) {
    Tables t = baseFeed();
    t["routes.txt"].replace("橋めぐり線", "橋\aめぐり線");
    t["stops.txt"].replace("P2_A,二の橋", "P2_A,二の\x1B橋").replace("P3,三の橋", "P3,三の\x7F橋\x01");
    t["trips.txt"].replace("R1,wd,T1,,0", "R1,wd,T1,駅前\xC2\x9B行,0"); // U+009B, a C1 control
    t["translations.txt"] =
        QByteArray("trans_id,lang,translation\n二の\x1B橋,ja-Hrkt,にの") + '\0' + "はし\n";
    const Imported i = import(t);
    ASSERT_TRUE(i.result.error.isEmpty()) << i.result.error.toStdString();
    EXPECT_EQ(i.names, kBaseNames);
    EXPECT_EQ(i.result.routeName, QStringLiteral("橋めぐり線"));
    EXPECT_EQ(i.tape, (QStringList{"このバスは、駅前行きです。|0|1", "次は、にのはしです。|1|2",
                                   "次は、三の橋です。|1|2", "次は、終点前です。|1|2"}));
    EXPECT_EQ(i.result.report, (QStringList{"dropped 1 control character from route names",
                                            "dropped 3 control characters from stop names",
                                            "dropped 1 control character from headsigns",
                                            "dropped 1 control character from readings"}));
}

TEST(GtfsImportLimits, ReportLinesOfOneKindStopAtTen) {
    Tables t = baseFeed();
    for (int k = 1; k <= 12; ++k) {
        t["fare_attributes.txt"] += "D" + QByteArray::number(k) + ",2,USD,0,0\n";
        t["fare_rules.txt"] += "X" + QByteArray::number(k) + ",R1,P1_A,P2_A\n";
    }
    t["fare_rules.txt"] += "X1,R1,P1_A,P3_A\n"; // a fare already named: no line of its own
    const Imported i = import(t);
    ASSERT_TRUE(i.result.error.isEmpty());
    EXPECT_EQ(i.fares, kBaseFares);
    ASSERT_EQ(i.result.report.size(), 22);
    EXPECT_EQ(i.result.report[9],
              QStringLiteral("fare_attributes.txt:14: fare D10 is in USD, not yen; ignored"));
    EXPECT_EQ(i.result.report[10],
              QStringLiteral("fare_attributes.txt: 2 more fares are ignored (not in yen, "
                             "or not a whole number of yen)"));
    EXPECT_EQ(
        i.result.report[20],
        QStringLiteral("fare_rules.txt:16: fare X10 is not in fare_attributes.txt; its rules are ignored"));
    EXPECT_EQ(i.result.report[21], QStringLiteral("fare_rules.txt: 2 more rules name fares that are not in "
                                                  "fare_attributes.txt; they are ignored"));
}

TEST(GtfsImportLimits, FaresTheBoardCannotShowOrDoubleOrHold) {
    Tables t = baseFeed();
    t["fare_attributes.txt"] = "fare_id,price,currency_type\nBIG,12000,JPY\nHUGE,20000.0,JPY\nMAX,40000,JPY\n"
                               "F170,170,JPY\nUSD,2,USD\nODD,12.5,JPY\n";
    t["fare_rules.txt"] =
        "fare_id,route_id,origin_id,destination_id\n"
        "BIG,R1,P1_A,P2_A\nHUGE,R1,P1_A,P3_A\nMAX,R1,P1_A,P4_A\nUSD,R1,P3_A,P4_A\nF170,R1,P3_A,P4_A\n"
        "NOPE,R1,P3_A,P4_A\n";
    const Imported i = import(t);
    ASSERT_TRUE(i.result.error.isEmpty());
    EXPECT_EQ(i.fares,
              (QList<QList<int>>{{0, 0, 0, 0}, {12000, 0, 0, 0}, {20000, 0, 0, 0}, {-1, 170, 0, 0}}));
    EXPECT_EQ(
        i.result.report,
        (QStringList{
            "fare_attributes.txt:6: fare USD is in USD, not yen; ignored",
            "fare_attributes.txt:7: fare ODD has the price \"12.5\", not a whole number of yen; ignored",
            "fare_rules.txt:5: fare USD is not in fare_attributes.txt; its rules are ignored",
            "fare_rules.txt:7: fare NOPE is not in fare_attributes.txt; its rules are ignored",
            "fare BIG (12000 yen, 1 fares, e.g. 一の橋 → 二の橋): above 9999, cannot be shown on the 4-place "
            "displays; kept as is",
            "fare HUGE (20000 yen, 1 fares, e.g. 一の橋 → 三の橋): above 16383, cannot be doubled for the "
            "late-night fare nor shown on the 4-place displays; kept as is",
            "fare MAX (40000 yen, 1 fares, e.g. 一の橋 → 終点前): above 32767, the route file cannot hold "
            "it; "
            "set to -1"}));
}

TEST(GtfsImportLimits, NamesShiftJisCannotHoldTakeTheClosestForm) {
    Tables t = baseFeed();
    t["stops.txt"].replace("P2_A,二の橋", "P2_A,ﬁ橋").replace("P4,終点前", "P4,𠮷野");
    const Imported i = import(t);
    ASSERT_TRUE(i.result.error.isEmpty());
    EXPECT_EQ(i.names, (QStringList{"一の橋", "fi橋", "三の橋", "〓野"}));
    EXPECT_EQ(i.result.report,
              (QStringList{"stop 2 (P2_A): \"ﬁ橋\" cannot be written in Shift_JIS; written as \"fi橋\"",
                           "stop 4 (P4_A): \"𠮷野\" cannot be written in Shift_JIS; written as \"〓野\""}));
    for (const TapeEntry& e : i.result.tape)
        EXPECT_TRUE(cp932::canEncode(e.Text)) << e.Text.toStdString();
}

struct Refusal {
    const char* name;
    std::function<void(Tables&)> change;
    ImportRequest request;
    const char* error;
};

class GtfsImportRefusals : public ::testing::TestWithParam<Refusal> {};

TEST_P(GtfsImportRefusals, NothingSensibleToWrite) {
    Tables t = baseFeed();
    GetParam().change(t);
    const Imported i = import(t, GetParam().request);
    EXPECT_EQ(i.result.error, QString::fromUtf8(GetParam().error));
    EXPECT_TRUE(i.result.rows.isEmpty());
}

ImportRequest trip(const char* id) {
    ImportRequest r;
    r.tripId = QString::fromUtf8(id);
    return r;
}
ImportRequest route(const char* id, int direction = -1) {
    ImportRequest r;
    r.routeId = QString::fromUtf8(id);
    r.direction = direction;
    return r;
}

INSTANTIATE_TEST_SUITE_P(
    Feeds, GtfsImportRefusals,
    ::testing::Values(
        Refusal{"MissingStops",
                [](Tables& t) { t.remove("stops.txt"); },
                {},
                "stops.txt: missing (a required table)"},
        Refusal{
            "EmptyTrips", [](Tables& t) { t["trips.txt"] = ""; }, {}, "trips.txt: empty (a required table)"},
        Refusal{"MissingColumn",
                [](Tables& t) { t["stop_times.txt"].replace("stop_sequence", "seq"); },
                {},
                "stop_times.txt: no column stop_sequence"},
        Refusal{"NotUtf8",
                [](Tables& t) { t["stops.txt"].replace("二の橋,1", "\x93\xF1,1"); },
                {},
                "stops.txt:4: not UTF-8 text"},
        Refusal{"OpenQuote",
                [](Tables& t) { t["routes.txt"].replace("R2,A,7", "\"R2,A,7"); },
                {},
                "routes.txt:3: field 1: the quoted field is not closed"},
        Refusal{"BadSequence",
                [](Tables& t) { t["stop_times.txt"].replace("P2_A,20", "P2_A,x"); },
                {},
                "stop_times.txt:4: stop_sequence \"x\" is not a whole number"},
        Refusal{"OneStop", [](Tables& t) { t["stop_times.txt"].replace("T2,09:15", "TX,09:15"); }, trip("T2"),
                "trip T2 has 1 stops; a route needs at least 2"},
        Refusal{"UnknownTrip", [](Tables&) {}, trip("T9"), "trip T9 is not in trips.txt"},
        Refusal{"UnknownRoute", [](Tables&) {}, route("R9"), "route R9 is not in routes.txt"},
        Refusal{"RouteWithoutTrips", [](Tables&) {}, route("R2"), "route R2 has no trips"},
        Refusal{"NoTripInDirection", [](Tables& t) { t["trips.txt"].replace("T2,,1", "T2,,0"); },
                route("R1", 1), "route R1 has no trips in direction 1"}),
    [](const auto& info) { return std::string(info.param.name); });

TEST(GtfsImport, ARouteGivesItsLongestTripOrItsTripInOneDirection) {
    EXPECT_EQ(import(baseFeed(), route("R1")).result.tripId, QStringLiteral("T1"));
    const Imported back = import(baseFeed(), route("R1", 1));
    EXPECT_EQ(back.result.tripId, QStringLiteral("T2"));
    EXPECT_EQ(back.names, (QStringList{"終点前", "一の橋"}));
}

TEST(GtfsImport, RouteNumbers) {
    const struct {
        const char* id;
        const char* shortName;
        int number;
    } cases[] = {{"100310", "", 310}, {"R1", "12系統", 12}, {"109000", "", 9000}, {"R-7", "", 7},
                 {"X", "快速", 0},    {"100000", "", 0},    {"R1", "123456", 1}};
    for (const auto& c : cases) {
        const int n = deriveRouteNumber(QString::fromUtf8(c.id), QString::fromUtf8(c.shortName));
        if (c.number > 0) {
            EXPECT_EQ(n, c.number) << c.id;
        } else { // a hash: in range, and the same every time
            EXPECT_GE(n, 1);
            EXPECT_LE(n, MaxRouteNumber);
            EXPECT_EQ(n, deriveRouteNumber(QString::fromUtf8(c.id), QString::fromUtf8(c.shortName)));
        }
    }
}

TEST(GtfsImport, ListsRoutesWithTripsAndStopsPerTrip) {
    QTemporaryDir dir;
    const auto feed = [&] {
        QString error;
        return GtfsFeed::open(writeFolder(dir.path(), baseFeed()), error);
    }();
    const ListResult list = listRoutes(*feed);
    ASSERT_TRUE(list.error.isEmpty());
    ASSERT_EQ(list.routes.size(), 2);
    EXPECT_EQ(list.routes[0].routeId, QStringLiteral("R1"));
    EXPECT_EQ(list.routes[0].trips, 2);
    EXPECT_EQ(list.routes[0].minStops, 2);
    EXPECT_EQ(list.routes[0].maxStops, 4);
    EXPECT_EQ(list.routes[1].name, QStringLiteral("7 予備線"));
    EXPECT_EQ(list.routes[1].number, 7);
    EXPECT_EQ(list.routes[1].trips, 0);
}

// ---------------------------------------------------------------- the feed reader

TEST(GtfsFeedReader, AZipArchiveWithTablesInAFolderReadsAsTheFolderDoes) {
    QTemporaryDir dir;
    const QString zipPath = dir.filePath("feed.zip");
    writeZip(zipPath, baseFeed(), "feed/");
    QString error;
    const auto feed = GtfsFeed::open(zipPath, error);
    ASSERT_TRUE(feed) << error.toStdString();
    EXPECT_TRUE(feed->isArchive());
    ImportRequest request;
    request.tripId = QStringLiteral("T1");
    const ImportResult r = importTrip(*feed, request);
    ASSERT_TRUE(r.error.isEmpty()) << r.error.toStdString();
    EXPECT_EQ(r.rows, import(baseFeed()).result.rows);
    EXPECT_EQ(feed->read("shapes.txt").status, TableBytes::Status::Missing);
}

TEST(GtfsFeedReader, RefusesWhatIsNoFeedAndTablesBeyondTheCap) {
    QTemporaryDir dir;
    const QString folder = writeFolder(dir.filePath("f"), baseFeed());
    const QString fifo = dir.filePath("pipe");
    ASSERT_EQ(mkfifo(QFile::encodeName(fifo).constData(), 0600), 0);
    QString error;
    EXPECT_FALSE(GtfsFeed::open(fifo, error));
    EXPECT_EQ(error, fifo + ": not a folder or a regular file");
    EXPECT_FALSE(GtfsFeed::open(dir.filePath("none"), error));
    EXPECT_EQ(error, dir.filePath("none") + ": no such file or folder");
    const QString text = QDir(folder).filePath("stops.txt");
    EXPECT_FALSE(GtfsFeed::open(text, error));
    EXPECT_EQ(error, text + ": not a folder or a zip archive");

    // A table that is a pipe is refused, never read.
    ASSERT_TRUE(QFile::remove(QDir(folder).filePath("trips.txt")));
    ASSERT_EQ(mkfifo(QFile::encodeName(QDir(folder).filePath("trips.txt")).constData(), 0600), 0);
    const auto feed = GtfsFeed::open(folder, error, TableCaps{200});
    ASSERT_TRUE(feed);
    const TableBytes pipe = feed->read("trips.txt");
    EXPECT_EQ(pipe.status, TableBytes::Status::Refused);
    EXPECT_EQ(pipe.problem, QStringLiteral("trips.txt: not a regular file; refused"));
    const TableBytes big = feed->read("stop_times.txt");
    EXPECT_EQ(big.status, TableBytes::Status::Refused);
    EXPECT_EQ(big.problem, QStringLiteral("stop_times.txt: larger than 200 bytes; refused"));
    EXPECT_EQ(feed->read("routes.txt").status, TableBytes::Status::Ok);

    const QString zipPath = dir.filePath("feed.zip");
    writeZip(zipPath, baseFeed(), "");
    const auto zipped = GtfsFeed::open(zipPath, error, TableCaps{200});
    ASSERT_TRUE(zipped);
    EXPECT_EQ(zipped->read("stop_times.txt").problem,
              QStringLiteral("stop_times.txt: larger than 200 bytes; refused"));
    EXPECT_EQ(zipped->read("routes.txt").bytes, baseFeed()["routes.txt"]);
}

// A table takes memory for its own size: a cap far beyond any memory still reads it.
TEST(GtfsFeedReader, ATableTakesMemoryForItsSizeNotForTheCap) {
    constexpr qint64 kHugeCap = qint64(1) << 50;
    QTemporaryDir dir;
    const QString folder = writeFolder(dir.filePath("f"), baseFeed());
    const QString zipPath = dir.filePath("feed.zip");
    writeZip(zipPath, baseFeed(), "");
    for (const QString& path : {folder, zipPath}) {
        QString error;
        const auto feed = GtfsFeed::open(path, error, TableCaps{kHugeCap});
        ASSERT_TRUE(feed) << error.toStdString();
        const TableBytes routes = feed->read("routes.txt");
        EXPECT_EQ(routes.status, TableBytes::Status::Ok) << path.toStdString();
        EXPECT_EQ(routes.bytes, baseFeed()["routes.txt"]) << path.toStdString();
    }
}

// ---------------------------------------------------------------- feeds made to exhaust the reader

// A table of a head and a line repeated: millions of rows, made while libzip
// compresses them and never held whole.
struct Repeated {
    QByteArray head;
    QByteArray line;
    qint64 times = 0;
    qint64 size() const { return head.size() + line.size() * times; }
    QByteArray whole() const { return head + line.repeated(times); }
};

struct RepeatedSource {
    Repeated text;
    qint64 pos = 0;
    zip_error_t error;
};

zip_int64_t readRepeated(void* state, void* data, zip_uint64_t len, zip_source_cmd_t cmd) {
    auto* s = static_cast<RepeatedSource*>(state);
    switch (cmd) {
    case ZIP_SOURCE_OPEN:
        s->pos = 0;
        return 0;
    case ZIP_SOURCE_READ: {
        char* out = static_cast<char*>(data);
        zip_int64_t n = 0;
        const Repeated& t = s->text;
        while (n < zip_int64_t(len) && s->pos < t.size()) {
            const QByteArray& from = s->pos < t.head.size() ? t.head : t.line;
            const qint64 at = s->pos < t.head.size() ? s->pos : (s->pos - t.head.size()) % t.line.size();
            const qint64 k = std::min<qint64>(from.size() - at, qint64(len) - n);
            std::memcpy(out + n, from.constData() + at, size_t(k));
            n += k;
            s->pos += k;
        }
        return n;
    }
    case ZIP_SOURCE_CLOSE:
        return 0;
    case ZIP_SOURCE_STAT: {
        auto* st = static_cast<zip_stat_t*>(data);
        zip_stat_init(st);
        st->size = zip_uint64_t(s->text.size());
        st->valid |= ZIP_STAT_SIZE;
        return sizeof(zip_stat_t);
    }
    case ZIP_SOURCE_ERROR:
        return zip_error_to_data(&s->error, data, len);
    case ZIP_SOURCE_FREE:
        zip_error_fini(&s->error);
        delete s;
        return 0;
    case ZIP_SOURCE_SUPPORTS:
        return zip_source_make_command_bitmap(ZIP_SOURCE_OPEN, ZIP_SOURCE_READ, ZIP_SOURCE_CLOSE,
                                              ZIP_SOURCE_STAT, ZIP_SOURCE_ERROR, ZIP_SOURCE_FREE, -1);
    default:
        return -1;
    }
}

// The tables as a zip archive, `name` made of `text` and compressed with `method`.
void writeZipWith(const QString& path, const Tables& tables, const QString& name, const Repeated& text,
                  zip_int32_t method) {
    Tables others = tables;
    others.remove(name);
    writeZip(path, others, "");
    int error = 0;
    zip_t* z = zip_open(QFile::encodeName(path).constData(), 0, &error);
    ASSERT_NE(z, nullptr);
    auto* state = new RepeatedSource{text, 0, {}};
    zip_error_init(&state->error);
    zip_source_t* src = zip_source_function(z, readRepeated, state);
    ASSERT_NE(src, nullptr);
    const zip_int64_t index = zip_file_add(z, name.toUtf8().constData(), src, ZIP_FL_ENC_UTF_8);
    ASSERT_GE(index, 0);
    ASSERT_EQ(zip_set_file_compression(z, zip_uint64_t(index), method, 0), 0);
    ASSERT_EQ(zip_close(z), 0);
}

// Makes the archive state `size` as the uncompressed size of `name`, in its local
// header and in its central directory entry.
void stateSize(const QString& path, const QByteArray& name, quint32 size) {
    QFile f(path);
    ASSERT_TRUE(f.open(QIODevice::ReadWrite));
    QByteArray bytes = f.readAll();
    const auto u16 = [&](qsizetype at) { return qsizetype(uchar(bytes[at]) | uchar(bytes[at + 1]) << 8); };
    const struct {
        const char* signature;
        int sizeAt, nameLengthAt, nameAt;
    } headers[] = {{"PK\3\4", 22, 26, 30}, {"PK\1\2", 24, 28, 46}};
    int patched = 0;
    for (const auto& h : headers) {
        for (qsizetype at = bytes.indexOf(h.signature); at >= 0; at = bytes.indexOf(h.signature, at + 4)) {
            if (bytes.mid(at + h.nameAt, u16(at + h.nameLengthAt)) != name)
                continue;
            for (int k = 0; k < 4; ++k)
                bytes[at + h.sizeAt + k] = char(size >> (8 * k));
            ++patched;
        }
    }
    ASSERT_EQ(patched, 2);
    f.seek(0);
    f.write(bytes);
}

const QByteArray kStopTimesHead = "trip_id,stop_id,stop_sequence\nT1,P1_A,1\nT1,P2_A,2\n";

struct Bomb {
    const char* name;
    const char* table;
    Repeated text;
    TableCaps caps;     // {}: the caps of every import
    const char* error;  // %1: the table's size, %2: the size the archive states
    qint64 stated = -1; // the size the archive states, when it lies
    zip_int32_t method = ZIP_CM_DEFLATE;
    bool folder = false; // a folder of tables, not an archive
};

void PrintTo(const Bomb& b, std::ostream* os) {
    *os << b.name;
}

class GtfsFeedBombs : public ::testing::TestWithParam<Bomb> {};

// Each is refused as soon as it passes a cap, long before it is read whole.
TEST_P(GtfsFeedBombs, AreRefused) {
    const Bomb& b = GetParam();
    if (!zip_compression_method_supported(b.method, 1))
        GTEST_SKIP() << "libzip cannot compress with method " << b.method;
    QTemporaryDir dir;
    const QString table = QString::fromLatin1(b.table);
    QString path = dir.filePath("feed.zip");
    if (b.folder) {
        Tables t = baseFeed();
        t[table] = b.text.whole();
        path = writeFolder(dir.filePath("feed"), t);
    } else {
        writeZipWith(path, baseFeed(), table, b.text, b.method);
        if (b.stated >= 0)
            stateSize(path, b.table, quint32(b.stated));
    }
    QString error;
    const auto feed = GtfsFeed::open(path, error, b.caps);
    ASSERT_TRUE(feed) << error.toStdString();
    ImportRequest request;
    request.tripId = QStringLiteral("T1");
    const ImportResult r = importTrip(*feed, request);
    EXPECT_EQ(r.error, QString::fromUtf8(b.error)
                           .replace("%1", QString::number(b.text.size()))
                           .replace("%2", QString::number(b.stated)));
    EXPECT_TRUE(r.rows.isEmpty());
}

INSTANTIATE_TEST_SUITE_P(Feeds, GtfsFeedBombs,
                         ::testing::Values(
                             // One row 5 000 001 times: 50 MB in an archive of a few hundred kilobytes.
                             Bomb{"RepeatedRow",
                                  "stop_times.txt",
                                  {kStopTimesHead, "T1,P3_A,3\n", 5'000'001},
                                  {},
                                  "stop_times.txt: more than 5000000 rows; refused"},
                             // A line of 100 MB: refused once 1 MB of it is read.
                             Bomb{"LineWithoutEnd",
                                  "stop_times.txt",
                                  {"trip_id,stop_id,stop_sequence\nT1,", "x", 100'000'000},
                                  {},
                                  "stop_times.txt:2: a line longer than 1 MB; refused"},
                             Bomb{"OptionalTableBeyondItsRows",
                                  "fare_rules.txt",
                                  {"fare_id\n", "F170\n", 1001},
                                  {.rows = 1000},
                                  "fare_rules.txt: more than 1000 rows; refused"},
                             Bomb{"BeyondTheByteCap",
                                  "stop_times.txt",
                                  {kStopTimesHead, "T1,P3_A,3\n", 10'000},
                                  {.bytes = 65536},
                                  "stop_times.txt: larger than 64 KB; refused"},
                             Bomb{"BeyondTheByteCapInAFolder",
                                  "stop_times.txt",
                                  {kStopTimesHead, "T1,P3_A,3\n", 10'000},
                                  {.bytes = 65536},
                                  "stop_times.txt: larger than 64 KB; refused",
                                  -1,
                                  ZIP_CM_DEFLATE,
                                  true},
                             Bomb{"MoreThanTheArchiveStates",
                                  "stop_times.txt",
                                  {kStopTimesHead, "T1,P3_A,3\n", 10'000},
                                  {},
                                  "stop_times.txt: holds more than the %2 bytes the archive states; refused",
                                  1000},
                             Bomb{"LessThanTheArchiveStates",
                                  "stop_times.txt",
                                  {kStopTimesHead, "T1,P3_A,3\n", 10},
                                  {},
                                  "stop_times.txt: holds %1 bytes, not the %2 the archive states; refused",
                                  1000},
                             Bomb{"Bzip2",
                                  "stop_times.txt",
                                  {kStopTimesHead, "T1,P3_A,3\n", 10},
                                  {},
                                  "stop_times.txt: compressed with bzip2, not deflate; refused",
                                  -1,
                                  ZIP_CM_BZIP2}),
                         [](const auto& info) { return std::string(info.param.name); });

// ---------------------------------------------------------------- the command

TEST(GtfsImportCommand, WritesTheRouteFileAndTheAnnouncementList) {
    QTemporaryDir dir;
    const QString feed = writeFolder(dir.filePath("feed"), baseFeed());
    const QString out = dir.filePath("out/sub");
    const CliRun r = run({feed, "--route", "R1", "-o", out});
    ASSERT_EQ(r.status, 0) << r.err.toStdString();
    EXPECT_EQ(r.err, QString());
    const QString hy3 = QDir(out).filePath("1.hy3");
    const QString tp = QDir(out).filePath("1tp.csv");
    EXPECT_EQ(r.out, QStringLiteral("trip T1 of route R1 (橋めぐり線): 4 stops, 2 ticket numbers\n"
                                    "route number 1 (derived from the route; --number chooses another)\n"
                                    "wrote %1 (4 stops)\nwrote %2 (4 announcements)\n"
                                    "wrote %3 (destination sign: 終点前)\n")
                         .arg(hy3, tp, QDir(out).filePath("1.sign")));
    const DataIo::RouteFileContents file = DataIo::parseRouteFile(readFile(hy3));
    EXPECT_EQ(file.count, 4);
    EXPECT_EQ(file.records, import(baseFeed()).result.rows);
    const QByteArray tape = readFile(tp);
    EXPECT_EQ(tape,
              cp932::encode(QStringLiteral("このバスは、終点前行きです。,0,1\r\n次は、二の橋です。,1,2\r\n"
                                           "次は、三の橋です。,1,2\r\n次は、終点前です。,1,2\r\n")));
    const TapeListLoad back = tapelist::read(tape);
    ASSERT_TRUE(back.ok);
    ASSERT_EQ(back.entries.size(), 4);
    EXPECT_EQ(back.entries[1].Text, QStringLiteral("次は、二の橋です。"));

    const CliRun numbered = run({feed, "--trip", "T1", "--number", "0042", "-o", out});
    ASSERT_EQ(numbered.status, 0);
    EXPECT_TRUE(numbered.out.contains("route number 42\n"));
    EXPECT_TRUE(QFile::exists(QDir(out).filePath("42tp.csv")));
}

TEST(GtfsImportCommand, ARefusedImportLeavesTheOldFilesAsTheyWere) {
    QTemporaryDir dir;
    Tables t = baseFeed();
    t.remove("stops.txt");
    const QString feed = writeFolder(dir.filePath("feed"), t);
    writeFolder(dir.filePath("out"), {{"1.hy3", "old"}, {"1tp.csv", "old"}});
    const CliRun r = run({feed, "--trip", "T1", "-o", dir.filePath("out")});
    EXPECT_EQ(r.status, 2);
    EXPECT_EQ(r.err, QStringLiteral("error: stops.txt: missing (a required table)\n"));
    EXPECT_EQ(readFile(dir.filePath("out/1.hy3")), "old");
    EXPECT_EQ(readFile(dir.filePath("out/1tp.csv")), "old");
    EXPECT_EQ(QDir(dir.filePath("out")).entryList(QDir::Files).size(), 2);
}

TEST(GtfsImportCommand, ABombIsRefusedAndWritesNothing) {
    QTemporaryDir dir;
    const QString feed = dir.filePath("bomb.zip");
    writeZipWith(feed, baseFeed(), "stop_times.txt", {kStopTimesHead, "T1,P3_A,3\n", 5'000'001},
                 ZIP_CM_DEFLATE);
    writeFolder(dir.filePath("out"), {{"1.hy3", "old"}, {"1tp.csv", "old"}});
    const CliRun r = run({feed, "--trip", "T1", "-o", dir.filePath("out")});
    EXPECT_EQ(r.status, 2);
    EXPECT_EQ(r.err, QStringLiteral("error: stop_times.txt: more than 5000000 rows; refused\n"));
    EXPECT_EQ(r.out, QString());
    EXPECT_EQ(readFile(dir.filePath("out/1.hy3")), "old");
    EXPECT_EQ(QDir(dir.filePath("out")).entryList(QDir::Files).size(), 2);
}

// An id may hold what a terminal takes for a command; the command shows it as \xNN.
TEST(GtfsImportCommand, ControlCharactersReachNoTerminal) {
    QTemporaryDir dir;
    Tables t = baseFeed();
    t["stop_times.txt"].replace("T1,08:05:00,08:05:00,P2_A", "T1,08:05:00,08:05:00,P\x1B[2J");
    const QString feed = writeFolder(dir.filePath("feed"), t);
    const CliRun r = run({feed, "--trip", "T1", "-o", dir.filePath("out")});
    EXPECT_EQ(r.status, 0);
    EXPECT_TRUE(r.err.startsWith(
        "warning: stop_times.txt:4: stop P\\x1B[2J is not in stops.txt; the stop is left out\n"))
        << r.err.toStdString();
    const CliRun unknown =
        run({feed, "--trip", QStringLiteral("T") + QChar(0x9B), "-o", dir.filePath("out")});
    EXPECT_EQ(unknown.err, QStringLiteral("error: trip T\\x9B is not in trips.txt\n"));
}

TEST(GtfsImportCommand, ListAndUsage) {
    QTemporaryDir dir;
    const QString feed = writeFolder(dir.filePath("feed"), baseFeed());
    const CliRun list = run({feed, "--list"});
    EXPECT_EQ(list.status, 0);
    EXPECT_EQ(list.out, QStringLiteral("route_id\tname\ttrips\tstops per trip\tnumber\n"
                                       "R1\t橋めぐり線\t2\t2-4\t1\n"
                                       "R2\t7 予備線\t0\t0\t7\n"));
    EXPECT_TRUE(run({"--help"}).out.startsWith("usage: corvane route import-gtfs FEED --list\n"));
    const struct {
        QStringList args;
        const char* err;
    } usage[] = {
        {{}, "no feed given"},
        {{feed, "--trip", "T1"}, "no output folder given (-o FOLDER)"},
        {{feed, "-o", "x"},
         "choose a trip with --trip or a route with --route, or --all (--list shows them)"},
        {{feed, "--all", "--route", "R1", "-o", "x"},
         "--all imports every route: not with --trip, --route or --number"},
        {{feed, "--first-number", "5", "--trip", "T1", "-o", "x"}, "--first-number goes with --all"},
        {{feed, "--all", "--first-number", "0", "-o", "x"},
         "--first-number takes a route number 1..99999, not \"0\""},
        {{feed, "--trip", "T1", "--route", "R1", "-o", "x"}, "give --trip or --route, not both"},
        {{feed, "--trip", "T1", "--direction", "1", "-o", "x"}, "--direction goes with --route"},
        {{feed, "--route", "R1", "--direction", "2"}, "--direction takes 0 or 1, not \"2\""},
        {{feed, "--number", "100000"}, "--number takes a route number 1..99999, not \"100000\""},
        {{feed, "--number", "-5"}, "--number takes a route number 1..99999, not \"-5\""},
        {{feed, "--trip"}, "--trip needs a value"},
        {{feed, "--bogus"}, "unknown option --bogus"},
        {{feed, feed}, "too many arguments"},
    };
    for (const auto& u : usage) {
        const CliRun r = run(u.args);
        EXPECT_EQ(r.status, 2) << u.err;
        EXPECT_EQ(r.err, QStringLiteral("error: %1 (see corvane route import-gtfs --help)\n").arg(u.err));
    }
    const CliRun nofeed = run({dir.filePath("none"), "--list"});
    EXPECT_EQ(nofeed.status, 2);
    EXPECT_EQ(nofeed.err, QStringLiteral("error: %1: no such file or folder\n").arg(dir.filePath("none")));
}

} // namespace
