#include "app/Language.h"
#include "platform/ui/DesignWidgets.h"
#include "settings/ui/frmOption.h"

#include "ToolRun.h"

#include <QCoreApplication>
#include <QGroupBox>
#include <QJsonDocument>
#include <QJsonObject>
#include <QLabel>
#include <QRegularExpression>
#include <gtest/gtest.h>

namespace {

using language::Language;

TEST(Language, TakenFromTheArguments) {
    const struct {
        QStringList args;
        std::optional<Language> chosen;
        QStringList rest;
        bool refused;
    } cases[] = {
        {{"--scale", "2"}, std::nullopt, {"--scale", "2"}, false},
        {{"--lang", "en", "--scale", "2"}, Language::English, {"--scale", "2"}, false},
        {{"--lang=ja"}, Language::Japanese, {}, false},
        {{"--lang", "de"}, std::nullopt, {}, true},
        {{"--lang"}, std::nullopt, {}, true},
    };
    for (const auto& c : cases) {
        QStringList args = c.args;
        std::optional<Language> chosen;
        const QString problem = language::takeArgument(args, chosen);
        EXPECT_EQ(!problem.isEmpty(), c.refused) << c.args.join(' ').toStdString();
        if (!c.refused) {
            EXPECT_EQ(chosen, c.chosen) << c.args.join(' ').toStdString();
            EXPECT_EQ(args, c.rest);
        }
    }
}

// English only where the system speaks it; a build or test machine's C locale keeps
// the program Japanese.
TEST(Language, FromTheSystemsLocale) {
    const struct {
        const char* locale;
        Language language;
    } cases[] = {{"en_US", Language::English},  {"en_GB", Language::English}, {"ja_JP", Language::Japanese},
                 {"de_DE", Language::Japanese}, {"C", Language::Japanese},    {"POSIX", Language::Japanese}};
    for (const auto& c : cases)
        EXPECT_EQ(language::fromLocale(QLocale(QString::fromLatin1(c.locale))), c.language) << c.locale;
}

class English : public ::testing::Test {
protected:
    void SetUp() override { ASSERT_TRUE(language::install(Language::English)); }
    void TearDown() override { language::install(Language::Japanese); }
};

TEST_F(English, RepresentativeTexts) {
    const struct {
        const char* context;
        const char* source;
        const char* english;
    } cases[] = {
        {"frmCtl", "集中操作盤", "Control unit"},
        {"frmCtl", "データ送り", "Next"},
        {"frmCtl", "%1（キー: %2）", "%1 (key: %2)"},
        {"frmCtl", "Corvaneを終了しますか？", "Quit Corvane?"},
        {"frmOption", "オプション", "Options"},
        {"frmOption", "数字が1桁の番号は頭に0を付け足す", "Add a leading 0 to one-digit numbers"},
        {"OptionControls", "ゴシック体", "Gothic"},
        {"MessageBox", "はい(&Y)", "&Yes"},
        {"DataIo", "指定した系統のデータがありません...", "There is no data for this route..."},
        {"mdlM_Tape", "音合使用不可", "No speech"},
        {"Form1", "全画面表示", "Full screen"},
    };
    for (const auto& c : cases)
        EXPECT_EQ(QCoreApplication::translate(c.context, c.source), QString::fromUtf8(c.english)) << c.source;
    language::install(Language::Japanese);
    EXPECT_EQ(QCoreApplication::translate("frmCtl", "データ送り"), QStringLiteral("データ送り"));
}

// The options dialog in English: its design's captions translated, each fitting its
// control and wrapped between words.
TEST_F(English, OptionsDialogCaptionsFit) {
    frmOption options;
    EXPECT_EQ(options.windowTitle(), QStringLiteral("Options"));
    EXPECT_EQ(qobject_cast<QAbstractButton*>(options.control(QStringLiteral("Option1(0)")))->text(),
              QStringLiteral("Data folders"));
    const QRegularExpression spaces(QStringLiteral("[ \u3000]+"));
    for (auto it = options.controls().cbegin(); it != options.controls().cend(); ++it) {
        QWidget* c = it.value();
        const QFontMetrics fm(c->font());
        SCOPED_TRACE(it.key().toStdString());
        QStringList lines = designui::captionLines(c);
        if (auto* frame = qobject_cast<QGroupBox*>(c))
            EXPECT_LE(fm.horizontalAdvance(frame->title()), c->width() - 12);
        else if (auto* label = qobject_cast<QLabel*>(c); label && lines.isEmpty())
            EXPECT_LE(fm.horizontalAdvance(label->text()), c->width());
        QStringList words;
        for (const QString& line : lines) {
            EXPECT_LE(fm.horizontalAdvance(line), c->width()) << line.toStdString();
            words += line.split(spaces, Qt::SkipEmptyParts);
        }
        // Lines break between words, never inside one.
        if (!lines.isEmpty()) {
            const QString caption = qobject_cast<QAbstractButton*>(c)
                                        ? qobject_cast<QAbstractButton*>(c)->text()
                                        : qobject_cast<QLabel*>(c)->text();
            EXPECT_EQ(words, caption.split(spaces, Qt::SkipEmptyParts)) << lines.join('/').toStdString();
        }
        EXPECT_LE(fm.height() + fm.lineSpacing() * int(qMax<qsizetype>(lines.size() - 1, 0)), c->height());
    }
}

// corvane script's windows are Japanese unless --lang says otherwise.
TEST(Language, ChosenForCorvaneScript) {
    const auto pageCaption = [](const QStringList& args) {
        const ToolRun r = runCorvane(QStringList{QStringLiteral("script")} + args, "options state\n");
        EXPECT_EQ(r.status, 0) << r.err.toStdString();
        const QJsonObject state = QJsonDocument::fromJson(r.out.toUtf8()).object();
        return state[QStringLiteral("controls")][QStringLiteral("Option1(0)")][QStringLiteral("caption")]
            .toString();
    };
    EXPECT_EQ(pageCaption({}), QStringLiteral("運賃データと　放送用データ"));
    EXPECT_EQ(pageCaption({QStringLiteral("--lang"), QStringLiteral("en")}), QStringLiteral("Data folders"));
    EXPECT_EQ(pageCaption({QStringLiteral("--lang=ja")}), QStringLiteral("運賃データと　放送用データ"));
    EXPECT_EQ(runCorvane({QStringLiteral("script"), QStringLiteral("--lang"), QStringLiteral("fr")}).status,
              2);
}

} // namespace
