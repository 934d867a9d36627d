#include "plugins/PluginCli.h"

#include "plugins/PluginFile.h"

namespace {

const char* const kPluginHelp =
    "usage: corvane plugin check FILE.4SP\n"
    "\n"
    "Reads a ticket plug-in as the options dialog does. A usable plug-in prints 'valid'\n"
    "and the lines of the plug-in page's capability list; otherwise each problem is\n"
    "printed as 'line L, field F: reason' (or 'FILE: reason' for the file as a whole)\n"
    "and the tool exits with status 2. The file format is described in\n"
    "docs/plugin-format.md.\n";

bool isHelp(const QString& arg) {
    return arg == QLatin1String("--help") || arg == QLatin1String("-h");
}

} // namespace

QString pluginHelp() {
    return QString::fromUtf8(kPluginHelp);
}

int pluginCommand(const QStringList& args, QTextStream& out, QTextStream& err) {
    if (args.isEmpty()) {
        err << kPluginHelp;
        return 2;
    }
    if (isHelp(args.first()) || (args.size() >= 2 && isHelp(args.at(1)))) {
        out << kPluginHelp;
        return 0;
    }
    if (args.first() != QLatin1String("check")) {
        err << "corvane plugin: unknown command \"" << args.first() << "\" (see corvane plugin --help)\n";
        return 2;
    }
    if (args.size() != 2) {
        err << "corvane plugin check: " << (args.size() < 2 ? "no file given" : "too many arguments")
            << " (see corvane plugin --help)\n";
        return 2;
    }
    const QString path = args.at(1);
    const plugins::PluginFile plugin = plugins::loadPlugin(path);
    if (!plugin.valid()) {
        for (const plugins::Problem& p : plugin.problems)
            out << (p.line > 0 ? p.text() : path + QStringLiteral(": ") + p.reason) << '\n';
        return 2;
    }
    out << "valid\n";
    for (const QString& line : plugins::capabilityLines(plugin.info))
        out << line << '\n';
    return 0;
}
