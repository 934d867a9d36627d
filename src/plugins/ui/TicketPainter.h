#pragma once

#include "plugins/PluginFile.h"
#include "plugins/TicketLayout.h"

#include <QByteArray>
#include <QColor>
#include <QImage>
#include <QString>

class QPainter;

// Painting a plug-in's ticket onto the controller's preview picture.
namespace plugins {

// Paints the ticket centred on the picture: its paper (with a faint shadow when there
// is room around it), then the items in order. Text wider than its box is narrowed,
// then made smaller, so that it stays inside; the fonts named by the plug-in are
// mapped to installed faces.
void paintTicket(QImage& picture, const TicketDrawing& drawing);

// The ticket of `plugin` for these values on a new picture of `size` (the plug-in's
// preview size in pixels when empty), over `background`.
QImage renderTicket(const PluginFile& plugin, const TicketValues& values, int companyIndex, QSize size = {},
                    const QColor& background = QColor(0xF0, 0xF0, 0xF0));

// The preview drawing of the resource library: draws the ticket of the plug-in at
// `pluginPath` for one board update into `preview`. The stop name and the date come
// as cp932 text and are left as they are. Returns 1 when a ticket was drawn, 0 when
// the path names no usable plug-in (the picture is then left untouched).
qint32 drawSeiriken(const QString& pluginPath, QImage& preview, QByteArray& stopName, QByteArray& dateText,
                    const QString& timeText, qint32 routeNumber, qint16 ticketNumber, qint16 row,
                    qint16 companyIndex);

} // namespace plugins
