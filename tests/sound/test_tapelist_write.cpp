// Writing an announcement list: what read() gives back, and what cannot be written.
#include "platform/Cp932.h"
#include "sound/TapeList.h"

#include <gtest/gtest.h>

namespace {

TEST(TapeListWrite, ReadsBackEntryForEntry) {
    const QVector<TapeEntry> entries = {
        {QStringLiteral("このバスは、地球岬団地行きです。"), 0, 1},
        {QStringLiteral("両替は、1,000円札と硬貨です。"), 0, 0}, // a comma: quoted
        {QStringLiteral(" 前後に空白 "), 1, 3},                  // spaces the reader would drop: quoted
        {QString(), 1, 2},
        {QStringLiteral("ｶﾅ ①"), -1, 32767},
    };
    QByteArray bytes;
    QString problem;
    ASSERT_TRUE(tapelist::write(entries, bytes, &problem)) << problem.toStdString();
    EXPECT_TRUE(bytes.endsWith("\r\n"));
    EXPECT_TRUE(bytes.contains(cp932::encode(QStringLiteral("\"両替は、1,000円札と硬貨です。\",0,0\r\n"))));
    const TapeListLoad back = tapelist::read(bytes);
    ASSERT_TRUE(back.ok) << back.problem.toStdString();
    ASSERT_EQ(back.entries.size(), entries.size());
    for (qsizetype i = 0; i < entries.size(); ++i) {
        EXPECT_EQ(back.entries[i].Text, entries[i].Text) << i;
        EXPECT_EQ(back.entries[i].MoveStop, entries[i].MoveStop) << i;
        EXPECT_EQ(back.entries[i].ChimeKind, entries[i].ChimeKind) << i;
    }
}

TEST(TapeListWrite, RefusesWhatTheReaderCannotGiveBack) {
    const struct {
        QVector<TapeEntry> entries;
        const char* problem;
    } cases[] = {
        {{}, "the list has no entries"},
        {{{QStringLiteral("a"), 0, 0}, {QStringLiteral("say \"hi\""), 0, 0}},
         "entry 2: a text cannot hold a double quote or a line end"},
        {{{QStringLiteral("two\nlines"), 0, 0}}, "entry 1: a text cannot hold a double quote or a line end"},
        {{{QStringLiteral("𠮷野"), 0, 0}}, "entry 1: \"𠮷野\" cannot be written in cp932"},
    };
    for (const auto& c : cases) {
        QByteArray bytes = "stale";
        QString problem;
        EXPECT_FALSE(tapelist::write(c.entries, bytes, &problem));
        EXPECT_EQ(problem, QString::fromUtf8(c.problem));
        EXPECT_TRUE(bytes.isEmpty());
    }
}

} // namespace
