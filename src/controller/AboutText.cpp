#include "controller/AboutText.h"

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
    return QStringLiteral("型番：") + executableName + crlf + QStringLiteral("バージョン：") + version +
           crlf + crlf + QStringLiteral("配布元：Corvane プロジェクト") + crlf +
           QStringLiteral("開  発：Corvane 開発チーム ") + yearSpan(year) + crlf;
}

QString aboutCredits() {
    return QStringLiteral(
        "Corvane は MIT ライセンスのフリーソフトウェアです。\n"
        "路線 9000 (道南バス 東室蘭駅東口〜地球岬団地) のデータ: むろらんオープンデータライブラリ "
        "(CC BY 2.1 JP)、© OpenStreetMap contributors (CC BY-SA 3.0)、GTFS-JP 化 aruneko/DonanbusGTFS。"
        "この路線のファイルは CC BY-SA 3.0 です。");
}

} // namespace controller
