#include "sound/VoiceSettings.h"

#include "platform/SaveFile.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
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
    for (const QByteArray& rawLine : text.split('\n')) {
        const QByteArray line = rawLine.trimmed();
        if (line.isEmpty() || line.startsWith('#'))
            continue;
        const qsizetype eq = line.indexOf('=');
        if (eq <= 0)
            continue;
        const QByteArray name = line.left(eq).trimmed();
        bool ok = false;
        const double value = line.mid(eq + 1).trimmed().toDouble(&ok);
        if (!ok || !std::isfinite(value))
            continue;
        if (name == "speed")
            v.speed = value;
        else if (name == "pitch")
            v.pitch = value;
        else if (name == "volume")
            v.volume = value;
        else if (name == "tone")
            v.tone = value;
    }
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
    QString base = qEnvironmentVariable("XDG_CONFIG_HOME");
    if (base.isEmpty() || !QDir::isAbsolutePath(base))
        base = QDir::homePath() + QStringLiteral("/.config");
    return base + QStringLiteral("/corvane/voice.conf");
}

VoiceSettings VoiceSettings::load(const QString& path) {
    QFile f(path);
    if (!f.open(QIODevice::ReadOnly))
        return VoiceSettings{};
    return parse(f.read(64 * 1024));
}

bool VoiceSettings::save(const QString& path) const {
    if (!QDir().mkpath(QFileInfo(path).absolutePath()))
        return false;
    return savefile::write(path, format());
}
