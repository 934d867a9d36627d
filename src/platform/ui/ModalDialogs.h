#pragma once

#include <functional>

class QDialog;

// Every modal dialog of the program is run through here. Normally the dialog is
// executed; the automation tool and the tests install a handler that fills in the
// dialog's controls and returns its result without blocking.
namespace modal {

using Handler = std::function<int(QDialog& dialog)>;

int exec(QDialog& dialog);

// Installs a handler for the next dialogs (an empty handler restores normal runs).
void setHandler(Handler handler);
bool hasHandler();

} // namespace modal
