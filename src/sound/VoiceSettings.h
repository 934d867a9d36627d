#pragma once

#include <QByteArray>
#include <QString>
#include <QStringList>

// The voice of the spoken announcements: what the voice dialog adjusts. Kept in a
// small file of its own, "voice.conf" in the program's configuration folder.
struct VoiceSettings {
    static constexpr double kSpeedMin = 0.5, kSpeedMax = 2.0, kSpeedDefault = 1.0;
    static constexpr double kPitchMin = -12.0, kPitchMax = 12.0, kPitchDefault = 0.0;   // semitones
    static constexpr double kVolumeMin = -20.0, kVolumeMax = 6.0, kVolumeDefault = 0.0; // dB
    static constexpr double kToneMin = 0.3, kToneMax = 0.8, kToneDefault = 0.55;        // all-pass constant

    double speed = kSpeedDefault;
    double pitch = kPitchDefault;
    double volume = kVolumeDefault;
    double tone = kToneDefault;

    // Every value within its range (a value that is not a number becomes the default).
    VoiceSettings clamped() const;
    // The synthesiser's options for these values.
    QStringList synthesisArguments() const;

    // The file's text form: one "name=value" line each, unknown lines ignored, values
    // out of range clamped, unreadable values left at their defaults.
    static VoiceSettings parse(const QByteArray& text);
    QByteArray format() const;

    // $XDG_CONFIG_HOME/corvane/voice.conf (default ~/.config/corvane/voice.conf).
    static QString filePath();
    // Reads the file (configfile::read); the defaults when it is missing, unreadable, not
    // a plain file or longer than configfile::kMaxBytes.
    static VoiceSettings load(const QString& path = filePath());
    // Writes the file in one piece (configfile::save); false, the old file whole, when it
    // cannot, or when the name is not a regular file (a folder, a named pipe).
    bool save(const QString& path = filePath()) const;

    bool operator==(const VoiceSettings&) const = default;
};
