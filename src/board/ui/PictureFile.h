#pragma once

#include <QImage>
#include <QString>

class QIODevice;

// The panel pictures of the user's choice: a picture file read by its content (not
// its name's extension). Failures come back as the picture loader's error numbers
// that panelswitch::pictureErrorMessage explains. Qt Gui only, so that the reader can
// be tried on its own.
namespace panelswitch {

// Loads the picture at `path`; on failure returns a null image and sets
// `errorNumber` (53 or 76 not found, 75 not a readable file, 57 device, 481 not a
// picture), else sets it to 0.
QImage loadPicture(const QString& path, int& errorNumber);

// Decodes the picture that `device` holds, as loadPicture does once the file is open.
QImage readPicture(QIODevice* device, int& errorNumber);

// The bytes of the SVG picture at `path`, read whole (at most kMaxSvgBytes) when it is
// a regular file holding SVG; else empty. Never waits on a named pipe or a device.
inline constexpr qint64 kMaxSvgBytes = 4 * 1024 * 1024;
QByteArray readSvgPicture(const QString& path);

} // namespace panelswitch
