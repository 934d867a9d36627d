#include "platform/ui/ModalDialogs.h"
#include "sound/SpeechEngine.h"
#include "sound/VoiceSettings.h"
#include "sound/mdlM_Tape.h"
#include "sound/ui/VoiceDialog.h"

#include "SoundFixtures.h"

#include <QDialog>
#include <QDoubleSpinBox>
#include <QPushButton>
#include <QTemporaryDir>
#include <gtest/gtest.h>
#include <memory>

namespace {

// An engine that only remembers its voice.
class VoiceOnlySpeech : public SpeechEngine {
public:
    VoiceSettings current;
    int saved = 0;
    void stop() override {}
    qint32 status() const override { return 0; }
    bool isSpeaking() const override { return false; }
    VoiceSettings voice() const override { return current; }
    void setVoice(const VoiceSettings& v) override { current = v; }
    void saveVoice() override { ++saved; }

protected:
    void doSpeak(const QString&) override {}
};

TEST(VoiceDialogWidget, TitleRangesAndButtons) {
    VoiceSettings shown;
    shown.speed = 1.5;
    shown.pitch = -2;
    shown.volume = 3;
    shown.tone = 0.7;
    VoiceDialog dialog(shown);
    EXPECT_EQ(dialog.windowTitle(), QStringLiteral("音声の調節"));
    const auto spin = [&](const char* name) {
        return dialog.findChild<QDoubleSpinBox*>(QString::fromLatin1(name));
    };
    ASSERT_NE(spin("speed"), nullptr);
    EXPECT_DOUBLE_EQ(spin("speed")->minimum(), 0.5);
    EXPECT_DOUBLE_EQ(spin("speed")->maximum(), 2.0);
    EXPECT_DOUBLE_EQ(spin("pitch")->minimum(), -12);
    EXPECT_DOUBLE_EQ(spin("pitch")->maximum(), 12);
    EXPECT_DOUBLE_EQ(spin("volume")->minimum(), -20);
    EXPECT_DOUBLE_EQ(spin("volume")->maximum(), 6);
    EXPECT_DOUBLE_EQ(spin("tone")->minimum(), 0.3);
    EXPECT_DOUBLE_EQ(spin("tone")->maximum(), 0.8);
    EXPECT_EQ(dialog.values(), shown);

    auto* preview = dialog.findChild<QPushButton*>(QStringLiteral("preview"));
    ASSERT_NE(preview, nullptr);
    EXPECT_EQ(preview->text(), QStringLiteral("試聴"));
    int previews = 0;
    QObject::connect(&dialog, &VoiceDialog::previewRequested, [&]() { ++previews; });
    preview->click();
    EXPECT_EQ(previews, 1);
    dialog.findChild<QPushButton*>(QStringLiteral("defaults"))->click();
    EXPECT_EQ(dialog.values(), VoiceSettings{});
}

struct ShownDialog {
    QString title;
    QWidget* parent = nullptr;
    int count = 0;
};

class VoiceDialogOfTheTape : public ::testing::Test {
protected:
    void SetUp() override {
        fixtures::useDummyAudio();
        mdlM_Tape::setTapeFrame(
            mdlM_Tape::TapeFrame{[](const QString&) {}, [](mdlM_Tape::TapeControl, bool) {}, {}});
        mdlM_Tape::setSpeechFactory([this]() -> SpeechEngine* {
            engine = new VoiceOnlySpeech;
            return engine;
        });
        mdlM_Tape::InitTape();
        modal::setHandler([this](QDialog& dialog) {
            shown.title = dialog.windowTitle();
            shown.parent = dialog.parentWidget();
            ++shown.count;
            return int(QDialog::Rejected);
        });
    }
    void TearDown() override {
        mdlM_Tape::ReleaseTape();
        mdlM_Tape::setSpeechFactory({});
        modal::setHandler({});
    }
    VoiceOnlySpeech* engine = nullptr;
    ShownDialog shown;
};

TEST_F(VoiceDialogOfTheTape, OpensForTheEngineAndNotAfterRelease) {
    QWidget owner;
    mdlM_Tape::ShowVoiceDlg(&owner);
    EXPECT_EQ(shown.count, 1);
    EXPECT_EQ(shown.title, QStringLiteral("音声の調節"));
    EXPECT_EQ(shown.parent, &owner);
    EXPECT_EQ(engine->saved, 0) << "a cancelled dialog keeps nothing";

    mdlM_Tape::ReleaseTape();
    mdlM_Tape::ShowVoiceDlg(nullptr);
    EXPECT_EQ(shown.count, 1);
}

class OpenJTalkVoiceDialog : public ::testing::Test {
protected:
    static void SetUpTestSuite() {
        fixtures::useDummyAudio();
        config = new QTemporaryDir;
        qputenv("XDG_CONFIG_HOME", config->path().toUtf8());
    }
    static void TearDownTestSuite() {
        delete config;
        config = nullptr;
    }
    void SetUp() override {
        const OpenJTalkSetup setup = OpenJTalkSetup::find();
        if (!setup.available())
            GTEST_SKIP() << "Open JTalk, its dictionary or a voice is not installed";
        engine.reset(OpenJTalkEngine::create(setup));
        ASSERT_NE(engine, nullptr);
        speech::setRecording(true);
        speech::takeSpoken();
    }
    void TearDown() override {
        engine.reset();
        speech::setRecording(false);
        modal::setHandler({});
    }
    static QTemporaryDir* config;
    std::unique_ptr<OpenJTalkEngine> engine;
};
QTemporaryDir* OpenJTalkVoiceDialog::config = nullptr;

TEST_F(OpenJTalkVoiceDialog, VoiceDialogPreviewsAndSavesWhatIsConfirmed) {
    const QString file = config->filePath(QStringLiteral("voice-test.conf"));
    engine->setVoiceFile(file);
    QWidget owner;
    QString title;
    QWidget* parent = nullptr;
    modal::setHandler([&](QDialog& dialog) {
        title = dialog.windowTitle();
        parent = dialog.parentWidget();
        dialog.findChild<QDoubleSpinBox*>(QStringLiteral("speed"))->setValue(1.6);
        dialog.findChild<QDoubleSpinBox*>(QStringLiteral("pitch"))->setValue(-4);
        dialog.findChild<QPushButton*>(QStringLiteral("preview"))->click();
        return int(QDialog::Accepted);
    });
    showVoiceDialog(*engine, &owner, QStringLiteral("音声の調節"));
    EXPECT_EQ(title, QStringLiteral("音声の調節"));
    EXPECT_EQ(parent, &owner);
    EXPECT_EQ(speech::takeSpoken(), QStringList{speech::sampleText()});
    EXPECT_DOUBLE_EQ(engine->voice().speed, 1.6);
    EXPECT_DOUBLE_EQ(VoiceSettings::load(file).speed, 1.6);
    EXPECT_DOUBLE_EQ(VoiceSettings::load(file).pitch, -4);

    modal::setHandler([&](QDialog& dialog) {
        dialog.findChild<QDoubleSpinBox*>(QStringLiteral("speed"))->setValue(0.5);
        return int(QDialog::Rejected);
    });
    showVoiceDialog(*engine, &owner, QStringLiteral("音声の調節"));
    EXPECT_DOUBLE_EQ(engine->voice().speed, 1.6) << "a cancelled dialog changes nothing";
    EXPECT_DOUBLE_EQ(VoiceSettings::load(file).speed, 1.6);
}

} // namespace
