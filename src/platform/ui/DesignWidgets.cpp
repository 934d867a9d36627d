#include "platform/ui/DesignWidgets.h"

#include "platform/LineBreaks.h"
#include "platform/Twips.h"
#include "platform/ui/QtColor.h"

#include <QButtonGroup>
#include <QComboBox>
#include <QCoreApplication>
#include <QGroupBox>
#include <QLabel>
#include <QLineEdit>
#include <QListWidget>
#include <QPainter>
#include <QPlainTextEdit>
#include <QStyleOptionButton>
#include <QStylePainter>

namespace designui {
namespace {

void place(QWidget* w, const PropertyBag& p) {
    w->setGeometry(twips::toPixels(props::int32(p, QStringLiteral("Left"), 0)),
                   twips::toPixels(props::int32(p, QStringLiteral("Top"), 0)),
                   twips::toPixels(props::int32(p, QStringLiteral("Width"), 1200)),
                   twips::toPixels(props::int32(p, QStringLiteral("Height"), 375)));
}

void setBackColour(QWidget* w, const PropertyBag& p, QPalette::ColorRole role) {
    if (!p.contains(QStringLiteral("BackColor")))
        return;
    QPalette pal = w->palette();
    pal.setColor(role, colorref::toQColor(
                           static_cast<std::uint32_t>(props::int32(p, QStringLiteral("BackColor"), 0))));
    w->setPalette(pal);
    w->setAutoFillBackground(true);
}

// The option buttons of one container form one group, as they do on a form. Qt's own
// auto-exclusive buttons would also take in every option button of the frames inside
// the container, so that choosing a page could release a choice on that page.
void joinContainerGroup(QAbstractButton* button, QWidget* parent) {
    if (!parent) {
        button->setAutoExclusive(true);
        return;
    }
    const QString name = QStringLiteral("optionGroup");
    auto* group = parent->findChild<QButtonGroup*>(name, Qt::FindDirectChildrenOnly);
    if (!group) {
        group = new QButtonGroup(parent);
        group->setObjectName(name);
    }
    group->addButton(button);
}

// Where each wrapping control draws its caption.
QRect pushButtonTextArea(const QPushButton& b) {
    return b.rect().adjusted(3, 3, -3, -3);
}

QRect indicatorRect(const QAbstractButton& b, QStyle::SubElement indicator) {
    QStyleOptionButton option;
    option.initFrom(&b);
    return b.style()->subElementRect(indicator, &option, &b);
}

QRect buttonTextArea(const QAbstractButton& b, QStyle::SubElement indicator) {
    return b.rect().adjusted(indicatorRect(b, indicator).right() + 5, 0, 0, 0);
}

QRect labelTextArea(const QLabel& l) {
    return l.contentsRect().adjusted(l.margin(), l.margin(), -l.margin(), -l.margin());
}

QHash<QString, Factory>& registeredKinds() {
    static QHash<QString, Factory> kinds;
    return kinds;
}

QWidget* make(const DesignNode& node, QWidget* parent, const Factory& factory, const char* context) {
    const PropertyBag& p = node.properties;
    QString caption = props::text(p, QStringLiteral("Caption"));
    if (context && !caption.isEmpty())
        caption = QCoreApplication::translate(context, caption.toUtf8().constData());
    const QString& kind = node.kind;
    if (kind == QLatin1String("Frame")) {
        auto* f = new QGroupBox(caption, parent);
        // A frame hides what lies behind it, as the stacked pages of a dialog need.
        f->setAutoFillBackground(true);
        if (caption.isEmpty() && props::int16(p, QStringLiteral("BorderStyle"), 1) == 0) {
            f->setFlat(true);
            f->setStyleSheet(QStringLiteral("QGroupBox { border: none; margin: 0; }"));
        }
        return f;
    }
    if (kind == QLatin1String("Label")) {
        auto* l = new WrapLabel(caption, parent);
        l->setWordWrap(props::boolean(p, QStringLiteral("WordWrap"), false));
        const int align = props::int16(p, QStringLiteral("Alignment"), 0);
        l->setAlignment(
            (align == 1   ? Qt::AlignRight
             : align == 2 ? Qt::AlignHCenter
                          : Qt::AlignLeft) |
            (props::boolean(p, QStringLiteral("WordWrap"), false) ? Qt::AlignTop : Qt::AlignVCenter));
        if (props::int16(p, QStringLiteral("BorderStyle"), 0) == 1) {
            l->setFrameShape(QFrame::Panel);
            l->setFrameShadow(QFrame::Sunken);
        }
        setBackColour(l, p, QPalette::Window);
        return l;
    }
    if (kind == QLatin1String("CheckBox"))
        return new WrapCheckBox(caption, parent);
    if (kind == QLatin1String("OptionButton")) {
        if (props::int16(p, QStringLiteral("Style"), 0) == 1) {
            auto* b = new WrapPushButton(caption, parent);
            b->setCheckable(true);
            joinContainerGroup(b, parent);
            return b;
        }
        auto* r = new WrapRadioButton(caption, parent);
        joinContainerGroup(r, parent);
        return r;
    }
    if (kind == QLatin1String("CommandButton")) {
        if (props::int16(p, QStringLiteral("Style"), 0) == 1 && p.contains(QStringLiteral("BackColor"))) {
            auto* s = new ColourSwatch(parent);
            s->setColour(static_cast<std::uint32_t>(props::int32(p, QStringLiteral("BackColor"), 0)));
            return s;
        }
        return new QPushButton(caption, parent);
    }
    if (kind == QLatin1String("TextBox")) {
        QWidget* w = nullptr;
        if (props::boolean(p, QStringLiteral("MultiLine"), false)) {
            auto* t = new QPlainTextEdit(parent);
            t->setReadOnly(props::boolean(p, QStringLiteral("Locked"), false));
            w = t;
        } else {
            auto* t = new ElidingLineEdit(parent);
            t->setReadOnly(props::boolean(p, QStringLiteral("Locked"), false));
            w = t;
        }
        setBackColour(w, p, QPalette::Base);
        return w;
    }
    if (kind == QLatin1String("ComboBox"))
        return new QComboBox(parent);
    if (kind == QLatin1String("ListBox"))
        return new QListWidget(parent);
    if (QWidget* made = factory ? factory(node, parent) : nullptr)
        return made;
    const Factory registered = registeredKinds().value(node.kind);
    return registered ? registered(node, parent) : nullptr;
}

void buildInto(const DesignNode& node, QWidget* parent, const Factory& factory, const char* context,
               QHash<QString, QWidget*>& out) {
    for (const DesignNode& child : node.children) {
        QWidget* w = make(child, parent, factory, context);
        if (!w)
            continue;
        const QString name = controlName(child);
        w->setObjectName(name);
        place(w, child.properties);
        if (!props::boolean(child.properties, QStringLiteral("Visible"), true))
            w->hide();
        w->setEnabled(props::boolean(child.properties, QStringLiteral("Enabled"), true));
        out.insert(name, w);
        buildInto(child, w, factory, context, out);
    }
}

} // namespace

QString controlName(const DesignNode& node) {
    return node.index >= 0 ? QStringLiteral("%1(%2)").arg(node.name).arg(node.index) : node.name;
}

bool registerKind(const QString& kind, const Factory& factory) {
    registeredKinds().insert(kind, factory);
    return true;
}

QHash<QString, QWidget*> build(const DesignNode& form, QWidget* parent, const Factory& factory,
                               const char* translationContext) {
    QHash<QString, QWidget*> out;
    buildInto(form, parent, factory, translationContext, out);
    return out;
}

QStringList captionLines(const QWidget* control) {
    const auto lines = [control](const QString& caption, int width) {
        const QFontMetrics fm = control->fontMetrics();
        return linebreak::wrap(caption, width, [&fm](const QString& t) { return fm.horizontalAdvance(t); });
    };
    if (const auto* b = qobject_cast<const WrapPushButton*>(control))
        return lines(b->text(), pushButtonTextArea(*b).width());
    if (const auto* b = qobject_cast<const WrapCheckBox*>(control))
        return lines(b->text(), buttonTextArea(*b, QStyle::SE_CheckBoxIndicator).width());
    if (const auto* b = qobject_cast<const WrapRadioButton*>(control))
        return lines(b->text(), buttonTextArea(*b, QStyle::SE_RadioButtonIndicator).width());
    if (const auto* l = qobject_cast<const WrapLabel*>(control); l && l->wordWrap())
        return lines(l->text(), labelTextArea(*l).width());
    return {};
}

} // namespace designui

namespace {

// Paints a check box or option button: its indicator at the top left, the caption
// beside it, wrapped to the control's width.
void paintWrapped(QAbstractButton& b, QStyleOptionButton option, QStyle::PrimitiveElement indicator,
                  QStyle::SubElement indicatorRect) {
    QStylePainter p(&b);
    option.text.clear();
    QRect ind = b.style()->subElementRect(indicatorRect, &option, &b);
    const QRect textArea = b.rect().adjusted(ind.right() + 5, 0, 0, 0);
    const int flags = Qt::AlignLeft | Qt::AlignVCenter;
    const QString caption = designui::captionLines(&b).join(QLatin1Char('\n'));
    const QRect used = b.fontMetrics().boundingRect(textArea, flags, caption);
    // A caption of several lines puts the indicator beside its first line.
    if (used.height() > b.fontMetrics().height() + 1)
        ind.moveTop(qMax(0, used.top() + (b.fontMetrics().height() - ind.height()) / 2));
    option.rect = ind;
    p.drawPrimitive(indicator, option);
    p.setPen(b.palette().color(b.isEnabled() ? QPalette::Active : QPalette::Disabled, QPalette::WindowText));
    p.drawText(textArea, flags, caption);
    if (b.hasFocus()) {
        QStyleOptionFocusRect focus;
        focus.initFrom(&b);
        focus.rect = used.adjusted(-1, 0, 1, 0);
        p.drawPrimitive(QStyle::PE_FrameFocusRect, focus);
    }
}

} // namespace

void WrapPushButton::paintEvent(QPaintEvent*) {
    QStylePainter p(this);
    QStyleOptionButton option;
    initStyleOption(&option);
    const QString caption = option.text;
    option.text.clear();
    p.drawControl(QStyle::CE_PushButton, option);
    p.setPen(palette().color(isEnabled() ? QPalette::Active : QPalette::Disabled, QPalette::ButtonText));
    p.drawText(rect().adjusted(3, 3, -3, -3), Qt::AlignCenter,
               designui::captionLines(this).join(QLatin1Char('\n')));
}

void WrapLabel::paintEvent(QPaintEvent* event) {
    if (!wordWrap() || textFormat() == Qt::RichText) {
        QLabel::paintEvent(event);
        return;
    }
    QPainter p(this);
    drawFrame(&p);
    const QRect area = contentsRect().adjusted(margin(), margin(), -margin(), -margin());
    style()->drawItemText(&p, area, int(alignment()), palette(), isEnabled(),
                          designui::captionLines(this).join(QLatin1Char('\n')), foregroundRole());
}

ElidingLineEdit::ElidingLineEdit(QWidget* parent) : QLineEdit(parent) {
    connect(this, &QLineEdit::textChanged, this, [this](const QString& text) { setToolTip(text); });
}

QRect ElidingLineEdit::textArea() const {
    QStyleOptionFrame option;
    initStyleOption(&option);
    // QLineEdit keeps two pixels between its frame's contents and the text.
    return style()->subElementRect(QStyle::SE_LineEditContents, &option, this).adjusted(2, 0, -2, 0);
}

QString ElidingLineEdit::shownText() const {
    return hasFocus() ? text() : fontMetrics().elidedText(text(), Qt::ElideMiddle, textArea().width());
}

void ElidingLineEdit::paintEvent(QPaintEvent* event) {
    const QString shown = shownText();
    if (shown == text()) {
        QLineEdit::paintEvent(event);
        return;
    }
    QStyleOptionFrame option;
    initStyleOption(&option);
    QPainter p(this);
    style()->drawPrimitive(QStyle::PE_PanelLineEdit, &option, &p, this);
    p.setPen(palette().color(isEnabled() ? QPalette::Active : QPalette::Disabled, QPalette::Text));
    p.drawText(textArea(), Qt::AlignLeft | Qt::AlignVCenter, shown);
}

void WrapCheckBox::paintEvent(QPaintEvent*) {
    QStyleOptionButton option;
    initStyleOption(&option);
    paintWrapped(*this, option, QStyle::PE_IndicatorCheckBox, QStyle::SE_CheckBoxIndicator);
}

bool WrapCheckBox::hitButton(const QPoint& pos) const {
    return rect().contains(pos);
}

void WrapRadioButton::paintEvent(QPaintEvent*) {
    QStyleOptionButton option;
    initStyleOption(&option);
    paintWrapped(*this, option, QStyle::PE_IndicatorRadioButton, QStyle::SE_RadioButtonIndicator);
}

bool WrapRadioButton::hitButton(const QPoint& pos) const {
    return rect().contains(pos);
}

ColourSwatch::ColourSwatch(QWidget* parent) : QPushButton(parent) {}

void ColourSwatch::setColour(std::uint32_t colour) {
    if (m_colour == colour)
        return;
    m_colour = colour;
    update();
}

void ColourSwatch::paintEvent(QPaintEvent*) {
    QStylePainter p(this);
    QStyleOptionButton option;
    initStyleOption(&option);
    p.drawControl(QStyle::CE_PushButtonBevel, option);
    const QRect face = rect().adjusted(4, 4, -4, -4);
    p.fillRect(face, colorref::toQColor(m_colour));
    p.setPen(palette().color(QPalette::Dark));
    p.drawRect(face.adjusted(0, 0, -1, -1));
}
