// What the tape asks its engine to prepare as its position settles: each case is a
// run of tape actions and the last request, as "text|chime" per announcement.
#include "SoundFixtures.h"
#include "platform/Cp932.h"
#include "sound/SpeechEngine.h"
#include "sound/mdlM_Tape.h"
#include "sound/mdlSndAPI.h"

#include <QTemporaryDir>
#include <functional>
#include <gtest/gtest.h>
#include <vector>

using namespace mdlM_Tape;

namespace {

// Keeps the last request to prepare.
class PreparingSpeech : public SpeechEngine {
public:
    QStringList asked;
    int requests = 0;
    void stop() override {}
    qint32 status() const override { return 0; }
    bool isSpeaking() const override { return false; }
    void prepare(const QList<UpcomingAnnouncement>& upcoming) override {
        ++requests;
        asked.clear();
        for (const UpcomingAnnouncement& a : upcoming)
            asked << a.text + QLatin1Char('|') + (a.chime.isEmpty() ? QStringLiteral("-") : a.chime);
    }

protected:
    void doSpeak(const QString&) override {}
};

struct Case {
    const char* name;
    std::function<void(TapeSettings&)> settings;
    std::vector<const char*> actions; // next, back, load ROUTE, prepare
    const char* asked;
};

void PrintTo(const Case& c, std::ostream* os) {
    *os << c.name;
}

const char* const kFive = "one,0,0\r\ntwo,1,1\r\nthree,0,2\r\nfour,1,3\r\nfive,1,7\r\n";
const char* const kOther = "別の一,0,1\r\n別の二,0,0\r\n";

class TapePrepare : public ::testing::TestWithParam<Case> {
protected:
    static void SetUpTestSuite() { fixtures::useDummyAudio(); }
    void SetUp() override {
        ASSERT_TRUE(dir.isValid());
        ASSERT_TRUE(fixtures::writeFile(dir.filePath(QStringLiteral("12tp.csv")), kFive));
        ASSERT_TRUE(fixtures::writeFile(dir.filePath(QStringLiteral("7tp.csv")),
                                        cp932::encode(QString::fromUtf8(kOther))));
        settings.PreAnnounceAlways = false;
        settings.PreAnnounceByFlag = true;
        settings.PreAnnounceSync = false;
        settings.PreAnnounceFixed = QStringLiteral("c0");
        settings.PreAnnounceSound1 = QStringLiteral("c1");
        settings.PreAnnounceSound2 = QStringLiteral("c2");
        settings.PreAnnounceSound3 = QStringLiteral("c3");
        setSettingsSource([this] { return settings; });
        setSpeechFactory([this]() -> SpeechEngine* { return engine = new PreparingSpeech; });
        InitTape();
    }
    void TearDown() override {
        ReleaseTape();
        setSpeechFactory({});
        setSettingsSource({});
        mdlSndAPI::CloseAllSnd();
    }

    QTemporaryDir dir;
    TapeSettings settings;
    PreparingSpeech* engine = nullptr;
};

TEST_P(TapePrepare, AsksForTheNextTwoEntries) {
    if (GetParam().settings)
        GetParam().settings(settings);
    LoadTape(dir.path() + QLatin1Char('/'), QStringLiteral("12"));
    for (const char* action : GetParam().actions) {
        const QString a = QString::fromUtf8(action);
        if (a == QLatin1String("next"))
            TapeNext();
        else if (a == QLatin1String("back"))
            TapeBack();
        else if (a == QLatin1String("prepare"))
            PrepareNext();
        else if (a.startsWith(QLatin1String("load ")))
            LoadTape(dir.path() + QLatin1Char('/'), a.mid(5));
        else if (a.startsWith(QLatin1String("chime1 ")))
            settings.PreAnnounceSound1 = a.mid(7);
    }
    EXPECT_EQ(engine->asked.join(QLatin1Char(' ')), QString::fromUtf8(GetParam().asked));
}

INSTANTIATE_TEST_SUITE_P(
    Cases, TapePrepare,
    ::testing::Values(Case{"route_set", {}, {}, "one|- two|c1"},
                      Case{"a_step", {}, {"next"}, "two|c1 three|c2"},
                      Case{"back", {}, {"next", "next", "next", "back"}, "three|c2 four|c3"},
                      Case{"next_before_the_last", {}, {"next", "next", "next", "next"}, "five|-"},
                      Case{"nothing_after_the_last", {}, {"next", "next", "next", "next", "next"}, ""},
                      Case{"fixed_chime_rule",
                           [](TapeSettings& s) { s.PreAnnounceAlways = true; },
                           {"next"},
                           "two|c0 three|c0"},
                      Case{"another_chime_set", {}, {"chime1 new1", "prepare"}, "one|- two|new1"},
                      Case{"another_list", {}, {"next", "load 7"}, "別の一|c1 別の二|-"},
                      Case{"a_list_that_failed", {}, {"load 99"}, ""}));

} // namespace
