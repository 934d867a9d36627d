#include "board/ui/PictureFile.h"

#include "platform/RegularFile.h"

#include <QBuffer>
#include <QFile>
#include <QFileInfo>
#include <QImageReader>

namespace panelswitch {

QImage loadPicture(const QString& path, int& errorNumber) {
    errorNumber = 0;
    const QFileInfo info(path);
    if (!info.exists()) {
        errorNumber = QFileInfo(info.absolutePath()).isDir() ? 53 : 76;
        return QImage();
    }
    if (!info.isFile() || !info.isReadable()) {
        errorNumber = 75;
        return QImage();
    }
    QFile file(path);
    if (!file.open(QIODevice::ReadOnly)) {
        errorNumber = 75;
        return QImage();
    }
    return readPicture(&file, errorNumber);
}

QImage readPicture(QIODevice* device, int& errorNumber) {
    errorNumber = 0;
    QImageReader reader(device);
    reader.setDecideFormatFromContent(true);
    QImage image = reader.read();
    if (image.isNull()) {
        switch (reader.error()) {
        case QImageReader::FileNotFoundError:
            errorNumber = 53;
            break;
        case QImageReader::DeviceError:
            errorNumber = 57;
            break;
        default:
            errorNumber = 481;
            break;
        }
    }
    return image;
}

QByteArray readSvgPicture(const QString& path) {
    const regularfile::Result file = regularfile::read(path, kMaxSvgBytes);
    if (file.status != regularfile::Status::Read)
        return QByteArray();
    QBuffer buffer;
    buffer.setData(file.bytes);
    buffer.open(QIODevice::ReadOnly);
    QImageReader reader(&buffer);
    reader.setDecideFormatFromContent(true);
    return reader.format() == "svg" ? file.bytes : QByteArray();
}

} // namespace panelswitch
