#include "platform/RegularFile.h"

#include <QCoreApplication>
#include <QFile>
#include <cerrno>
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

namespace regularfile {

Result read(const QString& path, qint64 maxBytes) {
    Result result;
    if (path.isEmpty() || path.contains(QChar(0))) {
        result.error = ENOENT;
        return result;
    }
    const QByteArray native = QFile::encodeName(path);
    const int fd = ::open(native.constData(), O_RDONLY | O_NONBLOCK | O_NOCTTY | O_CLOEXEC);
    if (fd < 0) {
        result.error = errno;
        if (result.error == ENOENT) {
            // A missing file in an existing folder is the ordinary "no such route";
            // a missing folder is a path that cannot be found.
            const qsizetype slash = native.lastIndexOf('/');
            const QByteArray folder =
                slash < 0 ? QByteArray(".") : (slash == 0 ? QByteArray("/") : native.left(slash));
            struct stat st {};
            if (::stat(folder.constData(), &st) == 0 && S_ISDIR(st.st_mode))
                result.status = Status::Missing;
        }
        return result;
    }
    struct stat st {};
    if (::fstat(fd, &st) != 0) {
        result.error = errno;
        ::close(fd);
        return result;
    }
    if (!S_ISREG(st.st_mode)) {
        result.status = Status::NotRegular;
        result.error = S_ISDIR(st.st_mode) ? EISDIR : 0;
        ::close(fd);
        return result;
    }
    // Back to blocking reads: a regular file never waits for a writer.
    ::fcntl(fd, F_SETFL, ::fcntl(fd, F_GETFL) & ~O_NONBLOCK);
    const qint64 wanted = maxBytes < 0 ? 0 : maxBytes;
    result.bytes.resize(static_cast<qsizetype>(qMin<qint64>(wanted, qMax<qint64>(st.st_size, 0))));
    qint64 got = 0;
    while (got < result.bytes.size()) {
        const ssize_t n =
            ::read(fd, result.bytes.data() + got, static_cast<size_t>(result.bytes.size() - got));
        if (n < 0 && errno == EINTR)
            continue;
        if (n < 0) {
            result.error = errno;
            result.bytes.clear();
            ::close(fd);
            return result;
        }
        if (n == 0)
            break;
        got += n;
    }
    result.bytes.truncate(static_cast<qsizetype>(got));
    // One more byte tells whether the file goes on beyond the limit (it may have grown
    // since it was measured).
    char extra = 0;
    ssize_t more = 0;
    do {
        more = ::read(fd, &extra, 1);
    } while (more < 0 && errno == EINTR);
    ::close(fd);
    result.status = got >= wanted && more > 0 ? Status::TooLarge : Status::Read;
    return result;
}

QString describe(int error) {
    switch (error) {
    case ENOENT:
    case ENOTDIR:
        return QCoreApplication::translate("RegularFile", "指定されたパスが見つかりません。");
    case EISDIR:
        return QCoreApplication::translate(
            "RegularFile", "指定されたパスはフォルダーです。ファイルとして開くことはできません。");
    case EACCES:
    case EPERM:
        return QCoreApplication::translate("RegularFile", "アクセスが拒否されました。");
    case EIO:
        return QCoreApplication::translate("RegularFile", "デバイス I/O エラーです。");
    case ENAMETOOLONG:
        return QCoreApplication::translate("RegularFile", "ファイル名が長すぎます。");
    case ELOOP:
        return QCoreApplication::translate("RegularFile", "シンボリック リンクの参照が多すぎます。");
    case EMFILE:
    case ENFILE:
        return QCoreApplication::translate("RegularFile", "開いているファイルが多すぎます。");
    case ENXIO:
    case ENODEV:
        return QCoreApplication::translate("RegularFile", "デバイスの準備ができていません。");
    case ENOMEM:
        return QCoreApplication::translate("RegularFile", "メモリが不足しています。");
    default:
        return QCoreApplication::translate("RegularFile", "ファイルを開けませんでした（エラー番号 %1）。")
            .arg(error);
    }
}

QString failureMessage(int error, const QString& path) {
    return describe(error) + QStringLiteral("\r\n") + path;
}

} // namespace regularfile
