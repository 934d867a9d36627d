// Reading plug-in files: the samples, every kind of refusal with its line and field,
// Shift_JIS files, the size cap and files that are not regular files.
#include "PluginTestFiles.h"
#include "platform/Cp932.h"
#include "plugins/PluginFile.h"

#include <QElapsedTimer>
#include <QTemporaryDir>
#include <gtest/gtest.h>

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

using namespace plugins;

namespace {

QString problemsText(const PluginFile& f) {
    QString all;
    for (const Problem& p : f.problems)
        all += p.text() + QLatin1Char('\n');
    return all;
}

TEST(PluginFile, SamplesAreValidWithTheirRecords) {
    struct Case {
        const char* file;
        PluginInfo info;
        int companies;
        int items;
    };
    // FormatVersion, PreviewWidth, PreviewHeight, date, time, route, stop, barcode,
    // BarcodeCount, MaxRoute, BarcodeRouteMode, StopRangeFirst, StopRangeLast, CompanyCount
    const Case cases[] = {
        {"plain.4SP", {1, 3300, 1395, 0, 0, 0, 1, 0, 0, 999, 1, 1, 99, 0}, 0, 5},
        {"barcode.4SP", {1, 3300, 1680, 1, 1, 1, 1, 1, 1, 999, 2, 1, 99, 0}, 0, 11},
        {"companies.4SP", {1, 3300, 1395, 1, 0, 0, 1, 0, 0, 999, 1, 1, 99, 3}, 3, 8},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.file);
        const PluginFile f = loadPlugin(samplePath(c.file));
        ASSERT_TRUE(f.valid()) << problemsText(f).toStdString();
        EXPECT_EQ(f.info, c.info);
        EXPECT_EQ(f.companies.size(), c.companies);
        EXPECT_EQ(f.ticket.items.size(), c.items);
        EXPECT_FALSE(f.notes.isEmpty());
    }
    const PluginFile companies = loadPlugin(samplePath("companies.4SP"));
    EXPECT_EQ(companies.companies, (QStringList{QStringLiteral("椿原交通"), QStringLiteral("椿原市営バス"),
                                                QStringLiteral("奥椿観光バス")}));
}

TEST(PluginFile, RecordIsFourteenLittleEndianInt32) {
    PluginInfo info{1, 3300, 1395, 1, 0, 1, 0, 1, 2, 999, -1, 3, 40, 16};
    const QByteArray bytes = toRecord(info);
    ASSERT_EQ(bytes.size(), 56);
    EXPECT_EQ(bytes.mid(4, 4), QByteArray("\xE4\x0C\x00\x00", 4));  // 3300
    EXPECT_EQ(bytes.mid(40, 4), QByteArray("\xFF\xFF\xFF\xFF", 4)); // BarcodeRouteMode -1
    EXPECT_EQ(bytes.mid(52, 4), QByteArray("\x10\x00\x00\x00", 4)); // CompanyCount 16
    EXPECT_EQ(fromRecord(bytes), info);
}

TEST(PluginFile, DefaultsOfAMinimalFileAndNotesKeptVerbatim) {
    const PluginFile f = parsePlugin(minimalPlugin("[notes]\n\n# not a comment here\n  indented\n\n"));
    ASSERT_TRUE(f.valid()) << problemsText(f).toStdString();
    EXPECT_EQ(f.info, (PluginInfo{1, 3300, 1395, 0, 0, 0, 0, 0, 0, 999, 1, 1, 99, 0}));
    EXPECT_EQ(f.ticket.size, QSize(220, 93)); // the preview's size in pixels
    EXPECT_EQ(f.notes, QStringLiteral("# not a comment here\n  indented"));
}

struct Refusal {
    const char* what;
    QByteArray text;
    int line;
    const char* field;
    const char* reason; // a part of the reason
};

TEST(PluginFile, RefusalsNameTheirLineAndField) {
    const QByteArray big(kMaxLineBytes + 1, 'x');
    QByteArray items;
    for (int i = 0; i < kMaxItems + 1; ++i)
        items += "[line]\nfrom = 0, 0\nto = 1, 1\n";
    QByteArray companies = "[companies]\n";
    for (int i = 0; i < kMaxCompanies + 1; ++i)
        companies += "社" + QByteArray::number(i) + "\n";
    const Refusal cases[] = {
        {"empty file", "", 0, "", "the file is empty"},
        {"no [plugin]", "[ticket]\nsize = 100, 50\n", 1, "", "not a ticket plug-in"},
        {"format missing", "[plugin]\nname = x\n", 1, "", "not a ticket plug-in"},
        {"unknown format", "[plugin]\nformat = 2\n", 2, "format", "format 2 is not known"},
        {"unknown key", minimalPlugin("colour = red\n"), 3, "colour", "not a key of [plugin]"},
        {"key given twice", minimalPlugin("print-date = 1\nprint-date = 0\n"), 4, "print-date",
         "given twice in one section (first on line 3)"},
        {"section twice", minimalPlugin("[notes]\na\n[notes]\n"), 5, "", "section [notes] appears twice"},
        {"unknown section", minimalPlugin("[picture]\nsize = 1\n"), 3, "", "unknown section [picture]"},
        {"key before a section", "format = 1\n[plugin]\nformat = 1\n", 1, "format", "before any section"},
        {"no equals sign", minimalPlugin("print-date\n"), 3, "", "expected \"key = value\""},
        {"flag not 0 or 1", minimalPlugin("print-date = 2\n"), 3, "print-date", "neither 1 (yes) nor 0 (no)"},
        {"not a number", minimalPlugin("preview-width = 12O0\n"), 3, "preview-width",
         "is not a whole number"},
        {"preview too wide", minimalPlugin("preview-width = 99999999999\n"), 3, "preview-width",
         "out of range (150 to 6000)"},
        {"negative stop", minimalPlugin("stop-first = -1\n"), 3, "stop-first", "out of range (0 to 9999)"},
        {"stop range reversed", minimalPlugin("stop-first = 10\nstop-last = 5\n"), 4, "stop-last",
         "the last stop (5) comes before the first (10)"},
        {"ticket larger than preview", minimalPlugin("[ticket]\nsize = 221, 50\n"), 4, "size",
         "larger than the preview (220 x 93 pixels)"},
        {"ticket too small", minimalPlugin("[ticket]\nsize = 10, 50\n"), 4, "size", "at least 20 x 20"},
        {"bad colour", minimalPlugin("[ticket]\npaper = white\n"), 4, "paper", "is not a colour"},
        {"box past the edge", minimalPlugin("[number]\nbox = 200, 0, 30, 40\n"), 4, "box",
         "reaches past the ticket (220 x 93)"},
        {"box with three numbers", minimalPlugin("[number]\nbox = 1, 2, 3\n"), 4, "box",
         "expected 4 whole numbers"},
        {"box of no width", minimalPlugin("[number]\nbox = 1, 2, 0, 3\n"), 4, "box", "at least 1"},
        {"line outside", minimalPlugin("[line]\nfrom = 0, 0\nto = 300, 5\n"), 5, "to",
         "lies outside the ticket"},
        {"item without box", minimalPlugin("[stop]\nsize = 12\n"), 3, "box", "[stop] needs \"box = ...\""},
        {"text without text", minimalPlugin("[text]\nbox = 0, 0, 10, 10\n"), 3, "text",
         "needs \"text = ...\""},
        {"key of another kind", minimalPlugin("[line]\nfrom = 0, 0\nto = 1, 1\nfill = #000000\n"), 6, "fill",
         "not a key of [line]"},
        {"font too large", minimalPlugin("[number]\nbox = 0, 0, 10, 10\nsize = 500\n"), 5, "size",
         "out of range"},
        {"bad alignment", minimalPlugin("[number]\nbox = 0, 0, 10, 10\nalign = middle\n"), 5, "align",
         "not one of left, center, right"},
        {"unknown placeholder", minimalPlugin("[date]\nbox = 0, 0, 10, 10\nformat = {YYYY}\n"), 5, "format",
         "{YYYY} is not a placeholder of [date]"},
        {"no placeholder", minimalPlugin("[route]\nbox = 0, 0, 10, 10\nformat = 系統\n"), 5, "format",
         "has no placeholder"},
        {"open brace", minimalPlugin("[number]\nbox = 0, 0, 10, 10\nformat = {\n"), 5, "format",
         "is not closed"},
        {"stray closing brace", minimalPlugin("[stop]\nbox = 0, 0, 10, 10\nformat = {}}\n"), 5, "format",
         "has no \"{\""},
        {"company without names", minimalPlugin("[company]\nbox = 0, 0, 10, 10\n"), 3, "",
         "[companies] lists no names"},
        {"too many companies", minimalPlugin(companies), 20, "", "more than 16 company names"},
        {"too many items", minimalPlugin(items), 3 + 3 * kMaxItems, "", "more than 64 placed items"},
        {"barcodes without a barcode", minimalPlugin("print-barcode = 1\n"), 3, "print-barcode",
         "places no [barcode]"},
        {"barcode box too narrow", minimalPlugin("print-barcode = 1\n[barcode]\nbox = 0, 0, 60, 20\n"), 5,
         "box", "a 6-digit barcode needs a box at least 83 pixels wide (is 60)"},
        {"barcode box too low", minimalPlugin("[barcode]\nbox = 0, 0, 100, 12\nreadable = yes\n"), 4, "box",
         "at least 18 pixels high (is 12)"},
        {"NW-7 guard on ITF", minimalPlugin("[barcode]\nbox = 0, 0, 100, 20\nnw7-start = B\n"), 5,
         "nw7-start", "only an NW-7 barcode"},
        {"bad NW-7 guard", minimalPlugin("[barcode]\nbox = 0, 0, 150, 20\nsymbology = nw7\nnw7-stop = E\n"),
         6, "nw7-stop", "not one of A, B, C, D"},
        {"line too long", minimalPlugin("name = " + big + "\n"), 3, "", "longer than 1024 bytes"},
        {"text too long", minimalPlugin("name = " + QByteArray(201, 'n') + "\n"), 3, "name",
         "longer than 200"},
        {"not UTF-8", minimalPlugin("name = \x90\xae\x97\x9d\x8c\x94\n"), 3, "", "not valid UTF-8"},
        {"NUL byte", minimalPlugin(QByteArray("name = a\0b\n", 11)), 3, "", "NUL byte"},
        {"control character", minimalPlugin("name = a\x1b[31mb\n"), 3, "", "control character"},
        {"encoding declared late", minimalPlugin("#encoding shift_jis\n"), 3, "encoding",
         "only be declared on the first line"},
        {"unknown encoding", "#encoding latin-1\n[plugin]\nformat = 1\n", 1, "encoding",
         "unknown encoding \"latin-1\""},
    };
    for (const Refusal& c : cases) {
        SCOPED_TRACE(c.what);
        const PluginFile f = parsePlugin(c.text);
        ASSERT_FALSE(f.valid());
        const Problem& p = f.problems.first();
        EXPECT_EQ(p.line, c.line) << problemsText(f).toStdString();
        EXPECT_EQ(p.field, QString::fromUtf8(c.field)) << problemsText(f).toStdString();
        EXPECT_TRUE(p.reason.contains(QString::fromUtf8(c.reason))) << problemsText(f).toStdString();
    }
}

TEST(PluginFile, ProblemTextForms) {
    EXPECT_EQ((Problem{12, QStringLiteral("box"), QStringLiteral("too wide")}).text(),
              QStringLiteral("line 12, field box: too wide"));
    EXPECT_EQ((Problem{3, {}, QStringLiteral("expected")}).text(), QStringLiteral("line 3: expected"));
    EXPECT_EQ((Problem{0, {}, QStringLiteral("not a regular file")}).text(),
              QStringLiteral("not a regular file"));
}

TEST(PluginFile, ProblemsAreCappedSoABadFileCannotFloodTheReport) {
    QByteArray text = minimalPlugin();
    for (int i = 0; i < 5000; ++i)
        text += "nonsense\n";
    const PluginFile f = parsePlugin(text);
    ASSERT_EQ(f.problems.size(), 101);
    EXPECT_TRUE(f.problems.last().reason.contains(QStringLiteral("too many problems")));
}

TEST(PluginFile, ShiftJisFileWhenDeclared) {
    const QString body =
        QStringLiteral("[plugin]\r\nformat = 1\r\nname = 椿原交通　整理券\r\n[companies]\r\n奥椿観光バス\r\n"
                       "[stop]\r\nbox = 0, 0, 100, 20\r\nformat = 乗車　{}\r\n");
    const PluginFile declared = parsePlugin("#encoding shift_jis\r\n" + cp932::encode(body));
    ASSERT_TRUE(declared.valid()) << problemsText(declared).toStdString();
    EXPECT_EQ(declared.name, QStringLiteral("椿原交通　整理券"));
    EXPECT_EQ(declared.companies, QStringList{QStringLiteral("奥椿観光バス")});
    EXPECT_EQ(declared.ticket.items.first().format, QStringLiteral("乗車　{}"));

    const PluginFile undeclared = parsePlugin(cp932::encode(body));
    ASSERT_FALSE(undeclared.valid());
    EXPECT_EQ(undeclared.problems.first().line, 3);
    EXPECT_TRUE(undeclared.problems.first().reason.contains(QStringLiteral("#encoding shift_jis")));

    // A byte pair that is no Shift_JIS character.
    const PluginFile wrong = parsePlugin("#encoding sjis\n" + minimalPlugin("name = \x81\x7F\n"));
    ASSERT_FALSE(wrong.valid());
    EXPECT_EQ(wrong.problems.first().text(), QStringLiteral("line 4: the line is not valid Shift_JIS"));
}

TEST(PluginFile, FilesOverTheCapAreRefusedWithoutReadingThem) {
    QTemporaryDir dir;
    ASSERT_TRUE(dir.isValid());
    const QString atCap = dir.filePath(QStringLiteral("cap.4SP"));
    const QString overCap = dir.filePath(QStringLiteral("over.4SP"));
    const QString huge = dir.filePath(QStringLiteral("huge.4SP"));
    QByteArray text = minimalPlugin();
    text += QByteArray(kMaxPluginBytes - text.size(), '\n');
    for (const auto& [path, bytes] : {std::pair{atCap, text}, std::pair{overCap, text + "\n"}}) {
        QFile f(path);
        ASSERT_TRUE(f.open(QIODevice::WriteOnly));
        f.write(bytes);
    }
    EXPECT_TRUE(loadPlugin(atCap).valid());
    EXPECT_EQ(loadPlugin(overCap).problems.first().reason,
              QStringLiteral("the file is larger than 262144 bytes"));

    // 100 MB, sparse: refused by its size alone.
    const int fd = ::open(QFile::encodeName(huge).constData(), O_WRONLY | O_CREAT, 0644);
    ASSERT_GE(fd, 0);
    ASSERT_EQ(::ftruncate(fd, 100LL * 1024 * 1024), 0);
    ::close(fd);
    QElapsedTimer timer;
    timer.start();
    const PluginFile f = loadPlugin(huge);
    EXPECT_LT(timer.elapsed(), 100);
    ASSERT_FALSE(f.valid());
    EXPECT_EQ(f.problems.first().line, 0);
    EXPECT_TRUE(f.problems.first().reason.contains(QStringLiteral("larger than")));
}

TEST(PluginFile, OnlyRegularFilesAreRead) {
    QTemporaryDir dir;
    ASSERT_TRUE(dir.isValid());
    const QString fifo = dir.filePath(QStringLiteral("pipe.4SP"));
    ASSERT_EQ(::mkfifo(QFile::encodeName(fifo).constData(), 0600), 0);
    struct Case {
        QString path;
        const char* reason;
    };
    const Case cases[] = {
        {fifo, "not a regular file"}, // would block a reader that waits for a writer
        {dir.path(), "not a regular file"},
        {QStringLiteral("/dev/zero"), "not a regular file"},
        {dir.filePath(QStringLiteral("missing.4SP")), "cannot open the file"},
        {QString(), "no plug-in file given"},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.path.toStdString());
        const PluginFile f = loadPlugin(c.path);
        ASSERT_FALSE(f.valid());
        EXPECT_TRUE(f.problems.first().reason.startsWith(QString::fromUtf8(c.reason)))
            << f.problems.first().reason.toStdString();
    }
}

} // namespace
