#include "board/ui/Form1.h"
#include "board/ui/Label.h"
#include "board/ui/M_Degit.h"
#include "platform/ui/DesignWidgets.h"
#include "platform/ui/MessageBox.h"
#include "reslib/ui/Choosers.h"
#include "settings/OptionControls.h"
#include "settings/SettingViews.h"
#include "settings/ui/frmOption.h"
#include "stopname/ui/ChimeiCtl_B.h"

#include "QtPrinting.h"

#include <QComboBox>
#include <QDate>
#include <QGroupBox>
#include <QLabel>
#include <QLineEdit>
#include <QListWidget>
#include <algorithm>
#include <gtest/gtest.h>

namespace {

// The console as the dialog sees it: its backlight switch and its ticket preview.
class FakeConsole : public TicketPreviewHost {
public:
    void Option4_Click(int index) { clicks << index; }
    QComboBox* companyList() override { return &companies; }
    void resizePreview(int w, int h) override { preview = QSize(w, h); }

    int backlight = 0;
    QList<int> clicks;
    QComboBox companies;
    QSize preview;
};

class OptionsDialog : public ::testing::Test {
protected:
    void SetUp() override {
        msgbox::setRecording(true);
        msgbox::takeRecorded();
        options.setTicketPreviewHost(&console);
        // As the program wires them: the board takes its look from applied settings,
        // and the panel of the selected backlight is shown again.
        QObject::connect(&options, &frmOption::settingsApplied, [this] {
            board.applyLook(settings_views::boardLook(options.live(), console.backlight));
            console.Option4_Click(console.backlight);
        });
        QObject::connect(&options, &frmOption::panelSettingsRestored,
                         [this] { console.Option4_Click(console.backlight); });
        choosers::setHandler([this](const choosers::Request& r) -> std::optional<QString> {
            requests << r;
            return std::exchange(answer, std::nullopt);
        });
    }
    void TearDown() override {
        choosers::setHandler({});
        msgbox::setRecording(false);
    }

    template <class T> T* w(const char* name) {
        T* found = qobject_cast<T*>(options.control(QString::fromLatin1(name)));
        EXPECT_NE(found, nullptr) << name;
        return found;
    }
    void click(const char* name) { w<QAbstractButton>(name)->click(); }
    bool enabled(const char* name) {
        return !options.control(QString::fromLatin1(name))->testAttribute(Qt::WA_ForceDisabled);
    }
    bool shown(const char* name) { return !options.control(QString::fromLatin1(name))->isHidden(); }

    Form1 board;
    FakeConsole console;
    frmOption options;
    std::optional<QString> answer;
    QList<choosers::Request> requests;
};

TEST_F(OptionsDialog, ListsAreFilledAsTheDialogLoads) {
    const auto items = [&](const char* name) {
        QStringList out;
        auto* c = w<QComboBox>(name);
        for (int i = 0; i < c->count(); ++i)
            out << c->itemText(i);
        EXPECT_EQ(c->currentIndex(), name == QLatin1String("Combo3") ? -1 : 0) << name;
        return out;
    };
    EXPECT_EQ(items("Combo2"), option_controls::ticketNumberStyleItems());
    EXPECT_EQ(items("Combo2").size(), 12);
    EXPECT_EQ(items("Combo2").first(), QStringLiteral("1,2,3... 50 （既定の表示）"));
    EXPECT_EQ(items("Combo2")[1], QStringLiteral("0,1,2... 49"));
    for (const char* name : {"Combo1", "Combo4(4)"})
        EXPECT_EQ(items(name), option_controls::numberItems(150)) << name;
    for (const char* name : {"Combo4(0)", "Combo4(1)", "Combo4(2)", "Combo4(3)"})
        EXPECT_EQ(items(name), option_controls::numberItems(50)) << name;
    EXPECT_EQ(option_controls::numberItems(150).last(), QStringLiteral("150"));
    EXPECT_EQ(items("Combo3").size(), 5);
    EXPECT_EQ(w<QLabel>("Label10")->text(), QDate::currentDate().toString(QStringLiteral("yyyy/MM/dd")));
    EXPECT_EQ(qobject_cast<M_Degit*>(options.preview())->DegitSize(), 0);
}

TEST_F(OptionsDialog, CheckBoxesEnableTheirListsAndTheFrameFollowsTheLabelsSwitch) {
    EXPECT_FALSE(enabled("Combo4(3)"));
    EXPECT_FALSE(enabled("Combo4(4)"));
    click("Check3(3)");
    EXPECT_TRUE(enabled("Combo4(3)"));
    EXPECT_TRUE(enabled("Combo4(4)"));
    click("Check3(3)");
    EXPECT_FALSE(enabled("Combo4(3)"));
    EXPECT_FALSE(enabled("Combo4(4)"));

    click("Check3(0)");
    EXPECT_TRUE(enabled("Combo4(0)"));
    EXPECT_TRUE(enabled("Check3(4)"));

    EXPECT_TRUE(enabled("Frame3")) << "the labels are shown at a first start";
    click("Check1");
    EXPECT_FALSE(enabled("Frame3"));
}

TEST_F(OptionsDialog, PerPictureFramesAppearOnlyWithTheirOptionAndKeepTheirChoices) {
    for (const char* frame : {"Frame6(0)", "Frame6(1)", "Frame6(2)"})
        EXPECT_FALSE(shown(frame)) << frame;
    click("Option3(1)");
    for (const char* frame : {"Frame6(0)", "Frame6(1)", "Frame6(2)"}) {
        EXPECT_TRUE(shown(frame)) << frame;
        EXPECT_TRUE(enabled(frame)) << frame;
    }
    click("Option3(2)"); // ON1: the user's picture
    click("Option3(0)");
    EXPECT_FALSE(shown("Frame6(1)"));
    EXPECT_FALSE(enabled("Frame6(1)"));
    EXPECT_TRUE(options.live().isOn(Setting::PanelOn1User));
    EXPECT_TRUE(w<QAbstractButton>("Option3(2)")->isChecked());

    // Choosing pages, the current one again included, releases no choice on a page.
    click("Option3(1)");
    for (const char* page : {"Option1(0)", "Option1(0)", "Option1(1)", "Option1(4)", "Option1(1)"})
        click(page);
    EXPECT_TRUE(w<QAbstractButton>("Option1(1)")->isChecked());
    for (const char* chosen : {"Option3(1)", "Option3(2)"})
        EXPECT_TRUE(w<QAbstractButton>(chosen)->isChecked()) << chosen;
}

TEST_F(OptionsDialog, ADigitColourShowsInThePreviewAtOnceAndOnTheBoardAfterOk) {
    const std::uint32_t before = board.Degit(1)->BaseForeColor();
    answer = QStringLiteral("#102030");
    click("Command8(1)");
    ASSERT_EQ(requests.size(), 1);
    EXPECT_EQ(requests[0].kind, choosers::Kind::Colour);
    EXPECT_EQ(qobject_cast<M_Degit*>(options.preview())->BaseForeColor(), 0x302010u);
    EXPECT_EQ(w<ColourSwatch>("Command8(1)")->colour(), 0x302010u);
    EXPECT_EQ(board.Degit(1)->BaseForeColor(), before);
    click("Command4");
    EXPECT_EQ(board.Degit(1)->BaseForeColor(), 0x302010u);
    EXPECT_EQ(board.TimeDegit(0)->BaseForeColor(), 0x302010u);

    click("Command8(2)"); // cancelled
    EXPECT_EQ(options.live().colour(Setting::DigitLitColor), 0x72D2F8u);
}

TEST_F(OptionsDialog, ChoosersFillTheirControlsAndCancelChangesNothing) {
    answer = QStringLiteral("2024/3/5");
    click("Command7");
    EXPECT_TRUE(requests.isEmpty()) << "the date page is disabled without the preview";
    click("chkUseSeiriPrev");
    click("Command7");
    EXPECT_EQ(w<QLabel>("Label10")->text(), QStringLiteral("2024/03/05"));
    click("Command7");
    EXPECT_EQ(w<QLabel>("Label10")->text(), QStringLiteral("2024/03/05"));

    answer = QStringLiteral("/data/運賃");
    click("Command3(0)");
    EXPECT_EQ(requests.last().title, QStringLiteral("フォルダーを選択してください"));
    EXPECT_EQ(w<QLineEdit>("Text2(0)")->text(), QStringLiteral("/data/運賃"));
    EXPECT_EQ(options.live().text(Setting::FareDataFolder), QStringLiteral("/data/運賃"));

    answer = QStringLiteral("/snd/chime.wav");
    click("cmdSelectSound(9)");
    EXPECT_EQ(requests.last().title, QStringLiteral("サウンドの選択"));
    ASSERT_EQ(requests.last().filters.size(), 3);
    EXPECT_EQ(requests.last().filters[2],
              (FileFilterEntry{QStringLiteral("MIDIシーケンス(*.mid)"), QStringLiteral("*.mid")}));
    EXPECT_EQ(options.live().text(Setting::StepSound2), QStringLiteral("/snd/chime.wav"));
    click("cmdSelectSound(9)");
    EXPECT_EQ(options.live().text(Setting::StepSound2), QStringLiteral("/snd/chime.wav"));
}

TEST_F(OptionsDialog, NamesThatShiftJisCannotHoldAreRefusedWhereTheyAreEntered) {
    const QString refusal =
        QStringLiteral("「𠮷」「😀」 はShift_JISで表せない文字のため、設定ファイルに保存できません。"
                       "この文字を含まない名前を指定してください。");
    auto* folder = w<QLineEdit>("Text2(1)");
    folder->setText(QStringLiteral("/tape"));
    folder->selectAll();
    folder->insert(QStringLiteral("/tape"));
    folder->selectAll();
    folder->insert(QStringLiteral("/𠮷野家/😀/𠮷"));
    EXPECT_EQ(folder->text(), QStringLiteral("/tape"));
    EXPECT_EQ(options.live().text(Setting::TapeDataFolder), QStringLiteral("/tape"));

    answer = QStringLiteral("/panels/𠮷野家/😀.bmp");
    click("Option3(1)");
    click("Command6(0)");
    EXPECT_EQ(options.live().text(Setting::PanelOffImage), QString());

    const auto shownBoxes = msgbox::takeRecorded();
    ASSERT_EQ(shownBoxes.size(), 2);
    EXPECT_EQ(shownBoxes[0].text, refusal);
    EXPECT_EQ(shownBoxes[0].title, QStringLiteral("オプション"));
    EXPECT_EQ(shownBoxes[0].icon, msgbox::Icon::Exclamation);
    // Characters of the NEC and IBM extensions are Shift_JIS (cp932) and are kept.
    folder->selectAll();
    folder->insert(QStringLiteral("/①髙"));
    EXPECT_EQ(options.live().text(Setting::TapeDataFolder), QStringLiteral("/①髙"));
}

TEST_F(OptionsDialog, NamesWithAControlCharacterOrTooLongForTheFileAreRefusedWhereTheyAreEntered) {
    auto* folder = w<QLineEdit>("Text2(0)");
    folder->selectAll();
    folder->insert(QStringLiteral("/fare"));
    folder->insert(QStringLiteral("\tplan"));
    EXPECT_EQ(folder->text(), QStringLiteral("/fare"));
    EXPECT_EQ(options.live().text(Setting::FareDataFolder), QStringLiteral("/fare"));

    // 5 + 16384 * 2 bytes in Shift_JIS.
    answer = QStringLiteral("/snd/") + QStringLiteral("あ").repeated(16384);
    click("cmdSelectSound(1)");
    EXPECT_EQ(options.live().text(Setting::ResetSound), QString());
    click("chkUseSeiriPrev"); // shows the plug-in page
    answer = QStringLiteral("/plugins/") + QStringLiteral("あ").repeated(16384);
    click("Command1");
    EXPECT_EQ(options.live().text(Setting::TicketPluginPath), QString());

    const auto shownBoxes = msgbox::takeRecorded();
    ASSERT_EQ(shownBoxes.size(), 3);
    EXPECT_EQ(shownBoxes[0].text,
              QStringLiteral("「運賃データのフォルダー」の名前に制御文字（U+0009）が含まれているため、"
                             "設定ファイルに保存できません。制御文字を含まない名前を指定してください。"));
    EXPECT_EQ(shownBoxes[1].text,
              QStringLiteral("「リセット時のサウンド」の名前が長すぎるため、設定ファイルに保存できません。"
                             "名前はShift_JISで32767バイトまでです（指定した名前は32773バイト）。"));
    EXPECT_TRUE(shownBoxes[2].text.startsWith(QStringLiteral("「整理券プラグイン」の名前が長すぎる")));
    for (const auto& box : shownBoxes) {
        EXPECT_EQ(box.title, QStringLiteral("オプション"));
        EXPECT_EQ(box.icon, msgbox::Icon::Exclamation);
    }
}

TEST_F(OptionsDialog, OkAppliesLabelsAndStripAndTwiceChangesNothingMore) {
    w<QComboBox>("Combo2")->setCurrentIndex(2); // 「なし」、1,2...
    answer = QStringLiteral("#00FF00");
    click("Command5(0)");
    click("Check1"); // labels off
    click("Command4");
    for (int i = 1; i <= Form1::kFareDisplays; ++i)
        EXPECT_TRUE(board.lblSeiriNum(i)->isHidden()) << i;
    EXPECT_EQ(board.lblSeiriNum(1)->text(), QStringLiteral("な し"));
    EXPECT_EQ(board.lblSeiriNum(50)->ForeColor(), 0x00FF00u);
    EXPECT_EQ(board.ChimeiCtl()->FontMode(), -1) << "no font chosen";
    EXPECT_FALSE(options.isVisible());
    EXPECT_EQ(console.clicks, QList<int>{0});

    const QString text = board.lblSeiriNum(2)->text();
    click("Command4");
    EXPECT_EQ(board.lblSeiriNum(2)->text(), text);
    EXPECT_EQ(console.clicks, (QList<int>{0, 0}));
}

TEST_F(OptionsDialog, ClosingByTheFrameHidesKeepsEditsAndLeavesTheBoard) {
    options.show();
    answer = QStringLiteral("#FF0000");
    click("Command9(0)");
    options.close();
    EXPECT_FALSE(options.isVisible());
    EXPECT_EQ(options.live().colour(Setting::StopNameBackColor), 0x0000FFu);
    EXPECT_NE(board.ChimeiCtl()->BackColor(), 0x0000FFu);
}

TEST_F(OptionsDialog, ALoadedFileSetsTheControlsAndTheirStates) {
    SettingsRecord record;
    record.DigitSettings.InfoDataColumnShow = 1;
    record.DigitSettings.InfoDataColumn = 149;
    record.PanelSettings.PanelAuto = 0;
    record.PanelSettings.PanelPerImage = -1;
    record.TicketSettings.UseTicketPreview = 1;
    record.StopNameSettings.StopNameFontMode = 3;
    console.backlight = 2;
    ASSERT_EQ(options.SetOptionInfo(record).number, 0);
    EXPECT_TRUE(enabled("Combo4(4)"));
    EXPECT_EQ(w<QComboBox>("Combo4(4)")->currentText(), QStringLiteral("150"));
    EXPECT_TRUE(shown("Frame6(0)"));
    EXPECT_TRUE(shown("Frame10"));
    EXPECT_TRUE(shown("Frame7"));
    EXPECT_EQ(w<QComboBox>("Combo3")->currentIndex(), 3);
    EXPECT_EQ(console.clicks, QList<int>{2}) << "the panel follows the restored settings";

    SettingsRecord copy;
    options.GetOptionInfo(copy);
    EXPECT_EQ(copy.DigitSettings.InfoDataColumn, 149);
    EXPECT_EQ(copy.PanelSettings.PanelPerImage, -1);
}

// What a person sees: captions that fit their controls, and no control covering
// another except where the design stacks them (pages, sub-pages, lists in gaps).
TEST_F(OptionsDialog, EveryCaptionFitsItsControl) {
    for (auto it = options.controls().cbegin(); it != options.controls().cend(); ++it) {
        QWidget* c = it.value();
        const QFontMetrics fm(c->font());
        SCOPED_TRACE(it.key().toStdString());
        const auto height = [&fm](const QStringList& lines) {
            return fm.height() + fm.lineSpacing() * int(qMax<qsizetype>(lines.size() - 1, 0));
        };
        if (auto* frame = qobject_cast<QGroupBox*>(c)) {
            EXPECT_LE(fm.horizontalAdvance(frame->title()), c->width() - 12);
        } else if (auto* label = qobject_cast<QLabel*>(c)) {
            const QStringList lines =
                label->wordWrap() ? designui::captionLines(c) : QStringList{label->text()};
            for (const QString& line : lines)
                EXPECT_LE(fm.horizontalAdvance(line), c->width()) << line.toStdString();
            EXPECT_LE(height(lines), c->height());
        } else if (auto* box = qobject_cast<QAbstractButton*>(c); box && !qobject_cast<ColourSwatch*>(c)) {
            const QStringList lines = designui::captionLines(c);
            EXPECT_LE(height(lines.isEmpty() ? QStringList{box->text()} : lines), c->height());
        }
    }
}

// Captions wrap between words: Japanese ones between their phrases.
TEST_F(OptionsDialog, CaptionsWrapBetweenWords) {
    const struct {
        const char* control;
        const char* word;
    } cases[] = {{"Check2", "付け足す"}, {"Label4(1)", "(文字色)"}, {"Option1(1)", "パネルと"}};
    for (const auto& c : cases) {
        const QStringList lines = designui::captionLines(options.control(QString::fromLatin1(c.control)));
        EXPECT_GE(lines.size(), 2) << c.control;
        EXPECT_TRUE(
            std::any_of(lines.begin(), lines.end(),
                        [&](const QString& line) { return line.contains(QString::fromUtf8(c.word)); }))
            << c.control << ": " << lines.join(QLatin1Char('/')).toStdString();
    }
}

// A path too long for its box keeps its start and its end; the tool tip holds all of it.
TEST_F(OptionsDialog, LongPathsAreElidedInTheMiddle) {
    const QString path = QStringLiteral("/home/someone/corvane/data/demo/panels/panel-off.png");
    options.live().setText(Setting::PanelOffImage, path);
    auto* box = w<ElidingLineEdit>("txtSelectPanel(0)");
    const QString shown = box->shownText();
    EXPECT_TRUE(shown.startsWith(QStringLiteral("/home"))) << shown.toStdString();
    EXPECT_TRUE(shown.endsWith(QStringLiteral(".png"))) << shown.toStdString();
    EXPECT_TRUE(shown.contains(QChar(0x2026))) << shown.toStdString();
    EXPECT_EQ(box->text(), path);
    EXPECT_EQ(box->toolTip(), path);
}

TEST_F(OptionsDialog, NoControlCoversAnother) {
    for (QWidget* parent : options.findChildren<QWidget*>()) {
        QList<QWidget*> kids;
        for (QObject* o : parent->children())
            if (auto* k = qobject_cast<QWidget*>(o); k && options.controls().contains(k->objectName()))
                kids << k;
        for (int i = 0; i < kids.size(); ++i)
            for (int j = i + 1; j < kids.size(); ++j) {
                const QString a = kids[i]->objectName(), b = kids[j]->objectName();
                const bool stacked = (a.startsWith("Frame1(") && b.startsWith("Frame1(")) ||
                                     (a.startsWith("Frame2(") && b.startsWith("Frame2("));
                const bool inGap = a.startsWith("Combo") || b.startsWith("Combo");
                if (!stacked && !inGap) {
                    EXPECT_FALSE(kids[i]->geometry().intersects(kids[j]->geometry()))
                        << a.toStdString() << " / " << b.toStdString();
                }
            }
    }
}

} // namespace
