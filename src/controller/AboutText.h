#pragma once

#include <QString>

namespace controller {

// The five lines of the about box, each ended by CR LF: the model (the executable's
// name), the version, an empty line, the distributor and the developers with the span
// of years up to `year`.
// The developers' span of years up to `year`: a single year while the span starts in
// it ("2026"), else "2026-2031".
QString yearSpan(int year);

QString aboutText(const QString& executableName, const QString& version, int year);

// The credits shown under the five lines: the program's licence and the sources of the
// real route data the demo carries, as their licences ask wherever the data is shown.
QString aboutCredits();

} // namespace controller
