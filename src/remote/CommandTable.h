#pragma once

#include <QList>
#include <QString>
#include <QStringList>

// The commands of `corvane script`, which remote control runs too: for each, its lines
// of `corvane script --help` and the named fields a remote request may give for its
// words. The script runner (app/Automation) attaches a handler to each by name.
namespace commands {

// How a named field's value goes into the command line.
enum class FieldKind {
    Word,  // one word
    Words, // an array of words
    OnOff, // true/false as on/off
    Flag,  // true puts the field's own name in the line, false nothing
    Rest,  // the rest of the line
};

struct Field {
    QString name;
    FieldKind kind;
};

// One line of `corvane script --help`: what to type, and what it does (a line with no
// usage goes on with the line before).
struct HelpLine {
    QString usage;
    QString text;
};

struct Command {
    QString name;
    QList<HelpLine> help; // empty when another command's lines describe it (back: next's)
    QList<Field> fields;  // in the order their values go into the line
};

// Every command, in the order of `corvane script --help`.
const QList<Command>& table();

// The command of that name, or null.
const Command* find(const QString& name);

// The lines `corvane script --help` lists the commands with: the usage, padded to a
// column, then what it does.
QStringList helpLines();

} // namespace commands
