#pragma once

#include "settings/LiveSettings.h"
#include "settings/Setting.h"

#include <QString>
#include <QStringList>
#include <QVector>
#include <optional>

// The options dialog ("オプション") without its widgets: which control holds which
// setting, what its lists offer, and which controls a setting enables or shows.
namespace option_controls {

// The control of the dialog that holds a setting, by the control's name in the
// dialog's design ("Text2(0)", "Check3(4)", "Combo4(4)", "Command8(2)", "Label10"...).
QString controlOf(Setting setting);
// The setting a control holds; nothing for controls that hold none (page buttons,
// "..." buttons, notes).
std::optional<Setting> settingOf(const QString& control);

// The six pages: the page button Option1(i) brings the frame Frame1(i) to the front.
inline constexpr int kPageCount = 6;
// The two sound sub-pages: Option5(i) brings Frame2(i) to the front.
inline constexpr int kSoundPageCount = 2;

// The items of the numbering list Combo2: twelve variants, the first one marked as
// the standard.
QStringList ticketNumberStyleItems();
// The items of the font list Combo3.
QStringList fontModeItems();
// "1".."last", as the cell and column lists offer them.
QStringList numberItems(int last);

// The enabled and visible state of a control that depends on the settings.
struct DependentState {
    QString control;
    bool enabled = true;
    bool visible = true;
};
// The states of every dependent control for the current settings: the ticket-number
// frame follows "整理券番号自動表示機能を使用", the information lists their check
// boxes, the per-picture frames "個別に設定する", the plug-in and date frames the
// preview check box. Controls whose visibility does not depend on a setting are
// visible.
QVector<DependentState> dependentStates(const LiveSettings& live);

// The dialog's name of a text setting ("運賃データのフォルダー", "リセット時のサウンド");
// "" for a setting that is not a text.
QString textCaption(Setting setting);
// Why the dialog refuses `text` for the text setting `setting` (textRefusal), in the
// dialog's words: characters Shift_JIS cannot hold as unsavableTextMessage gives it, a
// control character or a text too long for the settings file with the setting's
// name. "" when the text can be kept.
QString refusedTextMessage(Setting setting, const QString& text);

// The date text "yyyy/mm/dd" of the date dialog's answer (two-digit month and day).
QString dateText(int year, int month, int day);

} // namespace option_controls
