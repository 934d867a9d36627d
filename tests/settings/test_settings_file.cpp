#include "SettingsTestData.h"
#include "settings/mdlIniIo.h"

#include <QDir>
#include <QFile>
#include <QTemporaryDir>
#include <csignal>
#include <gtest/gtest.h>
#include <sys/resource.h>
#include <sys/stat.h>
#include <vector>

using namespace settings_test;

namespace {

void writeFile(const QString& path, const QByteArray& bytes) {
    QFile f(path);
    ASSERT_TRUE(f.open(QIODevice::WriteOnly | QIODevice::Truncate));
    ASSERT_EQ(f.write(bytes), bytes.size());
}

QByteArray fileBytes(const QString& path) {
    QFile f(path);
    return f.open(QIODevice::ReadOnly) ? f.readAll() : QByteArray("<unreadable>");
}

QProcessEnvironment envWith(const QString& home, const QString& xdg = {}) {
    QProcessEnvironment env;
    env.insert(QStringLiteral("HOME"), home);
    if (!xdg.isNull())
        env.insert(QStringLiteral("XDG_CONFIG_HOME"), xdg);
    return env;
}

} // namespace

TEST(SettingsPath, IsTheProgramsFolderAndNameWithIn4) {
    struct Case {
        const char* exe;
        const char* expected;
    };
    const Case cases[] = {
        {"/opt/app/board.exe", "/opt/app/board.in4"},
        {"/usr/bin/508", "/usr/bin/508.in4"},
        {"/508", "/508.in4"}, // a folder that already ends with "/" gets no second one
        {"/opt/app/my.board.exe", "/opt/app/my.board.in4"},
        {"/opt/運賃/508", "/opt/運賃/508.in4"},
    };
    for (const Case& c : cases)
        EXPECT_EQ(mdlIniIo::programSettingsPath(QString::fromUtf8(c.exe)), QString::fromUtf8(c.expected))
            << c.exe;
}

TEST(SettingsPath, UserFolderFollowsXdgConfigHome) {
    EXPECT_EQ(mdlIniIo::userSettingsFolder(envWith("/home/u", "/cfg")), QStringLiteral("/cfg/corvane"));
    EXPECT_EQ(mdlIniIo::userSettingsFolder(envWith("/home/u")), QStringLiteral("/home/u/.config/corvane"));
    EXPECT_EQ(mdlIniIo::userSettingsFolder(envWith("/home/u", "")),
              QStringLiteral("/home/u/.config/corvane"));
    // A relative XDG_CONFIG_HOME is not valid and is ignored.
    EXPECT_EQ(mdlIniIo::userSettingsFolder(envWith("/home/u", "rel/cfg")),
              QStringLiteral("/home/u/.config/corvane"));
}

TEST(SettingsPath, InstalledSettingsLieInShareBesideTheBinFolder) {
    struct Case {
        const char* exe;
        const char* expected;
    };
    const Case cases[] = {
        {"/usr/bin/508", "/usr/share/corvane/508.in4"},
        {"/opt/corvane/bin/508", "/opt/corvane/share/corvane/508.in4"},
        {"/home/u/.local/bin/board.exe", "/home/u/.local/share/corvane/board.in4"},
    };
    for (const Case& c : cases)
        EXPECT_EQ(mdlIniIo::installedSettingsPath(QString::fromUtf8(c.exe)), QString::fromUtf8(c.expected))
            << c.exe;
}

TEST(SettingsPath, ReadsTheFirstFileThatExistsAndWritesWhereItMay) {
    // Relative to a temporary prefix: the program is bin/508, the user folder cfg/corvane.
    const char* program = "bin/508.in4";
    const char* installed = "share/corvane/508.in4";
    const char* user = "cfg/corvane/508.in4";
    struct Case {
        const char* name;
        std::vector<const char*> existing;
        bool programFolderWritable;
        const char* read;
        const char* write;
    };
    const Case cases[] = {
        {"first start of a build", {}, true, program, program},
        {"a build with settings", {program}, true, program, program},
        {"installed, first start", {installed}, false, installed, user},
        {"installed in a folder that can be written", {installed}, true, installed, user},
        {"a file beside an installed program is read", {program, installed}, true, program, user},
        {"installed, first start without demo", {}, false, program, user},
        {"installed, saved before", {installed, user}, false, user, user},
        {"the user file wins over all", {program, installed, user}, true, user, user},
    };
    for (const Case& c : cases) {
        QTemporaryDir tmp;
        for (const char* dir : {"bin", "share/corvane", "cfg/corvane"})
            QDir().mkpath(tmp.filePath(QString::fromLatin1(dir)));
        for (const char* file : c.existing)
            writeFile(tmp.filePath(QString::fromLatin1(file)), "x");
        const auto writable = [&](const QString&) { return c.programFolderWritable; };
        const auto paths = mdlIniIo::resolveSettingsPaths(tmp.filePath(QStringLiteral("bin/508")),
                                                          envWith("/nohome", tmp.filePath("cfg")), writable);
        EXPECT_EQ(paths.readPath, tmp.filePath(QString::fromLatin1(c.read))) << c.name;
        EXPECT_EQ(paths.writePath, tmp.filePath(QString::fromLatin1(c.write))) << c.name;
    }
}

TEST(SettingsPath, AProgramFolderThatCannotHoldFilesIsNotWritable) {
    QTemporaryDir tmp;
    writeFile(tmp.filePath(QStringLiteral("plain")), "x");
    EXPECT_TRUE(mdlIniIo::isFolderWritable(tmp.path()));
    EXPECT_FALSE(mdlIniIo::isFolderWritable(tmp.filePath(QStringLiteral("plain"))));
    EXPECT_FALSE(mdlIniIo::isFolderWritable(tmp.filePath(QStringLiteral("missing"))));
}

TEST(SettingsProgramFile, SaveCreatesTheUserFolderAndStartUpReadsItBack) {
    QTemporaryDir tmp;
    // The program's "folder" is a regular file: nothing can be written next to it.
    writeFile(tmp.filePath(QStringLiteral("opt")), "not a folder");
    const QString exe = tmp.filePath(QStringLiteral("opt/508"));
    const QProcessEnvironment env = envWith("/nohome", tmp.filePath(QStringLiteral("xdg")));
    const QByteArray bytes = writeSettings(allChangedRecord());
    const SettingsError error = mdlIniIo::saveProgramSettings(exe, bytes, env);
    ASSERT_FALSE(error.isError()) << error.number;
    EXPECT_EQ(fileBytes(tmp.filePath(QStringLiteral("xdg/corvane/508.in4"))), bytes);
    const mdlIniIo::LoadResult loaded = mdlIniIo::loadProgramSettings(exe, env);
    EXPECT_EQ(loaded.status, mdlIniIo::LoadStatus::Loaded);
    EXPECT_EQ(writeSettings(loaded.record), bytes);
}

TEST(SettingsLoad, AMissingFileIsSilent) {
    QTemporaryDir tmp;
    const mdlIniIo::LoadResult r = mdlIniIo::loadSettingsFile(tmp.filePath(QStringLiteral("508.in4")));
    EXPECT_EQ(r.status, mdlIniIo::LoadStatus::Missing);
    EXPECT_EQ(r.error.number, 53);
    // A missing folder and an empty name are not reported either.
    EXPECT_EQ(mdlIniIo::loadSettingsFile(tmp.filePath(QStringLiteral("no/508.in4"))).status,
              mdlIniIo::LoadStatus::Missing);
    const mdlIniIo::LoadResult empty = mdlIniIo::loadSettingsFile(QString());
    EXPECT_EQ(empty.status, mdlIniIo::LoadStatus::Missing);
    EXPECT_EQ(empty.error.number, 52);
}

TEST(SettingsLoad, AFullFileLoads) {
    QTemporaryDir tmp;
    const QString path = tmp.filePath(QStringLiteral("508.in4"));
    writeFile(path, readFixture(QStringLiteral("all-changed.in4")));
    const mdlIniIo::LoadResult r = mdlIniIo::loadSettingsFile(path);
    EXPECT_EQ(r.status, mdlIniIo::LoadStatus::Loaded);
    EXPECT_EQ(r.readStatus, ReadStatus::Complete);
    EXPECT_EQ(r.record.DataFolders.TapeDataFolder, QStringLiteral("D:\\放送表"));
    EXPECT_FALSE(r.error.isError());
}

// The options dialog's font list shows the demo's choice rather than nothing.
TEST(SettingsLoad, TheDemoSettingsChooseAFontOption) {
    const mdlIniIo::LoadResult r =
        mdlIniIo::loadSettingsFile(QStringLiteral(CORVANE_SOURCE_DIR "/data/demo/demo-settings.in4"));
    ASSERT_EQ(r.status, mdlIniIo::LoadStatus::Loaded);
    EXPECT_EQ(r.record.StopNameSettings.StopNameFontMode, 0);
}

TEST(SettingsLoad, AShortFileLoadsWithDefaultsForTheRest) {
    QTemporaryDir tmp;
    const QString path = tmp.filePath(QStringLiteral("508.in4"));
    writeFile(path, readFixture(QStringLiteral("all-changed.in4")).left(100));
    const mdlIniIo::LoadResult r = mdlIniIo::loadSettingsFile(path);
    EXPECT_EQ(r.status, mdlIniIo::LoadStatus::Loaded);
    EXPECT_EQ(r.readStatus, ReadStatus::Truncated);
    EXPECT_EQ(r.record.DataFolders.FareDataFolder, QStringLiteral("C:\\運賃"));
    EXPECT_EQ(r.record.StopNameSettings.StopNameFontMode, -1);
}

TEST(SettingsLoad, AFolderInPlaceOfTheFileIsReported) {
    QTemporaryDir tmp;
    const QString path = tmp.filePath(QStringLiteral("508.in4"));
    QDir().mkpath(path);
    const mdlIniIo::LoadResult r = mdlIniIo::loadSettingsFile(path);
    EXPECT_EQ(r.status, mdlIniIo::LoadStatus::Failed);
    EXPECT_EQ(mdlIniIo::loadErrorMessage(r.error),
              QStringLiteral("エラー Code:75\r\n内容:パス名が無効です。\r\nモジュール:mdlIniIo.LoadIni()"));
}

TEST(SettingsLoad, ANamedPipeIsReportedWithoutWaitingForIt) {
    QTemporaryDir tmp;
    const QString path = tmp.filePath(QStringLiteral("508.in4"));
    ASSERT_EQ(::mkfifo(QFile::encodeName(path).constData(), 0600), 0);
    const mdlIniIo::LoadResult r = mdlIniIo::loadSettingsFile(path);
    EXPECT_EQ(r.status, mdlIniIo::LoadStatus::Failed);
    EXPECT_EQ(r.error.number, 75);
}

TEST(SettingsMessages, HaveTheirExactTexts) {
    EXPECT_EQ(mdlIniIo::loadErrorMessage(SettingsError::make(380)),
              QStringLiteral(
                  "エラー Code:380\r\n内容:プロパティの値が不正です。\r\nモジュール:mdlIniIo.LoadIni()"));
    EXPECT_EQ(mdlIniIo::saveErrorMessage(SettingsError::make(76)),
              QStringLiteral("エラー Code:76\r\n内容:パスが見つかりません。"));
    EXPECT_EQ(mdlIniIo::saveErrorMessage({7, QStringLiteral("メモリが不足しています。")}),
              QStringLiteral("エラー Code:7\r\n内容:メモリが不足しています。"));
}

TEST(SettingsSave, WritesTheBytesAndReplacesALongerFileWhole) {
    QTemporaryDir tmp;
    const QString path = tmp.filePath(QStringLiteral("508.in4"));
    writeFile(path, QByteArray(5000, 'o'));
    const QByteArray bytes = writeSettings(SettingsRecord{});
    QString message = QStringLiteral("untouched");
    EXPECT_TRUE(mdlIniIo::saveSettingsFile(path, bytes, &message));
    EXPECT_EQ(message, QStringLiteral("untouched"));
    EXPECT_EQ(fileBytes(path), bytes);
    // No temporary file is left beside it.
    EXPECT_EQ(QDir(tmp.path()).entryList(QDir::Files | QDir::Hidden), QStringList{QStringLiteral("508.in4")});
}

TEST(SettingsSave, AFolderThatIsAFileIsReportedAsPathNotFound) {
    QTemporaryDir tmp;
    writeFile(tmp.filePath(QStringLiteral("plain")), "x");
    QString message;
    EXPECT_FALSE(mdlIniIo::saveSettingsFile(tmp.filePath(QStringLiteral("plain/508.in4")), "abc", &message));
    EXPECT_EQ(message, QStringLiteral("エラー Code:76\r\n内容:パスが見つかりません。"));
    EXPECT_EQ(fileBytes(tmp.filePath(QStringLiteral("plain"))), QByteArray("x"));
}

TEST(SettingsSave, AFolderInPlaceOfTheFileIsReportedAndKept) {
    QTemporaryDir tmp;
    const QString path = tmp.filePath(QStringLiteral("508.in4"));
    QDir().mkpath(path + QStringLiteral("/inside"));
    QString message;
    EXPECT_FALSE(mdlIniIo::saveSettingsFile(path, "abc", &message));
    EXPECT_EQ(message, QStringLiteral("エラー Code:75\r\n内容:パス名が無効です。"));
    EXPECT_TRUE(QDir(path + QStringLiteral("/inside")).exists());
}

TEST(SettingsSave, AnEmptyNameIsReported) {
    QString message;
    EXPECT_FALSE(mdlIniIo::saveSettingsFile(QString(), "abc", &message));
    EXPECT_EQ(message, QStringLiteral("エラー Code:52\r\n内容:ファイル名または番号が不正です。"));
}

// A record that still holds a text too long for the file (read from a file another
// program wrote) is not saved cut short: the save fails with error 6.
TEST(SettingsSave, ATextTooLongForTheFileIsRefusedNotCut) {
    SettingsRecord r;
    r.DataFolders.TapeDataFolder = QString(32767, u'x');
    QByteArray bytes;
    EXPECT_EQ(mdlIniIo::settingsFileBytes(r, bytes).number, 0);
    EXPECT_EQ(readSettings(bytes).record.DataFolders.TapeDataFolder, r.DataFolders.TapeDataFolder);
    r.SoundSettings.StepSound2 = QStringLiteral("あ").repeated(16384);
    bytes = "untouched";
    const SettingsError error = mdlIniIo::settingsFileBytes(r, bytes);
    EXPECT_EQ(mdlIniIo::saveErrorMessage(error),
              QStringLiteral("エラー Code:6\r\n内容:オーバーフローしました。（StepSound2）"));
    EXPECT_EQ(bytes, QByteArray("untouched"));
}

// A write that fails half-way (here: the process may not write files larger than 100
// bytes) must leave the previous settings file exactly as it was.
TEST(SettingsSave, AFailedWriteLeavesThePreviousFileIntact) {
    QTemporaryDir tmp;
    const QString path = tmp.filePath(QStringLiteral("508.in4"));
    const QByteArray previous = readFixture(QStringLiteral("all-changed.in4"));
    writeFile(path, previous);

    rlimit saved{};
    ASSERT_EQ(::getrlimit(RLIMIT_FSIZE, &saved), 0);
    const auto oldHandler = std::signal(SIGXFSZ, SIG_IGN);
    rlimit small = saved;
    small.rlim_cur = 100;
    ASSERT_EQ(::setrlimit(RLIMIT_FSIZE, &small), 0);
    const SettingsError error = mdlIniIo::writeSettingsFile(path, writeSettings(SettingsRecord{}));
    ::setrlimit(RLIMIT_FSIZE, &saved);
    std::signal(SIGXFSZ, oldHandler);

    EXPECT_EQ(error.number, 57);
    EXPECT_EQ(mdlIniIo::saveErrorMessage(error),
              QStringLiteral("エラー Code:57\r\n内容:デバイス I/O エラーです。"));
    EXPECT_EQ(fileBytes(path), previous);
    EXPECT_EQ(QDir(tmp.path()).entryList(QDir::Files | QDir::Hidden), QStringList{QStringLiteral("508.in4")});
}
