// The small configuration files: their lines, their bounded read and a save that fails
// (a folder that cannot be made or written, a full disk, a named pipe at the file's
// name) leaving the old file as it was.
#include "platform/ConfigFile.h"

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
#include <unistd.h>

namespace {

QByteArray fileBytes(const QString& path) {
    QFile f(path);
    return f.open(QIODevice::ReadOnly) ? f.readAll() : QByteArray("(unreadable)");
}

bool writeFile(const QString& path, const QByteArray& bytes) {
    QFile f(path);
    return f.open(QIODevice::WriteOnly) && f.write(bytes) == bytes.size();
}

TEST(ConfigFile, LinesGoToTheFileWithTheNumbersOfTheBadOnes) {
    const struct {
        const char* text;
        QStringList taken; // "name=value" as handed over
        QStringList problems;
    } cases[] = {
        {"", {}, {}},
        {"# comment\n\n   \n  # indented comment\n\t\n", {}, {}},
        {"a=1\r\nb = two words \r\n", {"a=1", "b=two words"}, {}},
        {"a=\nb==c\nlast=no newline", {"a=", "b==c", "last=no newline"}, {}},
        {"名前=値\n", {"名前=値"}, {}},
        {"noequals\n=3\r\n\r\nk=v\r\n  = x\n",
         {"k=v"},
         {"line 1: expected name=value", "line 2: expected name=value", "line 5: expected name=value"}},
        {"x=bad\n# x=bad\n\ny=1\ny=bad\r\n",
         {"x=bad", "y=1", "y=bad"},
         {"line 1: x cannot be bad", "line 5: y cannot be bad"}},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(testing::PrintToString(std::string(c.text)));
        QStringList taken;
        QStringList problems;
        configfile::parse(
            QByteArray(c.text),
            [&taken](const QString& name, const QString& value) {
                taken << name + QLatin1Char('=') + value;
                return value == QLatin1String("bad") ? name + QStringLiteral(" cannot be bad") : QString();
            },
            &problems);
        EXPECT_EQ(taken, c.taken);
        EXPECT_EQ(problems, c.problems);
    }
}

TEST(ConfigFile, AFileLongerThanTheBoundIsNotRead) {
    QTemporaryDir dir;
    const QString path = dir.filePath(QStringLiteral("a.conf"));
    ASSERT_TRUE(writeFile(path, "a=1\n"));
    EXPECT_EQ(configfile::read(path, 4).bytes, QByteArray("a=1\n"));
    const regularfile::Result longer = configfile::read(path, 3);
    EXPECT_EQ(longer.status, regularfile::Status::TooLarge);
    EXPECT_EQ(longer.bytes, QByteArray()) << "no part of a longer file is used";
}

enum class Failure { None, FolderInTheWay, ReadOnlyFolder, FullDisk, NamedPipe, Folder };

TEST(ConfigFile, AFailedSaveReportsItAndKeepsTheOldFile) {
    const struct {
        const char* name;
        Failure failure;
        const char* file; // inside the temporary folder
        QString error;    // "FOLDER" stands for the temporary folder
    } cases[] = {
        {"missing folder made", Failure::None, "new/sub/x.conf", ""},
        {"folder that cannot be made", Failure::FolderInTheWay, "file/sub/x.conf",
         "the folder FOLDER/file/sub cannot be made"},
        {"read-only folder", Failure::ReadOnlyFolder, "x.conf", "Permission denied"},
        {"full disk", Failure::FullDisk, "x.conf", QString::fromLocal8Bit(std::strerror(EFBIG))},
        {"named pipe", Failure::NamedPipe, "x.conf", "a named pipe, not a regular file"},
        {"folder", Failure::Folder, "x.conf", "a folder, not a regular file"},
    };
    const QByteArray old = "old=1\n";
    const QByteArray text = "# new\n" + QByteArray(4000, 'n') + "=1\n";
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        QTemporaryDir tmp;
        const QDir dir(tmp.path());
        const QString path = dir.filePath(QString::fromLatin1(c.file));
        switch (c.failure) {
        case Failure::None:
            break;
        case Failure::FolderInTheWay:
            ASSERT_TRUE(writeFile(dir.filePath(QStringLiteral("file")), old));
            break;
        case Failure::ReadOnlyFolder:
        case Failure::FullDisk:
            ASSERT_TRUE(writeFile(path, old));
            break;
        case Failure::NamedPipe:
            ASSERT_EQ(::mkfifo(QFile::encodeName(path).constData(), 0600), 0);
            break;
        case Failure::Folder:
            ASSERT_TRUE(dir.mkdir(QStringLiteral("x.conf")));
            break;
        }
        if (c.failure == Failure::ReadOnlyFolder) {
            ASSERT_EQ(::chmod(QFile::encodeName(dir.path()).constData(), 0555), 0);
            if (::access(QFile::encodeName(dir.path()).constData(), W_OK) == 0) {
                ::chmod(QFile::encodeName(dir.path()).constData(), 0700);
                std::cout << "skipped " << c.name << ": root writes into a read-only folder\n";
                continue;
            }
        }
        const QStringList before =
            dir.entryList(QDir::AllEntries | QDir::NoDotAndDotDot | QDir::Hidden | QDir::System);

        rlimit saved{};
        ASSERT_EQ(::getrlimit(RLIMIT_FSIZE, &saved), 0);
        const auto oldHandler = std::signal(SIGXFSZ, SIG_IGN);
        if (c.failure == Failure::FullDisk) {
            rlimit small = saved;
            small.rlim_cur = 1024;
            ASSERT_EQ(::setrlimit(RLIMIT_FSIZE, &small), 0);
        }
        QString error;
        const bool written = configfile::save(path, text, &error);
        ::setrlimit(RLIMIT_FSIZE, &saved);
        std::signal(SIGXFSZ, oldHandler);
        ::chmod(QFile::encodeName(dir.path()).constData(), 0700);

        EXPECT_EQ(written, c.failure == Failure::None);
        EXPECT_EQ(error.replace(dir.path(), QStringLiteral("FOLDER")), c.error);
        if (c.failure == Failure::None) {
            EXPECT_EQ(fileBytes(path), text);
            continue;
        }
        EXPECT_EQ(dir.entryList(QDir::AllEntries | QDir::NoDotAndDotDot | QDir::Hidden | QDir::System),
                  before)
            << "nothing made, replaced or left beside it";
        if (c.failure == Failure::ReadOnlyFolder || c.failure == Failure::FullDisk) {
            EXPECT_EQ(fileBytes(path), old);
        }
        if (c.failure == Failure::NamedPipe) {
            struct stat st {};
            EXPECT_TRUE(::lstat(QFile::encodeName(path).constData(), &st) == 0 && S_ISFIFO(st.st_mode));
        }
    }
}

} // namespace
