#include "controller/AboutText.h"

#include <QCoreApplication>

namespace controller {

namespace {

// The year the developers' work began.
constexpr int kFirstYear = 2026;

} // namespace

QString yearSpan(int year) {
    if (year <= kFirstYear)
        return QString::number(kFirstYear);
    return QStringLiteral("%1-%2").arg(kFirstYear).arg(year);
}

QString aboutText(const QString& executableName, const QString& version, int year) {
    const QString crlf = QStringLiteral("\r\n");
    return QCoreApplication::translate("AboutText", "型番：") + executableName + crlf +
           QCoreApplication::translate("AboutText", "バージョン：") + version + crlf + crlf +
           QCoreApplication::translate("AboutText", "配布元：Corvane プロジェクト") + crlf +
           QCoreApplication::translate("AboutText", "開  発：Corvane 開発チーム ") + yearSpan(year) + crlf;
}

QString aboutCredits() {
    return QCoreApplication::translate(
        "AboutText",
        "Corvane は MIT ライセンスのフリーソフトウェアです。\n"
        "路線 9000 (道南バス 東室蘭駅東口〜地球岬団地) のデータ: むろらんオープンデータライブラリ "
        "(CC BY 2.1 JP)、© OpenStreetMap contributors (CC BY-SA 3.0)、GTFS-JP 化 aruneko/DonanbusGTFS。"
        "この路線のファイルは CC BY-SA 3.0 です。");
}

} // namespace controller
