#pragma once

#include <QString>

// Error numbers and descriptions of the settings file and the live settings, in the
// numbering of the original runtime so that the messages read as they always did.
namespace settings_error {

constexpr int Overflow = 6;               // "オーバーフローしました。"
constexpr int BadFileNameOrNumber = 52;   // "ファイル名または番号が不正です。"
constexpr int FileNotFound = 53;          // "ファイルが見つかりません。"
constexpr int DeviceIoError = 57;         // "デバイス I/O エラーです。"
constexpr int InputPastEndOfFile = 62;    // "ファイルにこれ以上データがありません。"
constexpr int PermissionDenied = 70;      // "書き込みできません。"
constexpr int PathFileAccessError = 75;   // "パス名が無効です。"
constexpr int PathNotFound = 76;          // "パスが見つかりません。"
constexpr int InvalidPropertyValue = 380; // "プロパティの値が不正です。"

// The runtime's description of an error number; "" for a number not in the list above.
QString description(int number);

} // namespace settings_error

// An error of the settings file or of applying its values: number 0 means none.
struct SettingsError {
    int number = 0;
    QString description;

    bool isError() const { return number != 0; }
    static SettingsError make(int number) { return {number, settings_error::description(number)}; }
};
