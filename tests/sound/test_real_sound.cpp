// Real sound: run by with-pulse.sh beside a PulseAudio daemon with a null sink. The
// program's own channel code plays WAV, MP3 and MIDI files and a spoken announcement;
// the sink's monitor is recorded and the recording proves what came out, and when.
#include "SoundFixtures.h"
#include "platform/Cp932.h"
#include "sound/AudioMixer.h"
#include "sound/SpeechEngine.h"
#include "sound/mdlM_Tape.h"
#include "sound/mdlSndAPI.h"

#include <QDeadlineTimer>
#include <QElapsedTimer>
#include <QEventLoop>
#include <QFile>
#include <QProcess>
#include <QRegularExpression>
#include <QTemporaryDir>
#include <QTimer>
#include <QtEndian>
#include <cmath>
#include <cstdio>
#include <gtest/gtest.h>
#include <vector>

namespace {

void runFor(int ms) {
    QEventLoop loop;
    QTimer::singleShot(ms, &loop, &QEventLoop::quit);
    loop.exec();
}

// A 16-bit PCM WAV file as parec writes it.
struct Recording {
    int rate = 0;
    int channels = 0;
    std::vector<qint16> samples;

    bool read(const QString& path) {
        QFile f(path);
        if (!f.open(QIODevice::ReadOnly))
            return false;
        const QByteArray b = f.readAll();
        if (b.size() < 12 || !b.startsWith("RIFF") || b.mid(8, 4) != "WAVE")
            return false;
        qsizetype p = 12;
        int bits = 0;
        while (p + 8 <= b.size()) {
            const QByteArray id = b.mid(p, 4);
            qint64 size = qFromLittleEndian<quint32>(b.constData() + p + 4);
            const qsizetype body = p + 8;
            if (id == "fmt " && body + 16 <= b.size()) {
                channels = qFromLittleEndian<quint16>(b.constData() + body + 2);
                rate = int(qFromLittleEndian<quint32>(b.constData() + body + 4));
                bits = qFromLittleEndian<quint16>(b.constData() + body + 14);
            } else if (id == "data") {
                // a recorder stopped by a signal may leave the size unset
                if (size == 0 || size == 0xffffffff || body + size > b.size())
                    size = b.size() - body;
                samples.resize(size_t(size / 2));
                for (size_t i = 0; i < samples.size(); ++i)
                    samples[i] = qFromLittleEndian<qint16>(b.constData() + body + 2 * qsizetype(i));
                return bits == 16 && channels > 0 && rate > 0;
            }
            p = body + size + (size & 1);
        }
        return false;
    }

    qint64 lengthMs() const { return channels ? qint64(samples.size() / size_t(channels)) * 1000 / rate : 0; }

    // RMS (0..1) of one channel (0 = left) or of all (-1) over [startMs, startMs + ms).
    double rms(qint64 startMs, qint64 ms, int channel = -1) const {
        const qint64 frames = qint64(samples.size()) / channels;
        const qint64 from = qBound<qint64>(0, startMs * rate / 1000, frames);
        const qint64 to = qBound<qint64>(0, (startMs + ms) * rate / 1000, frames);
        double sum = 0;
        qint64 n = 0;
        for (qint64 f = from; f < to; ++f) {
            for (int c = 0; c < channels; ++c) {
                if (channel >= 0 && c != channel)
                    continue;
                const double v = samples[size_t(f * channels + c)] / 32768.0;
                sum += v * v;
                ++n;
            }
        }
        return n ? std::sqrt(sum / double(n)) : 0;
    }

    // The first 10 ms window from `fromMs` on whose RMS exceeds the level; -1 if none.
    qint64 onset(qint64 fromMs, double level, int channel = -1) const {
        for (qint64 t = fromMs; t + 10 <= lengthMs(); t += 10) {
            if (rms(t, 10, channel) > level)
                return t;
        }
        return -1;
    }

    // The first 10 ms window from `fromMs` on that stays below the level for 100 ms.
    qint64 offset(qint64 fromMs, double level, int channel = -1) const {
        for (qint64 t = fromMs; t + 100 <= lengthMs(); t += 10) {
            if (rms(t, 100, channel) < level)
                return t;
        }
        return -1;
    }
};

// "RMS amplitude" as sox's stat effect reports it for a stretch of one channel
// (1 = left, 2 = right) or of the mix (0); -1 when sox fails.
double soxRms(const QString& file, qint64 startMs, qint64 ms, int channel = 0) {
    QStringList args{file, QStringLiteral("-n")};
    if (channel > 0)
        args << QStringLiteral("remix") << QString::number(channel);
    args << QStringLiteral("trim") << QString::number(startMs / 1000.0, 'f', 3)
         << QString::number(ms / 1000.0, 'f', 3) << QStringLiteral("stat");
    QProcess sox;
    sox.start(QStringLiteral("sox"), args);
    if (!sox.waitForFinished(30000) || sox.exitCode() != 0)
        return -1;
    const QString report = QString::fromUtf8(sox.readAllStandardError());
    const QRegularExpressionMatch m =
        QRegularExpression(QStringLiteral("RMS\\s+amplitude:\\s+([0-9.eE+-]+)")).match(report);
    return m.hasMatch() ? m.captured(1).toDouble() : -1;
}

constexpr double kHeard = 0.01;   // RMS of a sound that came out
constexpr double kSilent = 0.002; // RMS of silence

class RealSound : public ::testing::Test {
protected:
    void SetUp() override {
        if (qEnvironmentVariableIsEmpty("CORVANE_PULSE_SINK"))
            GTEST_SKIP() << "run through with-pulse.sh";
        ASSERT_TRUE(dir.isValid());
    }
    QString path(const char* name) const { return dir.filePath(QString::fromLatin1(name)); }

    QTemporaryDir dir;
};

TEST_F(RealSound, ChannelsAndSpeechComeOutOfTheSink) {
    using mdlSndAPI::PlaySnd;
    // the sounds
    ASSERT_TRUE(fixtures::writeFile(path("a.wav"), fixtures::toneWav(1000, 440, 0.5, 0.5)));
    ASSERT_TRUE(fixtures::writeFile(path("b-src.wav"), fixtures::toneWav(1000, 660, 0.5, 0.5)));
    ASSERT_TRUE(fixtures::encodeMp3(path("b-src.wav"), path("b.mp3"))) << "lame is needed";
    ASSERT_TRUE(fixtures::writeFile(path("c.mid"), fixtures::oneNoteMidi(800)));
    ASSERT_TRUE(fixtures::writeFile(path("left.wav"), fixtures::toneWav(3000, 440, 0.5, 0.0)));
    ASSERT_TRUE(fixtures::writeFile(path("right.wav"), fixtures::toneWav(3000, 880, 0.0, 0.5)));
    ASSERT_TRUE(fixtures::writeFile(path("left-short.wav"), fixtures::toneWav(300, 1320, 0.5, 0.0)));
    ASSERT_TRUE(fixtures::writeFile(
        path("5tp.csv"),
        cp932::encode(QStringLiteral("次は、市役所前です。お降りの方はお知らせください。,0,0\r\n"))));

    // the speech engine and the tape
    mdlM_Tape::setSettingsSource([]() {
        mdlM_Tape::TapeSettings s;
        s.PreAnnounceAlways = false;
        s.PreAnnounceByFlag = true;
        return s;
    });
    mdlM_Tape::InitTape();
    ASSERT_TRUE(mdlM_Tape::SpeechReady()) << "Open JTalk is needed";
    mdlM_Tape::LoadTape(dir.path() + QLatin1Char('/'), QStringLiteral("5"));
    ASSERT_EQ(mdlM_Tape::GetTapeCount(), 1);

    ASSERT_TRUE(AudioMixer::instance().ensureOpen());
    ASSERT_EQ(AudioMixer::instance().driverName(), QStringLiteral("pulseaudio"));

    // the recorder, attached long enough for the null sink to drop to its low latency
    const QString recording = path("rec.wav");
    QProcess parec;
    parec.start(QStringLiteral("parec"), {QStringLiteral("--latency-msec=20"), QStringLiteral("-d"),
                                          QStringLiteral("nullsink.monitor"), QStringLiteral("--rate=44100"),
                                          QStringLiteral("--channels=2"), QStringLiteral("--format=s16le"),
                                          QStringLiteral("--file-format=wav"), recording});
    ASSERT_TRUE(parec.waitForStarted(5000));
    runFor(2500);

    QElapsedTimer clock;
    clock.start();
    const qint64 tA = clock.elapsed();
    PlaySnd(path("a.wav"), QStringLiteral("S1"), -1, 0);
    const qint64 dA = clock.elapsed() - tA;
    runFor(700);
    const qint64 tB = clock.elapsed();
    PlaySnd(path("b.mp3"), QStringLiteral("S1"), -1, 0);
    const qint64 dB = clock.elapsed() - tB;
    runFor(700);
    const qint64 tC = clock.elapsed();
    PlaySnd(path("c.mid"), QStringLiteral("S1"), -1, 0);
    const qint64 dC = clock.elapsed() - tC;
    runFor(700);
    const qint64 tD = clock.elapsed();
    PlaySnd(path("left.wav"), QStringLiteral("S1"), 0, 0);
    PlaySnd(path("right.wav"), QStringLiteral("S2"), 0, 0);
    runFor(1000);
    const qint64 tE = clock.elapsed();
    PlaySnd(path("left-short.wav"), QStringLiteral("S1"), 0, 0);
    runFor(int(tD + 3500 - clock.elapsed()));
    const qint64 tS = clock.elapsed();
    mdlM_Tape::TapeNext();
    SpeechEngine* engine = mdlM_Tape::Engine();
    ASSERT_NE(engine, nullptr);
    QDeadlineTimer deadline(15000);
    while (engine->isSpeaking() && !deadline.hasExpired())
        runFor(20);
    const qint64 tSEnd = clock.elapsed();
    runFor(600);
    parec.terminate();
    ASSERT_TRUE(parec.waitForFinished(5000));
    mdlSndAPI::CloseAllSnd();
    mdlM_Tape::ReleaseTape();

    // A blocking play returns once the sound has been played.
    EXPECT_GE(dA, 990);
    EXPECT_LE(dA, 1150);
    EXPECT_GE(dB, 990);
    EXPECT_LE(dB, 1250); // the MP3 coder adds a few frames of its own
    EXPECT_GE(dC, 700);
    EXPECT_LE(dC, 2000) << "the synthesiser's trailing silence was played";
    EXPECT_GT(tSEnd - tS, 1500) << "the announcement was not spoken";

    Recording rec;
    ASSERT_TRUE(rec.read(recording));
    ASSERT_EQ(rec.channels, 2);
    // Where the first sound begins in the recording ties the program's clock to it.
    const qint64 onsetA = rec.onset(500, 0.05);
    ASSERT_GE(onsetA, 0) << "nothing came out";
    const qint64 shift = onsetA - tA;
    const auto at = [&](qint64 t) { return t + shift; };
    const qint64 endA = rec.offset(at(tA) + 50, kSilent);
    const qint64 endRight = rec.offset(at(tD) + 100, kSilent, 1);
    std::printf("blocking plays: wav %lld ms, mp3 %lld ms, midi %lld ms; speech %lld ms\n"
                "in the recording: wav sounded %lld ms, S2 sounded %lld ms\n",
                qlonglong(dA), qlonglong(dB), qlonglong(dC), qlonglong(tSEnd - tS), qlonglong(endA - at(tA)),
                qlonglong(endRight - at(tD)));

    // The WAV sounded for its second, and the recording was silent before it.
    EXPECT_LT(soxRms(recording, 0, onsetA - 100), kSilent);
    EXPECT_GT(soxRms(recording, at(tA) + 50, 900), kHeard);
    EXPECT_NEAR(double(endA - at(tA)), 1000.0, 60.0);
    EXPECT_NEAR(double(endA - at(tA)), double(dA), 150.0)
        << "the blocking play returned when the sound ended";
    // The MP3 and the MIDI file came out, each after a silent gap.
    EXPECT_LT(soxRms(recording, at(tA) + 1100, 500), kSilent);
    EXPECT_GT(soxRms(recording, at(tB) + 100, 800), kHeard);
    EXPECT_LT(soxRms(recording, at(tB) + dB + 100, 500), kSilent);
    EXPECT_GT(soxRms(recording, at(tC) + 150, 500), kHeard); // after the song is rendered
    EXPECT_LT(soxRms(recording, at(tC) + dC + 150, 450), kSilent);

    // "S1" (left) and "S2" (right) started together; the second sound on "S1" cut the
    // first, while "S2" played its three seconds.
    EXPECT_GT(soxRms(recording, at(tD) + 100, tE - tD - 200, 1), kHeard);
    EXPECT_GT(soxRms(recording, at(tE) + 50, 200, 1), kHeard);
    EXPECT_LT(soxRms(recording, at(tE) + 450, tD + 2900 - tE - 450, 1), kSilent)
        << "the first sound on S1 went on after it was replaced";
    EXPECT_GT(soxRms(recording, at(tE) + 450, tD + 2900 - tE - 450, 2), kHeard) << "S2 was cut too";
    EXPECT_NEAR(double(endRight - at(tD)), 3000.0, 150.0);

    // The announcement was heard.
    EXPECT_LT(soxRms(recording, at(tD) + 3200, tS - tD - 3200), kSilent);
    EXPECT_GT(soxRms(recording, at(tS), tSEnd - tS), kHeard);
}

} // namespace
