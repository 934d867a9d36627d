#include "web/WebSettings.h"

#include "platform/ConfigFile.h"

#include <QHostAddress>
#include <QStringList>

WebSettings WebSettings::parse(const QByteArray& text, QStringList* problems) {
    WebSettings s;
    const auto take = [&s](const QString& name, const QString& value) -> QString {
        if (name == QLatin1String("enabled")) {
            if (value == QLatin1String("true") || value == QLatin1String("1"))
                s.enabled = true;
            else if (value == QLatin1String("false") || value == QLatin1String("0"))
                s.enabled = false;
            else
                return QStringLiteral("enabled must be true or false");
        } else if (name == QLatin1String("port")) {
            bool ok = false;
            const uint port = value.toUInt(&ok);
            if (!ok || port < 1 || port > 65535)
                return QStringLiteral("port must be a number from 1 to 65535");
            s.port = quint16(port);
        } else if (name == QLatin1String("address")) {
            if (QHostAddress(value).isNull() && value != QLatin1String("localhost"))
                return QStringLiteral("address \"%1\" is not an IP address").arg(value);
            s.address = value;
        } else {
            return QStringLiteral("unknown name \"%1\"").arg(name);
        }
        return QString();
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
