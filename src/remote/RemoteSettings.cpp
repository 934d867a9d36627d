#include "remote/RemoteSettings.h"

#include "platform/SaveFile.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QHostAddress>
#include <QStringList>

RemoteSettings RemoteSettings::parse(const QByteArray& text, QStringList* problems) {
    RemoteSettings s;
    const auto problem = [problems](int line, const QString& what) {
        if (problems)
            *problems << QStringLiteral("line %1: %2").arg(line).arg(what);
    };
    int number = 0;
    for (const QByteArray& rawLine : text.split('\n')) {
        ++number;
        const QString line = QString::fromUtf8(rawLine).trimmed();
        if (line.isEmpty() || line.startsWith(QLatin1Char('#')))
            continue;
        const qsizetype eq = line.indexOf(QLatin1Char('='));
        if (eq <= 0) {
            problem(number, QStringLiteral("expected name=value"));
            continue;
        }
        const QString name = line.left(eq).trimmed();
        const QString value = line.mid(eq + 1).trimmed();
        if (name == QLatin1String("enabled")) {
            if (value == QLatin1String("true") || value == QLatin1String("1"))
                s.enabled = true;
            else if (value == QLatin1String("false") || value == QLatin1String("0"))
                s.enabled = false;
            else
                problem(number, QStringLiteral("enabled must be true or false"));
        } else if (name == QLatin1String("port")) {
            bool ok = false;
            const uint port = value.toUInt(&ok);
            if (ok && port >= 1 && port <= 65535)
                s.port = quint16(port);
            else
                problem(number, QStringLiteral("port must be a number from 1 to 65535"));
        } else if (name == QLatin1String("idle")) {
            bool ok = false;
            const uint idle = value.toUInt(&ok);
            if (ok && idle <= kMaxIdleSeconds)
                s.idleSeconds = int(idle);
            else
                problem(number,
                        QStringLiteral("idle must be a number of seconds from 0 to %1").arg(kMaxIdleSeconds));
        } else if (name == QLatin1String("address")) {
            if (QHostAddress(value).isNull() && value != QLatin1String("localhost"))
                problem(number, QStringLiteral("address \"%1\" is not an IP address").arg(value));
            else
                s.address = value;
        } else {
            problem(number, QStringLiteral("unknown name \"%1\"").arg(name));
        }
    }
    return s;
}

QByteArray RemoteSettings::format() const {
    QString out = QStringLiteral("# Remote control of the fare board (see docs/remote-control.md)\n");
    out += QStringLiteral("enabled=%1\n").arg(enabled ? QStringLiteral("true") : QStringLiteral("false"));
    out += QStringLiteral("port=%1\n").arg(port);
    out += QStringLiteral("address=%1\n").arg(address);
    out += QStringLiteral("idle=%1\n").arg(idleSeconds);
    return out.toUtf8();
}

QString RemoteSettings::filePath() {
    QString base = qEnvironmentVariable("XDG_CONFIG_HOME");
    if (base.isEmpty() || !QDir::isAbsolutePath(base))
        base = QDir::homePath() + QStringLiteral("/.config");
    return base + QStringLiteral("/corvane/remote.conf");
}

RemoteSettings RemoteSettings::load(const QString& path, QStringList* problems) {
    // A named pipe or a device would never end: only a plain file is read.
    if (!QFileInfo(path).isFile())
        return RemoteSettings{};
    QFile f(path);
    if (!f.open(QIODevice::ReadOnly))
        return RemoteSettings{};
    return parse(f.read(64 * 1024), problems);
}

bool RemoteSettings::save(const QString& path) const {
    if (!QDir().mkpath(QFileInfo(path).absolutePath()))
        return false;
    return savefile::write(path, format());
}
