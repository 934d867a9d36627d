#pragma once

#include <QString>
#include <functional>

// Asks the desktop to open a file or folder in its own program (a folder in the file
// browser). Failures are ignored. Tests and the automation tool install a handler that
// records the request instead.
namespace shell {

void open(const QString& path);

using Handler = std::function<void(const QString& path)>;
void setHandler(Handler handler);

} // namespace shell
