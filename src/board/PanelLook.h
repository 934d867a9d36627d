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
