#pragma once

#include <QString>
#include <cstdint>

// The board's look for one backlight state: the panel picture (built-in or a file of
// the user's) and the colour of the ticket-number labels.
struct BacklightLook {
    std::uint32_t labelColor = 0;
    bool userPicture = false; // the state's own picture file is chosen
    QString pictureFile;
};

namespace panelswitch {

// True when the path names an existing file.
bool FileExists(const QString& path);

// The message for a picture that could not be shown, for an error number of the
// picture loader (53, 75, 76 not found or bad place; 57, 68 device; 481 not a
// picture; 7, 28, 51 internal).
QString pictureErrorMessage(int errorNumber);

} // namespace panelswitch

// The board's whole look, built in one place from the settings and the backlight: the
// panel of the backlight state, the ticket-number labels (shown, numbering variant,
// colour), the displays' colours and the stop-name strip's colours and font.
struct BoardLook {
    int backlight = 0; // 0 OFF, 1 ON1, 2 ON2
    BacklightLook panel;
    bool labelsShown = true;
    qint16 numberStyle = 0;   // the numbering variant of the labels (0..11)
    qint16 numberZeroPad = 0; // two-digit numbers
    std::uint32_t digitBackColor = 0;
    std::uint32_t digitUnlitColor = 0;
    std::uint32_t digitLitColor = 0;
    std::uint32_t stripBackColor = 0;
    std::uint32_t stripForeColor = 0;
    qint16 stripFontMode = 0;
    bool stripBold = false;
};
