// The four sound channels on SDL's dummy driver, which plays at real-time speed
// without a sound card.
#include "SoundFixtures.h"
#include "platform/BlockingWait.h"
#include "sound/AudioMixer.h"
#include "sound/mdlSndAPI.h"

#include <QDir>
#include <QElapsedTimer>
#include <QFileInfo>
#include <QTemporaryDir>
#include <QTimer>
#include <gtest/gtest.h>

namespace {

using mdlSndAPI::PlaySnd;

class SndApi : public ::testing::Test {
protected:
    static void SetUpTestSuite() {
        fixtures::useDummyAudio();
        dir = new QTemporaryDir;
        ASSERT_TRUE(dir->isValid());
        const auto wav = [](const char* name, int ms) {
            ASSERT_TRUE(fixtures::writeFile(path(name), fixtures::toneWav(ms, 440, 0.5, 0.5)));
        };
        wav("long.wav", 3000);
        wav("long2.wav", 2500);
        wav("short.wav", 400);
        wav("tiny.wav", 50);
        wav("chimewav", 200);
        wav("a.wave", 200);
        wav("a.midi", 200);
        ASSERT_TRUE(fixtures::writeFile(path("note.mid"), fixtures::oneNoteMidi(300)));
        ASSERT_TRUE(fixtures::writeFile(path("empty.wav"), QByteArray()));
        ASSERT_TRUE(
            fixtures::writeFile(path("corrupt.wav"), QByteArray("RIFF\x10\0\0\0WAVEjunkjunkjunk", 24)));
        ASSERT_TRUE(fixtures::writeFile(path("corrupt.mp3"), QByteArray(300, '\x55')));
        ASSERT_TRUE(fixtures::writeFile(path("corrupt.mid"), QByteArray("MThd\0\0\0\x06\0\0\xff\xff", 12)));
        ASSERT_TRUE(fixtures::writeFile(path("midi-as.wav"), fixtures::oneNoteMidi(300)));
        ASSERT_TRUE(fixtures::writeFile(path("wave-as.mid"), fixtures::toneWav(300, 440, 0.5, 0.5)));
        // a header that promises two seconds over 0.1 s of samples
        QByteArray truncated = fixtures::toneWav(2000, 440, 0.5, 0.5);
        truncated.truncate(44 + 17640);
        ASSERT_TRUE(fixtures::writeFile(path("truncated.wav"), truncated));
        ASSERT_TRUE(QDir(dir->path()).mkpath(QStringLiteral("folder.wav")));
        ASSERT_TRUE(QDir(dir->path()).mkpath(QStringLiteral("with space")));
        ASSERT_TRUE(fixtures::writeFile(path("with space/a \"quoted\" name's.wav"),
                                        fixtures::toneWav(300, 440, 0.5, 0.5)));
    }
    static void TearDownTestSuite() {
        mdlSndAPI::CloseAllSnd();
        delete dir;
        dir = nullptr;
    }
    void SetUp() override {
        mdlSndAPI::setRecording(true);
        mdlSndAPI::setFast(false);
        blocking::setSkipWaits(false);
    }
    void TearDown() override {
        mdlSndAPI::CloseAllSnd();
        mdlSndAPI::setFast(false);
        mdlSndAPI::setRecording(false);
    }

    static QString path(const char* name) { return dir->filePath(QString::fromUtf8(name)); }
    static AudioMixer& mixer() { return AudioMixer::instance(); }
    // Mixer channel of "S1".."S4"
    static bool playing(int soundChannel) { return mixer().isPlaying(soundChannel - 1); }

    static QTemporaryDir* dir;
};

QTemporaryDir* SndApi::dir = nullptr;

qint64 timedPlay(const QString& file, const char* channel, qint16 waitEnd, qint16 waitMs) {
    QElapsedTimer t;
    t.start();
    PlaySnd(file, QString::fromLatin1(channel), waitEnd, waitMs);
    return t.elapsed();
}

TEST_F(SndApi, RunsOnTheDummyDriverWithoutASoundCard) {
    PlaySnd(path("tiny.wav"), QStringLiteral("S1"), 0, 0);
    EXPECT_EQ(mixer().driverName(), QStringLiteral("dummy"));
}

TEST_F(SndApi, EmptyOrMissingFileLeavesTheChannelAlone) {
    PlaySnd(path("long.wav"), QStringLiteral("S1"), 0, 0);
    ASSERT_TRUE(playing(1));
    PlaySnd(QString(), QStringLiteral("S1"), 0, 0);
    PlaySnd(path("missing.wav"), QStringLiteral("S1"), -1, 0);
    PlaySnd(path("folder.wav"), QStringLiteral("S1"), 0, 0);
    EXPECT_TRUE(playing(1));
    const auto recorded = mdlSndAPI::takeRecorded();
    ASSERT_EQ(recorded.size(), 4);
    EXPECT_TRUE(recorded[0].played);
    EXPECT_EQ(recorded[1].file, QString());
    EXPECT_FALSE(recorded[1].played);
    EXPECT_EQ(recorded[2].file, path("missing.wav"));
    EXPECT_TRUE(recorded[2].wait);
    EXPECT_FALSE(recorded[2].played);
    EXPECT_FALSE(recorded[3].played);
}

TEST_F(SndApi, UnacceptedNameIsNotPlayedButClosesTheChannel) {
    for (const char* name : {"a.wave", "a.midi", "midi-as.wav", "wave-as.mid", "empty.wav", "corrupt.wav",
                             "corrupt.mp3", "corrupt.mid"}) {
        SCOPED_TRACE(name);
        PlaySnd(path("long.wav"), QStringLiteral("S2"), 0, 0);
        ASSERT_TRUE(playing(2));
        PlaySnd(path(name), QStringLiteral("S2"), -1, 0);
        EXPECT_FALSE(playing(2));
        const auto recorded = mdlSndAPI::takeRecorded();
        ASSERT_EQ(recorded.size(), 2);
        EXPECT_EQ(recorded[1].channel, QStringLiteral("S2"));
        EXPECT_FALSE(recorded[1].played);
    }
}

TEST_F(SndApi, NameWithoutADotButEndingInWavPlays) {
    PlaySnd(path("chimewav"), QStringLiteral("S1"), 0, 0);
    EXPECT_TRUE(playing(1));
}

TEST_F(SndApi, PathWithSpacesAndQuotesPlays) {
    const QString file = path("with space/a \"quoted\" name's.wav");
    const qint64 ms = timedPlay(file, "S1", -1, 0);
    EXPECT_GE(ms, 280);
    const auto recorded = mdlSndAPI::takeRecorded();
    ASSERT_EQ(recorded.size(), 1);
    EXPECT_TRUE(recorded[0].played);
    EXPECT_EQ(recorded[0].file, file);
}

TEST_F(SndApi, TruncatedWavePlaysWhatItHas) {
    const qint64 ms = timedPlay(path("truncated.wav"), "S1", -1, 0);
    EXPECT_LT(ms, 1000);
}

TEST_F(SndApi, UnknownChannelPlaysNothing) {
    PlaySnd(path("short.wav"), QStringLiteral("S5"), 0, 0);
    PlaySnd(path("short.wav"), QStringLiteral("BoardS1"), 0, 0);
    for (int c = 1; c <= 4; ++c)
        EXPECT_FALSE(playing(c));
    const auto recorded = mdlSndAPI::takeRecorded();
    ASSERT_EQ(recorded.size(), 2);
    EXPECT_FALSE(recorded[0].played);
    EXPECT_EQ(recorded[0].channel, QStringLiteral("S5"));
}

TEST_F(SndApi, NewSoundReplacesTheOldOnItsChannelOnly) {
    PlaySnd(path("long.wav"), QStringLiteral("S1"), 0, 0);
    PlaySnd(path("long2.wav"), QStringLiteral("S2"), 0, 0);
    blocking::wait(200);
    PlaySnd(path("short.wav"), QStringLiteral("S1"), 0, 0);
    EXPECT_EQ(mixer().lengthMs(0), 400);
    EXPECT_EQ(mixer().lengthMs(1), 2500);
    EXPECT_TRUE(playing(1));
    EXPECT_TRUE(playing(2));
    blocking::wait(600);
    EXPECT_FALSE(playing(1)) << "the short sound ended; the long one it replaced does not come back";
    EXPECT_TRUE(playing(2));
}

TEST_F(SndApi, BlockingPlayReturnsAfterTheSoundAndThePause) {
    qint64 ms = timedPlay(path("short.wav"), "S1", -1, 0);
    EXPECT_GE(ms, 390);
    EXPECT_LT(ms, 550);
    EXPECT_FALSE(playing(1));
    ms = timedPlay(path("short.wav"), "S1", 1, 300);
    EXPECT_GE(ms, 690);
    EXPECT_LT(ms, 900);
    // a negative pause does not wait
    ms = timedPlay(path("short.wav"), "S1", 1, -1);
    EXPECT_LT(ms, 550);
}

TEST_F(SndApi, NonBlockingPlayReturnsAtOnceAndPlaysOn) {
    const qint64 ms = timedPlay(path("short.wav"), "S3", 0, 5000);
    EXPECT_LT(ms, 150);
    EXPECT_TRUE(playing(3));
}

TEST_F(SndApi, TimersRunWhileABlockingPlayWaits) {
    int ticks = 0;
    QTimer timer;
    QObject::connect(&timer, &QTimer::timeout, [&]() { ++ticks; });
    timer.start(50);
    PlaySnd(path("short.wav"), QStringLiteral("S1"), -1, 0);
    EXPECT_GE(ticks, 5);
}

TEST_F(SndApi, SoundsStartedDuringAWaitAreRecordedInOrder) {
    QTimer::singleShot(100, [&]() { PlaySnd(path("tiny.wav"), QStringLiteral("S2"), 0, 0); });
    PlaySnd(path("short.wav"), QStringLiteral("S1"), -1, 0);
    const auto recorded = mdlSndAPI::takeRecorded();
    ASSERT_EQ(recorded.size(), 2);
    EXPECT_EQ(recorded[0].channel, QStringLiteral("S1"));
    EXPECT_TRUE(recorded[0].wait);
    EXPECT_TRUE(recorded[0].played);
    EXPECT_EQ(recorded[1].channel, QStringLiteral("S2"));
    EXPECT_FALSE(recorded[1].wait);
    EXPECT_TRUE(recorded[1].played);
}

TEST_F(SndApi, WaitEndsWhenTheSoundIsReplacedMeanwhile) {
    QTimer::singleShot(300, [&]() { PlaySnd(path("tiny.wav"), QStringLiteral("S1"), 0, 0); });
    const qint64 ms = timedPlay(path("long.wav"), "S1", -1, 0);
    EXPECT_GE(ms, 280);
    EXPECT_LT(ms, 1000);
}

TEST_F(SndApi, FastModeSkipsTheWaitButStillPlays) {
    mdlSndAPI::setFast(true);
    const qint64 ms = timedPlay(path("short.wav"), "S2", -1, 3000);
    EXPECT_LT(ms, 150);
    EXPECT_TRUE(playing(2));
    const auto recorded = mdlSndAPI::takeRecorded();
    ASSERT_EQ(recorded.size(), 1);
    EXPECT_TRUE(recorded[0].wait);
    EXPECT_TRUE(recorded[0].played);
}

TEST_F(SndApi, SkippedBlockingWaitsSkipSoundWaitsToo) {
    blocking::setSkipWaits(true);
    const qint64 ms = timedPlay(path("short.wav"), "S2", -1, 3000);
    blocking::setSkipWaits(false);
    EXPECT_LT(ms, 150);
}

TEST_F(SndApi, MidiPlaysWithoutItsTrailingSilence) {
    const qint64 ms = timedPlay(path("note.mid"), "S4", -1, 0);
    EXPECT_GE(ms, 250);
    EXPECT_LT(ms, 1500) << "the synthesiser's padding after the song was not cut";
    EXPECT_TRUE(mdlSndAPI::takeRecorded().value(0).played);
}

TEST_F(SndApi, Mp3Plays) {
    const QString wav = path("for-mp3.wav");
    const QString mp3 = path("tone.mp3");
    ASSERT_TRUE(fixtures::writeFile(wav, fixtures::toneWav(500, 660, 0.5, 0.5)));
    if (!fixtures::encodeMp3(wav, mp3))
        GTEST_SKIP() << "lame is not installed";
    const qint64 ms = timedPlay(mp3, "S3", -1, 0);
    EXPECT_GE(ms, 480);
    EXPECT_LT(ms, 800);
    EXPECT_TRUE(mdlSndAPI::takeRecorded().value(0).played);
}

// Long sounds are streamed from their files; here "long" is anything above one second,
// so that the channel rules can be checked on sounds of a few seconds.
class LongSound : public SndApi {
protected:
    void SetUp() override {
        SndApi::SetUp();
        mixer().setLongSoundSeconds(1.0);
    }
    void TearDown() override {
        SndApi::TearDown();
        mixer().setLongSoundSeconds(AudioMixer::kLongSoundSeconds);
    }
};

TEST_F(LongSound, StreamedSoundKeepsTheChannelRules) {
    // It starts at once and plays on beside the other channels.
    EXPECT_LT(timedPlay(path("long.wav"), "S1", 0, 0), 150);
    EXPECT_TRUE(mixer().isStreamed(0));
    EXPECT_EQ(mixer().lengthMs(0), 3000);
    PlaySnd(path("short.wav"), QStringLiteral("S2"), 0, 0);
    EXPECT_FALSE(mixer().isStreamed(1)) << "a short sound is decoded whole";
    EXPECT_TRUE(playing(1));
    EXPECT_TRUE(playing(2));
    // The next sound of its channel cuts it.
    PlaySnd(path("tiny.wav"), QStringLiteral("S1"), 0, 0);
    EXPECT_FALSE(mixer().isStreamed(0));
    blocking::wait(300);
    EXPECT_FALSE(playing(1));
    // Played to its end: the wait lasts the sound and ends when the sound does.
    const qint64 ms = timedPlay(path("long2.wav"), "S3", -1, 0);
    EXPECT_GE(ms, 2450);
    EXPECT_LT(ms, 3300);
    EXPECT_FALSE(playing(3));
    // A wait ends when the sound is replaced meanwhile.
    QTimer::singleShot(300, [&]() { PlaySnd(path("tiny.wav"), QStringLiteral("S4"), 0, 0); });
    const qint64 cut = timedPlay(path("long.wav"), "S4", -1, 0);
    EXPECT_GE(cut, 280);
    EXPECT_LT(cut, 1000);
}

TEST_F(LongSound, TwoStreamedSoundsShareTheOneStream) {
    PlaySnd(path("long.wav"), QStringLiteral("S1"), 0, 0);
    PlaySnd(path("long2.wav"), QStringLiteral("S2"), 0, 0);
    EXPECT_TRUE(mixer().isStreamed(1));
    EXPECT_FALSE(playing(1)) << "the newer long sound took the stream";
    EXPECT_TRUE(playing(2));
}

TEST_F(SndApi, CloseAllSndStopsTheFourChannels) {
    for (const char* c : {"S1", "S2", "S3", "S4"})
        PlaySnd(path("long.wav"), QString::fromLatin1(c), 0, 0);
    for (int c = 1; c <= 4; ++c)
        ASSERT_TRUE(playing(c));
    mdlSndAPI::CloseAllSnd();
    for (int c = 1; c <= 4; ++c)
        EXPECT_FALSE(playing(c));
    EXPECT_EQ(mixer().lengthMs(0), 0);
}

TEST_F(SndApi, NotRecordingKeepsNothing) {
    mdlSndAPI::setRecording(false);
    PlaySnd(path("tiny.wav"), QStringLiteral("S1"), 0, 0);
    mdlSndAPI::setRecording(true);
    EXPECT_TRUE(mdlSndAPI::takeRecorded().isEmpty());
}

// A sound decoded ahead (a prepared chime) is handed to the channel instead of its file.
TEST_F(SndApi, SoundDecodedAheadIsPlayedFromMemory) {
    AudioMixer& mixer = AudioMixer::instance();
    ASSERT_TRUE(mixer.ensureOpen());
    const QByteArray ahead = AudioMixer::decodeWav(fixtures::toneWav(1000, 440, 0.5, 0.5), mixer.frequency());
    EXPECT_EQ(ahead.size(), qsizetype(mixer.frequency()) * 4) << "one second, 16-bit stereo";
    EXPECT_TRUE(AudioMixer::decodeWav("RIFF junk", mixer.frequency()).isEmpty());
    QStringList asked;
    {
        QObject owner;
        mixer.setDecodedSource(&owner, [&](const QString& p) {
            asked << QFileInfo(p).fileName();
            return p.endsWith(QLatin1String("short.wav")) ? ahead : QByteArray();
        });
        PlaySnd(path("short.wav"), QStringLiteral("S1"), 0, 0);
        EXPECT_EQ(mixer.lengthMs(0), 1000) << "the samples handed over, not the file's 400 ms";
        PlaySnd(path("long.wav"), QStringLiteral("S1"), 0, 0);
        EXPECT_EQ(mixer.lengthMs(0), 3000) << "nothing handed over: the file";
        PlaySnd(path("note.mid"), QStringLiteral("S1"), 0, 0);
        EXPECT_EQ(asked, (QStringList{"short.wav", "long.wav"})) << "a MIDI file is never asked for";
    }
    PlaySnd(path("short.wav"), QStringLiteral("S1"), 0, 0);
    EXPECT_EQ(mixer.lengthMs(0), 400) << "the source went with its owner";
    mdlSndAPI::CloseAllSnd();
}

} // namespace
