#pragma once

#include "board/DisplayConfig.h"
#include "stopname/SignDriver.h"

#include <QElapsedTimer>
#include <QObject>
#include <QTimer>
#include <array>
#include <memory>

class ConsoleModel;
class QMenu;
class SignWindow;
struct BoardFrame;

// The destination signs of the running program: a window for each open sign, all
// driven by one clock from the frames of the console's model. display.conf keeps which
// are open, where they stand, their LEDs, the seconds of each language and the scroll
// speed.
class SignSet : public QObject {
    Q_OBJECT
public:
    // Without `persist` (corvane script) display.conf is never written.
    SignSet(ConsoleModel& console, const DisplayConfig& display, bool persist, QObject* parent = nullptr);
    ~SignSet() override;

    // Opens the signs display.conf or the command line asked for. A sign without a
    // place of its own opens at `firstPlace` (front, side, rear one under the other).
    void start(QPoint firstPlace);

    // Opens or closes a sign's window; `save` writes display.conf.
    void setOpen(signs::SignKind kind, bool open, bool save = true);
    bool isOpen(signs::SignKind kind) const;
    void setColour(signs::LedColour colour, bool save = true);
    signs::LedColour colour() const { return m_display.signColour; }
    const signs::SignSettings& settings() const { return m_driver.settings(); }
    // The signs' one clock; when it last started again with Japanese, in ms since the epoch.
    const signs::AlternationClock& clock() const { return m_driver.clock(); }
    qint64 clockStartEpochMs() const { return m_epochAtZero + m_driver.clock().startMs(); }

    // What a sign shows: its number, its text and language, its dots.
    const SignText& text() const { return m_driver.text(); }
    signs::Lang lang() const { return m_driver.lang(); }
    const signs::DotImage& dots(signs::SignKind kind) const { return m_driver.dots(kind); }
    SignWindow* window(signs::SignKind kind) const { return m_windows[size_t(kind)].get(); }

    // The signs' part of a menu (the board's right-click menu, a sign's own).
    void addMenu(QMenu& menu);

private:
    void showFrame(const BoardFrame& frame);
    void tick();
    void schedule();
    void showChanged(int changed);
    void save();
    qint64 now() const { return m_clock.elapsed(); }

    ConsoleModel& m_console;
    DisplayConfig m_display;
    bool m_persist = true;
    signs::SignDriver m_driver;
    std::array<std::unique_ptr<SignWindow>, signs::kSignKinds> m_windows;
    QElapsedTimer m_clock;
    qint64 m_epochAtZero = 0; // the time since the epoch when m_clock read 0
    QTimer m_timer;
    QTimer m_saveLater; // a moved sign's place is written once it rests
    QPoint m_firstPlace;
};
