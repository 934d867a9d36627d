#include "reslib/ui/DigitFormatDialog.h"

#include "platform/ui/ModalDialogs.h"

#include <QCoreApplication>
#include <QDialogButtonBox>
#include <QFormLayout>
#include <QLabel>
#include <QPushButton>
#include <QSpinBox>
#include <QVBoxLayout>

namespace {

QString zeroModeText(int mode) {
    switch (mode) {
    case 0:
        return QCoreApplication::translate("DigitFormatDialog", "0: 0と空白は表示しない");
    case 1:
        return QCoreApplication::translate("DigitFormatDialog", "1: 0と空白は「0」");
    case 2:
        return QCoreApplication::translate("DigitFormatDialog", "2: -1は「0」、0は表示しない");
    case 3:
        return QCoreApplication::translate("DigitFormatDialog", "3: -1・0・空白は「0」");
    default:
        return QString();
    }
}

} // namespace

DigitFormatDialog::DigitFormatDialog(QWidget* owner, int keta, int zeroMode, int shift, int fillZero)
    : QDialog(owner), m_keta(qMax(1, keta)) {
    setWindowTitle(QCoreApplication::translate("DigitFormatDialog", "表示形式の設定"));
    setModal(true);

    m_zeroMode = new QSpinBox(this);
    m_zeroMode->setObjectName(QStringLiteral("zeroMode"));
    m_zeroMode->setRange(0, 3);
    m_zeroMode->setValue(qBound(0, zeroMode, 3));

    m_shift = new QSpinBox(this);
    m_shift->setObjectName(QStringLiteral("shift"));
    m_shift->setRange(0, m_keta - 1);
    m_shift->setValue(qBound(0, shift, m_keta - 1));

    m_fillZero = new QSpinBox(this);
    m_fillZero->setObjectName(QStringLiteral("fillZero"));
    m_fillZero->setRange(0, m_keta);
    m_fillZero->setValue(qBound(0, fillZero, m_keta));

    m_example = new QLabel(this);
    m_example->setObjectName(QStringLiteral("zeroModeText"));

    auto* form = new QFormLayout;
    form->addRow(QCoreApplication::translate("DigitFormatDialog", "ゼロ表示モード(&Z):"), m_zeroMode);
    form->addRow(QString(), m_example);
    form->addRow(QCoreApplication::translate("DigitFormatDialog", "右詰め空白桁数(&S):"), m_shift);
    form->addRow(QCoreApplication::translate("DigitFormatDialog", "ゼロ埋め桁数(&F):"), m_fillZero);

    auto* buttons = new QDialogButtonBox(QDialogButtonBox::Ok | QDialogButtonBox::Cancel, this);
    buttons->button(QDialogButtonBox::Cancel)
        ->setText(QCoreApplication::translate("DigitFormatDialog", "キャンセル"));
    connect(buttons, &QDialogButtonBox::accepted, this, &QDialog::accept);
    connect(buttons, &QDialogButtonBox::rejected, this, &QDialog::reject);

    auto* layout = new QVBoxLayout(this);
    layout->addLayout(form);
    layout->addWidget(buttons);

    connect(m_zeroMode, &QSpinBox::valueChanged, this, &DigitFormatDialog::updateExample);
    updateExample();
}

int DigitFormatDialog::zeroMode() const {
    return m_zeroMode->value();
}
int DigitFormatDialog::shift() const {
    return m_shift->value();
}
int DigitFormatDialog::fillZero() const {
    return m_fillZero->value();
}

void DigitFormatDialog::updateExample() {
    m_example->setText(zeroModeText(m_zeroMode->value()));
}

qint32 Call_dlg100(QWidget* owner, qint32 keta, qint32& zeroMode, qint32& shift, qint32& fillZero) {
    DigitFormatDialog dialog(owner, keta, zeroMode, shift, fillZero);
    if (modal::exec(dialog) != QDialog::Accepted)
        return 0;
    zeroMode = dialog.zeroMode();
    shift = dialog.shift();
    fillZero = dialog.fillZero();
    return 1;
}
