#include "controller/UserGuide.h"

#include <QDir>
#include <QFileInfo>

namespace controller {

QStringList guideCandidates(const QString& executablePath) {
    const QString bin = QFileInfo(executablePath).absolutePath();
    QStringList out;
    for (const char* folder :
         {"/../share/doc/corvane/docs/guide/", "/../../docs/guide/", "/../docs/guide/"}) {
        for (const char* page : {"index.html", "README.md"})
            out << QDir::cleanPath(bin + QLatin1String(folder) + QLatin1String(page));
    }
    return out;
}

QString findGuide(const QString& executablePath) {
    for (const QString& candidate : guideCandidates(executablePath)) {
        if (QFileInfo(candidate).isFile())
            return candidate;
    }
    return QString();
}

} // namespace controller
