#pragma once

class Form1;

// Puts the board into shape at start-up.
namespace mdl508_000 {

// All fare displays get digit style 1 and are blanked.
void InitFareDegits(Form1& board);

} // namespace mdl508_000
