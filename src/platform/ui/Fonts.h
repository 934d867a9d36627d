#pragma once

#include <QFont>
#include <QString>

// The fonts the program's designs name, mapped in one place onto the fonts that
// this system has.
namespace fonts {

// The three seven-segment digit faces. "M_DegitA" is the default face.
enum class DigitFace { A, B, C };

DigitFace digitFaceByName(const QString& name); // "M_DegitA", "M_DegitB", "M_DegitC"
QString digitFaceName(DigitFace face);

// Registers the digit fonts with the application. Returns false, with a message in
// `problem`, when they are missing; the program then draws digits with a plain
// fallback face so that the board is never blank.
bool registerDigitFonts(QString* problem = nullptr);
bool digitFontsAvailable();

// Where the digit font files are looked for (changed by tests).
void setDigitFontDirectory(const QString& dir);
QString digitFontDirectory();

// A font of the digit face at the given pixel height, never hinted, so that lit
// digits land exactly on the unlit "8"s.
QFont digitFont(DigitFace face, bool bold, int pixelSize);

// The blank glyph of digit width. In these faces a space is narrower than a digit.
inline constexpr QChar kDigitBlank = QLatin1Char('!');

// Maps the Japanese font names of the designs ("ＭＳ Ｐゴシック", "ＭＳ ゴシック",
// "ＭＳ 明朝") to installed families; any other name is returned unchanged.
QString uiFamily(const QString& designName);

// A font for a design font name and point size.
QFont uiFont(const QString& designName, double pointSize, bool bold = false);

} // namespace fonts
