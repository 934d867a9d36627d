#pragma once

#include <QImage>

class QPainter;

// The board's built-in panel, drawn rather than stored: the dark housing of a bus fare
// board with recessed windows for the fifty fare displays, bands for their
// ticket-number labels, the frame of the stop-name strip, the legends and the notice
// plate. Drawn in the board's own 690 x 307 pixels (the positions of the board's
// design, twips / 15); a painter scaled for a big screen draws the same layout in
// shapes and text at that size, never a picture stretched.
namespace panelart {

inline constexpr int kWidth = 690;
inline constexpr int kHeight = 307;

// Draws the panel as it looks with its backlight in a state (0 OFF: the built-in
// picture; 1 ON1 and 2 ON2: the label bands, the face and the notice plate glow,
// dimly and brightly).
void paint(QPainter& painter, int backlight);

// The panel at `scale` times its size.
QImage image(int backlight, double scale = 1.0);

// The panel as an SVG document of the board's size in pixels (a user panel picture
// that the board draws sharp at any scale).
QByteArray svg(int backlight);

} // namespace panelart
