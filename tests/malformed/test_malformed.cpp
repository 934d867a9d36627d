// Damaged input files, one folder per format, each read the way the program reads it
// through the real corvane tool. `<format>/expected.tsv` lists, one line each:
//
//   file <TAB> status <TAB> message
//
// `file` is a file of the folder, or
//   NAME.big  a file holding a byte count: the test makes NAME, that many zero bytes;
//   @missing  no file at all;   @folder  a folder of that name;   @fifo  a named pipe.
// `message` is what the program says, with \r, \n, \t and \\ written as escapes, FILE
// for the damaged file's path and OUT for the output file's path. Besides the message,
// every row checks that nothing else changed: the old output file, the live settings,
// the board, and that no file was created.
#include <QDir>
#include <QDirIterator>
#include <QFile>
#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>
#include <QProcess>
#include <QTemporaryDir>
#include "ToolRun.h"

#include <gtest/gtest.h>
#include <sys/stat.h>

// Messages print as text in failures, escaped as in expected.tsv.
void PrintTo(const QString& text, std::ostream* os);

namespace {

QString escaped(QString s) {
    return s.replace(QLatin1Char('\\'), QStringLiteral("\\\\"))
        .replace(QLatin1Char('\r'), QStringLiteral("\\r"))
        .replace(QLatin1Char('\n'), QStringLiteral("\\n"))
        .replace(QLatin1Char('\t'), QStringLiteral("\\t"));
}

// With CORVANE_MALFORMED_PRINT set, each row is also printed as the program answers
// it, in the form of expected.tsv (to write the lines of a new file).
void printRow(const QString& file, const QString& status, const QString& message) {
    if (qEnvironmentVariableIsSet("CORVANE_MALFORMED_PRINT"))
        std::printf("%s\t%s\t%s\n", qPrintable(file), qPrintable(status),
                    escaped(message).toUtf8().constData());
}

const QString kSource = QStringLiteral(CORVANE_SOURCE_DIR "/tests/malformed/");

struct Row {
    QString file;
    QString status;
    QString message;
};

QString unescape(const QString& s) {
    QString out;
    for (qsizetype i = 0; i < s.size(); ++i) {
        if (s[i] != QLatin1Char('\\') || i + 1 == s.size()) {
            out += s[i];
            continue;
        }
        const QChar c = s[++i];
        out += c == QLatin1Char('r')   ? QChar('\r')
               : c == QLatin1Char('n') ? QChar('\n')
               : c == QLatin1Char('t') ? QChar('\t')
                                       : c;
    }
    return out;
}

QList<Row> rows(const QString& format) {
    QFile f(kSource + format + QStringLiteral("/expected.tsv"));
    EXPECT_TRUE(f.open(QIODevice::ReadOnly)) << format.toStdString();
    QList<Row> out;
    for (const QByteArray& raw : f.readAll().split('\n')) {
        const QString line = QString::fromUtf8(raw);
        if (line.isEmpty() || line.startsWith(QLatin1Char('#')))
            continue;
        const QStringList cells = line.split(QLatin1Char('\t'));
        EXPECT_EQ(cells.size(), 3) << line.toStdString();
        if (cells.size() == 3)
            out.append({cells[0], cells[1], unescape(cells[2])});
    }
    EXPECT_FALSE(out.isEmpty()) << format.toStdString();
    return out;
}

ToolRun corvane(const QStringList& args, const QByteArray& input = QByteArray()) {
    return runCorvane(args, input);
}

// Puts the row's file at `path` (copied, made, or left out).
void place(const QString& format, const QString& file, const QString& path) {
    if (file == QLatin1String("@missing"))
        return;
    if (file == QLatin1String("@folder")) {
        ASSERT_TRUE(QDir().mkpath(path));
        return;
    }
    if (file == QLatin1String("@fifo")) {
        ASSERT_EQ(mkfifo(QFile::encodeName(path).constData(), 0600), 0);
        return;
    }
    const QString source = kSource + format + QLatin1Char('/') + file;
    if (file.endsWith(QLatin1String(".big"))) {
        QFile size(source);
        ASSERT_TRUE(size.open(QIODevice::ReadOnly)) << source.toStdString();
        QFile big(path);
        ASSERT_TRUE(big.open(QIODevice::WriteOnly));
        ASSERT_TRUE(big.resize(size.readAll().trimmed().toLongLong()));
        return;
    }
    if (QFileInfo(source).isDir()) { // a GTFS feed: the base feed with this folder's changes
        ASSERT_TRUE(QDir().mkpath(path));
        const QString base = kSource + format + QStringLiteral("/base");
        for (const QString& name : QDir(base).entryList(QDir::Files))
            ASSERT_TRUE(QFile::copy(base + QLatin1Char('/') + name, path + QLatin1Char('/') + name));
        for (const QString& name : QDir(source).entryList(QDir::Files)) {
            const QString target = path + QLatin1Char('/') + name;
            if (name.endsWith(QLatin1String(".absent"))) {
                QFile::remove(target.chopped(7));
            } else {
                QFile::remove(target.endsWith(QLatin1String(".big")) ? target.chopped(4) : target);
                place(format + QLatin1Char('/') + file, name,
                      name.endsWith(QLatin1String(".big")) ? target.chopped(4) : target);
            }
        }
        return;
    }
    ASSERT_TRUE(QFile::copy(source, path)) << source.toStdString();
}

// Every file under `folder` with its bytes (a pipe or a folder by its kind).
QMap<QString, QByteArray> snapshot(const QString& folder) {
    QMap<QString, QByteArray> out;
    QDirIterator it(folder, QDir::AllEntries | QDir::NoDotAndDotDot | QDir::System | QDir::Hidden,
                    QDirIterator::Subdirectories);
    while (it.hasNext()) {
        const QFileInfo info(it.next());
        QByteArray bytes = "(other)";
        if (info.isDir()) {
            bytes = "(folder)";
        } else if (info.isFile()) {
            QFile f(info.filePath());
            if (f.open(QIODevice::ReadOnly))
                bytes = f.readAll();
        }
        out.insert(info.filePath(), bytes);
    }
    return out;
}

QString shown(QString text, const QString& file, const QString& out = QString()) {
    text.replace(file, QStringLiteral("FILE"));
    if (!out.isEmpty())
        text.replace(out, QStringLiteral("OUT"));
    return text;
}

QString rowName(const Row& r) {
    return r.file + QStringLiteral(" (") + r.status + QLatin1Char(')');
}

QList<QJsonObject> states(const ToolRun& r) {
    QList<QJsonObject> out;
    for (const QString& line : r.out.split(QLatin1Char('\n'), Qt::SkipEmptyParts))
        out << QJsonDocument::fromJson(line.toUtf8()).object();
    return out;
}

// The board as the passengers and the driver see it.
QJsonObject board(QJsonObject state) {
    for (const char* key : {"route", "section", "sounds", "spoken", "messages", "tape"})
        state.remove(QLatin1String(key));
    return state;
}

QStringList messageTexts(const QJsonObject& state) {
    QStringList out;
    for (const QJsonValue& m : state.value(QLatin1String("messages")).toArray())
        out << m.toObject().value(QLatin1String("text")).toString();
    return out;
}

// Route files (.hy3): the console sets route 12 (a good route) and steps, then sets
// route 77, the damaged file. The refusal is the console's message box; the board keeps
// route 12 as it was. The status is the exit status of `corvane route check` on it.
TEST(Malformed, RouteFiles) {
    for (const Row& row : rows(QStringLiteral("hy3"))) {
        SCOPED_TRACE(rowName(row).toStdString());
        QTemporaryDir dir;
        const QString fare = dir.filePath(QStringLiteral("fare"));
        ASSERT_TRUE(QDir().mkpath(fare));
        ASSERT_TRUE(QFile::copy(QStringLiteral(CORVANE_SOURCE_DIR "/data/demo/12.hy3"), fare + "/12.hy3"));
        const QString path = fare + QStringLiteral("/77.hy3");
        place(QStringLiteral("hy3"), row.file, path);
        const QMap<QString, QByteArray> before = snapshot(dir.path());

        const QByteArray script = "fast on\nset FareDataFolder " + fare.toUtf8() + "\nset TapeDataFolder " +
                                  fare.toUtf8() +
                                  "\nkeypad 系統 1 2 区間 1\nreset keypad\nnext\nstate\n"
                                  "keypad 系統 7 7 区間 1\nreset keypad\nstate\n";
        const ToolRun run = corvane({QStringLiteral("script")}, script);
        ASSERT_EQ(run.status, 0) << run.err.toStdString();
        const QList<QJsonObject> s = states(run);
        ASSERT_EQ(s.size(), 2);
        const QStringList messages = messageTexts(s[1]);
        const ToolRun check = corvane({QStringLiteral("route"), QStringLiteral("check"), path});
        printRow(row.file, QString::number(check.status), shown(messages.join(QLatin1Char('|')), path));

        if (row.message.isEmpty()) { // loaded
            EXPECT_EQ(messages, QStringList());
            EXPECT_NE(board(s[1]), board(s[0]));
        } else {
            EXPECT_EQ(s[1].value("rowCount").toInt(), s[0].value("rowCount").toInt());
            EXPECT_EQ(board(s[1]), board(s[0]));
            EXPECT_EQ(messages.size(), 1);
            EXPECT_EQ(shown(messages.join(QLatin1Char('|')), path), row.message);
        }
        EXPECT_EQ(QString::number(check.status), row.status)
            << check.out.toStdString() << check.err.toStdString();
        EXPECT_EQ(snapshot(dir.path()), before);
    }
}

// Settings files (.in4): `settings PATH` as the start-up loads it. "refused": the load
// error's message box, the live settings (as `save` writes them) and the board stay as
// they were. "loaded": accepted without a message (a short file loads with defaults
// for what it lacks). "2": the script stops with the message on standard error.
TEST(Malformed, SettingsFiles) {
    for (const Row& row : rows(QStringLiteral("in4"))) {
        SCOPED_TRACE(rowName(row).toStdString());
        QTemporaryDir dir;
        const QString path = dir.filePath(QStringLiteral("damaged.in4"));
        place(QStringLiteral("in4"), row.file, path);
        QTemporaryDir savedDir;
        const QString saved = savedDir.path();
        const QMap<QString, QByteArray> before = snapshot(dir.path());

        const QByteArray script = "fast on\nsave " + saved.toUtf8() + "/before.in4\nstate\nsettings " +
                                  path.toUtf8() + "\nstate\nsave " + saved.toUtf8() + "/after.in4\n";
        const ToolRun run = corvane({QStringLiteral("script")}, script);
        EXPECT_EQ(snapshot(dir.path()), before);
        {
            const QList<QJsonObject> s = states(run);
            const QStringList m = s.size() == 2 ? messageTexts(s[1]) : QStringList();
            const QString status = run.status == 2 ? QStringLiteral("2")
                                   : m.isEmpty()   ? QStringLiteral("loaded")
                                                   : QStringLiteral("refused");
            printRow(row.file, status,
                     shown(run.status == 2 ? run.err.trimmed() : m.join(QLatin1Char('|')), path));
        }
        if (row.status == QLatin1String("2")) {
            EXPECT_EQ(run.status, 2);
            EXPECT_EQ(shown(run.err.trimmed(), path), row.message);
            continue;
        }
        ASSERT_EQ(run.status, 0) << run.err.toStdString();
        const QList<QJsonObject> s = states(run);
        ASSERT_EQ(s.size(), 2);
        const QStringList messages = messageTexts(s[1]);
        if (row.status == QLatin1String("refused")) {
            EXPECT_EQ(messages.size(), 1);
            EXPECT_EQ(shown(messages.join(QLatin1Char('|')), path), row.message);
            EXPECT_EQ(board(s[1]), board(s[0]));
            QFile a(saved + "/before.in4"), b(saved + "/after.in4");
            ASSERT_TRUE(a.open(QIODevice::ReadOnly) && b.open(QIODevice::ReadOnly));
            EXPECT_TRUE(a.readAll() == b.readAll()) << "the live settings changed";
        } else {
            EXPECT_EQ(row.status, QStringLiteral("loaded"));
            EXPECT_EQ(messages, QStringList()) << "no message for a file that loads";
        }
    }
}

// A command that only reads: the exit status and what it prints (standard output and
// standard error together), and no file created or changed beside it.
void checkReader(const QString& format, const QString& command, const QString& subcommand,
                 const QString& name) {
    for (const Row& row : rows(format)) {
        SCOPED_TRACE(rowName(row).toStdString());
        QTemporaryDir dir;
        const QString path = dir.filePath(name);
        place(format, row.file, path);
        const QMap<QString, QByteArray> before = snapshot(dir.path());
        const ToolRun run = corvane({command, subcommand, path});
        printRow(row.file, QString::number(run.status), shown((run.out + run.err).trimmed(), path));
        EXPECT_EQ(QString::number(run.status), row.status);
        EXPECT_EQ(shown((run.out + run.err).trimmed(), path), row.message);
        EXPECT_EQ(snapshot(dir.path()), before);
    }
}

// Announcement lists (NTp.csv): `corvane tape check`, as the console reads a list.
TEST(Malformed, AnnouncementLists) {
    checkReader(QStringLiteral("tape"), QStringLiteral("tape"), QStringLiteral("check"),
                QStringLiteral("77tp.csv"));
}

// Ticket plug-ins (.4SP): `corvane plugin check`, as the plug-in page reads one.
TEST(Malformed, TicketPlugins) {
    checkReader(QStringLiteral("4sp"), QStringLiteral("plugin"), QStringLiteral("check"),
                QStringLiteral("bad.4SP"));
}

// Route CSV: `corvane route build FILE.csv -o OUT` over an existing route file, which
// must stay as it was; nothing else appears beside it.
TEST(Malformed, RouteCsv) {
    for (const Row& row : rows(QStringLiteral("csv"))) {
        SCOPED_TRACE(rowName(row).toStdString());
        QTemporaryDir dir;
        const QString path = dir.filePath(QStringLiteral("in/route.csv"));
        ASSERT_TRUE(QDir().mkpath(dir.filePath(QStringLiteral("in"))));
        place(QStringLiteral("csv"), row.file, path);
        const QString out = dir.filePath(QStringLiteral("out/12.hy3"));
        ASSERT_TRUE(QDir().mkpath(dir.filePath(QStringLiteral("out"))));
        ASSERT_TRUE(QFile::copy(QStringLiteral(CORVANE_SOURCE_DIR "/data/demo/12.hy3"), out));
        const QMap<QString, QByteArray> before = snapshot(dir.path());
        const ToolRun run =
            corvane({QStringLiteral("route"), QStringLiteral("build"), path, QStringLiteral("-o"), out});
        printRow(row.file, QString::number(run.status), shown((run.out + run.err).trimmed(), path, out));
        EXPECT_EQ(QString::number(run.status), row.status);
        EXPECT_EQ(shown((run.out + run.err).trimmed(), path, out), row.message);
        if (row.status != QLatin1String("0")) {
            EXPECT_EQ(snapshot(dir.path()), before);
        }
    }
}

// GTFS feeds: each case is a folder of changes to `gtfs/base` (a file replaces the
// base's, NAME.absent removes NAME). `import-gtfs --trip T1 --number 7` into a folder
// that holds an earlier import: on a refusal both earlier files stay and nothing is
// added; a feed that imports with warnings replaces both.
TEST(Malformed, GtfsFeeds) {
    for (const Row& row : rows(QStringLiteral("gtfs"))) {
        SCOPED_TRACE(rowName(row).toStdString());
        QTemporaryDir dir;
        const QString feed = dir.filePath(QStringLiteral("feed"));
        place(QStringLiteral("gtfs"), row.file, feed);
        const QString out = dir.filePath(QStringLiteral("out"));
        ASSERT_TRUE(QDir().mkpath(out));
        ASSERT_TRUE(QFile::copy(QStringLiteral(CORVANE_SOURCE_DIR "/data/demo/12.hy3"), out + "/7.hy3"));
        ASSERT_TRUE(QFile::copy(QStringLiteral(CORVANE_SOURCE_DIR "/data/demo/12tp.csv"), out + "/7tp.csv"));
        const QMap<QString, QByteArray> before = snapshot(dir.path());
        const ToolRun run =
            corvane({QStringLiteral("route"), QStringLiteral("import-gtfs"), feed, QStringLiteral("--trip"),
                     QStringLiteral("T1"), QStringLiteral("--number"), QStringLiteral("7"),
                     QStringLiteral("-o"), out});
        EXPECT_EQ(QString::number(run.status), row.status);
        const QString said = run.status == 0 ? run.err.trimmed() : (run.out + run.err).trimmed();
        printRow(row.file, QString::number(run.status), shown(said, feed, out));
        EXPECT_EQ(shown(said, feed, out), row.message);
        if (row.status != QLatin1String("0")) {
            EXPECT_EQ(snapshot(dir.path()), before);
        } else {
            EXPECT_EQ(QDir(out).entryList(QDir::AllEntries | QDir::NoDotAndDotDot | QDir::Hidden),
                      QStringList({"7.hy3", "7.sign", "7tp.csv"}));
        }
    }
}

} // namespace

void PrintTo(const QString& text, std::ostream* os) {
    *os << '"' << escaped(text).toStdString() << '"';
}
