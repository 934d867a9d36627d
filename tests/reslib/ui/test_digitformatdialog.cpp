#include "platform/ui/ModalDialogs.h"
#include "reslib/ui/DigitFormatDialog.h"

#include <QSpinBox>
#include <gtest/gtest.h>

namespace {

struct HandlerGuard {
    ~HandlerGuard() { modal::setHandler({}); }
};

TEST(Dlg100, ConfirmedDialogReturnsOneAndTheChosenValues) {
    HandlerGuard guard;
    int shiftMax = -1, fillMax = -1;
    modal::setHandler([&](QDialog& d) {
        auto* shift = d.findChild<QSpinBox*>(QStringLiteral("shift"));
        auto* fill = d.findChild<QSpinBox*>(QStringLiteral("fillZero"));
        shiftMax = shift->maximum();
        fillMax = fill->maximum();
        d.findChild<QSpinBox*>(QStringLiteral("zeroMode"))->setValue(2);
        shift->setValue(1);
        fill->setValue(3);
        return static_cast<int>(QDialog::Accepted);
    });
    qint32 z = 0, s = 0, f = 0;
    EXPECT_EQ(Call_dlg100(nullptr, 4, z, s, f), 1);
    EXPECT_EQ(z, 2);
    EXPECT_EQ(s, 1);
    EXPECT_EQ(f, 3);
    // Shift 0..Keta-1, zero fill 0..Keta.
    EXPECT_EQ(shiftMax, 3);
    EXPECT_EQ(fillMax, 4);
}

TEST(Dlg100, CancelledDialogLeavesTheValues) {
    HandlerGuard guard;
    modal::setHandler([](QDialog& d) {
        d.findChild<QSpinBox*>(QStringLiteral("zeroMode"))->setValue(3);
        return static_cast<int>(QDialog::Rejected);
    });
    qint32 z = 1, s = 2, f = 3;
    EXPECT_EQ(Call_dlg100(nullptr, 4, z, s, f), 0);
    EXPECT_EQ(z, 1);
    EXPECT_EQ(s, 2);
    EXPECT_EQ(f, 3);
}

TEST(Dlg100, OpensWithTheCurrentValues) {
    HandlerGuard guard;
    int seen[3] = {};
    modal::setHandler([&](QDialog& d) {
        seen[0] = d.findChild<QSpinBox*>(QStringLiteral("zeroMode"))->value();
        seen[1] = d.findChild<QSpinBox*>(QStringLiteral("shift"))->value();
        seen[2] = d.findChild<QSpinBox*>(QStringLiteral("fillZero"))->value();
        return static_cast<int>(QDialog::Rejected);
    });
    qint32 z = 3, s = 1, f = 2;
    Call_dlg100(nullptr, 4, z, s, f);
    EXPECT_EQ(seen[0], 3);
    EXPECT_EQ(seen[1], 1);
    EXPECT_EQ(seen[2], 2);
}

} // namespace
