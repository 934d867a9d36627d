#include "board/ui/PanelSwitch.h"

#include "board/ui/Form1.h"
#include "board/ui/Label.h"
#include "board/ui/PictureFile.h"
#include "platform/ui/MessageBox.h"

#include <QCoreApplication>
#include <QDir>
#include <QFileInfo>

namespace panelswitch {

void showBacklight(Form1& board, int index, const BacklightLook& look) {
    const int state = qBound(0, index, 2);
    if (look.userPicture) {
        if (FileExists(look.pictureFile)) {
            int errorNumber = 0;
            const QImage picture = loadPicture(look.pictureFile, errorNumber);
            if (errorNumber != 0)
                msgbox::show(&board, pictureErrorMessage(errorNumber),
                             QCoreApplication::translate("PanelSwitch", "エラー"), msgbox::Icon::Critical);
            else
                board.setPicture(picture, QDir::cleanPath(QFileInfo(look.pictureFile).absoluteFilePath()));
        }
    } else {
        board.setPicture(board.imgRes(state), QStringLiteral("builtin"));
    }
    for (int k = 1; k <= Form1::kFareDisplays; ++k)
        board.lblSeiriNum(k)->setForeColor(look.labelColor);
}

} // namespace panelswitch
