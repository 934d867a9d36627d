#include "app/ProgramArgs.h"

#include <QHostAddress>

QString parseProgramArgs(const QStringList& args, ProgramArgs& out) {
    out = ProgramArgs{};
    for (qsizetype i = 0; i < args.size(); ++i) {
        QString arg = args[i];
        QString value;
        bool hasValue = false;
        if (arg.startsWith(QLatin1String("--")) && arg.contains(QLatin1Char('='))) {
            value = arg.mid(arg.indexOf(QLatin1Char('=')) + 1);
            arg = arg.left(arg.indexOf(QLatin1Char('=')));
            hasValue = true;
        }
        const auto takeValue = [&]() -> bool {
            if (hasValue)
                return true;
            if (i + 1 >= args.size())
                return false;
            value = args[++i];
            return true;
        };
        if (arg == QLatin1String("--help") || arg == QLatin1String("-h")) {
            out.help = true;
        } else if (arg == QLatin1String("--version")) {
            out.version = true;
        } else if (arg == QLatin1String("--listen")) {
            if (!takeValue())
                return QStringLiteral("--listen needs a port number");
            bool ok = false;
            const uint port = value.toUInt(&ok);
            if (!ok || port > 65535)
                return QStringLiteral("--listen needs a port number from 0 to 65535, not \"%1\"").arg(value);
            out.listenPort = quint16(port);
        } else if (arg == QLatin1String("--listen-address")) {
            if (!takeValue())
                return QStringLiteral("--listen-address needs an address");
            if (QHostAddress(value).isNull() && value != QLatin1String("localhost"))
                return QStringLiteral("--listen-address: \"%1\" is not an IP address").arg(value);
            out.listenAddress = value;
        } else if (arg == QLatin1String("--listen-token-file")) {
            if (!takeValue() || value.isEmpty())
                return QStringLiteral("--listen-token-file needs the path of a file");
            out.listenTokenFile = value;
        } else if (arg == QLatin1String("--web")) {
            if (!takeValue())
                return QStringLiteral("--web needs a port number");
            bool ok = false;
            const uint port = value.toUInt(&ok);
            if (!ok || port > 65535)
                return QStringLiteral("--web needs a port number from 0 to 65535, not \"%1\"").arg(value);
            out.webPort = quint16(port);
        } else if (arg == QLatin1String("--web-address")) {
            if (!takeValue())
                return QStringLiteral("--web-address needs an address");
            if (QHostAddress(value).isNull() && value != QLatin1String("localhost"))
                return QStringLiteral("--web-address: \"%1\" is not an IP address").arg(value);
            out.webAddress = value;
        } else if (arg == QLatin1String("--no-listen")) {
            out.noListen = true;
        } else {
            return QStringLiteral("unknown argument \"%1\"").arg(args[i]);
        }
        if (hasValue && (arg == QLatin1String("--help") || arg == QLatin1String("--version") ||
                         arg == QLatin1String("--no-listen")))
            return QStringLiteral("%1 takes no value").arg(arg);
    }
    if (out.noListen && out.listenPort)
        return QStringLiteral("--listen and --no-listen contradict each other");
    if (!out.listenAddress.isEmpty() && !out.listenPort)
        return QStringLiteral("--listen-address needs --listen PORT");
    if (!out.webAddress.isEmpty() && !out.webPort)
        return QStringLiteral("--web-address needs --web PORT");
    return QString();
}

QString remoteUsage() {
    return QStringLiteral(
        "remote control (see docs/remote-control.md):\n"
        "  --listen PORT            listen for remote control on PORT (0 picks a free\n"
        "                           port); the address and port are printed on standard\n"
        "                           error\n"
        "  --listen-address ADDR    listen on ADDR instead of the loopback address 127.0.0.1\n"
        "                           (anyone who can reach ADDR and has the token can then\n"
        "                           drive the program)\n"
        "  --listen-token-file PATH the token clients must give first (default\n"
        "                           ~/.config/corvane/remote.token, made on first listen)\n"
        "  --no-listen              do not listen, even when ~/.config/corvane/remote.conf\n"
        "                           says enabled=true\n"
        "\n"
        "the board page for web browsers (see docs/web-view.md):\n"
        "  --web PORT               serve the board page on PORT (0 picks a free port);\n"
        "                           its address is printed on standard error\n"
        "  --web-address ADDR       serve it on ADDR instead of 127.0.0.1 (anyone who can\n"
        "                           reach ADDR can watch the board; the control page\n"
        "                           needs the remote-control token)\n"
        "  --version                print the version\n"
        "  --help                   this text\n");
}
