#include "route/RouteOperation.h"

#include <limits>

namespace routeop {

int numericValue(const QString& text) {
    const QString t = text.trimmed();
    qint64 value = 0;
    for (const QChar c : t) {
        if (c < QLatin1Char('0') || c > QLatin1Char('9'))
            break;
        value = value * 10 + (c.unicode() - '0');
        if (value > std::numeric_limits<int>::max())
            return std::numeric_limits<int>::max();
    }
    return static_cast<int>(value);
}

qint16 clampSection(const QString& text) {
    const int value = numericValue(text);
    if (value == 0)
        return 1;
    return static_cast<qint16>(qMin(value, DataIo::MaxSection));
}

QString appendDigit(const QString& display, int maxLength, int digit) {
    if (display.size() >= maxLength || digit < 0 || digit > 9)
        return display;
    return display + QString::number(digit);
}

QString joinWheels(const QStringList& selectedItems) {
    return selectedItems.join(QString());
}

std::optional<qint16> stepTarget(qint16 currentStop, qint16 rowCount, bool forward) {
    if (forward) {
        if (currentStop >= rowCount - 1)
            return std::nullopt;
        return static_cast<qint16>(currentStop + 1);
    }
    if (currentStop <= 0)
        return std::nullopt;
    return static_cast<qint16>(currentStop - 1);
}

QString stepSound(const StepSounds& sounds, const DataIo::RouteRow& row) {
    if (sounds.always)
        return sounds.fixed;
    if (sounds.column < 1 || sounds.column > DataIo::DataColumnCount)
        return QString();
    const qint16 v = row.DataColumns[sounds.column];
    if (v >= 1 && v <= 3)
        return sounds.byValue[static_cast<size_t>(v - 1)];
    return QString();
}

namespace {

void writeNumber(QVector<DisplayWrite>& out, int display, qint32 value) {
    DisplayWrite w;
    w.display = display;
    w.number = value;
    out.append(w);
}

void writeText(QVector<DisplayWrite>& out, int display, const QString& text) {
    DisplayWrite w;
    w.display = display;
    w.isText = true;
    w.text = text;
    out.append(w);
}

bool validCell(int cell) {
    return cell >= 0 && cell < DataIo::FareColumnCount;
}

} // namespace

QVector<DisplayWrite> boardWrites(const DataIo::RouteRow& row, int rowNumber, int section, bool lateNight,
                                  const InfoValues& info, const QString& routeNumber) {
    QVector<DisplayWrite> out;
    for (int i = qMax(1, section); i <= DataIo::FareColumnCount; ++i) {
        const qint16 v = row.DataColumns[i];
        if (!lateNight) {
            writeNumber(out, i, v);
        } else if (const std::optional<qint16> doubled = lateNightFare(v)) {
            writeNumber(out, i, *doubled);
        } else {
            writeText(out, i, kUnshowableFare);
        }
    }
    if (info.stopOrderShow && validCell(info.stopOrderCell))
        writeNumber(out, info.stopOrderCell + 1, info.stopOrderFromZero ? rowNumber - 1 : rowNumber);
    if (info.ticketNumberShow && validCell(info.ticketNumberCell))
        writeNumber(out, info.ticketNumberCell + 1, row.TicketNumber);
    if (info.routeNumberShow && validCell(info.routeNumberCell))
        writeText(out, info.routeNumberCell + 1, routeNumber);
    if (info.dataColumnShow && validCell(info.dataColumnCell) && info.dataColumn >= 0 &&
        info.dataColumn < DataIo::DataColumnCount)
        writeNumber(out, info.dataColumnCell + 1, row.DataColumns[info.dataColumn + 1]);
    return out;
}

std::optional<qint16> lateNightFare(qint16 fare) {
    if (fare == DataIo::NoFare)
        return fare;
    const qint32 doubled = qint32(fare) * 2;
    if (doubled > std::numeric_limits<qint16>::max() || doubled < std::numeric_limits<qint16>::min())
        return std::nullopt;
    return static_cast<qint16>(doubled);
}

QString ticketDate(const QDate& day) {
    return day.toString(QStringLiteral("MM-dd-yyyy"));
}

QString ticketTime(const QTime& time) {
    return time.toString(QStringLiteral("hh:mm:ss"));
}

} // namespace routeop
