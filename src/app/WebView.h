#pragma once

#include "web/WebFrame.h"
#include "web/WebServer.h"

#include <QObject>
#include <QString>
#include <QTextStream>
#include <QTimer>
#include <memory>

class Program;
class ScriptRunner;
struct ProgramArgs;

// The board page: one more view of the board. It reads what the board window shows
// (the texts of the displays, the labels, the stop-name strip's dots, the look) into a
// frame for the page's server whenever something changed, and runs the control page's
// console commands through a script runner, as remote control does.
class WebView : public QObject {
    Q_OBJECT
public:
    explicit WebView(Program& program, QObject* parent = nullptr);
    ~WebView() override;

    bool listen(const QHostAddress& address, quint16 port, const QByteArray& token);
    WebServer& server() { return m_server; }

    // The page's layout and the frame as the board shows them now.
    web::BoardLayout layout() const;
    web::ViewState state();

    // Looks whether the board changed and, when it did, sends the new frame.
    void refresh();

signals:
    // The control page ran a command (remote control's clients may want the new state).
    void commandRun();

private:
    void schedule();
    QString run(const QString& line);
    QString panelAddress();
    const web::SignsView& signsView();

    Program& m_program;
    WebServer m_server;
    QString m_output;
    QTextStream m_stream;
    std::unique_ptr<ScriptRunner> m_runner;
    web::ViewState m_shown;
    bool m_published = false;
    bool m_layoutDirty = false; // the settings were applied: the layout may differ
    int m_waitedForStrip = 0;
    QTimer m_soon; // a change was signalled: look at once
    QTimer m_poll; // changes nothing signals (the scroll bars, the display's look)
    qint64 m_panelKey = -1;
    QString m_panelPath;
    int m_panelCount = 0;
    web::SignsView m_signs; // laid out again only when the text or the settings change
    bool m_signsLaidOut = false;
};

// Starts the board page as the command line (--web) and web.conf say. Returns null when
// it is off. When it cannot listen, `exitStatus` is set to 2 if the command line asked
// for it (the message is on standard error); if web.conf asked, the message goes to
// standard error and the program goes on without it.
std::unique_ptr<WebView> startWebView(Program& program, const ProgramArgs& args, int& exitStatus);

// The address of the board page this program serves ("http://127.0.0.1:5081/"), empty
// when it serves none.
QString servedBoardPage();
