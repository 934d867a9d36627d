// savefile::writeAll under a file size limit (as a full disk): every size that does not
// fit is refused with the system's reason before anything replaces the old file, also
// the ones that QSaveFile alone would commit cut short (a tail still in its buffer, a
// write that stops at the limit without an error). savefile::write refuses a target that
// is not a regular file and leaves it as it was.
#include "platform/SaveFile.h"

#include <QDir>
#include <QFile>
#include <QTemporaryDir>
#include <cerrno>
#include <csignal>
#include <cstring>
#include <gtest/gtest.h>
#include <iostream>
#include <sys/resource.h>
#include <sys/stat.h>
#include <sys/sysmacros.h>

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

enum class Kind { NamedPipe, Folder, Device, LinkToPipe, LinkToFile };

// Makes `name` in `dir` as `kind`; false when this machine does not allow it.
bool make(Kind kind, const QDir& dir, const QString& name) {
    const QByteArray path = QFile::encodeName(dir.filePath(name));
    switch (kind) {
    case Kind::NamedPipe:
        return ::mkfifo(path.constData(), 0644) == 0;
    case Kind::Folder:
        return dir.mkdir(name);
    case Kind::Device:
        // A node of /dev/null's numbers: only root may make one, and a writer that
        // replaced it would not take the machine's /dev/null with it.
        return ::mknod(path.constData(), S_IFCHR | 0666, makedev(1, 3)) == 0;
    case Kind::LinkToPipe:
        return make(Kind::NamedPipe, dir, QStringLiteral("pipe")) &&
               QFile::link(QStringLiteral("pipe"), dir.filePath(name));
    case Kind::LinkToFile: {
        QFile real(dir.filePath(QStringLiteral("real")));
        return real.open(QIODevice::WriteOnly) && real.write("old") == 3 && real.flush() &&
               QFile::link(QStringLiteral("real"), dir.filePath(name));
    }
    }
    return false;
}

TEST(SaveFile, ATargetThatIsNotARegularFileIsRefusedAndLeftAsItWas) {
    struct Target {
        const char* name;
        Kind kind;
        const char* refusal; // "" when the bytes are written
    };
    const Target targets[] = {
        {"named pipe", Kind::NamedPipe, "a named pipe, not a regular file"},
        {"folder", Kind::Folder, "a folder, not a regular file"},
        {"device (root only)", Kind::Device, "a device, not a regular file"},
        {"link to a named pipe", Kind::LinkToPipe, "a named pipe, not a regular file"},
        {"link to a regular file", Kind::LinkToFile, ""},
    };
    for (const Target& t : targets) {
        SCOPED_TRACE(t.name);
        QTemporaryDir tmp;
        const QDir dir(tmp.path());
        const QString path = dir.filePath(QStringLiteral("target"));
        if (!make(t.kind, dir, QStringLiteral("target"))) {
            ASSERT_EQ(t.kind, Kind::Device) << "cannot make the target";
            std::cout << "skipped " << t.name << ": needs root\n";
            continue;
        }
        const QStringList entries = dir.entryList(QDir::AllEntries | QDir::NoDotAndDotDot | QDir::System);
        struct stat before {};
        ASSERT_EQ(::lstat(QFile::encodeName(path).constData(), &before), 0);

        QString error;
        const bool written = savefile::write(path, "new", &error);

        EXPECT_EQ(written, *t.refusal == '\0');
        EXPECT_EQ(error, QString::fromLatin1(t.refusal));
        struct stat after {};
        ASSERT_EQ(::lstat(QFile::encodeName(path).constData(), &after), 0);
        EXPECT_EQ(after.st_ino, before.st_ino) << "the target was replaced";
        EXPECT_EQ(after.st_mode, before.st_mode);
        if (t.kind == Kind::LinkToFile) {
            EXPECT_EQ(fileBytes(dir.filePath(QStringLiteral("real"))), QByteArray("new"));
        }
        EXPECT_EQ(dir.entryList(QDir::AllEntries | QDir::NoDotAndDotDot | QDir::System), entries)
            << "nothing left beside it";
    }
}

} // namespace
