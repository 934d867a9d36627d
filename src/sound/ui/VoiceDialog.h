#pragma once

#include "sound/VoiceSettings.h"

#include <QDialog>

class QDoubleSpinBox;
class SpeechEngine;

// The voice dialog ("音声の調節"): speed, pitch, volume and tone of the spoken
// announcements, a "試聴" button that speaks a sample with the values shown, and a
// button that brings back the standard voice. Its spin boxes are named "speed",
// "pitch", "volume" and "tone", its buttons "preview" and "defaults".
class VoiceDialog : public QDialog {
    Q_OBJECT
public:
    explicit VoiceDialog(const VoiceSettings& voice, QWidget* parent = nullptr);

    VoiceSettings values() const;
    void setValues(const VoiceSettings& voice);

signals:
    // "試聴" was pressed: speak the sample with values().
    void previewRequested();

private:
    QDoubleSpinBox* m_speed;
    QDoubleSpinBox* m_pitch;
    QDoubleSpinBox* m_volume;
    QDoubleSpinBox* m_tone;
};

// Shows the voice dialog for the engine, modal, with the given owner and title: "試聴"
// speaks the sample with the values shown, OK makes them the engine's voice and keeps
// them for the next start, cancelling changes nothing.
void showVoiceDialog(SpeechEngine& engine, QWidget* owner, const QString& title);

namespace mdlM_Tape {
// The tape's voice dialog "音声の調節", owned by the given window; nothing without a
// speech engine.
void ShowVoiceDlg(QWidget* owner);
} // namespace mdlM_Tape
