#pragma once

#include <QByteArray>
#include <QString>

// The files remote control keeps and the files a remote client may name.
namespace remote {

// The secret a client must give first: $XDG_CONFIG_HOME/corvane/remote.token
// (default ~/.config/corvane/remote.token).
QString defaultTokenPath();

// The only folder a remote client names files in: $XDG_DATA_HOME/corvane/remote
// (default ~/.local/share/corvane/remote).
QString defaultRemoteFolder();

struct TokenResult {
    QByteArray token;
    QString error;        // why there is no token
    bool created = false; // the file was made now
};

// The token file as the program reads it: made when it is missing (64 hexadecimal
// digits, 256 random bits, readable by its owner alone); refused when it is not a
// regular file, other users may read it, or it does not hold one token of 16 to 1024
// visible ASCII characters.
TokenResult loadOrCreateToken(const QString& path);
// The token file as a client reads it: never made.
TokenResult readToken(const QString& path);

// A command line as a remote client may run it. The commands that name a file
// (settings, png, png-controller, png-options, png-sign, ticket, plugin) get the file inside
// `folder`, which is made when it is missing; `save` takes no file name and saves the
// program's own settings file. Everything else is left as it is.
struct ConfinedLine {
    QString line;         // the line to run
    QString error;        // why it is refused (then `line` is empty)
    bool saveOwn = false; // a `save` of the program's own settings file
};
ConfinedLine confineFiles(const QString& line, const QString& folder);

} // namespace remote
