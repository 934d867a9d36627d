#include "board/DisplayConfig.h"

#include "platform/ConfigFile.h"

namespace {

bool parseScale(const QString& text, int& scale) {
    if (text.trimmed().compare(QLatin1String("fit"), Qt::CaseInsensitive) == 0) {
        scale = 0;
        return true;
    }
    bool ok = false;
    const int n = text.trimmed().toInt(&ok);
    if (!ok || n < 1 || n > DisplayConfig::kMaxScale)
        return false;
    scale = n;
    return true;
}

bool parseFlag(const QString& text, bool& flag) {
    const QString t = text.trimmed().toLower();
    if (t == QLatin1String("1") || t == QLatin1String("true") || t == QLatin1String("yes")) {
        flag = true;
        return true;
    }
    if (t == QLatin1String("0") || t == QLatin1String("false") || t == QLatin1String("no")) {
        flag = false;
        return true;
    }
    return false;
}

bool parseScreen(const QString& text, int& screen) {
    bool ok = false;
    const int n = text.trimmed().toInt(&ok);
    if (!ok || n < 0 || n > 63)
        return false;
    screen = n;
    return true;
}

bool parseDots(const QString& text, bool& round) {
    const QString t = text.trimmed().toLower();
    if (t != QLatin1String("round") && t != QLatin1String("square"))
        return false;
    round = t == QLatin1String("round");
    return true;
}

} // namespace

DisplayConfig DisplayConfig::parse(const QByteArray& text) {
    DisplayConfig c;
    configfile::parse(text, [&c](const QString& key, const QString& value) {
        if (key == QLatin1String("scale"))
            parseScale(value, c.scale);
        else if (key == QLatin1String("fullscreen"))
            parseFlag(value, c.fullScreen);
        else if (key == QLatin1String("screen"))
            parseScreen(value, c.screen);
        else if (key == QLatin1String("dots"))
            parseDots(value, c.roundDots);
        else if (key == QLatin1String("glow"))
            parseFlag(value, c.glow);
        return QString();
    });
    return c;
}

QByteArray DisplayConfig::format() const {
    QByteArray out;
    out += "# How Corvane shows the fare board (scale 1..4 or fit; dots square or round).\n";
    out += "scale=" + (scale == 0 ? QByteArray("fit") : QByteArray::number(scale)) + '\n';
    out += "fullscreen=" + QByteArray(fullScreen ? "1" : "0") + '\n';
    out += "screen=" + QByteArray::number(screen) + '\n';
    out += "dots=" + QByteArray(roundDots ? "round" : "square") + '\n';
    out += "glow=" + QByteArray(glow ? "1" : "0") + '\n';
    return out;
}

QString DisplayConfig::filePath() {
    return configfile::userFile(QStringLiteral("display.conf"));
}

DisplayConfig DisplayConfig::load(const QString& path) {
    return parse(configfile::read(path).bytes);
}

bool DisplayConfig::save(const QString& path) const {
    return configfile::save(path, format());
}

QString DisplayConfig::takeArguments(QStringList& args) {
    QStringList rest;
    for (qsizetype i = 0; i < args.size(); ++i) {
        const QString& a = args[i];
        const auto value = [&](QString& out) {
            if (i + 1 >= args.size())
                return false;
            out = args[++i];
            return true;
        };
        QString v;
        if (a == QLatin1String("--scale")) {
            if (!value(v) || !parseScale(v, scale))
                return QStringLiteral("--scale needs 1, 2, 3, 4 or fit");
        } else if (a == QLatin1String("--fullscreen")) {
            fullScreen = true;
        } else if (a == QLatin1String("--windowed")) {
            fullScreen = false;
        } else if (a == QLatin1String("--screen")) {
            if (!value(v) || !parseScreen(v, screen))
                return QStringLiteral("--screen needs a monitor's number (0 is the first)");
        } else if (a == QLatin1String("--dots")) {
            if (!value(v) || !parseDots(v, roundDots))
                return QStringLiteral("--dots needs square or round");
        } else if (a == QLatin1String("--glow")) {
            glow = true;
        } else if (a == QLatin1String("--no-glow")) {
            glow = false;
        } else {
            rest << a;
        }
    }
    args = rest;
    return {};
}
