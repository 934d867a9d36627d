#include "platform/ui/MessageBox.h"

#include <QAbstractButton>
#include <QCoreApplication>
#include <QFileInfo>
#include <QPointer>

namespace msgbox {
namespace {
bool g_recording = false;
QVector<Record> g_records;
QMessageBox::StandardButton g_nextAnswer = QMessageBox::NoButton;
std::function<void(const Record&)> g_observer;
bool g_keepRecords = false;
bool g_withoutWaiting = false;
// The boxes shown without waiting that are still open, oldest first.
QVector<QPointer<QMessageBox>> g_open;
constexpr int kMaxOpenBoxes = 8;

QMessageBox::Icon toQt(Icon icon) {
    switch (icon) {
    case Icon::Critical:
        return QMessageBox::Critical;
    case Icon::Question:
        return QMessageBox::Question;
    case Icon::Exclamation:
        return QMessageBox::Warning;
    case Icon::Information:
        return QMessageBox::Information;
    case Icon::None:
        break;
    }
    return QMessageBox::NoIcon;
}

QMessageBox::StandardButton firstButton(QMessageBox::StandardButtons buttons) {
    for (unsigned bit = QMessageBox::FirstButton; bit <= QMessageBox::LastButton; bit <<= 1) {
        if (buttons.testFlag(static_cast<QMessageBox::StandardButton>(bit)))
            return static_cast<QMessageBox::StandardButton>(bit);
    }
    return QMessageBox::Ok;
}
} // namespace

QString applicationTitle() {
    QString name = QCoreApplication::applicationName();
    if (name.isEmpty())
        name = QFileInfo(QCoreApplication::applicationFilePath()).completeBaseName();
    return name;
}

QMessageBox::StandardButton show(QWidget* parent, const QString& text, const QString& title, Icon icon,
                                 QMessageBox::StandardButtons buttons,
                                 QMessageBox::StandardButton defaultButton) {
    const QString shownTitle = title.isEmpty() ? applicationTitle() : title;
    const QMessageBox::StandardButton answer =
        defaultButton == QMessageBox::NoButton ? firstButton(buttons) : defaultButton;
    const Record record{text, shownTitle, icon, buttons};
    if (g_observer)
        g_observer(record);
    if (g_keepRecords && !g_recording)
        g_records.append(record);
    if (g_recording) {
        g_records.append(record);
        if (g_nextAnswer != QMessageBox::NoButton) {
            const QMessageBox::StandardButton given = g_nextAnswer;
            g_nextAnswer = QMessageBox::NoButton;
            return given;
        }
        if (g_nextAnswer != QMessageBox::NoButton) {
            const QMessageBox::StandardButton given = g_nextAnswer;
            g_nextAnswer = QMessageBox::NoButton;
            return given;
        }
        return answer;
    }
    const auto japanese = [](QMessageBox& box) {
        // The buttons speak the program's language (Japanese unless it was translated).
        if (QAbstractButton* b = box.button(QMessageBox::Yes))
            b->setText(QCoreApplication::translate("MessageBox", "はい(&Y)"));
        if (QAbstractButton* b = box.button(QMessageBox::No))
            b->setText(QCoreApplication::translate("MessageBox", "いいえ(&N)"));
        if (QAbstractButton* b = box.button(QMessageBox::Cancel))
            b->setText(QCoreApplication::translate("MessageBox", "キャンセル"));
    };
    if (g_withoutWaiting) {
        g_open.removeIf([](const QPointer<QMessageBox>& b) { return b.isNull(); });
        for (const QPointer<QMessageBox>& open : std::as_const(g_open)) {
            if (open->text() == text && open->windowTitle() == shownTitle) {
                open->raise();
                return answer;
            }
        }
        while (g_open.size() >= kMaxOpenBoxes)
            delete g_open.takeFirst().data();
        auto* box = new QMessageBox(toQt(icon), shownTitle, text, buttons, parent);
        box->setAttribute(Qt::WA_DeleteOnClose);
        box->setWindowModality(Qt::NonModal);
        box->setDefaultButton(answer);
        japanese(*box);
        box->show();
        g_open.append(box);
        return answer;
    }
    QMessageBox box(toQt(icon), shownTitle, text, buttons, parent);
    box.setDefaultButton(answer);
    japanese(box);
    return static_cast<QMessageBox::StandardButton>(box.exec());
}

void setObserver(std::function<void(const Record&)> observer) {
    g_observer = std::move(observer);
}

void setKeepRecords(bool on) {
    g_keepRecords = on;
}

void setShowWithoutWaiting(bool on) {
    g_withoutWaiting = on;
}

bool showsWithoutWaiting() {
    return g_withoutWaiting;
}

void setNextAnswer(QMessageBox::StandardButton answer) {
    g_nextAnswer = answer;
}

void setRecording(bool on) {
    g_recording = on;
}
bool isRecording() {
    return g_recording;
}

QVector<Record> takeRecorded() {
    QVector<Record> out;
    out.swap(g_records);
    return out;
}

QString iconName(Icon icon) {
    switch (icon) {
    case Icon::Critical:
        return QStringLiteral("critical");
    case Icon::Question:
        return QStringLiteral("question");
    case Icon::Exclamation:
        return QStringLiteral("exclamation");
    case Icon::Information:
        return QStringLiteral("information");
    case Icon::None:
        break;
    }
    return QStringLiteral("none");
}

} // namespace msgbox
