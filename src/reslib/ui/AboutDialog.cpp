#include "reslib/ui/AboutDialog.h"

#include "platform/ui/ModalDialogs.h"

#include <QCoreApplication>
#include <QDialog>
#include <QDialogButtonBox>
#include <QFont>
#include <QLabel>
#include <QVBoxLayout>

qint32 Call_dlg110(QWidget* owner, qint32 style, const QString& text, const QString& credits) {
    Q_UNUSED(style);
    QDialog dialog(owner);
    dialog.setObjectName(QStringLiteral("dlg110"));
    dialog.setWindowTitle(QCoreApplication::translate("AboutDialog", "バージョン情報"));
    auto* label = new QLabel(QString(text).replace(QLatin1String("\r\n"), QLatin1String("\n")), &dialog);
    label->setObjectName(QStringLiteral("text"));
    label->setTextInteractionFlags(Qt::TextSelectableByMouse);
    auto* buttons = new QDialogButtonBox(QDialogButtonBox::Ok, &dialog);
    QObject::connect(buttons, &QDialogButtonBox::accepted, &dialog, &QDialog::accept);
    auto* layout = new QVBoxLayout(&dialog);
    layout->addWidget(label);
    if (!credits.isEmpty()) {
        auto* creditsLabel = new QLabel(credits, &dialog);
        creditsLabel->setObjectName(QStringLiteral("credits"));
        creditsLabel->setWordWrap(true);
        creditsLabel->setTextInteractionFlags(Qt::TextSelectableByMouse);
        creditsLabel->setMinimumWidth(360);
        QFont small = creditsLabel->font();
        small.setPointSizeF(small.pointSizeF() * 0.85);
        creditsLabel->setFont(small);
        layout->addSpacing(8);
        layout->addWidget(creditsLabel);
    }
    layout->addWidget(buttons);
    return modal::exec(dialog);
}
