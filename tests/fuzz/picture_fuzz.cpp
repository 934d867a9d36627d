// The panel pictures the board shows: any bytes are decoded as the board's picture
// reader decodes a file of the user's (by content), or refused with an error number
// the board can explain; a picture is then drawn as the board draws it, scaled.
#include "board/ui/PictureFile.h"

#include <QBuffer>
#include <QPainter>
#include <cstddef>
#include <cstdint>
#include <cstdlib>

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    QByteArray bytes = QByteArray::fromRawData(reinterpret_cast<const char*>(data), qsizetype(size));
    QBuffer buffer(&bytes);
    buffer.open(QIODevice::ReadOnly);
    int errorNumber = -1;
    const QImage picture = panelswitch::readPicture(&buffer, errorNumber);
    if (picture.isNull() != (errorNumber != 0))
        std::abort();
    if (!picture.isNull()) {
        QImage board(64, 32, QImage::Format_RGB32);
        QPainter p(&board);
        p.setRenderHint(QPainter::SmoothPixmapTransform);
        p.drawImage(QRectF(QPointF(0, 0), QSizeF(picture.size()) * 0.05), picture);
    }
    return 0;
}
