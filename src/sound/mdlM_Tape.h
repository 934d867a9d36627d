#pragma once

#include "sound/TapeList.h"

#include <QList>
#include <QString>
#include <functional>

class SpeechEngine;
struct UpcomingAnnouncement;

// The announcement tape: each route's list of announcements, stepped through with the
// controller's tape buttons. Each announcement is spoken by the speech engine, after a
// chime when so set, and may ask the controller to move the stop as well.
namespace mdlM_Tape {

// The live settings the tape reads at the moment it needs them (the options dialog's
// values; the names are those of the settings record).
struct TapeSettings {
    QString TapeDataFolder;         // folder of the announcement lists
    bool PreAnnounceAlways = true;  // always the fixed chime (else by the entry's flag)
    bool PreAnnounceByFlag = false; // the chime chosen by the entry's ChimeKind
    bool PreAnnounceSync = true;    // the chime plays to its end before the announcement
    QString PreAnnounceFixed;       // the chime of the "always" rule
    QString PreAnnounceSound1;      // the chimes for ChimeKind 1, 2, 3
    QString PreAnnounceSound2;
    QString PreAnnounceSound3;
};

// The controls of the controller's tape frame that the tape switches.
enum class TapeControl { grpM_Tape, cmdTapeNext, cmdTapeBack, cmdTapeStop, cmdTapeSet };

// What the tape needs of the controller window.
struct TapeFrame {
    // Sets the caption of the frame grpM_Tape ("音合使用可" / "音合使用不可").
    std::function<void(const QString& caption)> setCaption;
    // Enables or disables the frame or one of its buttons.
    std::function<void(TapeControl control, bool enabled)> setEnabled;
    // Sets the frame's tool tip: which list failed to load, or "" when one loaded.
    std::function<void(const QString& toolTip)> setToolTip;
};

// Creates the speech engine; returns null when speech is unavailable.
using SpeechFactory = std::function<SpeechEngine*()>;

// Wiring, done once by the controller before InitTape.
void setTapeFrame(TapeFrame frame);
void setSettingsSource(std::function<TapeSettings()> source);
// The default factory makes an Open JTalk engine when the synthesiser, its dictionary
// and a voice are installed.
void setSpeechFactory(SpeechFactory factory);
SpeechFactory defaultSpeechFactory();

// Decides once whether speech is available: creates the engine and sets the frame's
// caption and enabled state.
void InitTape();
// Loads "<Folder><RouteNo>tp.csv". A missing or malformed list disables the frame
// (its caption stays) and its tool tip names the file and the line that failed; a
// good one enables the frame and its buttons when speech is available and clears the
// tool tip. Only a regular file is read. The position goes back to before the first
// entry. Either way the engine is asked to prepare what follows (PrepareNext).
void LoadTape(const QString& Folder, const QString& RouteNo);
// The next entry: its chime on "S3" (the fixed one when PreAnnounceAlways, else by
// its ChimeKind), then its text. On the last entry nothing happens.
void TapeNext();
// The previous entry: its chime by ChimeKind on "S2", then its text. On the first
// entry nothing happens.
void TapeBack();
// Speaks entry Pos after stopping what is spoken. False when Pos is not an entry or
// there is no engine.
bool SpeakTape(qint32 Pos);
// The announcements "送り" would speak next: the entries after the position (at most
// `count`), each with the chime TapeNext plays before it (an empty name for none).
// Nothing while the list cannot be used (it failed to load).
QList<UpcomingAnnouncement> UpcomingEntries(int count = 2);
// Tells the engine what to prepare: UpcomingEntries with the settings of now. Called
// whenever the position settles (a list loaded, after TapeNext and TapeBack), and by
// the controller when the chime settings change; what the engine held for other
// announcements is dropped.
void PrepareNext();
void StopTape();
// Releases the speech engine (at shutdown, after the sound channels are closed).
void ReleaseTape();

qint32 GetTapePos();
qint32 GetTapeCount();
// MoveStop / ChimeKind of entry Pos; 0 when Pos is outside 1..GetTapeCount().
qint16 GetTapeMoveStop(qint32 Pos);
qint16 GetTapeChimeKind(qint32 Pos);

// True when the speech engine was created at InitTape.
bool SpeechReady();
// The engine, or null (before InitTape, when unavailable, after ReleaseTape).
SpeechEngine* Engine();

// The controller's tape buttons: TapeNext (or TapeBack), then, when the entry now at
// the tape's position has MoveStop 1, the stop moves the same way
// (stepStop(1) forward, stepStop(0) back).
void TapeNextAndStep(const std::function<void(int direction)>& stepStop);
void TapeBackAndStep(const std::function<void(int direction)>& stepStop);

// The frame's tool tip for a list that failed to load.
QString failedListToolTip(const QString& path, const tapelist::FileLoad& load);

// The path LoadTape reads for a folder and route number.
QString tapeFilePath(const QString& Folder, const QString& RouteNo);

} // namespace mdlM_Tape
