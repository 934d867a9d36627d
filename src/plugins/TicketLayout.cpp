#include "plugins/TicketLayout.h"

#include <algorithm>

namespace plugins {
namespace {

bool printed(const PluginInfo& info, ItemKind kind) {
    switch (kind) {
    case ItemKind::Date:
        return info.CanPrintDate == 1;
    case ItemKind::Time:
        return info.CanPrintTime == 1;
    case ItemKind::Route:
        return info.CanPrintRoute == 1;
    case ItemKind::Stop:
        return info.CanPrintStop == 1;
    case ItemKind::Barcode:
        return info.CanPrintBarcode == 1;
    default:
        return true;
    }
}

DrawItem textItem(const LayoutItem& item, const QRect& box, const QString& text) {
    DrawItem d;
    d.kind = DrawKind::Text;
    d.rect = box;
    d.text = text;
    d.font = item.font;
    d.size = item.size;
    d.bold = item.bold;
    d.align = item.align;
    d.color = item.color;
    return d;
}

void addBarcode(TicketDrawing& out, const PluginFile& plugin, const LayoutItem& item, const TicketValues& v) {
    QString why;
    const QString value =
        barcodeValue(plugin.info, item.symbology, item.flag, v.routeNumber, v.ticketNumber, v.row, &why);
    const BarPattern pattern =
        value.isEmpty() ? BarPattern{} : encodeBarcode(item.symbology, value, item.nw7Start, item.nw7Stop);
    if (pattern.isEmpty()) {
        LayoutItem note = item;
        note.align = Align::Center;
        note.bold = false;
        out.items << textItem(note, item.box, QStringLiteral("（バーコード対象外）"));
        out.barcodeValues << QString();
        return;
    }
    QRect bars = item.box;
    if (item.readable)
        bars.setHeight(item.box.height() - item.size - 1);
    for (const QRect& r : barRects(pattern, bars)) {
        DrawItem d;
        d.kind = DrawKind::Bar;
        d.rect = r;
        d.color = item.color;
        out.items << d;
    }
    if (item.readable) {
        LayoutItem digits = item;
        digits.align = Align::Center;
        const QRect textBox(item.box.x(), bars.bottom() + 2, item.box.width(), item.size);
        out.items << textItem(digits, textBox, value);
    }
    out.barcodeValues << value;
}

} // namespace

QList<QRect> barRects(const BarPattern& pattern, const QRect& box) {
    QList<QRect> rects;
    if (pattern.isEmpty())
        return rects;
    const int module = std::max(1, box.width() / (pattern.modules + 2 * kQuietModules));
    int x = box.x() + (box.width() - pattern.modules * module) / 2;
    for (qsizetype i = 0; i < pattern.elements.size(); ++i) {
        const int w = pattern.elements.at(i) * module;
        if (i % 2 == 0)
            rects << QRect(x, box.y(), w, box.height());
        x += w;
    }
    return rects;
}

TicketDrawing layoutTicket(const PluginFile& plugin, const TicketValues& values, int companyIndex) {
    TicketDrawing out;
    const TicketLayout& t = plugin.ticket;
    out.size = t.size;
    out.paper = t.paper;
    out.hasBorder = t.hasBorder;
    out.border = t.border;
    out.radius = t.radius;
    if (!plugin.valid())
        return out;

    TicketValues v = values;
    if (!plugin.companies.isEmpty()) {
        const int i = companyIndex >= 0 && companyIndex < plugin.companies.size() ? companyIndex : 0;
        v.company = plugin.companies.at(i);
    }
    for (const LayoutItem& item : t.items) {
        if (!printed(plugin.info, item.kind))
            continue;
        switch (item.kind) {
        case ItemKind::Text:
            out.items << textItem(item, item.box, item.format);
            break;
        case ItemKind::Barcode:
            addBarcode(out, plugin, item, v);
            break;
        case ItemKind::Line: {
            DrawItem d;
            d.kind = DrawKind::Line;
            d.from = item.from;
            d.to = item.to;
            d.lineWidth = item.lineWidth;
            d.style = item.style;
            d.color = item.color;
            out.items << d;
            break;
        }
        case ItemKind::Box: {
            DrawItem d;
            d.kind = DrawKind::Box;
            d.rect = item.box;
            d.lineWidth = item.lineWidth;
            d.style = item.style;
            d.color = item.color;
            d.filled = item.filled;
            d.fill = item.fill;
            d.radius = item.radius;
            out.items << d;
            break;
        }
        case ItemKind::Company:
            if (v.company.isEmpty())
                break;
            [[fallthrough]];
        default:
            out.items << textItem(item, item.box, formatItem(item.kind, item.format, v));
            break;
        }
    }
    return out;
}

} // namespace plugins
