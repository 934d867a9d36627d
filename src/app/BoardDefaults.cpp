#include "app/BoardDefaults.h"

#include "board/ui/Form1.h"
#include "platform/ColorRef.h"
#include "settings/ui/frmOption.h"

namespace mdl508_000 {

void InitBoardDefaults(Form1& board, frmOption& options) {
    LiveSettings& live = options.live();
    live.setNumber(Setting::AutoTicketNumbers, 1);
    live.setColour(Setting::TicketNumberColorOff, colorref::rgb(255, 255, 255));
    live.setColour(Setting::TicketNumberColorOn1, colorref::rgb(192, 255, 192));
    live.setColour(Setting::TicketNumberColorOn2, colorref::rgb(255, 192, 128));
    board.setPicture(board.imgRes(0), QStringLiteral("builtin"));
    board.imgRes(1) = board.imgRes(0).copy();
    board.imgRes(2) = board.imgRes(0).copy();
    options.SetProp();
}

} // namespace mdl508_000
