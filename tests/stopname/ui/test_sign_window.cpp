// The sign window: each dot a square of its ink's colour, and a change redrawn in
// place exactly as a whole drawing would show it.
#include "stopname/ui/SignWindow.h"

#include <QApplication>
#include <QCloseEvent>
#include <QSignalSpy>
#include <QTimer>
#include <QtTest/qtestspontaneevent.h>
#include <gtest/gtest.h>

using namespace signs;

namespace {

QRgb pixelOfDot(const SignWindow& w, int x, int y) {
    const int p = w.dotPixels();
    return w.picture().pixel((x + 2) * p, (y + 2) * p) & 0xFFFFFFu;
}

TEST(SignWindowTest, DotsTakeTheirInksColours) {
    struct Case {
        LedColour colour;
        Ink ink;
        QRgb rgb;
    };
    for (const Case& c :
         {Case{LedColour::Amber, Ink::Text, 0xFF9C1A}, Case{LedColour::Green, Ink::Number, 0x3CF064},
          Case{LedColour::Full, Ink::BoxFill, 0xE8322A}, Case{LedColour::Full, Ink::Number, 0xFFFFFF},
          Case{LedColour::White, Ink::Off, kUnlitColour}}) {
        SignWindow w(SignKind::Rear);
        w.setColour(c.colour);
        DotImage d(kRearWidth, kRearHeight);
        d.set(3, 4, c.ink);
        w.showDots(d);
        EXPECT_EQ(pixelOfDot(w, 3, 4), c.rgb) << int(c.colour) << " " << int(c.ink);
        // The pixel between two dots stays dark.
        EXPECT_EQ(w.picture().pixel((3 + 2) * w.dotPixels() + w.dotPixels() - 1, (4 + 2) * w.dotPixels()) &
                      0xFFFFFFu,
                  kSignBackColour);
    }
}

TEST(SignWindowTest, ChangedDotsDrawnInPlaceMatchAWholeDrawing) {
    SignWindow stepped(SignKind::Front);
    DotImage d(kFrontWidth, kFrontHeight);
    for (int step = 0; step < 5; ++step) {
        for (int x = 0; x < kFrontWidth; ++x)
            d.set(x, 5 + step, (x + step) % 3 == 0 ? Ink::Text : Ink::Off);
        d.set(step, 0, Ink::Frame);
        stepped.showDots(d);
    }
    SignWindow whole(SignKind::Front);
    whole.showDots(d);
    EXPECT_EQ(stepped.picture(), whole.picture());
    EXPECT_EQ(stepped.size(), QSize((kFrontWidth + 4) * 4, (kFrontHeight + 4) * 4));
}

TEST(SignWindowTest, TheWindowSystemsCloseIsLeftToItsOwner) {
    SignWindow w(SignKind::Side);
    w.show();
    QSignalSpy asked(&w, &SignWindow::closeRequested);
    QCloseEvent fromWindowSystem;
    QSpontaneKeyEvent::setSpontaneous(&fromWindowSystem);
    QApplication::instance()->notify(&w, &fromWindowSystem);
    EXPECT_FALSE(fromWindowSystem.isAccepted());
    EXPECT_TRUE(w.isVisible());
    EXPECT_EQ(asked.count(), 1);
    // The program's own close is never refused: its end closes every window, and one
    // refusal would keep it running.
    QTimer::singleShot(0, QCoreApplication::instance(), &QCoreApplication::quit);
    QTimer::singleShot(3000, QCoreApplication::instance(), [] { QCoreApplication::exit(3); });
    EXPECT_EQ(QCoreApplication::exec(), 0);
    EXPECT_FALSE(w.isVisible());
    EXPECT_EQ(asked.count(), 1);
}

} // namespace
