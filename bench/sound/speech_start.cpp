// How soon an announcement is heard after its button is pressed, for a short one and
// for one of about twelve seconds, and whether its pieces follow without gaps.
//
//   bench_speech_start [RUNS]            (default 3; the median is reported)
//
// Run beside a private PulseAudio daemon with a null sink (the program starts itself
// under tests/sound/with-pulse.sh when it can), the sink's monitor is recorded: the
// start is where the speech is heard in the recording, measured against a tone started
// on a sound channel the same way just before (so the output latency that every sound
// has is not counted). Without PulseAudio the start is when the first piece is handed
// to the mixer. Prints one line per figure:
//   NAME: VALUE UNIT (goal < LIMIT UNIT)
// and lines starting with '#' that say how it was measured.
#include "sound/AudioMixer.h"
#include "sound/SpeechEngine.h"
#include "sound/SpeechText.h"

#include <QCoreApplication>
#include <QDeadlineTimer>
#include <QElapsedTimer>
#include <QEventLoop>
#include <QFile>
#include <QFileInfo>
#include <QProcess>
#include <QTemporaryDir>
#include <QTimer>
#include <QtEndian>
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

// A 16-bit stereo WAV file with a 1 kHz tone.
QByteArray toneWav(int ms) {
    const int rate = 44100;
    const qint64 frames = qint64(rate) * ms / 1000;
    QByteArray b(44, '\0');
    b.replace(0, 4, "RIFF");
    qToLittleEndian<quint32>(quint32(36 + frames * 4), b.data() + 4);
    b.replace(8, 8, "WAVEfmt ");
    qToLittleEndian<quint32>(16, b.data() + 16);
    qToLittleEndian<quint16>(1, b.data() + 20);
    qToLittleEndian<quint16>(2, b.data() + 22);
    qToLittleEndian<quint32>(rate, b.data() + 24);
    qToLittleEndian<quint32>(rate * 4, b.data() + 28);
    qToLittleEndian<quint16>(4, b.data() + 32);
    qToLittleEndian<quint16>(16, b.data() + 34);
    b.replace(36, 4, "data");
    qToLittleEndian<quint32>(quint32(frames * 4), b.data() + 40);
    for (qint64 f = 0; f < frames; ++f) {
        const qint16 v = qint16(12000 * std::sin(2 * M_PI * 1000 * double(f) / rate));
        char s[4];
        qToLittleEndian<qint16>(v, s);
        qToLittleEndian<qint16>(v, s + 2);
        b.append(s, 4);
    }
    return b;
}

// The recording of the sink's monitor: 16-bit stereo at 44.1 kHz.
struct Recording {
    std::vector<qint16> samples;
    int rate = 44100;

    bool read(const QString& path) {
        QFile f(path);
        if (!f.open(QIODevice::ReadOnly))
            return false;
        const QByteArray b = f.readAll();
        const qsizetype data = b.indexOf("data");
        if (data < 0)
            return false;
        for (qsizetype p = data + 8; p + 2 <= b.size(); p += 2)
            samples.push_back(qFromLittleEndian<qint16>(b.constData() + p));
        return true;
    }
    qint64 lengthMs() const { return qint64(samples.size() / 2) * 1000 / rate; }
    double rms(qint64 startMs, qint64 ms) const {
        const size_t from = size_t(std::max<qint64>(0, startMs) * rate / 1000) * 2;
        const size_t to = std::min(samples.size(), size_t((startMs + ms) * rate / 1000) * 2);
        double sum = 0;
        for (size_t i = from; i < to; ++i)
            sum += double(samples[i]) * samples[i];
        return to > from ? std::sqrt(sum / double(to - from)) / 32768.0 : 0;
    }
    // The first 5 ms window from `fromMs` on louder than the level; -1 if none.
    qint64 onset(qint64 fromMs, double level) const {
        for (qint64 t = fromMs; t + 5 <= lengthMs(); t += 5)
            if (rms(t, 5) > level)
                return t;
        return -1;
    }
};

struct Run {
    qint64 pressed = 0;  // ms on the program's clock
    qint64 toMixer = -1; // ms from the press to the first piece on the mixer
    qint64 maxGap = 0;   // the longest wait between two pieces, ms
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
        if (k < synthesised.size() && synthesised[k] > started[k - 1] + length[k - 1])
            run.starved = true;
    }
    return run;
}

qint64 median(std::vector<qint64> v) {
    std::sort(v.begin(), v.end());
    return v.empty() ? -1 : v[v.size() / 2];
}

// Runs this program again beside a private PulseAudio daemon; -1 when that cannot be done.
int underPulse(int argc, char** argv) {
    const QString wrapper = QStringLiteral(CORVANE_SOURCE_DIR "/tests/sound/with-pulse.sh");
    if (!qEnvironmentVariableIsEmpty("CORVANE_PULSE_SINK") || !QFileInfo(wrapper).isExecutable() ||
        qEnvironmentVariableIsSet("CORVANE_NO_PULSE"))
        return -1;
    QStringList args{QString::fromLocal8Bit(argv[0])};
    for (int i = 1; i < argc; ++i)
        args << QString::fromLocal8Bit(argv[i]);
    QProcess p;
    p.setProcessChannelMode(QProcess::ForwardedChannels);
    p.start(wrapper, args);
    if (!p.waitForStarted() || !p.waitForFinished(-1))
        return -1;
    return p.exitCode() == 77 ? -1 : p.exitCode();
}

} // namespace

int main(int argc, char** argv) {
    {
        QCoreApplication probe(argc, argv);
        if (const int status = underPulse(argc, argv); status >= 0)
            return status;
    }
    const bool pulse = !qEnvironmentVariableIsEmpty("CORVANE_PULSE_SINK");
    if (!pulse)
        qputenv("SDL_AUDIODRIVER", "dummy");
    QCoreApplication app(argc, argv);
    QCoreApplication::setApplicationName(QStringLiteral("508"));
    const int runs = std::max(1, argc > 1 ? atoi(argv[1]) : 3);

    const OpenJTalkSetup setup = OpenJTalkSetup::find();
    std::unique_ptr<OpenJTalkEngine> engine(OpenJTalkEngine::create(setup));
    if (!engine) {
        std::printf("# speech start: Open JTalk, its dictionary or a voice is not installed\n");
        return 0;
    }
    QTemporaryDir dir;
    engine->setVoiceFile(dir.filePath(QStringLiteral("voice.conf"))); // the standard voice
    AudioMixer& mixer = AudioMixer::instance();
    if (!mixer.ensureOpen()) {
        std::printf("# speech start: no audio device\n");
        return 1;
    }

    QProcess parec;
    const QString recording = dir.filePath(QStringLiteral("rec.wav"));
    if (pulse) {
        parec.start(QStringLiteral("parec"),
                    {QStringLiteral("--latency-msec=20"), QStringLiteral("-d"),
                     QStringLiteral("nullsink.monitor"), QStringLiteral("--rate=44100"),
                     QStringLiteral("--channels=2"), QStringLiteral("--format=s16le"),
                     QStringLiteral("--file-format=wav"), recording});
        parec.waitForStarted(5000);
        runFor(2500); // the null sink drops to its low latency
    }
    QElapsedTimer clock;
    clock.start();
    const QString tone = dir.filePath(QStringLiteral("tone.wav"));
    {
        QFile f(tone);
        f.open(QIODevice::WriteOnly);
        f.write(toneWav(300));
    }
    const qint64 tonePressed = clock.elapsed();
    mixer.load(0, tone, false);
    mixer.play(0);
    runFor(800);

    struct Kind {
        const char* name;
        QString text;
        std::vector<Run> runs;
    };
    std::vector<Kind> kinds{{"short", QString::fromUtf8(kShort), {}}, {"12s", QString::fromUtf8(kLong), {}}};
    for (int r = 0; r < runs; ++r) {
        for (Kind& k : kinds) {
            k.runs.push_back(speakOnce(*engine, k.text, clock));
            runFor(600);
        }
    }
    if (pulse) {
        parec.terminate();
        parec.waitForFinished(5000);
    }
    mixer.close(0);

    // Where the tone begins in the recording ties the program's clock to it.
    Recording rec;
    qint64 shift = 0;
    const bool heard = pulse && rec.read(recording);
    if (heard) {
        const qint64 toneOnset = rec.onset(1500, 0.05);
        if (toneOnset < 0) {
            std::printf("# speech start: the reference tone was not heard\n");
            return 1;
        }
        shift = toneOnset - tonePressed;
    }
    std::printf("# speech start: %s, median of %d runs, the standard voice\n",
                heard ? "heard in a recording of a PulseAudio null sink, against a tone started the same way"
                      : "until the first piece is on the mixer (SDL dummy driver: no PulseAudio)",
                runs);
    bool ok = true;
    for (const Kind& k : kinds) {
        std::vector<qint64> starts, gaps, toMixer;
        bool starved = false;
        for (const Run& r : k.runs) {
            toMixer.push_back(r.toMixer);
            gaps.push_back(r.maxGap);
            starved = starved || r.starved;
            if (heard) {
                const qint64 onset = rec.onset(r.pressed + shift - 20, 0.003);
                starts.push_back(onset < 0 ? -1 : onset - (r.pressed + shift));
            } else {
                starts.push_back(r.toMixer);
            }
        }
        const qint64 start = median(starts);
        ok = ok && start >= 0 && start < 250;
        std::printf("# %s: \"%s\": %.1f s heard in %d pieces; to the mixer %lld ms%s\n", k.name,
                    k.text.toUtf8().constData(), k.runs.back().heardMs / 1000.0, k.runs.back().pieces,
                    qlonglong(median(toMixer)), starved ? "; a piece was late" : "");
        std::printf("speech-start-%s: %lld ms (goal < 250 ms)\n", k.name, qlonglong(start));
        if (k.runs.back().pieces > 1)
            std::printf("speech-gap-%s: %lld ms (goal < 50 ms)\n", k.name,
                        qlonglong(*std::max_element(gaps.begin(), gaps.end())));
    }
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
    return ok ? 0 : 1;
}
