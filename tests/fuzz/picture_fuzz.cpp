// The panel pictures the board shows: any bytes are decoded as the board's picture
// reader decodes a file of the user's (by content), or refused with an error number
// the board can explain; a picture is then drawn as the board draws it, scaled.
//
// Qt's image readers are not built with coverage, so libFuzzer cannot see which of
// their paths an input takes. The target tells it what came out instead (the format
// read, the image format, the size, the error) through libFuzzer's extra counters, so
// that an input with a new outcome is kept and the corpus does not shrink to one file.
//
// A picture needing more than 16 MB is refused before it is decoded (Qt's own limit is
// 128 MB): a large picture takes the same paths as a small one, and filling up to 128
// MB for an input made the run several times slower.
#include "board/ui/PictureFile.h"

#include <QBuffer>
#include <QImageReader>
#include <QPainter>
#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <initializer_list>

namespace {

__attribute__((used, section("__libfuzzer_extra_counters"))) uint8_t outcomes[4096];

void mark(std::initializer_list<int> parts) {
    unsigned h = 2166136261u;
    for (int p : parts)
        h = (h ^ unsigned(p)) * 16777619u;
    outcomes[h % sizeof outcomes] = 1;
}

int sizeClass(int n) {
    int c = 0;
    while (n > 0 && c < 16) {
        n >>= 1;
        ++c;
    }
    return c;
}

} // namespace

extern "C" int LLVMFuzzerInitialize(int*, char***) {
    QImageReader::setAllocationLimit(16);
    return 0;
}

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    QByteArray bytes = QByteArray::fromRawData(reinterpret_cast<const char*>(data), qsizetype(size));
    QBuffer buffer(&bytes);
    buffer.open(QIODevice::ReadOnly);
    int errorNumber = -1;
    const QImage picture = panelswitch::readPicture(&buffer, errorNumber);
    if (picture.isNull() != (errorNumber != 0))
        std::abort();
    buffer.seek(0);
    const int kind = int(qHash(QImageReader::imageFormat(&buffer)) % 64);
    mark({1, kind, errorNumber});
    mark({2, kind, int(picture.format()), picture.depth()});
    mark({3, kind, sizeClass(picture.width()), sizeClass(picture.height())});
    if (!picture.isNull()) {
        QImage board(64, 32, QImage::Format_RGB32);
        QPainter p(&board);
        p.setRenderHint(QPainter::SmoothPixmapTransform);
        p.drawImage(QRectF(QPointF(0, 0), QSizeF(picture.size()) * 0.05), picture);
    }
    return 0;
}
