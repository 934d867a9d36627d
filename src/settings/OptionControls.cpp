#include "settings/OptionControls.h"

#include <QCoreApplication>
#include <QHash>
#include <array>
#include <utility>

namespace option_controls {
namespace {

using Pair = std::pair<Setting, const char*>;

// Every setting and its control, in the order of the settings file.
constexpr std::array<Pair, settings_names::count()> kControls = {{
    {Setting::FareDataFolder, "Text2(0)"},
    {Setting::TapeDataFolder, "Text2(1)"},
    {Setting::AutoTicketNumbers, "Check1"},
    {Setting::TicketNumberColorOff, "Command5(0)"},
    {Setting::TicketNumberColorOn1, "Command5(1)"},
    {Setting::TicketNumberColorOn2, "Command5(2)"},
    {Setting::TicketNumberStyle, "Combo2"},
    {Setting::TicketNumberZeroPad, "Check2"},
    {Setting::PanelAuto, "Option3(0)"},
    {Setting::PanelPerImage, "Option3(1)"},
    {Setting::PanelOffBuiltIn, "Option3(7)"},
    {Setting::PanelOffUser, "Option3(6)"},
    {Setting::PanelOn1BuiltIn, "Option3(3)"},
    {Setting::PanelOn1User, "Option3(2)"},
    {Setting::PanelOn2BuiltIn, "Option3(4)"},
    {Setting::PanelOn2User, "Option3(5)"},
    {Setting::PanelOffImage, "txtSelectPanel(0)"},
    {Setting::PanelOn1Image, "txtSelectPanel(1)"},
    {Setting::PanelOn2Image, "txtSelectPanel(2)"},
    {Setting::DigitBackColor, "Command8(0)"},
    {Setting::DigitUnlitColor, "Command8(1)"},
    {Setting::DigitLitColor, "Command8(2)"},
    {Setting::InfoStopOrderShow, "Check3(0)"},
    {Setting::InfoStopOrderCell, "Combo4(0)"},
    {Setting::InfoStopOrderFromZero, "Check3(4)"},
    {Setting::InfoTicketNumberShow, "Check3(1)"},
    {Setting::InfoTicketNumberCell, "Combo4(1)"},
    {Setting::InfoRouteNumberShow, "Check3(2)"},
    {Setting::InfoRouteNumberCell, "Combo4(2)"},
    {Setting::InfoDataColumnShow, "Check3(3)"},
    {Setting::InfoDataColumn, "Combo4(4)"},
    {Setting::InfoDataColumnCell, "Combo4(3)"},
    {Setting::StopNameBackColor, "Command9(0)"},
    {Setting::StopNameForeColor, "Command9(1)"},
    {Setting::StopNameFontMode, "Combo3"},
    {Setting::StopNameBold, "Check4"},
    {Setting::RouteSetSound, "txtSelectSound(0)"},
    {Setting::ResetSound, "txtSelectSound(1)"},
    {Setting::StepSoundAlways, "Option2(0)"},
    {Setting::StepSoundByColumn, "Option2(1)"},
    {Setting::StepSoundSync, "Option6(0)"},
    {Setting::StepSoundAsync, "Option6(1)"},
    {Setting::StepSoundFixed, "txtSelectSound(7)"},
    {Setting::StepSoundColumn, "Combo1"},
    {Setting::StepSound1, "txtSelectSound(8)"},
    {Setting::StepSound2, "txtSelectSound(9)"},
    {Setting::StepSound3, "txtSelectSound(10)"},
    {Setting::PreAnnounceAlways, "Option2(2)"},
    {Setting::PreAnnounceByFlag, "Option2(3)"},
    {Setting::PreAnnounceSync, "Option7(0)"},
    {Setting::PreAnnounceAsync, "Option7(1)"},
    {Setting::PreAnnounceFixed, "txtSelectSound(3)"},
    {Setting::PreAnnounceSound1, "txtSelectSound(4)"},
    {Setting::PreAnnounceSound2, "txtSelectSound(5)"},
    {Setting::PreAnnounceSound3, "txtSelectSound(6)"},
    {Setting::UseTicketPreview, "chkUseSeiriPrev"},
    {Setting::TicketPluginPath, "txtSeiriPlgDir"},
    {Setting::TicketDateOnPrint, "Option4(0)"},
    {Setting::TicketDateOnRouteSet, "Option4(1)"},
    {Setting::TicketDateFixed, "Option4(2)"},
    {Setting::TicketFixedDate, "Label10"},
}};

} // namespace

QString controlOf(Setting setting) {
    for (const Pair& p : kControls)
        if (p.first == setting)
            return QString::fromLatin1(p.second);
    return {};
}

std::optional<Setting> settingOf(const QString& control) {
    static const QHash<QString, Setting> index = [] {
        QHash<QString, Setting> h;
        for (const Pair& p : kControls)
            h.insert(QString::fromLatin1(p.second), p.first);
        return h;
    }();
    const auto it = index.constFind(control);
    if (it == index.constEnd())
        return std::nullopt;
    return *it;
}

QStringList ticketNumberStyleItems() {
    struct Item {
        const char* text;
        int last;
    };
    static constexpr Item kItems[] = {
        {QT_TRANSLATE_NOOP("OptionControls", "1,2,3..."), 50},
        {QT_TRANSLATE_NOOP("OptionControls", "0,1,2..."), 49},
        {QT_TRANSLATE_NOOP("OptionControls", "「なし」、1,2..."), 49},
        {QT_TRANSLATE_NOOP("OptionControls", "「なし」、2,3..."), 50},
        {QT_TRANSLATE_NOOP("OptionControls", "「無券」、1,2..."), 49},
        {QT_TRANSLATE_NOOP("OptionControls", "「無券」、2,3..."), 50},
        {QT_TRANSLATE_NOOP("OptionControls", "「券なし」、1,2..."), 49},
        {QT_TRANSLATE_NOOP("OptionControls", "「券なし」、2,3..."), 50},
        {QT_TRANSLATE_NOOP("OptionControls", "「券無し」、1,2..."), 49},
        {QT_TRANSLATE_NOOP("OptionControls", "「券無し」、2,3..."), 50},
        {QT_TRANSLATE_NOOP("OptionControls", "(無地)、1,2..."), 49},
        {QT_TRANSLATE_NOOP("OptionControls", "(無地)、2,3..."), 50},
    };
    QStringList out;
    for (const Item& item : kItems)
        out << QCoreApplication::translate("OptionControls", item.text) + QLatin1Char(' ') +
                   QString::number(item.last);
    out[0] += QCoreApplication::translate("OptionControls", " （既定の表示）");
    return out;
}

QStringList fontModeItems() {
    return {QCoreApplication::translate("OptionControls", "ゴシック体"),
            QCoreApplication::translate("OptionControls", "明朝体"),
            QCoreApplication::translate("OptionControls", "漢字はゴシック、それ以外は明朝"),
            QCoreApplication::translate("OptionControls", "漢字は明朝、それ以外はゴシック"),
            QCoreApplication::translate("OptionControls", "英数字はゴシック、それ以外は明朝")};
}

QStringList numberItems(int last) {
    QStringList out;
    for (int n = 1; n <= last; ++n)
        out << QString::number(n);
    return out;
}

QVector<DependentState> dependentStates(const LiveSettings& live) {
    QVector<DependentState> out;
    const auto follow = [&](const char* control, Setting setting, bool andVisible = false) {
        const bool on = live.isOn(setting);
        out.append(DependentState{QString::fromLatin1(control), on, andVisible ? on : true});
    };
    follow("Frame3", Setting::AutoTicketNumbers);
    follow("Combo4(0)", Setting::InfoStopOrderShow);
    follow("Check3(4)", Setting::InfoStopOrderShow);
    follow("Combo4(1)", Setting::InfoTicketNumberShow);
    follow("Combo4(2)", Setting::InfoRouteNumberShow);
    follow("Combo4(3)", Setting::InfoDataColumnShow);
    follow("Combo4(4)", Setting::InfoDataColumnShow);
    // The per-picture choices appear only with "個別に設定する".
    const bool perImage = !live.isOn(Setting::PanelAuto);
    for (const char* frame : {"Frame6(0)", "Frame6(1)", "Frame6(2)"})
        out.append(DependentState{QString::fromLatin1(frame), perImage, perImage});
    follow("Frame10", Setting::UseTicketPreview, true);
    follow("Frame7", Setting::UseTicketPreview, true);
    return out;
}

QString textCaption(Setting setting) {
    switch (setting) {
    case Setting::FareDataFolder:
        return QCoreApplication::translate("OptionControls", "運賃データのフォルダー");
    case Setting::TapeDataFolder:
        return QCoreApplication::translate("OptionControls", "放送用データのフォルダー");
    case Setting::PanelOffImage:
        return QCoreApplication::translate("OptionControls", "バックライトOFF時の画像");
    case Setting::PanelOn1Image:
        return QCoreApplication::translate("OptionControls", "ON1の画像");
    case Setting::PanelOn2Image:
        return QCoreApplication::translate("OptionControls", "ON2の画像");
    case Setting::RouteSetSound:
        return QCoreApplication::translate("OptionControls", "系統設定時のサウンド");
    case Setting::ResetSound:
        return QCoreApplication::translate("OptionControls", "リセット時のサウンド");
    case Setting::StepSoundFixed:
        return QCoreApplication::translate("OptionControls", "送り・戻し時のサウンド");
    case Setting::StepSound1:
    case Setting::StepSound2:
    case Setting::StepSound3:
        return QCoreApplication::translate("OptionControls", "送り・戻し時のサウンド（「%1」の場合）")
            .arg(static_cast<int>(setting) - static_cast<int>(Setting::StepSound1) + 1);
    case Setting::PreAnnounceFixed:
        return QCoreApplication::translate("OptionControls", "放送前のサウンド");
    case Setting::PreAnnounceSound1:
    case Setting::PreAnnounceSound2:
    case Setting::PreAnnounceSound3:
        return QCoreApplication::translate("OptionControls", "放送前のサウンド（「%1」の場合）")
            .arg(static_cast<int>(setting) - static_cast<int>(Setting::PreAnnounceSound1) + 1);
    case Setting::TicketPluginPath:
        return QCoreApplication::translate("OptionControls", "整理券プラグイン");
    case Setting::TicketFixedDate:
        return QCoreApplication::translate("OptionControls", "整理券の日付");
    default:
        return {};
    }
}

QString refusedTextMessage(Setting setting, const QString& text) {
    const TextRefusal refused = textRefusal(text);
    switch (refused.kind) {
    case TextRefusal::Kind::None:
        break;
    case TextRefusal::Kind::Unencodable:
        return unsavableTextMessage(refused.characters);
    case TextRefusal::Kind::ControlCharacter:
        return QCoreApplication::translate(
                   "OptionControls",
                   "「%1」の名前に制御文字（%2）が含まれているため、設定ファイルに保存できません。"
                   "制御文字を含まない名前を指定してください。")
            .arg(textCaption(setting), characterCode(refused.characters.at(0)));
    case TextRefusal::Kind::TooLong:
        return QCoreApplication::translate("OptionControls",
                                           "「%1」の名前が長すぎるため、設定ファイルに保存できません。"
                                           "名前はShift_JISで%2バイトまでです（指定した名前は%3バイト）。")
            .arg(textCaption(setting))
            .arg(MaxStoredTextBytes)
            .arg(refused.bytes);
    }
    return {};
}

QString dateText(int year, int month, int day) {
    return QStringLiteral("%1/%2/%3")
        .arg(year, 4, 10, QLatin1Char('0'))
        .arg(month, 2, 10, QLatin1Char('0'))
        .arg(day, 2, 10, QLatin1Char('0'));
}

} // namespace option_controls
