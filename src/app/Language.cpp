#include "app/Language.h"

#include <QCoreApplication>
#include <QTranslator>

namespace language {
namespace {

QTranslator* g_installed = nullptr;

} // namespace

QString takeArgument(QStringList& args, std::optional<Language>& chosen) {
    for (qsizetype i = 0; i < args.size(); ++i) {
        QString value;
        qsizetype taken = 1;
        if (args[i] == QLatin1String("--lang")) {
            if (i + 1 >= args.size())
                return QStringLiteral("--lang needs en or ja");
            value = args[i + 1];
            taken = 2;
        } else if (args[i].startsWith(QLatin1String("--lang="))) {
            value = args[i].mid(7);
        } else {
            continue;
        }
        if (value == QLatin1String("en"))
            chosen = Language::English;
        else if (value == QLatin1String("ja"))
            chosen = Language::Japanese;
        else
            return QStringLiteral("--lang needs en or ja, not \"%1\"").arg(value);
        args.remove(i, taken);
        --i;
    }
    return QString();
}

Language fromLocale(const QLocale& system) {
    return system.language() == QLocale::English ? Language::English : Language::Japanese;
}

bool install(Language language) {
    if (g_installed) {
        QCoreApplication::removeTranslator(g_installed);
        delete g_installed;
        g_installed = nullptr;
    }
    if (language == Language::Japanese)
        return true;
    auto* translator = new QTranslator;
    if (!translator->load(QStringLiteral(":/i18n/corvane_en.qm"))) {
        delete translator;
        return false;
    }
    QCoreApplication::installTranslator(translator);
    g_installed = translator;
    return true;
}

QString usage() {
    return QStringLiteral(
        "  --lang en|ja             the language of the windows (default: English when the\n"
        "                           system's language is English, else Japanese)\n");
}

} // namespace language
