// Speech by Open JTalk (played on the dummy audio driver), the voice settings file and
// the voice dialog.
#include "RunUntil.h"

#include "SoundFixtures.h"
#include "sound/AudioMixer.h"
#include "sound/SpeechEngine.h"
#include "sound/SpeechText.h"
#include "sound/VoiceSettings.h"
#include "sound/mdlM_Tape.h"

#include <QDeadlineTimer>
#include <QElapsedTimer>
#include <QEventLoop>
#include <QFile>
#include <QTemporaryDir>
#include <QTimer>
#include <algorithm>
#include <functional>
#include <gtest/gtest.h>
#include <map>
#include <memory>
#include <numeric>
#include <vector>

namespace {

struct ParseCase {
    const char* text;
    VoiceSettings expected;
};

VoiceSettings voice(double speed, double pitch, double volume, double tone) {
    VoiceSettings v;
    v.speed = speed;
    v.pitch = pitch;
    v.volume = volume;
    v.tone = tone;
    return v;
}

// Short test names in CTest, which names a case after its printed value.
void PrintTo(const ParseCase& c, std::ostream* os) {
    *os << ::testing::PrintToString(std::string(c.text));
}

class VoiceSettingsParse : public ::testing::TestWithParam<ParseCase> {};

TEST_P(VoiceSettingsParse, ReadsClampsAndIgnores) {
    const VoiceSettings v = VoiceSettings::parse(GetParam().text);
    EXPECT_DOUBLE_EQ(v.speed, GetParam().expected.speed) << GetParam().text;
    EXPECT_DOUBLE_EQ(v.pitch, GetParam().expected.pitch) << GetParam().text;
    EXPECT_DOUBLE_EQ(v.volume, GetParam().expected.volume) << GetParam().text;
    EXPECT_DOUBLE_EQ(v.tone, GetParam().expected.tone) << GetParam().text;
}

INSTANTIATE_TEST_SUITE_P(
    Cases, VoiceSettingsParse,
    ::testing::Values(ParseCase{"", voice(1.0, 0, 0, 0.55)},
                      ParseCase{"speed=1.5\npitch=-3\nvolume=2.5\ntone=0.4\n", voice(1.5, -3, 2.5, 0.4)},
                      ParseCase{"  speed = 0.75 \r\n# pitch=5\n", voice(0.75, 0, 0, 0.55)},
                      ParseCase{"speed=0\npitch=99\nvolume=-100\ntone=1\n", voice(0.5, 12, -20, 0.8)},
                      ParseCase{"speed=fast\npitch=\nvolume=nan\ntone=inf\n", voice(1.0, 0, 0, 0.55)},
                      ParseCase{"colour=red\n=3\nspeed\nspeed=2,0\n", voice(1.0, 0, 0, 0.55)},
                      ParseCase{"speed=1.2\nspeed=1.8\n", voice(1.8, 0, 0, 0.55)}));

TEST(VoiceSettingsFile, FormatParsesBackToTheSameValues) {
    const VoiceSettings v = voice(1.25, -7, 3.5, 0.33);
    EXPECT_EQ(VoiceSettings::parse(v.format()), v);
}

TEST(VoiceSettingsFile, SynthesiserOptionsAreClamped) {
    EXPECT_EQ(voice(0.0, 20, -30, 0.1).synthesisArguments(),
              (QStringList{"-r", "0.5", "-fm", "12", "-g", "-20", "-a", "0.3"}))
        << "a speed of 0 would make the synthesiser fail";
    EXPECT_EQ(VoiceSettings{}.synthesisArguments(),
              (QStringList{"-r", "1", "-fm", "0", "-g", "0", "-a", "0.55"}));
}

TEST(VoiceSettingsFile, SavedIntoTheConfigurationFolder) {
    QTemporaryDir home;
    const QByteArray oldConfig = qgetenv("XDG_CONFIG_HOME");
    qputenv("XDG_CONFIG_HOME", home.path().toUtf8());
    const QString path = VoiceSettings::filePath();
    EXPECT_EQ(path, home.path() + QStringLiteral("/corvane/voice.conf"));
    qputenv("XDG_CONFIG_HOME", "relative/dir");
    EXPECT_TRUE(VoiceSettings::filePath().endsWith(QStringLiteral("/.config/corvane/voice.conf")));
    EXPECT_TRUE(VoiceSettings::filePath().startsWith(QLatin1Char('/')));
    qputenv("XDG_CONFIG_HOME", oldConfig);

    EXPECT_EQ(VoiceSettings::load(path), VoiceSettings{}) << "a missing file gives the standard voice";
    const VoiceSettings v = voice(1.5, 2, -4, 0.6);
    ASSERT_TRUE(v.save(path)) << "the folder is made when missing";
    EXPECT_EQ(VoiceSettings::load(path), v);
    EXPECT_FALSE(v.save(home.path() + QStringLiteral("/corvane/voice.conf/inside")));
    EXPECT_EQ(VoiceSettings::load(path), v) << "a failed save leaves the old file whole";
}

class OpenJTalk : public ::testing::Test {
protected:
    static void SetUpTestSuite() {
        fixtures::useDummyAudio();
        config = new QTemporaryDir;
        qputenv("XDG_CONFIG_HOME", config->path().toUtf8());
    }
    static void TearDownTestSuite() {
        delete config;
        config = nullptr;
    }
    void SetUp() override {
        setup = OpenJTalkSetup::find();
        if (!setup.available())
            GTEST_SKIP() << "Open JTalk, its dictionary or a voice is not installed";
        engine.reset(OpenJTalkEngine::create(setup));
        ASSERT_NE(engine, nullptr);
        speech::setRecording(true);
        speech::takeSpoken();
    }
    void TearDown() override {
        engine.reset();
        speech::setRecording(false);
    }

    static AudioMixer& mixer() { return AudioMixer::instance(); }
    static bool speechPlaying() { return mixer().isPlaying(AudioMixer::kSpeechChannel); }
    // Speaks and waits until the whole text has been heard; returns how long it sounded
    // in ms (0 when it never sounded).
    qint64 speakAndMeasure(const QString& text) {
        bool started = false, finished = false;
        QElapsedTimer heard;
        auto onStart = QObject::connect(engine.get(), &OpenJTalkEngine::pieceStarted, [&](int, int) {
            if (!started)
                heard.start();
            started = true;
        });
        engine->speak(text); // (ends what was spoken before: that ending is not waited for)
        auto onEnd =
            QObject::connect(engine.get(), &SpeechEngine::speakingFinished, [&]() { finished = true; });
        const bool ended = runUntil([&] { return finished; }, 30000);
        QObject::disconnect(onStart);
        QObject::disconnect(onEnd);
        return ended && started ? heard.elapsed() : 0;
    }

    static QTemporaryDir* config;
    OpenJTalkSetup setup;
    std::unique_ptr<OpenJTalkEngine> engine;
};

QTemporaryDir* OpenJTalk::config = nullptr;

TEST_F(OpenJTalk, SpeaksAsynchronouslyOnTheSpeechChannel) {
    bool finished = false;
    QObject::connect(engine.get(), &SpeechEngine::speakingFinished, [&]() { finished = true; });
    engine->speak(QStringLiteral("次は、市役所前です。"));
    EXPECT_TRUE(engine->isSpeaking()) << "speak returns while the text is still being synthesised";
    EXPECT_EQ(engine->status(), 0);
    ASSERT_TRUE(runUntil([] { return speechPlaying(); }, 10000));
    EXPECT_GT(mixer().lengthMs(AudioMixer::kSpeechChannel), 300);
    EXPECT_FALSE(finished);
    ASSERT_TRUE(runUntil([&] { return finished; }, 10000));
    EXPECT_FALSE(engine->isSpeaking());
    EXPECT_EQ(speech::takeSpoken(), QStringList{"次は、市役所前です。"}) << "recorded once, whole";
}

TEST_F(OpenJTalk, StopEndsSpeechAtOnce) {
    int finished = 0;
    QObject::connect(engine.get(), &SpeechEngine::speakingFinished, [&]() { ++finished; });
    engine->speak(QStringLiteral("次は、市役所前です。お降りの方はお知らせください。"));
    ASSERT_TRUE(runUntil([] { return speechPlaying(); }, 10000));
    engine->stop();
    EXPECT_FALSE(engine->isSpeaking());
    EXPECT_FALSE(speechPlaying());
    EXPECT_EQ(finished, 1);
    EXPECT_FALSE(runUntil([] { return speechPlaying(); }, 1500)) << "a later piece was still played";
    EXPECT_EQ(finished, 1);
}

// The pieces of a long announcement: when each was synthesised and started (ms after
// speak was called), and how long each sounds.
struct PieceTimes {
    std::map<int, qint64> synthesised, started;
    std::map<int, qint64> lengthMs;
    qint64 finished = -1;
};

// The order of events only: how soon speech starts and how short the gaps between
// pieces are is measured by bench/sound/bench_speech_start, not here.
TEST_F(OpenJTalk, LongTextSoundsBeforeItIsSynthesisedAndPiecesFollowInOrder) {
    const QString text =
        QStringLiteral("毎度ご乗車ありがとうございます。このバスは、市役所前、中央病院前経由、"
                       "駅前行きです。次は、市役所前です。お降りの方はお知らせください。");
    constexpr qint64 kEndSlackMs = 100;
    PieceTimes t;
    QElapsedTimer clock;
    QObject::connect(engine.get(), &OpenJTalkEngine::pieceSynthesised,
                     [&](int index, int) { t.synthesised[index] = clock.elapsed(); });
    QObject::connect(engine.get(), &OpenJTalkEngine::pieceStarted, [&](int index, int) {
        t.started[index] = clock.elapsed();
        t.lengthMs[index] = mixer().lengthMs(AudioMixer::kSpeechChannel);
    });
    QObject::connect(engine.get(), &SpeechEngine::speakingFinished, [&]() { t.finished = clock.elapsed(); });
    clock.start();
    engine->speak(text);
    ASSERT_TRUE(runUntil([&] { return t.finished >= 0; }, 60000));

    const int count = int(speech::speechPieces(text).size());
    ASSERT_GE(count, 4);
    ASSERT_EQ(int(t.started.size()), count) << "every piece was played";
    EXPECT_LT(t.started[0], t.synthesised[count - 1]) << "the first piece sounded before the last was made";
    for (int k = 1; k < count; ++k) {
        // The mixer reports a sound's end when its last samples are handed to the device,
        // a little before they are heard; a cut piece would be short by far more.
        EXPECT_GE(t.started[k], t.started[k - 1] + t.lengthMs[k - 1] - kEndSlackMs)
            << "piece " << k << " cut the one before";
        EXPECT_GE(t.started[k], t.synthesised[k]) << "piece " << k << " played before it was made";
    }
    EXPECT_GE(t.finished, t.started[count - 1]);
    EXPECT_EQ(speech::takeSpoken(), QStringList{text});
}

TEST_F(OpenJTalk, StopDuringSynthesisKeepsTheTextFromBeingHeard) {
    engine->speak(QStringLiteral("終点です。"));
    engine->stop();
    EXPECT_FALSE(engine->isSpeaking());
    EXPECT_FALSE(runUntil([] { return speechPlaying(); }, 1500));
}

TEST_F(OpenJTalk, NewTextReplacesTheOneBeingSpoken) {
    engine->speak(QStringLiteral("一つ目の放送です。"));
    const qint64 second = speakAndMeasure(QStringLiteral("あ"));
    EXPECT_GT(second, 0);
    EXPECT_LT(second, 1500) << "only the short second text is heard";
    EXPECT_EQ(speech::takeSpoken(), (QStringList{"一つ目の放送です。", "あ"}));
}

TEST_F(OpenJTalk, TextWithoutWordsGivesNoSound) {
    for (const char* text : {"", "   ", "、。", "\r\n"}) {
        bool finished = false;
        auto c = QObject::connect(engine.get(), &SpeechEngine::speakingFinished, [&]() { finished = true; });
        engine->speak(QString::fromUtf8(text));
        EXPECT_TRUE(runUntil([&] { return finished; }, 10000)) << text;
        EXPECT_FALSE(speechPlaying()) << text;
        EXPECT_EQ(engine->status(), 0) << text;
        QObject::disconnect(c);
    }
}

TEST_F(OpenJTalk, EveryLineOfATextIsSpoken) {
    const qint64 one = speakAndMeasure(QStringLiteral("次は、市役所前です。"));
    const qint64 two = speakAndMeasure(QStringLiteral("次は、市役所前です。\r\n次は、市役所前です。"));
    ASSERT_GT(one, 0);
    EXPECT_GT(two, one * 3 / 2);
}

TEST_F(OpenJTalk, SynthesiserThatFailsReportsMinusOne) {
    QTemporaryDir dir;
    const QString program = dir.filePath(QStringLiteral("open_jtalk"));
    ASSERT_TRUE(fixtures::writeFile(program, "#!/bin/sh\nexit 0\n"));
    QFile::setPermissions(program, QFile::ReadOwner | QFile::WriteOwner | QFile::ExeOwner);
    OpenJTalkSetup broken = setup;
    broken.program = program;
    for (const bool removed : {false, true}) {
        // a synthesiser that writes nothing, and one that is no longer there
        std::unique_ptr<OpenJTalkEngine> e(OpenJTalkEngine::create(broken));
        ASSERT_NE(e, nullptr);
        if (removed)
            QFile::remove(program);
        e->speak(QStringLiteral("次は、市役所前です。"));
        EXPECT_TRUE(runUntil([&] { return !e->isSpeaking(); }, 5000)) << removed;
        EXPECT_EQ(e->status(), -1) << removed;
    }
}

TEST_F(OpenJTalk, MissingPartsMeanNoSpeech) {
    for (int missing = 0; missing < 3; ++missing) {
        OpenJTalkSetup s = setup;
        (missing == 0 ? s.program : missing == 1 ? s.dictionary : s.voice) += QStringLiteral(".missing");
        EXPECT_FALSE(s.available()) << missing;
        EXPECT_EQ(OpenJTalkEngine::create(s), nullptr) << missing;
    }
}

TEST_F(OpenJTalk, TapeWithoutASynthesiserIsCaptionedUnavailable) {
    QString caption;
    bool enabled = true;
    mdlM_Tape::setTapeFrame(mdlM_Tape::TapeFrame{[&](const QString& c) { caption = c; },
                                                 [&](mdlM_Tape::TapeControl, bool on) { enabled = on; },
                                                 {}});
    OpenJTalkSetup noVoice = setup;
    noVoice.voice.clear();
    mdlM_Tape::setSpeechFactory([noVoice]() -> SpeechEngine* { return OpenJTalkEngine::create(noVoice); });
    mdlM_Tape::InitTape();
    EXPECT_EQ(caption, QStringLiteral("音合使用不可"));
    EXPECT_FALSE(enabled);
    EXPECT_FALSE(mdlM_Tape::SpeechReady());

    mdlM_Tape::setSpeechFactory({}); // the installed synthesiser
    mdlM_Tape::InitTape();
    EXPECT_EQ(caption, QStringLiteral("音合使用可"));
    EXPECT_TRUE(enabled);
    EXPECT_TRUE(mdlM_Tape::SpeechReady());
    mdlM_Tape::ReleaseTape();
    mdlM_Tape::setTapeFrame({});
}

TEST_F(OpenJTalk, SlowerVoiceSpeaksLonger) {
    engine->setVoice(voice(1.0, 0, 0, 0.55));
    const qint64 normal = speakAndMeasure(QStringLiteral("次は、市役所前です。"));
    engine->setVoice(voice(0.5, 0, 0, 0.55));
    const qint64 slow = speakAndMeasure(QStringLiteral("次は、市役所前です。"));
    ASSERT_GT(normal, 0);
    // (the synthesiser slows the pauses more than the words; the pauses kept between
    // pieces grow with them)
    EXPECT_GT(slow, normal * 5 / 4);
}

// ---- Announcements prepared ahead ------------------------------------------------

class OpenJTalkPrepared : public OpenJTalk {
protected:
    // Asks for the announcement and waits until it is ready in memory.
    bool prepareWhole(const UpcomingAnnouncement& a) {
        engine->prepare({a});
        return runUntil([&] { return engine->readiness(a) == OpenJTalkEngine::Readiness::Whole; }, 30000);
    }
    const UpcomingAnnouncement next{QStringLiteral("次は、市役所前です。"), QString()};
};

TEST_F(OpenJTalkPrepared, PreparedAnnouncementPlaysFromMemoryAtOnce) {
    QTemporaryDir dir;
    const UpcomingAnnouncement withChime{next.text, dir.filePath(QStringLiteral("chime.wav"))};
    ASSERT_TRUE(fixtures::writeFile(withChime.chime, fixtures::toneWav(300, 660, 0.3, 0.3)));
    ASSERT_TRUE(prepareWhole(withChime));
    EXPECT_GT(engine->preparedBytes(), 0);
    EXPECT_TRUE(speech::takeSpoken().isEmpty()) << "preparing speaks nothing";
    bool finished = false;
    QObject::connect(engine.get(), &SpeechEngine::speakingFinished, [&]() { finished = true; });
    engine->speak(withChime.text);
    EXPECT_TRUE(speechPlaying()) << "the first piece plays before speak returns";
    const double chimeBytes = mixer().frequency() * 4 * 0.3;
    EXPECT_NEAR(double(engine->preparedBytes()), chimeBytes, 16) << "the speech was taken, its chime stays";
    ASSERT_TRUE(runUntil([&] { return finished; }, 10000));
    EXPECT_EQ(speech::takeSpoken(), QStringList{withChime.text});
}

TEST_F(OpenJTalkPrepared, ChimeRewrittenAfterPreparingIsDecodedAnew) {
    QTemporaryDir dir;
    const UpcomingAnnouncement a{next.text, dir.filePath(QStringLiteral("chime.wav"))};
    ASSERT_TRUE(fixtures::writeFile(a.chime, fixtures::toneWav(300, 660, 0.3, 0.3)));
    ASSERT_TRUE(prepareWhole(a));
    ASSERT_TRUE(mixer().load(0, a.chime, false));
    EXPECT_EQ(mixer().lengthMs(0), 300);
    ASSERT_TRUE(fixtures::writeFile(a.chime, fixtures::toneWav(700, 660, 0.3, 0.3)));
    ASSERT_TRUE(mixer().load(0, a.chime, false));
    EXPECT_EQ(mixer().lengthMs(0), 700);
    mixer().close(0);
}

// Everything that changes what would be heard drops what was prepared at once.
TEST_F(OpenJTalkPrepared, EveryChangeOfWhatIsHeardDropsWhatWasPrepared) {
    const QList<UpcomingAnnouncement> other{{QStringLiteral("終点です。"), QString()}};
    const struct {
        const char* change;
        std::function<void(OpenJTalkEngine&)> apply;
    } cases[] = {
        {"another voice", [](OpenJTalkEngine& e) { e.setVoice(voice(1.4, 0, 0, 0.55)); }},
        {"a step: another entry next", [&other](OpenJTalkEngine& e) { e.prepare(other); }},
        {"another list, or one that failed", [](OpenJTalkEngine& e) { e.prepare({}); }},
    };
    for (const auto& c : cases) {
        engine->setVoice(VoiceSettings{});
        ASSERT_TRUE(prepareWhole(next)) << c.change;
        ASSERT_GT(engine->preparedBytes(), 0) << c.change;
        c.apply(*engine);
        EXPECT_EQ(engine->readiness(next), OpenJTalkEngine::Readiness::None) << c.change;
        EXPECT_EQ(engine->preparedBytes(), 0) << c.change;
    }
}

TEST_F(OpenJTalkPrepared, SpeakingJoinsAPreparationUnderWay) {
    const QString text = QStringLiteral("次は、市役所前です。お降りの方はお知らせください。");
    engine->prepare({{text, {}}});
    ASSERT_TRUE(runUntil([&] { return engine->isPreparing(); }, 5000));
    std::vector<int> started;
    bool finished = false;
    QObject::connect(engine.get(), &OpenJTalkEngine::pieceStarted,
                     [&](int index, int) { started.push_back(index); });
    QObject::connect(engine.get(), &SpeechEngine::speakingFinished, [&]() { finished = true; });
    QElapsedTimer call;
    call.start();
    engine->speak(text);
    EXPECT_LT(call.elapsed(), 50) << "speak does not wait for the preparation";
    EXPECT_FALSE(engine->isPreparing()) << "the piece under way now belongs to the speech";
    std::vector<int> all(speech::speechPieces(text).size());
    std::iota(all.begin(), all.end(), 0);
    ASSERT_TRUE(runUntil([&] { return finished || started.size() == all.size(); }, 30000));
    EXPECT_EQ(started, all) << "every piece, once, in order";
}

} // namespace
