#pragma once

#include <QString>

class QWidget;

// The library's modal about box: shows the text, one item per line, and the credits
// (when given) in smaller type under it. The result is of no use to the caller.
qint32 Call_dlg110(QWidget* owner, qint32 style, const QString& text, const QString& credits = QString());
