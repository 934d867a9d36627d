#pragma once

#include <QByteArray>
#include <QString>
#include <QStringList>

// How an announcement is cut into pieces that are synthesised and played one after
// the other, so that the first words sound while the rest is still being synthesised.
namespace speech {

// Splits a text into sentences. A sentence ends after 。！？． or ! ? (a '.' only where
// it does not stand between two digits, as in 1.5) together with the end marks and
// closing brackets or quotes that follow it, and at every line break. Each sentence is
// trimmed; a sentence without a letter or digit (nothing to speak) is left out.
QStringList splitSentences(const QString& text);

// The pieces an announcement is spoken in: its sentences, where the first sentence is
// cut after its first comma (、，,) so that the first sound comes quickly, and a
// sentence longer than `maxChars` is cut at its commas into pieces of at most
// `maxChars` characters where the commas allow. Pieces without anything to speak are
// joined to the piece before them.
QStringList speechPieces(const QString& text, int maxChars = 30);

// True when the text has a letter or a digit: something a synthesiser speaks.
bool hasWords(const QString& text);

// A 16-bit PCM WAV file with the silence before its first and after its last audible
// sample cut down to `keepLeadMs` and `keepTailMs`. A frame is audible when one of its
// samples exceeds `threshold` in magnitude. The result is a canonical WAV file (44-byte
// header); it holds no samples when nothing was audible, and is empty when the input
// is not a 16-bit PCM WAV file.
QByteArray trimWavSilence(const QByteArray& wav, int keepLeadMs, int keepTailMs, int threshold = 100);

} // namespace speech
