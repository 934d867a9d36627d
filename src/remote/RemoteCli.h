#pragma once

#include <QString>
#include <QStringList>

class QTextStream;

// `corvane remote HOST:PORT [COMMAND...]`: sends each COMMAND (a line of `corvane
// script`; `-` reads such lines from standard input) to a running 508 that listens for
// remote control and prints each answer line; with no COMMAND it prints the state
// events as they come until the program closes the connection. Returns the exit status:
// 0 when every command was carried out, 2 for a command that was refused (after
// printing its answer and `error: N: reason` on the error stream) or bad arguments, 1
// when the program cannot be reached or the connection breaks.
int remoteCommand(const QStringList& args, QTextStream& in, QTextStream& out, QTextStream& err);

// Reads HOST:PORT ([ADDRESS]:PORT for an IPv6 address); false when it is not one.
bool parseHostPort(const QString& text, QString& host, quint16& port);

QString remoteHelp();
