#include "sound/AudioMixer.h"

#include "sound/SoundRules.h"

#include <QCoreApplication>
#include <QElapsedTimer>
#include <QEventLoop>
#include <QFile>
#include <QPointer>
#include <QTimer>
#include <SDL.h>
#include <SDL_mixer.h>
#include <atomic>
#include <cstring>
#include <fcntl.h>
#include <unistd.h>
#include <utility>

namespace {

// The soundfont MIDI files are rendered with.
const char* const kSoundFont = "/usr/share/sounds/sf2/TimGM6mb.sf2";

// Trailing samples at or below this magnitude count as silence when trimming.
constexpr int kSilenceThreshold = 24;
constexpr int kTrimMarginMs = 20;

// The generation counters are read by the mixer's thread in the finished callback.
std::array<std::atomic<quint64>, AudioMixer::kChannels> g_generation{};
std::atomic<AudioMixer*> g_mixer{nullptr};
// The channel whose long sound the music stream plays, and that sound's generation.
std::atomic<int> g_musicChannel{-1};
std::atomic<quint64> g_musicGeneration{0};

// Audio back ends print their complaints on standard error while probing for a
// device; a missing device is an ordinary, silent case here.
class QuietStderr {
public:
    QuietStderr() {
        m_saved = ::dup(STDERR_FILENO);
        const int null = ::open("/dev/null", O_WRONLY | O_CLOEXEC);
        if (m_saved >= 0 && null >= 0)
            ::dup2(null, STDERR_FILENO);
        if (null >= 0)
            ::close(null);
    }
    ~QuietStderr() {
        if (m_saved >= 0) {
            ::dup2(m_saved, STDERR_FILENO);
            ::close(m_saved);
        }
    }
    QuietStderr(const QuietStderr&) = delete;
    QuietStderr& operator=(const QuietStderr&) = delete;

private:
    int m_saved = -1;
};

bool validChannel(int channel) {
    return channel >= 0 && channel < AudioMixer::kChannels;
}

} // namespace

namespace {
// Owned by the application object, so that the device is closed before the program's
// statics go away.
QPointer<AudioMixer>& theMixer() {
    static QPointer<AudioMixer> mixer;
    return mixer;
}
} // namespace

AudioMixer& AudioMixer::instance() {
    QPointer<AudioMixer>& mixer = theMixer();
    if (!mixer)
        mixer = new AudioMixer(QCoreApplication::instance());
    return *mixer;
}

AudioMixer* AudioMixer::existing() {
    return theMixer().data();
}

AudioMixer::AudioMixer(QObject* parent) : QObject(parent) {}

AudioMixer::~AudioMixer() {
    if (m_open) {
        // After this returns the mixer's thread runs no callback of ours any more.
        Mix_ChannelFinished(nullptr);
        Mix_HookMusicFinished(nullptr);
        g_mixer = nullptr;
        Mix_HaltChannel(-1);
        releaseMusic();
        for (size_t i = 0; i < m_chunks.size(); ++i) {
            freeChunk(m_chunks[i], m_chunkSamples[i]);
            freeChunk(m_next[i], m_nextSamples[i]);
        }
        Mix_CloseAudio();
        SDL_QuitSubSystem(SDL_INIT_AUDIO);
    }
    g_mixer = nullptr;
}

bool AudioMixer::ensureOpen() {
    if (m_openTried)
        return m_open;
    m_openTried = true;

    SDL_SetHint(SDL_HINT_NO_SIGNAL_HANDLERS, "1");
    const QByteArray appName = QCoreApplication::applicationName().toUtf8();
    if (!appName.isEmpty())
        SDL_SetHint(SDL_HINT_AUDIO_DEVICE_APP_NAME, appName.constData());

    const auto openDevice = [this]() {
        if (SDL_InitSubSystem(SDL_INIT_AUDIO) != 0)
            return false;
        // The device format is fixed so that decoded sounds are always 16-bit stereo.
        if (Mix_OpenAudioDevice(m_frequency, AUDIO_S16SYS, 2, m_bufferFrames, nullptr, 0) == 0)
            return true;
        SDL_QuitSubSystem(SDL_INIT_AUDIO);
        return false;
    };
    {
        QuietStderr quiet;
        m_open = openDevice();
        if (!m_open) {
            SDL_SetHintWithPriority(SDL_HINT_AUDIODRIVER, "dummy", SDL_HINT_OVERRIDE);
            m_open = openDevice();
        }
    }
    if (!m_open)
        return false;

    const char* driver = SDL_GetCurrentAudioDriver();
    m_driver = QString::fromUtf8(driver ? driver : "");
    int frequency = 0;
    Uint16 format = 0;
    int channels = 0;
    if (Mix_QuerySpec(&frequency, &format, &channels) != 0 && frequency > 0)
        m_frequency = frequency;
    Mix_AllocateChannels(kChannels);
    Mix_ReserveChannels(kChannels);
    if (QFile::exists(QString::fromUtf8(kSoundFont)))
        Mix_SetSoundFonts(kSoundFont);
    g_mixer = this;
    Mix_ChannelFinished(&AudioMixer::channelDoneCallback);
    Mix_HookMusicFinished(&AudioMixer::musicDoneCallback);
    return true;
}

void AudioMixer::musicDoneCallback() {
    // Runs on the mixer's thread, or inside Mix_HaltMusic on ours.
    AudioMixer* mixer = g_mixer.load();
    const int channel = g_musicChannel.load();
    if (!mixer || !validChannel(channel))
        return;
    const quint64 generation = g_musicGeneration.load();
    QMetaObject::invokeMethod(
        mixer, [mixer, channel, generation]() { mixer->onChannelDone(channel, generation); },
        Qt::QueuedConnection);
}

void AudioMixer::releaseMusic() {
    if (!m_music)
        return;
    const int owner = m_musicChannel;
    m_musicChannel = -1;
    g_musicChannel = -1;
    Mix_HaltMusic();
    Mix_FreeMusic(m_music);
    m_music = nullptr;
    m_musicSeconds = 0;
    if (validChannel(owner) && m_playing[static_cast<size_t>(owner)] != 0)
        markIdle(owner);
}

void AudioMixer::channelDoneCallback(int channel) {
    // Runs on the mixer's thread (or inside Mix_HaltChannel on ours).
    AudioMixer* mixer = g_mixer.load();
    if (!mixer || !validChannel(channel))
        return;
    const quint64 generation = g_generation[static_cast<size_t>(channel)].load();
    QMetaObject::invokeMethod(
        mixer, [mixer, channel, generation]() { mixer->onChannelDone(channel, generation); },
        Qt::QueuedConnection);
}

void AudioMixer::onChannelDone(int channel, quint64 generation) {
    if (m_playing[static_cast<size_t>(channel)] != generation || generation == 0)
        return; // an older sound of the channel, replaced or stopped since
    markIdle(channel);
    emit finished(channel);
}

void AudioMixer::markIdle(int channel) {
    m_playing[static_cast<size_t>(channel)] = 0;
    emit channelIdle(channel);
}

void AudioMixer::freeChunk(Mix_Chunk*& chunk, QByteArray& samples) {
    // The chunk first: freeing it halts a channel still playing it from the samples.
    if (chunk)
        Mix_FreeChunk(chunk);
    chunk = nullptr;
    samples = QByteArray();
}

Mix_Chunk* AudioMixer::chunkOf(const QByteArray& samples) const {
    if (!m_open || samples.isEmpty() || samples.size() > qsizetype(UINT32_MAX))
        return nullptr;
    // SDL_mixer only reads the samples (volume is applied while mixing).
    return Mix_QuickLoad_RAW(reinterpret_cast<Uint8*>(const_cast<char*>(samples.constData())),
                             static_cast<Uint32>(samples.size()));
}

QByteArray AudioMixer::decodeWav(const QByteArray& wav, int frequency) {
    if (wav.isEmpty() || frequency <= 0)
        return {};
    SDL_AudioSpec spec{};
    Uint8* buffer = nullptr;
    Uint32 length = 0;
    SDL_RWops* source = SDL_RWFromConstMem(wav.constData(), int(wav.size()));
    if (!source || !SDL_LoadWAV_RW(source, 1, &spec, &buffer, &length))
        return {};
    QByteArray out;
    SDL_AudioCVT cvt;
    if (SDL_BuildAudioCVT(&cvt, spec.format, spec.channels, spec.freq, AUDIO_S16SYS, 2, frequency) >= 0) {
        if (cvt.needed == 0) {
            out = QByteArray(reinterpret_cast<const char*>(buffer), qsizetype(length));
        } else {
            QByteArray work(qsizetype(length) * cvt.len_mult, Qt::Uninitialized);
            std::memcpy(work.data(), buffer, length);
            cvt.buf = reinterpret_cast<Uint8*>(work.data());
            cvt.len = int(length);
            // Copied out at its size: the work buffer is several times larger.
            if (SDL_ConvertAudio(&cvt) == 0)
                out = QByteArray(work.constData(), qsizetype(cvt.len_cvt) - cvt.len_cvt % 4);
        }
    }
    SDL_FreeWAV(buffer);
    // Whole frames only.
    if (out.size() % 4 != 0)
        out.truncate(out.size() - out.size() % 4);
    return out;
}

void AudioMixer::setDecodedSource(QObject* owner, DecodedSource source) {
    m_decodedOwner = owner;
    m_decodedSource = owner ? std::move(source) : DecodedSource();
}

void AudioMixer::clearDecodedSource(QObject* owner) {
    if (m_decodedOwner == owner)
        setDecodedSource(nullptr, {});
}

bool AudioMixer::load(int channel, const QString& path, bool trimSilence) {
    if (!validChannel(channel))
        return false;
    close(channel);
    if (!ensureOpen())
        return false;
    if (!trimSilence && m_decodedOwner && m_decodedSource) {
        const QByteArray samples = m_decodedSource(path);
        if (Mix_Chunk* chunk = chunkOf(samples)) {
            m_chunks[static_cast<size_t>(channel)] = chunk;
            m_chunkSamples[static_cast<size_t>(channel)] = samples;
            return true;
        }
    }
    const QByteArray native = QFile::encodeName(path);
    // Opening the file as a stream reads only what it needs to know its length. A
    // sound whose silence is trimmed (MIDI, whose length the stream cannot tell) is
    // not probed: opening the synthesiser twice would only delay it.
    Mix_Music* music = trimSilence ? nullptr : Mix_LoadMUS(native.constData());
    if (music) {
        const double seconds = Mix_MusicDuration(music);
        // A sound whose length the stream cannot tell is decoded whole.
        if (seconds > m_longSoundSeconds) {
            releaseMusic();
            m_music = music;
            m_musicChannel = channel;
            m_musicSeconds = qMax(seconds, 0.0);
            return true;
        }
        Mix_FreeMusic(music);
    }
    Mix_Chunk* chunk = Mix_LoadWAV(native.constData());
    if (!chunk)
        return false;
    int frequency = 0;
    Uint16 format = 0;
    int channels = 0;
    if (trimSilence && Mix_QuerySpec(&frequency, &format, &channels) != 0 && format == AUDIO_S16SYS &&
        channels > 0) {
        const std::int64_t frameBytes = 2 * channels;
        const std::int64_t frames = chunk->alen / frameBytes;
        const std::int64_t keep =
            sndrules::audibleFrames(reinterpret_cast<const std::int16_t*>(chunk->abuf), frames, channels,
                                    kSilenceThreshold, std::int64_t(frequency) * kTrimMarginMs / 1000);
        chunk->alen = static_cast<Uint32>(keep * frameBytes);
    }
    m_chunks[static_cast<size_t>(channel)] = chunk;
    return true;
}

bool AudioMixer::isStreamed(int channel) const {
    return validChannel(channel) && m_music && m_musicChannel == channel;
}

void AudioMixer::close(int channel) {
    if (!validChannel(channel))
        return;
    stop(channel);
    freeChunk(m_chunks[static_cast<size_t>(channel)], m_chunkSamples[static_cast<size_t>(channel)]);
    if (isStreamed(channel))
        releaseMusic();
    freeChunk(m_next[static_cast<size_t>(channel)], m_nextSamples[static_cast<size_t>(channel)]);
}

bool AudioMixer::loadNext(int channel, const QString& path) {
    if (!validChannel(channel) || !ensureOpen())
        return false;
    Mix_Chunk* chunk = Mix_LoadWAV(QFile::encodeName(path).constData());
    if (!chunk)
        return false;
    freeChunk(m_next[static_cast<size_t>(channel)], m_nextSamples[static_cast<size_t>(channel)]);
    m_next[static_cast<size_t>(channel)] = chunk;
    return true;
}

bool AudioMixer::loadNextDecoded(int channel, const QByteArray& samples) {
    if (!validChannel(channel) || !ensureOpen())
        return false;
    Mix_Chunk* chunk = chunkOf(samples);
    if (!chunk)
        return false;
    freeChunk(m_next[static_cast<size_t>(channel)], m_nextSamples[static_cast<size_t>(channel)]);
    m_next[static_cast<size_t>(channel)] = chunk;
    m_nextSamples[static_cast<size_t>(channel)] = samples;
    return true;
}

bool AudioMixer::playNext(int channel) {
    if (!validChannel(channel) || !m_next[static_cast<size_t>(channel)])
        return false;
    stop(channel);
    if (isStreamed(channel))
        releaseMusic();
    const size_t c = static_cast<size_t>(channel);
    freeChunk(m_chunks[c], m_chunkSamples[c]);
    m_chunks[c] = std::exchange(m_next[c], nullptr);
    m_chunkSamples[c] = std::exchange(m_nextSamples[c], QByteArray());
    return play(channel);
}

bool AudioMixer::play(int channel) {
    if (!validChannel(channel) || !m_open)
        return false;
    if (isStreamed(channel)) {
        stop(channel);
        const quint64 generation = ++g_generation[static_cast<size_t>(channel)];
        g_musicGeneration = generation;
        g_musicChannel = channel;
        if (Mix_PlayMusic(m_music, 0) < 0)
            return false;
        m_playing[static_cast<size_t>(channel)] = generation;
        return true;
    }
    Mix_Chunk* chunk = m_chunks[static_cast<size_t>(channel)];
    if (!chunk)
        return false;
    stop(channel);
    // The halt above has reported the old sound under the old generation; from here
    // on the channel's reports belong to the new one.
    const quint64 generation = ++g_generation[static_cast<size_t>(channel)];
    if (Mix_PlayChannel(channel, chunk, 0) < 0)
        return false;
    m_playing[static_cast<size_t>(channel)] = generation;
    return true;
}

void AudioMixer::stop(int channel) {
    if (!validChannel(channel) || !m_open)
        return;
    if (isStreamed(channel))
        Mix_HaltMusic();
    Mix_HaltChannel(channel);
    if (m_playing[static_cast<size_t>(channel)] != 0)
        markIdle(channel);
}

bool AudioMixer::isPlaying(int channel) const {
    return validChannel(channel) && m_playing[static_cast<size_t>(channel)] != 0;
}

qint64 AudioMixer::lengthMs(int channel) const {
    if (isStreamed(channel))
        return static_cast<qint64>(m_musicSeconds * 1000);
    if (!validChannel(channel) || !m_chunks[static_cast<size_t>(channel)])
        return 0;
    const qint64 bytesPerSecond = qint64(m_frequency) * 2 * 2;
    return qint64(m_chunks[static_cast<size_t>(channel)]->alen) * 1000 / bytesPerSecond;
}

void AudioMixer::waitForEnd(int channel) {
    if (!isPlaying(channel))
        return;
    const quint64 generation = m_playing[static_cast<size_t>(channel)];
    QEventLoop loop;
    const auto check = [&]() {
        if (m_playing[static_cast<size_t>(channel)] != generation)
            loop.quit();
    };
    connect(this, &AudioMixer::channelIdle, &loop, check);
    // A guard against a device that stops consuming sound: the wait never lasts much
    // longer than the sound itself.
    QTimer guard;
    guard.setSingleShot(true);
    connect(&guard, &QTimer::timeout, &loop, [&]() {
        if (m_playing[static_cast<size_t>(channel)] == generation)
            stop(channel);
        loop.quit();
    });
    // A streamed sound of unknown length is trusted to end by itself.
    const qint64 length = lengthMs(channel);
    const bool unknownLength = isStreamed(channel) && length == 0;
    guard.start(
        static_cast<int>(unknownLength ? 24 * 3600 * 1000 : qMin<qint64>(length + 5000, 24 * 3600 * 1000)));
    bool ended = false;
    const auto onFinished =
        connect(this, &AudioMixer::finished, &loop, [&](int c) { ended = ended || c == channel; });
    if (m_playing[static_cast<size_t>(channel)] == generation)
        loop.exec(QEventLoop::ExcludeUserInputEvents);
    disconnect(onFinished);
    if (ended) {
        QEventLoop drain;
        QTimer::singleShot(m_bufferFrames * 1000 / m_frequency + 1, &drain, &QEventLoop::quit);
        drain.exec(QEventLoop::ExcludeUserInputEvents);
    }
}
