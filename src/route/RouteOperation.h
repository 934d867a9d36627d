#pragma once

#include "route/DataIo.h"

#include <QDate>
#include <QString>
#include <QStringList>
#include <QTime>
#include <QVector>
#include <array>
#include <optional>

// The operator's side of the route data, without any window: what the entry panels
// make of the keys and wheels, where a step goes, which sound it plays, and what one
// board update writes into the fare displays.
namespace routeop {

// The numeric value of an entered text: its leading digits (after leading spaces),
// 0 when there are none. Large values saturate.
int numericValue(const QString& text);

// A section as entered, clamped to 1..300 (0 becomes 1).
qint16 clampSection(const QString& text);

// The keypad: a digit appended to a display that holds fewer than `maxLength`
// characters; a full display stays as it is.
QString appendDigit(const QString& display, int maxLength, int digit);
inline constexpr int kRouteDigits = 5;
inline constexpr int kSectionDigits = 3;

// The digit wheels: the selected items joined, a wheel without a selection adding
// nothing.
QString joinWheels(const QStringList& selectedItems);

// Where a step goes: the new current stop, or nothing when the step is not possible
// (back on the first stop, forward on the last loaded row).
std::optional<qint16> stepTarget(qint16 currentStop, qint16 rowCount, bool forward);

struct StepSounds {
    bool always = true; // always the fixed sound; otherwise chosen by a data column
    QString fixed;
    int column = 1;                 // the deciding data column, 1..150
    std::array<QString, 3> byValue; // the sounds for column values 1, 2 and 3
};

// The sound of a step onto `row`: the fixed one, or the one the row's column value
// 1..3 selects; "" for no sound.
QString stepSound(const StepSounds& sounds, const DataIo::RouteRow& row);

struct InfoValues {
    bool stopOrderShow = false;
    int stopOrderCell = 0; // list index: display cell + 1
    bool stopOrderFromZero = false;
    bool ticketNumberShow = false;
    int ticketNumberCell = 0;
    bool routeNumberShow = false;
    int routeNumberCell = 0;
    bool dataColumnShow = false;
    int dataColumn = 0; // list index: data column + 1
    int dataColumnCell = 0;
};

// One value written into a fare display: a number, or a text shown as it is.
struct DisplayWrite {
    int display = 0; // 1..50
    bool isText = false;
    qint32 number = 0;
    QString text;
    bool operator==(const DisplayWrite&) const = default;
};

// The late-night fare of a fare from the route file: twice the fare, -1 (no fare)
// never doubled; nothing when the doubled fare does not fit in 16 bits (a fare above
// 16383 or below -16384).
std::optional<qint16> lateNightFare(qint16 fare);

// What a doubled fare that does not fit in 16 bits shows: all places show their
// middle segment, which no fare can look like.
inline const QString kUnshowableFare = QStringLiteral("----");

// The writes of one board update for `rowNumber`, in order: the fares from the
// section's ticket number up to 50 (doubled late at night; -1 never doubled), then
// the information values. A later write to the same display wins.
QVector<DisplayWrite> boardWrites(const DataIo::RouteRow& row, int rowNumber, int section, bool lateNight,
                                  const InfoValues& info, const QString& routeNumber);

// The ticket date "MM-dd-yyyy" of a day.
QString ticketDate(const QDate& day);
// The ticket time "hh:mm:ss".
QString ticketTime(const QTime& time);

} // namespace routeop
