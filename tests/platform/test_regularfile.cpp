// Data files are read only when they are regular files, and never beyond a limit.
#include "platform/RegularFile.h"

#include <QDir>
#include <QFile>
#include <QTemporaryDir>
#include <cerrno>
#include <gtest/gtest.h>
#include <sys/stat.h>

namespace {

using regularfile::Status;

TEST(RegularFile, ReadsOnlyRegularFilesUpToTheLimit) {
    QTemporaryDir dir;
    ASSERT_TRUE(dir.isValid());
    const auto path = [&](const char* name) { return dir.filePath(QString::fromLatin1(name)); };
    QFile f(path("ten"));
    ASSERT_TRUE(f.open(QIODevice::WriteOnly));
    f.write("0123456789");
    f.close();
    ASSERT_TRUE(QDir(dir.path()).mkdir(QStringLiteral("folder")));
    ASSERT_EQ(::mkfifo(QFile::encodeName(path("pipe")).constData(), 0600), 0);
    ASSERT_TRUE(QFile::link(QStringLiteral("/dev/zero"), path("zero")));

    const struct {
        QString path;
        qint64 limit;
        Status status;
        int error;
        QByteArray bytes;
    } cases[] = {
        {path("ten"), 100, Status::Read, 0, "0123456789"},
        {path("ten"), 10, Status::Read, 0, "0123456789"},
        {path("ten"), 4, Status::TooLarge, 0, "0123"},
        {path("folder"), 100, Status::NotRegular, EISDIR, ""},
        {path("pipe"), 100, Status::NotRegular, 0, ""},
        {path("zero"), 100, Status::NotRegular, 0, ""},
        {path("none"), 100, Status::Missing, ENOENT, ""},
        {path("none/ten"), 100, Status::Failed, ENOENT, ""},
        {path("ten/x"), 100, Status::Failed, ENOTDIR, ""},
    };
    for (const auto& c : cases) {
        const regularfile::Result r = regularfile::read(c.path, c.limit);
        EXPECT_EQ(r.status, c.status) << c.path.toStdString();
        EXPECT_EQ(r.error, c.error) << c.path.toStdString();
        EXPECT_EQ(r.bytes, c.bytes) << c.path.toStdString();
    }
}

TEST(RegularFile, FailureMessageIsTheJapaneseDescriptionThenThePath) {
    EXPECT_EQ(regularfile::failureMessage(ENOENT, QStringLiteral("/x/12.hy3")),
              QStringLiteral("指定されたパスが見つかりません。\r\n/x/12.hy3"));
    EXPECT_EQ(regularfile::describe(EACCES), QStringLiteral("アクセスが拒否されました。"));
}

} // namespace
