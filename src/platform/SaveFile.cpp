#include "platform/SaveFile.h"

#include <QFile>
#include <cerrno>
#include <cstring>
#include <sys/stat.h>

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

QString targetProblem(const QString& path) {
    if (path.isEmpty())
        return QStringLiteral("no file name");
    if (path.contains(QChar(0)))
        return QStringLiteral("a file name cannot hold a NUL character");
    struct stat st {};
    // stat follows a symbolic link: QSaveFile writes to what the link leads to.
    if (::stat(QFile::encodeName(path).constData(), &st) != 0) {
        // A circle of links leads nowhere; QSaveFile would replace the link itself.
        if (errno == ELOOP)
            return QString::fromLocal8Bit(std::strerror(ELOOP));
        return QString(); // nothing there yet (a missing folder is reported by the write)
    }
    if (S_ISREG(st.st_mode))
        return QString();
    if (S_ISDIR(st.st_mode))
        return QStringLiteral("a folder, not a regular file");
    if (S_ISFIFO(st.st_mode))
        return QStringLiteral("a named pipe, not a regular file");
    if (S_ISCHR(st.st_mode) || S_ISBLK(st.st_mode))
        return QStringLiteral("a device, not a regular file");
    if (S_ISSOCK(st.st_mode))
        return QStringLiteral("a socket, not a regular file");
    return QStringLiteral("not a regular file");
}

bool write(const QString& path, const QByteArray& bytes, QString* error) {
    const auto failed = [error](const QString& reason) {
        if (error)
            *error = reason.isEmpty() ? QStringLiteral("the file could not be written") : reason;
        return false;
    };
    if (const QString problem = targetProblem(path); !problem.isEmpty())
        return failed(problem);
    QSaveFile file(path);
    if (!file.open(QIODevice::WriteOnly))
        return failed(file.errorString());
    if (!writeAll(file, bytes)) {
        const QString reason = file.errorString();
        file.cancelWriting(); // the destructor removes the temporary file
        return failed(reason);
    }
    if (!file.commit())
        return failed(file.errorString());
    return true;
}

} // namespace savefile
