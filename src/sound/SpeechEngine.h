#pragma once

#include "sound/VoiceSettings.h"

#include <QObject>
#include <QPointer>
#include <QString>
#include <QStringList>
#include <QTemporaryDir>

class QProcess;

// A speech synthesiser that speaks a text asynchronously, can be stopped, and has a
// voice that can be adjusted.
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
    // The voice it speaks with. An engine without adjustable voices keeps the
    // standard voice and ignores the setters.
    virtual VoiceSettings voice() const { return VoiceSettings(); }
    // Takes new voice values for what is spoken from now on (not kept for the next start).
    virtual void setVoice(const VoiceSettings&) {}
    // Keeps the current voice for the next start.
    virtual void saveVoice() {}

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

// Speech by Open JTalk. A text is cut into pieces (speech::speechPieces); each piece is
// synthesised by a separate open_jtalk process into a temporary WAV file, one after
// the other, and the pieces are played in order on the mixer's speech channel: the
// first piece sounds while the rest is still being synthesised. One synthesiser is kept
// started ahead of need, its dictionary and voice loaded, for the next text. The synthesiser's
// silence before and after each piece is cut down so that the pieces join with the
// pause of a spoken sentence end.
class OpenJTalkEngine : public SpeechEngine {
    Q_OBJECT
public:
    // The silence kept before a piece's first sound and after its last (at the standard
    // speed; a slower voice keeps longer pauses).
    static constexpr int kLeadMs = 30;
    static constexpr int kTailMs = 380;

    // The engine for the installed synthesiser, or null when speech is unavailable.
    static OpenJTalkEngine* create(const OpenJTalkSetup& setup, QObject* parent = nullptr);

    ~OpenJTalkEngine() override;

    void stop() override;
    qint32 status() const override { return m_status; }
    bool isSpeaking() const override;

    VoiceSettings voice() const override { return m_voice; }
    void setVoice(const VoiceSettings& voice) override { m_voice = voice.clamped(); }
    void saveVoice() override;
    // The file the voice is kept in.
    void setVoiceFile(const QString& path);

signals:
    // Piece `index` (0-based) of `count` of the text being spoken was synthesised.
    void pieceSynthesised(int index, int count);
    // Piece `index` of `count` started to play.
    void pieceStarted(int index, int count);

protected:
    void doSpeak(const QString& text) override;

private:
    struct ReadyPiece {
        int index = 0;
        QString wavPath;
    };

    OpenJTalkEngine(const OpenJTalkSetup& setup, QObject* parent);
    // Stops speaking without preparing for the next text.
    void halt();
    // A synthesiser process for the current voice writing to a new file in the
    // temporary folder; null when it could not be started.
    QProcess* startProcess(QString& wavPath, bool waitForStart);
    // Starts a synthesiser ahead of need, unless one for the current voice is ready: it
    // loads its dictionary and voice and waits for its text.
    void prepareWarm();
    void dropWarm();
    // Starts the synthesiser on the next piece; false when it could not be started.
    bool synthesiseNext();
    void onSynthesised(quint64 request, int index, int exitCode, bool crashed, const QString& wavPath);
    void onChannelIdle();
    // Plays the next ready piece unless one is playing; else has the mixer decode it
    // ahead, to follow the playing one at once.
    void advance();
    void finishIfDone();
    void killProcess();
    void dropPieces();

    OpenJTalkSetup m_setup;
    VoiceSettings m_voice;
    QString m_voiceFile;
    QTemporaryDir m_dir;
    QPointer<QProcess> m_process;
    // The synthesiser started ahead of need, the file it will write and its voice.
    QPointer<QProcess> m_warm;
    QString m_warmPath;
    VoiceSettings m_warmVoice;
    quint64 m_files = 0;
    quint64 m_request = 0;
    qint32 m_status = 0;
    // The text being spoken, as pieces; the next one to synthesise.
    QStringList m_pieces;
    int m_nextPiece = 0;
    // Pieces synthesised and waiting to be played, in order.
    QList<ReadyPiece> m_ready;
    // A piece of this engine is on the speech channel.
    bool m_playing = false;
    // The piece decoded ahead as the channel's next sound (-1: none).
    int m_decodedNext = -1;
};
