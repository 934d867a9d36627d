#include "board/ui/mdl508_000.h"

#include "board/TicketNumbers.h"
#include "board/ui/Form1.h"
#include "board/ui/Label.h"
#include "board/ui/M_Degit.h"

namespace mdl508_000 {

void InitFareDegits(Form1& board) {
    for (int i = 1; i <= Form1::kFareDisplays; ++i) {
        board.Degit(i)->setDegitStyle(1);
        board.Degit(i)->ResetDegit(false);
    }
}

void SeirikenNumSet(Form1& board, qint16& style, qint16& zeroPad) {
    const ticketnumbers::Layout layout = ticketnumbers::layout(style, zeroPad != 0);
    Label* first = board.lblSeiriNum(1);
    first->setFontName(QStringLiteral("ＭＳ Ｐゴシック"));
    if (style >= 2)
        first->setCaption(layout.captions.value(1));
    first->setFontSize(layout.label1FontSize);
    for (auto it = layout.captions.cbegin(); it != layout.captions.cend(); ++it)
        board.lblSeiriNum(it.key())->setCaption(it.value());
}

} // namespace mdl508_000
