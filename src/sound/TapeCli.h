#pragma once

#include <QStringList>
#include <QTextStream>

// `corvane tape check FILE`: reads an announcement list as the program does and
// prints "ok: N entries", or the line and the reason the program refuses it (exit 2).
int tapeCommand(const QStringList& args, QTextStream& out, QTextStream& err);
