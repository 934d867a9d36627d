#include "sound/SpeechEngine.h"

#include "sound/AudioMixer.h"
#include "sound/SpeechText.h"

#include <QDateTime>
#include <QDir>
#include <QDirIterator>
#include <QFile>
#include <QFileInfo>
#include <QProcess>
#include <QStandardPaths>
#include <QThread>
#include <cerrno>
#include <csignal>
#include <fcntl.h>
#include <spawn.h>
#include <sys/resource.h>
#include <sys/socket.h>
#include <sys/syscall.h>
#include <sys/wait.h>
#include <unistd.h>
#include <vector>

extern char** environ;

namespace {

bool g_recording = false;
QStringList g_spoken;

const char* const kDictionary = "/var/lib/mecab/dic/open-jtalk/naist-jdic";
const char* const kVoiceFolder = "/usr/share/hts-voice";
const char* const kVoice = "/usr/share/hts-voice/nitech-jp-atr503-m001/nitech_jp_atr503_m001.htsvoice";

// A WAV file holds sound only beyond its 44-byte header.
constexpr qint64 kWavHeaderBytes = 44;
// The largest synthesised piece or chime file read.
constexpr qint64 kMaxFileBytes = 64 * 1024 * 1024;

// The parts of a prepared item's key.
const QChar kKeySeparator(0x1F);

// What a preparing job needs to run a synthesiser.
struct Synthesiser {
    QString program;
    QStringList arguments; // without the output file
    int leadMs = 0;
    int tailMs = 0;
};

// Lowers the priority of the calling thread (Linux keeps a nice value per thread).
void lowerThisThread() {
    ::setpriority(PRIO_PROCESS, static_cast<id_t>(::syscall(SYS_gettid)), OpenJTalkEngine::kPrepareNice);
}

// Runs the synthesiser on one piece of text and waits for it to end; false when it
// could not be started or failed, or when `cancel` was set (it is then killed). It is
// started with posix_spawn, which shares this process's memory until the program is
// loaded, rather than by fork, whose copy of the memory map holds up the
// user-interface thread; it takes the nice value of the calling thread.
bool runSynthesiser(const QString& program, const QStringList& arguments, const QByteArray& input,
                    const std::atomic_bool& cancel) {
    QList<QByteArray> args{QFile::encodeName(program)};
    for (const QString& a : arguments)
        args << QFile::encodeName(a);
    std::vector<char*> argv;
    for (QByteArray& a : args)
        argv.push_back(a.data());
    argv.push_back(nullptr);
    // A socket rather than a pipe: writing to a synthesiser that died raises no SIGPIPE.
    int fds[2];
    if (::socketpair(AF_UNIX, SOCK_STREAM | SOCK_CLOEXEC, 0, fds) != 0)
        return false;
    posix_spawn_file_actions_t actions;
    posix_spawn_file_actions_init(&actions);
    posix_spawn_file_actions_adddup2(&actions, fds[1], STDIN_FILENO);
    posix_spawn_file_actions_addopen(&actions, STDOUT_FILENO, "/dev/null", O_WRONLY, 0);
    posix_spawn_file_actions_adddup2(&actions, STDOUT_FILENO, STDERR_FILENO);
    pid_t pid = 0;
    const int spawned = ::posix_spawn(&pid, argv[0], &actions, nullptr, argv.data(), environ);
    posix_spawn_file_actions_destroy(&actions);
    ::close(fds[1]);
    if (spawned != 0) {
        ::close(fds[0]);
        return false;
    }
    for (qsizetype at = 0; at < input.size();) {
        const ssize_t n = ::send(fds[0], input.constData() + at, size_t(input.size() - at), MSG_NOSIGNAL);
        if (n < 0 && errno == EINTR)
            continue;
        if (n <= 0)
            break;
        at += n;
    }
    ::close(fds[0]);
    int status = 0;
    for (;;) {
        const pid_t done = ::waitpid(pid, &status, WNOHANG);
        if (done == pid)
            break;
        if (done < 0 && errno != EINTR)
            return false;
        if (cancel) {
            ::kill(pid, SIGKILL);
            while (::waitpid(pid, &status, 0) < 0 && errno == EINTR) {
            }
            return false;
        }
        QThread::msleep(5);
    }
    return WIFEXITED(status) && WEXITSTATUS(status) == 0;
}

// Synthesises one piece at low priority into `wavPath` and returns its sound, trimmed
// and decoded for a device of `frequency`; empty when it gives no sound. `ok` is false
// when the synthesiser failed or `cancel` was set.
QByteArray synthesisePiece(const Synthesiser& synth, const QString& piece, const QString& wavPath,
                           int frequency, const std::atomic_bool& cancel, bool& ok) {
    ok = false;
    // The synthesiser speaks only the first line of its input; a piece has no line break.
    const bool ran =
        runSynthesiser(synth.program, synth.arguments + QStringList{QStringLiteral("-ow"), wavPath},
                       piece.toUtf8() + '\n', cancel);
    QFile file(wavPath);
    QByteArray wav;
    if (ran && !cancel && file.open(QIODevice::ReadOnly))
        wav = file.read(kMaxFileBytes);
    file.close();
    QFile::remove(wavPath);
    if (wav.isEmpty())
        return {};
    ok = true;
    const QByteArray trimmed = speech::trimWavSilence(wav, synth.leadMs, synth.tailMs);
    return trimmed.size() > kWavHeaderBytes ? AudioMixer::decodeWav(trimmed, frequency) : QByteArray();
}

// A chime file decoded for a device of `frequency`; empty when it is not a WAV file or
// is long enough to be streamed rather than decoded.
QByteArray decodeChime(const QString& path, int frequency, double longSoundSeconds) {
    QFile file(path);
    if (!file.open(QIODevice::ReadOnly))
        return {};
    const QByteArray wav = file.read(kMaxFileBytes);
    if (!wav.startsWith("RIFF"))
        return {};
    const QByteArray samples = AudioMixer::decodeWav(wav, frequency);
    const double seconds = double(samples.size()) / (double(frequency) * 4);
    return seconds > longSoundSeconds ? QByteArray() : samples;
}

} // namespace

void SpeechEngine::speak(const QString& text) {
    if (g_recording)
        g_spoken.append(text);
    doSpeak(text);
}

namespace speech {

void setRecording(bool on) {
    g_recording = on;
    if (!on)
        g_spoken.clear();
}

bool isRecording() {
    return g_recording;
}

QStringList takeSpoken() {
    return std::exchange(g_spoken, {});
}

QString sampleText() {
    return QStringLiteral("毎度ご乗車ありがとうございます。次は、市役所前です。");
}

} // namespace speech

OpenJTalkSetup OpenJTalkSetup::find() {
    OpenJTalkSetup s;
    s.program = QStandardPaths::findExecutable(QStringLiteral("open_jtalk"));
    const QString dictionary = QString::fromLatin1(kDictionary);
    if (QFileInfo(dictionary + QStringLiteral("/sys.dic")).isFile())
        s.dictionary = dictionary;
    if (QFileInfo(QString::fromLatin1(kVoice)).isFile()) {
        s.voice = QString::fromLatin1(kVoice);
    } else {
        QDirIterator it(QString::fromLatin1(kVoiceFolder), {QStringLiteral("*.htsvoice")}, QDir::Files,
                        QDirIterator::Subdirectories);
        if (it.hasNext())
            s.voice = it.next();
    }
    return s;
}

bool OpenJTalkSetup::available() const {
    const QFileInfo program(this->program);
    return program.isFile() && program.isExecutable() &&
           QFileInfo(dictionary + QStringLiteral("/sys.dic")).isFile() && QFileInfo(voice).isFile();
}

OpenJTalkEngine* OpenJTalkEngine::create(const OpenJTalkSetup& setup, QObject* parent) {
    if (!setup.available())
        return nullptr;
    auto* engine = new OpenJTalkEngine(setup, parent);
    if (!engine->m_dir.isValid()) {
        delete engine;
        return nullptr;
    }
    engine->prepareWarm();
    return engine;
}

OpenJTalkEngine::OpenJTalkEngine(const OpenJTalkSetup& setup, QObject* parent)
    : SpeechEngine(parent), m_setup(setup), m_voiceFile(VoiceSettings::filePath()),
      m_dir(QDir::tempPath() + QStringLiteral("/corvane-speech-XXXXXX")) {
    m_voice = VoiceSettings::load(m_voiceFile);
    AudioMixer& mixer = AudioMixer::instance();
    connect(&mixer, &AudioMixer::channelIdle, this, [this](int channel) {
        if (channel == AudioMixer::kSpeechChannel)
            onChannelIdle();
    });
    mixer.setDecodedSource(this, [this](const QString& path) { return preparedChime(path); });
    m_preparer.setMaxThreadCount(1);
    m_settle.setSingleShot(true);
    m_settle.setInterval(kSettleMs);
    connect(&m_settle, &QTimer::timeout, this, &OpenJTalkEngine::prepareNext);
    // The end of an announcement is a moment of rest: preparation goes on after it.
    connect(this, &SpeechEngine::speakingFinished, &m_settle, qOverload<>(&QTimer::start));
}

OpenJTalkEngine::~OpenJTalkEngine() {
    cancelJob();
    if (m_joinedCancel)
        *m_joinedCancel = true;
    m_preparer.clear();
    m_preparer.waitForDone();
    killProcess();
    dropWarm();
    dropPieces();
    if (AudioMixer* mixer = AudioMixer::existing()) {
        disconnect(mixer, nullptr, this, nullptr);
        mixer->clearDecodedSource(this);
        mixer->close(AudioMixer::kSpeechChannel);
    }
}

void OpenJTalkEngine::setVoiceFile(const QString& path) {
    setVoice(VoiceSettings::load(path));
    m_voiceFile = path;
}

void OpenJTalkEngine::setVoice(const VoiceSettings& voice) {
    const VoiceSettings clamped = voice.clamped();
    if (clamped == m_voice)
        return;
    m_voice = clamped;
    rewant();
}

void OpenJTalkEngine::killProcess() {
    if (!m_process)
        return;
    QProcess* process = m_process;
    m_process = nullptr;
    disconnect(process, nullptr, this, nullptr);
    process->kill();
    process->waitForFinished(1000);
    process->deleteLater();
}

void OpenJTalkEngine::dropPieces() {
    m_ready.clear();
    m_pieces.clear();
    m_nextPiece = 0;
}

void OpenJTalkEngine::stop() {
    halt();
    prepareWarm();
}

void OpenJTalkEngine::halt() {
    const bool wasSpeaking = isSpeaking();
    ++m_request;
    killProcess();
    dropPieces();
    // A piece taken over from preparation is no longer awaited.
    if (m_joinedCancel)
        *m_joinedCancel = true;
    m_joinedCancel.reset();
    m_joinedJob = 0;
    m_joinedIndex = -1;
    m_playing = false; // the channel's idle report below is not the end of a piece
    m_decodedNext = -1;
    if (AudioMixer* mixer = AudioMixer::existing())
        mixer->close(AudioMixer::kSpeechChannel);
    if (wasSpeaking)
        emit speakingFinished();
}

bool OpenJTalkEngine::isSpeaking() const {
    return m_process || m_playing || !m_ready.isEmpty() || m_nextPiece < m_pieces.size() || m_joinedJob != 0;
}

void OpenJTalkEngine::doSpeak(const QString& text) {
    halt();
    m_status = 0;
    m_pieces = speech::speechPieces(text);
    m_nextPiece = 0;
    if (m_pieces.isEmpty()) {
        emit speakingFinished();
        return;
    }
    ++m_request;
    const int count = int(m_pieces.size());
    // What was prepared of the text plays from memory; the piece being prepared next is
    // taken over rather than made again.
    const QString key = speechKey(text);
    if (m_prepared.isWanted(key)) {
        const QList<QByteArray> parts = m_prepared.take(key);
        m_nextPiece = int(qMin<qsizetype>(parts.size(), count));
        for (int i = 0; i < m_nextPiece; ++i) {
            if (!parts[i].isEmpty())
                m_ready.append(ReadyPiece{i, parts[i]});
        }
        if (m_job.id != 0 && m_job.key == key && m_job.index == m_nextPiece) {
            const Job joined = std::exchange(m_job, Job{});
            m_joinedJob = joined.id;
            m_joinedCancel = joined.cancel;
            m_joinedIndex = m_nextPiece++;
        }
        for (const ReadyPiece& piece : std::as_const(m_ready))
            emit pieceSynthesised(piece.index, count);
    }
    if (m_joinedJob == 0 && !synthesiseNext()) {
        m_status = -1;
        if (m_ready.isEmpty()) {
            m_pieces.clear();
            m_nextPiece = 0;
            emit speakingFinished();
            return;
        }
        m_pieces = m_pieces.mid(0, m_nextPiece);
    }
    advance();
    finishIfDone();
}

QProcess* OpenJTalkEngine::startProcess(QString& wavPath, bool waitForStart) {
    wavPath = m_dir.filePath(QStringLiteral("speech-%1.wav").arg(++m_files));
    auto* process = new QProcess(this);
    process->setProgram(m_setup.program);
    QStringList args{QStringLiteral("-x"), m_setup.dictionary,    QStringLiteral("-m"),
                     m_setup.voice,        QStringLiteral("-ow"), wavPath};
    args += m_voice.synthesisArguments();
    process->setArguments(args);
    process->setStandardOutputFile(QProcess::nullDevice());
    process->setStandardErrorFile(QProcess::nullDevice());
    process->start();
    if (waitForStart && !process->waitForStarted(5000)) {
        delete process;
        return nullptr;
    }
    return process;
}

void OpenJTalkEngine::prepareWarm() {
    if (m_warm && m_warmVoice == m_voice && m_warm->state() != QProcess::NotRunning)
        return;
    dropWarm();
    QString wavPath;
    QProcess* process = startProcess(wavPath, false);
    m_warm = process;
    m_warmPath = wavPath;
    m_warmVoice = m_voice;
    // One that ends before it is used (it could not start, or failed) is dropped.
    connect(process, &QProcess::finished, this, [this, process]() {
        if (m_warm == process)
            dropWarm();
    });
    connect(process, &QProcess::errorOccurred, this, [this, process](QProcess::ProcessError) {
        if (m_warm == process)
            dropWarm();
    });
}

void OpenJTalkEngine::dropWarm() {
    if (!m_warm)
        return;
    QProcess* process = m_warm;
    m_warm = nullptr;
    disconnect(process, nullptr, this, nullptr);
    process->kill();
    process->waitForFinished(1000);
    process->deleteLater();
    QFile::remove(m_warmPath);
}

bool OpenJTalkEngine::synthesiseNext() {
    if (m_nextPiece >= m_pieces.size())
        return true;
    const quint64 request = m_request;
    const int index = m_nextPiece;
    QString wavPath;
    QProcess* process = nullptr;
    // The synthesiser started ahead of need takes the first piece this text synthesises
    // (the first, or the first not prepared): the listener may be waiting for it.
    if (m_warm && m_warmVoice == m_voice && m_warm->state() != QProcess::NotRunning &&
        (m_warm->state() == QProcess::Running || m_warm->waitForStarted(5000))) {
        process = m_warm;
        wavPath = m_warmPath;
        m_warm = nullptr;
        disconnect(process, nullptr, this, nullptr);
    } else {
        dropWarm();
        process = startProcess(wavPath, true);
        if (!process)
            return false;
    }
    connect(process, &QProcess::finished, this,
            [this, request, index, wavPath](int exitCode, QProcess::ExitStatus exitStatus) {
                onSynthesised(request, index, exitCode, exitStatus != QProcess::NormalExit, wavPath);
            });
    m_process = process;
    // The synthesiser speaks only the first line of its input; a piece has no line break.
    process->write(m_pieces[index].toUtf8());
    process->write("\n");
    process->closeWriteChannel();
    return true;
}

void OpenJTalkEngine::onSynthesised(quint64 request, int index, int exitCode, bool crashed,
                                    const QString& wavPath) {
    if (request != m_request) {
        QFile::remove(wavPath);
        return;
    }
    if (m_process) {
        m_process->deleteLater();
        m_process = nullptr;
    }
    if (crashed || exitCode != 0 || !QFileInfo(wavPath).isFile())
        m_status = -1; // the synthesiser failed
    QByteArray samples;
    if (!crashed && exitCode == 0) {
        QFile file(wavPath);
        QByteArray trimmed;
        if (file.open(QIODevice::ReadOnly))
            trimmed = speech::trimWavSilence(file.read(kMaxFileBytes), kLeadMs,
                                             int(kTailMs / m_voice.clamped().speed));
        file.close();
        // Trimmed and decoded in memory, never written back: nothing stands between the
        // synthesiser's file and the mixer, and no full disk can cut a piece short.
        AudioMixer& mixer = AudioMixer::instance();
        if (trimmed.size() > kWavHeaderBytes && mixer.ensureOpen())
            samples = AudioMixer::decodeWav(trimmed, mixer.frequency());
    }
    QFile::remove(wavPath);
    if (!samples.isEmpty())
        m_ready.append(ReadyPiece{index, samples});
    m_nextPiece = index + 1;
    continueAfter(index);
}

void OpenJTalkEngine::continueAfter(int index) {
    const int count = int(m_pieces.size());
    emit pieceSynthesised(index, count);
    // The piece plays before the next synthesiser is started: starting one takes a few
    // milliseconds the listener would wait.
    advance();
    // The next piece is synthesised while this one plays; after the last one a
    // synthesiser is made ready for the next text.
    if (!synthesiseNext())
        m_pieces = m_pieces.mid(0, m_nextPiece);
    if (m_nextPiece >= m_pieces.size())
        prepareWarm();
    finishIfDone();
}

void OpenJTalkEngine::advance() {
    AudioMixer& mixer = AudioMixer::instance();
    while (!m_ready.isEmpty() && (!m_playing || m_decodedNext < 0)) {
        const ReadyPiece piece = m_ready.takeFirst();
        const bool loaded = mixer.loadNextDecoded(AudioMixer::kSpeechChannel, piece.samples);
        if (m_playing) {
            if (loaded)
                m_decodedNext = piece.index;
        } else if (loaded && mixer.playNext(AudioMixer::kSpeechChannel)) {
            m_playing = true;
            emit pieceStarted(piece.index, int(m_pieces.size()));
        }
    }
}

void OpenJTalkEngine::onChannelIdle() {
    if (!m_playing)
        return;
    m_playing = false;
    if (m_decodedNext >= 0) {
        const int index = std::exchange(m_decodedNext, -1);
        if (AudioMixer::instance().playNext(AudioMixer::kSpeechChannel)) {
            m_playing = true;
            emit pieceStarted(index, int(m_pieces.size()));
        }
    }
    advance();
    finishIfDone();
}

void OpenJTalkEngine::finishIfDone() {
    if (m_pieces.isEmpty() || isSpeaking())
        return;
    m_pieces.clear();
    m_nextPiece = 0;
    emit speakingFinished();
}

void OpenJTalkEngine::saveVoice() {
    m_voice.save(m_voiceFile);
}

// ---- Preparing ahead -------------------------------------------------------------

QString OpenJTalkEngine::speechKey(const QString& text) const {
    if (speech::speechPieces(text).isEmpty())
        return QString();
    return QStringLiteral("speech") + kKeySeparator + m_voice.synthesisArguments().join(QLatin1Char(' ')) +
           kKeySeparator + text;
}

QString OpenJTalkEngine::chimeKey(const QString& path) {
    const QFileInfo info(path);
    if (path.isEmpty() || !info.isFile())
        return QString();
    return QStringLiteral("chime") + kKeySeparator + info.absoluteFilePath() + kKeySeparator +
           QString::number(info.size()) + kKeySeparator +
           QString::number(info.lastModified().toMSecsSinceEpoch());
}

void OpenJTalkEngine::prepare(const QList<UpcomingAnnouncement>& upcoming) {
    m_upcoming = upcoming;
    rewant();
}

void OpenJTalkEngine::rewant() {
    QList<PreparedAudio::Entry> entries;
    for (const UpcomingAnnouncement& a : std::as_const(m_upcoming))
        entries << PreparedAudio::Entry{speechKey(a.text), chimeKey(a.chime)};
    m_prepared.want(entries);
    if (m_job.id != 0 && !m_prepared.isWanted(m_job.key))
        cancelJob();
    m_settle.start();
}

OpenJTalkEngine::Readiness OpenJTalkEngine::readiness(const UpcomingAnnouncement& announcement) const {
    const QString speech = speechKey(announcement.text);
    const QString chime = chimeKey(announcement.chime);
    const qsizetype made = m_prepared.parts(speech).size() + m_prepared.parts(chime).size();
    const bool whole = m_prepared.isFinished(speech) &&
                       m_prepared.parts(speech).size() == speech::speechPieces(announcement.text).size() &&
                       (chime.isEmpty() || m_prepared.isFinished(chime));
    return whole ? Readiness::Whole : made > 0 ? Readiness::Partly : Readiness::None;
}

QByteArray OpenJTalkEngine::preparedChime(const QString& path) const {
    const QString key = chimeKey(path);
    return m_prepared.isFinished(key) ? m_prepared.parts(key).value(0) : QByteArray();
}

void OpenJTalkEngine::cancelJob() {
    if (m_job.cancel)
        *m_job.cancel = true;
    m_job = Job{};
}

void OpenJTalkEngine::prepareNext() {
    if (m_job.id != 0 || isSpeaking())
        return;
    AudioMixer& mixer = AudioMixer::instance();
    for (QString key = m_prepared.nextToMake(); !key.isEmpty(); key = m_prepared.nextToMake()) {
        if (!mixer.ensureOpen())
            return;
        Job job;
        job.id = ++m_jobs;
        job.key = key;
        job.cancel = std::make_shared<std::atomic_bool>(false);
        const QStringList fields = key.split(kKeySeparator);
        const int frequency = mixer.frequency();
        const quint64 id = job.id;
        const std::shared_ptr<std::atomic_bool> cancel = job.cancel;
        if (fields.value(0) == QLatin1String("chime")) {
            const QString path = fields.value(1);
            const double longSeconds = AudioMixer::kLongSoundSeconds;
            m_job = job;
            m_preparer.start([this, id, path, frequency, longSeconds, cancel]() {
                lowerThisThread();
                const QByteArray samples = *cancel ? QByteArray() : decodeChime(path, frequency, longSeconds);
                QMetaObject::invokeMethod(
                    this, [this, id, samples]() { onPrepared(id, samples, true); }, Qt::QueuedConnection);
            });
            return;
        }
        job.pieces = speech::speechPieces(key.section(kKeySeparator, 2));
        job.index = int(m_prepared.parts(key).size());
        if (job.index >= job.pieces.size()) {
            m_prepared.finish(key);
            continue;
        }
        Synthesiser synth;
        synth.program = m_setup.program;
        synth.arguments =
            QStringList{QStringLiteral("-x"), m_setup.dictionary, QStringLiteral("-m"), m_setup.voice} +
            m_voice.synthesisArguments();
        synth.leadMs = kLeadMs;
        synth.tailMs = int(kTailMs / m_voice.clamped().speed);
        const QString piece = job.pieces[job.index];
        const QString wavPath = m_dir.filePath(QStringLiteral("prepared-%1.wav").arg(id));
        m_job = job;
        m_preparer.start([this, id, synth, piece, wavPath, frequency, cancel]() {
            lowerThisThread();
            bool ok = false;
            const QByteArray samples = synthesisePiece(synth, piece, wavPath, frequency, *cancel, ok);
            QMetaObject::invokeMethod(
                this, [this, id, samples, ok]() { onPrepared(id, samples, ok); }, Qt::QueuedConnection);
        });
        return;
    }
}

void OpenJTalkEngine::onPrepared(quint64 job, const QByteArray& samples, bool ok) {
    if (job != 0 && job == m_joinedJob) {
        // The piece the text being spoken took over.
        m_joinedJob = 0;
        m_joinedCancel.reset();
        const int index = std::exchange(m_joinedIndex, -1);
        if (!ok)
            m_status = -1;
        else if (!samples.isEmpty())
            m_ready.append(ReadyPiece{index, samples});
        continueAfter(index);
        return;
    }
    if (job == 0 || job != m_job.id)
        return; // dropped meanwhile
    const Job done = std::exchange(m_job, Job{});
    if (done.pieces.isEmpty()) {
        if (!samples.isEmpty())
            m_prepared.add(done.key, samples);
        m_prepared.finish(done.key);
    } else if (!ok) {
        m_prepared.finish(done.key); // the rest is synthesised when it is spoken
    } else if (m_prepared.add(done.key, samples) && done.index + 1 >= done.pieces.size()) {
        m_prepared.finish(done.key);
    }
    emit preparedMore();
    prepareNext();
}
