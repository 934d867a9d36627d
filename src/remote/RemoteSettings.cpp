#include "remote/RemoteSettings.h"

#include "platform/ConfigFile.h"

#include <QHostAddress>
#include <QStringList>

namespace listenvalues {

QString takeEnabled(const QString& value, bool& out) {
    if (value == QLatin1String("true") || value == QLatin1String("1"))
        out = true;
    else if (value == QLatin1String("false") || value == QLatin1String("0"))
        out = false;
    else
        return QStringLiteral("enabled must be true or false");
    return QString();
}

QString takePort(const QString& value, quint16& out) {
    bool ok = false;
    const uint port = value.toUInt(&ok);
    if (!ok || port < 1 || port > 65535)
        return QStringLiteral("port must be a number from 1 to 65535");
    out = quint16(port);
    return QString();
}

QString takeAddress(const QString& value, QString& out) {
    if (QHostAddress(value).isNull() && value != QLatin1String("localhost"))
        return QStringLiteral("address \"%1\" is not an IP address").arg(value);
    out = value;
    return QString();
}

} // namespace listenvalues

RemoteSettings RemoteSettings::parse(const QByteArray& text, QStringList* problems) {
    RemoteSettings s;
    const auto take = [&s](const QString& name, const QString& value) -> QString {
        if (name == QLatin1String("enabled"))
            return listenvalues::takeEnabled(value, s.enabled);
        if (name == QLatin1String("port"))
            return listenvalues::takePort(value, s.port);
        if (name == QLatin1String("address"))
            return listenvalues::takeAddress(value, s.address);
        if (name == QLatin1String("idle")) {
            bool ok = false;
            const uint idle = value.toUInt(&ok);
            if (!ok || idle > kMaxIdleSeconds)
                return QStringLiteral("idle must be a number of seconds from 0 to %1").arg(kMaxIdleSeconds);
            s.idleSeconds = int(idle);
            return QString();
        }
        return QStringLiteral("unknown name \"%1\"").arg(name);
    };
    configfile::parse(text, take, problems);
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
    return configfile::userFile(QStringLiteral("remote.conf"));
}

RemoteSettings RemoteSettings::load(const QString& path, QStringList* problems) {
    return parse(configfile::read(path).bytes, problems);
}

bool RemoteSettings::save(const QString& path) const {
    return configfile::save(path, format());
}
