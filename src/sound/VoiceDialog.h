#pragma once

#include "VoiceSettings.h"

#include <QDialog>

class QDoubleSpinBox;

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
