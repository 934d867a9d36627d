#pragma once

#include "plugins/PluginFile.h"
#include "plugins/TicketFormat.h"

#include <QList>
#include <QPoint>
#include <QRect>
#include <QSize>
#include <QString>

// What a plug-in's ticket looks like for one stop: a list of things to draw, in
// ticket pixels, computed without a screen. The painting library puts it on a picture.
namespace plugins {

enum class DrawKind { Text, Line, Box, Bar };

struct DrawItem {
    DrawKind kind = DrawKind::Text;
    QRect rect;      // Text: the box the text is fitted into; Box; Bar
    QPoint from, to; // Line
    QString text;    // Text
    QString font;    // Text: the font name as the plug-in writes it
    int size = 12;   // Text: pixel height; shrunk when the text is wider than its box
    bool bold = false;
    Align align = Align::Left;
    Rgb color = 0;
    int lineWidth = 1; // Line, Box (0: no outline)
    LineStyle style = LineStyle::Solid;
    bool filled = false; // Box
    Rgb fill = 0;
    int radius = 0; // Box
};

struct TicketDrawing {
    QSize size;
    Rgb paper = 0xFFFFFF;
    bool hasBorder = false;
    Rgb border = 0;
    int radius = 0;
    QList<DrawItem> items;
    QStringList barcodeValues; // the value of each barcode drawn, in order
};

// The ticket of `plugin` for these values. Items whose capability the plug-in does
// not have (date, time, route, stop, barcode) are left out. The company is the one
// at `companyIndex` in the plug-in's list; -1 or an index past the list means the
// first. A barcode whose route or stop is out of the plug-in's range is replaced by a
// short note in its box.
TicketDrawing layoutTicket(const PluginFile& plugin, const TicketValues& values, int companyIndex);

// The bars of a barcode centred in `box`: each module a whole number of pixels wide,
// as wide as the box allows with the quiet zones.
QList<QRect> barRects(const BarPattern& pattern, const QRect& box);

} // namespace plugins
