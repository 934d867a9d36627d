#include "sound/VoiceSettings.h"

#include "platform/ConfigFile.h"

#include <cmath>

namespace {

double clampValue(double value, double low, double high, double fallback) {
    if (!std::isfinite(value))
        return fallback;
    return value < low ? low : (value > high ? high : value);
}

QString number(double value) {
    return QString::number(value, 'g', 6);
}

} // namespace

VoiceSettings VoiceSettings::clamped() const {
    VoiceSettings v;
    v.speed = clampValue(speed, kSpeedMin, kSpeedMax, kSpeedDefault);
    v.pitch = clampValue(pitch, kPitchMin, kPitchMax, kPitchDefault);
    v.volume = clampValue(volume, kVolumeMin, kVolumeMax, kVolumeDefault);
    v.tone = clampValue(tone, kToneMin, kToneMax, kToneDefault);
    return v;
}

QStringList VoiceSettings::synthesisArguments() const {
    const VoiceSettings v = clamped();
    return {QStringLiteral("-r"), number(v.speed),  QStringLiteral("-fm"), number(v.pitch),
            QStringLiteral("-g"), number(v.volume), QStringLiteral("-a"),  number(v.tone)};
}

VoiceSettings VoiceSettings::parse(const QByteArray& text) {
    VoiceSettings v;
    configfile::parse(text, [&v](const QString& name, const QString& written) {
        bool ok = false;
        const double value = written.toDouble(&ok);
        if (!ok || !std::isfinite(value))
            return QString();
        if (name == QLatin1String("speed"))
            v.speed = value;
        else if (name == QLatin1String("pitch"))
            v.pitch = value;
        else if (name == QLatin1String("volume"))
            v.volume = value;
        else if (name == QLatin1String("tone"))
            v.tone = value;
        return QString();
    });
    return v.clamped();
}

QByteArray VoiceSettings::format() const {
    const VoiceSettings v = clamped();
    QString out = QStringLiteral("# The voice of the spoken announcements\n");
    out += QStringLiteral("speed=%1\n").arg(number(v.speed));
    out += QStringLiteral("pitch=%1\n").arg(number(v.pitch));
    out += QStringLiteral("volume=%1\n").arg(number(v.volume));
    out += QStringLiteral("tone=%1\n").arg(number(v.tone));
    return out.toUtf8();
}

QString VoiceSettings::filePath() {
    return configfile::userFile(QStringLiteral("voice.conf"));
}

VoiceSettings VoiceSettings::load(const QString& path) {
    return parse(configfile::read(path).bytes);
}

bool VoiceSettings::save(const QString& path) const {
    return configfile::save(path, format());
}
