#pragma once

#include <QByteArray>
#include <QString>
#include <cstdint>

// The rules of the sound channels that do not depend on any audio library: which
// files a channel accepts, the channel names, and the trimming of a decoded sound.
namespace sndrules {

// The kind of player a file is opened with, chosen by its name alone.
enum class SoundDevice { None, WaveAudio, MpegVideo, Sequencer };

// The last three characters of the path, upper-cased and trimmed of spaces:
// "WAV" wave audio, "MP3" MPEG audio, "MID" MIDI sequencer, anything else none.
SoundDevice deviceForFile(const QString& fileName);

// "S1".."S4" (either case) give 1..4; any other name gives 0.
int channelNumber(const QString& channel);

// Whether the first bytes of a file are something the device can open: wave audio
// takes only RIFF WAVE files, the sequencer only standard MIDI files (plain or in a
// RIFF RMID wrapper); the MPEG player takes whatever the decoder understands.
bool contentFits(SoundDevice device, const QByteArray& head);

// The number of frames up to and including the last frame in which any sample's
// magnitude exceeds `threshold`, plus `marginFrames` (never more than `frames`).
// Interleaved signed 16-bit samples, `channels` per frame.
std::int64_t audibleFrames(const std::int16_t* samples, std::int64_t frames, int channels, int threshold,
                           std::int64_t marginFrames);

} // namespace sndrules
