#pragma once

#include <QByteArray>
#include <QString>

// Whether and where the program listens for remote control, kept in a small file of its
// own, "remote.conf" beside the voice settings (the settings file 508.in4 has no place
// for it). The command line's --listen and --no-listen override it.
struct RemoteSettings {
    static constexpr quint16 kDefaultPort = 5080;
    static constexpr int kDefaultIdleSeconds = 300;
    static constexpr int kMaxIdleSeconds = 86400;

    bool enabled = false;
    quint16 port = kDefaultPort;
    // The address listened on: loopback unless the user names another.
    QString address = QStringLiteral("127.0.0.1");
    // A client without a request for this long is disconnected (0: never).
    int idleSeconds = kDefaultIdleSeconds;

    // The file's text form: "name=value" lines (enabled=true|false, port=1..65535,
    // address=ADDRESS, idle=SECONDS), # comments; a line that cannot be read is reported in
    // `problems` (with its line number) and leaves its value at the default.
    static RemoteSettings parse(const QByteArray& text, QStringList* problems = nullptr);
    QByteArray format() const;

    // $XDG_CONFIG_HOME/corvane/remote.conf (default ~/.config/corvane/remote.conf).
    static QString filePath();
    // Reads the file (configfile::read); the defaults when it is missing, unreadable, not
    // a plain file or longer than configfile::kMaxBytes.
    static RemoteSettings load(const QString& path = filePath(), QStringList* problems = nullptr);
    // Writes the file in one piece (configfile::save; the old file stays whole if writing
    // fails).
    bool save(const QString& path = filePath()) const;

    bool operator==(const RemoteSettings&) const = default;
};

// The values that the files of the program's listeners (remote.conf, web.conf) share.
// Each takes a value into `out` and returns "", or returns why it is refused and leaves
// `out` as it was.
namespace listenvalues {
QString takeEnabled(const QString& value, bool& out);
QString takePort(const QString& value, quint16& out);
QString takeAddress(const QString& value, QString& out);
} // namespace listenvalues
