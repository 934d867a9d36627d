#pragma once

#include <QHash>
#include <QString>
#include <QStringList>
#include <QTextStream>
#include <functional>
#include <memory>
#include <optional>

class OrderedJson;
class Program;
class QImage;

// Runs the commands of `corvane script` against one program instance: a handler for
// each command of the command table (remote/CommandTable).
class ScriptRunner {
public:
    ScriptRunner(Program& program, QTextStream& out);

    // Runs one line. Returns an empty string on success, else the reason it failed.
    QString run(const QString& line);

    // The state as one line of JSON.
    QString state();

private:
    using Handler = std::function<QString(const QStringList& args, const QString& rest)>;
    void add(const QString& name, Handler handler);
    void checkHandlers() const;

    void addControllerCommands();
    void addOptionsCommands();
    QString optionsState();
    OrderedJson ticketState();
    void addSignCommands();
    OrderedJson signsState();
    QString cmdFormat(const QStringList& args);
    QString cmdWait(const QStringList& args);
    QString cmdPng(const QString& path);
    // Writes `picture` as the PNG file `path`; "" on success, else "cannot write PATH
    // (REASON)".
    static QString writePng(const QImage& picture, const QString& path);

    Program& m_program;
    QTextStream& m_out;
    QHash<QString, Handler> m_commands;
    // What the next chooser opened by a command answers; nothing cancels it.
    std::optional<QString> m_chooserAnswer;
};

// The `corvane` command line; returns the exit status.
int corvaneMain(int argc, char** argv);
