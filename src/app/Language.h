#pragma once

#include <QLocale>
#include <QString>
#include <QStringList>
#include <optional>

// The language of the windows: Japanese, the language the program is written in, or
// English from the translation built into the program (translations/corvane_en.ts).
// The board itself (its legends, the stop names) stays Japanese either way.
namespace language {

enum class Language { Japanese, English };

// Takes "--lang en|ja" (or "--lang=en") out of `args` into `chosen`. Returns the reason
// when its value is missing or is neither.
QString takeArgument(QStringList& args, std::optional<Language>& chosen);

// The language without --lang: English when the system's language is English;
// Japanese otherwise, and under the C and POSIX locales of build and test machines.
Language fromLocale(const QLocale& system);

// Makes `language` the language of the texts translated from now on: English loads
// the built-in translation (false when it cannot be loaded), Japanese removes it.
bool install(Language language);

// The --lang lines of the programs' --help.
QString usage();

} // namespace language
