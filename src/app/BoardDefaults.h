#pragma once

class Form1;
class frmOption;

namespace mdl508_000 {

// The start-up defaults of the panel options and the built-in panel pictures; ends
// by applying the options to the board. A settings file read later overrides them.
void InitBoardDefaults(Form1& board, frmOption& options);

} // namespace mdl508_000
