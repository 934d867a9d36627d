// JSON text with its keys in the order given: each piece written and escaped by
// QJsonDocument, objects and arrays nested, and the result read back as what was put in.
#include "QtPrinting.h"
#include "platform/OrderedJson.h"

#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>
#include <gtest/gtest.h>

namespace {

TEST(OrderedJson, WritesEachPieceAsQJsonDocumentDoesInTheOrderGiven) {
    const QString controls = QString::fromUtf8("\x01\b\f\n\r\t\x1f\x7f");
    const struct {
        const char* name;
        OrderedJson json;
        const char* text;
    } cases[] = {
        {"quote, backslash and slash", QStringLiteral("a\"b\\c/d"), R"("a\"b\\c/d")"},
        {"control characters", controls, "\"\\u0001\\b\\f\\n\\r\\t\\u001f\x7f\""},
        {"non-ASCII as UTF-8", QStringLiteral("系統 é \U0001F600 \u2028"),
         "\"\xe7\xb3\xbb\xe7\xb5\xb1 \xc3\xa9 \xf0\x9f\x98\x80 \xe2\x80\xa8\""},
        {"a lone surrogate escaped", QString(QChar(0xd800)), R"("\ud800")"},
        {"numbers, flags, null", OrderedJson::array({-5, qint64(1) << 40, 1.5, true, false, QJsonValue()}),
         "[-5,1099511627776,1.5,true,false,null]"},
        {"keys kept in order, escaped",
         OrderedJson::object({{"z", 1}, {"a\"\n", "x"}, {"m", QStringList{"p", "q\\"}}}),
         R"({"z":1,"a\"\n":"x","m":["p","q\\"]})"},
        {"nested",
         OrderedJson::object(
             {{"b", OrderedJson::array({OrderedJson::object({{"y", 1}, {"x", 2}}), OrderedJson::array({})})},
              {"a", OrderedJson::object({})}}),
         R"({"b":[{"y":1,"x":2},[]],"a":{}})"},
        {"a plain object sorted as QJsonObject sorts it", QJsonValue(QJsonObject{{"b", 1}, {"a", 2}}),
         R"({"a":2,"b":1})"},
        {"joined objects",
         OrderedJson::joined(OrderedJson::object({{"event", "state"}}),
                             OrderedJson::fromText(R"( {"route":"1","section":2} )")),
         R"({"event":"state","route":"1","section":2})"},
        {"joined with an empty object",
         OrderedJson::joined(OrderedJson::object({{"k", 0}}), OrderedJson::object({})), R"({"k":0})"},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        EXPECT_EQ(c.json.text(), QByteArray(c.text));
        EXPECT_FALSE(QJsonDocument::fromJson('[' + c.json.text() + ']').isNull());
    }
    const QJsonArray back = QJsonDocument::fromJson('[' + OrderedJson(controls).text() + ']').array();
    EXPECT_EQ(back.at(0).toString(), controls);
}

} // namespace
