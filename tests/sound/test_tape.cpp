// The announcement tape with a stand-in speech engine; chimes play on the dummy
// audio driver.
#include "SoundFixtures.h"
#include "platform/Cp932.h"
#include "sound/AudioMixer.h"
#include "sound/SpeechEngine.h"
#include "sound/mdlM_Tape.h"
#include "sound/mdlSndAPI.h"

#include <QElapsedTimer>
#include <QFile>
#include <QPointer>
#include <QTemporaryDir>
#include <gtest/gtest.h>
#include <sys/stat.h>

using namespace mdlM_Tape;

namespace {

// Records what the tape asks of its engine.
class FakeSpeech : public SpeechEngine {
public:
    QStringList log;
    qint32 nextStatus = 0;
    qint32 currentStatus = 0;
    QElapsedTimer clock;
    qint64 firstSpeakAt = -1;

    FakeSpeech() { clock.start(); }
    void stop() override { log << QStringLiteral("stop"); }
    qint32 status() const override { return currentStatus; }
    bool isSpeaking() const override { return false; }

protected:
    void doSpeak(const QString& text) override {
        if (firstSpeakAt < 0)
            firstSpeakAt = clock.elapsed();
        currentStatus = nextStatus;
        log << QStringLiteral("speak:") + text;
    }
};

struct FrameCall {
    QString what;
    bool operator==(const FrameCall&) const = default;
};

class TapeModule : public ::testing::Test {
protected:
    static void SetUpTestSuite() {
        fixtures::useDummyAudio();
        dir = new QTemporaryDir;
        ASSERT_TRUE(dir->isValid());
        for (int k = 0; k <= 3; ++k)
            ASSERT_TRUE(fixtures::writeFile(chime(k), fixtures::toneWav(300, 440 + 110 * k, 0.3, 0.3)));
    }
    static void TearDownTestSuite() {
        delete dir;
        dir = nullptr;
    }

    void SetUp() override {
        mdlSndAPI::setRecording(true);
        speech::setRecording(true);
        frameCalls.clear();
        settings = TapeSettings{};
        settings.PreAnnounceAlways = false;
        settings.PreAnnounceByFlag = true;
        settings.PreAnnounceSync = false;
        settings.PreAnnounceFixed = chime(0);
        settings.PreAnnounceSound1 = chime(1);
        settings.PreAnnounceSound2 = chime(2);
        settings.PreAnnounceSound3 = chime(3);
        setTapeFrame(
            TapeFrame{[this](const QString& caption) { frameCalls << QStringLiteral("caption ") + caption; },
                      [this](TapeControl c, bool on) {
                          frameCalls << QStringLiteral("%1 %2").arg(controlName(c), on ? "on" : "off");
                      },
                      [this](const QString& tip) { toolTip = tip; }});
        setSettingsSource([this]() { return settings; });
        initWith(true);
    }
    void TearDown() override {
        ReleaseTape();
        setSpeechFactory({});
        mdlSndAPI::CloseAllSnd();
        mdlSndAPI::setRecording(false);
        speech::setRecording(false);
    }

    // InitTape with a stand-in engine (or none).
    void initWith(bool available) {
        engine = nullptr;
        setSpeechFactory([this, available]() -> SpeechEngine* {
            if (!available)
                return nullptr;
            engine = new FakeSpeech;
            return engine;
        });
        InitTape();
        frameCalls.clear();
        mdlSndAPI::takeRecorded();
        speech::takeSpoken();
    }

    static QString controlName(TapeControl c) {
        switch (c) {
        case TapeControl::grpM_Tape:
            return QStringLiteral("grpM_Tape");
        case TapeControl::cmdTapeNext:
            return QStringLiteral("cmdTapeNext");
        case TapeControl::cmdTapeBack:
            return QStringLiteral("cmdTapeBack");
        case TapeControl::cmdTapeStop:
            return QStringLiteral("cmdTapeStop");
        case TapeControl::cmdTapeSet:
            return QStringLiteral("cmdTapeSet");
        }
        return QString();
    }

    static QString chime(int kind) { return dir->filePath(QStringLiteral("chime%1.wav").arg(kind)); }

    // Writes "<route>tp.csv" (text given in UTF-8, stored as cp932) and loads it.
    void load(const QString& route, const char* utf8) {
        ASSERT_TRUE(fixtures::writeFile(dir->filePath(route + QStringLiteral("tp.csv")),
                                        cp932::encode(QString::fromUtf8(utf8))));
        LoadTape(dir->path() + QLatin1Char('/'), route);
    }

    // What the engine was asked since the last call.
    QStringList takeLog() { return engine ? std::exchange(engine->log, {}) : QStringList(); }

    static QTemporaryDir* dir;
    QStringList frameCalls;
    QString toolTip;
    TapeSettings settings;
    QPointer<FakeSpeech> engine;
};

QTemporaryDir* TapeModule::dir = nullptr;

const char* const kFive = "one,0,0\r\ntwo,1,1\r\nthree,0,2\r\nfour,1,3\r\nfive,1,7\r\n";

TEST_F(TapeModule, InitWithSpeechEnablesTheFrame) {
    setSpeechFactory([]() -> SpeechEngine* { return new FakeSpeech; });
    InitTape();
    EXPECT_EQ(frameCalls, (QStringList{"grpM_Tape on", "caption 音合使用可"}));
    EXPECT_TRUE(SpeechReady());
    EXPECT_NE(Engine(), nullptr);
}

TEST_F(TapeModule, InitWithoutSpeechDisablesTheFrame) {
    setSpeechFactory([]() -> SpeechEngine* { return nullptr; });
    InitTape();
    EXPECT_EQ(frameCalls, (QStringList{"caption 音合使用不可", "grpM_Tape off"}));
    EXPECT_FALSE(SpeechReady());
    EXPECT_EQ(Engine(), nullptr);
}

TEST_F(TapeModule, LoadingEnablesTheFrameAndItsButtonsInOrder) {
    load(QStringLiteral("12"), kFive);
    EXPECT_EQ(frameCalls, (QStringList{"grpM_Tape on", "cmdTapeNext on", "cmdTapeBack on", "cmdTapeStop on",
                                       "cmdTapeSet on"}));
    EXPECT_EQ(GetTapeCount(), 5);
    EXPECT_EQ(GetTapePos(), 0);
    EXPECT_EQ(GetTapeMoveStop(2), 1);
    EXPECT_EQ(GetTapeChimeKind(4), 3);
    EXPECT_EQ(GetTapeMoveStop(0), 0);
    EXPECT_EQ(GetTapeMoveStop(6), 0);
    EXPECT_EQ(GetTapeChimeKind(-1), 0);
}

TEST_F(TapeModule, FirstNextSpeaksEntryOneAndBackThenSpeaksNothing) {
    load(QStringLiteral("12"), kFive);
    TapeNext();
    EXPECT_EQ(GetTapePos(), 1);
    EXPECT_EQ(takeLog(), (QStringList{"stop", "speak:one"}));
    EXPECT_EQ(speech::takeSpoken(), QStringList{"one"});
    TapeBack();
    EXPECT_EQ(GetTapePos(), 1);
    EXPECT_TRUE(takeLog().isEmpty());
    EXPECT_TRUE(mdlSndAPI::takeRecorded().isEmpty()) << "entry 1 has no chime and Back played none either";
}

TEST_F(TapeModule, NextOnTheLastEntrySpeaksNothingButTheStopStillMoves) {
    load(QStringLiteral("12"), "a,0,0\r\nlast,1,0\r\n");
    int forward = 0, back = 0;
    const auto step = [&](int direction) { (direction == 1 ? forward : back) += 1; };
    TapeNextAndStep(step);
    TapeNextAndStep(step);
    EXPECT_EQ(forward, 1);
    takeLog();
    TapeNextAndStep(step);
    EXPECT_EQ(GetTapePos(), 2);
    EXPECT_TRUE(takeLog().isEmpty());
    EXPECT_EQ(forward, 2) << "the last entry's MoveStop is checked again";
    EXPECT_EQ(back, 0);
}

TEST_F(TapeModule, FlagRuleChimesByKindOnS3ThenSpeaksAndMovesTheStop) {
    settings.PreAnnounceSync = true;
    load(QStringLiteral("7"), "次は、市役所前です。,1,2\r\n");
    int forward = 0;
    TapeNextAndStep([&](int direction) { forward += direction; });
    const auto sounds = mdlSndAPI::takeRecorded();
    ASSERT_EQ(sounds.size(), 1);
    EXPECT_EQ(sounds[0].channel, QStringLiteral("S3"));
    EXPECT_EQ(sounds[0].file, chime(2));
    EXPECT_TRUE(sounds[0].wait);
    EXPECT_TRUE(sounds[0].played);
    EXPECT_EQ(takeLog(), (QStringList{"stop", QStringLiteral("speak:次は、市役所前です。")}));
    EXPECT_EQ(forward, 1);
}

TEST_F(TapeModule, ChimeKindsOutsideOneToThreePlayNothing) {
    load(QStringLiteral("12"), kFive);
    QStringList files;
    for (int i = 0; i < 5; ++i) {
        TapeNext();
        const auto sounds = mdlSndAPI::takeRecorded();
        files << (sounds.isEmpty() ? QStringLiteral("-") : sounds[0].file);
    }
    EXPECT_EQ(files, (QStringList{"-", chime(1), chime(2), chime(3), "-"}));
    EXPECT_EQ(speech::takeSpoken(), (QStringList{"one", "two", "three", "four", "five"}));
}

TEST_F(TapeModule, AlwaysRuleChimesTheFixedSoundOnNextButBackChoosesByKind) {
    settings.PreAnnounceAlways = true;
    settings.PreAnnounceByFlag = false;
    load(QStringLiteral("12"), kFive);
    TapeNext(); // entry 1, kind 0
    TapeNext(); // entry 2, kind 1
    TapeNext(); // entry 3, kind 2
    TapeBack(); // entry 2, kind 1
    TapeBack(); // entry 1, kind 0
    const auto sounds = mdlSndAPI::takeRecorded();
    ASSERT_EQ(sounds.size(), 4);
    for (int i = 0; i < 3; ++i) {
        EXPECT_EQ(sounds[i].channel, QStringLiteral("S3"));
        EXPECT_EQ(sounds[i].file, chime(0));
    }
    EXPECT_EQ(sounds[3].channel, QStringLiteral("S2"));
    EXPECT_EQ(sounds[3].file, chime(1));
    EXPECT_EQ(speech::takeSpoken(), (QStringList{"one", "two", "three", "two", "one"}));
}

TEST_F(TapeModule, EmptyChimeSettingPlaysNothingButStillSpeaks) {
    settings.PreAnnounceSound1.clear();
    load(QStringLiteral("12"), kFive);
    TapeNext();
    TapeNext();
    const auto sounds = mdlSndAPI::takeRecorded();
    ASSERT_EQ(sounds.size(), 1);
    EXPECT_FALSE(sounds[0].played);
    EXPECT_EQ(speech::takeSpoken(), (QStringList{"one", "two"}));
}

TEST_F(TapeModule, SyncChimeEndsBeforeTheSpeechStarts) {
    settings.PreAnnounceSync = true;
    load(QStringLiteral("12"), "a,0,1\r\n");
    engine->clock.restart();
    TapeNext();
    EXPECT_GE(engine->firstSpeakAt, 280);
}

TEST_F(TapeModule, AsyncChimeOverlapsTheSpeech) {
    settings.PreAnnounceSync = false;
    load(QStringLiteral("12"), "a,0,1\r\n");
    engine->clock.restart();
    TapeNext();
    EXPECT_LT(engine->firstSpeakAt, 150);
    EXPECT_TRUE(AudioMixer::instance().isPlaying(2)) << "the chime plays on under the speech";
    EXPECT_FALSE(mdlSndAPI::takeRecorded().value(0).wait);
}

TEST_F(TapeModule, EngineReportingMinusOneIsToldToStopAgain) {
    load(QStringLiteral("12"), kFive);
    engine->nextStatus = -1;
    TapeNext();
    EXPECT_EQ(takeLog(), (QStringList{"stop", "speak:one", "stop"}));
}

TEST_F(TapeModule, MissingFileDisablesTheFrameAndAGoodOneEnablesItAgain) {
    load(QStringLiteral("12"), kFive);
    frameCalls.clear();
    LoadTape(dir->path() + QLatin1Char('/'), QStringLiteral("999"));
    EXPECT_EQ(frameCalls, QStringList{"grpM_Tape off"}) << "the caption stays";
    frameCalls.clear();
    LoadTape(dir->path() + QLatin1Char('/'), QStringLiteral("12"));
    EXPECT_EQ(frameCalls.value(0), QStringLiteral("grpM_Tape on"));
    EXPECT_EQ(GetTapeCount(), 5);
}

TEST_F(TapeModule, TrailingBlankLinesAreTheEndOfTheList) {
    load(QStringLiteral("12"), "one,0,0\r\ntwo,1,1\r\n\r\n");
    EXPECT_EQ(frameCalls.value(0), QStringLiteral("grpM_Tape on"));
    EXPECT_EQ(GetTapeCount(), 2);
    EXPECT_TRUE(toolTip.isEmpty());
}

TEST_F(TapeModule, FailedListIsNamedInTheFramesToolTip) {
    const QString folder = dir->path() + QLatin1Char('/');
    const struct {
        const char* route;
        const char* contents; // null: no file
        const char* tipEnd;
    } cases[] = {
        {"31", "a,0,1\r\nb,40000,1\r\n", "2行目を読めません。"},
        {"32", nullptr, "32tp.csv"},
    };
    for (const auto& c : cases) {
        const QString route = QString::fromLatin1(c.route);
        if (c.contents) {
            ASSERT_TRUE(fixtures::writeFile(folder + route + QStringLiteral("tp.csv"), c.contents));
        }
        load(QStringLiteral("12"), kFive);
        EXPECT_TRUE(toolTip.isEmpty());
        LoadTape(folder, route);
        EXPECT_EQ(frameCalls.last(), QStringLiteral("grpM_Tape off"));
        EXPECT_TRUE(toolTip.contains(dir->path() + QLatin1Char('/') + route + QStringLiteral("tp.csv")))
            << toolTip.toStdString();
        EXPECT_TRUE(toolTip.endsWith(QString::fromUtf8(c.tipEnd))) << toolTip.toStdString();
    }
}

TEST_F(TapeModule, NamedPipeIsRefusedWithoutWaiting) {
    const QString pipe = dir->filePath(QStringLiteral("33tp.csv"));
    ASSERT_EQ(::mkfifo(QFile::encodeName(pipe).constData(), 0600), 0);
    LoadTape(dir->path() + QLatin1Char('/'), QStringLiteral("33"));
    EXPECT_EQ(frameCalls.last(), QStringLiteral("grpM_Tape off"));
    EXPECT_TRUE(toolTip.endsWith(QStringLiteral("通常のファイルではありません。"))) << toolTip.toStdString();
}

TEST_F(TapeModule, FiveLinesAfterTenLeaveFiveEntries) {
    load(QStringLiteral("10"),
         "1,0,0\r\n2,0,0\r\n3,0,0\r\n4,0,0\r\n5,0,0\r\n6,0,0\r\n7,0,0\r\n8,0,0\r\n9,0,0\r\n10,1,1\r\n");
    EXPECT_EQ(GetTapeCount(), 10);
    TapeNext();
    TapeNext();
    load(QStringLiteral("5"), kFive);
    EXPECT_EQ(GetTapeCount(), 5);
    EXPECT_EQ(GetTapePos(), 0);
    EXPECT_EQ(GetTapeMoveStop(10), 0);
}

TEST_F(TapeModule, MalformedListDisablesTheFrameAndKeepsTheLineCount) {
    load(QStringLiteral("12"), "a,0,1\r\nb,40000,1\r\nc,0,0\r\n");
    EXPECT_EQ(frameCalls, QStringList{"grpM_Tape off"});
    EXPECT_EQ(GetTapeCount(), 3);
    EXPECT_EQ(GetTapeChimeKind(1), 1) << "entries read before the fault remain";
}

TEST_F(TapeModule, EmptyListLeavesNothingToSpeak) {
    load(QStringLiteral("12"), kFive);
    load(QStringLiteral("0"), "");
    EXPECT_EQ(GetTapeCount(), 0);
    EXPECT_EQ(frameCalls.last(), QStringLiteral("grpM_Tape off"));
    takeLog();
    TapeNext();
    EXPECT_EQ(GetTapePos(), 0);
    TapeBack();
    EXPECT_EQ(GetTapePos(), 1);
    EXPECT_EQ(GetTapeMoveStop(1), 0);
    EXPECT_TRUE(speech::takeSpoken().isEmpty());
}

TEST_F(TapeModule, WithoutSpeechLoadingLeavesTheFrameAsItIs) {
    initWith(false);
    load(QStringLiteral("12"), kFive);
    EXPECT_TRUE(frameCalls.isEmpty());
    EXPECT_EQ(GetTapeCount(), 5);
    TapeNext();
    TapeNext();
    EXPECT_EQ(GetTapePos(), 2);
    EXPECT_TRUE(speech::takeSpoken().isEmpty());
}

TEST_F(TapeModule, StopGoesToTheEngine) {
    StopTape();
    EXPECT_EQ(takeLog(), QStringList{"stop"});
}

TEST_F(TapeModule, AfterReleaseNothingIsSpoken) {
    load(QStringLiteral("12"), kFive);
    ReleaseTape();
    EXPECT_TRUE(engine.isNull());
    EXPECT_EQ(Engine(), nullptr);
    TapeNext();
    StopTape();
    EXPECT_FALSE(SpeakTape(1));
    EXPECT_TRUE(speech::takeSpoken().isEmpty());
}

TEST_F(TapeModule, SpeakTapeFailsOutsideTheList) {
    load(QStringLiteral("12"), kFive);
    EXPECT_FALSE(SpeakTape(0));
    EXPECT_FALSE(SpeakTape(6));
    EXPECT_TRUE(SpeakTape(5));
    EXPECT_EQ(takeLog(), (QStringList{"stop", "stop", "stop", "speak:five"}));
}

TEST_F(TapeModule, FileNameIsFolderRouteAndTpCsv) {
    EXPECT_EQ(tapeFilePath(QStringLiteral("/data/tape/"), QStringLiteral("12")),
              QStringLiteral("/data/tape/12tp.csv"));
    EXPECT_EQ(tapeFilePath(QStringLiteral("C:\\tape\\"), QStringLiteral("3")),
              QStringLiteral("C:\\tape/3tp.csv"));
    EXPECT_EQ(tapeFilePath(QString(), QStringLiteral("12")), QStringLiteral("12tp.csv"));
}

TEST_F(TapeModule, ListNamedInAnotherCaseIsFound) {
    ASSERT_TRUE(fixtures::writeFile(dir->filePath(QStringLiteral("34TP.CSV")), "upper,0,0\r\n"));
    LoadTape(dir->path() + QLatin1Char('/'), QStringLiteral("34"));
    EXPECT_EQ(GetTapeCount(), 1);
    TapeNext();
    EXPECT_EQ(speech::takeSpoken(), QStringList{"upper"});
}

TEST_F(TapeModule, ShippedRouteTwelveList) {
    LoadTape(QStringLiteral(CORVANE_SOURCE_DIR "/data/fixtures/sound/"), QStringLiteral("12"));
    ASSERT_EQ(GetTapeCount(), 4);
    EXPECT_EQ(frameCalls.value(0), QStringLiteral("grpM_Tape on"));
    int forward = 0;
    const auto step = [&](int d) { forward += d; };
    TapeNextAndStep(step);
    TapeNextAndStep(step);
    TapeNextAndStep(step);
    EXPECT_EQ(forward, 2);
    EXPECT_EQ(speech::takeSpoken(), (QStringList{"毎度ご乗車ありがとうございます。このバスは、駅前行きです。",
                                                 "次は、市役所前です。",
                                                 "次は、中央病院前です。お降りの方は, お知らせください。"}));
    EXPECT_EQ(GetTapeChimeKind(4), 3);
}

} // namespace
