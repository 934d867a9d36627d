#pragma once

#include <QtGlobal>

class Form1;

// Puts the board into shape at start-up.
namespace mdl508_000 {

// All fare displays get digit style 1 and are blanked.
void InitFareDegits(Form1& board);

// Writes the ticket-number labels for a numbering variant (0..11; see
// ticketnumbers::layout) with or without two-digit numbers. Label 1 also gets its
// font for the variant.
void SeirikenNumSet(Form1& board, qint16& style, qint16& zeroPad);

} // namespace mdl508_000
