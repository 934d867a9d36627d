// The `corvane script` commands that work the options dialog as a person does: show
// it, click, choose, type, answer the choosers it opens, close it, and read it back.
#include "app/Automation.h"

#include "app/Program.h"
#include "controller/ui/frmCtl.h"
#include "platform/ColorRef.h"
#include "platform/OrderedJson.h"
#include "platform/ui/DesignWidgets.h"
#include "platform/ui/ModalDialogs.h"
#include "plugins/PluginInfo.h"
#include "reslib/ui/Choosers.h"
#include "reslib/ui/TicketPlugins.h"
#include "settings/Setting.h"
#include "settings/ui/frmOption.h"

#include <QApplication>
#include <QComboBox>
#include <QDialog>
#include <QGroupBox>
#include <QLabel>
#include <QLineEdit>
#include <QListWidget>
#include <QPlainTextEdit>
#include <algorithm>

namespace {

// Whether a widget's own flag says it is enabled (whatever its parents say).
bool ownEnabled(const QWidget* w) {
    return !w->testAttribute(Qt::WA_ForceDisabled);
}

// Whether a person could reach the control: it and its parents are enabled and shown.
bool reachable(const QWidget* w, const QWidget* dialog) {
    for (const QWidget* p = w; p && p != dialog; p = p->parentWidget())
        if (!ownEnabled(p) || p->isHidden())
            return false;
    return true;
}

QStringList comboItems(const QComboBox* c) {
    QStringList out;
    for (int i = 0; i < c->count(); ++i)
        out << c->itemText(i);
    return out;
}

QStringList listItems(const QListWidget* l) {
    QStringList out;
    for (int i = 0; i < l->count(); ++i)
        out << l->item(i)->text();
    return out;
}

// The rest of a command line after its first `count` words, each ended by one space.
QString afterWords(const QString& line, int count) {
    qsizetype at = 0;
    for (int word = 0; word < count; ++word) {
        while (at < line.size() && line.at(at) == QLatin1Char(' '))
            ++at;
        while (at < line.size() && line.at(at) != QLatin1Char(' '))
            ++at;
        if (at < line.size())
            ++at; // the one space after the word
    }
    return line.mid(at);
}

// One control of the dialog as `options state` shows it.
OrderedJson control(const QWidget* w) {
    QList<OrderedJson::Member> m{{"enabled", ownEnabled(w)}, {"visible", !w->isHidden()}};
    if (const auto* swatch = qobject_cast<const ColourSwatch*>(w)) {
        m.append({"color", colorref::toHex(swatch->colour())});
    } else if (const auto* radio = qobject_cast<const QRadioButton*>(w)) {
        m.append({"caption", radio->text()});
        m.append({"value", radio->isChecked()});
    } else if (const auto* check = qobject_cast<const QCheckBox*>(w)) {
        m.append({"caption", check->text()});
        m.append({"value", check->isChecked() ? 1 : 0});
    } else if (const auto* button = qobject_cast<const QPushButton*>(w)) {
        m.append({"caption", button->text()});
        if (button->isCheckable()) // the page buttons are option buttons
            m.append({"value", button->isChecked()});
    } else if (const auto* frame = qobject_cast<const QGroupBox*>(w)) {
        m.append({"caption", frame->title()});
    } else if (const auto* label = qobject_cast<const QLabel*>(w)) {
        m.append({"caption", label->text()});
    } else if (const auto* edit = qobject_cast<const QLineEdit*>(w)) {
        m.append({"text", edit->text()});
    } else if (const auto* box = qobject_cast<const QPlainTextEdit*>(w)) {
        m.append({"text", box->toPlainText()});
    } else if (const auto* combo = qobject_cast<const QComboBox*>(w)) {
        m.append({"index", combo->currentIndex()});
        m.append({"items", comboItems(combo)});
    } else if (const auto* list = qobject_cast<const QListWidget*>(w)) {
        m.append({"index", list->currentRow()});
        m.append({"items", listItems(list)});
    }
    return OrderedJson::object(m);
}

} // namespace

void ScriptRunner::addOptionsCommands() {
    // A chooser opened by a command answers with what `options answer` said, once;
    // without an answer it is cancelled.
    choosers::setHandler([this](const choosers::Request&) -> std::optional<QString> {
        const std::optional<QString> answer = m_chooserAnswer;
        m_chooserAnswer.reset();
        return answer;
    });

    add("options", [this](const QStringList& a, const QString& rest) -> QString {
        if (a.isEmpty())
            return QStringLiteral("options needs show, click, choose, type, answer, close or state");
        frmOption& dialog = m_program.options();
        const QString& sub = a[0];
        const auto findControl = [&](const QString& name, QWidget*& w) -> QString {
            w = dialog.control(name);
            return w ? QString() : QStringLiteral("the options dialog has no control %1").arg(name);
        };
        if (sub == QLatin1String("show")) {
            if (a.size() != 1)
                return QStringLiteral("options show takes no arguments");
            frmCtl& ctl = m_program.controller();
            if (!ctl.Command4->isEnabled())
                return QString();
            // The dialog is shown without blocking the script; the console goes on as
            // after the dialog.
            modal::setHandler([&dialog](QDialog& shown) {
                if (&shown == &dialog)
                    dialog.show();
                return static_cast<int>(QDialog::Accepted);
            });
            ctl.Command4->click();
            modal::setHandler({});
            QApplication::processEvents();
            return QString();
        }
        if (sub == QLatin1String("click")) {
            if (a.size() != 2)
                return QStringLiteral("options click needs a control's name");
            QWidget* w = nullptr;
            if (QString problem = findControl(a[1], w); !problem.isEmpty())
                return problem;
            auto* button = qobject_cast<QAbstractButton*>(w);
            if (!button)
                return QStringLiteral("%1 cannot be clicked").arg(a[1]);
            if (reachable(button, &dialog))
                button->click();
            return QString();
        }
        if (sub == QLatin1String("choose")) {
            bool ok = false;
            const int index = a.size() == 3 ? a[2].toInt(&ok) : 0;
            if (a.size() != 3 || !ok)
                return QStringLiteral("options choose needs a list's name and an index");
            QWidget* w = nullptr;
            if (QString problem = findControl(a[1], w); !problem.isEmpty())
                return problem;
            if (auto* combo = qobject_cast<QComboBox*>(w)) {
                if (index < -1 || index >= combo->count())
                    return QStringLiteral("%1 has items 0..%2").arg(a[1]).arg(combo->count() - 1);
                if (reachable(combo, &dialog))
                    combo->setCurrentIndex(index);
                return QString();
            }
            if (auto* list = qobject_cast<QListWidget*>(w)) {
                if (index < -1 || index >= list->count())
                    return QStringLiteral("%1 has items 0..%2").arg(a[1]).arg(list->count() - 1);
                if (reachable(list, &dialog))
                    list->setCurrentRow(index);
                return QString();
            }
            return QStringLiteral("%1 is not a list").arg(a[1]);
        }
        if (sub == QLatin1String("type")) {
            if (a.size() < 2)
                return QStringLiteral("options type needs a text box's name and the text");
            QWidget* w = nullptr;
            if (QString problem = findControl(a[1], w); !problem.isEmpty())
                return problem;
            // The text is the rest of the line after the name and one space.
            const QString text = afterWords(rest, 2);
            auto* edit = qobject_cast<QLineEdit*>(w);
            if (!edit)
                return QStringLiteral("%1 is not a text box one can type in").arg(a[1]);
            if (reachable(edit, &dialog) && !edit->isReadOnly()) {
                edit->selectAll();
                edit->insert(text);
            }
            return QString();
        }
        if (sub == QLatin1String("answer")) {
            if (a.size() < 2)
                return QStringLiteral(
                    "options answer needs a path, a colour #RRGGBB, a date yyyy/mm/dd or cancel");
            const QString value = afterWords(rest, 1).trimmed();
            if (value == QLatin1String("cancel"))
                m_chooserAnswer.reset();
            else
                m_chooserAnswer = value;
            return QString();
        }
        if (sub == QLatin1String("close")) {
            if (a.size() != 1)
                return QStringLiteral("options close takes no arguments");
            dialog.close();
            QApplication::processEvents();
            return QString();
        }
        if (sub == QLatin1String("state")) {
            if (a.size() != 1)
                return QStringLiteral("options state takes no arguments");
            m_out << optionsState() << '\n';
            m_out.flush();
            return QString();
        }
        return QStringLiteral("unknown options command \"%1\"").arg(sub);
    });

    add("png-options", [this](const QStringList& a, const QString& rest) {
        if (a.isEmpty())
            return QStringLiteral("png-options needs a file name");
        frmOption& dialog = m_program.options();
        dialog.ensurePolished();
        QApplication::processEvents();
        const QString path = rest.trimmed();
        return writePng(dialog.grab().toImage(), path);
    });

    add("plugin", [this](const QStringList& a, const QString& rest) {
        if (a.isEmpty())
            return QStringLiteral("plugin needs the path of a ticket plug-in (.4SP)");
        m_chooserAnswer = rest.trimmed();
        m_program.options().Command1_Click();
        m_chooserAnswer.reset();
        return QString();
    });
}

QString ScriptRunner::optionsState() {
    frmOption& dialog = m_program.options();
    QStringList names = dialog.controls().keys();
    std::sort(names.begin(), names.end());
    QList<OrderedJson::Member> controls;
    for (const QString& name : names)
        controls.append({name, control(dialog.control(name))});
    return OrderedJson::object({{"visible", dialog.isVisible()},
                                {"front", dialog.frontPage()},
                                {"soundFront", dialog.frontSoundPage()},
                                {"controls", OrderedJson::object(controls)}})
        .toString();
}

OrderedJson ScriptRunner::ticketState() {
    frmOption& dialog = m_program.options();
    frmCtl& ctl = m_program.controller();
    return OrderedJson::object(
        {{"plugin", dialog.live().text(Setting::TicketPluginPath)},
         {"lines", listItems(qobject_cast<QListWidget*>(dialog.control(QStringLiteral("List1"))))},
         {"notes",
          qobject_cast<QPlainTextEdit*>(dialog.control(QStringLiteral("txtPlginComment")))->toPlainText()},
         {"companies", comboItems(ctl.Combo1)},
         {"preview", OrderedJson::array({ctl.picSeirikenPrev->width(), ctl.picSeirikenPrev->height()})}});
}
