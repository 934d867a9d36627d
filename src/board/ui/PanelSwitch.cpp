#include "board/ui/PanelSwitch.h"

#include "board/ui/Form1.h"
#include "board/ui/Label.h"
#include "platform/ui/MessageBox.h"

#include <QDir>
#include <QFileInfo>
#include <QImageReader>

namespace panelswitch {
namespace {

// Loads a picture; on failure returns the loader's error number.
QImage loadPicture(const QString& path, int& errorNumber) {
    errorNumber = 0;
    const QFileInfo info(path);
    if (!info.exists()) {
        errorNumber = QFileInfo(info.absolutePath()).isDir() ? 53 : 76;
        return QImage();
    }
    if (!info.isFile() || !info.isReadable()) {
        errorNumber = 75;
        return QImage();
    }
    QImageReader reader(path);
    reader.setDecideFormatFromContent(true);
    QImage image = reader.read();
    if (image.isNull()) {
        switch (reader.error()) {
        case QImageReader::FileNotFoundError:
            errorNumber = 53;
            break;
        case QImageReader::DeviceError:
            errorNumber = 57;
            break;
        default:
            errorNumber = 481;
            break;
        }
    }
    return image;
}

} // namespace

void showBacklight(Form1& board, int index, const BacklightLook& look) {
    const int state = qBound(0, index, 2);
    if (look.userPicture) {
        if (FileExists(look.pictureFile)) {
            int errorNumber = 0;
            const QImage picture = loadPicture(look.pictureFile, errorNumber);
            if (errorNumber != 0)
                msgbox::show(&board, pictureErrorMessage(errorNumber), QStringLiteral("エラー"),
                             msgbox::Icon::Critical);
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
