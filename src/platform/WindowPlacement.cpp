#include "platform/WindowPlacement.h"

#include <QList>
#include <limits>

namespace placement {

namespace {

// `at` moved as little as possible to bring a window of `size` onto `screen`.
QPoint onScreen(const QRect& screen, const QSize& size, QPoint at) {
    at.setX(qBound(screen.left(), at.x(), qMax(screen.left(), screen.right() + 1 - size.width())));
    at.setY(qBound(screen.top(), at.y(), qMax(screen.top(), screen.bottom() + 1 - size.height())));
    return at;
}

qint64 area(const QRect& r) {
    return r.isEmpty() ? 0 : qint64(r.width()) * r.height();
}

} // namespace

QPoint beside(const QRect& screen, const QRect& keepClear, const QSize& size, const QPoint& wanted) {
    const QPoint start = onScreen(screen, size, wanted);
    if (!QRect(start, size).intersects(keepClear))
        return start;
    // The four sides, each keeping the wanted place along the side.
    const QList<QPoint> sides = {
        QPoint(start.x(), keepClear.bottom() + 1),
        QPoint(start.x(), keepClear.top() - size.height()),
        QPoint(keepClear.right() + 1, start.y()),
        QPoint(keepClear.left() - size.width(), start.y()),
    };
    QPoint best = start;
    qint64 bestCover = std::numeric_limits<qint64>::max();
    qint64 bestDistance = std::numeric_limits<qint64>::max();
    for (const QPoint& side : sides) {
        const QPoint at = onScreen(screen, size, side);
        const QRect placed(at, size);
        const qint64 cover = area(placed.intersected(keepClear));
        const QPoint d = at - start;
        const qint64 distance = qint64(d.x()) * d.x() + qint64(d.y()) * d.y();
        if (cover < bestCover || (cover == bestCover && distance < bestDistance)) {
            best = at;
            bestCover = cover;
            bestDistance = distance;
        }
    }
    return best;
}

} // namespace placement
