#pragma once

#include <QString>
#include <QStringList>
#include <optional>

// The remote-control options of the simulator 508's command line (the display options
// are read by DisplayConfig). Every option is optional; without any the program starts
// as it always has.
struct ProgramArgs {
    bool help = false;
    bool version = false;
    // --listen PORT: listen for remote control on PORT (0: any free port).
    std::optional<quint16> listenPort;
    // --listen-address ADDR: where to listen (with --listen); loopback when empty.
    QString listenAddress;
    // --listen-token-file PATH: the token file (instead of remote.token).
    QString listenTokenFile;
    // --no-listen: no remote control, whatever remote.conf says.
    bool noListen = false;
    // --web PORT: serve the board page on PORT (0: any free port).
    std::optional<quint16> webPort;
    // --web-address ADDR: where to serve it (with --web); loopback when empty.
    QString webAddress;
};

// Reads the arguments after the program's name (Qt's own options already taken out).
// Returns the reason when they cannot be read: an unknown option, a missing or bad
// value, or options that contradict each other.
QString parseProgramArgs(const QStringList& args, ProgramArgs& out);

// The remote-control and board-page part of 508 --help.
QString remoteUsage();
