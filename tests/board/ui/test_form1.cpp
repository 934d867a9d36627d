#include "board/ui/Form1.h"
#include "board/ui/Label.h"
#include "board/ui/M_Degit.h"
#include "board/ui/PanelArt.h"
#include "board/ui/mdl508_000.h"
#include "platform/ui/Fonts.h"
#include "platform/ui/ModalDialogs.h"
#include "stopname/ui/ChimeiCtl_B.h"

#include <QDialog>
#include <QPainter>
#include <QSpinBox>
#include <QSvgGenerator>
#include <QTemporaryDir>
#include <QTime>
#include <gtest/gtest.h>

namespace {

class BoardTest : public ::testing::Test {
protected:
    void SetUp() override { fonts::registerDigitFonts(); }
    void TearDown() override { modal::setHandler({}); }
    Form1 board;
};

TEST_F(BoardTest, ClientAreaIsThePanelSize) {
    EXPECT_EQ(board.size(), QSize(690, 307));
    EXPECT_EQ(Form1::builtInPanel().size(), QSize(690, 307));
    EXPECT_TRUE(board.windowFlags().testFlag(Qt::FramelessWindowHint));
}

// A big screen draws everything afresh at the scale: places, digits, labels and dots
// grow together, and scale 1 gives back the board as designed.
TEST_F(BoardTest, ScaleDrawsTheBoardLargerAndBack) {
    const QRect designed = board.Degit(12)->geometry();
    const QSize frame = board.ChimeiCtl()->frameSize();
    board.Degit(12)->setValue(8);
    DisplayConfig three;
    three.scale = 3;
    board.applyDisplay(three);
    EXPECT_EQ(board.size(), QSize(2070, 921));
    EXPECT_EQ(board.Degit(12)->geometry(), QRect(designed.topLeft() * 3, designed.size() * 3));
    EXPECT_EQ(board.Degit(12)->size(), designed.size() * 3) << "the display's own size follows";
    EXPECT_EQ(board.ChimeiCtl()->Picture2()->size(), board.ChimeiCtl()->frameSize() * 3);
    EXPECT_EQ(board.ChimeiCtl()->frameSize(), frame) << "the strip's logic keeps its pixels";
    EXPECT_EQ(board.lblSeiriNum(1)->font().pointSizeF(), board.lblSeiriNum(1)->FontSize() * 3);
    EXPECT_EQ(board.windowRegion().boundingRect(), QRect(0, 0, 2070, 921));

    // A lit dot is a whole 3 x 3 square of the lit colour.
    board.ChimeiCtl()->SetChimei(QStringLiteral("一"));
    const QImage shot = board.ChimeiCtl()->Picture2()->grab().toImage();
    const QColor lit =
        QColor(board.ChimeiCtl()->ForeColor() & 0xFF, (board.ChimeiCtl()->ForeColor() >> 8) & 0xFF,
               (board.ChimeiCtl()->ForeColor() >> 16) & 0xFF);
    int litPixels = 0;
    for (int y = 0; y < shot.height(); ++y)
        for (int x = 0; x < shot.width(); ++x)
            litPixels += shot.pixelColor(x, y) == lit;
    EXPECT_GT(litPixels, 0);
    EXPECT_EQ(litPixels % 9, 0) << "every lit dot is 3 x 3 pixels";

    board.applyDisplay(DisplayConfig{});
    EXPECT_EQ(board.size(), QSize(690, 307));
    EXPECT_EQ(board.Degit(12)->geometry(), designed);
}

TEST_F(BoardTest, DisplaysAndLabelsStandInFiveRowsOfTen) {
    const int digitLeft[10] = {1425, 2295, 3150, 4020, 4890, 5745, 6615, 7485, 8340, 9210};
    const int labelLeft[10] = {1425, 2295, 3150, 4020, 4875, 5745, 6600, 7470, 8325, 9195};
    const int digitTop[5] = {600, 1170, 1740, 2280, 2835};
    const int labelTop[5] = {375, 945, 1500, 2055, 2610};
    for (int i = 1; i <= 50; ++i) {
        const int r = (i - 1) / 10, c = (i - 1) % 10;
        EXPECT_EQ(board.Degit(i)->geometry(), QRect(digitLeft[c] / 15, digitTop[r] / 15, 52, 20)) << i;
        EXPECT_EQ(board.lblSeiriNum(i)->geometry(), QRect(labelLeft[c] / 15, labelTop[r] / 15, 52, 16)) << i;
        EXPECT_FALSE(board.Degit(i)->isHidden());
        EXPECT_EQ(board.Degit(i)->Keta(), 4);
    }
    EXPECT_EQ(board.Degit(0)->geometry(), QRect(140, 2, 52, 20));
    EXPECT_TRUE(board.Degit(0)->isHidden());
    EXPECT_TRUE(board.lblSeiriNum(0)->isHidden());
    EXPECT_EQ(board.TimeDegit(0)->geometry(), QRect(363, 2, 26, 20));
    EXPECT_EQ(board.TimeDegit(1)->geometry(), QRect(390, 2, 26, 20));
    EXPECT_TRUE(board.TimeDegit(0)->isHidden());
    EXPECT_EQ(board.TimeDegit(0)->Keta(), 2);
    EXPECT_EQ(board.designGeometry(QStringLiteral("ChimeiCtl")), QRect(32, 59, 35, 192));
}

TEST_F(BoardTest, LabelsCarryFullWidthNumbersInTheGothicFont) {
    EXPECT_EQ(board.lblSeiriNum(1)->Caption(), QStringLiteral("１"));
    EXPECT_EQ(board.lblSeiriNum(9)->Caption(), QStringLiteral("９"));
    EXPECT_EQ(board.lblSeiriNum(10)->Caption(), QStringLiteral("１０"));
    EXPECT_EQ(board.lblSeiriNum(50)->Caption(), QStringLiteral("５０"));
    EXPECT_EQ(board.lblSeiriNum(0)->Caption(), QStringLiteral("１"));
    const Label* l = board.lblSeiriNum(23);
    EXPECT_EQ(l->FontName(), QStringLiteral("ＭＳ Ｐゴシック"));
    EXPECT_DOUBLE_EQ(l->FontSize(), 11.25);
    EXPECT_TRUE(l->FontBold());
    EXPECT_EQ(l->font().family(), QStringLiteral("IPAPGothic"));
}

TEST_F(BoardTest, StartUpStyleIsDigitStyleOneAndBlank) {
    board.Degit(5)->setValue(300);
    mdl508_000::InitFareDegits(board);
    for (int i = 1; i <= 50; ++i) {
        EXPECT_EQ(board.Degit(i)->DegitStyle(), 1);
        EXPECT_EQ(board.Degit(i)->shownPlaces(), QStringLiteral("    "));
    }
    EXPECT_EQ(board.Degit(0)->DegitStyle(), 0);
    EXPECT_EQ(board.TimeDegit(0)->DegitStyle(), 0);
}

void answerFormat(int zeroMode, int shift, int fillZero, bool accept, bool* controllerWasEnabled = nullptr,
                  QWidget* controller = nullptr) {
    modal::setHandler([=](QDialog& d) {
        if (controllerWasEnabled)
            *controllerWasEnabled = controller->isEnabled();
        d.findChild<QSpinBox*>(QStringLiteral("zeroMode"))->setValue(zeroMode);
        d.findChild<QSpinBox*>(QStringLiteral("shift"))->setValue(shift);
        d.findChild<QSpinBox*>(QStringLiteral("fillZero"))->setValue(fillZero);
        return static_cast<int>(accept ? QDialog::Accepted : QDialog::Rejected);
    });
}

TEST_F(BoardTest, ConfirmedFormatReachesAllFiftyDisplaysEachKeepingItsValue) {
    for (int i = 1; i <= 50; ++i)
        board.Degit(i)->setValue(i * 10);
    QWidget controller;
    board.setControllerWindow(&controller);
    bool enabledDuringDialog = true;
    answerFormat(1, 1, 3, true, &enabledDuringDialog, &controller);
    board.Degit_DblClick(7);
    EXPECT_FALSE(enabledDuringDialog);
    EXPECT_TRUE(controller.isEnabled());
    for (int i = 1; i <= 50; ++i) {
        const M_Degit* d = board.Degit(i);
        EXPECT_EQ(d->ZeroMode(), 1) << i;
        EXPECT_EQ(d->Shift(), 1) << i;
        EXPECT_EQ(d->FillZero(), 3) << i;
        EXPECT_EQ(d->Value(), DigitValue::number(i * 10)) << i;
    }
    EXPECT_EQ(board.Degit(1)->shownPlaces(), QStringLiteral("010 "));
    EXPECT_EQ(board.Degit(50)->shownPlaces(), QStringLiteral("500 "));
}

TEST_F(BoardTest, CancelledFormatLeavesTheOtherDisplays) {
    board.Degit(3)->setValue(120);
    QWidget controller;
    board.setControllerWindow(&controller);
    answerFormat(3, 2, 4, false);
    board.Degit_DblClick(7);
    EXPECT_TRUE(controller.isEnabled());
    for (int i = 1; i <= 50; ++i) {
        if (i == 7)
            continue;
        EXPECT_EQ(board.Degit(i)->ZeroMode(), 0) << i;
        EXPECT_EQ(board.Degit(i)->Shift(), 0) << i;
    }
    EXPECT_EQ(board.Degit(3)->shownPlaces(), QStringLiteral(" 120"));
}

TEST_F(BoardTest, DisplayNotOpenToTheUserIgnoresDoubleClicks) {
    QWidget controller;
    board.setControllerWindow(&controller);
    bool opened = false;
    bool enabledAll = true;
    modal::setHandler([&](QDialog&) {
        opened = true;
        enabledAll = controller.isEnabled();
        return static_cast<int>(QDialog::Accepted);
    });
    board.Degit(12)->setUserSet(false);
    board.Degit_DblClick(12);
    EXPECT_FALSE(opened);
    EXPECT_TRUE(controller.isEnabled());
    EXPECT_TRUE(enabledAll);
}

TEST_F(BoardTest, ExtraDisplayFormatAlsoReachesTheFareDisplays) {
    answerFormat(2, 0, 0, true);
    board.Degit_DblClick(0);
    EXPECT_EQ(board.Degit(1)->ZeroMode(), 2);
    EXPECT_EQ(board.Degit(50)->ZeroMode(), 2);
}

TEST_F(BoardTest, PositionIsKeptInTwips) {
    board.move(20, 33);
    BoardPosition p;
    board.GetFormInfo(p);
    EXPECT_EQ(p.BoardLeft, 300);
    EXPECT_EQ(p.BoardTop, 495);
    board.SetFormInfo(BoardPosition{1500, 45});
    EXPECT_EQ(board.pos(), QPoint(100, 3));
}

TEST_F(BoardTest, ClockTickShowsHoursAndMinutes) {
    const QTime before = QTime::currentTime();
    board.Timer1_Timer();
    const QTime after = QTime::currentTime();
    const auto places = [](int n) { return n == 0 ? QStringLiteral("  ") : QStringLiteral("%1").arg(n, 2); };
    EXPECT_TRUE(board.TimeDegit(0)->shownPlaces() == places(before.hour()) ||
                board.TimeDegit(0)->shownPlaces() == places(after.hour()));
    EXPECT_TRUE(board.TimeDegit(1)->shownPlaces() == places(before.minute()) ||
                board.TimeDegit(1)->shownPlaces() == places(after.minute()));
    EXPECT_EQ(board.Timer1().interval(), 1000);
}

// The built-in picture is the drawing at 1x; larger boards draw it anew, and so an SVG
// picture of the user's: a one-pixel rule is three whole pixels at 3x, not a blur.
TEST_F(BoardTest, PanelIsDrawnAtTheScaleNotStretched) {
    EXPECT_EQ(panelart::image(0), Form1::builtInPanel()) << "panel.png is the drawing (scripts/make-panel)";
    QTemporaryDir dir;
    const QString svgPath = dir.filePath(QStringLiteral("panel.svg"));
    {
        QFile svg(svgPath);
        ASSERT_TRUE(svg.open(QIODevice::WriteOnly));
        svg.write(panelart::svg(0));
    }
    ASSERT_EQ(QImage(svgPath).size(), QSize(panelart::kWidth, panelart::kHeight));
    const QColor rule(48, 48, 52); // the rule between the first and second rows, y = 60
    for (const QString& source : {QStringLiteral("builtin"), svgPath}) {
        board.setPicture(source == svgPath ? QImage(svgPath) : Form1::builtInPanel(), source);
        DisplayConfig three;
        three.scale = 3;
        board.applyDisplay(three);
        const QImage shot = board.grab(QRect(600, 170, 3, 20)).toImage();
        board.applyDisplay(DisplayConfig{});
        int ruleRows = 0;
        for (int y = 0; y < shot.height(); ++y) {
            const QColor c = shot.pixelColor(1, y);
            const bool isRule = qAbs(c.red() - rule.red()) <= 2 && qAbs(c.blue() - rule.blue()) <= 2;
            ruleRows += isRule;
            if (!isRule)
                EXPECT_TRUE(c.red() < 40 || c.red() > 56)
                    << "a blurred edge at row " << y << " of " << source.toStdString();
        }
        EXPECT_EQ(ruleRows, 3) << source.toStdString();
    }
}

// Ticket numbers sit in the middle of their bands, whatever the scale.
TEST_F(BoardTest, TicketNumbersAreCentredInTheirBands) {
    for (double scale : {1.0, 3.0}) {
        DisplayConfig display;
        display.scale = int(scale);
        board.applyDisplay(display);
        for (int k : {1, 10, 50}) {
            Label* label = board.lblSeiriNum(k);
            label->setForeColor(0xFFFFFF);
            const QImage shot = label->grab().toImage();
            int top = shot.height(), bottom = -1;
            for (int y = 0; y < shot.height(); ++y)
                for (int x = 0; x < shot.width(); ++x)
                    if (qGray(shot.pixel(x, y)) > 128 && qAlpha(shot.pixel(x, y)) > 128) {
                        top = qMin(top, y);
                        bottom = qMax(bottom, y);
                    }
            ASSERT_GE(bottom, 0) << k;
            // The band shows from a pixel under the label's top to four above its bottom.
            const double band = (scale * 1 + shot.height() - scale * 4 - 1) / 2.0;
            (shot.height() - 1) / 2.0; // the band is the label less 1 px (x scale) each side
            EXPECT_NEAR((top + bottom) / 2.0, band, scale) << "label " << k << " at " << scale;
            EXPECT_GE(top, int(scale)) << "the number crosses the band's top edge";
        }
    }
    board.applyDisplay(DisplayConfig{});
}

TEST_F(BoardTest, WindowIsCutToARoundedOutline) {
    const QRegion r = board.windowRegion();
    EXPECT_TRUE(r.contains(QPoint(345, 150)));
    EXPECT_TRUE(r.contains(QPoint(1, 150)));
    EXPECT_TRUE(r.contains(QPoint(345, 0)));
    EXPECT_FALSE(r.contains(QPoint(0, 0)));
    EXPECT_FALSE(r.contains(QPoint(689, 306)));
    EXPECT_FALSE(r.contains(QPoint(690, 150)));
}

} // namespace
