#pragma once

#include <QByteArray>
#include <QString>
#include <QVariant>
#include <array>
#include <stdexcept>
#include <string>

// The fare table and the route state, and the loader that fills a state it is handed
// from a route data file (".hy3"). Display-free: a rejected load returns its message
// for the caller to show.
namespace DataIo {

constexpr int FareTableRowCount = 301;   // rows 1..301
constexpr int DataColumnCount = 150;     // data columns 1..150
constexpr int FareColumnCount = 50;      // columns 1..50 are the fares of ticket numbers 1..50
constexpr int FareCellColumnCount = 152; // SetFareCell: 1 name, 2 ticket number, 3..152 data columns
constexpr qint16 NoFare = -1;
constexpr int MaxSection = 300;

// Raised by the table's accessors and by SetFareCell. number() gives the classic
// run-time error number of the kind (9 subscript out of range, 6 overflow, 13 type
// mismatch) for reports that show one.
class FareTableError : public std::runtime_error {
public:
    enum class Kind { OutOfRange, Overflow, TypeMismatch };
    FareTableError(Kind kind, const std::string& what) : std::runtime_error(what), m_kind(kind) {}
    Kind kind() const { return m_kind; }
    int number() const;

private:
    Kind m_kind;
};

// 150 signed 16-bit values indexed 1..150. An index outside 1..150 raises
// FareTableError(OutOfRange); nothing outside the array is ever read or written.
class DataColumnArray {
public:
    qint16& operator[](int column);
    qint16 operator[](int column) const;
    void fill(qint16 value) { m_values.fill(value); }
    bool operator==(const DataColumnArray& other) const = default;

private:
    std::array<qint16, DataColumnCount> m_values{};
};

// One stop of a route. `StopName` is the text decoded from the file's cp932 bytes;
// `StopNameBytes` keeps those bytes exactly as stored (a name that is not valid cp932
// loses nothing). Write the name through setStopName / setStopNameBytes so that the
// two stay in step.
struct RouteRow {
    QString StopName;
    QByteArray StopNameBytes;
    qint16 TicketNumber = 0;
    DataColumnArray DataColumns;

    void setStopName(const QString& name);          // bytes = cp932 of the text
    void setStopNameBytes(const QByteArray& bytes); // text = the bytes decoded from cp932
    bool isEmpty() const;                           // name "", ticket number 0, all columns 0
    bool operator==(const RouteRow& other) const = default;
};

// Rows 1..301. A row outside 1..301 raises FareTableError(OutOfRange).
class FareTableArray {
public:
    RouteRow& operator[](int row);
    const RouteRow& operator[](int row) const;
    RouteRow& operator()(int row) { return (*this)[row]; }
    const RouteRow& operator()(int row) const { return (*this)[row]; }

private:
    std::array<RouteRow, FareTableRowCount> m_rows;
};

// The route state: the fare table of the route and where on it the board stands. The
// console's model owns the one the program shows; tools and tests make their own.
struct RouteState {
    FareTableArray FareTable;
    QString RouteNumber;      // as entered: up to five digits, leading zeros kept, possibly empty
    qint16 SectionNumber = 1; // 1..300
    // The number of rows of the route in FareTable. It changes only when a load
    // succeeds, so it always describes the rows actually in the table (0 before the
    // first route); a rejected file never leaves its count here.
    qint16 RowCount = 0;
    qint16 CurrentStop = 0; // zero-based; the row shown is CurrentStop + 1
};

// Every row 1..301: name "", ticket number 0, all columns 0.
void ClearFareTable(FareTableArray& table);

// Column 1 stores the value as text into StopName (a QByteArray value is taken as the
// name's cp932 bytes, anything else as text); column 2 stores it as a 16-bit integer
// into TicketNumber; columns 3..152 into DataColumns(column - 2).
// Raises FareTableError: OutOfRange for a row outside 1..301 or a column outside
// 1..152, Overflow for a number outside -32768..32767, TypeMismatch for a value that
// is not a number. Nothing is changed when it raises.
void SetFareCell(FareTableArray& table, int row, int column, const QVariant& value);

// Forgets the route: clears the table, RouteNumber "", SectionNumber 1, RowCount 0,
// CurrentStop 0 (the start-up state).
void ResetRouteData(RouteState& state);

// The route file's name: the route number with leading zeros dropped ("00012" ->
// "12", "" -> "0") followed by ".hy3". Only the leading run of digits counts, as a
// conversion to a number would read it ("12a" -> "12", "a" -> "0").
QString RouteFileName(const QString& routeNumber);

// The fare folder with "/" appended unless it is empty or already ends in "/" or
// "\", followed by RouteFileName.
QString RouteFilePath(const QString& fareFolder, const QString& routeNumber);

// The messages of a rejected load, shown text-only with an OK button.
QString MissingRouteMessage();             // the file does not exist
QString ZeroRecordsMessage();              // the record count is 0
QString SectionTooLargeMessage();          // the section is not smaller than the record count
QString TooManyRecordsMessage();           // more records than the table's 301 rows
QString TruncatedRouteMessage(int record); // the file ends inside (or before) record `record`

enum class LoadStatus { Loaded, Missing, ZeroRecords, TooManyRecords, SectionTooLarge, Truncated, IoError };

// The outcome of a load and, when it was rejected, the message for the user (shown
// text-only with an OK button and the program's title).
struct LoadResult {
    LoadStatus status = LoadStatus::Loaded;
    QString message;

    bool loaded() const { return status == LoadStatus::Loaded; }
    bool operator==(LoadStatus other) const { return status == other; }
};

// Loads the route file of the state's RouteNumber from `fareFolder` for its
// SectionNumber. On success FareTable holds the file's records in rows 1..N, rows
// N+1..301 are empty, RowCount = N and CurrentStop = SectionNumber - 1. On any
// failure the result carries the message to show, and FareTable, RowCount and
// CurrentStop are exactly as before.
LoadResult LoadRoute(RouteState& state, const QString& fareFolder);

// The same for the bytes of a route file already read (at most MaxLoadedRouteBytes of
// them): the checks, messages and results of LoadRoute once the file is read.
LoadResult LoadRouteBytes(RouteState& state, const QByteArray& bytes);

// Stores `routeNumber` into RouteNumber and `section` (clamped to 1..300) into
// SectionNumber, then loads as above. RouteNumber and SectionNumber keep these values
// whether or not the load succeeds.
LoadResult LoadRoute(RouteState& state, const QString& fareFolder, const QString& routeNumber, int section);

} // namespace DataIo
