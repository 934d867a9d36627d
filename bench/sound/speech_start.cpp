// How soon an announcement sounds after its button is pressed, on the real program
// (offscreen, SDL's dummy driver, which plays in real time, the standard voice):
//
//   speech_start_short_ms, speech_start_12s_ms
//       speak() of a short text and of a 12 s one that nothing prepared, until the
//       first piece is handed to the mixer's speech channel (goals 250 and 150 ms);
//   speech_gap_ms
//       the longest wait between the end of one piece and the start of the next (the
//       mixer reports the end of a piece and starts the next a device buffer of 23 ms
//       apart, each up to a buffer late; goal 100 ms);
//   speech_start_prepared_ms
//       "送り" on an entry of a 12 s announcement with its chime, after the board has
//       rested 2 s at a stop, until the first piece is handed to the mixer (goal 30 ms);
//   step_during_preparation_ms
//       how much longer "データ送り" takes, from the press being handled until the board
//       is repainted, while an announcement is being prepared than at rest, both taken
//       in turns under the same load: the 90th percentile of each kind (goal 2 ms; the
//       median and the worst are given too; on a busy machine the worst steps of both
//       kinds are those the system preempted).
//
// From the mixer each sound reaches the speaker after the output latency every sound
// has (one mixer buffer, 23 ms, plus the sound server's). Prints "measure: NAME VALUE
// n=RUNS median=M worst=W" lines for scripts/bench (VALUE is the median of the starts,
// the worst of the gaps and the 90th percentile of the steps) and lines starting with
// '#' that say what was measured, the machine's load among them. Without Open JTalk it
// prints no measure and ends with status 1.
//
//   bench_speech_start [RUNS]            (default 5)
#include "app/Program.h"
#include "board/ui/Form1.h"
#include "controller/ui/frmCtl.h"
#include "platform/BlockingWait.h"
#include "platform/Cp932.h"
#include "settings/LiveSettings.h"
#include "settings/ui/frmOption.h"
#include "sound/AudioMixer.h"
#include "sound/SpeechEngine.h"
#include "sound/mdlM_Tape.h"

#include <QApplication>
#include <QDeadlineTimer>
#include <QElapsedTimer>
#include <QEventLoop>
#include <QFile>
#include <QProcess>
#include <QPushButton>
#include <QTemporaryDir>
#include <QTimer>
#include <algorithm>
#include <cstdio>
#include <functional>
#include <vector>

namespace {

const char* const kShort = "次は、市役所前です。";
const char* const kLong =
    "毎度ご乗車ありがとうございます。このバスは、市役所前、中央病院前経由、駅前行きです。"
    "次は、市役所前です。お降りの方はお知らせください。バスが止まるまで席をお立ちにならないで"
    "ください。";
// The stops and destinations the prepared announcements name: each entry of the list
// is another text.
const char* const kStops[] = {"市役所前", "中央病院前", "本町一丁目", "本町三丁目", "桜通り",      "東原",
                              "上川原",   "川原橋",     "緑ヶ丘",     "北椿原",     "第二工業団地"};
const char* const kDestinations[] = {"駅前", "椿原営業所", "緑ヶ丘団地"};
constexpr int kEntries = int(std::size(kStops) * std::size(kDestinations));

void runFor(int ms) {
    QEventLoop loop;
    QTimer::singleShot(ms, &loop, &QEventLoop::quit);
    loop.exec();
}

bool runUntil(const std::function<bool()>& done, int ms) {
    QDeadlineTimer deadline(ms);
    while (!done() && !deadline.hasExpired())
        runFor(5);
    return done();
}

double median(std::vector<double> v) {
    std::sort(v.begin(), v.end());
    return v.empty() ? -1 : v[v.size() / 2];
}

double worst(const std::vector<double>& v) {
    return v.empty() ? -1 : *std::max_element(v.begin(), v.end());
}

// The value that `share` of the values do not exceed.
double percentile(std::vector<double> v, double share) {
    std::sort(v.begin(), v.end());
    return v.empty() ? -1 : v[std::min(v.size() - 1, size_t(share * double(v.size())))];
}

QString loadAverage() {
    QFile f(QStringLiteral("/proc/loadavg"));
    return f.open(QIODevice::ReadOnly) ? QString::fromLatin1(f.readLine()).section(QLatin1Char(' '), 0, 2)
                                       : QStringLiteral("?");
}

void measure(const char* name, double value, const std::vector<double>& runs) {
    std::printf("measure: %s %.1f n=%zu median=%.1f worst=%.1f\n", name, value, runs.size(), median(runs),
                worst(runs));
    std::fflush(stdout);
}

double msSince(const QElapsedTimer& t) {
    return double(t.nsecsElapsed()) / 1e6;
}

struct Run {
    double toMixer = -1; // ms from speak() to the first piece on the mixer
    double maxGap = 0;   // the longest wait between two pieces, ms
    QString gaps;        // each wait
    double heardMs = 0;  // how long it sounded
    int pieces = 0;
    bool starved = false; // a piece was not ready when the one before it ended
};

Run speakOnce(OpenJTalkEngine& engine, const QString& text) {
    Run run;
    AudioMixer& mixer = AudioMixer::instance();
    QElapsedTimer clock;
    std::vector<double> started, length, synthesised;
    bool finished = false;
    auto c1 = QObject::connect(&engine, &OpenJTalkEngine::pieceStarted, [&](int, int) {
        started.push_back(msSince(clock));
        length.push_back(double(mixer.lengthMs(AudioMixer::kSpeechChannel)));
    });
    auto c2 = QObject::connect(&engine, &OpenJTalkEngine::pieceSynthesised,
                               [&](int, int) { synthesised.push_back(msSince(clock)); });
    clock.start();
    engine.speak(text);
    auto c3 = QObject::connect(&engine, &SpeechEngine::speakingFinished, [&] { finished = true; });
    runUntil([&] { return finished; }, 60000);
    const double end = msSince(clock);
    QObject::disconnect(c1);
    QObject::disconnect(c2);
    QObject::disconnect(c3);
    run.pieces = int(started.size());
    if (started.empty())
        return run;
    run.toMixer = started[0];
    run.heardMs = end - started[0];
    for (size_t k = 1; k < started.size(); ++k) {
        const double gap = started[k] - (started[k - 1] + length[k - 1]);
        run.maxGap = std::max(run.maxGap, gap);
        run.gaps += QStringLiteral(" %1").arg(gap, 0, 'f', 0);
        if (k < synthesised.size() && synthesised[k] > started[k - 1] + length[k - 1])
            run.starved = true;
    }
    return run;
}

// One step of the stop, posted to the event loop as a press is: from when it is handled
// (after whatever was queued before it) until the board is repainted, in ms.
double timedStep(QPushButton* button, QWidget& board) {
    QEventLoop loop;
    QElapsedTimer t;
    double ms = -1;
    t.start();
    QTimer::singleShot(0, &loop, [&]() {
        button->click();
        board.repaint();
        ms = msSince(t);
        loop.quit();
    });
    loop.exec();
    return ms;
}

} // namespace

int main(int argc, char** argv) {
    if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM"))
        qputenv("QT_QPA_PLATFORM", "offscreen");
    qputenv("SDL_AUDIODRIVER", "dummy");
    QTemporaryDir config; // the standard voice
    qputenv("XDG_CONFIG_HOME", config.path().toUtf8());
    QApplication app(argc, argv);
    QApplication::setApplicationName(QStringLiteral("508"));
    const int runs = argc > 1 && atoi(argv[1]) > 0 ? atoi(argv[1]) : 5;

    Program::Options options;
    options.loadSettings = false;
    Program program(options);
    program.start();
    auto* engine = qobject_cast<OpenJTalkEngine*>(mdlM_Tape::Engine());
    if (!engine) {
        std::printf("# speech start: Open JTalk, its dictionary or a voice is not installed\n");
        return 1;
    }
    AudioMixer& mixer = AudioMixer::instance();
    if (!mixer.ensureOpen()) {
        std::printf("# speech start: no audio device\n");
        return 1;
    }

    std::printf("# load average at the start: %s\n", qPrintable(loadAverage()));

    // ---- Texts nothing prepared: speak() as the tape calls it --------------------------
    struct Kind {
        const char* name;
        QString text;
        std::vector<Run> runs;
    };
    std::vector<Kind> kinds{{"short", QString::fromUtf8(kShort), {}}, {"12s", QString::fromUtf8(kLong), {}}};
    for (int r = 0; r < runs; ++r) {
        for (Kind& k : kinds) {
            runFor(500); // a synthesiser is made ready after each announcement, as between button presses
            k.runs.push_back(speakOnce(*engine, k.text));
        }
    }
    std::printf("# unprepared: from speak() to the first piece on the mixer, %d runs, the standard voice\n",
                runs);
    std::vector<double> allGaps;
    for (const Kind& k : kinds) {
        std::vector<double> starts;
        bool starved = false;
        for (const Run& r : k.runs) {
            if (r.toMixer >= 0)
                starts.push_back(r.toMixer);
            allGaps.push_back(r.maxGap);
            starved = starved || r.starved;
            std::printf("# %s: start %.0f ms, gaps (ms):%s\n", k.name, r.toMixer, qPrintable(r.gaps));
        }
        std::printf("# %s: \"%s\": %.1f s in %d pieces%s\n", k.name, k.text.toUtf8().constData(),
                    k.runs.back().heardMs / 1000.0, k.runs.back().pieces,
                    starved ? "; a piece was not ready in time" : "");
        if (int(starts.size()) == runs)
            measure(QStringLiteral("speech_start_%1_ms").arg(QLatin1String(k.name)).toUtf8().constData(),
                    median(starts), starts);
    }
    measure("speech_gap_ms", worst(allGaps), allGaps);

    // ---- The tape: entries of 12 s with a chime, prepared while the board rests -------
    QTemporaryDir tapeDir;
    QByteArray list;
    for (int i = 0; i < kEntries; ++i) {
        QString text = QString::fromUtf8(kLong);
        text.replace(QStringLiteral("次は、市役所前です。"),
                     QStringLiteral("次は、%1です。").arg(QString::fromUtf8(kStops[i % std::size(kStops)])));
        text.replace(QStringLiteral("駅前行き"),
                     QStringLiteral("%1行き").arg(QString::fromUtf8(kDestinations[i / std::size(kStops)])));
        list += cp932::encode(text) + ",0,1\r\n";
    }
    QFile listFile(tapeDir.filePath(QStringLiteral("12tp.csv")));
    if (!listFile.open(QIODevice::WriteOnly) || listFile.write(list) != list.size())
        return 1;
    listFile.close();
    LiveSettings& live = program.options().live();
    live.set(QStringLiteral("FareDataFolder"), QStringLiteral(CORVANE_SOURCE_DIR "/data/demo"));
    live.set(QStringLiteral("TapeDataFolder"), tapeDir.path() + QLatin1Char('/'));
    live.set(QStringLiteral("PreAnnounceByFlag"), QStringLiteral("-1"));
    live.set(QStringLiteral("PreAnnounceAsync"), QStringLiteral("-1"));
    live.set(QStringLiteral("PreAnnounceSound1"),
             QStringLiteral(CORVANE_SOURCE_DIR "/data/demo/sounds/chime.wav"));
    frmCtl& ctl = program.controller();
    blocking::setSkipWaits(true); // no lamp-test pause
    for (int key : {10, 1, 2, 11, 1})
        ctl.CommandButton1[key]->click();
    ctl.Command1[1]->click();
    if (!ctl.cmdTapeNext->isEnabled() || !ctl.Command2[1]->isEnabled()) {
        std::fprintf(stderr, "bench_speech_start: route 12 with the announcement list could not be set\n");
        return 1;
    }

    std::vector<double> prepared;
    int whole = 0, chimes = 0;
    constexpr int kRounds = 10; // of steps below, each pressing "送り" once
    const int pressed = std::min(runs, kEntries - kRounds - 1);
    for (int r = 0; r < pressed; ++r) {
        runFor(2000); // the board rests at a stop
        const UpcomingAnnouncement next = mdlM_Tape::UpcomingEntries(1).value(0);
        whole += engine->readiness(next) == OpenJTalkEngine::Readiness::Whole ? 1 : 0;
        double started = -1;
        QElapsedTimer t;
        auto c = QObject::connect(engine, &OpenJTalkEngine::pieceStarted, [&](int, int) {
            if (started < 0)
                started = msSince(t);
        });
        t.start();
        ctl.cmdTapeNext->click();
        chimes += mixer.isPlaying(2) ? 1 : 0; // "S3"
        runUntil([&] { return started >= 0; }, 10000);
        QObject::disconnect(c);
        ctl.cmdTapeStop->click(); // ■: the next entry is prepared while the board rests again
        if (started >= 0)
            prepared.push_back(started);
    }
    std::printf(
        "# prepared: \"送り\" to the first piece on the mixer, 12 s entries with a chime, after 2 s at "
        "rest; %d of %d prepared whole, %d chimes started\n",
        whole, pressed, chimes);
    if (int(prepared.size()) == pressed)
        measure("speech_start_prepared_ms", median(prepared), prepared);

    // ---- Steps at rest and while an entry is being prepared ---------------------------
    // Rounds of eight steps at rest (nothing being prepared) then eight while the next
    // entry is being prepared, so that both see the same load of the machine.
    QWidget& board = program.board();
    int direction = 1;
    const auto step = [&]() {
        const double ms = timedStep(ctl.Command2[direction], board);
        direction = 1 - direction;
        runFor(30);
        return ms;
    };
    std::vector<double> atRest, during;
    for (int round = 0; round < kRounds; ++round) {
        runUntil([&] { return !engine->isPreparing(); }, 10000);
        for (int i = 0; i < 8; ++i)
            atRest.push_back(step());
        ctl.cmdTapeNext->click();
        ctl.cmdTapeStop->click(); // the entry after it is prepared from the settle on
        if (!runUntil([&] { return engine->isPreparing(); }, 2000))
            continue;
        // Only the steps that began and ended while the entry was being prepared count.
        for (int i = 0; i < 8 && engine->isPreparing(); ++i) {
            const double ms = step();
            if (engine->isPreparing())
                during.push_back(ms);
        }
    }
    std::printf(
        "# steps, from the press being handled to the board repainted: at rest %zu, median %.2f ms, "
        "90%% %.2f ms, worst %.2f ms; while preparing %zu, median %.2f ms, 90%% %.2f ms, worst %.2f ms\n",
        atRest.size(), median(atRest), percentile(atRest, 0.9), worst(atRest), during.size(), median(during),
        percentile(during, 0.9), worst(during));
    // What preparing adds, each kind of step taken under the same load.
    if (!during.empty() && !atRest.empty())
        std::printf("measure: step_during_preparation_ms %.2f n=%zu median=%.2f worst=%.2f\n",
                    percentile(during, 0.9) - percentile(atRest, 0.9), during.size(),
                    median(during) - median(atRest), worst(during) - worst(atRest));
    std::printf("# load average at the end: %s\n", qPrintable(loadAverage()));

    // For comparison: the whole text synthesised before any of it is played.
    const OpenJTalkSetup setup = OpenJTalkSetup::find();
    QProcess whole12;
    const QStringList args{QStringLiteral("-x"),  setup.dictionary,
                           QStringLiteral("-m"),  setup.voice,
                           QStringLiteral("-ow"), config.filePath(QStringLiteral("whole.wav"))};
    QElapsedTimer t;
    t.start();
    whole12.start(setup.program, args);
    whole12.write(QString::fromUtf8(kLong).toUtf8() + '\n');
    whole12.closeWriteChannel();
    whole12.waitForFinished(60000);
    std::printf("# for comparison: the 12 s announcement synthesised whole takes %lld ms\n",
                qlonglong(t.elapsed()));
    mdlM_Tape::ReleaseTape();
    return 0;
}
