#include "RouteTestBytes.h"
#include "route/DataIo.h"

#include <QCoreApplication>
#include <QDir>
#include <QFile>
#include <QTemporaryDir>
#include <gtest/gtest.h>
#include <sys/stat.h>
#include <utility>

using namespace DataIo;
using routetest::numberedRoute;
using routetest::record;

namespace {

// The route state the tests load into, under the names the console reads it by.
RouteState state;
FareTableArray& FareTable = state.FareTable;
QString& RouteNumber = state.RouteNumber;
qint16& SectionNumber = state.SectionNumber;
qint16& RowCount = state.RowCount;
qint16& CurrentStop = state.CurrentStop;

class DataIoTest : public ::testing::Test {
protected:
    void SetUp() override {
        QCoreApplication::setApplicationName(QStringLiteral("508"));
        ResetRouteData(state);
        ASSERT_TRUE(dir.isValid());
        folder = dir.path();
    }
    void TearDown() override { ResetRouteData(state); }

    void writeFile(const QString& name, const QByteArray& bytes) {
        QFile f(dir.filePath(name));
        ASSERT_TRUE(f.open(QIODevice::WriteOnly));
        ASSERT_EQ(f.write(bytes), bytes.size());
    }

    // Loads as the console does and keeps the message of a rejected load.
    LoadStatus load(const QString& fareFolder, const QString& route, int section) {
        const LoadResult result = LoadRoute(state, fareFolder, route, section);
        EXPECT_EQ(result.loaded(), result.message.isEmpty());
        if (!result.message.isEmpty())
            shown << result.message;
        return result.status;
    }

    // The messages of the loads since the last call.
    QStringList messages() { return std::exchange(shown, {}); }

    QStringList shown;

    QTemporaryDir dir;
    QString folder;
};

// ---- file name and path -------------------------------------------------------

struct PathCase {
    const char* folder;
    const char* route;
    const char* path;
};

void PrintTo(const PathCase& c, std::ostream* os) {
    *os << c.folder;
}

class RoutePath : public ::testing::TestWithParam<PathCase> {};

TEST_P(RoutePath, Builds) {
    const PathCase& c = GetParam();
    EXPECT_EQ(RouteFilePath(QString::fromUtf8(c.folder), QString::fromUtf8(c.route)),
              QString::fromUtf8(c.path));
}

INSTANTIATE_TEST_SUITE_P(Cases, RoutePath,
                         ::testing::Values(PathCase{"/data", "00012", "/data/12.hy3"},
                                           PathCase{"/data/", "00012", "/data/12.hy3"},
                                           PathCase{"D:\\data\\", "12", "D:\\data\\12.hy3"},
                                           PathCase{"", "12", "12.hy3"}, PathCase{"", "007", "7.hy3"},
                                           PathCase{"", "", "0.hy3"}, PathCase{"x", "00000", "x/0.hy3"},
                                           PathCase{"x", "99999", "x/99999.hy3"},
                                           PathCase{"x", "10", "x/10.hy3"}, PathCase{"x", "12a", "x/12.hy3"},
                                           PathCase{"x", "a1", "x/0.hy3"}, PathCase{"x", "../5", "x/0.hy3"}));

// ---- the table ------------------------------------------------------------------

TEST_F(DataIoTest, TableAndColumnsRefuseIndicesOutsideTheirRange) {
    EXPECT_NO_THROW(FareTable[1]);
    EXPECT_NO_THROW(FareTable[301]);
    for (int row : {0, -1, 302}) {
        try {
            FareTable[row];
            ADD_FAILURE() << "row " << row;
        } catch (const FareTableError& e) {
            EXPECT_EQ(e.kind(), FareTableError::Kind::OutOfRange);
            EXPECT_EQ(e.number(), 9);
        }
    }
    EXPECT_NO_THROW(FareTable[1].DataColumns[150]);
    EXPECT_THROW(FareTable[1].DataColumns[0], FareTableError);
    EXPECT_THROW(FareTable[1].DataColumns[151], FareTableError);
}

TEST_F(DataIoTest, SetFareCellStoresEachColumnWhereItBelongs) {
    SetFareCell(FareTable, 5, 1, QStringLiteral("市役所前"));
    SetFareCell(FareTable, 5, 2, 12);
    SetFareCell(FareTable, 5, 3, 230);
    SetFareCell(FareTable, 5, 152, -1);
    SetFareCell(FareTable, 301, 1, QByteArray("\x88\xA0"));
    SetFareCell(FareTable, 301, 4, QStringLiteral("-32768"));
    const RouteRow& r = FareTable[5];
    EXPECT_EQ(r.StopName, QStringLiteral("市役所前"));
    EXPECT_EQ(r.StopNameBytes, QByteArray("\x8E\x73\x96\xF0\x8F\x8A\x91\x4F"));
    EXPECT_EQ(r.TicketNumber, 12);
    EXPECT_EQ(r.DataColumns[1], 230);
    EXPECT_EQ(r.DataColumns[150], -1);
    EXPECT_EQ(FareTable[301].StopName, QStringLiteral("唖"));
    EXPECT_EQ(FareTable[301].DataColumns[2], -32768);
}

struct BadCell {
    const char* name;
    int row;
    int column;
    QVariant value;
    FareTableError::Kind kind;
    int number;
};

void PrintTo(const BadCell& c, std::ostream* os) {
    *os << c.name;
}

class SetFareCellErrors : public ::testing::TestWithParam<BadCell> {};

TEST_P(SetFareCellErrors, RaiseAndChangeNothing) {
    ResetRouteData(state);
    const BadCell& c = GetParam();
    try {
        SetFareCell(FareTable, c.row, c.column, c.value);
        FAIL() << "no error";
    } catch (const FareTableError& e) {
        EXPECT_EQ(e.kind(), c.kind);
        EXPECT_EQ(e.number(), c.number);
    }
    for (int r = 1; r <= FareTableRowCount; ++r)
        ASSERT_TRUE(FareTable[r].isEmpty()) << r;
}

using K = FareTableError::Kind;
INSTANTIATE_TEST_SUITE_P(
    Cases, SetFareCellErrors,
    ::testing::Values(BadCell{"row_0", 0, 1, QVariant(QStringLiteral("x")), K::OutOfRange, 9},
                      BadCell{"row_302", 302, 3, QVariant(1), K::OutOfRange, 9},
                      BadCell{"column_0", 1, 0, QVariant(1), K::OutOfRange, 9},
                      BadCell{"column_153", 1, 153, QVariant(1), K::OutOfRange, 9},
                      BadCell{"above_16_bits", 1, 3, QVariant(32768), K::Overflow, 6},
                      BadCell{"below_16_bits", 1, 2, QVariant(-32769), K::Overflow, 6},
                      BadCell{"large_text_number", 1, 3, QVariant(QStringLiteral("40000")), K::Overflow, 6},
                      BadCell{"not_a_number", 1, 3, QVariant(QStringLiteral("abc")), K::TypeMismatch, 13},
                      BadCell{"empty_text", 1, 2, QVariant(QString()), K::TypeMismatch, 13}),
    [](const auto& info) { return std::string(info.param.name); });

TEST_F(DataIoTest, ClearFareTableEmptiesEveryRow) {
    for (int r = 1; r <= FareTableRowCount; ++r) {
        SetFareCell(FareTable, r, 1, QStringLiteral("x"));
        SetFareCell(FareTable, r, 2, 1);
        SetFareCell(FareTable, r, 152, 1);
    }
    ClearFareTable(FareTable);
    for (int r = 1; r <= FareTableRowCount; ++r) {
        ASSERT_EQ(FareTable[r].StopName, QString());
        ASSERT_TRUE(FareTable[r].StopNameBytes.isEmpty());
        ASSERT_EQ(FareTable[r].TicketNumber, 0);
        for (int k = 1; k <= DataColumnCount; ++k)
            ASSERT_EQ(FareTable[r].DataColumns[k], 0);
    }
}

// ---- loading ------------------------------------------------------------------

TEST_F(DataIoTest, LoadsRowsAndState) {
    QByteArray bytes("\x03\x00", 2);
    bytes.append(record("\x89\x77\x91\x4F", 1, {{1, -1}, {51, 2}}));           // 駅前
    bytes.append(record(QByteArray(), 2, {{1, 160}, {2, -1}}));                // empty name
    bytes.append(record("\x8E\x73\x96\xF0\x8F\x8A", 3, {{1, 200}, {150, 9}})); // 市役所
    writeFile(QStringLiteral("12.hy3"), bytes);

    EXPECT_EQ(load(folder, QStringLiteral("00012"), 2), LoadStatus::Loaded);
    EXPECT_TRUE(messages().isEmpty());
    EXPECT_EQ(RouteNumber, QStringLiteral("00012"));
    EXPECT_EQ(SectionNumber, 2);
    EXPECT_EQ(RowCount, 3);
    EXPECT_EQ(CurrentStop, 1);
    EXPECT_EQ(FareTable[1].StopName, QStringLiteral("駅前"));
    EXPECT_EQ(FareTable[1].DataColumns[1], -1);
    EXPECT_EQ(FareTable[1].DataColumns[51], 2);
    EXPECT_EQ(FareTable[2].StopName, QString());
    EXPECT_EQ(FareTable[2].TicketNumber, 2);
    EXPECT_EQ(FareTable[2].DataColumns[1], 160);
    EXPECT_EQ(FareTable[3].StopName, QStringLiteral("市役所"));
    EXPECT_EQ(FareTable[3].DataColumns[150], 9);
    EXPECT_TRUE(FareTable[4].isEmpty());
}

TEST_F(DataIoTest, ThreeRecordsOverTenLeaveRowsFourToTenEmpty) {
    writeFile(QStringLiteral("10.hy3"), numberedRoute(10));
    writeFile(QStringLiteral("3.hy3"), numberedRoute(3));
    ASSERT_EQ(load(folder, QStringLiteral("10"), 1), LoadStatus::Loaded);
    ASSERT_EQ(FareTable[10].StopName, QStringLiteral("S10"));
    ASSERT_EQ(load(folder, QStringLiteral("3"), 1), LoadStatus::Loaded);
    EXPECT_EQ(RowCount, 3);
    EXPECT_EQ(FareTable[3].StopName, QStringLiteral("S3"));
    EXPECT_EQ(FareTable[3].DataColumns[1], 30);
    for (int r = 4; r <= FareTableRowCount; ++r)
        EXPECT_TRUE(FareTable[r].isEmpty()) << r;
}

TEST_F(DataIoTest, RouteNumberWithLeadingZerosAndEmptyRouteNumber) {
    writeFile(QStringLiteral("7.hy3"), numberedRoute(3));
    writeFile(QStringLiteral("0.hy3"), numberedRoute(4));
    EXPECT_EQ(load(folder, QStringLiteral("007"), 1), LoadStatus::Loaded);
    EXPECT_EQ(RowCount, 3);
    EXPECT_EQ(RouteNumber, QStringLiteral("007"));
    EXPECT_EQ(load(folder, QString(), 1), LoadStatus::Loaded);
    EXPECT_EQ(RowCount, 4);
}

TEST_F(DataIoTest, FolderWithAndWithoutTrailingSeparator) {
    writeFile(QStringLiteral("5.hy3"), numberedRoute(5));
    EXPECT_EQ(load(folder, QStringLiteral("5"), 1), LoadStatus::Loaded);
    ResetRouteData(state);
    EXPECT_EQ(load(folder + QLatin1Char('/'), QStringLiteral("5"), 1), LoadStatus::Loaded);
    EXPECT_EQ(RowCount, 5);
}

TEST_F(DataIoTest, EmptyFolderResolvesAgainstTheCurrentDirectory) {
    writeFile(QStringLiteral("8.hy3"), numberedRoute(2));
    const QString before = QDir::currentPath();
    ASSERT_TRUE(QDir::setCurrent(folder));
    const LoadStatus status = load(QString(), QStringLiteral("0008"), 1);
    QDir::setCurrent(before);
    EXPECT_EQ(status, LoadStatus::Loaded);
    EXPECT_EQ(RowCount, 2);
}

TEST_F(DataIoTest, SectionsBelowTheCountLoadAndTheCountItselfIsRefused) {
    writeFile(QStringLiteral("5.hy3"), numberedRoute(5));
    for (int section = 1; section <= 4; ++section) {
        EXPECT_EQ(load(folder, QStringLiteral("5"), section), LoadStatus::Loaded) << section;
        EXPECT_EQ(CurrentStop, section - 1);
        EXPECT_EQ(RowCount, 5);
    }
    EXPECT_TRUE(messages().isEmpty());
    EXPECT_EQ(load(folder, QStringLiteral("5"), 5), LoadStatus::SectionTooLarge);
    EXPECT_EQ(messages(), QStringList{SectionTooLargeMessage()});
    EXPECT_EQ(SectionNumber, 5);
    EXPECT_EQ(CurrentStop, 3);
}

TEST_F(DataIoTest, SectionIsClampedToOneTo300) {
    writeFile(QStringLiteral("1.hy3"), numberedRoute(301));
    EXPECT_EQ(load(folder, QStringLiteral("1"), 0), LoadStatus::Loaded);
    EXPECT_EQ(SectionNumber, 1);
    EXPECT_EQ(CurrentStop, 0);
    EXPECT_EQ(load(folder, QStringLiteral("1"), 999), LoadStatus::Loaded);
    EXPECT_EQ(SectionNumber, 300);
    EXPECT_EQ(CurrentStop, 299);
}

TEST_F(DataIoTest, MessagesWordForWord) {
    EXPECT_EQ(MissingRouteMessage(), QStringLiteral("指定した系統のデータがありません..."));
    EXPECT_EQ(ZeroRecordsMessage(),
              QStringLiteral("指定した系統はデータの数が0(未登録)の可能性があります..."));
    EXPECT_EQ(SectionTooLargeMessage(), QStringLiteral("指定した区間はデータの数よりも多いです...") +
                                            QStringLiteral("\r\n") +
                                            QStringLiteral("  解決法：正しい区間を入力して下さい."));
    EXPECT_EQ(TooManyRecordsMessage(), QStringLiteral("指定した系統のデータが多すぎます(最大301件)..."));
    EXPECT_EQ(TruncatedRouteMessage(4),
              QStringLiteral("指定した系統のデータが足りません(4件目の停留所で終わっています)..."));
}

TEST_F(DataIoTest, ThreeHundredOneRecordsFillTheTable) {
    writeFile(QStringLiteral("301.hy3"), numberedRoute(301));
    ASSERT_EQ(load(folder, QStringLiteral("301"), 300), LoadStatus::Loaded);
    EXPECT_EQ(RowCount, 301);
    EXPECT_EQ(FareTable[301].StopName, QStringLiteral("S301"));
    EXPECT_EQ(FareTable[301].DataColumns[1], 3010);
}

// Each rejected load: its message, and afterwards the table, RowCount and
// CurrentStop exactly as the previous route left them, so that stepping stays
// within the rows in the table.
struct Rejection {
    const char* name;
    const char* route;
    QByteArray bytes; // written as ROUTE.hy3 unless empty
    int section;
    LoadStatus status;
    QString message; // empty: the system's description, checked separately
};

void PrintTo(const Rejection& c, std::ostream* os) {
    *os << c.name;
}

class RejectedLoad : public DataIoTest, public ::testing::WithParamInterface<Rejection> {};

TEST_P(RejectedLoad, KeepsThePreviousRouteAndItsRowCount) {
    const Rejection& c = GetParam();
    writeFile(QStringLiteral("10.hy3"), numberedRoute(10));
    ASSERT_EQ(load(folder, QStringLiteral("10"), 4), LoadStatus::Loaded);
    QVector<RouteRow> before;
    for (int r = 1; r <= FareTableRowCount; ++r)
        before.append(FareTable[r]);
    if (!c.bytes.isEmpty())
        writeFile(QString::fromLatin1(c.route) + QStringLiteral(".hy3"), c.bytes);

    EXPECT_EQ(load(folder, QString::fromLatin1(c.route), c.section), c.status);
    const QStringList shown = messages();
    ASSERT_EQ(shown.size(), 1);
    if (!c.message.isEmpty()) {
        EXPECT_EQ(shown.first(), c.message);
    }

    EXPECT_EQ(RowCount, 10);
    EXPECT_EQ(CurrentStop, 3);
    EXPECT_EQ(RouteNumber, QString::fromLatin1(c.route));
    for (int r = 1; r <= FareTableRowCount; ++r)
        ASSERT_EQ(FareTable[r], before.at(r - 1)) << r;
}

QByteArray withCount(int count, const QByteArray& rest = {}) {
    QByteArray b;
    routetest::put16(b, count);
    return b + rest;
}

INSTANTIATE_TEST_SUITE_P(
    Cases, RejectedLoad,
    ::testing::Values(Rejection{"missing", "44", {}, 1, LoadStatus::Missing, MissingRouteMessage()},
                      Rejection{"zero_records", "45", withCount(0, numberedRoute(3).mid(2)), 1,
                                LoadStatus::ZeroRecords, ZeroRecordsMessage()},
                      Rejection{"one_byte_file", "46", QByteArray("\x00", 1), 1, LoadStatus::ZeroRecords,
                                ZeroRecordsMessage()},
                      Rejection{"one_record", "47", numberedRoute(1), 1, LoadStatus::SectionTooLarge,
                                SectionTooLargeMessage()},
                      Rejection{"section_equals_count", "48", numberedRoute(3), 3,
                                LoadStatus::SectionTooLarge, SectionTooLargeMessage()},
                      Rejection{"negative_count", "49", numberedRoute(3, -3), 1, LoadStatus::SectionTooLarge,
                                SectionTooLargeMessage()},
                      Rejection{"count_302", "50", numberedRoute(302), 1, LoadStatus::TooManyRecords,
                                TooManyRecordsMessage()},
                      Rejection{"count_32767_short_file", "51", numberedRoute(2, 32767), 1,
                                LoadStatus::TooManyRecords, TooManyRecordsMessage()},
                      Rejection{"truncated_in_record_4", "52",
                                numberedRoute(3, 5) + QByteArray("\x02\x00", 2), 1, LoadStatus::Truncated,
                                TruncatedRouteMessage(4)},
                      Rejection{"one_byte_short", "53", numberedRoute(4).chopped(1), 2, LoadStatus::Truncated,
                                TruncatedRouteMessage(4)}),
    [](const auto& info) { return std::string(info.param.name); });

TEST_F(DataIoTest, ZeroLengthFileReadsAsNoRecords) {
    writeFile(QStringLiteral("9.hy3"), QByteArray());
    EXPECT_EQ(load(folder, QStringLiteral("9"), 1), LoadStatus::ZeroRecords);
    EXPECT_EQ(messages(), QStringList{ZeroRecordsMessage()});
    EXPECT_EQ(RowCount, 0);
}

TEST_F(DataIoTest, RejectedFirstLoadLeavesNoRows) {
    writeFile(QStringLiteral("3.hy3"), numberedRoute(3));
    EXPECT_EQ(load(folder, QStringLiteral("3"), 3), LoadStatus::SectionTooLarge);
    EXPECT_EQ(RowCount, 0);
    EXPECT_EQ(CurrentStop, 0);
}

TEST_F(DataIoTest, OtherFailuresShowTheSystemsDescription) {
    writeFile(QStringLiteral("10.hy3"), numberedRoute(10));
    ASSERT_EQ(load(folder, QStringLiteral("10"), 2), LoadStatus::Loaded);

    // A folder that does not exist, and a folder where the file should be: the
    // system's description in Japanese, then the path.
    const QString noFolder = folder + QStringLiteral("/nowhere");
    ASSERT_TRUE(QDir(folder).mkdir(QStringLiteral("11.hy3")));
    const struct {
        QString fareFolder;
        const char* route;
        QString message;
    } cases[] = {
        {noFolder, "10",
         QStringLiteral("指定されたパスが見つかりません。\r\n") + noFolder + QStringLiteral("/10.hy3")},
        {folder, "11",
         QStringLiteral("指定されたパスはフォルダーです。ファイルとして開くことはできません。\r\n") + folder +
             QStringLiteral("/11.hy3")},
    };
    for (const auto& c : cases) {
        EXPECT_EQ(load(c.fareFolder, QString::fromLatin1(c.route), 2), LoadStatus::IoError);
        EXPECT_EQ(messages(), QStringList{c.message});
    }
    EXPECT_FALSE(QFile::exists(noFolder + QStringLiteral("/10.hy3")));

    EXPECT_EQ(RowCount, 10);
    EXPECT_EQ(CurrentStop, 1);
    EXPECT_EQ(FareTable[10].StopName, QStringLiteral("S10"));
}

TEST_F(DataIoTest, OnlyARegularFileIsRead) {
    writeFile(QStringLiteral("10.hy3"), numberedRoute(10));
    ASSERT_EQ(load(folder, QStringLiteral("10"), 2), LoadStatus::Loaded);
    // A named pipe without a writer would block an ordinary open for ever; a link to
    // a device would be read without end.
    ASSERT_EQ(::mkfifo(QFile::encodeName(dir.filePath(QStringLiteral("12.hy3"))).constData(), 0600), 0);
    ASSERT_TRUE(QFile::link(QStringLiteral("/dev/zero"), dir.filePath(QStringLiteral("13.hy3"))));
    for (const char* route : {"12", "13"}) {
        EXPECT_EQ(load(folder, QString::fromLatin1(route), 1), LoadStatus::Missing) << route;
        EXPECT_EQ(messages(), QStringList{MissingRouteMessage()});
    }
    EXPECT_EQ(RowCount, 10);
}

TEST_F(DataIoTest, MissingFileIsNotCreated) {
    EXPECT_EQ(load(folder, QStringLiteral("77"), 1), LoadStatus::Missing);
    EXPECT_FALSE(QFile::exists(folder + QStringLiteral("/77.hy3")));
}

TEST_F(DataIoTest, TailAfterTheLastRecordIsIgnored) {
    writeFile(QStringLiteral("4.hy3"), numberedRoute(4) + QByteArray(1000, '\x7F'));
    EXPECT_EQ(load(folder, QStringLiteral("4"), 1), LoadStatus::Loaded);
    EXPECT_EQ(RowCount, 4);
    EXPECT_TRUE(FareTable[5].isEmpty());
}

} // namespace
