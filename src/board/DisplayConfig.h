#pragma once

#include <QByteArray>
#include <QString>
#include <QStringList>

// How the board is shown on a monitor: its scale, full screen on a chosen monitor, the
// look of the stop-name dots. Kept in a small file of its own, "display.conf" in the
// program's configuration folder (the settings file is left as other readers know it),
// and given on the command line: 508 --scale 3 --fullscreen --screen 1.
struct DisplayConfig {
    static constexpr int kMaxScale = 4;

    int scale = 1;           // 1..4; 0 = as large as the screen allows
    bool fullScreen = false; // the board fills its monitor (drawn as large as it fits)
    int screen = 0;          // the monitor, 0 = the first
    bool roundDots = false;  // stop-name dots drawn round instead of square
    bool glow = false;       // unlit dots of the stop-name strip glow faintly

    bool fitsScreen() const { return scale == 0; }

    // The file's text form: one "name=value" line each; unknown lines and values that
    // cannot be read are ignored.
    static DisplayConfig parse(const QByteArray& text);
    QByteArray format() const;

    // $XDG_CONFIG_HOME/corvane/display.conf (default ~/.config/corvane/display.conf).
    static QString filePath();
    // Reads the file (configfile::read); the defaults when it is missing, unreadable, not
    // a plain file or longer than configfile::kMaxBytes.
    static DisplayConfig load(const QString& path = filePath());
    // Writes the file in one piece (configfile::save); false, the old file whole, when it
    // cannot, or when the name is not a regular file (a folder, a named pipe).
    bool save(const QString& path = filePath()) const;

    // Takes the display options of a command line (--scale N|fit, --fullscreen,
    // --windowed, --screen N, --dots square|round, --glow, --no-glow) out of `args`,
    // leaving the others. Returns "" or why an option was refused.
    QString takeArguments(QStringList& args);

    bool operator==(const DisplayConfig&) const = default;
};
