#include "app/Program.h"
#include "board/ui/Form1.h"
#include "controller/ui/frmCtl.h"
#include "platform/ui/MessageBox.h"
#include "stopname/ui/ChimeiCtl_B.h"

#include "app/SettingsWindows.h"
#include "platform/Cp932.h"
#include "settings/SettingsLayout.h"
#include "settings/SettingsRecord.h"

#include <QCoreApplication>
#include <QDir>
#include <QElapsedTimer>
#include <QFile>
#include <QFileInfo>
#include <QGuiApplication>
#include <QScreen>
#include <QScrollBar>
#include <QTemporaryDir>
#include <QtEndian>
#include <gtest/gtest.h>

namespace {

TEST(ProgramStart, BoardTopLeftControllerBottomRight) {
    msgbox::setRecording(true);
    Program::Options options;
    options.loadSettings = false;
    Program program(options);
    program.start();
    const QRect screen = QGuiApplication::primaryScreen()->geometry();
    EXPECT_EQ(program.board().pos(), QPoint(0, 0));
    EXPECT_EQ(program.controller().frameGeometry().bottomRight(), screen.bottomRight());
    EXPECT_TRUE(program.board().windowTitle().startsWith(QStringLiteral("Corvane - 型番:")));
    EXPECT_EQ(program.controller().windowTitle(), QStringLiteral("集中操作盤"));
    EXPECT_TRUE(program.board().isVisible());
    EXPECT_TRUE(program.controller().isVisible());
    EXPECT_TRUE(msgbox::takeRecorded().isEmpty());
}

TEST(ProgramEnd, AnsweringYesAtTheConsoleSavesTheSettings) {
    msgbox::setRecording(true);
    Program::Options options;
    options.loadSettings = false;
    Program program(options);
    program.start();
    const QString saved = QCoreApplication::applicationDirPath() + QLatin1Char('/') +
                          QFileInfo(QCoreApplication::applicationFilePath()).completeBaseName() +
                          QStringLiteral(".in4");
    QFile::remove(saved);
    program.controller().HScroll1[0]->setValue(77);
    msgbox::setNextAnswer(QMessageBox::Yes);
    EXPECT_TRUE(program.controller().QueryUnload());
    QFile file(saved);
    ASSERT_TRUE(file.open(QIODevice::ReadOnly));
    const QByteArray bytes = file.readAll();
    EXPECT_EQ(bytes.size(), 548);
    EXPECT_EQ(static_cast<unsigned char>(bytes[150]), 77); // the scroll speed went into the file
    file.close();
    QFile::remove(saved);
    msgbox::takeRecorded();
}

TEST(ProgramStart, WindowsSavedOffTheScreenComeBack) {
    const QRect screen = QGuiApplication::primaryScreen()->geometry();
    QWidget w;
    w.resize(100, 80);
    w.move(screen.right() + 500, screen.bottom() + 500);
    keepOnScreen(w);
    EXPECT_TRUE(screen.contains(w.frameGeometry())) << w.x() << "," << w.y();
    w.move(-300, 10);
    keepOnScreen(w);
    EXPECT_EQ(w.frameGeometry().left(), screen.left());
    EXPECT_EQ(w.frameGeometry().top(), 10);
    w.move(20, 30);
    keepOnScreen(w);
    EXPECT_EQ(w.pos(), QPoint(20, 30));
}

// The settings file as the windows would save it now.
QByteArray savedBytes(Program& p) {
    return writeSettings(
        mdlIniIo::currentRecord(mdlIniIo::Windows{p.board(), p.options(), p.controller(), p.console()}));
}

// A settings file cut anywhere loads what it holds at start-up, without a message; every
// value it lacks keeps what a first start has (the controller's scroll bars included),
// so that the next save loses nothing of it.
TEST(ProgramStart, SettingsFileCutAnywhereLoadsWhatItHolds) {
    QByteArray full;
    {
        QFile f(QStringLiteral(CORVANE_SOURCE_DIR "/data/fixtures/settings/all-changed.in4"));
        ASSERT_TRUE(f.open(QIODevice::ReadOnly));
        full = f.readAll();
    }
    // Both windows on the screen, and the preview folded, so that the start-up does not
    // move them.
    const auto put32 = [&](int at, qint32 v) { qToLittleEndian(v, full.data() + at); };
    qToLittleEndian(qint16(0), full.data() + 0x109); // PreviewOpen
    put32(0x10b, 300);                               // ControllerLeft
    put32(0x10f, 1500);                              // ControllerTop
    put32(0x113, 1500);                              // BoardLeft
    put32(0x117, 300);                               // BoardTop

    QTemporaryDir config;
    ASSERT_TRUE(config.isValid());
    const QByteArray oldConfig = qgetenv("XDG_CONFIG_HOME");
    qputenv("XDG_CONFIG_HOME", QFile::encodeName(config.path()));
    ASSERT_TRUE(QDir(config.path()).mkpath(QStringLiteral("corvane")));
    const QString file = config.filePath(
        QStringLiteral("corvane/") + QFileInfo(QCoreApplication::applicationFilePath()).completeBaseName() +
        QStringLiteral(".in4"));
    msgbox::setRecording(true);

    SettingsRecord firstStart;
    {
        Program program;
        program.start();
        firstStart = mdlIniIo::currentRecord(
            mdlIniIo::Windows{program.board(), program.options(), program.controller(), program.console()});
        EXPECT_EQ(program.controller().HScroll1[0]->value(), 5);
    }
    for (qsizetype length = 0; length <= full.size(); ++length) {
        {
            QFile f(file);
            ASSERT_TRUE(f.open(QIODevice::WriteOnly | QIODevice::Truncate));
            f.write(full.left(length));
        }
        Program program;
        program.start();
        const QList<msgbox::Record> shown = msgbox::takeRecorded();
        ASSERT_TRUE(shown.isEmpty()) << length << ": " << shown.first().text.toStdString();
        const QByteArray expected = writeSettings(readSettings(full.left(length), firstStart).record);
        ASSERT_EQ(savedBytes(program), expected) << "cut after " << length << " bytes";
    }
    if (oldConfig.isNull())
        qunsetenv("XDG_CONFIG_HOME");
    else
        qputenv("XDG_CONFIG_HOME", oldConfig);
}

// Where each field of a settings file lies: numbers (offset, size) and texts (offset).
struct FieldOffsets {
    qsizetype pos = 0;
    QVector<std::pair<qsizetype, int>> numbers;
    QVector<qsizetype> texts;
    void block(char) {}
    void number(int size) {
        numbers.append({pos, size});
        pos += size;
    }
    void text(const char*, const QString& v) {
        texts << pos;
        pos += 2 + cp932::encode(v).size();
    }
    void check(const char*, qint16) { number(2); }
    void option(const char*, const char*, qint16) { number(2); }
    void list(const char*, qint16, int) { number(2); }
    void colour(const char*, std::uint32_t) { number(4); }
    void int16(const char*, qint16) { number(2); }
    void int32(const char*, qint32) { number(4); }
    void int32(const char*, std::uint32_t) { number(4); }
    void marker() { number(2); }
};

// Damaged files that the program accepts: after one load and save, loading and saving
// again gives the same bytes.
TEST(ProgramStart, LoadingAndSavingADamagedFileReachesAFixedPoint) {
    QByteArray full;
    {
        QFile f(QStringLiteral(CORVANE_SOURCE_DIR "/data/fixtures/settings/all-changed.in4"));
        ASSERT_TRUE(f.open(QIODevice::ReadOnly));
        full = f.readAll();
    }
    FieldOffsets offsets;
    settings_layout::visitFile(static_cast<const SettingsRecord&>(readSettings(full).record), offsets);
    ASSERT_EQ(offsets.pos, full.size());

    QVector<QByteArray> damaged;
    const qint32 values16[] = {-32768, -2, -1, 0, 1, 2, 3, 49, 50, 255, 32767};
    const qint32 values32[] = {INT32_MIN, -16, -1, 0, 1, 0xFFFFFF, 0x1000000, 2147483000, INT32_MAX};
    for (const auto& [at, size] : offsets.numbers) {
        // Every display format behaves alike: the first display's stand for all.
        if (at > offsets.numbers[offsets.numbers.size() - 148].first)
            break;
        for (qint32 v : size == 2 ? QVector<qint32>(std::begin(values16), std::end(values16))
                                  : QVector<qint32>(std::begin(values32), std::end(values32))) {
            QByteArray b = full;
            if (size == 2)
                qToLittleEndian(static_cast<qint16>(v), b.data() + at);
            else
                qToLittleEndian(v, b.data() + at);
            damaged << b;
        }
    }
    // Texts: bytes that are not cp932, a lone lead byte, a text longer than any field
    // keeps, a count beyond the end of the file.
    for (qsizetype at : offsets.texts) {
        const quint16 count = qFromLittleEndian<quint16>(full.constData() + at);
        for (const QByteArray& text : {QByteArray("\x81\x20\xFF\xA0"), QByteArray("ab\x82"),
                                       QByteArray(40000, 'x'), QByteArray("\x87\x40\xED\x40\xFA\x40")}) {
            QByteArray b = full;
            QByteArray field(2, '\0');
            qToLittleEndian(static_cast<quint16>(text.size()), field.data());
            b.replace(at, 2 + count, field + text);
            damaged << b;
        }
        QByteArray b = full;
        qToLittleEndian(static_cast<quint16>(0xFFFF), b.data() + at);
        damaged << b;
    }

    QTemporaryDir dir;
    ASSERT_TRUE(dir.isValid());
    const QString path = dir.filePath(QStringLiteral("damaged.in4"));
    const auto write = [&](const QByteArray& bytes) {
        QFile f(path);
        return f.open(QIODevice::WriteOnly | QIODevice::Truncate) && f.write(bytes) == bytes.size();
    };
    msgbox::setRecording(true);
    Program::Options options;
    options.loadSettings = false;
    Program program(options);
    program.start();
    int accepted = 0;
    for (qsizetype i = 0; i < damaged.size(); ++i) {
        ASSERT_TRUE(write(damaged[i]));
        if (!program.loadSettings(path)) {
            msgbox::takeRecorded();
            continue;
        }
        ++accepted;
        const QByteArray once = savedBytes(program);
        ASSERT_TRUE(write(once));
        ASSERT_TRUE(program.loadSettings(path)) << "file " << i << ": what was saved is refused";
        const QByteArray twice = savedBytes(program);
        if (once != twice) {
            qsizetype d = 0;
            while (d < once.size() && d < twice.size() && once[d] == twice[d])
                ++d;
            ADD_FAILURE() << "file " << i << " differs from byte " << d << ": "
                          << once.mid(d, 8).toHex(' ').toStdString() << " then "
                          << twice.mid(d, 8).toHex(' ').toStdString();
        }
    }
    EXPECT_GT(accepted, damaged.size() / 2);
}

} // namespace
