#pragma once

#include <QByteArray>
#include <QString>

// Small sound files made on the spot for the sound tests.
namespace fixtures {

// A 16-bit stereo PCM WAV file: a sine tone of `ms` milliseconds at `hz`, with its own
// amplitude (0..1) on the left and the right channel.
QByteArray toneWav(int ms, double hz, double left, double right, int rate = 44100);
// A standard MIDI file with one note (A4, organ) held for `ms` milliseconds.
QByteArray oneNoteMidi(int ms);

bool writeFile(const QString& path, const QByteArray& bytes);
// Encodes a WAV file to MP3 with lame; false when lame is missing or fails.
bool encodeMp3(const QString& wavPath, const QString& mp3Path);

// Makes the tests that run without a sound card use SDL's dummy driver.
void useDummyAudio();

} // namespace fixtures
