#pragma once

#include <QDialog>

class QSpinBox;
class QLabel;

// The display-format dialog of a seven-segment display: zero mode, shift and zero
// fill. Its spin boxes are named "zeroMode", "shift" and "fillZero".
class DigitFormatDialog : public QDialog {
    Q_OBJECT
public:
    DigitFormatDialog(QWidget* owner, int keta, int zeroMode, int shift, int fillZero);

    int zeroMode() const;
    int shift() const;
    int fillZero() const;

private:
    void updateExample();

    int m_keta;
    QSpinBox* m_zeroMode;
    QSpinBox* m_shift;
    QSpinBox* m_fillZero;
    QLabel* m_example;
};

// Opens the display-format dialog modally. The three values go in as the current
// settings and come back as the chosen ones when the dialog is confirmed; the
// result is 1 on OK and 0 on cancel (the values are then left as they were).
qint32 Call_dlg100(QWidget* owner, qint32 keta, qint32& zeroMode, qint32& shift, qint32& fillZero);
