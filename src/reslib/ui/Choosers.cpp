#include "reslib/ui/Choosers.h"

#include "platform/ui/ModalDialogs.h"
#include "platform/ui/QtColor.h"

#include <QCalendarWidget>
#include <QColorDialog>
#include <QCoreApplication>
#include <QDate>
#include <QDialog>
#include <QDialogButtonBox>
#include <QFileDialog>
#include <QPushButton>
#include <QRegularExpression>
#include <QVBoxLayout>

namespace choosers {
namespace {
Handler g_handler;
}

void setHandler(Handler handler) {
    g_handler = std::move(handler);
}

bool hasHandler() {
    return static_cast<bool>(g_handler);
}

QString kindName(Kind kind) {
    switch (kind) {
    case Kind::File:
        return QStringLiteral("file");
    case Kind::Folder:
        return QStringLiteral("folder");
    case Kind::Colour:
        return QStringLiteral("colour");
    case Kind::Date:
        return QStringLiteral("date");
    }
    return {};
}

// The installed handler's answer; nothing when no handler is installed (the chooser
// is then shown).
std::optional<std::optional<QString>> scripted(const Request& request) {
    if (!g_handler)
        return std::nullopt;
    return g_handler(request);
}

} // namespace choosers

namespace {

// The chosen file or folder of a file dialog run as a modal dialog.
QString runFileDialog(QFileDialog& dialog) {
    dialog.setOption(QFileDialog::DontUseNativeDialog, true);
    if (modal::exec(dialog) != QDialog::Accepted)
        return {};
    const QStringList chosen = dialog.selectedFiles();
    return chosen.isEmpty() ? QString() : chosen.first();
}

std::optional<std::uint32_t> parseColour(const QString& text) {
    static const QRegularExpression hex(QStringLiteral("^#([0-9A-Fa-f]{6})$"));
    const auto m = hex.match(text.trimmed());
    if (!m.hasMatch())
        return std::nullopt;
    const uint rgb = m.captured(1).toUInt(nullptr, 16);
    return colorref::rgb((rgb >> 16) & 0xFF, (rgb >> 8) & 0xFF, rgb & 0xFF);
}

QDate parseDate(const QString& text) {
    static const QRegularExpression form(QStringLiteral("^(\\d{4})/(\\d{1,2})/(\\d{1,2})$"));
    const auto m = form.match(text.trimmed());
    if (!m.hasMatch())
        return {};
    return QDate(m.captured(1).toInt(), m.captured(2).toInt(), m.captured(3).toInt());
}

} // namespace

QString Zelk3FileDlg(QWidget* owner, qint32, const QByteArray& filter, const QString& initialName,
                     const QString& title) {
    const QVector<FileFilterEntry> entries = filefilter::parse(filter);
    if (const auto answer = choosers::scripted({choosers::Kind::File, title, entries, 0}))
        return answer->value_or(QString());
    QFileDialog dialog(owner, title);
    dialog.setFileMode(QFileDialog::ExistingFile);
    dialog.setNameFilters(filefilter::nameFilters(entries));
    if (!initialName.isEmpty())
        dialog.selectFile(initialName);
    return runFileDialog(dialog);
}

QString Zelk3FolderDlg(QWidget* owner, const QString& prompt) {
    if (const auto answer = choosers::scripted({choosers::Kind::Folder, prompt, {}, 0}))
        return answer->value_or(QString());
    QFileDialog dialog(owner, prompt);
    dialog.setFileMode(QFileDialog::Directory);
    dialog.setOption(QFileDialog::ShowDirsOnly, true);
    return runFileDialog(dialog);
}

qint32 Zelk3ChooseColor(QWidget* owner, std::uint32_t& colour, CustomColorTable& customColors) {
    if (const auto answer = choosers::scripted({choosers::Kind::Colour, QString(), {}, colour})) {
        const std::optional<std::uint32_t> chosen =
            answer->has_value() ? parseColour(**answer) : std::nullopt;
        if (!chosen)
            return 0;
        colour = *chosen;
        return 1;
    }
    for (int i = 0; i < 16; ++i)
        QColorDialog::setCustomColor(i, colorref::toQColor(customColors[static_cast<size_t>(i)]));
    QColorDialog dialog(colorref::toQColor(colour), owner);
    dialog.setOption(QColorDialog::DontUseNativeDialog, true);
    if (modal::exec(dialog) != QDialog::Accepted)
        return 0;
    colour = colorref::fromQColor(dialog.selectedColor());
    for (int i = 0; i < 16; ++i)
        customColors[static_cast<size_t>(i)] = colorref::fromQColor(QColorDialog::customColor(i));
    return 1;
}

qint32 Call_dlg111(QWidget* owner, SystemTime& date) {
    QDate chosen;
    if (const auto answer = choosers::scripted({choosers::Kind::Date, QString(), {}, 0})) {
        chosen = answer->has_value() ? parseDate(**answer) : QDate();
    } else {
        QDialog dialog(owner);
        dialog.setWindowTitle(QCoreApplication::translate("Choosers", "日付の選択"));
        auto* layout = new QVBoxLayout(&dialog);
        auto* calendar = new QCalendarWidget(&dialog);
        calendar->setObjectName(QStringLiteral("calendar"));
        calendar->setSelectedDate(QDate::currentDate());
        layout->addWidget(calendar);
        auto* buttons = new QDialogButtonBox(QDialogButtonBox::Ok | QDialogButtonBox::Cancel, &dialog);
        buttons->button(QDialogButtonBox::Cancel)
            ->setText(QCoreApplication::translate("Choosers", "キャンセル"));
        layout->addWidget(buttons);
        QObject::connect(buttons, &QDialogButtonBox::accepted, &dialog, &QDialog::accept);
        QObject::connect(buttons, &QDialogButtonBox::rejected, &dialog, &QDialog::reject);
        QObject::connect(calendar, &QCalendarWidget::activated, &dialog, &QDialog::accept);
        if (modal::exec(dialog) == QDialog::Accepted)
            chosen = calendar->selectedDate();
    }
    if (!chosen.isValid() || chosen.year() < 1601 || chosen.year() > 30827)
        return 0;
    date.wYear = static_cast<qint16>(chosen.year());
    date.wMonth = static_cast<qint16>(chosen.month());
    date.wDay = static_cast<qint16>(chosen.day());
    date.wDayOfWeek = static_cast<qint16>(chosen.dayOfWeek() % 7); // Sunday 0
    return 1;
}
