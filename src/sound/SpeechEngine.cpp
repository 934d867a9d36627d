#include "sound/SpeechEngine.h"

#include "sound/AudioMixer.h"

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
    return engine;
}

OpenJTalkEngine::OpenJTalkEngine(const OpenJTalkSetup& setup, QObject* parent)
    : SpeechEngine(parent), m_setup(setup), m_voiceFile(VoiceSettings::filePath()),
      m_dir(QDir::tempPath() + QStringLiteral("/corvane-speech-XXXXXX")) {
    m_voice = VoiceSettings::load(m_voiceFile);
    AudioMixer& mixer = AudioMixer::instance();
    connect(&mixer, &AudioMixer::channelIdle, this, [this](int channel) {
        if (channel == AudioMixer::kSpeechChannel)
            emit speakingFinished();
    });
}

OpenJTalkEngine::~OpenJTalkEngine() {
    killProcess();
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

void OpenJTalkEngine::stop() {
    ++m_request;
    killProcess();
    if (AudioMixer* mixer = AudioMixer::existing())
        mixer->close(AudioMixer::kSpeechChannel);
}

bool OpenJTalkEngine::isSpeaking() const {
    if (m_process)
        return true;
    AudioMixer* mixer = AudioMixer::existing();
    return mixer && mixer->isPlaying(AudioMixer::kSpeechChannel);
}

void OpenJTalkEngine::doSpeak(const QString& text) {
    stop();
    m_status = 0;
    // The synthesiser speaks only the first line of its input.
    QString line = text;
    line.replace(QLatin1String("\r\n"), QLatin1String(" "));
    line.replace(QLatin1Char('\r'), QLatin1Char(' '));
    line.replace(QLatin1Char('\n'), QLatin1Char(' '));
    line = line.trimmed();
    if (line.isEmpty()) {
        emit speakingFinished();
        return;
    }

    const quint64 request = ++m_request;
    const QString wavPath = m_dir.filePath(QStringLiteral("speech-%1.wav").arg(request));
    auto* process = new QProcess(this);
    process->setProgram(m_setup.program);
    QStringList args{QStringLiteral("-x"), m_setup.dictionary,    QStringLiteral("-m"),
                     m_setup.voice,        QStringLiteral("-ow"), wavPath};
    args += m_voice.synthesisArguments();
    process->setArguments(args);
    process->setStandardOutputFile(QProcess::nullDevice());
    process->setStandardErrorFile(QProcess::nullDevice());
    connect(process, &QProcess::finished, this,
            [this, request, wavPath](int exitCode, QProcess::ExitStatus exitStatus) {
                onSynthesised(request, exitCode, exitStatus != QProcess::NormalExit, wavPath);
            });
    m_process = process;
    process->start();
    if (!process->waitForStarted(5000)) {
        m_process = nullptr;
        disconnect(process, nullptr, this, nullptr);
        process->deleteLater();
        m_status = -1;
        emit speakingFinished();
        return;
    }
    process->write(line.toUtf8());
    process->write("\n");
    process->closeWriteChannel();
}

void OpenJTalkEngine::onSynthesised(quint64 request, int exitCode, bool crashed, const QString& wavPath) {
    if (request != m_request)
        return;
    if (m_process) {
        m_process->deleteLater();
        m_process = nullptr;
    }
    bool playing = false;
    if (!crashed && exitCode == 0 && QFileInfo(wavPath).size() > kWavHeaderBytes) {
        AudioMixer& mixer = AudioMixer::instance();
        playing =
            mixer.load(AudioMixer::kSpeechChannel, wavPath, false) && mixer.play(AudioMixer::kSpeechChannel);
    }
    QFile::remove(wavPath);
    if (!playing)
        emit speakingFinished();
}

void OpenJTalkEngine::saveVoice() {
    m_voice.save(m_voiceFile);
}
