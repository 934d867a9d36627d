#pragma once

#include "board/BoardFrame.h"
#include "board/DisplayConfig.h"
#include "board/PanelLook.h"
#include "platform/Design.h"
#include "platform/Twips.h"

#include <QImage>
#include <QPointer>
#include <QTimer>
#include <QVector>
#include <QWidget>
#include <cstdint>
#include <functional>

class ChimeiCtl_B;
class M_Degit;
class Label;
class QMenu;

// The board window's position as the settings file keeps it (twips).
struct BoardPosition {
    std::int32_t BoardLeft = 0;
    std::int32_t BoardTop = 0;
};

// The fare board: a borderless window with the panel picture, fifty fare displays
// under their ticket-number labels, one extra display, a two-part clock and the
// stop-name strip. Its controls come from its stored design.
class Form1 : public QWidget {
    Q_OBJECT
public:
    static constexpr int kFareDisplays = 50;
    static constexpr int kClientWidthTwips = 10350;
    static constexpr int kClientHeightTwips = 4605;

    // Builds the window from the design at `designPath` (the built-in design when
    // empty). A design that cannot be read is a programming error: it aborts.
    explicit Form1(const QString& designPath = QString(), QWidget* parent = nullptr);
    ~Form1() override;

    M_Degit* Degit(int index) const;     // 0..50
    Label* lblSeiriNum(int index) const; // 0..50
    M_Degit* TimeDegit(int index) const; // 0..1
    ChimeiCtl_B* ChimeiCtl() const { return m_chimei; }
    QTimer& Timer1() { return m_timer1; }

    // Where a control of the design stands, in pixels (for controls added later).
    QRect designGeometry(const QString& name, int index = -1) const;
    const DesignNode& design() const { return m_design; }

    // Panel pictures: imgRes(0) is the built-in panel, 1 and 2 the copies for the
    // lit states.
    QImage& imgRes(int index) { return m_imgRes[qBound(0, index, 2)]; }
    static QImage builtInPanel();
    void setPicture(const QImage& picture, const QString& source);
    const QImage& picture() const { return m_picture; }
    // "builtin" or the path of the file shown.
    const QString& pictureSource() const { return m_pictureSource; }

    // The window whose input is held off while a display's format dialog is open.
    void setControllerWindow(QWidget* controller) { m_controller = controller; }

    void GetFormInfo(BoardPosition& position) const;
    void SetFormInfo(const BoardPosition& position);
    void DeleteRgn() {}
    // Cuts the window to its rounded outline.
    void shapeWindow();
    // The outline the window is cut to, in window pixels.
    QRegion windowRegion() const;

    // How the board is shown: its scale, full screen on a monitor, the stop-name dots.
    // The board is drawn afresh at the scale (digits, dots, labels and the built-in
    // panel stay sharp; a bitmap panel picture is scaled smoothly). Full screen draws it
    // as large as it fits, centred on black; with room kept for the console, as large as
    // it fits beside or above that room.
    const DisplayConfig& display() const { return m_display; }
    void applyDisplay(const DisplayConfig& display);
    // The console's size: full screen and "fit" leave room for it on the board's screen.
    void setConsoleRoom(const QSize& room) { m_consoleRoom = room; }
    // Where the board is drawn, in screen coordinates.
    QRect drawnArea() const;
    // The scale the board is drawn at (1 as designed) and where its top-left corner
    // stands in the window.
    double scale() const { return m_scale; }
    QPoint origin() const { return m_origin; }
    // The board's size at scale 1, in pixels.
    static QSize designSize() {
        return QSize(twips::toPixels(kClientWidthTwips), twips::toPixels(kClientHeightTwips));
    }

    // Takes a whole look: the labels (shown, numbered, coloured), the displays' and the
    // clock's colours, the stop-name strip's colours and font, the panel picture.
    void applyLook(const BoardLook& look);
    // Takes the look of a backlight state: its panel picture and the labels' colour.
    void applyBacklight(int backlight, const BacklightLook& look);

    // Shows what the console's model says the board shows: the fare displays, the
    // stop name when it was handed over anew, the clock. The fare displays are drawn
    // first, the slower stop name after the board has repainted.
    void showFrame(const BoardFrame& frame);
    // The name last handed to the stop-name strip.
    QString stopName() const;
    // The number of places of fare display 1..50.
    int displayPlaces(int display) const;
    // What the two clock displays show (each place's lit character or a space).
    QStringList clockPlaces() const;
    // Ticket-number label 1..50 as shown: its text, whether it is shown, its colour.
    struct TicketLabel {
        QString text;
        bool visible = false;
        std::uint32_t color = 0;
    };
    TicketLabel ticketLabel(int index) const;
    // Starts the clock (it ticks once a second).
    void startClock() { m_timer1.start(); }
    // The strip's scrolling: its speed and the pause before each pass (ms).
    qint16 stopNameSpeed() const;
    int stopNameStartWait() const;
    void setStopNameScroll(qint16 speed, int startWait);
    // The stop-name strip as text: a line of '#' (lit) and '.' per pixel row, then
    // "top=N", the strip's current top inside its frame.
    QString stopNameDots() const;

    // Double-clicks fare display 1..50 as the mouse would (its format dialog opens
    // when the display takes a format); whether it takes one.
    void doubleClickDisplay(int display);
    bool displayTakesFormat(int display) const;

    // The clock tick and the per-display settings, also callable directly.
    void Timer1_Timer();
    void Degit_DblClick(int index);

    // Adds the wiring's own entries (the destination signs) to the right-click menu.
    void setMenuExtension(std::function<void(QMenu&)> extend) { m_menuExtension = std::move(extend); }

    // Whether a left press at `pos` (board coordinates) moves the window: only on the
    // board's own surface, never on a display, a label or the stop-name strip.
    bool pressMovesWindow(const QPoint& pos) const;

signals:
    // A press on the board's surface handed the window to the window system to move.
    void moveStarted();
    // A fare display's format dialog was confirmed: the format for all fifty.
    void displayFormatChosen(int zeroMode, int shift, int fillZero);

protected:
    void paintEvent(QPaintEvent* event) override;
    // The panel at the board's scale, drawn sharp where the picture can be (the built-in
    // panel, an SVG picture); a null image for a raster picture of the user's.
    const QImage& sharpPicture();
    void mousePressEvent(QMouseEvent* event) override;
    void contextMenuEvent(QContextMenuEvent* event) override;

private:
    void buildFromDesign();
    void layoutControls();
    void chooseDisplay(const DisplayConfig& display);

    DesignNode m_design;
    QVector<M_Degit*> m_degits;
    QVector<Label*> m_labels;
    QVector<M_Degit*> m_timeDegits;
    ChimeiCtl_B* m_chimei = nullptr;
    QTimer m_timer1;
    twips::KeptPosition m_savedPosition;
    QImage m_imgRes[3];
    QImage m_picture;
    QString m_pictureSource;
    // The panel drawn at the board's scale (the built-in panel in shapes, an SVG
    // picture rendered): remade when the picture or the scale changes.
    QImage m_sharpPicture;
    double m_sharpScale = 0;
    QPointer<QWidget> m_controller;
    QVector<QPair<QWidget*, QRect>> m_placed; // each control and its design rectangle (pixels)
    DisplayConfig m_display;
    std::function<void(QMenu&)> m_menuExtension;
    quint64 m_shownNameSerial = 0;
    BoardFrame::Fares m_shownFares = BoardFrame::Fares::Values;
    bool m_clockShown = true;
    double m_scale = 1.0;
    QPoint m_origin;
    QSize m_consoleRoom;
};

// A rounded-rectangle region from (0, 0) to (right, bottom) with the given corner
// ellipse, as the window system cuts windows.
QRegion roundRectRegion(int right, int bottom, int ellipseWidth, int ellipseHeight);
