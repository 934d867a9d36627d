#include "controller/ui/DigitWheel.h"

#include <QCoreApplication>
#include <QMouseEvent>
#include <QPainter>
#include <QWheelEvent>

DigitWheel::DigitWheel(QWidget* parent) : QListWidget(parent) {
    for (int d = 0; d <= 9; ++d)
        addItem(QString::number(d));
    setHorizontalScrollBarPolicy(Qt::ScrollBarAlwaysOff);
    setVerticalScrollBarPolicy(Qt::ScrollBarAlwaysOff);
    setSelectionMode(QAbstractItemView::SingleSelection);
    setCursor(Qt::PointingHandCursor);
    setToolTip(QCoreApplication::translate(
        "DigitWheel", "上半分のクリックで上の数字、下半分のクリックで下の数字に回ります"));
    // The wheel is redrawn whenever its selection changes, also from the keyboard.
    connect(this, &QListWidget::itemSelectionChanged, viewport(), qOverload<>(&QWidget::update));
}

int DigitWheel::selectedRow() const {
    const QList<QListWidgetItem*> items = selectedItems();
    return items.isEmpty() ? -1 : row(items.first());
}

void DigitWheel::step(int direction) {
    const int from = selectedRow();
    int to = 0;
    if (from < 0)
        to = direction < 0 ? count() - 1 : 0;
    else
        to = (from + (direction < 0 ? -1 : 1) + count()) % count();
    setCurrentRow(to, QItemSelectionModel::ClearAndSelect);
    emit itemClicked(item(to));
}

void DigitWheel::paintEvent(QPaintEvent*) {
    QPainter p(viewport());
    const QRect r = viewport()->rect();
    const int selected = selectedRow();
    const bool on = isEnabled();
    // The drum: dark at its top and bottom edges, light in the middle.
    QLinearGradient drum(r.topLeft(), r.bottomLeft());
    drum.setColorAt(0.0, QColor(150, 150, 150));
    drum.setColorAt(0.5, QColor(250, 250, 250));
    drum.setColorAt(1.0, QColor(150, 150, 150));
    p.fillRect(r, drum);

    const int middleHeight = qMax(12, r.height() * 7 / 16);
    const QRect middle(r.left(), r.center().y() - middleHeight / 2, r.width(), middleHeight);
    const QRect above(r.left(), middle.top() - middleHeight, r.width(), middleHeight);
    const QRect below(r.left(), middle.bottom() + 1, r.width(), middleHeight);

    QFont digitFont = font();
    digitFont.setPixelSize(qMax(8, middleHeight - 2));
    digitFont.setBold(true);
    QFont neighbourFont = digitFont;
    neighbourFont.setBold(false);
    neighbourFont.setPixelSize(qMax(7, middleHeight - 5));

    const auto digit = [&](int rowIndex) { return QString::number((rowIndex + count()) % count()); };
    p.setFont(neighbourFont);
    p.setPen(on ? QColor(90, 90, 90) : QColor(160, 160, 160));
    p.drawText(above, Qt::AlignHCenter | Qt::AlignBottom, selected < 0 ? digit(-1) : digit(selected - 1));
    p.drawText(below, Qt::AlignHCenter | Qt::AlignTop, selected < 0 ? digit(0) : digit(selected + 1));

    // The reading window in the middle.
    p.fillRect(middle, selected >= 0 && on ? palette().color(QPalette::Highlight) : QColor(235, 235, 235));
    p.setPen(QColor(60, 60, 60));
    p.drawLine(middle.topLeft(), middle.topRight());
    p.drawLine(middle.bottomLeft(), middle.bottomRight());
    p.setFont(digitFont);
    if (selected >= 0) {
        p.setPen(on ? palette().color(QPalette::HighlightedText) : QColor(150, 150, 150));
        p.drawText(middle, Qt::AlignCenter, digit(selected));
    } else {
        p.setPen(QColor(140, 140, 140));
        p.drawText(middle, Qt::AlignCenter, QStringLiteral("-"));
    }
    if (hasFocus()) {
        p.setPen(QPen(palette().color(QPalette::Highlight), 1, Qt::DotLine));
        p.drawRect(r.adjusted(0, 0, -1, -1));
    }
}

void DigitWheel::mousePressEvent(QMouseEvent* event) {
    if (event->button() != Qt::LeftButton) {
        event->ignore();
        return;
    }
    setFocus(Qt::MouseFocusReason);
    step(event->position().y() < viewport()->height() / 2.0 ? -1 : 1);
    event->accept();
}

void DigitWheel::mouseDoubleClickEvent(QMouseEvent* event) {
    // The second click of a quick pair turns the wheel once more.
    mousePressEvent(event);
}

void DigitWheel::mouseMoveEvent(QMouseEvent* event) {
    event->accept();
}

void DigitWheel::mouseReleaseEvent(QMouseEvent* event) {
    event->accept();
}

void DigitWheel::wheelEvent(QWheelEvent* event) {
    m_wheelDelta += event->angleDelta().y();
    // One notch (120) turns the wheel by one digit; rolling away from the user shows
    // the digit above.
    while (m_wheelDelta >= 120) {
        m_wheelDelta -= 120;
        step(-1);
    }
    while (m_wheelDelta <= -120) {
        m_wheelDelta += 120;
        step(1);
    }
    event->accept();
}
