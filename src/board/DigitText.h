#pragma once

#include "board/DigitValue.h"

#include <QString>

// The format of a seven-segment display, as its properties hold it.
struct DisplayFormat {
    int keta = 4;     // places, 1..15
    int zeroMode = 0; // 0..3; any other value applies no zero rule
    int shift = 0;    // blank places kept at the right end
    int fillZero = 0; // minimum digit count of a number (leading zeros); <= 0: none
};

namespace digittext {

// Applies the zero rule, the zero fill and the shift to a value and returns the text
// that is right-aligned over the row of unlit "8"s (before it is cut to the places).
QString shownText(const DigitValue& value, const DisplayFormat& format);

// What each place shows, left to right: exactly `keta` characters, a space where a
// place shows only the unlit "8". Characters beyond the places are lost at the left.
QString places(const DigitValue& value, const DisplayFormat& format);

// The places for a text that is drawn as it is (no rules), as a lamp test or a
// blanking draws it.
QString placesOfText(const QString& text, int keta);

} // namespace digittext
