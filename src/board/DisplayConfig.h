#pragma once

#include "stopname/SignDriver.h"

#include <QByteArray>
#include <QPoint>
#include <QString>
#include <QStringList>
#include <array>
#include <optional>

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

    // The destination signs: which are open and where, their LEDs, the seconds of each
    // language, the speed of a scrolling text (the strip's speed units) and the pixels
    // of a dot.
    struct SignPlace {
        bool open = false;
        std::optional<QPoint> position; // where the window was left; none: not yet placed
        bool operator==(const SignPlace&) const = default;
    };
    std::array<SignPlace, signs::kSignKinds> signs{};
    signs::LedColour signColour = signs::LedColour::Amber;
    int alternate = signs::SignSettings::kDefaultAlternate; // 0..3600; 0 = Japanese only
    int signSpeed = signs::SignSettings::kDefaultSpeed;     // 1..2000
    int signDotPixels = 4;                                  // 2..16
    static constexpr int kMaxBoards = 4;
    // Fare boards shown (1..4): given on the command line only, never written. Board 1
    // keeps its place in the settings file; boards 2..4 here.
    int boards = 1;
    std::array<std::optional<QPoint>, kMaxBoards> boardPositions{}; // [1..3] for boards 2..4

    SignPlace& sign(signs::SignKind kind) { return signs[size_t(kind)]; }
    const SignPlace& sign(signs::SignKind kind) const { return signs[size_t(kind)]; }
    signs::SignSettings signSettings() const;
    // The board's own look (scale, full screen, monitor, dots, glow) taken from `other`.
    void takeBoardLook(const DisplayConfig& other);
    // The signs (which, where, how) taken from `other`.
    void takeSigns(const DisplayConfig& other);
    // The positions of boards 2..4 taken from `other`.
    void takeBoardPositions(const DisplayConfig& other) { boardPositions = other.boardPositions; }

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
    // --windowed, --screen N, --dots square|round, --glow, --no-glow, --sign
    // front|side|rear (repeatable), --sign-colour amber|white|green|full, --alternate
    // SECONDS, --boards N) out of `args`,
    // leaving the others. Returns "" or why an option was refused.
    QString takeArguments(QStringList& args);

    bool operator==(const DisplayConfig&) const = default;
};
