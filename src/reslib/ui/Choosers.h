#pragma once

#include "reslib/FileFilter.h"
#include "reslib/SystemTime.h"

#include <QByteArray>
#include <QString>
#include <array>
#include <cstdint>
#include <functional>
#include <optional>

class QWidget;

// The library's choosers: files, folders, colours and dates. Each returns the empty
// result when cancelled, and then the caller changes nothing.

// A file chooser owned by `owner`: `filter` is the library's filter form (see
// FileFilter.h), `title` the window title. Returns the chosen path, "" when cancelled.
QString Zelk3FileDlg(QWidget* owner, qint32 flags, const QByteArray& filter, const QString& initialName,
                     const QString& title);

// A folder chooser with the given prompt as its title. Returns the folder, "" when
// cancelled.
QString Zelk3FolderDlg(QWidget* owner, const QString& prompt);

// The library's colour table: 16 custom colours the chooser offers, and a 17th value
// the chooser keeps as it is.
using CustomColorTable = std::array<std::uint32_t, 17>;

// A colour chooser starting on `colour` (0x00BBGGRR), offering the 16 custom colours of
// `customColors`. When a colour is chosen it is written into `colour`, the custom
// colours as the user left them into the table, and the result is 1; cancelled: 0 and
// nothing changes.
qint32 Zelk3ChooseColor(QWidget* owner, std::uint32_t& colour, CustomColorTable& customColors);

// A date chooser. `date` comes in zero-filled; when a date is confirmed its year,
// month, day and day of the week are filled in and the result is 1; cancelled: 0.
qint32 Call_dlg111(QWidget* owner, SystemTime& date);

// Tests and the automation tool answer the choosers without showing them.
namespace choosers {

enum class Kind { File, Folder, Colour, Date };

struct Request {
    Kind kind = Kind::File;
    QString title;
    QVector<FileFilterEntry> filters; // File
    std::uint32_t colour = 0;         // Colour: the colour it starts on
};

// The answer: a path (File, Folder), "#RRGGBB" (Colour), "yyyy/mm/dd" (Date); nothing
// cancels. An answer the chooser cannot take also cancels.
using Handler = std::function<std::optional<QString>(const Request& request)>;
void setHandler(Handler handler);
bool hasHandler();

// The kind's name for messages ("file", "folder", "colour", "date").
QString kindName(Kind kind);

} // namespace choosers
