#pragma once

#include <QByteArray>
#include <QString>

// Whether and where the program serves the board page, kept in "web.conf" beside
// remote.conf. The command line's --web overrides it.
struct WebSettings {
    static constexpr quint16 kDefaultPort = 5081;

    bool enabled = false;
    quint16 port = kDefaultPort;
    // The address served on: loopback unless the user names another.
    QString address = QStringLiteral("127.0.0.1");

    // The file's text form: "name=value" lines (enabled=true|false, port=1..65535,
    // address=ADDRESS), # comments; a line that cannot be read is reported in `problems`
    // (with its line number) and leaves its value at the default.
    static WebSettings parse(const QByteArray& text, QStringList* problems = nullptr);
    QByteArray format() const;

    // $XDG_CONFIG_HOME/corvane/web.conf (default ~/.config/corvane/web.conf).
    static QString filePath();
    // Reads the file (configfile::read); the defaults when it is missing, unreadable, not
    // a plain file or too long.
    static WebSettings load(const QString& path = filePath(), QStringList* problems = nullptr);
    bool save(const QString& path = filePath()) const;

    bool operator==(const WebSettings&) const = default;
};
