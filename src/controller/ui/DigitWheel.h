#pragma once

#include <QListWidget>

// One digit wheel of the console's route-entry panel: a list of the items "0".."9"
// drawn as a thumb wheel. The selected digit stands in the middle with its neighbours
// above and below; a click on the upper half turns the wheel to the digit above, a
// click on the lower half to the digit below (9 and 0 follow each other), and so does
// the mouse wheel. A wheel stays unselected until it is used. The keyboard moves the
// selection as in any list. A step is reported as a click on the new item.
class DigitWheel : public QListWidget {
    Q_OBJECT
public:
    explicit DigitWheel(QWidget* parent = nullptr);

    // Turns the wheel by one digit: -1 up (the digit above), +1 down. An unselected
    // wheel turns to 9 (up) or 0 (down).
    void step(int direction);

protected:
    void paintEvent(QPaintEvent* event) override;
    void mousePressEvent(QMouseEvent* event) override;
    void mouseDoubleClickEvent(QMouseEvent* event) override;
    void mouseMoveEvent(QMouseEvent* event) override;
    void mouseReleaseEvent(QMouseEvent* event) override;
    void wheelEvent(QWheelEvent* event) override;

private:
    int selectedRow() const;
    int m_wheelDelta = 0;
};
