#pragma once

#include <QByteArray>
#include <QJsonValue>
#include <QList>
#include <QString>
#include <QStringList>
#include <concepts>
#include <utility>

// JSON text whose objects keep their keys in the order they are given (QJsonObject sorts
// them), for the outputs whose key order is part of what they promise: `corvane script`'s
// `state` and `options state`, remote control's answers and events. Every key and every
// plain value is written by QJsonDocument, escaping included; this only puts the braces,
// brackets, colons and commas between the pieces.
class OrderedJson {
public:
    using Member = std::pair<QString, OrderedJson>;

    // A plain value: a string, number, true/false, null, or a QJsonArray or QJsonObject
    // (written as QJsonDocument writes it, an object's keys sorted).
    OrderedJson(const QJsonValue& value);
    OrderedJson(const QString& text) : OrderedJson(QJsonValue(text)) {}
    OrderedJson(const char* utf8) : OrderedJson(QJsonValue(QString::fromUtf8(utf8))) {}
    // true or false from a bool alone (not from a pointer or a number).
    template <std::same_as<bool> Flag> OrderedJson(Flag flag) : OrderedJson(QJsonValue(flag)) {}
    template <std::integral Number>
    requires(!std::same_as<Number, bool>) OrderedJson(Number number)
        : OrderedJson(QJsonValue(static_cast<qint64>(number))) {}
    OrderedJson(double number) : OrderedJson(QJsonValue(number)) {}
    // An array of strings.
    OrderedJson(const QStringList& texts);

    // {"KEY":VALUE,...} with the members in the order given.
    static OrderedJson object(const QList<Member>& members);
    // [VALUE,...].
    static OrderedJson array(const QList<OrderedJson>& items);
    // An object with the members of `first`, then those of `second` (each an object's text).
    static OrderedJson joined(const OrderedJson& first, const OrderedJson& second);
    // JSON text written before (the state handed from the program to remote control), taken
    // as it is.
    static OrderedJson fromText(const QByteArray& json);

    // The compact text, UTF-8.
    const QByteArray& text() const { return m_text; }
    QString toString() const { return QString::fromUtf8(m_text); }

private:
    OrderedJson() = default;
    QByteArray m_text;
};
