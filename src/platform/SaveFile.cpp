#include "platform/SaveFile.h"

namespace savefile {

bool writeAll(QSaveFile& file, const QByteArray& bytes) {
    if (!file.isOpen() && !file.open(QIODevice::WriteOnly))
        return false;
    qint64 done = 0;
    while (done < bytes.size()) {
        // A short write is tried again from where it stopped: the retry either goes on
        // or fails with the system's error, which the file then reports.
        const qint64 n = file.write(bytes.constData() + done, bytes.size() - done);
        if (n <= 0)
            return false;
        done += n;
    }
    if (!file.flush()) {
        // A flush cut short sets no reason of its own; trying the rest once more does.
        file.flush();
        return false;
    }
    return file.error() == QFileDevice::NoError;
}

} // namespace savefile
