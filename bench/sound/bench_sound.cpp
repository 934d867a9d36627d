// How soon sound is heard, on the real audio output (SDL's dummy driver when there is
// no sound card, which plays at real-time speed):
//   speech_short_ms / speech_long_ms   speak() of a short and of a long announcement
//                                      until the synthesised speech starts playing
//   long_sound_ms                      PlaySnd of a 60-minute MP3 until it plays
//   long_sound_rss_mb                  the resident memory added by that sound
// The MP3 is made once with sox and lame into the folder given (default: the current
// folder) and kept there. Prints one "measure: NAME VALUE" line each; a measurement
// that cannot be made (no Open JTalk, no sox or lame) is printed as "measure: NAME -".
//
//   bench_sound [FOLDER]
#include "sound/AudioMixer.h"
#include "sound/SpeechEngine.h"
#include "sound/mdlSndAPI.h"

#include <QCoreApplication>
#include <QDir>
#include <QElapsedTimer>
#include <QEventLoop>
#include <QFile>
#include <QFileInfo>
#include <QProcess>
#include <QTimer>
#include <cstdio>
#include <unistd.h>

namespace {

double residentMb() {
    QFile statm(QStringLiteral("/proc/self/statm"));
    if (!statm.open(QIODevice::ReadOnly))
        return 0;
    const QList<QByteArray> fields = statm.readAll().split(' ');
    return fields.size() > 1 ? fields[1].toDouble() * static_cast<double>(sysconf(_SC_PAGESIZE)) / 1048576.0
                             : 0;
}

// Runs the event loop until `done` holds or `limitMs` passes; the time taken in ms,
// or -1 at the limit.
template <class Done> double waitFor(Done done, int limitMs) {
    QElapsedTimer t;
    t.start();
    while (!done()) {
        if (t.elapsed() > limitMs)
            return -1;
        QCoreApplication::processEvents(QEventLoop::AllEvents, 1);
    }
    return static_cast<double>(t.nsecsElapsed()) / 1e6;
}

void print(const char* name, double value) {
    if (value < 0)
        std::printf("measure: %s -\n", name);
    else
        std::printf("measure: %s %.1f\n", name, value);
    std::fflush(stdout);
}

bool run(const QString& program, const QStringList& args) {
    QProcess p;
    p.start(program, args);
    return p.waitForFinished(600000) && p.exitStatus() == QProcess::NormalExit && p.exitCode() == 0;
}

} // namespace

int main(int argc, char** argv) {
    QCoreApplication app(argc, argv);
    const QString folder = argc > 1 ? QString::fromLocal8Bit(argv[1]) : QDir::currentPath();
    AudioMixer& mixer = AudioMixer::instance();
    mixer.ensureOpen();

    // Speech: the time until the synthesised announcement is heard.
    if (OpenJTalkEngine* engine = OpenJTalkEngine::create(OpenJTalkSetup::find(), &app)) {
        const QString texts[] = {
            QStringLiteral("次は、市役所前です。"),
            QStringLiteral("次は、中央市役所前駅東口バスターミナルです。お降りの方はお近くのボタンを押してお"
                           "知らせください。バスが止まってから席をお立ちください。本日もご乗車ありがとうござ"
                           "います。"),
        };
        const char* names[] = {"speech_short_ms", "speech_long_ms"};
        for (int i = 0; i < 2; ++i) {
            engine->speak(texts[i]);
            print(names[i], waitFor([&] { return mixer.isPlaying(AudioMixer::kSpeechChannel); }, 20000));
            engine->stop();
        }
    } else {
        print("speech_short_ms", -1);
        print("speech_long_ms", -1);
    }

    // A 60-minute MP3 chosen as a sound.
    const QString mp3 = QDir(folder).filePath(QStringLiteral("sixty-minutes.mp3"));
    if (!QFileInfo(mp3).isFile()) {
        const QString wav = QDir(folder).filePath(QStringLiteral("sixty-minutes.wav"));
        const bool made = run(QStringLiteral("sox"), {"-n", "-r", "22050", "-c", "1", "-b", "16", wav,
                                                      "synth", "3600", "sine", "440", "vol", "0.3"}) &&
                          run(QStringLiteral("lame"), {"--quiet", "-b", "32", wav, mp3});
        QFile::remove(wav);
        if (!made) {
            QFile::remove(mp3);
            print("long_sound_ms", -1);
            print("long_sound_rss_mb", -1);
            return 0;
        }
    }
    const double before = residentMb();
    QElapsedTimer t;
    t.start();
    mdlSndAPI::PlaySnd(mp3, QStringLiteral("S1"), 0, 0);
    const double started = waitFor([&] { return mixer.isPlaying(0); }, 60000);
    print("long_sound_ms", started < 0 ? -1 : static_cast<double>(t.nsecsElapsed()) / 1e6);
    waitFor([] { return false; }, 1000); // a second of playing
    print("long_sound_rss_mb", residentMb() - before);
    mdlSndAPI::CloseAllSnd();
    return 0;
}
