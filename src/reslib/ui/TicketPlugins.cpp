#include "reslib/ui/TicketPlugins.h"

#include <QImage>

namespace {
TicketDrawCall g_last;
}

qint32 Zelk4_DrawSeiriken(const QString& pluginPath, QImage& preview, QByteArray& stopName,
                          QByteArray& dateText, const QString& timeText, qint32 routeNumber,
                          qint16 ticketNumber, qint16 row, qint16 companyIndex) {
    Q_UNUSED(preview);
    const int calls = g_last.calls + 1;
    g_last = TicketDrawCall{pluginPath,   stopName, dateText,     timeText, routeNumber,
                            ticketNumber, row,      companyIndex, calls};
    // No plug-in is drawn yet: the preview stays clear.
    return 0;
}

const TicketDrawCall& lastTicketDrawCall() {
    return g_last;
}
