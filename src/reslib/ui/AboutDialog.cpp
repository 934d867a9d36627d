#include "reslib/ui/AboutDialog.h"

#include "platform/ui/ModalDialogs.h"

#include <QDialog>
#include <QDialogButtonBox>
#include <QLabel>
#include <QVBoxLayout>

qint32 Call_dlg110(QWidget* owner, qint32 style, const QString& text) {
    Q_UNUSED(style);
    QDialog dialog(owner);
    dialog.setObjectName(QStringLiteral("dlg110"));
    dialog.setWindowTitle(QStringLiteral("バージョン情報"));
    auto* label = new QLabel(QString(text).replace(QLatin1String("\r\n"), QLatin1String("\n")), &dialog);
    label->setObjectName(QStringLiteral("text"));
    label->setTextInteractionFlags(Qt::TextSelectableByMouse);
    auto* buttons = new QDialogButtonBox(QDialogButtonBox::Ok, &dialog);
    QObject::connect(buttons, &QDialogButtonBox::accepted, &dialog, &QDialog::accept);
    auto* layout = new QVBoxLayout(&dialog);
    layout->addWidget(label);
    layout->addWidget(buttons);
    return modal::exec(dialog);
}
