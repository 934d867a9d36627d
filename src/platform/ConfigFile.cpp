#include "platform/ConfigFile.h"

#include "platform/SaveFile.h"

#include <QDir>
#include <QFileInfo>

namespace configfile {

QString userFile(const QString& name) {
    QString base = qEnvironmentVariable("XDG_CONFIG_HOME");
    if (base.isEmpty() || !QDir::isAbsolutePath(base))
        base = QDir::homePath() + QStringLiteral("/.config");
    return base + QStringLiteral("/corvane/") + name;
}

QString lineProblem(int line, const QString& what) {
    return QStringLiteral("line %1: %2").arg(line).arg(what);
}

void parse(const QByteArray& text, const Take& take, QStringList* problems) {
    const auto report = [problems](int line, const QString& what) {
        if (problems && !what.isEmpty())
            *problems << lineProblem(line, what);
    };
    int number = 0;
    for (const QByteArray& raw : text.split('\n')) {
        ++number;
        const QString line = QString::fromUtf8(raw).trimmed();
        if (line.isEmpty() || line.startsWith(QLatin1Char('#')))
            continue;
        const qsizetype eq = line.indexOf(QLatin1Char('='));
        if (eq <= 0) {
            report(number, QStringLiteral("expected name=value"));
            continue;
        }
        report(number, take(line.left(eq).trimmed(), line.mid(eq + 1).trimmed()));
    }
}

regularfile::Result read(const QString& path, qint64 maxBytes) {
    regularfile::Result file = regularfile::read(path, maxBytes);
    if (file.status != regularfile::Status::Read)
        file.bytes.clear();
    return file;
}

bool save(const QString& path, const QByteArray& text, QString* error) {
    const QString folder = QFileInfo(path).absolutePath();
    if (!QDir().mkpath(folder)) {
        if (error)
            *error = QStringLiteral("the folder %1 cannot be made").arg(folder);
        return false;
    }
    return savefile::write(path, text, error);
}

} // namespace configfile
