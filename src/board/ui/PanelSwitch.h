#pragma once

#include "board/PanelLook.h"

class Form1;

namespace panelswitch {

// Puts the state's picture on the board (index 0 OFF, 1 ON1, 2 ON2) and colours the
// fifty labels. A user picture that does not exist leaves the picture as it is,
// silently; one that cannot be loaded is reported and also leaves it. The labels are
// recoloured in every case.
void showBacklight(Form1& board, int index, const BacklightLook& look);

} // namespace panelswitch
