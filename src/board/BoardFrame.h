#pragma once

#include "board/DigitText.h"
#include "board/DigitValue.h"
#include "stopname/SignText.h"

#include <QByteArray>
#include <QString>
#include <array>

// What the fare board shows at one moment, as the console's model gives it to every
// view: the fifty fare displays, the stop name, the clock and what the ticket preview
// prints.
struct BoardFrame {
    static constexpr int kFareDisplays = 50;

    // What the fare displays show: their values, all segments lit (the lamp test), or
    // nothing (the display cleared).
    enum class Fares { Values, LampTest, Blank };

    // The values the ticket plug-in draws the ticket for the current stop from.
    struct Ticket {
        bool shown = false;  // the preview is in use and a stop is shown
        QByteArray stopName; // the stop's name as stored (cp932)
        QString date;
        QString time;
        qint32 routeNumber = 0;
        qint16 ticketNumber = 0;
        qint16 row = 0;
    };

    // Counts the frames given out: a view can tell a new frame from one it has shown.
    quint64 sequence = 0;
    Fares fares = Fares::Values;
    // The value of each fare display 1..50 (index 0 unused); nothing shown at first.
    std::array<DigitValue, kFareDisplays + 1> values = blankValues();
    // The format of each fare display 1..50: its zero mode, shift and zero fill (the
    // number of places is the display's own).
    std::array<DisplayFormat, kFareDisplays + 1> formats{};
    // The name last handed to the stop-name strip; `stopNameSerial` changes each time
    // it is handed over again (the strip then starts it afresh, even when it is the same).
    QString stopName;
    quint64 stopNameSerial = 0;
    // The clock runs and shows the time (false while the display is cleared).
    bool clockShown = true;
    Ticket ticket;
    // What the destination signs show: the route's number, destination and way (empty
    // before a route is set).
    SignText sign;

    static std::array<DigitValue, kFareDisplays + 1> blankValues(const QString& text = QString()) {
        std::array<DigitValue, kFareDisplays + 1> v;
        v.fill(DigitValue::text(text));
        return v;
    }
    // What display 1..50 shows in each of its `keta` places: the lit character, or a
    // space where only the unlit "8" shows.
    QString places(int display, int keta) const {
        switch (fares) {
        case Fares::LampTest:
            return digittext::placesOfText(QString(keta, QLatin1Char('8')), keta);
        case Fares::Blank:
            return QString(keta, QLatin1Char(' '));
        case Fares::Values:
            break;
        }
        DisplayFormat f = formats[size_t(display)];
        f.keta = keta;
        return digittext::places(values[size_t(display)], f);
    }
};
