#pragma once

#include <QString>
#include <QVector>

// The sound channels "S1".."S4": one sound per channel, a new sound on a channel
// replaces the old one, different channels sound at the same time. Every failure is
// silent.
namespace mdlSndAPI {

// Plays a WAV, MP3 or MIDI file on a channel.
// - An empty name or a file that does not exist plays nothing and touches nothing.
// - Otherwise the channel's previous sound is stopped and released first; then a file
//   whose name does not end in "WAV", "MP3" or "MID" (last three characters,
//   upper-cased and trimmed) is not played, nor is one that cannot be decoded.
// - With WaitEnd non-zero the call returns when the sound has ended and then waits
//   WaitMs more milliseconds; windows go on painting meanwhile, user input waits.
// - With WaitEnd zero the call returns at once and the sound plays on.
void PlaySnd(const QString& FileName, const QString& Channel, qint16 WaitEnd, qint16 WaitMs);

// Stops and releases the sounds of "S1", "S2", "S3" and "S4".
void CloseAllSnd();

// One call of PlaySnd as the automation tool lists it.
struct SoundRecord {
    QString channel;
    QString file;
    bool wait = false;
    bool played = false;    // the sound was started
    bool fileFound = false; // the file existed when the call was made
};

// When recording, every PlaySnd call is remembered in order.
void setRecording(bool on);
bool isRecording();
// Returns the calls recorded since the last call and forgets them.
QVector<SoundRecord> takeRecorded();

// The fast mode of the automation tool: sounds still start, but nothing waits for a
// sound's end nor for the pause after it. Waits are skipped as well while
// blocking::skipWaits() is set.
void setFast(bool on);
bool isFast();

} // namespace mdlSndAPI
