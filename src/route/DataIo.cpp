#include "route/DataIo.h"

#include "platform/Cp932.h"
#include "platform/RegularFile.h"
#include "route/RouteFile.h"

#include <QCoreApplication>
#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <algorithm>
#include <cmath>
#include <limits>

namespace DataIo {

namespace {

std::string indexText(const char* what, int index, int first, int last) {
    return std::string(what) + " " + std::to_string(index) + " is outside " + std::to_string(first) + ".." +
           std::to_string(last);
}

qint16 toInt16(const QVariant& value) {
    bool ok = false;
    qint64 n = 0;
    switch (value.typeId()) {
    case QMetaType::Double:
    case QMetaType::Float: {
        const double d = value.toDouble();
        if (!std::isfinite(d))
            throw FareTableError(FareTableError::Kind::Overflow, "value does not fit in 16 bits");
        const double r = std::nearbyint(d); // ties to even, as an integer conversion rounds
        if (r < std::numeric_limits<qint16>::min() || r > std::numeric_limits<qint16>::max())
            throw FareTableError(FareTableError::Kind::Overflow, "value does not fit in 16 bits");
        return static_cast<qint16>(r);
    }
    case QMetaType::Bool:
        return value.toBool() ? -1 : 0;
    case QMetaType::QString:
        n = value.toString().trimmed().toLongLong(&ok);
        break;
    default:
        if (value.canConvert<qlonglong>())
            n = value.toLongLong(&ok);
        break;
    }
    if (!ok)
        throw FareTableError(FareTableError::Kind::TypeMismatch, "value is not a number");
    if (n < std::numeric_limits<qint16>::min() || n > std::numeric_limits<qint16>::max())
        throw FareTableError(FareTableError::Kind::Overflow, "value does not fit in 16 bits");
    return static_cast<qint16>(n);
}

// The system's description of an error, with the path as the user knows it.
QString shownFailure(int error, const QString& path) {
    return regularfile::failureMessage(error, QDir::toNativeSeparators(QFileInfo(path).absoluteFilePath()));
}

LoadResult rejected(LoadStatus status, const QString& message) {
    return LoadResult{status, message};
}

} // namespace

int FareTableError::number() const {
    switch (m_kind) {
    case Kind::OutOfRange:
        return 9;
    case Kind::Overflow:
        return 6;
    case Kind::TypeMismatch:
        return 13;
    }
    return 5;
}

qint16& DataColumnArray::operator[](int column) {
    if (column < 1 || column > DataColumnCount)
        throw FareTableError(FareTableError::Kind::OutOfRange,
                             indexText("data column", column, 1, DataColumnCount));
    return m_values[static_cast<size_t>(column - 1)];
}

qint16 DataColumnArray::operator[](int column) const {
    if (column < 1 || column > DataColumnCount)
        throw FareTableError(FareTableError::Kind::OutOfRange,
                             indexText("data column", column, 1, DataColumnCount));
    return m_values[static_cast<size_t>(column - 1)];
}

void RouteRow::setStopName(const QString& name) {
    StopName = name;
    StopNameBytes = cp932::encode(name);
}

void RouteRow::setStopNameBytes(const QByteArray& bytes) {
    StopNameBytes = bytes;
    StopName = cp932::decode(bytes);
}

bool RouteRow::isEmpty() const {
    return *this == RouteRow();
}

RouteRow& FareTableArray::operator[](int row) {
    if (row < 1 || row > FareTableRowCount)
        throw FareTableError(FareTableError::Kind::OutOfRange,
                             indexText("fare table row", row, 1, FareTableRowCount));
    return m_rows[static_cast<size_t>(row - 1)];
}

const RouteRow& FareTableArray::operator[](int row) const {
    if (row < 1 || row > FareTableRowCount)
        throw FareTableError(FareTableError::Kind::OutOfRange,
                             indexText("fare table row", row, 1, FareTableRowCount));
    return m_rows[static_cast<size_t>(row - 1)];
}

void ClearFareTable(FareTableArray& table) {
    for (int r = 1; r <= FareTableRowCount; ++r)
        table[r] = RouteRow();
}

void SetFareCell(FareTableArray& table, int row, int column, const QVariant& value) {
    RouteRow& target = table[row];
    if (column < 1 || column > FareCellColumnCount)
        throw FareTableError(FareTableError::Kind::OutOfRange,
                             indexText("fare table column", column, 1, FareCellColumnCount));
    if (column == 1) {
        if (value.typeId() == QMetaType::QByteArray)
            target.setStopNameBytes(value.toByteArray());
        else
            target.setStopName(value.toString());
        return;
    }
    const qint16 n = toInt16(value);
    if (column == 2)
        target.TicketNumber = n;
    else
        target.DataColumns[column - 2] = n;
}

void ResetRouteData(RouteState& state) {
    ClearFareTable(state.FareTable);
    state.RouteNumber.clear();
    state.SectionNumber = 1;
    state.RowCount = 0;
    state.CurrentStop = 0;
}

QString RouteFileName(const QString& routeNumber) {
    qsizetype i = 0;
    while (i < routeNumber.size() &&
           (routeNumber.at(i) == QLatin1Char(' ') || routeNumber.at(i) == QLatin1Char('\t')))
        ++i;
    qsizetype end = i;
    while (end < routeNumber.size() && routeNumber.at(end) >= QLatin1Char('0') &&
           routeNumber.at(end) <= QLatin1Char('9'))
        ++end;
    while (i < end - 1 && routeNumber.at(i) == QLatin1Char('0'))
        ++i;
    const QString digits = i < end ? routeNumber.mid(i, end - i) : QStringLiteral("0");
    return digits + QStringLiteral(".hy3");
}

QString RouteFilePath(const QString& fareFolder, const QString& routeNumber) {
    QString path = fareFolder;
    if (!path.isEmpty() && !path.endsWith(QLatin1Char('/')) && !path.endsWith(QLatin1Char('\\')))
        path += QLatin1Char('/');
    return path + RouteFileName(routeNumber);
}

QString MissingRouteMessage() {
    return QCoreApplication::translate("DataIo", "指定した系統のデータがありません...");
}

QString ZeroRecordsMessage() {
    return QCoreApplication::translate("DataIo", "指定した系統はデータの数が0(未登録)の可能性があります...");
}

QString SectionTooLargeMessage() {
    return QCoreApplication::translate("DataIo", "指定した区間はデータの数よりも多いです...") +
           QStringLiteral("\r\n") +
           QCoreApplication::translate("DataIo", "  解決法：正しい区間を入力して下さい.");
}

QString TooManyRecordsMessage() {
    return QCoreApplication::translate("DataIo", "指定した系統のデータが多すぎます(最大301件)...");
}

QString TruncatedRouteMessage(int record) {
    return QCoreApplication::translate("DataIo",
                                       "指定した系統のデータが足りません(%1件目の停留所で終わっています)...")
        .arg(record);
}

LoadResult LoadRoute(RouteState& state, const QString& fareFolder) {
    // The caller clamps the section; a section below 1 would put the current stop
    // before the first row.
    state.SectionNumber = static_cast<qint16>(std::clamp<int>(state.SectionNumber, 1, MaxSection));
    const QString path = RouteFilePath(fareFolder, state.RouteNumber);

    // Only a regular file is read, and never more than a route of 301 rows can
    // occupy; the table is touched only when every check has passed. A missing file
    // is never created.
    const regularfile::Result file = regularfile::read(path, MaxLoadedRouteBytes);
    switch (file.status) {
    case regularfile::Status::Read:
    case regularfile::Status::TooLarge:
        break;
    case regularfile::Status::Missing:
        return rejected(LoadStatus::Missing, MissingRouteMessage());
    case regularfile::Status::NotRegular:
        // A folder of that name gets the system's description; a pipe, a device or a
        // socket is no route file at all.
        if (file.error != 0)
            return rejected(LoadStatus::IoError, shownFailure(file.error, path));
        return rejected(LoadStatus::Missing, MissingRouteMessage());
    case regularfile::Status::Failed:
        return rejected(LoadStatus::IoError, shownFailure(file.error, path));
    }
    return LoadRouteBytes(state, file.bytes);
}

LoadResult LoadRouteBytes(RouteState& state, const QByteArray& bytes) {
    state.SectionNumber = static_cast<qint16>(std::clamp<int>(state.SectionNumber, 1, MaxSection));
    const RouteFileContents contents = parseRouteFile(bytes);
    const int n = contents.count; // a file too short for its count reads as 0
    if (n == 0) {
        return rejected(LoadStatus::ZeroRecords, ZeroRecordsMessage());
    }
    if (n > FareTableRowCount) {
        return rejected(LoadStatus::TooManyRecords, TooManyRecordsMessage());
    }
    if (n - 1 < state.SectionNumber) { // also every negative count
        return rejected(LoadStatus::SectionTooLarge, SectionTooLargeMessage());
    }
    if (contents.truncated()) {
        return rejected(LoadStatus::Truncated, TruncatedRouteMessage(contents.endsInRecord));
    }

    ClearFareTable(state.FareTable);
    for (int r = 1; r <= n; ++r)
        state.FareTable[r] = contents.records.at(r - 1);
    state.RowCount = static_cast<qint16>(n);
    state.CurrentStop = static_cast<qint16>(state.SectionNumber - 1);
    return LoadResult{};
}

LoadResult LoadRoute(RouteState& state, const QString& fareFolder, const QString& routeNumber, int section) {
    state.RouteNumber = routeNumber;
    state.SectionNumber = static_cast<qint16>(std::clamp(section, 1, MaxSection));
    return LoadRoute(state, fareFolder);
}

} // namespace DataIo
