#pragma once

#include <QByteArray>
#include <QString>
#include <QStringList>

// Who may watch the board page and who may work the console through it.
namespace web {

// The longest message a viewer may send (a token or a console command).
constexpr qsizetype kMaxViewerMessageBytes = 4096;

// Whether a WebSocket's Origin names this server: "http://HOST[:PORT]" with the host and
// port the request was sent to (its Host header, `requestHost` and `requestPort`, -1 for
// none), that port being `serverPort`. HOST must be an IP address, "localhost" or one of
// `names` (the machine's own names): a page served under some other name that merely
// resolves to this machine is another origin.
bool originAllowed(const QString& origin, const QString& requestHost, int requestPort, quint16 serverPort,
                   const QStringList& names = {});

// The commands the control page may send: the console's buttons, wheels and keypad.
bool isConsoleCommand(const QString& command);

// What a viewer's message asks for. Before the token, only {"cmd":"auth","token":TOKEN}
// with the remote-control token is taken; anything else is refused and the viewer is
// closed. After it, console commands in remote control's request form
// ({"cmd":"next"}, {"cmd":"keypad","keys":["系統","1","2"]}) become command lines;
// other commands and malformed requests are refused, the viewer kept.
struct ViewerMessage {
    enum class Kind { Auth, Command, Refused, Close };
    Kind kind = Kind::Close;
    QString line;  // the command line, for Command
    QString error; // why, for Refused and Close
};
ViewerMessage readViewerMessage(const QByteArray& message, const QByteArray& token, bool authenticated);

// {"type":"answer","ok":true} or {"type":"answer","ok":false,"error":...}; {"type":"auth","ok":true};
// {"type":"refused","error":...}.
QByteArray encodeAnswer(const QString& error);
QByteArray encodeAuthOk();
QByteArray encodeRefusal(const QString& error);

} // namespace web
