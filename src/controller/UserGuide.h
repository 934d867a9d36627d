#pragma once

#include <QString>
#include <QStringList>

namespace controller {

// Where the user guide is looked for, in this order: installed beside the program
// (<prefix>/share/doc/corvane/docs/guide/), then in the source tree of a program run from
// its build folder (<source>/build/bin/508 finds <source>/docs/guide/). Each folder is
// tried for index.html, then README.md.
QStringList guideCandidates(const QString& executablePath);

// The first candidate that is a file, or an empty text when there is none.
QString findGuide(const QString& executablePath);

} // namespace controller
