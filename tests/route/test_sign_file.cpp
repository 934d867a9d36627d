#include "route/SignFile.h"

#include <QDir>
#include <QFile>
#include <QTemporaryDir>

#include <gtest/gtest.h>

namespace {

using signfile::RouteSign;

TEST(SignFile, GoodFilesGiveTheirValues) {
    struct Case {
        const char* name;
        const char* text;
        RouteSign values;
    };
    const Case cases[] = {
        {"all_keys",
         "# made by hand\n[sign]\nnumber=12\ndestination=室蘭駅\nvia=中島経由\n"
         "destination_en=Muroran Sta.\nvia_en=via Nakajima\n",
         {"12", "室蘭駅", "中島経由", "Muroran Sta.", "via Nakajima"}},
        {"spaces_crlf_bom",
         "\xEF\xBB\xBF  [sign]\r\n number = 循環 \r\n\r\n  # note\r\n",
         {"循環", "", "", "", ""}},
        {"empty_value_is_left_out",
         "[sign]\nnumber=\ndestination=地球岬団地\n",
         {"", "地球岬団地", "", "", ""}},
        {"value_with_equals", "[sign]\nvia_en=A=B\n", {"", "", "", "", "A=B"}},
        {"empty_file", "", {}},
        {"comments_only", "# nothing yet\n", {}},
    };
    for (const Case& c : cases) {
        const signfile::Parsed p = signfile::parse(QByteArray(c.text));
        EXPECT_TRUE(p.ok()) << c.name << ": " << p.problems.join(' ').toStdString();
        EXPECT_EQ(p.values, c.values) << c.name;
    }
}

TEST(SignFile, BadLinesAreReportedWithTheirNumbers) {
    struct Case {
        const char* name;
        QByteArray text;
        QStringList problems;
    };
    const Case cases[] = {
        {"before_section", "number=12\n[sign]\n", {"1行目: [sign] より前にあります"}},
        {"no_equals", "[sign]\n\nnumber 12\n", {"3行目: 「名前=値」の形ではありません"}},
        {"unknown_key", "[sign]\nline=2\n", {"2行目: 知らない名前「line」です"}},
        {"unknown_section", "[bus]\n", {"1行目: 知らない節 [bus] です"}},
        {"section_twice", "[sign]\n[sign]\n", {"2行目: [sign] が二度あります（1行目）"}},
        {"key_twice", "[sign]\nvia=a\nvia=b\n", {"3行目: via が二度あります（2行目）"}},
        {"not_utf8", "[sign]\ndestination=\x8E\xBA\n", {"2行目: UTF-8 の文字ではありません"}},
        {"too_long",
         "[sign]\nnumber=" + QByteArray(65, '9') + "\n",
         {"2行目: number が長すぎます（64文字まで）"}},
        {"control_char", "[sign]\nvia=a\tb\n", {"2行目: via に制御文字があります"}},
        {"not_in_the_faces",
         "[sign]\ndestination=𠮷野家\n",
         {"2行目: destination の「𠮷」は表示器にない文字です"}},
        {"two_problems",
         "[sign]\nx=1\nnumber\n",
         {"2行目: 知らない名前「x」です", "3行目: 「名前=値」の形ではありません"}},
    };
    for (const Case& c : cases) {
        const signfile::Parsed p = signfile::parse(c.text);
        EXPECT_EQ(p.problems, c.problems) << c.name;
        // A bad file sets nothing, not even its good lines.
        EXPECT_EQ(p.values, RouteSign{}) << c.name;
    }
}

DataIo::RouteState routeOf(const QString& number, const QStringList& stops) {
    DataIo::RouteState r;
    r.RouteNumber = number;
    r.RowCount = qint16(stops.size());
    for (int i = 0; i < stops.size(); ++i)
        r.FareTable[i + 1].setStopName(stops[i]);
    return r;
}

TEST(SignFile, LoadLaysTheFileOverTheDefaults) {
    QTemporaryDir dir;
    const DataIo::RouteState route = routeOf(QStringLiteral("00012"), {"東室蘭駅", "中島", "室蘭駅"});
    const auto write = [&](const QByteArray& text) {
        QFile f(dir.filePath(QStringLiteral("12.sign")));
        ASSERT_TRUE(f.open(QIODevice::WriteOnly | QIODevice::Truncate));
        f.write(text);
    };
    EXPECT_EQ(signfile::signFilePath(dir.path(), QStringLiteral("00012")),
              dir.filePath(QStringLiteral("12.sign")));

    // No file: the route number without its zeros and the last stop.
    signfile::Loaded l = signfile::load(dir.path(), route);
    EXPECT_EQ(l.sign, (RouteSign{"12", "室蘭駅", "", "", ""}));
    EXPECT_TRUE(l.message.isEmpty());

    write("[sign]\nvia=中島経由\ndestination_en=Muroran\n");
    l = signfile::load(dir.path(), route);
    EXPECT_EQ(l.sign, (RouteSign{"12", "室蘭駅", "中島経由", "Muroran", ""}));
    EXPECT_TRUE(l.message.isEmpty());
    EXPECT_TRUE(l.sign.hasEnglish());

    write("[sign]\nnumber=循環\nvia\n");
    l = signfile::load(dir.path(), route);
    EXPECT_EQ(l.sign, (RouteSign{"12", "室蘭駅", "", "", ""}));
    EXPECT_TRUE(l.message.contains(QStringLiteral("12.sign\r\n3行目: 「名前=値」の形ではありません")))
        << l.message.toStdString();

    write(QByteArray(signfile::kMaxFileBytes + 1, '#'));
    l = signfile::load(dir.path(), route);
    EXPECT_EQ(l.sign.number, QStringLiteral("12"));
    EXPECT_TRUE(l.message.endsWith(QStringLiteral("16384 バイトより長いファイルです")))
        << l.message.toStdString();

    // A folder of that name is not a file.
    QFile::remove(dir.filePath(QStringLiteral("12.sign")));
    ASSERT_TRUE(QDir(dir.path()).mkdir(QStringLiteral("12.sign")));
    l = signfile::load(dir.path(), route);
    EXPECT_EQ(l.sign.destination, QStringLiteral("室蘭駅"));
    EXPECT_FALSE(l.message.isEmpty());
}

} // namespace
