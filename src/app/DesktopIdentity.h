#pragma once

// How the desktop knows the program's windows: the icon every window shows, and the
// identity a dock or task bar matches against the menu entry
// (io.github.corvane.Corvane.desktop): the desktop file name, and on X11 the class of
// every window's WM_CLASS.
namespace desktop {

inline constexpr char kDesktopId[] = "io.github.corvane.Corvane";

// Call once, after the application object is made and named, before any window.
void applyIdentity();

} // namespace desktop
