#pragma once

#include <QPoint>
#include <QRect>
#include <QSize>

// Where a window goes so that it leaves another in view: the console beside a board
// that is shown large or on the whole screen.
namespace placement {

// The top-left corner for a window of `size` that wants `wanted` on `screen` and must
// not cover `keepClear`. The wanted place when it covers nothing of it; else the
// nearest of the places below, above, to the right of and to the left of `keepClear`
// that lie whole on the screen (each as close to the wanted place as it can be); else,
// when none does, the place that covers least of it.
QPoint beside(const QRect& screen, const QRect& keepClear, const QSize& size, const QPoint& wanted);

} // namespace placement
