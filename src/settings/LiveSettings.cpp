#include "settings/LiveSettings.h"

#include "platform/ColorRef.h"
#include "platform/Cp932.h"
#include "settings/SettingsLayout.h"

#include <QCoreApplication>
#include <QDate>
#include <QRegularExpression>
#include <type_traits>

QString controlKindName(ControlKind kind) {
    switch (kind) {
    case ControlKind::Text:
        return QStringLiteral("text");
    case ControlKind::Check:
        return QStringLiteral("check");
    case ControlKind::Option:
        return QStringLiteral("option");
    case ControlKind::List:
        return QStringLiteral("list");
    case ControlKind::Colour:
        return QStringLiteral("colour");
    }
    return {};
}

namespace {

constexpr std::uint32_t MaxColour = 0xFFFFFF;

// Builds the setting descriptions from a record's layout and values.
struct Describer {
    QVector<SettingInfo>& out;
    char current = 'A';

    void block(char letter) { current = letter; }
    void add(const char* name, ControlKind kind, const QString& text, int number, const char* group = nullptr,
             int listSize = 0) {
        SettingInfo info;
        info.id = static_cast<Setting>(out.size());
        info.name = QString::fromLatin1(name);
        info.block = current;
        info.kind = kind;
        info.group = group ? QString::fromLatin1(group) : QString();
        info.listSize = listSize;
        info.defaultText = text;
        info.defaultNumber = number;
        out.append(info);
    }
    void text(const char* name, const QString& v) { add(name, ControlKind::Text, v, 0); }
    void check(const char* name, qint16 v) { add(name, ControlKind::Check, {}, v); }
    void option(const char* group, const char* name, qint16 v) {
        add(name, ControlKind::Option, {}, v, group);
    }
    void list(const char* name, qint16 v, int size) { add(name, ControlKind::List, {}, v, nullptr, size); }
    void colour(const char* name, std::uint32_t v) {
        add(name, ControlKind::Colour, {}, static_cast<int>(v));
    }
};

// Visits a record's values in the order of the descriptions, by position.
template <class Fn> struct Walker {
    Fn fn;
    int i = 0;
    void block(char) {}
    template <class T> void text(const char*, T& v) { fn(i++, v); }
    template <class T> void check(const char*, T& v) { fn(i++, v); }
    template <class T> void option(const char*, const char*, T& v) { fn(i++, v); }
    template <class T> void list(const char*, T& v, int) { fn(i++, v); }
    template <class T> void colour(const char*, T& v) { fn(i++, v); }
};
template <class Fn> Walker<Fn> walker(Fn fn) {
    return Walker<Fn>{fn};
}

bool parseInt(const QString& text, int& value) {
    bool ok = false;
    value = text.trimmed().toInt(&ok, 10);
    return ok;
}

// Why a number cannot be held by the setting's control; "" when it can. An option
// button takes any number from the file (non-zero selects it) but only -1, 0 or 1 from
// a setter.
QString refusal(const SettingInfo& s, qint64 number, bool fromFile) {
    switch (s.kind) {
    case ControlKind::Check:
        if (number != 0 && number != 1)
            return QStringLiteral("%1 is a check box: %2 is not 0 or 1").arg(s.name).arg(number);
        break;
    case ControlKind::Option:
        if (!fromFile && number != 0 && number != -1 && number != 1)
            return QStringLiteral("%1 is an option button: %2 is not -1 (selected) or 0")
                .arg(s.name)
                .arg(number);
        break;
    case ControlKind::List:
        if (number < -1 || number >= s.listSize)
            return QStringLiteral("%1 is a list of %2 items: index %3 is outside -1..%4")
                .arg(s.name)
                .arg(s.listSize)
                .arg(number)
                .arg(s.listSize - 1);
        break;
    case ControlKind::Colour:
        if (number < 0 || number > static_cast<qint64>(MaxColour))
            return QStringLiteral("%1 is a colour: %2 is not a colour 0..16777215").arg(s.name).arg(number);
        break;
    case ControlKind::Text:
        return QStringLiteral("%1 is a text: give it text, not a number").arg(s.name);
    }
    return {};
}

// The settings' descriptions, with the initial values of a fresh record.
QVector<SettingInfo> describe() {
    QVector<SettingInfo> infos;
    const SettingsRecord initial;
    Describer describer{infos};
    settings_layout::visitOptionBlocks(initial, describer);
    return infos;
}

} // namespace

QString unsavableTextMessage(const QString& characters) {
    QStringList quoted;
    for (qsizetype i = 0; i < characters.size();) {
        const qsizetype width = characters.at(i).isHighSurrogate() && i + 1 < characters.size() ? 2 : 1;
        quoted << QStringLiteral("「%1」").arg(characters.mid(i, width));
        i += width;
    }
    return QCoreApplication::translate("LiveSettings",
                                       "%1 はShift_JISで表せない文字のため、設定ファイルに保存できません。"
                                       "この文字を含まない名前を指定してください。")
        .arg(quoted.join(QString()));
}

TextRefusal textRefusal(const QString& text) {
    TextRefusal refusal;
    refusal.characters = cp932::unencodable(text);
    if (!refusal.characters.isEmpty()) {
        refusal.kind = TextRefusal::Kind::Unencodable;
        return refusal;
    }
    for (const QChar c : text) {
        if (c.unicode() < 0x20 || c.unicode() == 0x7F) {
            refusal.kind = TextRefusal::Kind::ControlCharacter;
            refusal.characters = c;
            return refusal;
        }
    }
    // Two bytes at most per character: a text this short always fits.
    if (text.size() > MaxStoredTextBytes / 2) {
        refusal.bytes = cp932::encode(text).size();
        if (refusal.bytes > MaxStoredTextBytes)
            refusal.kind = TextRefusal::Kind::TooLong;
    }
    return refusal;
}

QString characterCode(QChar c) {
    return QStringLiteral("U+%1").arg(c.unicode(), 4, 16, QLatin1Char('0')).toUpper();
}

LiveSettings::LiveSettings(QObject* parent) : QObject(parent) {
    m_infos = describe();
    Q_ASSERT(m_infos.size() == settings_names::count());
    m_values.resize(m_infos.size());
    for (int i = 0; i < m_infos.size(); ++i) {
        Q_ASSERT(m_infos[i].name == settings_names::name(static_cast<Setting>(i)));
        m_values[i].text = m_infos[i].defaultText;
        m_values[i].number = m_infos[i].defaultNumber;
    }
}

void LiveSettings::store(int index, int number) {
    const SettingInfo& s = m_infos[index];
    if (s.kind == ControlKind::Option) {
        number = number != 0 ? -1 : 0;
        if (number == -1) {
            for (int i = 0; i < m_infos.size(); ++i)
                if (i != index && m_infos[i].kind == ControlKind::Option && m_infos[i].group == s.group &&
                    m_values[i].number != 0) {
                    m_values[i].number = 0;
                    emit valueChanged(m_infos[i].id);
                }
        }
    }
    if (m_values[index].number != number) {
        m_values[index].number = number;
        emit valueChanged(s.id);
    }
}

void LiveSettings::storeText(int index, const QString& text) {
    if (m_values[index].text != text) {
        m_values[index].text = text;
        emit valueChanged(m_infos[index].id);
    }
}

QString LiveSettings::set(const QString& name, const QString& valueText) {
    const std::optional<Setting> setting = settings_names::byName(name);
    if (!setting)
        return QStringLiteral("unknown setting: %1 (closest: %2)")
            .arg(name, settings_names::closest(name).join(QStringLiteral(", ")));
    return set(*setting, valueText);
}

QString LiveSettings::set(Setting setting, const QString& valueText) {
    const SettingInfo& s = info(setting);
    switch (s.kind) {
    case ControlKind::Text:
        return setText(setting, valueText);
    case ControlKind::Colour: {
        static const QRegularExpression hex(QStringLiteral("^#([0-9A-Fa-f]{6})$"));
        const QString v = valueText.trimmed();
        const auto match = hex.match(v);
        if (match.hasMatch()) {
            const uint rgb = match.captured(1).toUInt(nullptr, 16);
            return setColour(setting, colorref::rgb((rgb >> 16) & 0xFF, (rgb >> 8) & 0xFF, rgb & 0xFF));
        }
        int number = 0;
        if (!parseInt(v, number))
            return QStringLiteral("%1 is a colour: \"%2\" is not #RRGGBB").arg(s.name, valueText);
        return setNumber(setting, number);
    }
    default: {
        int number = 0;
        if (!parseInt(valueText, number))
            return QStringLiteral("%1 is a %2: \"%3\" is not a number")
                .arg(s.name, controlKindName(s.kind), valueText);
        return setNumber(setting, number);
    }
    }
}

QString LiveSettings::setNumber(Setting setting, int value) {
    const int index = static_cast<int>(setting);
    const QString why = refusal(m_infos[index], value, false);
    if (!why.isEmpty())
        return why;
    store(index, value);
    return {};
}

QString LiveSettings::setText(Setting setting, const QString& value) {
    const int index = static_cast<int>(setting);
    const SettingInfo& s = m_infos[index];
    if (s.kind != ControlKind::Text)
        return QStringLiteral("%1 is a %2, not a text").arg(s.name, controlKindName(s.kind));
    QString text = value;
    if (setting == Setting::TicketFixedDate) {
        static const QRegularExpression form(QStringLiteral("^(\\d{4})/(\\d{1,2})/(\\d{1,2})$"));
        const auto match = form.match(value.trimmed());
        const QDate date = match.hasMatch() ? QDate(match.captured(1).toInt(), match.captured(2).toInt(),
                                                    match.captured(3).toInt())
                                            : QDate();
        if (!date.isValid())
            return QStringLiteral("%1 is a date: \"%2\" is not a date yyyy/mm/dd").arg(s.name, value);
        text = date.toString(QStringLiteral("yyyy/MM/dd"));
    }
    const TextRefusal refused = textRefusal(text);
    switch (refused.kind) {
    case TextRefusal::Kind::None:
        break;
    case TextRefusal::Kind::Unencodable:
        return unsavableTextMessage(refused.characters);
    case TextRefusal::Kind::ControlCharacter:
        return QStringLiteral("%1 is a text without control characters (U+0000..U+001F, U+007F): "
                              "this one holds %2")
            .arg(s.name, characterCode(refused.characters.at(0)));
    case TextRefusal::Kind::TooLong:
        return QStringLiteral("%1 is a text of at most %2 bytes in Shift_JIS: this one has %3")
            .arg(s.name)
            .arg(MaxStoredTextBytes)
            .arg(refused.bytes);
    }
    storeText(index, text);
    return {};
}

QString LiveSettings::setColour(Setting setting, std::uint32_t colour) {
    const int index = static_cast<int>(setting);
    const SettingInfo& s = m_infos[index];
    if (s.kind != ControlKind::Colour)
        return QStringLiteral("%1 is a %2, not a colour").arg(s.name, controlKindName(s.kind));
    if (colour > MaxColour)
        return QStringLiteral("%1 is a colour: %2 is not a colour 0..16777215").arg(s.name).arg(colour);
    store(index, static_cast<int>(colour));
    return {};
}

std::uint32_t LiveSettings::colour(Setting setting) const {
    if (info(setting).kind != ControlKind::Colour)
        return 0;
    return static_cast<std::uint32_t>(number(setting));
}

QString LiveSettings::valueText(Setting setting) const {
    switch (info(setting).kind) {
    case ControlKind::Text:
        return text(setting);
    case ControlKind::Colour:
        return colorref::toHex(colour(setting));
    default:
        return QString::number(number(setting));
    }
}

void LiveSettings::toRecord(SettingsRecord& record) const {
    auto w = walker([this](int i, auto& field) {
        using T = std::decay_t<decltype(field)>;
        if constexpr (std::is_same_v<T, QString>)
            field = m_values[i].text;
        else
            field = static_cast<T>(m_values[i].number);
    });
    settings_layout::visitOptionBlocks(record, w);
}

SettingsError LiveSettings::validate(const SettingsRecord& record, QString* offendingName) {
    static const QVector<SettingInfo> rules = describe();
    QString offender;
    auto w = walker([&](int i, const auto& field) {
        using T = std::decay_t<decltype(field)>;
        if constexpr (!std::is_same_v<T, QString>) {
            if (offender.isEmpty() && !refusal(rules[i], static_cast<qint64>(field), true).isEmpty())
                offender = rules[i].name;
        }
    });
    settings_layout::visitOptionBlocks(record, w);
    if (offendingName)
        *offendingName = offender;
    return offender.isEmpty() ? SettingsError{} : SettingsError::make(settings_error::InvalidPropertyValue);
}

SettingsError LiveSettings::fromRecord(const SettingsRecord& record) {
    const SettingsError error = validate(record);
    if (error.isError())
        return error;
    auto w = walker([this](int i, const auto& field) {
        using T = std::decay_t<decltype(field)>;
        if constexpr (std::is_same_v<T, QString>)
            storeText(i, field);
        else
            store(i, static_cast<int>(field));
    });
    settings_layout::visitOptionBlocks(record, w);
    return {};
}

void LiveSettings::resetToDefaults() {
    for (int i = 0; i < m_infos.size(); ++i) {
        storeText(i, m_infos[i].defaultText);
        store(i, m_infos[i].defaultNumber);
    }
}
