#include "Automation.h"

#include "BlockingWait.h"
#include "ChimeiCtl_B.h"
#include "ColorRef.h"
#include "Form1.h"
#include "Json.h"
#include "Label.h"
#include "M_Degit.h"
#include "MessageBox.h"
#include "ModalDialogs.h"
#include "Program.h"
#include "frmOption.h"

#include <QApplication>
#include <QDialog>
#include <QEventLoop>
#include <QFile>
#include <QFileInfo>
#include <QMouseEvent>
#include <QPainter>
#include <QSpinBox>
#include <QTimer>
#include <cstdio>

namespace {

bool toInt(const QString& text, int& out) {
    bool ok = false;
    out = text.toInt(&ok);
    return ok;
}

// Double-clicks a widget as the mouse would.
void doubleClick(QWidget* w) {
    const QPointF at(w->width() / 2.0, w->height() / 2.0);
    const QPointF global = w->mapToGlobal(at);
    QMouseEvent press(QEvent::MouseButtonPress, at, global, Qt::LeftButton, Qt::LeftButton, Qt::NoModifier);
    QMouseEvent release(QEvent::MouseButtonRelease, at, global, Qt::LeftButton, Qt::NoButton, Qt::NoModifier);
    QMouseEvent dbl(QEvent::MouseButtonDblClick, at, global, Qt::LeftButton, Qt::LeftButton, Qt::NoModifier);
    QCoreApplication::sendEvent(w, &press);
    QCoreApplication::sendEvent(w, &release);
    QCoreApplication::sendEvent(w, &dbl);
    QMouseEvent release2(QEvent::MouseButtonRelease, at, global, Qt::LeftButton, Qt::NoButton,
                         Qt::NoModifier);
    QCoreApplication::sendEvent(w, &release2);
}

// A picture of a window as a screen shows it: outside its outline nothing is drawn.
QImage windowPicture(QWidget& w) {
    QImage shot = w.grab().toImage().convertToFormat(QImage::Format_ARGB32);
    const QRegion mask = w.mask();
    if (mask.isEmpty())
        return shot;
    QImage out(shot.size(), QImage::Format_ARGB32);
    out.fill(Qt::transparent);
    QPainter p(&out);
    p.setClipRegion(mask);
    p.drawImage(0, 0, shot);
    return out;
}

} // namespace

ScriptRunner::ScriptRunner(Program& program, QTextStream& out) : m_program(program), m_out(out) {
    add("format", [this](const QStringList& a, const QString&) { return cmdFormat(a); });
    add("wait", [this](const QStringList& a, const QString&) { return cmdWait(a); });
    add("state", [this](const QStringList& a, const QString&) {
        if (!a.isEmpty())
            return QStringLiteral("state takes no arguments");
        m_out << state() << '\n';
        m_out.flush();
        return QString();
    });
    add("settings", [this](const QStringList& a, const QString& rest) {
        if (a.isEmpty())
            return QStringLiteral("settings needs a file name");
        const QString path = rest.trimmed();
        if (!QFileInfo::exists(path))
            return QStringLiteral("no settings file %1").arg(path);
        m_program.loadSettings(path);
        return QString();
    });
    add("save", [this](const QStringList& a, const QString& rest) {
        if (a.isEmpty())
            return QStringLiteral("save needs a file name");
        const QString path = rest.trimmed();
        if (!m_program.saveSettings(path))
            return QStringLiteral("cannot write %1").arg(path);
        return QString();
    });
    add("set", [this](const QStringList& a, const QString& rest) {
        if (a.isEmpty())
            return QStringLiteral("set needs NAME VALUE");
        const QString name = a.first();
        const QString value = rest.trimmed().mid(name.size()).trimmed();
        return m_program.options().live().set(name, value);
    });
    add("ok", [this](const QStringList& a, const QString&) {
        if (!a.isEmpty())
            return QStringLiteral("ok takes no arguments");
        m_program.options().Command4_Click();
        return QString();
    });
    add("chimei", [this](const QStringList&, const QString& rest) {
        m_program.board().ChimeiCtl()->SetChimei(rest);
        return QString();
    });
    add("dots", [this](const QStringList& a, const QString&) {
        if (!a.isEmpty())
            return QStringLiteral("dots takes no arguments");
        m_out << m_program.board().ChimeiCtl()->dots() << '\n';
        m_out.flush();
        return QString();
    });
    add("png", [this](const QStringList& a, const QString& rest) {
        if (a.isEmpty())
            return QStringLiteral("png needs a file name");
        return cmdPng(rest.trimmed());
    });
}

void ScriptRunner::add(const QString& name, Handler handler) {
    m_commands.insert(name, std::move(handler));
}

QStringList ScriptRunner::commandHelp() {
    return {
        QStringLiteral(
            "format N ZEROMODE SHIFT FILLZERO   double-click fare display N (1..50) and confirm its"),
        QStringLiteral("                                   format dialog with these values"),
        QStringLiteral(
            "format N cancel                    double-click fare display N and cancel the dialog"),
        QStringLiteral(
            "settings PATH                      load the settings file at PATH as the start-up does"),
        QStringLiteral("save PATH                          write the settings file to PATH as the exit does"),
        QStringLiteral("set NAME VALUE                     set one live setting by its name in the settings"),
        QStringLiteral("                                   record (a number, a text or a colour #RRGGBB)"),
        QStringLiteral("ok                                 press OK in the options dialog"),
        QStringLiteral(
            "chimei TEXT                        hand TEXT (the rest of the line) to the stop-name"),
        QStringLiteral("                                   strip; chimei alone hands it the empty name"),
        QStringLiteral(
            "dots                               print the stop-name strip, # lit, . not, then top=N"),
        QStringLiteral("wait MS                            let the program run for MS milliseconds"),
        QStringLiteral("state                              print the state as one line of JSON"),
        QStringLiteral("png PATH                           save a picture of the board window"),
    };
}

QString ScriptRunner::run(const QString& rawLine) {
    const QString line = rawLine.trimmed();
    if (line.isEmpty() || line.startsWith(QLatin1Char('#')))
        return QString();
    // The rest of the line after the command and one space, as typed: a stop name
    // may carry spaces of its own.
    const QString typed = rawLine.mid(rawLine.indexOf(line.at(0)));
    const qsizetype space = typed.indexOf(QLatin1Char(' '));
    const QString name = space < 0 ? typed.trimmed() : typed.left(space);
    const QString rest = space < 0 ? QString() : typed.mid(space + 1);
    const QStringList args = rest.split(QLatin1Char(' '), Qt::SkipEmptyParts);
    const auto it = m_commands.constFind(name);
    if (it == m_commands.constEnd())
        return QStringLiteral("unknown command \"%1\"").arg(name);
    return it.value()(args, rest);
}

QString ScriptRunner::cmdFormat(const QStringList& args) {
    int n = 0;
    if (args.size() < 2 || !toInt(args[0], n))
        return QStringLiteral("format needs N and ZEROMODE SHIFT FILLZERO, or N cancel");
    if (n < 1 || n > Form1::kFareDisplays)
        return QStringLiteral("fare display %1 does not exist (1..50)").arg(args[0]);
    bool cancel = false;
    int zeroMode = 0, shift = 0, fillZero = 0;
    if (args.size() == 2 && args[1] == QLatin1String("cancel")) {
        cancel = true;
    } else if (args.size() != 4 || !toInt(args[1], zeroMode) || !toInt(args[2], shift) ||
               !toInt(args[3], fillZero)) {
        return QStringLiteral("format needs N and ZEROMODE SHIFT FILLZERO, or N cancel");
    }
    M_Degit* display = m_program.board().Degit(n);
    QString problem;
    bool opened = false;
    modal::setHandler([&](QDialog& dialog) {
        opened = true;
        if (cancel)
            return static_cast<int>(QDialog::Rejected);
        const auto setSpin = [&](const char* name, int value) {
            auto* spin = dialog.findChild<QSpinBox*>(QString::fromLatin1(name));
            if (!spin)
                return;
            if (value < spin->minimum() || value > spin->maximum())
                problem = QStringLiteral("%1 %2 is outside %3..%4")
                              .arg(QString::fromLatin1(name))
                              .arg(value)
                              .arg(spin->minimum())
                              .arg(spin->maximum());
            spin->setValue(value);
        };
        setSpin("zeroMode", zeroMode);
        setSpin("shift", shift);
        setSpin("fillZero", fillZero);
        if (!problem.isEmpty())
            return static_cast<int>(QDialog::Rejected);
        return static_cast<int>(QDialog::Accepted);
    });
    doubleClick(display);
    modal::setHandler({});
    if (!problem.isEmpty())
        return problem;
    if (!opened && display->UserSet())
        return QStringLiteral("the format dialog did not open");
    return QString();
}

QString ScriptRunner::cmdWait(const QStringList& args) {
    int ms = 0;
    if (args.size() != 1 || !toInt(args[0], ms) || ms < 0)
        return QStringLiteral("wait needs a number of milliseconds");
    QEventLoop loop;
    QTimer::singleShot(ms, &loop, &QEventLoop::quit);
    loop.exec();
    return QString();
}

QString ScriptRunner::cmdPng(const QString& path) {
    QApplication::processEvents();
    const QImage picture = windowPicture(m_program.board());
    if (!picture.save(path, "PNG"))
        return QStringLiteral("cannot write %1").arg(path);
    return QString();
}

QString ScriptRunner::state() {
    Form1& board = m_program.board();
    JsonWriter j;
    j.beginObject();
    j.key("displays").beginArray();
    for (int i = 1; i <= Form1::kFareDisplays; ++i)
        j.value(board.Degit(i)->shownPlaces());
    j.endArray();
    j.key("labels").beginArray();
    for (int i = 1; i <= Form1::kFareDisplays; ++i) {
        const Label* l = board.lblSeiriNum(i);
        j.beginObject();
        j.key("text").value(l->text());
        j.key("visible").value(!l->isHidden());
        j.key("color").value(colorref::toHex(l->ForeColor()));
        j.endObject();
    }
    j.endArray();
    j.key("stopName").value(board.ChimeiCtl()->stopName());
    j.key("messages").beginArray();
    for (const msgbox::Record& m : msgbox::takeRecorded()) {
        j.beginObject();
        j.key("text").value(m.text);
        j.key("title").value(m.title);
        j.key("icon").value(msgbox::iconName(m.icon));
        j.endObject();
    }
    j.endArray();
    j.key("panel").value(board.pictureSource());
    j.key("clock").beginArray();
    j.value(board.TimeDegit(0)->shownPlaces());
    j.value(board.TimeDegit(1)->shownPlaces());
    j.endArray();
    j.endObject();
    return j.text();
}
