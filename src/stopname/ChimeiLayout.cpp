#include "stopname/ChimeiLayout.h"

#include "platform/Cp932.h"
#include "reslib/ByteText.h"

namespace chimei {

CellPlacement cellPlacement(qint32 cells, qint16 mode) {
    switch (cells) {
    case 0:
        return {0, 0};
    case 1:
        return {80, 0};
    case 2:
        return mode == 2 ? CellPlacement{48, 64} : CellPlacement{32, 96};
    case 3:
        return {16, 64};
    case 4:
        return {8, 48};
    case 5:
        return {4, 38};
    default:
        // Six cells fill the strip exactly; longer names are stacked the same way.
        return {0, kCellPixels};
    }
}

QList<QByteArray> splitCells(const QByteArray& ansi) {
    QList<QByteArray> out;
    const qint32 n = LenB_ASCII(ansi);
    out.reserve((n + 1) / 2);
    for (qint32 start = 1; start <= n; start += 2)
        out.append(MidB_ASCII(ansi, start, 2));
    return out;
}

NameLayout layoutName(const QByteArray& ansi, qint16 mode) {
    NameLayout layout;
    layout.ansi = ansi.size() > 2 * kMaxCells ? ansi.left(2 * kMaxCells) : ansi;
    layout.byteLength = LenB_ASCII(layout.ansi);
    layout.cells = cellCount(layout.byteLength);
    layout.placement = cellPlacement(layout.cells, mode);
    layout.stripHeight = stripHeightFor(layout.cells);
    layout.scrolls = scrolls(layout.cells);
    const QList<QByteArray> pieces = splitCells(layout.ansi);
    layout.chunks.reserve(pieces.size());
    for (qsizetype i = 0; i < pieces.size(); ++i) {
        const qint64 y = static_cast<qint64>(i) * layout.placement.P + layout.placement.T;
        layout.chunks.append(CellChunk{pieces[i], kCellX, static_cast<qint32>(y)});
    }
    return layout;
}

NameLayout layoutName(const QString& name, qint16 mode) {
    return layoutName(cp932::encode(name), mode);
}

} // namespace chimei
