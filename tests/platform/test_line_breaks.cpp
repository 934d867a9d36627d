#include "platform/LineBreaks.h"

#include <QStringList>
#include <gtest/gtest.h>

// Each character is one unit wide: `width` is a number of characters.
TEST(LineBreaks, CaptionsBreakBetweenWordsOnly) {
    const struct {
        const char* text;
        int width;
        std::initializer_list<const char*> lines;
    } cases[] = {
        {"数字が1桁の番号は頭に0を付け足す", 15, {"数字が1桁の番号は頭に0を", "付け足す"}},
        {"数字が1桁の番号は頭に0を付け足す", 11, {"数字が1桁の番号は頭に", "0を付け足す"}},
        {"整理券番号のバックライトカラー(文字色)", 16, {"整理券番号のバックライトカラー", "(文字色)"}},
        {"整理券番号のバックライトカラー(文字色)", 12, {"整理券番号の", "バックライトカラー", "(文字色)"}},
        {"運賃データと　放送用データ", 7, {"運賃データと", "放送用データ"}},
        {"データ戻し", 3, {"データ", "戻し"}},
        {"データ戻し", 5, {"データ戻し"}},
        {"Add a leading 0 to one-digit numbers", 16, {"Add a leading 0", "to one-digit", "numbers"}},
        {"(text colour)", 6, {"(text", "colour)"}},
        {"ABCDEFGHIJ", 4, {"ABCD", "EFGH", "IJ"}},
        {"パネルと整理券番号表示", 6, {"パネルと整理", "券番号表示"}},
        {"ありがとう。", 5, {"ありがとう。"}},
        {"", 5, {""}},
    };
    for (const auto& c : cases) {
        QStringList expected;
        for (const char* line : c.lines)
            expected << QString::fromUtf8(line);
        const QStringList lines = linebreak::wrap(QString::fromUtf8(c.text), c.width,
                                                  [](const QString& t) { return int(t.size()); });
        EXPECT_EQ(lines, expected) << c.text << " in " << c.width << ": "
                                   << lines.join(QLatin1Char('/')).toStdString();
    }
}
