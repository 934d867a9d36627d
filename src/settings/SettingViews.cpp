#include "settings/SettingViews.h"

namespace settings_views {

mdlM_Tape::TapeSettings tapeSettings(const LiveSettings& live) {
    mdlM_Tape::TapeSettings s;
    s.TapeDataFolder = live.text(Setting::TapeDataFolder);
    s.PreAnnounceAlways = live.isOn(Setting::PreAnnounceAlways);
    s.PreAnnounceByFlag = live.isOn(Setting::PreAnnounceByFlag);
    s.PreAnnounceSync = live.isOn(Setting::PreAnnounceSync);
    s.PreAnnounceFixed = live.text(Setting::PreAnnounceFixed);
    s.PreAnnounceSound1 = live.text(Setting::PreAnnounceSound1);
    s.PreAnnounceSound2 = live.text(Setting::PreAnnounceSound2);
    s.PreAnnounceSound3 = live.text(Setting::PreAnnounceSound3);
    return s;
}

routeop::InfoValues infoValues(const LiveSettings& live) {
    routeop::InfoValues info;
    info.stopOrderShow = live.isOn(Setting::InfoStopOrderShow);
    info.stopOrderCell = live.number(Setting::InfoStopOrderCell);
    info.stopOrderFromZero = live.isOn(Setting::InfoStopOrderFromZero);
    info.ticketNumberShow = live.isOn(Setting::InfoTicketNumberShow);
    info.ticketNumberCell = live.number(Setting::InfoTicketNumberCell);
    info.routeNumberShow = live.isOn(Setting::InfoRouteNumberShow);
    info.routeNumberCell = live.number(Setting::InfoRouteNumberCell);
    info.dataColumnShow = live.isOn(Setting::InfoDataColumnShow);
    info.dataColumn = live.number(Setting::InfoDataColumn);
    info.dataColumnCell = live.number(Setting::InfoDataColumnCell);
    return info;
}

routeop::StepSounds stepSounds(const LiveSettings& live) {
    routeop::StepSounds sounds;
    sounds.always = live.isOn(Setting::StepSoundAlways);
    sounds.fixed = live.text(Setting::StepSoundFixed);
    sounds.column = live.number(Setting::StepSoundColumn) + 1;
    sounds.byValue = {live.text(Setting::StepSound1), live.text(Setting::StepSound2),
                      live.text(Setting::StepSound3)};
    return sounds;
}

BacklightLook backlightLook(const LiveSettings& live, int index) {
    struct State {
        Setting labelColor, userChoice, pictureFile;
    };
    static constexpr State kStates[3] = {
        {Setting::TicketNumberColorOff, Setting::PanelOffUser, Setting::PanelOffImage},
        {Setting::TicketNumberColorOn1, Setting::PanelOn1User, Setting::PanelOn1Image},
        {Setting::TicketNumberColorOn2, Setting::PanelOn2User, Setting::PanelOn2Image},
    };
    const State& state = kStates[qBound(0, index, 2)];
    BacklightLook look;
    look.labelColor = live.colour(state.labelColor);
    look.userPicture = live.isOn(Setting::PanelPerImage) && live.isOn(state.userChoice);
    look.pictureFile = live.text(state.pictureFile);
    return look;
}

BoardLook boardLook(const LiveSettings& live, int backlight) {
    BoardLook look;
    look.backlight = qBound(0, backlight, 2);
    look.panel = backlightLook(live, look.backlight);
    look.labelsShown = live.isOn(Setting::AutoTicketNumbers);
    look.numberStyle = static_cast<qint16>(live.number(Setting::TicketNumberStyle));
    look.numberZeroPad = static_cast<qint16>(live.number(Setting::TicketNumberZeroPad));
    look.digitBackColor = live.colour(Setting::DigitBackColor);
    look.digitUnlitColor = live.colour(Setting::DigitUnlitColor);
    look.digitLitColor = live.colour(Setting::DigitLitColor);
    look.stripBackColor = live.colour(Setting::StopNameBackColor);
    look.stripForeColor = live.colour(Setting::StopNameForeColor);
    look.stripFontMode = static_cast<qint16>(live.number(Setting::StopNameFontMode));
    look.stripBold = live.number(Setting::StopNameBold) == 1;
    return look;
}

} // namespace settings_views
