#pragma once

#include <QString>
#include <QVariant>

// What a seven-segment display shows: a number or a text (the empty text blanks it).
class DigitValue {
public:
    enum class Kind { Number, Text };

    DigitValue() = default; // the number 0
    static DigitValue number(double n) { return DigitValue(Kind::Number, n, {}); }
    static DigitValue text(const QString& t) { return DigitValue(Kind::Text, 0, t); }

    Kind kind() const { return m_kind; }
    bool isNumber() const { return m_kind == Kind::Number; }
    bool isText() const { return m_kind == Kind::Text; }
    bool isEmptyText() const { return m_kind == Kind::Text && m_text.isEmpty(); }
    bool isNumber(double n) const { return m_kind == Kind::Number && m_number == n; }
    double toNumber() const { return m_number; }

    // The value as text: a whole number without decimals, other numbers with up to
    // 15 significant digits; a number that is not finite has no text (empty).
    QString toText() const;

    // As kept in a property bag: a number is stored as int when it is whole and
    // fits, else as double; a text as a string.
    QVariant toVariant() const;
    static DigitValue fromVariant(const QVariant& v);

    bool operator==(const DigitValue& other) const = default;

private:
    DigitValue(Kind k, double n, const QString& t) : m_kind(k), m_number(n), m_text(t) {}

    Kind m_kind = Kind::Number;
    double m_number = 0;
    QString m_text;
};
