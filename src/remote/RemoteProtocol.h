#pragma once

#include <QByteArray>
#include <QJsonValue>
#include <QList>
#include <QString>

// The remote-control protocol: JSON objects, one per line, each way. A request names a
// command of `corvane script` and is turned into that command's line; the answer says
// whether it was carried out. Described for users in docs/remote-control.md.
namespace remote {

// The longest request line taken, without its line end.
constexpr qsizetype kMaxLineBytes = 64 * 1024;
// The protocol's version, sent in the greeting.
constexpr int kProtocolVersion = 1;

// A request turned into a command line.
struct Request {
    QString line;                                      // the command line, as `corvane script` reads it
    QString error;                                     // why the request was refused (then `line` is empty)
    QJsonValue id = QJsonValue(QJsonValue::Undefined); // given back in the answer; undefined when none
    bool ok() const { return error.isEmpty(); }
};

// Reads one request line (without its line end). The request
//   {"cmd": NAME, "args": [WORD...], <named fields>, "text": REST, "id": ID}
// gives the line `NAME WORD... <named field values> REST`: the words, then the named
// fields of the command in their fixed order (see namedFields), then the rest of the
// line. A word is a string without spaces or control characters, or an integer; the
// rest may hold spaces but no line break.
Request parseRequest(const QByteArray& json);

// The named fields a command takes besides "args" and "text", in the order their
// values go into the line (empty for a command without any).
QStringList namedFields(const QString& command);

// The request for a script line, as `corvane remote` sends it: the words of the line
// as "args" when they are separated by single spaces, else the rest of the line as
// "text". Empty for a blank line or a comment.
QByteArray requestForLine(const QString& line, const QJsonValue& id = QJsonValue());

// A message box that came up while a command ran.
struct Message {
    QString text;
    QString title;
    QString icon;
};

// What a command gave.
struct Answer {
    QJsonValue id = QJsonValue(QJsonValue::Undefined); // the request's id, undefined when none
    QString error;                                     // empty when the command was carried out
    QString stateJson;                                 // the state object's text, for `state`
    QString output; // what any other command printed (`dots`, `options state`)
    QList<Message> messages;
    bool ok() const { return error.isEmpty(); }
};

// {"ok":true[,"id":ID][,"state":{...}|,"output":"..."][,"messages":[...]]} or
// {"ok":false[,"id":ID],"error":"..."[,"messages":[...]]}, ending in a line feed.
QByteArray encodeAnswer(const Answer& answer);
// {"event":"state", <the keys of the state object>}, ending in a line feed.
QByteArray encodeStateEvent(const QString& stateJson);
// {"event":"hello","program":NAME,"version":VERSION,"protocol":1}, ending in a line feed.
QByteArray encodeHello(const QString& program, const QString& version);

// A JSON string literal for the text.
QString quote(const QString& text);

} // namespace remote
