#include "app/DesktopIdentity.h"

#include <QCoreApplication>
#include <QGuiApplication>
#include <QIcon>
#include <QWindow>

namespace desktop {

void applyIdentity() {
    QGuiApplication::setDesktopFileName(QString::fromLatin1(kDesktopId));
    QIcon icon;
    for (int size : {16, 22, 24, 32, 48, 64, 128, 256})
        icon.addFile(QStringLiteral(":/corvane/icons/%1.png").arg(size), QSize(size, size));
    QGuiApplication::setWindowIcon(icon);

    // Qt's X11 integration gives every window the WM_CLASS class of the application's
    // name as it was when the first native window was made, and keeps it. The name stays
    // "508" (message boxes and remote control show it); the class is the desktop id.
    if (QGuiApplication::platformName() == QLatin1String("xcb")) {
        const QString name = QCoreApplication::applicationName();
        QCoreApplication::setApplicationName(QString::fromLatin1(kDesktopId));
        {
            QWindow first;
            first.create();
        }
        QCoreApplication::setApplicationName(name);
    }
}

} // namespace desktop
