#include "route/RouteOperation.h"

#include <gtest/gtest.h>

namespace {

using namespace routeop;

DataIo::RouteRow rowWith(std::initializer_list<std::pair<int, qint16>> columns, qint16 ticket = 0) {
    DataIo::RouteRow row;
    row.TicketNumber = ticket;
    for (const auto& [c, v] : columns)
        row.DataColumns[c] = v;
    return row;
}

TEST(RouteEntry, SectionsAreClampedAsEntered) {
    struct Case {
        const char* text;
        qint16 section;
    };
    for (const Case& c :
         {Case{"", 1}, Case{"0", 1}, Case{"000", 1}, Case{"003", 3}, Case{"3", 3}, Case{"300", 300},
          Case{"301", 300}, Case{"999", 300}, Case{"12a", 12}, Case{"a12", 1}, Case{"99999999999", 300}})
        EXPECT_EQ(clampSection(QString::fromLatin1(c.text)), c.section) << c.text;
}

TEST(RouteEntry, KeypadStopsAtTheDisplayLength) {
    QString route;
    for (int d : {1, 2, 3, 4, 5, 6})
        route = appendDigit(route, kRouteDigits, d);
    EXPECT_EQ(route, QStringLiteral("12345"));
    QString section;
    for (int d : {9, 9, 9, 9})
        section = appendDigit(section, kSectionDigits, d);
    EXPECT_EQ(section, QStringLiteral("999"));
    EXPECT_EQ(appendDigit(QStringLiteral("00"), kRouteDigits, 0), QStringLiteral("000"));
}

TEST(RouteEntry, WheelsWithoutSelectionAddNothing) {
    EXPECT_EQ(joinWheels({"0", "0", "0", "1", "2"}), QStringLiteral("00012"));
    EXPECT_EQ(joinWheels({"", "0", "", "1", ""}), QStringLiteral("01"));
    EXPECT_EQ(joinWheels({"", "", ""}), QString());
}

TEST(Stepping, StaysWithinTheLoadedRows) {
    EXPECT_FALSE(stepTarget(0, 5, false));
    EXPECT_EQ(stepTarget(1, 5, false), std::optional<qint16>(0));
    EXPECT_EQ(stepTarget(3, 5, true), std::optional<qint16>(4));
    EXPECT_FALSE(stepTarget(4, 5, true));
    EXPECT_FALSE(stepTarget(0, 0, true)); // nothing loaded
    EXPECT_FALSE(stepTarget(7, 5, true)); // never beyond the rows
}

TEST(Stepping, SoundFixedOrChosenByColumn) {
    StepSounds s;
    s.fixed = QStringLiteral("step.wav");
    s.byValue = {QStringLiteral("one.wav"), QStringLiteral("two.wav"), QStringLiteral("three.wav")};
    s.column = 101;
    EXPECT_EQ(stepSound(s, rowWith({{101, 2}})), QStringLiteral("step.wav"));
    s.always = false;
    EXPECT_EQ(stepSound(s, rowWith({{101, 1}})), QStringLiteral("one.wav"));
    EXPECT_EQ(stepSound(s, rowWith({{101, 2}})), QStringLiteral("two.wav"));
    EXPECT_EQ(stepSound(s, rowWith({{101, 3}})), QStringLiteral("three.wav"));
    EXPECT_EQ(stepSound(s, rowWith({{101, 0}})), QString());
    EXPECT_EQ(stepSound(s, rowWith({{101, 4}})), QString());
    EXPECT_EQ(stepSound(s, rowWith({{101, -1}})), QString());
}

qint32 numberAt(const QVector<DisplayWrite>& writes, int display) {
    qint32 last = -999;
    for (const DisplayWrite& w : writes)
        if (w.display == display && !w.isText)
            last = w.number;
    return last;
}

TEST(BoardUpdate, FaresFromTheSectionOn) {
    const auto row = rowWith({{1, 100}, {2, 110}, {3, 120}, {50, 500}});
    const auto writes = boardWrites(row, 4, 3, false, InfoValues{}, QStringLiteral("12"));
    ASSERT_EQ(writes.size(), 48);
    EXPECT_EQ(writes.first().display, 3);
    EXPECT_EQ(writes.first().number, 120);
    EXPECT_EQ(numberAt(writes, 50), 500);
    EXPECT_EQ(numberAt(writes, 1), -999);
    EXPECT_TRUE(boardWrites(row, 4, 60, false, InfoValues{}, QString()).isEmpty());
}

TEST(BoardUpdate, LateNightDoublesFaresButNeverMinusOne) {
    const auto row = rowWith({{1, 230}, {2, -1}, {3, 0}, {4, 16383}, {5, 16384}, {6, -16385}});
    const auto writes = boardWrites(row, 1, 1, true, InfoValues{}, QString());
    EXPECT_EQ(numberAt(writes, 1), 460);
    EXPECT_EQ(numberAt(writes, 2), -1);
    EXPECT_EQ(numberAt(writes, 3), 0);
    EXPECT_EQ(numberAt(writes, 4), 32766);
    // What does not fit in 16 bits shows a row of dashes; the update goes on.
    EXPECT_TRUE(writes[4].isText);
    EXPECT_EQ(writes[4].text, kUnshowableFare);
    EXPECT_TRUE(writes[5].isText);
    EXPECT_EQ(numberAt(writes, 7), 0);
    EXPECT_EQ(lateNightFare(16383), 32766);
    EXPECT_EQ(lateNightFare(-16384), -32768);
    EXPECT_EQ(lateNightFare(16384), std::nullopt);
    EXPECT_EQ(lateNightFare(-16385), std::nullopt);
}

TEST(BoardUpdate, InformationValuesComeLastInTheirOrder) {
    InfoValues info;
    info.stopOrderShow = true;
    info.stopOrderCell = 0;
    info.stopOrderFromZero = true;
    info.ticketNumberShow = true;
    info.ticketNumberCell = 1;
    info.routeNumberShow = true;
    info.routeNumberCell = 2;
    info.dataColumnShow = true;
    info.dataColumn = 149;
    info.dataColumnCell = 2; // shares a display with the route number: it wins
    const auto row = rowWith({{1, 170}, {150, 42}}, 9);
    const auto writes = boardWrites(row, 1, 1, true, info, QStringLiteral("00012"));
    ASSERT_EQ(writes.size(), 54);
    EXPECT_EQ(writes[50], (DisplayWrite{1, false, 0, QString()}));              // row 1 counted from 0
    EXPECT_EQ(writes[51], (DisplayWrite{2, false, 9, QString()}));              // ticket number, not doubled
    EXPECT_EQ(writes[52], (DisplayWrite{3, true, 0, QStringLiteral("00012")})); // as entered
    EXPECT_EQ(writes[53], (DisplayWrite{3, false, 42, QString()}));
    info.stopOrderFromZero = false;
    EXPECT_EQ(boardWrites(row, 7, 1, false, info, QString())[50].number, 7);
}

TEST(BoardUpdate, TicketDateAndTimeForms) {
    EXPECT_EQ(ticketDate(QDate(2024, 3, 5)), QStringLiteral("03-05-2024"));
    EXPECT_EQ(ticketTime(QTime(7, 4, 9)), QStringLiteral("07:04:09"));
}

} // namespace
