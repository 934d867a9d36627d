#include "settings/SettingsError.h"

#include <QCoreApplication>

namespace settings_error {

QString description(int number) {
    switch (number) {
    case Overflow:
        return QCoreApplication::translate("SettingsError", "オーバーフローしました。");
    case BadFileNameOrNumber:
        return QCoreApplication::translate("SettingsError", "ファイル名または番号が不正です。");
    case FileNotFound:
        return QCoreApplication::translate("SettingsError", "ファイルが見つかりません。");
    case DeviceIoError:
        return QCoreApplication::translate("SettingsError", "デバイス I/O エラーです。");
    case InputPastEndOfFile:
        return QCoreApplication::translate("SettingsError", "ファイルにこれ以上データがありません。");
    case PermissionDenied:
        return QCoreApplication::translate("SettingsError", "書き込みできません。");
    case PathFileAccessError:
        return QCoreApplication::translate("SettingsError", "パス名が無効です。");
    case PathNotFound:
        return QCoreApplication::translate("SettingsError", "パスが見つかりません。");
    case InvalidPropertyValue:
        return QCoreApplication::translate("SettingsError", "プロパティの値が不正です。");
    default:
        return {};
    }
}

} // namespace settings_error
