#include "plugins/ui/TicketPainter.h"

#include "platform/Cp932.h"
#include "platform/ui/Fonts.h"
#include "plugins/PluginCache.h"

#include <QFontMetrics>
#include <QPainter>
#include <QPainterPath>

#include <algorithm>

namespace plugins {
namespace {

QColor colorOf(Rgb rgb) {
    return QColor::fromRgb(QRgb(0xFF000000u | rgb));
}

Qt::PenStyle penStyle(LineStyle style) {
    switch (style) {
    case LineStyle::Dash:
        return Qt::DashLine;
    case LineStyle::Dot:
        return Qt::DotLine;
    default:
        return Qt::SolidLine;
    }
}

Qt::Alignment alignment(Align align) {
    switch (align) {
    case Align::Center:
        return Qt::AlignHCenter;
    case Align::Right:
        return Qt::AlignRight;
    default:
        return Qt::AlignLeft;
    }
}

// A font for the text that fits the box's width: narrowed down to half its width
// first, then made smaller.
QFont fittedFont(const DrawItem& item) {
    QFont font(fonts::uiFamily(item.font));
    font.setPixelSize(item.size);
    font.setBold(item.bold);
    font.setHintingPreference(QFont::PreferNoHinting);
    const int room = item.rect.width();
    int width = QFontMetrics(font).horizontalAdvance(item.text);
    if (width <= room || width <= 0)
        return font;
    const int stretch = std::max(50, 100 * room / width);
    font.setStretch(stretch);
    width = QFontMetrics(font).horizontalAdvance(item.text);
    if (width > room) {
        font.setPixelSize(std::max(4, item.size * room / width));
    }
    return font;
}

void paintItem(QPainter& p, const DrawItem& item) {
    switch (item.kind) {
    case DrawKind::Bar:
        p.fillRect(item.rect, colorOf(item.color));
        break;
    case DrawKind::Text:
        if (item.text.isEmpty())
            break;
        p.setRenderHint(QPainter::TextAntialiasing, true);
        p.setFont(fittedFont(item));
        p.setPen(colorOf(item.color));
        p.drawText(item.rect, int(alignment(item.align) | Qt::AlignVCenter | Qt::TextSingleLine), item.text);
        break;
    case DrawKind::Line: {
        QPen pen(colorOf(item.color), item.lineWidth, penStyle(item.style), Qt::FlatCap);
        p.setPen(pen);
        p.setRenderHint(QPainter::Antialiasing, false);
        p.drawLine(item.from, item.to);
        break;
    }
    case DrawKind::Box: {
        const bool round = item.radius > 0;
        p.setRenderHint(QPainter::Antialiasing, round);
        if (item.lineWidth > 0) {
            QPen pen(colorOf(item.color), item.lineWidth, penStyle(item.style), Qt::SquareCap, Qt::MiterJoin);
            p.setPen(pen);
        } else {
            p.setPen(Qt::NoPen);
        }
        p.setBrush(item.filled ? QBrush(colorOf(item.fill)) : QBrush(Qt::NoBrush));
        // The outline lies inside the box.
        const qreal inset = item.lineWidth / 2.0;
        const QRectF r = QRectF(item.rect).adjusted(inset, inset, -inset, -inset);
        if (round)
            p.drawRoundedRect(r, item.radius, item.radius);
        else
            p.drawRect(r);
        p.setBrush(Qt::NoBrush);
        break;
    }
    }
}

} // namespace

void paintTicket(QImage& picture, const TicketDrawing& drawing) {
    if (picture.isNull() || drawing.size.isEmpty())
        return;
    QPainter p(&picture);
    const QPoint origin((picture.width() - drawing.size.width()) / 2,
                        (picture.height() - drawing.size.height()) / 2);
    const QRect paper(origin, drawing.size);
    p.setRenderHint(QPainter::Antialiasing, drawing.radius > 0);
    // A faint shadow at the lower right, where the picture has room for it.
    if (origin.x() >= 2 && origin.y() >= 2) {
        p.setPen(Qt::NoPen);
        p.setBrush(QColor(0, 0, 0, 40));
        p.drawRoundedRect(QRectF(paper.translated(2, 2)), drawing.radius, drawing.radius);
    }
    p.setBrush(colorOf(drawing.paper));
    if (drawing.hasBorder)
        p.setPen(QPen(colorOf(drawing.border), 1));
    else
        p.setPen(Qt::NoPen);
    const QRectF paperF = drawing.hasBorder ? QRectF(paper).adjusted(0.5, 0.5, -0.5, -0.5) : QRectF(paper);
    if (drawing.radius > 0)
        p.drawRoundedRect(paperF, drawing.radius, drawing.radius);
    else
        p.drawRect(paperF);
    p.setBrush(Qt::NoBrush);

    p.translate(origin);
    if (drawing.radius > 0) {
        QPainterPath clip;
        clip.addRoundedRect(QRectF(QPointF(0, 0), QSizeF(drawing.size)), drawing.radius, drawing.radius);
        p.setClipPath(clip);
    } else {
        p.setClipRect(QRect(QPoint(0, 0), drawing.size));
    }
    for (const DrawItem& item : drawing.items)
        paintItem(p, item);
}

QImage renderTicket(const PluginFile& plugin, const TicketValues& values, int companyIndex, QSize size,
                    const QColor& background) {
    if (size.isEmpty())
        size = QSize(plugin.info.PreviewWidth / 15, plugin.info.PreviewHeight / 15);
    QImage picture(size, QImage::Format_RGB32);
    picture.fill(background);
    paintTicket(picture, layoutTicket(plugin, values, companyIndex));
    return picture;
}

qint32 drawSeiriken(const QString& pluginPath, QImage& preview, QByteArray& stopName, QByteArray& dateText,
                    const QString& timeText, qint32 routeNumber, qint16 ticketNumber, qint16 row,
                    qint16 companyIndex) {
    if (pluginPath.isEmpty() || preview.isNull())
        return 0;
    const std::shared_ptr<const PluginFile> plugin = cachedPlugin(pluginPath);
    if (!plugin->valid())
        return 0;
    TicketValues values;
    values.routeNumber = routeNumber;
    values.ticketNumber = ticketNumber;
    values.row = row;
    values.stopName = cp932::decode(stopName).trimmed();
    values.dateText = cp932::decode(dateText);
    values.timeText = timeText;
    paintTicket(preview, layoutTicket(*plugin, values, companyIndex));
    return 1;
}

} // namespace plugins
