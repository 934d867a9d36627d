// savefile::writeAll under a file size limit (as a full disk): every size that does not
// fit is refused with the system's reason before anything replaces the old file, also
// the ones that QSaveFile alone would commit cut short (a tail still in its buffer, a
// write that stops at the limit without an error).
#include "platform/SaveFile.h"

#include <QDir>
#include <QFile>
#include <QTemporaryDir>
#include <cerrno>
#include <csignal>
#include <cstring>
#include <gtest/gtest.h>
#include <sys/resource.h>

namespace {

struct Case {
    qint64 limit; // RLIMIT_FSIZE in bytes
    qint64 size;  // bytes written
    bool fits;
};

QByteArray fileBytes(const QString& path) {
    QFile f(path);
    return f.open(QIODevice::ReadOnly) ? f.readAll() : QByteArray("(unreadable)");
}

TEST(SaveFile, AFileLargerThanTheDiskAllowsIsRefusedAndTheOldOneKept) {
    const Case cases[] = {
        {8192, 8192, true},     // exactly at the limit
        {8192, 8200, false},    // a few bytes over: the tail sits in the write buffer
        {8192, 10000, false},   // over, still within one buffer
        {65536, 70000, false},  // one large write that stops at the limit
        {65536, 300000, false}, // far over
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(testing::Message() << "limit " << c.limit << ", size " << c.size);
        QTemporaryDir tmp;
        const QString path = tmp.filePath(QStringLiteral("file.bin"));
        {
            QFile old(path);
            ASSERT_TRUE(old.open(QIODevice::WriteOnly));
            old.write("old");
        }
        const QByteArray bytes(c.size, 'x');

        rlimit saved{};
        ASSERT_EQ(::getrlimit(RLIMIT_FSIZE, &saved), 0);
        const auto oldHandler = std::signal(SIGXFSZ, SIG_IGN);
        rlimit small = saved;
        small.rlim_cur = static_cast<rlim_t>(c.limit);
        ASSERT_EQ(::setrlimit(RLIMIT_FSIZE, &small), 0);
        bool written = false;
        QString reason;
        {
            QSaveFile file(path);
            written = savefile::writeAll(file, bytes) && file.commit();
            reason = file.errorString();
            if (!written)
                file.cancelWriting();
        }
        ::setrlimit(RLIMIT_FSIZE, &saved);
        std::signal(SIGXFSZ, oldHandler);

        EXPECT_EQ(written, c.fits);
        EXPECT_EQ(fileBytes(path), c.fits ? bytes : QByteArray("old"));
        if (!c.fits) {
            EXPECT_EQ(reason, QString::fromLocal8Bit(std::strerror(EFBIG)));
        }
        EXPECT_EQ(QDir(tmp.path()).entryList(QDir::Files | QDir::Hidden),
                  QStringList{QStringLiteral("file.bin")});
    }
}

} // namespace
