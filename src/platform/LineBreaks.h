#pragma once

#include <QList>
#include <QString>
#include <QStringList>
#include <functional>

// Where the captions of the windows may break onto another line. Words are kept whole:
// a line breaks after spaces (ASCII or ideographic); Japanese, which has no spaces,
// breaks between phrases: after a particle (は が を に の と で も へ や) that a kanji,
// katakana, digit or letter follows, between katakana and kanji, after 、 and 。 and a
// closing bracket, and before an opening bracket. 「付け足す」 and 「(文字色)」 stay whole.
namespace linebreak {

// The positions at which a new line may start, ascending (0 < position < size).
QList<qsizetype> opportunities(const QString& text);

// The caption's lines no wider than `width` as `measure` measures a text, broken at
// the opportunities only; a piece wider than a whole line is broken between its
// characters (never before 、。 a closing bracket, a small kana or ー). The spaces at a
// break are dropped.
QStringList wrap(const QString& text, int width, const std::function<int(const QString&)>& measure);

} // namespace linebreak
