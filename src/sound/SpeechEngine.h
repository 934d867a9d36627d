#pragma once

#include "VoiceSettings.h"

#include <QObject>
#include <QPointer>
#include <QString>
#include <QStringList>
#include <QTemporaryDir>

class QProcess;
class QWidget;

// A speech synthesiser that speaks a text asynchronously, can be stopped, and offers
// a dialog for its voice.
class SpeechEngine : public QObject {
    Q_OBJECT
public:
    explicit SpeechEngine(QObject* parent = nullptr) : QObject(parent) {}

    // Starts speaking the text and returns at once. Every text handed over is
    // recorded for the automation tool (see speech::takeSpoken).
    void speak(const QString& text);
    // Stops speaking at once (also a synthesis still under way).
    virtual void stop() = 0;
    // -1 when the engine could not carry out the last speak; 0 otherwise.
    virtual qint32 status() const = 0;
    // True while a text is being synthesised or heard.
    virtual bool isSpeaking() const = 0;
    // Shows the voice dialog, modal, with the given owner and title.
    virtual void showSettingsDialog(QWidget* owner, const QString& title) = 0;

signals:
    // Speaking ended: the text was heard to its end, was stopped, or gave no sound.
    void speakingFinished();

protected:
    virtual void doSpeak(const QString& text) = 0;
};

namespace speech {

// When recording, every text handed to a speech engine is remembered in order.
void setRecording(bool on);
bool isRecording();
// Returns the texts recorded since the last call and forgets them.
QStringList takeSpoken();

// What the voice dialog's "試聴" button speaks.
QString sampleText();

} // namespace speech

// Where the Open JTalk synthesiser, its dictionary and a voice are installed.
struct OpenJTalkSetup {
    QString program;
    QString dictionary;
    QString voice;

    // Looks for open_jtalk on the PATH, the naist-jdic dictionary and the
    // nitech-jp-atr503-m001 voice (or any other installed HTS voice).
    static OpenJTalkSetup find();
    // True when all three are there.
    bool available() const;
};

// Speech by Open JTalk: each text is synthesised by a separate open_jtalk process into
// a temporary WAV file, which is then played on the mixer's speech channel.
class OpenJTalkEngine : public SpeechEngine {
    Q_OBJECT
public:
    // The engine for the installed synthesiser, or null when speech is unavailable.
    static OpenJTalkEngine* create(const OpenJTalkSetup& setup, QObject* parent = nullptr);

    ~OpenJTalkEngine() override;

    void stop() override;
    qint32 status() const override { return m_status; }
    bool isSpeaking() const override;
    void showSettingsDialog(QWidget* owner, const QString& title) override;

    const VoiceSettings& voice() const { return m_voice; }
    // Takes new voice values (not saved; the dialog saves what it confirms).
    void setVoice(const VoiceSettings& voice) { m_voice = voice.clamped(); }
    // The file the voice is kept in.
    void setVoiceFile(const QString& path);

protected:
    void doSpeak(const QString& text) override;

private:
    OpenJTalkEngine(const OpenJTalkSetup& setup, QObject* parent);
    void onSynthesised(quint64 request, int exitCode, bool crashed, const QString& wavPath);
    void killProcess();

    OpenJTalkSetup m_setup;
    VoiceSettings m_voice;
    QString m_voiceFile;
    QTemporaryDir m_dir;
    QPointer<QProcess> m_process;
    quint64 m_request = 0;
    qint32 m_status = 0;
};
