#pragma once

#include <QByteArray>
#include <QList>
#include <QMap>
#include <QString>
#include <QStringList>
#include <array>
#include <cstdint>

#include "stopname/SignDriver.h"

// What the board page needs to draw the board, as the program hands it over: the
// layout once (where each display, label, the clock and the stop-name strip stand, and
// the outlines of the digits as the program draws them), then a frame for each change
// (the texts of the displays, the labels, the strip's dot rows, the clock, the look).
// Both go to the page as JSON text.
namespace web {

struct Rect {
    int x = 0;
    int y = 0;
    int w = 0;
    int h = 0;
    bool operator==(const Rect&) const = default;
};

// A seven-segment display: its places, each place's size, the gap between places, and
// the set of digit outlines it is drawn with (an index into BoardLayout::glyphSets).
struct DigitLayout {
    Rect rect;
    int places = 0;
    int placeWidth = 0;
    int placeHeight = 0;
    int gap = 0;
    int glyphSet = 0;
    bool operator==(const DigitLayout&) const = default;
};

struct LabelLayout {
    Rect rect;
    double points = 9;
    bool bold = false;
    bool operator==(const LabelLayout&) const = default;
};

// The outline of each character of a digit face in one place, as SVG path data in the
// place's pixels; "8" is the unlit place.
using GlyphSet = QMap<QString, QString>;

struct BoardLayout {
    int width = 0; // the board's size in pixels (as designed)
    int height = 0;
    QList<DigitLayout> displays; // fare displays 1..50
    QList<DigitLayout> clock;    // the clock's two parts
    QList<LabelLayout> labels;   // ticket-number labels 1..50
    Rect strip;                  // the stop-name strip's frame on the board
    Rect stripViewport;          // where the strip shows inside its frame
    QList<GlyphSet> glyphSets;
    bool operator==(const BoardLayout&) const = default;
};

struct LabelState {
    QString text;
    bool visible = false;
    std::uint32_t color = 0; // 0x00BBGGRR
    bool operator==(const LabelState&) const = default;
};

// One frame of the board as the page shows it.
// What the console's check boxes say and which of its buttons can be pressed, for the
// control page.
struct ConsoleState {
    bool clear = false;
    bool lateNight = false;
    bool back = false;
    bool next = false;
    bool entry = false;
    bool tape = false;
    bool operator==(const ConsoleState&) const = default;
};

// What the sign pages need to draw the destination signs as the program does: each
// sign's parts in each language as the program lays them out, the LED colours and the
// signs' one clock (when it last started with Japanese, how long each language stays).
struct SignsView {
    SignText text;
    signs::LedColour colour = signs::LedColour::Amber;
    signs::SignSettings settings;
    qint64 clockStart = 0; // ms since the epoch
    qint64 japaneseMs = 0;
    qint64 englishMs = 0; // 0: Japanese only
    // [kind][lang]: every sign, open on the screen or not.
    std::array<std::array<signs::SignLayout, 2>, signs::kSignKinds> layouts;
    bool operator==(const SignsView&) const = default;
};

// The rows of a grid of dots as hexadecimal text: each row (width + 3) / 4 digits, the
// leftmost dot the highest bit of its row's first digit, the rows one after the other.
QString dotRowsHex(const signs::DotImage& dots);

struct ViewState {
    QStringList displays;        // fare displays 1..50: each place's lit character or a space
    QList<QList<int>> formats;   // each display's zero mode, shift and zero fill
    QString fares;               // "values", "lampTest" or "blank"
    QList<LabelState> labels;    // ticket-number labels 1..50
    QString stopName;            //
    quint64 stopNameSerial = 0;  // changes when the name is handed to the strip again
    int stripHeight = 0;         // pixel rows of the strip
    QList<quint64> stripRows;    // each row's lit dots, bit x for column x
    bool stripScrolls = false;   // the name is long enough to scroll
    int scrollSpeed = 0;         // the strip rises speed / 200 pixels per ms
    int scrollWait = 0;          // ms of pause before each pass
    bool clockVisible = true;    // the board has its clock
    bool clockShown = true;      // it runs (not while the display is cleared)
    QStringList clockPlaces;     // what the clock's two parts show (not a change of its own)
    int backlight = 0;           // 0 OFF, 1 ON1, 2 ON2
    QString panel;               // the address of the panel picture
    std::uint32_t digitBack = 0; // colours, 0x00BBGGRR
    std::uint32_t digitUnlit = 0;
    std::uint32_t digitLit = 0;
    std::uint32_t stripBack = 0;
    std::uint32_t stripFore = 0;
    bool roundDots = false;
    bool glow = false;
    ConsoleState console;
    SignsView signs;

    // Whether the page would show anything else: everything but the clock's places,
    // which the page runs itself.
    bool sameAs(const ViewState& other) const;
};

// {"type":"layout",...}
QByteArray encodeLayout(const BoardLayout& layout);

// The frame without its sequence number and send time: an object's members, without
// the braces (stampFrame adds them).
QByteArray encodeFrameBody(const ViewState& state, int utcOffsetMinutes);
// {"type":"frame","seq":SEQ,"sent":MS,BODY}: a frame as it is sent, stamped when it goes.
QByteArray stampFrame(const QByteArray& body, quint64 sequence, qint64 sentMs);

// A colour 0x00BBGGRR as CSS "#rrggbb".
QString cssColor(std::uint32_t color);

// SVG path data ("M x y L x y C ... Z"), coordinates to 1/100 pixel.
class PathText {
public:
    void moveTo(double x, double y);
    void lineTo(double x, double y);
    void cubicTo(double x1, double y1, double x2, double y2, double x, double y);
    void close();
    const QString& text() const { return m_text; }

private:
    void add(QChar op, std::initializer_list<double> values);
    QString m_text;
};

} // namespace web
