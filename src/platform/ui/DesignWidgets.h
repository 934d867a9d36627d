#pragma once

#include "platform/Design.h"

#include <QCheckBox>
#include <QHash>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QRadioButton>
#include <QString>
#include <cstdint>
#include <functional>

// The standard controls of a stored design, built as widgets:
//
//   Frame          QGroupBox (Caption; no caption and BorderStyle 0: a plain area)
//   Label          WrapLabel (Caption, WordWrap, Alignment 0 left / 1 right / 2 centre,
//                  BorderStyle 1 sunken, BackColor)
//   CheckBox       WrapCheckBox (Caption)
//   OptionButton   WrapRadioButton (Caption); Style 1: a latching WrapPushButton
//   CommandButton  QPushButton (Caption); Style 1 with BackColor: a ColourSwatch
//   TextBox        ElidingLineEdit; MultiLine True: QPlainTextEdit (BackColor, Locked)
//   ComboBox       QComboBox (a drop-down list)
//   ListBox        QListWidget
//
// Geometry is Left, Top, Width, Height in twips, relative to the parent; Visible and
// Enabled as stored. Option buttons that share a parent form one group. Each widget is
// named after its control: "Name" or, in a control array, "Name(Index)".
namespace designui {

// Makes a widget for a kind the builder does not know; null to skip the node.
using Factory = std::function<QWidget*(const DesignNode& node, QWidget* parent)>;

// The control's name as a widget's object name.
QString controlName(const DesignNode& node);

// Makes a control kind of another part of the program known to every design by its
// kind's name (the board's seven-segment display, "M_Degit"), so that a window built
// from a design can hold one without knowing its class. Returns true, for use in a
// static initialiser.
bool registerKind(const QString& kind, const Factory& factory);

// Builds the children of `form` into `parent`; returns every widget by control name.
// A kind the builder does not know is made by `factory`, else by a registered kind.
// With a translation context, every caption is translated in it (the captions are
// listed for translators by tools/translations.py).
QHash<QString, QWidget*> build(const DesignNode& form, QWidget* parent, const Factory& factory = {},
                               const char* translationContext = nullptr);

// The lines in which a wrapping control (WrapPushButton, WrapCheckBox, WrapRadioButton,
// a WrapLabel with word wrap) draws its caption at its present width.
QStringList captionLines(const QWidget* control);

} // namespace designui

// The captions below wrap between words only (platform/LineBreaks): a Japanese
// caption, which has no spaces, breaks between its phrases.

// A push button whose caption wraps onto more lines when it does not fit (a wide
// space is where a line may break as well).
class WrapPushButton : public QPushButton {
    Q_OBJECT
public:
    using QPushButton::QPushButton;

protected:
    void paintEvent(QPaintEvent* event) override;
};

// A check box whose caption wraps onto more lines when it does not fit; a click
// anywhere on it toggles it.
class WrapCheckBox : public QCheckBox {
    Q_OBJECT
public:
    using QCheckBox::QCheckBox;

protected:
    void paintEvent(QPaintEvent* event) override;
    bool hitButton(const QPoint& pos) const override;
};

// A label whose caption, with word wrap set, wraps between words.
class WrapLabel : public QLabel {
    Q_OBJECT
public:
    using QLabel::QLabel;

protected:
    void paintEvent(QPaintEvent* event) override;
};

// A one-line text box that shows a text too long for it elided in the middle while it
// does not have the focus, so that a path keeps its start and its end; its tool
// tip is the whole text.
class ElidingLineEdit : public QLineEdit {
    Q_OBJECT
public:
    explicit ElidingLineEdit(QWidget* parent = nullptr);
    // The text as drawn: elided while the box does not have the focus.
    QString shownText() const;

protected:
    void paintEvent(QPaintEvent* event) override;

private:
    QRect textArea() const;
};

// An option button whose caption wraps onto more lines when it does not fit.
class WrapRadioButton : public QRadioButton {
    Q_OBJECT
public:
    using QRadioButton::QRadioButton;

protected:
    void paintEvent(QPaintEvent* event) override;
    bool hitButton(const QPoint& pos) const override;
};

// A button that shows a colour (0x00BBGGRR) instead of a caption.
class ColourSwatch : public QPushButton {
    Q_OBJECT
public:
    explicit ColourSwatch(QWidget* parent = nullptr);
    std::uint32_t colour() const { return m_colour; }
    void setColour(std::uint32_t colour);

protected:
    void paintEvent(QPaintEvent* event) override;

private:
    std::uint32_t m_colour = 0;
};
