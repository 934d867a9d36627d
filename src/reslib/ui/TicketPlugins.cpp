#include "reslib/ui/TicketPlugins.h"

#include "plugins/PluginCache.h"
#include "plugins/ui/TicketPainter.h"

#include <QComboBox>
#include <QImage>
#include <QLineEdit>
#include <QPlainTextEdit>
#include <QTextEdit>

namespace {
TicketDrawCall g_last;
}

qint32 Zelk4_GetPlgInfo(const QString& pluginPath, plugins::PluginInfo& info) {
    const auto plugin = plugins::cachedPlugin(pluginPath);
    if (!plugin->valid())
        return 0;
    info = plugin->info;
    return 1;
}

void Zelk4_SetPlgComment(const QString& pluginPath, QWidget* textBox) {
    const auto plugin = plugins::cachedPlugin(pluginPath);
    if (!plugin->valid() || !textBox)
        return;
    if (auto* plain = qobject_cast<QPlainTextEdit*>(textBox))
        plain->setPlainText(plugin->notes);
    else if (auto* rich = qobject_cast<QTextEdit*>(textBox))
        rich->setPlainText(plugin->notes);
    else if (auto* line = qobject_cast<QLineEdit*>(textBox))
        line->setText(plugin->notes);
}

void Zelk4_SetCorpAddList(const QString& pluginPath, QComboBox* list) {
    const auto plugin = plugins::cachedPlugin(pluginPath);
    if (!plugin->valid() || !list)
        return;
    list->addItems(plugin->companies);
}

qint32 Zelk4_DrawSeiriken(const QString& pluginPath, QImage& preview, QByteArray& stopName,
                          QByteArray& dateText, const QString& timeText, qint32 routeNumber,
                          qint16 ticketNumber, qint16 row, qint16 companyIndex) {
    const int calls = g_last.calls + 1;
    g_last = TicketDrawCall{pluginPath,   stopName, dateText,     timeText, routeNumber,
                            ticketNumber, row,      companyIndex, calls};
    return plugins::drawSeiriken(pluginPath, preview, stopName, dateText, timeText, routeNumber, ticketNumber,
                                 row, companyIndex);
}

const TicketDrawCall& lastTicketDrawCall() {
    return g_last;
}
