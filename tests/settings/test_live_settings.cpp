#include "QtPrinting.h"
#include "SettingsTestData.h"
#include "settings/LiveSettings.h"
#include "settings/mdlIniIo.h"

#include <QDate>
#include <gtest/gtest.h>

using namespace settings_test;

namespace {

// Records the names of every valueChanged signal.
struct ChangeLog {
    QStringList names;
    explicit ChangeLog(LiveSettings& s) {
        QObject::connect(&s, &LiveSettings::valueChanged,
                         [this](Setting n) { names.append(settings_names::name(n)); });
    }
};

// The selected option button of a group, "" when none is.
QString selectedOption(const LiveSettings& s, const char* group) {
    for (const SettingInfo& info : s.settings())
        if (info.kind == ControlKind::Option && info.group == QLatin1String(group) && s.isOn(info.id))
            return info.name;
    return {};
}

struct Expected {
    const char* name;
    char block;
    ControlKind kind;
    const char* group;
    int listSize;
    const char* defaultValue; // as valueText() gives it
};

// Every setting the options dialog holds, in file order, with its control and default.
const Expected kSettings[] = {
    {"FareDataFolder", 'A', ControlKind::Text, "", 0, ""},
    {"TapeDataFolder", 'A', ControlKind::Text, "", 0, ""},
    {"AutoTicketNumbers", 'B', ControlKind::Check, "", 0, "1"},
    {"TicketNumberColorOff", 'B', ControlKind::Colour, "", 0, "#FFFFFF"},
    {"TicketNumberColorOn1", 'B', ControlKind::Colour, "", 0, "#C0FFC0"},
    {"TicketNumberColorOn2", 'B', ControlKind::Colour, "", 0, "#FFC080"},
    {"TicketNumberStyle", 'B', ControlKind::List, "", 12, "0"},
    {"TicketNumberZeroPad", 'B', ControlKind::Check, "", 0, "0"},
    {"PanelAuto", 'B', ControlKind::Option, "PanelChoice", 0, "-1"},
    {"PanelPerImage", 'B', ControlKind::Option, "PanelChoice", 0, "0"},
    {"PanelOffBuiltIn", 'B', ControlKind::Option, "PanelOff", 0, "-1"},
    {"PanelOffUser", 'B', ControlKind::Option, "PanelOff", 0, "0"},
    {"PanelOn1BuiltIn", 'B', ControlKind::Option, "PanelOn1", 0, "-1"},
    {"PanelOn1User", 'B', ControlKind::Option, "PanelOn1", 0, "0"},
    {"PanelOn2BuiltIn", 'B', ControlKind::Option, "PanelOn2", 0, "-1"},
    {"PanelOn2User", 'B', ControlKind::Option, "PanelOn2", 0, "0"},
    {"PanelOffImage", 'B', ControlKind::Text, "", 0, ""},
    {"PanelOn1Image", 'B', ControlKind::Text, "", 0, ""},
    {"PanelOn2Image", 'B', ControlKind::Text, "", 0, ""},
    {"DigitBackColor", 'C', ControlKind::Colour, "", 0, "#808080"},
    {"DigitUnlitColor", 'C', ControlKind::Colour, "", 0, "#969696"},
    {"DigitLitColor", 'C', ControlKind::Colour, "", 0, "#F8D272"},
    {"InfoStopOrderShow", 'C', ControlKind::Check, "", 0, "0"},
    {"InfoStopOrderCell", 'C', ControlKind::List, "", 50, "0"},
    {"InfoStopOrderFromZero", 'C', ControlKind::Check, "", 0, "0"},
    {"InfoTicketNumberShow", 'C', ControlKind::Check, "", 0, "0"},
    {"InfoTicketNumberCell", 'C', ControlKind::List, "", 50, "0"},
    {"InfoRouteNumberShow", 'C', ControlKind::Check, "", 0, "0"},
    {"InfoRouteNumberCell", 'C', ControlKind::List, "", 50, "0"},
    {"InfoDataColumnShow", 'C', ControlKind::Check, "", 0, "0"},
    {"InfoDataColumn", 'C', ControlKind::List, "", 150, "0"},
    {"InfoDataColumnCell", 'C', ControlKind::List, "", 50, "0"},
    {"StopNameBackColor", 'D', ControlKind::Colour, "", 0, "#808080"},
    {"StopNameForeColor", 'D', ControlKind::Colour, "", 0, "#FFFF00"},
    {"StopNameFontMode", 'D', ControlKind::List, "", 5, "-1"},
    {"StopNameBold", 'D', ControlKind::Check, "", 0, "0"},
    {"RouteSetSound", 'E', ControlKind::Text, "", 0, ""},
    {"ResetSound", 'E', ControlKind::Text, "", 0, ""},
    {"StepSoundAlways", 'E', ControlKind::Option, "StepSound", 0, "-1"},
    {"StepSoundByColumn", 'E', ControlKind::Option, "StepSound", 0, "0"},
    {"StepSoundSync", 'E', ControlKind::Option, "StepSoundPlay", 0, "0"},
    {"StepSoundAsync", 'E', ControlKind::Option, "StepSoundPlay", 0, "-1"},
    {"StepSoundFixed", 'E', ControlKind::Text, "", 0, ""},
    {"StepSoundColumn", 'E', ControlKind::List, "", 150, "0"},
    {"StepSound1", 'E', ControlKind::Text, "", 0, ""},
    {"StepSound2", 'E', ControlKind::Text, "", 0, ""},
    {"StepSound3", 'E', ControlKind::Text, "", 0, ""},
    {"PreAnnounceAlways", 'E', ControlKind::Option, "PreAnnounce", 0, "-1"},
    {"PreAnnounceByFlag", 'E', ControlKind::Option, "PreAnnounce", 0, "0"},
    {"PreAnnounceSync", 'E', ControlKind::Option, "PreAnnouncePlay", 0, "-1"},
    {"PreAnnounceAsync", 'E', ControlKind::Option, "PreAnnouncePlay", 0, "0"},
    {"PreAnnounceFixed", 'E', ControlKind::Text, "", 0, ""},
    {"PreAnnounceSound1", 'E', ControlKind::Text, "", 0, ""},
    {"PreAnnounceSound2", 'E', ControlKind::Text, "", 0, ""},
    {"PreAnnounceSound3", 'E', ControlKind::Text, "", 0, ""},
    {"UseTicketPreview", 'F', ControlKind::Check, "", 0, "0"},
    {"TicketPluginPath", 'F', ControlKind::Text, "", 0, ""},
    {"TicketDateOnPrint", 'F', ControlKind::Option, "TicketDate", 0, "-1"},
    {"TicketDateOnRouteSet", 'F', ControlKind::Option, "TicketDate", 0, "0"},
    {"TicketDateFixed", 'F', ControlKind::Option, "TicketDate", 0, "0"},
    {"TicketFixedDate", 'F', ControlKind::Text, "", 0, nullptr}, // today
};

} // namespace

TEST(LiveSettings, HoldsEverySettingWithItsControlAndDefault) {
    LiveSettings s;
    const auto& infos = s.settings();
    ASSERT_EQ(infos.size(), static_cast<qsizetype>(std::size(kSettings)));
    for (qsizetype i = 0; i < infos.size(); ++i) {
        const Expected& e = kSettings[i];
        SCOPED_TRACE(e.name);
        EXPECT_EQ(infos[i].name, QString::fromLatin1(e.name));
        EXPECT_EQ(infos[i].block, e.block);
        EXPECT_EQ(infos[i].kind, e.kind);
        EXPECT_EQ(infos[i].group, QString::fromLatin1(e.group));
        EXPECT_EQ(infos[i].listSize, e.listSize);
        const QString expected = e.defaultValue ? QString::fromLatin1(e.defaultValue)
                                                : QDate::currentDate().toString(QStringLiteral("yyyy/MM/dd"));
        EXPECT_EQ(s.valueText(infos[i].id), expected);
    }
}

TEST(LiveSettings, SetsEachKindFromText) {
    LiveSettings s;
    EXPECT_EQ(s.set("FareDataFolder", "/data/運賃 データ"), "");
    EXPECT_EQ(s.text(Setting::FareDataFolder), QStringLiteral("/data/運賃 データ"));
    EXPECT_EQ(s.set("InfoStopOrderShow", "1"), "");
    EXPECT_TRUE(s.isOn(Setting::InfoStopOrderShow));
    EXPECT_EQ(s.set("InfoDataColumn", "149"), "");
    EXPECT_EQ(s.number(Setting::InfoDataColumn), 149);
    EXPECT_EQ(s.set("StopNameFontMode", " 4 "), "");
    EXPECT_EQ(s.number(Setting::StopNameFontMode), 4);
    // #RRGGBB is stored as 0x00BBGGRR.
    EXPECT_EQ(s.set("DigitLitColor", "#FF8000"), "");
    EXPECT_EQ(s.colour(Setting::DigitLitColor), 0x0080FFu);
    EXPECT_EQ(s.valueText(Setting::DigitLitColor), "#FF8000");
    EXPECT_EQ(s.set("DigitBackColor", "255"), "");
    EXPECT_EQ(s.valueText(Setting::DigitBackColor), "#FF0000");
}

TEST(LiveSettings, RefusesBadValuesWithAClearReasonAndChangesNothing) {
    struct Case {
        const char* name;
        const char* value;
        const char* reason;
    };
    const Case cases[] = {
        {"FareDataFolde", "1",
         "unknown setting: FareDataFolde (closest: FareDataFolder, TapeDataFolder, InfoDataColumn)"},
        {"AutoTicketNumbers", "2", "AutoTicketNumbers is a check box: 2 is not 0 or 1"},
        {"AutoTicketNumbers", "-1", "AutoTicketNumbers is a check box: -1 is not 0 or 1"},
        {"AutoTicketNumbers", "on", "AutoTicketNumbers is a check: \"on\" is not a number"},
        {"TicketNumberStyle", "12", "TicketNumberStyle is a list of 12 items: index 12 is outside -1..11"},
        {"TicketNumberStyle", "-2", "TicketNumberStyle is a list of 12 items: index -2 is outside -1..11"},
        {"InfoStopOrderCell", "50", "InfoStopOrderCell is a list of 50 items: index 50 is outside -1..49"},
        {"StepSoundColumn", "150", "StepSoundColumn is a list of 150 items: index 150 is outside -1..149"},
        {"StopNameFontMode", "5", "StopNameFontMode is a list of 5 items: index 5 is outside -1..4"},
        {"PanelPerImage", "2", "PanelPerImage is an option button: 2 is not -1 (selected) or 0"},
        {"DigitLitColor", "#GG0000", "DigitLitColor is a colour: \"#GG0000\" is not #RRGGBB"},
        {"DigitLitColor", "16777216", "DigitLitColor is a colour: 16777216 is not a colour 0..16777215"},
        {"TicketFixedDate", "2024/02/30",
         "TicketFixedDate is a date: \"2024/02/30\" is not a date yyyy/mm/dd"},
        {"TicketFixedDate", "tomorrow", "TicketFixedDate is a date: \"tomorrow\" is not a date yyyy/mm/dd"},
    };
    LiveSettings s;
    ChangeLog log(s);
    SettingsRecord before;
    s.toRecord(before);
    for (const Case& c : cases)
        EXPECT_EQ(s.set(c.name, c.value), QString::fromUtf8(c.reason)) << c.name << " " << c.value;
    EXPECT_TRUE(log.names.isEmpty());
    SettingsRecord after;
    s.toRecord(after);
    EXPECT_EQ(writeSettings(after), writeSettings(before));
}

TEST(LiveSettings, ListsAcceptNothingSelected) {
    LiveSettings s;
    EXPECT_EQ(s.set("TicketNumberStyle", "-1"), "");
    EXPECT_EQ(s.number(Setting::TicketNumberStyle), -1);
    EXPECT_EQ(s.set("TicketNumberStyle", "11"), "");
}

TEST(LiveSettings, SelectingAnOptionClearsTheOthersOfItsGroupOnly) {
    LiveSettings s;
    ChangeLog log(s);
    EXPECT_EQ(s.set("TicketDateFixed", "-1"), "");
    EXPECT_EQ(s.number(Setting::TicketDateFixed), -1);
    EXPECT_EQ(s.number(Setting::TicketDateOnPrint), 0);
    EXPECT_EQ(s.number(Setting::TicketDateOnRouteSet), 0);
    EXPECT_EQ(selectedOption(s, "TicketDate"), "TicketDateFixed");
    EXPECT_EQ(log.names, (QStringList{"TicketDateOnPrint", "TicketDateFixed"}));
    // Other groups keep their choice.
    EXPECT_EQ(selectedOption(s, "PanelChoice"), "PanelAuto");
    EXPECT_EQ(s.number(Setting::StepSoundAsync), -1);
    // "1" selects as well and is kept as -1; selecting the selected one changes nothing.
    log.names.clear();
    EXPECT_EQ(s.set("PanelPerImage", "1"), "");
    EXPECT_EQ(s.valueText(Setting::PanelPerImage), "-1");
    EXPECT_EQ(s.number(Setting::PanelAuto), 0);
    EXPECT_EQ(s.set("PanelPerImage", "-1"), "");
    EXPECT_EQ(log.names, (QStringList{"PanelAuto", "PanelPerImage"}));
    // "0" clears only the button itself.
    EXPECT_EQ(s.set("PanelPerImage", "0"), "");
    EXPECT_EQ(selectedOption(s, "PanelChoice"), "");
}

TEST(LiveSettings, TheFixedDateIsKeptWithTwoDigitMonthAndDay) {
    LiveSettings s;
    EXPECT_EQ(s.set("TicketFixedDate", "2024/3/5"), "");
    EXPECT_EQ(s.text(Setting::TicketFixedDate), "2024/03/05");
    EXPECT_EQ(s.set("TicketFixedDate", "2024/02/29"), "");
}

// The settings file stores a text's Shift_JIS bytes behind a 16-bit count kept within
// 32767; a text is refused where it is set, not cut when it is saved.
TEST(LiveSettings, ATextMustFitTheSettingsFileAndHoldNoControlCharacter) {
    const QString a = QStringLiteral("あ"); // two bytes in Shift_JIS
    const QString tooLong = QStringLiteral("FareDataFolder is a text of at most 32767 bytes in Shift_JIS: "
                                           "this one has 32768");
    const QString control = QStringLiteral("FareDataFolder is a text without control characters "
                                           "(U+0000..U+001F, U+007F): this one holds U+%1");
    struct Case {
        QString value;
        QString reason; // "" when it is kept
    };
    const Case cases[] = {
        {QString(32767, u'x'), {}},
        {QString(32768, u'x'), tooLong},
        {QStringLiteral("ｱ") + a.repeated(16383), {}}, // 1 + 32766 bytes
        {a.repeated(16384), tooLong},                  // 16384 characters, 32768 bytes
        {QStringLiteral("/data\n"), control.arg(QStringLiteral("000A"))},
        {QStringLiteral("/data\tplan"), control.arg(QStringLiteral("0009"))},
        {QStringLiteral("/data") + QChar(0x7F), control.arg(QStringLiteral("007F"))},
        {QStringLiteral("/data") + QChar(0), control.arg(QStringLiteral("0000"))},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(testing::Message()
                     << c.value.size() << " characters: " << c.value.left(8).toStdString());
        LiveSettings s;
        ASSERT_EQ(s.set("FareDataFolder", "/old"), "");
        EXPECT_EQ(s.set("FareDataFolder", c.value), c.reason);
        EXPECT_EQ(s.text(Setting::FareDataFolder), c.reason.isEmpty() ? c.value : QStringLiteral("/old"));
    }
}

TEST(LiveSettings, TypedSettersCheckTheKind) {
    LiveSettings s;
    EXPECT_EQ(s.setText(Setting::AutoTicketNumbers, "1"), "AutoTicketNumbers is a check, not a text");
    EXPECT_EQ(s.setColour(Setting::FareDataFolder, 0), "FareDataFolder is a text, not a colour");
    EXPECT_EQ(s.setNumber(Setting::FareDataFolder, 1),
              "FareDataFolder is a text: give it text, not a number");
    EXPECT_EQ(s.setColour(Setting::StopNameForeColor, 0x123456), "");
    EXPECT_EQ(s.valueText(Setting::StopNameForeColor), "#563412");
}

TEST(LiveSettings, SignalsOnlyRealChanges) {
    LiveSettings s;
    ChangeLog log(s);
    EXPECT_EQ(s.set("AutoTicketNumbers", "1"), "");
    EXPECT_EQ(s.set("FareDataFolder", ""), "");
    EXPECT_TRUE(log.names.isEmpty());
    EXPECT_EQ(s.set("AutoTicketNumbers", "0"), "");
    EXPECT_EQ(log.names, QStringList{"AutoTicketNumbers"});
}

TEST(LiveSettings, CopiesBlocksAToFToAndFromTheRecord) {
    const SettingsRecord changed = allChangedRecord();
    LiveSettings s;
    ChangeLog log(s);
    ASSERT_FALSE(s.fromRecord(changed).isError());
    // Every setting differs from its default except the fixed date's text, which may
    // by chance be today's date.
    EXPECT_GE(log.names.size(), s.settings().size() - 1);
    EXPECT_EQ(s.text(Setting::TapeDataFolder), QStringLiteral("D:\\放送表"));
    EXPECT_EQ(selectedOption(s, "PanelOn2"), "PanelOn2User");
    EXPECT_EQ(s.number(Setting::InfoDataColumn), 149);
    EXPECT_EQ(s.colour(Setting::StopNameForeColor), 0x0D0E0Fu);

    // Copied into a default record, blocks A..F become those of the changed record and
    // G..K stay as they were.
    SettingsRecord out;
    s.toRecord(out);
    SettingsRecord expected = changed;
    expected.ControllerState = {};
    expected.BoardPosition = {};
    expected.CustomColors = {};
    expected.DigitFormats = {};
    EXPECT_EQ(writeSettings(out), writeSettings(expected));
}

TEST(LiveSettings, ResetGoesBackToTheDefaults) {
    LiveSettings s;
    ASSERT_FALSE(s.fromRecord(allChangedRecord()).isError());
    s.resetToDefaults();
    SettingsRecord out;
    s.toRecord(out);
    SettingsRecord fresh;
    fresh.TicketSettings.TicketFixedDate = s.text(Setting::TicketFixedDate);
    EXPECT_EQ(writeSettings(out), writeSettings(fresh));
}

TEST(LiveSettings, ARecordWithAListIndexBeyondItsListIsRefusedWithError380) {
    SettingsRecord r = allChangedRecord();
    r.SoundSettings.StepSoundColumn = 150;
    LiveSettings s;
    ChangeLog log(s);
    QString offender;
    const SettingsError error = LiveSettings::validate(r, &offender);
    EXPECT_EQ(offender, "StepSoundColumn");
    EXPECT_EQ(s.fromRecord(r).number, 380);
    EXPECT_EQ(mdlIniIo::loadErrorMessage(error),
              QStringLiteral(
                  "エラー Code:380\r\n内容:プロパティの値が不正です。\r\nモジュール:mdlIniIo.LoadIni()"));
    // Nothing was applied, not even the fields before the bad one.
    EXPECT_TRUE(log.names.isEmpty());
    EXPECT_EQ(s.text(Setting::FareDataFolder), "");
}

TEST(LiveSettings, ValuesAControlCannotHoldAreRefusedFromARecord) {
    const auto refused = [](auto change) {
        SettingsRecord r;
        change(r);
        return LiveSettings::validate(r).number;
    };
    EXPECT_EQ(refused([](SettingsRecord&) {}), 0);
    EXPECT_EQ(refused([](SettingsRecord& r) { r.PanelSettings.TicketNumberStyle = 12; }), 380);
    EXPECT_EQ(refused([](SettingsRecord& r) { r.DigitSettings.InfoStopOrderCell = -2; }), 380);
    EXPECT_EQ(refused([](SettingsRecord& r) { r.StopNameSettings.StopNameFontMode = 5; }), 380);
    EXPECT_EQ(refused([](SettingsRecord& r) { r.DigitSettings.InfoDataColumn = 150; }), 380);
    EXPECT_EQ(refused([](SettingsRecord& r) { r.TicketSettings.UseTicketPreview = 2; }), 380);
    EXPECT_EQ(refused([](SettingsRecord& r) { r.DigitSettings.DigitBackColor = 0x01000000; }), 380);
    // Blocks G..K are not the dialog's and are not checked here.
    EXPECT_EQ(refused([](SettingsRecord& r) { r.ControllerState.HiddenEntryPanel = 7; }), 0);
}

TEST(LiveSettings, AnyNonZeroOptionValueFromARecordSelectsTheButton) {
    SettingsRecord r;
    r.PanelSettings.PanelAuto = 0;
    r.PanelSettings.PanelPerImage = 5;
    LiveSettings s;
    ASSERT_FALSE(s.fromRecord(r).isError());
    EXPECT_EQ(selectedOption(s, "PanelChoice"), "PanelPerImage");
    EXPECT_EQ(s.number(Setting::PanelPerImage), -1);
}

TEST(LiveSettings, BothButtonsOfAGroupSelectedInARecordLeavesTheLastOne) {
    SettingsRecord r;
    r.SoundSettings.PreAnnounceSync = -1;
    r.SoundSettings.PreAnnounceAsync = -1;
    LiveSettings s;
    ASSERT_FALSE(s.fromRecord(r).isError());
    EXPECT_EQ(s.number(Setting::PreAnnounceSync), 0);
    EXPECT_EQ(s.number(Setting::PreAnnounceAsync), -1);
}

TEST(LiveSettings, AFileWithEveryFieldChangedGoesThroughTheDialogAndBackUnchanged) {
    const QByteArray file = readFixture(QStringLiteral("all-changed.in4"));
    SettingsRecord record = readSettings(file).record;
    LiveSettings s;
    ASSERT_FALSE(s.fromRecord(record).isError());
    SettingsRecord out = record;
    out.DataFolders = {};
    out.SoundSettings = {};
    s.toRecord(out);
    EXPECT_EQ(writeSettings(out), file);
}
