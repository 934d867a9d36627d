#include "board/PanelLook.h"

#include <QCoreApplication>
#include <QFileInfo>

namespace panelswitch {

bool FileExists(const QString& path) {
    if (path.isEmpty())
        return false;
    const QFileInfo info(path);
    return info.exists() && info.isFile();
}

QString pictureErrorMessage(int errorNumber) {
    QString text =
        QCoreApplication::translate("PanelLook", "エラーです。\n\nエラーコード：%1").arg(errorNumber);
    switch (errorNumber) {
    case 7:
    case 28:
    case 51:
        text += QCoreApplication::translate(
            "PanelLook",
            "　内部的なエラーです。Marrowbyへ報告してください。エラー場所：frmCtl.Option4_Click()");
        break;
    case 53:
    case 75:
    case 76:
        text += QCoreApplication::translate("PanelLook",
                                            "　画像ファイルが見つからないか、指定している場所が不正です。");
        break;
    case 57:
    case 68:
        text += QCoreApplication::translate("PanelLook", "　デバイスエラーもしくは準備が出来ていません。");
        break;
    case 481:
        text += QCoreApplication::translate("PanelLook",
                                            "　指定した画像の内容が不正です。この部分では扱えません。");
        break;
    default:
        break;
    }
    return text;
}

} // namespace panelswitch
