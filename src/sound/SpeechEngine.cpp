#include "sound/SpeechEngine.h"

#include "platform/SaveFile.h"
#include "sound/AudioMixer.h"
#include "sound/SpeechText.h"

#include <QDir>
#include <QDirIterator>
#include <QFile>
#include <QFileInfo>
#include <QProcess>
#include <QStandardPaths>

namespace {

bool g_recording = false;
QStringList g_spoken;

const char* const kDictionary = "/var/lib/mecab/dic/open-jtalk/naist-jdic";
const char* const kVoiceFolder = "/usr/share/hts-voice";
const char* const kVoice = "/usr/share/hts-voice/nitech-jp-atr503-m001/nitech_jp_atr503_m001.htsvoice";

// A WAV file holds sound only beyond its 44-byte header.
constexpr qint64 kWavHeaderBytes = 44;

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
}

OpenJTalkEngine::~OpenJTalkEngine() {
    killProcess();
    dropWarm();
    dropPieces();
    if (AudioMixer* mixer = AudioMixer::existing()) {
        disconnect(mixer, nullptr, this, nullptr);
        mixer->close(AudioMixer::kSpeechChannel);
    }
}

void OpenJTalkEngine::setVoiceFile(const QString& path) {
    m_voiceFile = path;
    m_voice = VoiceSettings::load(path);
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
    for (const ReadyPiece& piece : std::as_const(m_ready))
        QFile::remove(piece.wavPath);
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
    m_playing = false; // the channel's idle report below is not the end of a piece
    m_decodedNext = -1;
    if (AudioMixer* mixer = AudioMixer::existing())
        mixer->close(AudioMixer::kSpeechChannel);
    if (wasSpeaking)
        emit speakingFinished();
}

bool OpenJTalkEngine::isSpeaking() const {
    return m_process || m_playing || !m_ready.isEmpty() || m_nextPiece < m_pieces.size();
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
    if (!synthesiseNext()) {
        m_pieces.clear();
        m_status = -1;
        emit speakingFinished();
    }
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
    // The first piece is what the listener waits for; the others are made in the
    // background while it plays.
    if (index == 0 && m_warm && m_warmVoice == m_voice && m_warm->state() != QProcess::NotRunning &&
        (m_warm->state() == QProcess::Running || m_warm->waitForStarted(5000))) {
        process = m_warm;
        wavPath = m_warmPath;
        m_warm = nullptr;
        disconnect(process, nullptr, this, nullptr);
    } else {
        if (index == 0)
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
    bool audible = false;
    if (crashed || exitCode != 0 || !QFileInfo(wavPath).isFile())
        m_status = -1; // the synthesiser failed
    if (!crashed && exitCode == 0) {
        QFile file(wavPath);
        QByteArray trimmed;
        if (file.open(QIODevice::ReadOnly))
            trimmed = speech::trimWavSilence(file.read(64 * 1024 * 1024), kLeadMs,
                                             int(kTailMs / m_voice.clamped().speed));
        file.close();
        // Written whole or not at all: a piece that cannot be written (a full disk) is
        // dropped rather than played cut short.
        if (trimmed.size() > kWavHeaderBytes)
            audible = savefile::write(wavPath, trimmed);
    }
    if (audible)
        m_ready.append(ReadyPiece{index, wavPath});
    else
        QFile::remove(wavPath);
    const int count = int(m_pieces.size());
    m_nextPiece = index + 1;
    // The next piece is synthesised while this one plays; after the last one a
    // synthesiser is made ready for the next text.
    if (!synthesiseNext())
        m_pieces = m_pieces.mid(0, m_nextPiece);
    if (m_nextPiece >= m_pieces.size())
        prepareWarm();
    emit pieceSynthesised(index, count);
    advance();
    finishIfDone();
}

void OpenJTalkEngine::advance() {
    AudioMixer& mixer = AudioMixer::instance();
    while (!m_ready.isEmpty() && (!m_playing || m_decodedNext < 0)) {
        const ReadyPiece piece = m_ready.takeFirst();
        if (m_playing) {
            if (mixer.loadNext(AudioMixer::kSpeechChannel, piece.wavPath))
                m_decodedNext = piece.index;
        } else if (mixer.loadNext(AudioMixer::kSpeechChannel, piece.wavPath) &&
                   mixer.playNext(AudioMixer::kSpeechChannel)) {
            m_playing = true;
            emit pieceStarted(piece.index, int(m_pieces.size()));
        }
        QFile::remove(piece.wavPath);
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
