#pragma once

#include <QByteArray>
#include <QObject>
#include <QPointer>
#include <QString>
#include <array>
#include <cstdint>
#include <functional>

struct Mix_Chunk;
typedef struct _Mix_Music Mix_Music;

// The one audio output of the program: SDL2_mixer with five mixer channels. Channels
// 0..3 carry the sound channels "S1".."S4", channel 4 is private to speech. Each
// channel holds at most one decoded sound. The device is opened once, on first use;
// when no real device can be opened SDL's dummy driver stands in, which still plays
// at real-time speed, so waiting for a sound's end takes as long as with a sound card.
//
// A long sound (one whose stream tells a length above kLongSoundSeconds) is not decoded
// whole: it is streamed from its file on the mixer's music stream, so that it starts
// at once and takes little memory whatever its length. It keeps the channel's rules
// (replaced by the next sound of its channel, waited for, reported when it ends); as
// there is one music stream, a long sound started on another channel ends it.
//
// A sound can also be handed over already decoded (speech and chimes prepared ahead):
// its samples in the device's format, which the channel plays without copying them.
//
// Every call is made on the user-interface thread (but decodeWav, which any thread may
// call). The mixer reports the end of a sound on its own thread; that report is handed
// to this object with a queued call.
class AudioMixer : public QObject {
    Q_OBJECT
public:
    static constexpr int kChannels = 5;
    static constexpr int kSpeechChannel = 4;
    // Sounds up to this length are decoded whole; longer ones are streamed.
    static constexpr double kLongSoundSeconds = 15.0;
    // The length above which sounds are streamed (kLongSoundSeconds unless a test
    // changes it).
    void setLongSoundSeconds(double seconds) { m_longSoundSeconds = seconds; }

    // The program's mixer, created on first use.
    static AudioMixer& instance();
    // The program's mixer if it has been created and not yet destroyed, else null.
    static AudioMixer* existing();

    // Opens the device unless that was tried already. False when even the dummy
    // driver could not be opened; every sound is then silent.
    bool ensureOpen();
    // The SDL audio driver in use ("pulseaudio", "alsa", "dummy", ...); empty when closed.
    QString driverName() const { return m_driver; }
    // The device's sample rate; its samples are always 16-bit stereo.
    int frequency() const { return m_frequency; }

    // A 16-bit PCM WAV file's samples converted for a device of `frequency` (16-bit
    // stereo), as load would decode them; empty when the bytes are not such a file or
    // hold no samples. Safe on any thread.
    static QByteArray decodeWav(const QByteArray& wav, int frequency);
    // Where sounds decoded ahead are found: asked by load for each file whose silence is
    // not trimmed, it returns the file's samples in the device's format, or nothing to
    // have the file decoded as usual. One source at a time; it is forgotten when its
    // owner is destroyed or when another owner sets one.
    using DecodedSource = std::function<QByteArray(const QString& path)>;
    void setDecodedSource(QObject* owner, DecodedSource source);
    void clearDecodedSource(QObject* owner);

    // Decodes the whole file into the channel, replacing (and stopping) what it held;
    // a long sound is opened as a stream instead. With `trimSilence` (MIDI) the file
    // is always decoded whole and the silence at its end is cut off.
    // False, with the channel left empty, when the file cannot be decoded.
    bool load(int channel, const QString& path, bool trimSilence);
    // Stops the channel and releases its sound (and its next sound).
    void close(int channel);
    // Decodes a file whole as the channel's next sound while its current sound plays on;
    // false when it cannot be decoded. playNext starts it.
    bool loadNext(int channel, const QString& path);
    // The same with samples already in the device's format (see decodeWav); the
    // channel keeps a reference to them while it holds the sound.
    bool loadNextDecoded(int channel, const QByteArray& samples);
    // Replaces the channel's sound with its next one and starts it at once; false when
    // it has none. (Speech plays its pieces back to back this way: decoding the next
    // piece does not delay it.)
    bool playNext(int channel);
    // Starts the channel's sound from its beginning. False when it holds none.
    bool play(int channel);
    // Stops the channel; the sound stays loaded.
    void stop(int channel);
    // True while the sound started last on the channel has neither ended nor been stopped.
    bool isPlaying(int channel) const;
    // The length of the channel's sound in milliseconds (0 when empty or unknown).
    qint64 lengthMs(int channel) const;
    // True when the channel's sound is streamed from its file (a long sound).
    bool isStreamed(int channel) const;
    // Runs a nested event loop, without user input, until the sound playing on the
    // channel ends, is stopped or is replaced. The mixer reports the end once it has
    // handed the last samples to the device: after a sound's own end the wait goes on
    // for one device buffer, until those samples are heard. Returns at once when
    // nothing plays.
    void waitForEnd(int channel);

signals:
    // A sound ended on its own on the channel.
    void finished(int channel);
    // The channel's sound ended, was stopped or replaced.
    void channelIdle(int channel);

private:
    explicit AudioMixer(QObject* parent);
    ~AudioMixer() override;
    void onChannelDone(int channel, quint64 generation);
    void markIdle(int channel);
    static void channelDoneCallback(int channel);
    static void musicDoneCallback();
    void releaseMusic();
    // Frees a chunk slot and the samples it plays from memory.
    static void freeChunk(Mix_Chunk*& chunk, QByteArray& samples);
    // A chunk that plays `samples` without copying them; null when it cannot be made.
    Mix_Chunk* chunkOf(const QByteArray& samples) const;

    bool m_openTried = false;
    bool m_open = false;
    QString m_driver;
    int m_frequency = 44100;
    int m_bufferFrames = 1024;
    std::array<Mix_Chunk*, kChannels> m_chunks{};
    std::array<Mix_Chunk*, kChannels> m_next{};
    // The samples of the chunks that play from memory (empty for those SDL owns).
    std::array<QByteArray, kChannels> m_chunkSamples{};
    std::array<QByteArray, kChannels> m_nextSamples{};
    QPointer<QObject> m_decodedOwner;
    DecodedSource m_decodedSource;
    // The long sound and the channel it belongs to (-1: none).
    Mix_Music* m_music = nullptr;
    int m_musicChannel = -1;
    double m_musicSeconds = 0;
    double m_longSoundSeconds = kLongSoundSeconds;
    // The generation of the sound playing on each channel, 0 when none plays.
    std::array<quint64, kChannels> m_playing{};
};
