#pragma once

#include "stopname/SignText.h"

#include <QRect>
#include <QString>
#include <QtGlobal>
#include <optional>
#include <vector>

namespace chimei {
class GlyphSource;
}

// The destination signs of a bus (行先表示器): LED dot matrices at the front, the side
// and the rear, drawn with the glyphs and dot rules of the stop-name strip but written
// horizontally. Display-free: a sign is a grid of dots, each unlit or lit with one of a
// few inks; the window gives each ink its colour.
namespace signs {

enum class SignKind { Front, Side, Rear };
inline constexpr int kSignKinds = 3;
inline constexpr SignKind kAllSigns[kSignKinds] = {SignKind::Front, SignKind::Side, SignKind::Rear};

// "front", "side", "rear".
QString kindName(SignKind kind);
std::optional<SignKind> kindFromName(const QString& name);

enum class Lang { Japanese, English };
QString langName(Lang lang); // "ja", "en"

// What lights a dot.
enum class Ink : quint8 {
    Off = 0,
    Text,    // the destination and the way
    Frame,   // the number box's frame
    BoxFill, // the number box's inside (lit on a full-colour sign only)
    Number,  // the number in its box
};

// The LEDs of the signs: one colour for everything, or full colour (white text, a red
// number box with a white number).
enum class LedColour { Amber, White, Green, Full };
QString colourName(LedColour colour); // "amber", "white", "green", "full"
std::optional<LedColour> colourFromName(const QString& name);
// The colour (0xRRGGBB) of a dot lit with `ink`.
quint32 inkColour(LedColour colour, Ink ink);
// The colour of an unlit dot.
inline constexpr quint32 kUnlitColour = 0x262626;
inline constexpr quint32 kSignBackColour = 0x080808;

// A grid of dots, each with its ink.
class DotImage {
public:
    DotImage() = default;
    DotImage(int width, int height) : m_width(width), m_height(height), m_dots(size_t(width * height)) {}

    int width() const { return m_width; }
    int height() const { return m_height; }
    Ink at(int x, int y) const {
        return x >= 0 && x < m_width && y >= 0 && y < m_height ? m_dots[size_t(y * m_width + x)] : Ink::Off;
    }
    bool isLit(int x, int y) const { return at(x, y) != Ink::Off; }
    // A dot outside the grid is not set.
    void set(int x, int y, Ink ink) {
        if (x >= 0 && x < m_width && y >= 0 && y < m_height)
            m_dots[size_t(y * m_width + x)] = ink;
    }
    // Sets every lit dot of `other` with its top-left at (x, y), cut to `clip` (in
    // this grid) and to the grid, in `ink`.
    void draw(const DotImage& other, int x, int y, const QRect& clip, Ink ink);
    int litCount() const;
    // The smallest rectangle holding every dot that differs from `other` (a grid of the
    // same size); empty when none does.
    QRect changedArea(const DotImage& other) const;
    // One line per row, '#' lit and '.' not, separated by '\n' (no newline at the end).
    QString dump() const;
    bool operator==(const DotImage&) const = default;

private:
    int m_width = 0;
    int m_height = 0;
    std::vector<Ink> m_dots;
};

// The glyph rows of one line of text: 16 dots high, 16 dots for each double-byte
// (full-width) character and 8 for each single-byte (half-width) one of its cp932
// form, printed by the strip's glyph source with the strip's face choice and the
// Gothic faces' one-dot shift of "申" and "山". Horizontal writing keeps every other
// character as the font draws it (the strip's turns are for vertical writing).
DotImage textDots(const QString& text, chimei::GlyphSource& glyphs, qint16 fontMode = 0, bool bold = false);

// One line of text on a sign: where it may show, and the dots of the text. A text
// wider than its area scrolls through it; a narrower one stands centred.
struct TextArea {
    QRect area;
    DotImage text;
    bool scrolls() const { return text.width() > area.width(); }
    // Where the text's left edge stands while it stands still.
    int restingX() const { return area.x() + (area.width() - text.width()) / 2; }
    bool operator==(const TextArea&) const = default;
};

struct SignLayout {
    DotImage still;              // the box, the number and the texts that stand still
    std::vector<TextArea> lines; // each text line, standing or scrolling
    // The parts of `still` one by one, for a view that draws them itself: the number
    // box (its frame, the inside lit when `boxFilled`; empty without a box) and the
    // number's dots with their top-left at `numberAt`, cut to the inside of the box.
    QRect box;
    bool boxFilled = false;
    DotImage number;
    QPoint numberAt;
    bool operator==(const SignLayout&) const = default;
};

// The sizes of the signs in dots.
inline constexpr int kFrontWidth = 176, kFrontHeight = 20;
inline constexpr int kSideWidth = 192, kSideHeight = 36;
inline constexpr int kRearWidth = 48, kRearHeight = 20;
// The number box: a one-dot frame, two dots of space around the number, never narrower
// than kBoxMinWidth nor wider than kBoxMaxWidth (a longer number is cut).
inline constexpr int kBoxMinWidth = 28, kBoxMaxWidth = 48;
QSize signSize(SignKind kind);

// Lays out one sign in a language: the front has the number box at its left and the
// destination beside it; the side the number box and the destination above the way
// (the destination alone stands in the middle); the rear the number box alone. An
// empty text shows nothing; English falls back to the Japanese where it is not known.
// `fillBox` lights the box's inside (a full-colour sign).
SignLayout layoutSign(SignKind kind, const SignText& text, Lang lang, chimei::GlyphSource& glyphs,
                      bool fillBox = false);

// The text a sign shows in a language (its destination, with the way on the side).
QString shownText(SignKind kind, const SignText& text, Lang lang);

// The sign's dots with each scrolling line's text at `offsets[i]` dots from the left
// of its area (a line that stands still ignores its offset).
DotImage compose(const SignLayout& layout, const std::vector<int>& offsets);

} // namespace signs
