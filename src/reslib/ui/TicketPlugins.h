#pragma once

#include <QByteArray>
#include <QString>

class QImage;

// The ticket plug-ins: drawing the ticket a printer would issue at a stop.
//
// Draws the ticket of the plug-in at `pluginPath` into the preview picture. The stop
// name and the date are buffers the plug-in may change. Returns non-zero when a
// ticket was drawn; an empty or unusable plug-in path draws nothing.
qint32 Zelk4_DrawSeiriken(const QString& pluginPath, QImage& preview, QByteArray& stopName,
                          QByteArray& dateText, const QString& timeText, qint32 routeNumber,
                          qint16 ticketNumber, qint16 row, qint16 companyIndex);

// The arguments of the last drawing call, for the automation tool and the tests.
struct TicketDrawCall {
    QString pluginPath;
    QByteArray stopName;
    QByteArray dateText;
    QString timeText;
    qint32 routeNumber = 0;
    qint16 ticketNumber = 0;
    qint16 row = 0;
    qint16 companyIndex = -1;
    int calls = 0;
};
const TicketDrawCall& lastTicketDrawCall();
