#include "controller/AboutText.h"

namespace controller {

QString aboutText(const QString& executableName, const QString& version, int year) {
    const QString crlf = QStringLiteral("\r\n");
    return QStringLiteral("型番：") + executableName + crlf + QStringLiteral("バージョン：") + version +
           crlf + crlf + QStringLiteral("配布元：Corvane プロジェクト") + crlf +
           QStringLiteral("開  発：Corvane 開発チーム 2026-%1").arg(year) + crlf;
}

} // namespace controller
