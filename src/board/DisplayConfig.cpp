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

bool parseNumber(const QString& text, int low, int high, int& out) {
    bool ok = false;
    const int n = text.trimmed().toInt(&ok);
    if (!ok || n < low || n > high)
        return false;
    out = n;
    return true;
}

bool parsePosition(const QString& text, std::optional<QPoint>& out) {
    const QStringList xy = text.split(QLatin1Char(','));
    int x = 0, y = 0;
    if (xy.size() != 2 || !parseNumber(xy[0], -100000, 100000, x) || !parseNumber(xy[1], -100000, 100000, y))
        return false;
    out = QPoint(x, y);
    return true;
}

QByteArray positionText(const QPoint& p) {
    return QByteArray::number(p.x()) + ',' + QByteArray::number(p.y());
}

bool parseColour(const QString& text, signs::LedColour& colour) {
    const std::optional<signs::LedColour> c = signs::colourFromName(text.trimmed().toLower());
    if (c)
        colour = *c;
    return c.has_value();
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
        else if (key == QLatin1String("sign_colour"))
            parseColour(value, c.signColour);
        else if (key == QLatin1String("alternate"))
            parseNumber(value, 0, 3600, c.alternate);
        else if (key == QLatin1String("sign_speed"))
            parseNumber(value, 1, 2000, c.signSpeed);
        else if (key == QLatin1String("sign_dot_pixels"))
            parseNumber(value, 2, 16, c.signDotPixels);
        for (signs::SignKind kind : signs::kAllSigns) {
            const QString name = QStringLiteral("sign_") + signs::kindName(kind);
            if (key == name)
                parseFlag(value, c.sign(kind).open);
            else if (key == name + QStringLiteral("_at"))
                parsePosition(value, c.sign(kind).position);
        }
        for (int b = 2; b <= kMaxBoards; ++b) {
            if (key == QStringLiteral("board%1_at").arg(b))
                parsePosition(value, c.boardPositions[size_t(b - 1)]);
        }
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
    out += "# Destination signs: open (1) or not, where; LEDs amber, white, green or full;\n"
           "# seconds of each language (0: Japanese only); scroll speed 1..2000; pixels a dot.\n";
    for (signs::SignKind kind : signs::kAllSigns) {
        const QByteArray name = "sign_" + signs::kindName(kind).toLatin1();
        out += name + '=' + (sign(kind).open ? "1" : "0") + '\n';
        if (sign(kind).position)
            out += name + "_at=" + positionText(*sign(kind).position) + '\n';
    }
    out += "sign_colour=" + signs::colourName(signColour).toLatin1() + '\n';
    out += "alternate=" + QByteArray::number(alternate) + '\n';
    out += "sign_speed=" + QByteArray::number(signSpeed) + '\n';
    out += "sign_dot_pixels=" + QByteArray::number(signDotPixels) + '\n';
    for (int b = 2; b <= kMaxBoards; ++b) {
        if (boardPositions[size_t(b - 1)])
            out += "board" + QByteArray::number(b) + "_at=" + positionText(*boardPositions[size_t(b - 1)]) +
                   '\n';
    }
    return out;
}

signs::SignSettings DisplayConfig::signSettings() const {
    signs::SignSettings s;
    s.alternate = alternate;
    s.speed = qint16(signSpeed);
    s.fillBox = signColour == signs::LedColour::Full;
    return s;
}

void DisplayConfig::takeBoardLook(const DisplayConfig& other) {
    scale = other.scale;
    fullScreen = other.fullScreen;
    screen = other.screen;
    roundDots = other.roundDots;
    glow = other.glow;
}

void DisplayConfig::takeSigns(const DisplayConfig& other) {
    signs = other.signs;
    signColour = other.signColour;
    alternate = other.alternate;
    signSpeed = other.signSpeed;
    signDotPixels = other.signDotPixels;
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
        } else if (a == QLatin1String("--sign")) {
            std::optional<signs::SignKind> kind;
            if (value(v))
                kind = signs::kindFromName(v);
            if (!kind)
                return QStringLiteral("--sign needs front, side or rear");
            sign(*kind).open = true;
        } else if (a == QLatin1String("--sign-colour")) {
            if (!value(v) || !parseColour(v, signColour))
                return QStringLiteral("--sign-colour needs amber, white, green or full");
        } else if (a == QLatin1String("--alternate")) {
            if (!value(v) || !parseNumber(v, 0, 3600, alternate))
                return QStringLiteral("--alternate needs seconds from 0 to 3600 (0: Japanese only)");
        } else if (a == QLatin1String("--boards")) {
            if (!value(v) || !parseNumber(v, 1, kMaxBoards, boards))
                return QStringLiteral("--boards needs 1, 2, 3 or 4");
        } else {
            rest << a;
        }
    }
    args = rest;
    return {};
}
