#pragma once

#include "board/BoardFrame.h"
#include "route/DataIo.h"

#include <QObject>
#include <QString>

class LiveSettings;

// The state of the operator's console and of what the board shows: the route and its
// fare table, the current stop, the late-night fares, the cleared display, the date the
// route was set. Its operations are what the console's buttons do; each change of what
// the board must show goes out as one BoardFrame to every view (the board window, the
// ticket preview, the automation state, remote control).
//
// The sounds of the buttons, the announcement list of a route and the lamp-test pause
// belong to the operations; message boxes do not: an operation that fails returns the
// message for the window to show.
class ConsoleModel : public QObject {
    Q_OBJECT
public:
    // The settings the operations read (sounds, folders, information values, ticket dates).
    explicit ConsoleModel(const LiveSettings& settings, QObject* parent = nullptr);

    const DataIo::RouteState& route() const { return m_route; }
    const BoardFrame& frame() const { return m_frame; }
    bool lateNight() const { return m_lateNight; }
    bool displayCleared() const { return m_cleared; }
    // The backlight state: 0 OFF, 1 ON1, 2 ON2.
    int backlight() const { return m_backlight; }
    // A route was set: stepping and clearing are possible.
    bool routeSet() const { return m_routeSet; }
    const QString& routeSetDate() const { return m_routeSetDate; }
    // Why the route last set shows its signs' defaults (its sign file is bad), or "".
    const QString& signMessage() const { return m_signMessage; }
    // Shows the ticket preview's values in frames (the preview is in use).
    void setTicketPreview(bool on) { m_ticketPreview = on; }

    // Sets the route from an entry panel's route and section text: the route's sound,
    // its announcement list and data, the lamp test, then its first stop. A route that
    // cannot be loaded returns the message to show and changes nothing else.
    DataIo::LoadResult setRoute(const QString& routeNumber, const QString& sectionText);
    // One stop back (0) or forward (1), with the step's sound; false when there is none.
    bool step(int direction);
    // The late-night fares. Once a route is set the board shows the current stop's fares
    // in the new mode at once (not only from the next step); the stop name keeps its place.
    void setLateNight(bool on);
    // Switches the backlight (0 OFF, 1 ON1, 2 ON2; others are clamped): the board shows
    // that state's panel, even when it is the state already shown.
    void setBacklight(int state);
    // Blanks the board (fares, stop name, clock) or shows the current stop again.
    void setDisplayCleared(bool on);
    // Shows the current stop's row on the board.
    void showCurrentStop();
    // Hands a name straight to the stop-name strip, as the board update would.
    void showStopName(const QString& name);
    // The format of every fare display (index 1..50; the places are the displays' own).
    void setDisplayFormats(const std::array<DisplayFormat, BoardFrame::kFareDisplays + 1>& formats);
    // One format for all fifty fare displays, each keeping the value it shows.
    void setAllDisplayFormats(int zeroMode, int shift, int fillZero);
    // Every fare display shows `text` (a settings file just loaded shows a space).
    void blankFares(const QString& text);
    // The ticket plug-in may give the stop's name back changed: it is kept in the table.
    void setStopNameBytes(int row, const QByteArray& bytes);

signals:
    void frameChanged(const BoardFrame& frame);
    // The backlight was switched (also to the state it was in).
    void backlightChanged(int state);
    // Something the console shows besides the board changed (the route was set, the
    // display cleared).
    void consoleChanged();

private:
    void showRow(qint16 row, bool newStopName = true);
    void emitFrame();

    const LiveSettings& m_settings;
    DataIo::RouteState m_route;
    BoardFrame m_frame;
    bool m_lateNight = false;
    bool m_cleared = false;
    int m_backlight = 0;
    bool m_routeSet = false;
    bool m_ticketPreview = false;
    QString m_routeSetDate;
    QString m_signMessage;
};
