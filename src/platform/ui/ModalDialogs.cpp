#include "platform/ui/ModalDialogs.h"

#include <QDialog>

namespace modal {
namespace {
Handler g_handler;
}

int exec(QDialog& dialog) {
    if (g_handler)
        return g_handler(dialog);
    return dialog.exec();
}

void setHandler(Handler handler) {
    g_handler = std::move(handler);
}
bool hasHandler() {
    return static_cast<bool>(g_handler);
}

} // namespace modal
