#pragma once

#include "plugins/PluginInfo.h"

#include <QByteArray>
#include <QString>

class QComboBox;
class QImage;
class QWidget;

// The ticket plug-ins: describing a plug-in and drawing the ticket a printer would
// issue at a stop. The plug-in files (*.4SP) are read by src/plugins; see
// docs/plugin-format.md.

// Fills `info` from the plug-in at `pluginPath` and returns non-zero; returns 0, with
// `info` untouched, when the file is not a usable plug-in.
qint32 Zelk4_GetPlgInfo(const QString& pluginPath, plugins::PluginInfo& info);

// Writes the plug-in's notes into the text box (a QPlainTextEdit, QTextEdit or
// QLineEdit); an unusable plug-in leaves the box as it is.
void Zelk4_SetPlgComment(const QString& pluginPath, QWidget* textBox);

// Adds the plug-in's company names to the list.
void Zelk4_SetCorpAddList(const QString& pluginPath, QComboBox* list);
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
