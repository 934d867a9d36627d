// How soon an announcement sounds after its button is pressed, for a short one and for
// one of about twelve seconds, and whether its pieces follow without gaps.
//
//   bench_speech_start [RUNS]            (default 3; the median is reported)
//
// The start is the time from speak() (what the tape buttons call) until the first piece
// of the announcement starts on the mixer's speech channel; from there it reaches the
// speaker after the output latency that every sound has (one mixer buffer, 23 ms, plus
// the sound server's). The gap is the longest wait between the end of one piece and the
// start of the next. Played on SDL's dummy driver, which plays in real time. Prints
// "measure: NAME VALUE" lines for scripts/bench (speech_start_short_ms,
// speech_start_12s_ms, speech_gap_ms; the goals are 250, 250 and 100 ms: the mixer
// reports the end of a piece and starts the next one a device buffer of 23 ms apart, each
// up to a buffer late) and lines
// starting with '#' that say what was measured. Arguments it does not know are ignored.
#include "sound/AudioMixer.h"
#include "sound/SpeechEngine.h"
#include "sound/SpeechText.h"

#include <QCoreApplication>
#include <QDeadlineTimer>
#include <QElapsedTimer>
#include <QEventLoop>
#include <QFile>
#include <QProcess>
#include <QTemporaryDir>
#include <QTimer>
#include <algorithm>
#include <cmath>
#include <cstdio>
#include <vector>

namespace {

const char* const kShort = "次は、市役所前です。";
const char* const kLong =
    "毎度ご乗車ありがとうございます。このバスは、市役所前、中央病院前経由、駅前行きです。"
    "次は、市役所前です。お降りの方はお知らせください。バスが止まるまで席をお立ちにならないで"
    "ください。";

void runFor(int ms) {
    QEventLoop loop;
    QTimer::singleShot(ms, &loop, &QEventLoop::quit);
    loop.exec();
}

struct Run {
    qint64 pressed = 0;  // ms on the program's clock
    qint64 toMixer = -1; // ms from the press to the first piece on the mixer
    qint64 maxGap = 0;   // the longest wait between two pieces, ms
    QString gaps;        // each wait
    qint64 heardMs = 0;  // how long it sounded
    int pieces = 0;
    bool starved = false; // a piece was not ready when the one before it ended
};

Run speakOnce(OpenJTalkEngine& engine, const QString& text, QElapsedTimer& clock) {
    Run run;
    AudioMixer& mixer = AudioMixer::instance();
    std::vector<qint64> started, length, synthesised;
    bool finished = false;
    auto c1 = QObject::connect(&engine, &OpenJTalkEngine::pieceStarted, [&](int, int) {
        started.push_back(clock.elapsed());
        length.push_back(mixer.lengthMs(AudioMixer::kSpeechChannel));
    });
    auto c2 = QObject::connect(&engine, &OpenJTalkEngine::pieceSynthesised,
                               [&](int, int) { synthesised.push_back(clock.elapsed()); });
    run.pressed = clock.elapsed();
    engine.speak(text);
    auto c3 = QObject::connect(&engine, &SpeechEngine::speakingFinished, [&] { finished = true; });
    QDeadlineTimer deadline(60000);
    while (!finished && !deadline.hasExpired())
        runFor(5);
    const qint64 end = clock.elapsed();
    QObject::disconnect(c1);
    QObject::disconnect(c2);
    QObject::disconnect(c3);
    run.pieces = int(started.size());
    if (started.empty())
        return run;
    run.toMixer = started[0] - run.pressed;
    run.heardMs = end - started[0];
    for (size_t k = 1; k < started.size(); ++k) {
        run.maxGap = std::max(run.maxGap, started[k] - (started[k - 1] + length[k - 1]));
        run.gaps += QStringLiteral(" %1").arg(started[k] - (started[k - 1] + length[k - 1]));
        if (k < synthesised.size() && synthesised[k] > started[k - 1] + length[k - 1])
            run.starved = true;
    }
    return run;
}

qint64 median(std::vector<qint64> v) {
    std::sort(v.begin(), v.end());
    return v.empty() ? -1 : v[v.size() / 2];
}

} // namespace

int main(int argc, char** argv) {
    qputenv("SDL_AUDIODRIVER", "dummy");
    QCoreApplication app(argc, argv);
    QCoreApplication::setApplicationName(QStringLiteral("508"));
    const int runs = argc > 1 && atoi(argv[1]) > 0 ? atoi(argv[1]) : 3;

    const OpenJTalkSetup setup = OpenJTalkSetup::find();
    std::unique_ptr<OpenJTalkEngine> engine(OpenJTalkEngine::create(setup));
    if (!engine) {
        std::printf("# speech start: Open JTalk, its dictionary or a voice is not installed\n");
        return 0;
    }
    QTemporaryDir dir;
    engine->setVoiceFile(dir.filePath(QStringLiteral("voice.conf"))); // the standard voice
    if (!AudioMixer::instance().ensureOpen()) {
        std::printf("# speech start: no audio device\n");
        return 1;
    }
    QElapsedTimer clock;
    clock.start();
    struct Kind {
        const char* name;
        QString text;
        std::vector<Run> runs;
    };
    std::vector<Kind> kinds{{"short", QString::fromUtf8(kShort), {}}, {"12s", QString::fromUtf8(kLong), {}}};
    for (int r = 0; r < runs; ++r) {
        for (Kind& k : kinds) {
            runFor(500); // a synthesiser is made ready after each announcement, as between button presses
            k.runs.push_back(speakOnce(*engine, k.text, clock));
        }
    }
    std::printf(
        "# speech start: from speak() to the first piece on the mixer, median of %d runs, the standard "
        "voice\n",
        runs);
    qint64 worstGap = 0;
    for (const Kind& k : kinds) {
        std::vector<qint64> starts, gaps;
        bool starved = false;
        for (const Run& r : k.runs) {
            starts.push_back(r.toMixer);
            gaps.push_back(r.maxGap);
            starved = starved || r.starved;
        }
        worstGap = std::max(worstGap, *std::max_element(gaps.begin(), gaps.end()));
        std::printf("# %s: \"%s\": %.1f s in %d pieces; starts %lld..%lld ms%s\n", k.name,
                    k.text.toUtf8().constData(), k.runs.back().heardMs / 1000.0, k.runs.back().pieces,
                    qlonglong(*std::min_element(starts.begin(), starts.end())),
                    qlonglong(*std::max_element(starts.begin(), starts.end())),
                    starved ? "; a piece was not ready in time" : "");
        for (const Run& r : k.runs)
            std::printf("# %s: start %lld ms, gaps (ms):%s\n", k.name, qlonglong(r.toMixer),
                        qPrintable(r.gaps));
        std::printf("measure: speech_start_%s_ms %lld\n", k.name, qlonglong(median(starts)));
    }
    std::printf("measure: speech_gap_ms %lld\n", qlonglong(worstGap));
    // For comparison: the whole text synthesised before any of it is played.
    QProcess whole;
    QStringList args{QStringLiteral("-x"), setup.dictionary,      QStringLiteral("-m"),
                     setup.voice,          QStringLiteral("-ow"), dir.filePath(QStringLiteral("whole.wav"))};
    QElapsedTimer t;
    t.start();
    whole.start(setup.program, args);
    whole.write(QString::fromUtf8(kLong).toUtf8() + '\n');
    whole.closeWriteChannel();
    whole.waitForFinished(60000);
    const qint64 synthesis = t.elapsed();
    QFile wav(dir.filePath(QStringLiteral("whole.wav")));
    wav.open(QIODevice::ReadOnly);
    const QByteArray bytes = wav.readAll();
    const QByteArray audible = speech::trimWavSilence(bytes, 0, 1000000);
    const qint64 leadMs = audible.isEmpty() ? 0 : (bytes.size() - audible.size()) / 2 * 1000 / 48000;
    std::printf("# before: the 12 s announcement whole: %lld ms to synthesise + %lld ms of leading silence\n",
                qlonglong(synthesis), qlonglong(leadMs));
    return 0;
}
