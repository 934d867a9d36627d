#include "PanelSwitch.h"

#include "Form1.h"
#include "Label.h"
#include "MessageBox.h"

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

bool FileExists(const QString& path) {
    if (path.isEmpty())
        return false;
    const QFileInfo info(path);
    return info.exists() && info.isFile();
}

QString pictureErrorMessage(int errorNumber) {
    QString text = QStringLiteral("エラーです。\n\nエラーコード：%1").arg(errorNumber);
    switch (errorNumber) {
    case 7:
    case 28:
    case 51:
        text += QStringLiteral(
            "　内部的なエラーです。Marrowbyへ報告してください。エラー場所：frmCtl.Option4_Click()");
        break;
    case 53:
    case 75:
    case 76:
        text += QStringLiteral("　画像ファイルが見つからないか、指定している場所が不正です。");
        break;
    case 57:
    case 68:
        text += QStringLiteral("　デバイスエラーもしくは準備が出来ていません。");
        break;
    case 481:
        text += QStringLiteral("　指定した画像の内容が不正です。この部分では扱えません。");
        break;
    default:
        break;
    }
    return text;
}

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
