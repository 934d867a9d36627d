#include "app/Automation.h"

#include "app/Program.h"
#include "app/SignSet.h"
#include "app/WebView.h"
#include "board/ui/Form1.h"
#include "controller/ConsoleModel.h"
#include "controller/ui/frmCtl.h"
#include "platform/BlockingWait.h"
#include "platform/ColorRef.h"
#include "platform/OrderedJson.h"
#include "platform/SaveFile.h"
#include "platform/ui/MessageBox.h"
#include "platform/ui/ModalDialogs.h"
#include "remote/CommandTable.h"
#include "route/DataIo.h"
#include "settings/ui/frmOption.h"
#include "sound/SpeechEngine.h"
#include "sound/mdlM_Tape.h"
#include "sound/mdlSndAPI.h"
#include "stopname/ui/SignWindow.h"

#include <QApplication>
#include <QBuffer>
#include <QCheckBox>
#include <QDialog>
#include <QEventLoop>
#include <QFile>
#include <QFileInfo>
#include <QGroupBox>
#include <QImageWriter>
#include <QListWidget>
#include <QMouseEvent>
#include <QPainter>
#include <QPushButton>
#include <QRegularExpression>
#include <QScrollBar>
#include <QSpinBox>
#include <QTimer>
#include <cstdio>

namespace {

bool toInt(const QString& text, int& out) {
    bool ok = false;
    out = text.toInt(&ok);
    return ok;
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
        // The reason carries the save message the program shows, on one line.
        QString failure;
        if (!m_program.saveSettings(path, &failure))
            return QStringLiteral("cannot write %1 (%2)")
                .arg(path, failure.replace(QStringLiteral("\r\n"), QStringLiteral(" ")));
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
        m_program.console().showStopName(rest);
        return QString();
    });
    add("dots", [this](const QStringList& a, const QString&) {
        if (!a.isEmpty())
            return QStringLiteral("dots takes no arguments");
        m_out << m_program.board().stopNameDots() << '\n';
        m_out.flush();
        return QString();
    });
    addControllerCommands();
    addOptionsCommands();
    add("web", [this](const QStringList& a, const QString&) {
        if (!a.isEmpty())
            return QStringLiteral("web takes no arguments");
        const QString page = servedBoardPage();
        m_out << (page.isEmpty() ? QStringLiteral("not serving") : page) << '\n';
        m_out.flush();
        return QString();
    });
    add("png", [this](const QStringList& a, const QString& rest) {
        if (a.isEmpty())
            return QStringLiteral("png needs a file name");
        return cmdPng(rest.trimmed());
    });
    addSignCommands();
    checkHandlers();
}

// A handler for each command of the table (remote/CommandTable), which gives the commands'
// help and the fields remote control takes for them: a command added here without an
// entry there, or an entry left without its handler, stops the program at its start.
void ScriptRunner::add(const QString& name, Handler handler) {
    if (!commands::find(name))
        qFatal("corvane script: the command \"%s\" has a handler but no entry in the command table",
               qPrintable(name));
    m_commands.insert(name, std::move(handler));
}

void ScriptRunner::checkHandlers() const {
    for (const commands::Command& command : commands::table()) {
        if (!m_commands.contains(command.name))
            qFatal("corvane script: the command \"%s\" of the command table has no handler",
                   qPrintable(command.name));
    }
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

namespace {

// Clicks a control as the mouse would: nothing happens when it is disabled.
void click(QAbstractButton* b) {
    if (b->isEnabled())
        b->click();
}

bool onOff(const QStringList& a, bool& on) {
    if (a.size() != 1 || (a[0] != QLatin1String("on") && a[0] != QLatin1String("off")))
        return false;
    on = a[0] == QLatin1String("on");
    return true;
}

} // namespace

void ScriptRunner::addControllerCommands() {
    add("keypad", [this](const QStringList& a, const QString&) {
        if (a.isEmpty())
            return QStringLiteral("keypad needs keys: 0..9, 系統, 区間");
        QVector<int> keys;
        for (const QString& k : a) {
            bool isDigit = false;
            const int d = k.toInt(&isDigit);
            if (isDigit && k.size() == 1 && d >= 0 && d <= 9)
                keys << d;
            else if (k == QStringLiteral("系統"))
                keys << 10;
            else if (k == QStringLiteral("区間"))
                keys << 11;
            else
                return QStringLiteral("unknown keypad key \"%1\"").arg(k);
        }
        for (int k : keys)
            click(m_program.controller().CommandButton1[k]);
        return QString();
    });
    add("wheels", [this](const QStringList& a, const QString&) {
        static const QRegularExpression route(QStringLiteral("^[0-9-]{5}$"));
        static const QRegularExpression section(QStringLiteral("^[0-9-]{3}$"));
        if (a.size() != 2 || !route.match(a[0]).hasMatch() || !section.match(a[1]).hasMatch())
            return QStringLiteral("wheels needs ROUTE (five digits) and SECTION (three), - for no selection");
        frmCtl& ctl = m_program.controller();
        const auto turn = [&](QListWidget* w, QChar c, const std::function<void()>& clicked) {
            if (!w->isEnabled())
                return;
            if (c == QLatin1Char('-')) {
                w->clearSelection();
                w->setCurrentRow(-1, QItemSelectionModel::Clear);
                return;
            }
            w->setCurrentRow(c.digitValue());
            clicked();
        };
        for (int k = 0; k < 5; ++k)
            turn(ctl.List2[k], a[0].at(k), [&ctl, k] { ctl.List2_Click(k); });
        for (int k = 0; k < 3; ++k)
            turn(ctl.List3[k], a[1].at(k), [&ctl, k] { ctl.List3_Click(k); });
        return QString();
    });
    add("reset", [this](const QStringList& a, const QString&) {
        if (a.size() != 1 || (a[0] != QLatin1String("keypad") && a[0] != QLatin1String("wheels")))
            return QStringLiteral("reset needs keypad or wheels");
        click(m_program.controller().Command1[a[0] == QLatin1String("keypad") ? 1 : 0]);
        return QString();
    });
    add("next", [this](const QStringList& a, const QString&) {
        if (!a.isEmpty())
            return QStringLiteral("next takes no arguments");
        click(m_program.controller().Command2[1]);
        return QString();
    });
    add("back", [this](const QStringList& a, const QString&) {
        if (!a.isEmpty())
            return QStringLiteral("back takes no arguments");
        click(m_program.controller().Command2[0]);
        return QString();
    });
    add("tape", [this](const QStringList& a, const QString&) {
        frmCtl& ctl = m_program.controller();
        if (a.size() == 1 && a[0] == QLatin1String("next"))
            click(ctl.cmdTapeNext);
        else if (a.size() == 1 && a[0] == QLatin1String("back"))
            click(ctl.cmdTapeBack);
        else if (a.size() == 1 && a[0] == QLatin1String("stop"))
            click(ctl.cmdTapeStop);
        else
            return QStringLiteral("tape needs next, back or stop");
        return QString();
    });
    add("latenight", [this](const QStringList& a, const QString&) {
        bool on = false;
        if (!onOff(a, on))
            return QStringLiteral("latenight needs on or off");
        QCheckBox* box = m_program.controller().Check2;
        if (box->isChecked() != on)
            click(box);
        return QString();
    });
    add("clear", [this](const QStringList& a, const QString&) {
        bool on = false;
        if (!onOff(a, on))
            return QStringLiteral("clear needs on or off");
        QCheckBox* box = m_program.controller().Check1;
        if (box->isChecked() != on)
            click(box);
        return QString();
    });
    add("backlight", [this](const QStringList& a, const QString&) {
        int i = -1;
        if (a.size() != 1 || !toInt(a[0], i) || i < 0 || i > 2)
            return QStringLiteral("backlight needs 0, 1 or 2");
        click(m_program.controller().Option4[i]);
        return QString();
    });
    add("scroll", [this](const QStringList& a, const QString&) {
        int speed = 0, wait = 0;
        if (a.size() != 2 || !toInt(a[0], speed) || !toInt(a[1], wait))
            return QStringLiteral("scroll needs SPEED (1..2000) and WAIT (0..3000)");
        frmCtl& ctl = m_program.controller();
        if (speed < ctl.HScroll1[0]->minimum() || speed > ctl.HScroll1[0]->maximum())
            return QStringLiteral("scroll speed %1 is outside 1..2000").arg(speed);
        if (wait < ctl.HScroll1[1]->minimum() || wait > ctl.HScroll1[1]->maximum())
            return QStringLiteral("scroll wait %1 is outside 0..3000").arg(wait);
        // An operator cannot move a disabled scroll bar.
        if (ctl.HScroll1[0]->isEnabled())
            ctl.HScroll1[0]->setValue(speed);
        if (ctl.HScroll1[1]->isEnabled())
            ctl.HScroll1[1]->setValue(wait);
        return QString();
    });
    add("fast", [](const QStringList& a, const QString&) {
        bool on = false;
        if (!onOff(a, on))
            return QStringLiteral("fast needs on or off");
        blocking::setSkipWaits(on);
        mdlSndAPI::setFast(on);
        return QString();
    });
    add("display", [this](const QStringList& a, const QString&) {
        Form1& board = m_program.board();
        DisplayConfig d = board.display();
        QStringList args;
        if (a.size() == 2 && (a[0] == QLatin1String("scale") || a[0] == QLatin1String("screen") ||
                              a[0] == QLatin1String("dots")))
            args = {QStringLiteral("--") + a[0], a[1]};
        else if (a.size() == 2 && a[0] == QLatin1String("fullscreen") &&
                 (a[1] == QLatin1String("on") || a[1] == QLatin1String("off")))
            args = {a[1] == QLatin1String("on") ? QStringLiteral("--fullscreen")
                                                : QStringLiteral("--windowed")};
        else if (a.size() == 2 && a[0] == QLatin1String("glow") &&
                 (a[1] == QLatin1String("on") || a[1] == QLatin1String("off")))
            args = {a[1] == QLatin1String("on") ? QStringLiteral("--glow") : QStringLiteral("--no-glow")};
        else
            return QStringLiteral(
                "display needs scale 1..4|fit, fullscreen on|off, screen N, dots square|round "
                "or glow on|off");
        const QString problem = d.takeArguments(args);
        if (!problem.isEmpty())
            return problem;
        board.applyDisplay(d);
        QApplication::processEvents();
        return QString();
    });
    add("png-controller", [this](const QStringList& a, const QString& rest) {
        if (a.isEmpty())
            return QStringLiteral("png-controller needs a file name");
        QApplication::processEvents();
        const QString path = rest.trimmed();
        return writePng(windowPicture(m_program.controller()), path);
    });
    add("ticket", [this](const QStringList& a, const QString& rest) {
        if (a.isEmpty())
            return QStringLiteral("ticket needs a file name");
        const QString path = rest.trimmed();
        return writePng(m_program.controller().picSeirikenPrev->image(), path);
    });
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
    Form1& board = m_program.board();
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
    board.doubleClickDisplay(n);
    modal::setHandler({});
    if (!problem.isEmpty())
        return problem;
    if (!opened && board.displayTakesFormat(n))
        return QStringLiteral("the format dialog did not open");
    return QString();
}

void ScriptRunner::addSignCommands() {
    add("sign", [this](const QStringList& a, const QString&) {
        if (a.size() == 2 && a[0] == QLatin1String("colour")) {
            const std::optional<signs::LedColour> colour = signs::colourFromName(a[1]);
            if (!colour)
                return QStringLiteral("sign colour needs amber, white, green or full");
            m_program.signs().setColour(*colour, false);
            QApplication::processEvents();
            return QString();
        }
        const std::optional<signs::SignKind> kind = a.size() == 2 ? signs::kindFromName(a[1]) : std::nullopt;
        if (!kind || (a[0] != QLatin1String("open") && a[0] != QLatin1String("close") &&
                      a[0] != QLatin1String("dots")))
            return QStringLiteral(
                "sign needs open, close or dots and front, side or rear, or colour and a colour");
        SignSet& signSet = m_program.signs();
        if (a[0] == QLatin1String("dots")) {
            if (!signSet.isOpen(*kind))
                return QStringLiteral("the %1 sign is not open").arg(a[1]);
            m_out << signSet.dots(*kind).dump() << '\n';
            m_out.flush();
            return QString();
        }
        // As the board's menu does it, but display.conf stays as it is.
        signSet.setOpen(*kind, a[0] == QLatin1String("open"), false);
        QApplication::processEvents();
        return QString();
    });
    add("png-sign", [this](const QStringList& a, const QString& rest) {
        const std::optional<signs::SignKind> kind = a.size() >= 2 ? signs::kindFromName(a[0]) : std::nullopt;
        if (!kind)
            return QStringLiteral("png-sign needs front, side or rear and a file name");
        const SignWindow* w = m_program.signs().window(*kind);
        if (!w)
            return QStringLiteral("the %1 sign is not open").arg(a[0]);
        QApplication::processEvents();
        return writePng(w->picture(), rest.trimmed().mid(a[0].size()).trimmed());
    });
}

OrderedJson ScriptRunner::signsState() {
    SignSet& signSet = m_program.signs();
    QList<OrderedJson::Member> open;
    for (signs::SignKind kind : signs::kAllSigns) {
        if (!signSet.isOpen(kind))
            continue;
        const signs::Lang lang = signSet.text().hasEnglish() ? signSet.lang() : signs::Lang::Japanese;
        open.append({signs::kindName(kind),
                     OrderedJson::object({{"number", signSet.text().number},
                                          {"text", signs::shownText(kind, signSet.text(), lang)},
                                          {"lang", signs::langName(lang)}})});
    }
    return OrderedJson::object(open);
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
    return writePng(windowPicture(m_program.board()), path);
}

QString ScriptRunner::writePng(const QImage& picture, const QString& path) {
    // The whole picture is encoded before the file is touched, and written as a whole
    // file: a full disk or a target that is not a regular file leaves what was there.
    QByteArray bytes;
    QBuffer buffer(&bytes);
    buffer.open(QIODevice::WriteOnly);
    QImageWriter writer(&buffer, "png");
    QString reason;
    if (!writer.write(picture))
        reason = writer.errorString();
    else if (savefile::write(path, bytes, &reason))
        return QString();
    return QStringLiteral("cannot write %1 (%2)").arg(path, reason);
}

QString ScriptRunner::state() {
    Form1& board = m_program.board();
    frmCtl& ctl = m_program.controller();
    const DataIo::RouteState& route = m_program.console().route();
    const BoardFrame& frame = m_program.console().frame();
    QStringList displays;
    QList<OrderedJson> labels;
    for (int i = 1; i <= Form1::kFareDisplays; ++i) {
        displays << frame.places(i, board.displayPlaces(i));
        const Form1::TicketLabel l = board.ticketLabel(i);
        labels << OrderedJson::object(
            {{"text", l.text}, {"visible", l.visible}, {"color", colorref::toHex(l.color)}});
    }
    QList<OrderedJson> sounds;
    for (const mdlSndAPI::SoundRecord& s : mdlSndAPI::takeRecorded()) {
        if (s.file.isEmpty())
            continue;
        QList<OrderedJson::Member> sound{{"channel", s.channel}, {"file", s.file}, {"wait", s.wait}};
        if (!s.fileFound)
            sound.append({"played", false});
        sounds << OrderedJson::object(sound);
    }
    const QStringList spoken = speech::takeSpoken();
    QList<OrderedJson> messages;
    for (const msgbox::Record& m : msgbox::takeRecorded())
        messages << OrderedJson::object(
            {{"text", m.text}, {"title", m.title}, {"icon", msgbox::iconName(m.icon)}});
    return OrderedJson::object({{"route", route.RouteNumber},
                                {"section", route.SectionNumber},
                                {"currentStop", route.CurrentStop},
                                {"rowCount", route.RowCount},
                                {"displays", displays},
                                {"labels", OrderedJson::array(labels)},
                                {"stopName", frame.stopName},
                                {"buttons", OrderedJson::object({{"back", ctl.Command2[0]->isEnabled()},
                                                                 {"next", ctl.Command2[1]->isEnabled()},
                                                                 {"clear", ctl.Check1->isEnabled()},
                                                                 {"entry", ctl.Frame1[0]->isEnabled() &&
                                                                               ctl.Frame1[1]->isEnabled()},
                                                                 {"tape", ctl.grpM_Tape->isEnabled()},
                                                                 {"lateNight", ctl.Check2->isEnabled()}})},
                                {"tape", OrderedJson::object({{"caption", ctl.grpM_Tape->title()},
                                                              {"pos", mdlM_Tape::GetTapePos()},
                                                              {"count", mdlM_Tape::GetTapeCount()}})},
                                {"sounds", OrderedJson::array(sounds)},
                                {"spoken", spoken},
                                {"messages", OrderedJson::array(messages)},
                                {"panel", board.pictureSource()},
                                {"clock", board.clockPlaces()},
                                {"ticket", ticketState()},
                                {"signs", signsState()}})
        .toString();
}
