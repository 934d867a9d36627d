#include "reslib/OsInfo.h"

#include <QSysInfo>

QString GetOsInfo() {
    QString name = QSysInfo::prettyProductName();
    if (name.isEmpty())
        name = QSysInfo::kernelType();
    if (name == QLatin1String("Windows Vista"))
        name += QLatin1String(" (compatible)");
    return name;
}
