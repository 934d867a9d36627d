// `corvane plugin check`.
#include "PluginTestFiles.h"
#include "plugins/PluginCli.h"

#include <QTemporaryDir>
#include <gtest/gtest.h>

namespace {

struct CliResult {
    int status;
    QString out, err;
};

CliResult run(const QStringList& args) {
    QString out, err;
    QTextStream o(&out), e(&err);
    const int status = pluginCommand(args, o, e);
    o.flush();
    e.flush();
    return {status, out, err};
}

TEST(PluginCli, ValidPluginPrintsValidAndTheCapabilityLines) {
    const CliResult r = run({QStringLiteral("check"), samplePath("barcode.4SP")});
    EXPECT_EQ(r.status, 0);
    EXPECT_EQ(r.out, QStringLiteral("valid\n"
                                    "日付の印字 ---> 可能\n"
                                    "時刻の印字 ---> 可能\n"
                                    "系統番号の印字 ---> 可能\n"
                                    "停名の印字 ---> 可能\n"
                                    "バーコード印字 ---> 可能\n"
                                    "バーコード本数 ---> 1\n"
                                    "バーコード系統方式 ---> 系統番号＋往復フラグ\n"
                                    "設定可能な系統範囲 ---> 1 ～ 999\n"
                                    "停留所認識範囲 ---> 1 ～ 99\n"
                                    "社名切り替え:---> 不可\n"));
    EXPECT_TRUE(r.err.isEmpty());
}

TEST(PluginCli, ProblemsWithTheirLinesAndStatusTwo) {
    QTemporaryDir dir;
    const QString path = dir.filePath(QStringLiteral("bad.4SP"));
    QFile f(path);
    ASSERT_TRUE(f.open(QIODevice::WriteOnly));
    f.write("[plugin]\nformat = 1\nprint-date = maybe\n[ticket]\nsize = 500, 50\n");
    f.close();
    const CliResult bad = run({QStringLiteral("check"), path});
    EXPECT_EQ(bad.status, 2);
    EXPECT_EQ(bad.out, QStringLiteral("line 3, field print-date: \"maybe\" is neither 1 (yes) nor 0 (no)\n"
                                      "line 5, field size: the ticket (500 x 50) is larger than the preview "
                                      "(220 x 93 pixels)\n"));

    const CliResult missing = run({QStringLiteral("check"), dir.filePath(QStringLiteral("none.4SP"))});
    EXPECT_EQ(missing.status, 2);
    EXPECT_TRUE(
        missing.out.startsWith(dir.filePath(QStringLiteral("none.4SP")) + QStringLiteral(": cannot open")));
}

TEST(PluginCli, UsageErrors) {
    for (const QStringList& args :
         {QStringList{}, QStringList{QStringLiteral("check")},
          QStringList{QStringLiteral("draw"), QStringLiteral("x")},
          QStringList{QStringLiteral("check"), QStringLiteral("a"), QStringLiteral("b")}}) {
        const CliResult r = run(args);
        EXPECT_EQ(r.status, 2) << args.join(' ').toStdString();
        EXPECT_FALSE(r.err.isEmpty());
        EXPECT_TRUE(r.out.isEmpty());
    }
    EXPECT_EQ(run({QStringLiteral("--help")}).status, 0);
}

} // namespace
