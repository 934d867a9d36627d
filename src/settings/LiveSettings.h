#pragma once

#include "settings/Setting.h"
#include "settings/SettingsError.h"
#include "settings/SettingsRecord.h"

#include <QObject>
#include <QString>
#include <QStringList>
#include <QVector>
#include <cstdint>

// The kind of control that holds a setting in the options dialog.
enum class ControlKind {
    Text,   // text box or caption; any text
    Check,  // check box: 0 off, 1 on
    Option, // option button: -1 selected, 0 not; selecting one clears the others of its group
    List,   // list: the selected index 0..size-1, -1 = nothing selected
    Colour, // colour swatch: 0x00BBGGRR
};

QString controlKindName(ControlKind kind);

// Why a text cannot be kept: the settings file holds texts in Shift_JIS (cp932), and
// `characters` (from cp932::unencodable) cannot be written in it.
QString unsavableTextMessage(const QString& characters);

// What keeps a text out of a string setting. The settings file holds each text in
// Shift_JIS (cp932) behind a byte count of MaxStoredTextBytes at most, and none of the
// texts (folder and file names, a date) has a use for a control character.
struct TextRefusal {
    enum class Kind {
        None,
        Unencodable,      // characters Shift_JIS cannot hold
        ControlCharacter, // U+0000..U+001F or U+007F
        TooLong,          // more than MaxStoredTextBytes bytes in Shift_JIS
    };
    Kind kind = Kind::None;
    QString characters;  // Unencodable: those characters; ControlCharacter: the first one
    qsizetype bytes = 0; // TooLong: the text's bytes in Shift_JIS
};
// The first rule `text` breaks, in the order of Kind.
TextRefusal textRefusal(const QString& text);
// "U+000A": a character as its code.
QString characterCode(QChar c);

struct SettingInfo {
    Setting id{};
    QString name;     // the setting's name in the settings record
    char block = 'A'; // the record block that stores it, 'A'..'F'
    ControlKind kind = ControlKind::Text;
    QString group;         // Option: the group's name
    int listSize = 0;      // List: the number of items
    QString defaultText;   // Text: the initial text
    int defaultNumber = 0; // Check, Option, List: the initial value; Colour: the initial colour
};

// The live settings: the values the options dialog holds, read by every part of the
// program when it needs a setting. Display-free: the dialog's controls show and edit
// these values.
class LiveSettings : public QObject {
    Q_OBJECT
public:
    explicit LiveSettings(QObject* parent = nullptr);

    // Every setting of blocks A..F, in the order of the settings file (the order of
    // Setting). The initial values are those of a fresh record (TicketFixedDate: the
    // date of construction).
    const QVector<SettingInfo>& settings() const { return m_infos; }
    const SettingInfo& info(Setting setting) const { return m_infos[static_cast<int>(setting)]; }

    // Sets one setting, named as a person types it (`corvane set NAME VALUE`), from
    // text:
    //   Text    the text as given;
    //   Check   "0" or "1";
    //   Option  "-1" (or "1") selects the button and clears the others of its group,
    //           "0" clears it alone;
    //   List    an index -1..size-1;
    //   Colour  "#RRGGBB", or a number 0..16777215 (0x00BBGGRR).
    // TicketFixedDate must be a date "yyyy/mm/dd" (one-digit month and day are accepted
    // and written with two). A text that textRefusal refuses is refused: characters
    // that Shift_JIS cannot hold with unsavableTextMessage, a control character or more
    // bytes than the settings file stores with the setting's name and the rule.
    // Returns "" on success, else why the value was refused (an unknown name is
    // answered with the closest known names); a refused value changes nothing.
    QString set(const QString& name, const QString& valueText);
    QString set(Setting setting, const QString& valueText);

    // Typed setters with the same rules as set(); "" on success.
    QString setNumber(Setting setting, int value);
    QString setText(Setting setting, const QString& value);
    QString setColour(Setting setting, std::uint32_t colour);

    // The current value. number(): the Check/Option/List value, or the colour of a
    // Colour; text(): a Text value; colour(): a Colour value.
    int number(Setting setting) const { return m_values[static_cast<int>(setting)].number; }
    QString text(Setting setting) const { return m_values[static_cast<int>(setting)].text; }
    std::uint32_t colour(Setting setting) const;
    // A check box is checked, or an option button selected.
    bool isOn(Setting setting) const { return number(setting) != 0; }
    // The value as set() takes it (colours as "#RRGGBB").
    QString valueText(Setting setting) const;

    // Copies blocks A..F into the record; the other blocks are left alone.
    void toRecord(SettingsRecord& record) const;
    // Checks that every value of blocks A..F can be held by its control: checks 0/1,
    // list indexes -1..size-1, colours 0..0xFFFFFF (an option button takes any value,
    // non-zero selecting it). The first value refused gives
    // error 380 (InvalidPropertyValue); number 0 when all fit.
    static SettingsError validate(const SettingsRecord& record, QString* offendingName = nullptr);
    // Copies blocks A..F from the record, in file order, as the controls take them.
    // The record is validated first: on an error nothing is changed.
    SettingsError fromRecord(const SettingsRecord& record);
    // Back to the initial values.
    void resetToDefaults();

signals:
    // A setting's value changed (through any setter, a group's clearing or fromRecord).
    void valueChanged(Setting setting);

private:
    struct Value {
        QString text;
        int number = 0;
    };

    void store(int index, int number);
    void storeText(int index, const QString& text);

    QVector<SettingInfo> m_infos;
    QVector<Value> m_values;
};
