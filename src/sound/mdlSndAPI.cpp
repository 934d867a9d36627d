#include "sound/mdlSndAPI.h"

#include "platform/BlockingWait.h"
#include "sound/AudioMixer.h"
#include "sound/SoundRules.h"

#include <QFile>
#include <QFileInfo>

namespace mdlSndAPI {
namespace {

bool g_recording = false;
bool g_fast = false;
QVector<SoundRecord> g_records;
// Each call's place in the record list, so that a call can fill in its result after
// nested calls (made while it waited) have added theirs.
quint64 g_nextCall = 0;
QVector<quint64> g_recordIds;

bool skipSoundWaits() {
    return g_fast || blocking::skipWaits();
}

// The mixer channel of a sound channel; -1 for a name that is not a channel.
int mixerChannel(const QString& channel) {
    return sndrules::channelNumber(channel) - 1;
}

void markPlayed(quint64 id) {
    for (qsizetype i = g_recordIds.size() - 1; i >= 0; --i) {
        if (g_recordIds[i] == id) {
            g_records[i].played = true;
            return;
        }
    }
}

QByteArray fileHead(const QString& path) {
    QFile f(path);
    if (!f.open(QIODevice::ReadOnly))
        return QByteArray();
    return f.read(16);
}

} // namespace

void PlaySnd(const QString& FileName, const QString& Channel, qint16 WaitEnd, qint16 WaitMs) {
    const quint64 id = ++g_nextCall;
    if (g_recording) {
        g_records.append(SoundRecord{Channel, FileName, WaitEnd != 0, false, QFileInfo(FileName).isFile()});
        g_recordIds.append(id);
    }

    if (FileName.isEmpty() || !QFileInfo(FileName).isFile())
        return;

    const int channel = mixerChannel(Channel);
    if (channel < 0)
        return;
    AudioMixer& mixer = AudioMixer::instance();
    mixer.close(channel);

    const sndrules::SoundDevice device = sndrules::deviceForFile(FileName);
    if (device == sndrules::SoundDevice::None)
        return;
    if (!sndrules::contentFits(device, fileHead(FileName)))
        return;
    if (!mixer.load(channel, FileName, device == sndrules::SoundDevice::Sequencer))
        return;
    if (!mixer.play(channel))
        return;
    if (g_recording)
        markPlayed(id);

    if (WaitEnd != 0 && !skipSoundWaits()) {
        mixer.waitForEnd(channel);
        // A negative pause would wait for ever; it waits not at all.
        if (WaitMs > 0 && !skipSoundWaits())
            blocking::wait(WaitMs);
    }
}

void CloseAllSnd() {
    AudioMixer& mixer = AudioMixer::instance();
    for (const char* name : {"S1", "S2", "S3", "S4"})
        mixer.close(mixerChannel(QString::fromLatin1(name)));
}

void setRecording(bool on) {
    g_recording = on;
    if (!on) {
        g_records.clear();
        g_recordIds.clear();
    }
}

bool isRecording() {
    return g_recording;
}

QVector<SoundRecord> takeRecorded() {
    g_recordIds.clear();
    return std::exchange(g_records, {});
}

void setFast(bool on) {
    g_fast = on;
}
bool isFast() {
    return g_fast;
}

} // namespace mdlSndAPI
