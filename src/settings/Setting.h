#pragma once

#include <QString>
#include <QStringList>
#include <optional>

// Every setting of the options dialog, by its name in the settings record, in the
// order of the settings file (blocks A to F).
#define CORVANE_SETTINGS(X)                                                                                  \
    X(FareDataFolder)                                                                                        \
    X(TapeDataFolder)                                                                                        \
    X(AutoTicketNumbers)                                                                                     \
    X(TicketNumberColorOff)                                                                                  \
    X(TicketNumberColorOn1)                                                                                  \
    X(TicketNumberColorOn2)                                                                                  \
    X(TicketNumberStyle)                                                                                     \
    X(TicketNumberZeroPad)                                                                                   \
    X(PanelAuto)                                                                                             \
    X(PanelPerImage)                                                                                         \
    X(PanelOffBuiltIn)                                                                                       \
    X(PanelOffUser)                                                                                          \
    X(PanelOn1BuiltIn)                                                                                       \
    X(PanelOn1User)                                                                                          \
    X(PanelOn2BuiltIn)                                                                                       \
    X(PanelOn2User)                                                                                          \
    X(PanelOffImage)                                                                                         \
    X(PanelOn1Image)                                                                                         \
    X(PanelOn2Image)                                                                                         \
    X(DigitBackColor)                                                                                        \
    X(DigitUnlitColor)                                                                                       \
    X(DigitLitColor)                                                                                         \
    X(InfoStopOrderShow)                                                                                     \
    X(InfoStopOrderCell)                                                                                     \
    X(InfoStopOrderFromZero)                                                                                 \
    X(InfoTicketNumberShow)                                                                                  \
    X(InfoTicketNumberCell)                                                                                  \
    X(InfoRouteNumberShow)                                                                                   \
    X(InfoRouteNumberCell)                                                                                   \
    X(InfoDataColumnShow)                                                                                    \
    X(InfoDataColumn)                                                                                        \
    X(InfoDataColumnCell)                                                                                    \
    X(StopNameBackColor)                                                                                     \
    X(StopNameForeColor)                                                                                     \
    X(StopNameFontMode)                                                                                      \
    X(StopNameBold)                                                                                          \
    X(RouteSetSound)                                                                                         \
    X(ResetSound)                                                                                            \
    X(StepSoundAlways)                                                                                       \
    X(StepSoundByColumn)                                                                                     \
    X(StepSoundSync)                                                                                         \
    X(StepSoundAsync)                                                                                        \
    X(StepSoundFixed)                                                                                        \
    X(StepSoundColumn)                                                                                       \
    X(StepSound1)                                                                                            \
    X(StepSound2)                                                                                            \
    X(StepSound3)                                                                                            \
    X(PreAnnounceAlways)                                                                                     \
    X(PreAnnounceByFlag)                                                                                     \
    X(PreAnnounceSync)                                                                                       \
    X(PreAnnounceAsync)                                                                                      \
    X(PreAnnounceFixed)                                                                                      \
    X(PreAnnounceSound1)                                                                                     \
    X(PreAnnounceSound2)                                                                                     \
    X(PreAnnounceSound3)                                                                                     \
    X(UseTicketPreview)                                                                                      \
    X(TicketPluginPath)                                                                                      \
    X(TicketDateOnPrint)                                                                                     \
    X(TicketDateOnRouteSet)                                                                                  \
    X(TicketDateFixed)                                                                                       \
    X(TicketFixedDate)

enum class Setting : int {
#define CORVANE_SETTING_ENUM(name) name,
    CORVANE_SETTINGS(CORVANE_SETTING_ENUM)
#undef CORVANE_SETTING_ENUM
};

namespace settings_names {

// The number of settings.
constexpr int count() {
    int n = 0;
#define CORVANE_SETTING_COUNT(name) ++n;
    CORVANE_SETTINGS(CORVANE_SETTING_COUNT)
#undef CORVANE_SETTING_COUNT
    return n;
}

// The setting's name in the settings record ("FareDataFolder").
QString name(Setting setting);

// The setting a person named, exactly as in the settings record; nothing for an
// unknown name.
std::optional<Setting> byName(const QString& name);

// The known names closest to a misspelt one (at most `limit`, nearest first).
QStringList closest(const QString& name, int limit = 3);

} // namespace settings_names
