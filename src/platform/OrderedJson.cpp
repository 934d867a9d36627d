#include "platform/OrderedJson.h"

#include <QHash>
#include <QJsonArray>
#include <QJsonDocument>

namespace {

// The compact text of one value, as QJsonDocument writes it inside an array.
QByteArray written(const QJsonValue& value) {
    const QByteArray array = QJsonDocument(QJsonArray{value}).toJson(QJsonDocument::Compact);
    return array.sliced(1, array.size() - 2);
}

// A key as written: keys come from a small set (the names of the outputs' fields and of
// the options dialog's controls), each written by QJsonDocument the first time.
const QByteArray& writtenKey(const QString& key) {
    thread_local QHash<QString, QByteArray> keys;
    auto it = keys.find(key);
    if (it == keys.end())
        it = keys.insert(key, written(key));
    return *it;
}

// The members of an object's text, without its braces.
QByteArrayView members(const QByteArray& object) {
    QByteArrayView inner = QByteArrayView(object).trimmed();
    if (inner.startsWith('{'))
        inner = inner.sliced(1);
    if (inner.endsWith('}'))
        inner.chop(1);
    return inner;
}

} // namespace

OrderedJson::OrderedJson(const QJsonValue& value) : m_text(written(value)) {}

OrderedJson::OrderedJson(const QStringList& texts)
    : m_text(QJsonDocument(QJsonArray::fromStringList(texts)).toJson(QJsonDocument::Compact)) {}

OrderedJson OrderedJson::object(const QList<Member>& members) {
    OrderedJson out;
    out.m_text += '{';
    for (qsizetype i = 0; i < members.size(); ++i) {
        if (i > 0)
            out.m_text += ',';
        out.m_text += writtenKey(members[i].first) + ':' + members[i].second.m_text;
    }
    out.m_text += '}';
    return out;
}

OrderedJson OrderedJson::array(const QList<OrderedJson>& items) {
    OrderedJson out;
    out.m_text += '[';
    for (qsizetype i = 0; i < items.size(); ++i) {
        if (i > 0)
            out.m_text += ',';
        out.m_text += items[i].m_text;
    }
    out.m_text += ']';
    return out;
}

OrderedJson OrderedJson::joined(const OrderedJson& first, const OrderedJson& second) {
    const QByteArrayView a = members(first.m_text);
    const QByteArrayView b = members(second.m_text);
    OrderedJson out;
    out.m_text = '{' + a.toByteArray();
    if (!a.trimmed().isEmpty() && !b.trimmed().isEmpty())
        out.m_text += ',';
    out.m_text += b.toByteArray() + '}';
    return out;
}

OrderedJson OrderedJson::fromText(const QByteArray& json) {
    OrderedJson out;
    out.m_text = json;
    return out;
}
