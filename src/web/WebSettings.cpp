#include "web/WebSettings.h"

#include "platform/ConfigFile.h"
#include "remote/RemoteSettings.h"

#include <QStringList>

WebSettings WebSettings::parse(const QByteArray& text, QStringList* problems) {
    WebSettings s;
    const auto take = [&s](const QString& name, const QString& value) -> QString {
        if (name == QLatin1String("enabled"))
            return listenvalues::takeEnabled(value, s.enabled);
        if (name == QLatin1String("port"))
            return listenvalues::takePort(value, s.port);
        if (name == QLatin1String("address"))
            return listenvalues::takeAddress(value, s.address);
        return QStringLiteral("unknown name \"%1\"").arg(name);
    };
    configfile::parse(text, take, problems);
    return s;
}

QByteArray WebSettings::format() const {
    QString out = QStringLiteral("# The board page for web browsers (see docs/web-view.md)\n");
    out += QStringLiteral("enabled=%1\n").arg(enabled ? QStringLiteral("true") : QStringLiteral("false"));
    out += QStringLiteral("port=%1\n").arg(port);
    out += QStringLiteral("address=%1\n").arg(address);
    return out.toUtf8();
}

QString WebSettings::filePath() {
    return configfile::userFile(QStringLiteral("web.conf"));
}

WebSettings WebSettings::load(const QString& path, QStringList* problems) {
    return parse(configfile::read(path).bytes, problems);
}

bool WebSettings::save(const QString& path) const {
    return configfile::save(path, format());
}
