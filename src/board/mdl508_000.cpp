#include "mdl508_000.h"

#include "Form1.h"
#include "M_Degit.h"

namespace mdl508_000 {

void InitFareDegits(Form1& board) {
    for (int i = 1; i <= Form1::kFareDisplays; ++i) {
        board.Degit(i)->setDegitStyle(1);
        board.Degit(i)->ResetDegit(false);
    }
}

} // namespace mdl508_000
