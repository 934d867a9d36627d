#include "platform/ui/Shell.h"

#include <QDesktopServices>
#include <QUrl>

namespace shell {
namespace {
Handler g_handler;
}

void open(const QString& path) {
    if (g_handler) {
        g_handler(path);
        return;
    }
    if (!path.isEmpty())
        QDesktopServices::openUrl(QUrl::fromLocalFile(path));
}

void setHandler(Handler handler) {
    g_handler = std::move(handler);
}

} // namespace shell
