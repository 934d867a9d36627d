#include "settings/SettingsError.h"

namespace settings_error {

QString description(int number) {
    switch (number) {
    case Overflow:
        return QStringLiteral("オーバーフローしました。");
    case BadFileNameOrNumber:
        return QStringLiteral("ファイル名または番号が不正です。");
    case FileNotFound:
        return QStringLiteral("ファイルが見つかりません。");
    case DeviceIoError:
        return QStringLiteral("デバイス I/O エラーです。");
    case InputPastEndOfFile:
        return QStringLiteral("ファイルにこれ以上データがありません。");
    case PermissionDenied:
        return QStringLiteral("書き込みできません。");
    case PathFileAccessError:
        return QStringLiteral("パス名が無効です。");
    case PathNotFound:
        return QStringLiteral("パスが見つかりません。");
    case InvalidPropertyValue:
        return QStringLiteral("プロパティの値が不正です。");
    default:
        return {};
    }
}

} // namespace settings_error
