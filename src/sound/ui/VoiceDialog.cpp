#include "sound/ui/VoiceDialog.h"

#include "platform/ui/ModalDialogs.h"
#include "sound/SpeechEngine.h"
#include "sound/mdlM_Tape.h"

#include <QCoreApplication>
#include <QDialogButtonBox>
#include <QDoubleSpinBox>
#include <QFormLayout>
#include <QHBoxLayout>
#include <QPushButton>
#include <QVBoxLayout>

namespace {

QDoubleSpinBox* makeSpin(QWidget* parent, const char* name, double low, double high, double step,
                         int decimals, const QString& suffix) {
    auto* spin = new QDoubleSpinBox(parent);
    spin->setObjectName(QString::fromLatin1(name));
    spin->setRange(low, high);
    spin->setSingleStep(step);
    spin->setDecimals(decimals);
    spin->setSuffix(suffix);
    spin->setAlignment(Qt::AlignRight);
    return spin;
}

} // namespace

VoiceDialog::VoiceDialog(const VoiceSettings& voice, QWidget* parent) : QDialog(parent) {
    setWindowTitle(QCoreApplication::translate("VoiceDialog", "音声の調節"));
    m_speed = makeSpin(this, "speed", VoiceSettings::kSpeedMin, VoiceSettings::kSpeedMax, 0.1, 2,
                       QCoreApplication::translate("VoiceDialog", " 倍"));
    m_pitch = makeSpin(this, "pitch", VoiceSettings::kPitchMin, VoiceSettings::kPitchMax, 1.0, 1,
                       QCoreApplication::translate("VoiceDialog", " 半音"));
    m_volume = makeSpin(this, "volume", VoiceSettings::kVolumeMin, VoiceSettings::kVolumeMax, 1.0, 1,
                        QStringLiteral(" dB"));
    m_tone = makeSpin(this, "tone", VoiceSettings::kToneMin, VoiceSettings::kToneMax, 0.01, 2, QString());

    auto* form = new QFormLayout;
    form->addRow(QCoreApplication::translate("VoiceDialog", "話す速さ(&S)："), m_speed);
    form->addRow(QCoreApplication::translate("VoiceDialog", "声の高さ(&P)："), m_pitch);
    form->addRow(QCoreApplication::translate("VoiceDialog", "音量(&V)："), m_volume);
    form->addRow(QCoreApplication::translate("VoiceDialog", "声質(&T)："), m_tone);

    auto* preview = new QPushButton(QCoreApplication::translate("VoiceDialog", "試聴"), this);
    preview->setObjectName(QStringLiteral("preview"));
    preview->setAutoDefault(false);
    auto* defaults = new QPushButton(QCoreApplication::translate("VoiceDialog", "標準に戻す"), this);
    defaults->setObjectName(QStringLiteral("defaults"));
    defaults->setAutoDefault(false);
    auto* row = new QHBoxLayout;
    row->addWidget(preview);
    row->addWidget(defaults);
    row->addStretch();

    auto* buttons = new QDialogButtonBox(QDialogButtonBox::Ok | QDialogButtonBox::Cancel, this);
    buttons->button(QDialogButtonBox::Ok)->setText(QStringLiteral("OK"));
    buttons->button(QDialogButtonBox::Cancel)
        ->setText(QCoreApplication::translate("VoiceDialog", "キャンセル"));

    auto* layout = new QVBoxLayout(this);
    layout->addLayout(form);
    layout->addLayout(row);
    layout->addWidget(buttons);

    connect(preview, &QPushButton::clicked, this, &VoiceDialog::previewRequested);
    connect(defaults, &QPushButton::clicked, this, [this]() { setValues(VoiceSettings{}); });
    connect(buttons, &QDialogButtonBox::accepted, this, &QDialog::accept);
    connect(buttons, &QDialogButtonBox::rejected, this, &QDialog::reject);
    setValues(voice);
}

VoiceSettings VoiceDialog::values() const {
    VoiceSettings v;
    v.speed = m_speed->value();
    v.pitch = m_pitch->value();
    v.volume = m_volume->value();
    v.tone = m_tone->value();
    return v.clamped();
}

void VoiceDialog::setValues(const VoiceSettings& voice) {
    const VoiceSettings v = voice.clamped();
    m_speed->setValue(v.speed);
    m_pitch->setValue(v.pitch);
    m_volume->setValue(v.volume);
    m_tone->setValue(v.tone);
}

void showVoiceDialog(SpeechEngine& engine, QWidget* owner, const QString& title) {
    VoiceDialog dialog(engine.voice(), owner);
    dialog.setWindowTitle(title);
    QObject::connect(&dialog, &VoiceDialog::previewRequested, &engine, [&engine, &dialog]() {
        const VoiceSettings kept = engine.voice();
        engine.setVoice(dialog.values());
        engine.speak(speech::sampleText());
        engine.setVoice(kept);
    });
    if (modal::exec(dialog) != QDialog::Accepted)
        return;
    engine.setVoice(dialog.values());
    engine.saveVoice();
}

namespace mdlM_Tape {

void ShowVoiceDlg(QWidget* owner) {
    if (SpeechEngine* engine = Engine())
        showVoiceDialog(*engine, owner, QCoreApplication::translate("VoiceDialog", "音声の調節"));
}

} // namespace mdlM_Tape
