#pragma once

#include "app/Automation.h"
#include "remote/RemoteServer.h"

#include <QObject>
#include <QString>
#include <QTextStream>
#include <memory>

class Program;
struct ProgramArgs;

// Remote control of a running program: the listener runs each request as a command of
// `corvane script` against the program's windows, as they are on the screen, and sends
// the state to every client when something changed (after each command, and after the
// person at the screen clicked or typed).
//
// A message box that comes up during a remote command is shown to the person at the
// screen as always, but the command does not wait for it: it goes on with the box's
// default button, and its answer lists the box under "messages". While the program
// itself waits in a dialog of its own (a box raised by the person at the screen, the
// options dialog) requests are refused; while it waits for a sound or a pause of its
// own they wait until it goes on.
class RemoteControl : public QObject {
    Q_OBJECT
public:
    explicit RemoteControl(Program& program, QObject* parent = nullptr);
    ~RemoteControl() override;

    // Listens with the token clients must give first and the idle time after which a
    // client without requests is disconnected.
    bool listen(const QHostAddress& address, quint16 port, const QByteArray& token, int idleSeconds);
    RemoteServer& server() { return m_server; }

protected:
    bool eventFilter(QObject* watched, QEvent* event) override;

private:
    remote::Answer run(const QString& line);

    Program& m_program;
    QString m_folder; // where remote clients name their files
    QString m_output;
    QTextStream m_stream;
    ScriptRunner m_runner;
    RemoteServer m_server;
};

// Starts remote control as the command line and remote.conf say. Returns null when
// it is off. When listening fails, `exitStatus` is set to 2 if the command line asked
// for it (the message is on standard error); if remote.conf asked, a message box says
// so and the program goes on without it.
std::unique_ptr<RemoteControl> startRemoteControl(Program& program, const ProgramArgs& args, int& exitStatus);
