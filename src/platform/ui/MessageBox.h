#pragma once

#include <QMessageBox>
#include <QString>
#include <QVector>
#include <functional>

class QWidget;

// Every message box of the program goes through this one seam. Normally it shows a
// modal QMessageBox; when recording (tests, the automation tool) it records the box
// and answers with the default button instead of blocking.
namespace msgbox {

enum class Icon { None, Critical, Question, Exclamation, Information };

struct Record {
    QString text;
    QString title;
    Icon icon = Icon::None;
    QMessageBox::StandardButtons buttons;
};

// Shows a message box. `defaultButton` is what a recorder answers; when it is
// NoButton the first button of `buttons` is taken.
QMessageBox::StandardButton show(QWidget* parent, const QString& text, const QString& title,
                                 Icon icon = Icon::None,
                                 QMessageBox::StandardButtons buttons = QMessageBox::Ok,
                                 QMessageBox::StandardButton defaultButton = QMessageBox::NoButton);

// The title every box of the program carries when its caller gives none: the
// program's own name.
QString applicationTitle();

void setRecording(bool on);
// While recording, the next box is answered with this button instead of its default.
void setNextAnswer(QMessageBox::StandardButton answer);
bool isRecording();
// Returns what was recorded since the last call and forgets it.
QVector<Record> takeRecorded();

QString iconName(Icon icon);

// Called with every box as it comes up, whether shown or recorded.
void setObserver(std::function<void(const Record&)> observer);
// While set, every box is also recorded when it is shown (not only when recording).
void setKeepRecords(bool on);
// While set, a box is shown without waiting for it: it stays on the screen until the
// person closes it, and show() returns its default button at once. Used while a remote
// command runs, so that the command is not held up by a box nobody at the screen may
// answer. An identical box that is already open is raised instead of shown again.
void setShowWithoutWaiting(bool on);
bool showsWithoutWaiting();

} // namespace msgbox
