// The board in a real window of an X server (run under xvfb-run): what the screen
// shows is checked pixel by pixel.
#include "app/Program.h"
#include "board/ui/Form1.h"
#include "board/ui/M_Degit.h"
#include "controller/ui/frmCtl.h"
#include "reslib/ui/Choosers.h"
#include "settings/ui/frmOption.h"
#include "stopname/ui/ChimeiCtl_B.h"

#include "board/ui/Label.h"
#include "platform/ui/ModalDialogs.h"
#include <QAbstractButton>
#include <QDir>
#include <QPushButton>

#include <QApplication>
#include <QDialog>
#include <QEventLoop>
#include <QScreen>
#include <QSignalSpy>
#include <QTest>
#include <QTimer>
#include <gtest/gtest.h>

namespace {

void settle(int ms) {
    QEventLoop loop;
    QTimer::singleShot(ms, &loop, &QEventLoop::quit);
    loop.exec();
}

QImage screen() {
    return QGuiApplication::primaryScreen()->grabWindow(0).toImage().convertToFormat(QImage::Format_RGB32);
}

bool isLit(QRgb p) {
    return qRed(p) > 200 && qGreen(p) > 150 && qBlue(p) < 160;
} // 248,210,114
// The unlit segments are grey 150 on the grey 128 of the display's background.
bool isUnlit(QRgb p) {
    return qAbs(qRed(p) - qGreen(p)) < 6 && qAbs(qGreen(p) - qBlue(p)) < 6 && qRed(p) >= 142 &&
           qRed(p) <= 160;
}

class BoardWindow : public ::testing::Test {
protected:
    static void SetUpTestSuite() {
        program = new Program;
        program->start();
        settle(700);
    }
    static void TearDownTestSuite() { delete program; }
    static Program* program;
};
Program* BoardWindow::program = nullptr;

TEST_F(BoardWindow, StandsAtTheTopLeftCutToItsOutline) {
    ASSERT_EQ(QGuiApplication::platformName(), QStringLiteral("xcb"));
    const QImage shot = screen();
    const QImage panel = Form1::builtInPanel();
    // Housing pixels between the controls match the panel picture.
    for (const QPoint& at : {QPoint(5, 150), QPoint(200, 250), QPoint(600, 215), QPoint(40, 40)})
        EXPECT_EQ(shot.pixel(at), panel.pixel(at)) << at.x() << "," << at.y();
    EXPECT_EQ(shot.pixel(0, 0), qRgb(0, 0, 0));
    EXPECT_EQ(shot.pixel(689, 306), qRgb(0, 0, 0));
    EXPECT_EQ(shot.pixel(700, 100), qRgb(0, 0, 0));
}

TEST_F(BoardWindow, LitDigitsFallOnTheUnlitEightsAndZeroIsBlank) {
    Form1& board = program->board();
    board.Degit(1)->ResetDegit(true); // lamp test: every segment
    board.Degit(2)->setValue(1234);
    board.Degit(3)->setZeroMode(0);
    board.Degit(3)->setValue(0);
    board.Degit(4)->setValue(QString()); // blank: the unlit row alone
    settle(500);
    const QImage shot = screen();
    const QRect lamp = board.Degit(1)->geometry();
    const QRect digits = board.Degit(2)->geometry();
    const QRect zero = board.Degit(3)->geometry();
    const QRect blank = board.Degit(4)->geometry();
    ASSERT_EQ(lamp.size(), digits.size());
    int litCount = 0;
    int lampCount = 0;
    int misplaced = 0;
    for (int y = 0; y < lamp.height(); ++y) {
        for (int x = 0; x < lamp.width(); ++x) {
            const QRgb l = shot.pixel(lamp.topLeft() + QPoint(x, y));
            const QRgb d = shot.pixel(digits.topLeft() + QPoint(x, y));
            const QRgb b = shot.pixel(blank.topLeft() + QPoint(x, y));
            if (isLit(d)) {
                ++litCount;
                ASSERT_TRUE(isLit(l)) << "lit pixel off the segments at " << x << "," << y;
            }
            // The unlit "8"s stand where the lamp test lights the segments (edges
            // are smoothed, so a few border pixels may differ).
            lampCount += isLit(l) ? 1 : 0;
            misplaced += isLit(l) != isUnlit(b) ? 1 : 0;
            // Zero in zero mode 0 shows nothing lit.
            ASSERT_FALSE(isLit(shot.pixel(zero.topLeft() + QPoint(x, y)))) << x << "," << y;
        }
    }
    EXPECT_GT(litCount, 40);
    EXPECT_GT(lampCount, 100);
    EXPECT_LT(misplaced, lampCount / 20);
}

// The vertical shift (in pixels, upwards) that best maps the strip of `before` onto
// the strip of `after`.
int rise(const QImage& before, const QImage& after, const QRect& strip) {
    int best = -1;
    double bestDiff = 1e300;
    for (int shift = 0; shift < 60; ++shift) {
        double diff = 0;
        int n = 0;
        for (int y = strip.top(); y + shift <= strip.bottom(); ++y) {
            for (int x = strip.left(); x <= strip.right(); ++x) {
                diff += qAbs(qGray(before.pixel(x, y + shift)) - qGray(after.pixel(x, y)));
                ++n;
            }
        }
        if (n > 0 && diff / n < bestDiff) {
            bestDiff = diff / n;
            best = shift;
        }
    }
    return best;
}

TEST_F(BoardWindow, LongNameScrollsAndANewNameStopsIt) {
    Form1& board = program->board();
    ChimeiCtl_B* strip = board.ChimeiCtl();
    strip->setScrollStartWait(0);
    strip->setSpeed(4); // 4 / 200 pixel a pass, 1000 passes a second: 20 pixels a second
    strip->SetChimei(QStringLiteral("椿原市立中央図書館前"));
    settle(600);
    const QRect area = strip->geometry().adjusted(3, 3, -3, -3);
    const QImage first = screen();
    settle(1000);
    const QImage second = screen();
    const int moved = rise(first, second, area);
    EXPECT_GE(moved, 16) << "the strip rose " << moved << " pixels in a second";
    EXPECT_LE(moved, 24) << "the strip rose " << moved << " pixels in a second";

    strip->SetChimei(QStringLiteral("駅前"));
    settle(300);
    const QImage still1 = screen();
    settle(700);
    const QImage still2 = screen();
    EXPECT_EQ(still1.copy(area), still2.copy(area));
}

// "設定..." in the real window: the dialog appears over the board, each page can be
// brought to the front (its picture is kept for a person to look at), a colour chosen
// for the lit segments shows on the board after OK.
TEST_F(BoardWindow, OptionsDialogColoursTheLitSegmentsAfterOk) {
    Form1& board = program->board();
    frmCtl& console = program->controller();
    frmOption& options = program->options();
    const QString pictures = QStringLiteral(CORVANE_BINARY_DIR "/pictures");
    QDir().mkpath(pictures);
    choosers::setHandler([](const choosers::Request& r) -> std::optional<QString> {
        if (r.kind == choosers::Kind::Colour)
            return QStringLiteral("#FF4000");
        return std::nullopt;
    });
    bool wasShown = false;
    QTimer::singleShot(800, [&] {
        wasShown = options.isVisible();
        const auto page = [&](const QString& button, const QString& name) {
            qobject_cast<QAbstractButton*>(options.control(button))->click();
            settle(300);
            QGuiApplication::primaryScreen()->grabWindow(options.winId()).save(pictures + name);
        };
        for (int i = 0; i < 6; ++i)
            page(QStringLiteral("Option1(%1)").arg(i), QStringLiteral("/options-page-%1.png").arg(i));
        qobject_cast<QAbstractButton*>(options.control(QStringLiteral("Option1(4)")))->click();
        page(QStringLiteral("Option5(0)"), QStringLiteral("/options-page-4-before-announcement.png"));
        page(QStringLiteral("Option5(1)"), QStringLiteral("/options-page-4-step.png"));
        qobject_cast<QAbstractButton*>(options.control(QStringLiteral("Option1(2)")))->click();
        qobject_cast<QAbstractButton*>(options.control(QStringLiteral("Command8(2)")))->click();
        qobject_cast<QAbstractButton*>(options.control(QStringLiteral("Command4")))->click();
    });
    console.Command4->click(); // returns when OK closes the dialog
    choosers::setHandler({});
    EXPECT_TRUE(wasShown);
    EXPECT_FALSE(options.isVisible());
    board.Degit(10)->ResetDegit(true);
    settle(500);
    const QImage shot = screen();
    const QRect lamp = board.Degit(10)->geometry();
    int orange = 0;
    for (int y = 0; y < lamp.height(); ++y)
        for (int x = 0; x < lamp.width(); ++x) {
            const QRgb p = shot.pixel(lamp.topLeft() + QPoint(x, y));
            orange += qRed(p) > 230 && qGreen(p) > 40 && qGreen(p) < 90 && qBlue(p) < 30;
        }
    EXPECT_GT(orange, 60) << "lit segments in the chosen colour";
    shot.copy(board.geometry()).save(pictures + QStringLiteral("/board-after-options.png"));
}

TEST_F(BoardWindow, OnlyTheBoardsOwnSurfaceMovesTheWindow) {
    Form1& board = program->board();
    QSignalSpy moves(&board, &Form1::moveStarted);
    struct Press {
        const char* what;
        QWidget* target;
        QPoint at;
        bool moves;
    };
    const Press presses[] = {
        {"fare display", board.Degit(7), board.Degit(7)->rect().center(), false},
        {"ticket label", board.lblSeiriNum(12), board.lblSeiriNum(12)->rect().center(), false},
        {"stop-name strip", board.ChimeiCtl(), board.ChimeiCtl()->rect().center(), false},
        {"housing", &board, QPoint(5, 150), true},
    };
    for (const Press& p : presses) {
        moves.clear();
        QTest::mousePress(p.target, Qt::LeftButton, {}, p.at);
        QTest::mouseRelease(p.target, Qt::LeftButton, {}, p.at);
        EXPECT_EQ(moves.size(), p.moves ? 1 : 0) << p.what;
    }
    settle(200);
}

TEST_F(BoardWindow, DoubleClickOnADisplayOpensItsFormatDialog) {
    Form1& board = program->board();
    QSignalSpy moves(&board, &Form1::moveStarted);
    int opened = 0;
    modal::setHandler([&](QDialog&) {
        ++opened;
        return static_cast<int>(QDialog::Rejected);
    });
    M_Degit* d = board.Degit(23);
    QTest::mouseDClick(d, Qt::LeftButton, {}, d->rect().center());
    modal::setHandler({});
    EXPECT_EQ(opened, 1);
    EXPECT_EQ(moves.size(), 0);
}

} // namespace
