// The channel rules that do not need an audio device.
#include "sound/SoundRules.h"

#include <gtest/gtest.h>
#include <vector>

using sndrules::SoundDevice;

namespace {

struct ExtCase {
    const char* path;
    SoundDevice device;
};

// Short test names in CTest, which names a case after its printed value.
void PrintTo(const ExtCase& c, std::ostream* os) {
    *os << ::testing::PrintToString(std::string(c.path));
}

class SoundDeviceForFile : public ::testing::TestWithParam<ExtCase> {};

TEST_P(SoundDeviceForFile, LastThreeCharactersUpperCasedAndTrimmed) {
    EXPECT_EQ(sndrules::deviceForFile(QString::fromUtf8(GetParam().path)), GetParam().device)
        << GetParam().path;
}

INSTANTIATE_TEST_SUITE_P(
    Cases, SoundDeviceForFile,
    ::testing::Values(
        ExtCase{"/s/chime.wav", SoundDevice::WaveAudio}, ExtCase{"/s/CHIME.WAV", SoundDevice::WaveAudio},
        ExtCase{"/s/chime.Wav", SoundDevice::WaveAudio}, ExtCase{"/s/a.mp3", SoundDevice::MpegVideo},
        ExtCase{"/s/a.MP3", SoundDevice::MpegVideo}, ExtCase{"/s/a.mid", SoundDevice::Sequencer},
        ExtCase{"/s/a.MID", SoundDevice::Sequencer}, ExtCase{"/s/a.wave", SoundDevice::None},
        ExtCase{"/s/a.midi", SoundDevice::None}, ExtCase{"/s/a.ogg", SoundDevice::None},
        ExtCase{"/s/a.rmi", SoundDevice::None}, ExtCase{"", SoundDevice::None},
        ExtCase{"av", SoundDevice::None},
        // no dot is needed: only the last three characters count
        ExtCase{"/s/chimewav", SoundDevice::WaveAudio},
        // a trailing space is one of the three characters: "AV " trims to "AV"
        ExtCase{"/s/a.wav ", SoundDevice::None},
        // a space before the three letters is outside them
        ExtCase{"/s/a .mid", SoundDevice::Sequencer},
        // full-width letters are not the extension
        ExtCase{"/s/a.ｗａｖ", SoundDevice::None}));

TEST(SoundChannelNumber, OnlyTheFourChannels) {
    EXPECT_EQ(sndrules::channelNumber(QStringLiteral("S1")), 1);
    EXPECT_EQ(sndrules::channelNumber(QStringLiteral("S4")), 4);
    EXPECT_EQ(sndrules::channelNumber(QStringLiteral("s2")), 2);
    for (const char* bad : {"S0", "S5", "S", "", "S11", " S1", "S1 ", "T1", "S１"})
        EXPECT_EQ(sndrules::channelNumber(QString::fromUtf8(bad)), 0) << bad;
}

TEST(SoundContentFits, EachDeviceOpensOnlyItsOwnKind) {
    const QByteArray wave("RIFF\x24\0\0\0WAVEfmt ", 16);
    const QByteArray rmid("RIFF\x24\0\0\0RMIDdata", 16);
    const QByteArray midi("MThd\0\0\0\x06\0\0\0\x01\x01\xe0", 14);
    const QByteArray mp3("ID3\x04\0\0\0\0\0\0", 10);
    EXPECT_TRUE(sndrules::contentFits(SoundDevice::WaveAudio, wave));
    EXPECT_FALSE(sndrules::contentFits(SoundDevice::WaveAudio, midi));
    EXPECT_FALSE(sndrules::contentFits(SoundDevice::WaveAudio, rmid));
    EXPECT_FALSE(sndrules::contentFits(SoundDevice::WaveAudio, QByteArray("RIFF")));
    EXPECT_TRUE(sndrules::contentFits(SoundDevice::Sequencer, midi));
    EXPECT_TRUE(sndrules::contentFits(SoundDevice::Sequencer, rmid));
    EXPECT_FALSE(sndrules::contentFits(SoundDevice::Sequencer, wave));
    EXPECT_TRUE(sndrules::contentFits(SoundDevice::MpegVideo, mp3));
    EXPECT_TRUE(sndrules::contentFits(SoundDevice::MpegVideo, wave));
    for (SoundDevice d :
         {SoundDevice::WaveAudio, SoundDevice::MpegVideo, SoundDevice::Sequencer, SoundDevice::None})
        EXPECT_FALSE(sndrules::contentFits(d, QByteArray()));
}

TEST(SoundAudibleFrames, CutsTrailingSilenceOnly) {
    // stereo frames: sound, quiet noise, silence
    const std::vector<std::int16_t> s = {1000, -1000, 0, 30, 0, 0, 5, -5, 0, 0, 0, 0};
    EXPECT_EQ(sndrules::audibleFrames(s.data(), 6, 2, 24, 0), 2); // frame 1 has a 30 on the right
    EXPECT_EQ(sndrules::audibleFrames(s.data(), 6, 2, 30, 0), 1);
    EXPECT_EQ(sndrules::audibleFrames(s.data(), 6, 2, 24, 3), 5);
    EXPECT_EQ(sndrules::audibleFrames(s.data(), 6, 2, 24, 100), 6); // never beyond the sound
    EXPECT_EQ(sndrules::audibleFrames(s.data(), 6, 2, 1000, 3), 0); // all silent: nothing left
    EXPECT_EQ(sndrules::audibleFrames(s.data(), 0, 2, 24, 3), 0);
    EXPECT_EQ(sndrules::audibleFrames(nullptr, 6, 2, 24, 3), 0);
    const std::vector<std::int16_t> loudEnd = {0, 0, -32768, 0};
    EXPECT_EQ(sndrules::audibleFrames(loudEnd.data(), 2, 2, 24, 10), 2);
}

} // namespace
