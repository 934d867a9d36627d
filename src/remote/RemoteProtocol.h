#pragma once

#include <QByteArray>
#include <QJsonValue>
#include <QList>
#include <QString>
#include <optional>

// The remote-control protocol: JSON objects, one per line, each way. A request names a
// command of `corvane script` and is turned into that command's line; the answer says
// whether it was carried out. Described for users in docs/remote-control.md.
namespace remote {

// The longest request line taken, without its line end.
constexpr qsizetype kMaxLineBytes = 64 * 1024;
// The protocol's version, sent in the greeting: 2 since a client must authenticate.
constexpr int kProtocolVersion = 2;
// The longest `wait` a client may ask for, in milliseconds.
constexpr int kMaxWaitMs = 60000;

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
// values go into the line (empty for a command without any), from commands::table().
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
// {"event":"hello","program":NAME,"version":VERSION,"protocol":2,"auth":"token","idle":SECONDS},
// ending in a line feed. `idle` is how long a connection may go without a request
// before it is closed.
QByteArray encodeHello(const QString& program, const QString& version, int idleSeconds);

// A client's first line must be {"cmd":"auth","token":TOKEN} with the program's token.
// Empty when it is, else why the connection is refused (anything else: another
// command, a line that is not JSON, an HTTP request, a wrong token). The token is
// compared in a time that does not depend on where it differs.
QString checkAuth(const QByteArray& line, const QByteArray& token);

// The command's name in a command line: its first word.
QString commandName(const QString& line);
// Commands whose work is heavy for the program (pictures, files): remote control runs
// them at a limited pace per client, so that they cannot hold up the other clients.
bool isHeavyCommand(const QString& command);

// A `wait MS` line as remote control takes it: the milliseconds, or why it is refused
// (not a number, over kMaxWaitMs).
struct WaitRequest {
    int ms = 0;
    QString error;
};
// Null when the line is not a `wait`.
std::optional<WaitRequest> parseWait(const QString& line);

} // namespace remote
