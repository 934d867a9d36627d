#include "sound/SoundRules.h"

#include <cstdlib>

namespace sndrules {

SoundDevice deviceForFile(const QString& fileName) {
    const QString ext = fileName.right(3).toUpper().trimmed();
    if (ext == QLatin1String("WAV"))
        return SoundDevice::WaveAudio;
    if (ext == QLatin1String("MP3"))
        return SoundDevice::MpegVideo;
    if (ext == QLatin1String("MID"))
        return SoundDevice::Sequencer;
    return SoundDevice::None;
}

int channelNumber(const QString& channel) {
    if (channel.size() != 2 || channel[0].toUpper() != QLatin1Char('S'))
        return 0;
    const int n = channel[1].digitValue();
    return (n >= 1 && n <= 4 && channel[1].unicode() < 0x80) ? n : 0;
}

bool contentFits(SoundDevice device, const QByteArray& head) {
    const bool riff = head.size() >= 12 && head.startsWith("RIFF");
    switch (device) {
    case SoundDevice::WaveAudio:
        return riff && head.mid(8, 4) == "WAVE";
    case SoundDevice::Sequencer:
        return head.startsWith("MThd") || (riff && head.mid(8, 4) == "RMID");
    case SoundDevice::MpegVideo:
        return !head.isEmpty();
    case SoundDevice::None:
        break;
    }
    return false;
}

std::int64_t audibleFrames(const std::int16_t* samples, std::int64_t frames, int channels, int threshold,
                           std::int64_t marginFrames) {
    if (!samples || frames <= 0 || channels <= 0)
        return 0;
    std::int64_t last = -1;
    for (std::int64_t f = frames - 1; f >= 0 && last < 0; --f) {
        const std::int16_t* frame = samples + f * channels;
        for (int c = 0; c < channels; ++c) {
            if (std::abs(static_cast<int>(frame[c])) > threshold) {
                last = f;
                break;
            }
        }
    }
    const std::int64_t keep = last + 1 + (last >= 0 ? marginFrames : 0);
    return keep > frames ? frames : keep;
}

} // namespace sndrules
