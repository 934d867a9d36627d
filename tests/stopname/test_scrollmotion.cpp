// The scroll's arithmetic, driven by a clock that the tests move by hand.
#include "stopname/ScrollMotion.h"

#include "QtPrinting.h"

#include <QStringList>
#include <gtest/gtest.h>

using namespace chimei;

namespace {

ScrollInputs inputs(qint16 speed, qint32 wait, double strip = 224, double frame = 192) {
    ScrollInputs in;
    in.speed = speed;
    in.startWait = wait;
    in.stripHeight = strip;
    in.frameHeight = frame;
    return in;
}

} // namespace

TEST(ScrollMotion, WaitsTheStartPauseBeforeMoving) {
    ScrollMotion m;
    ScrollInputs in = inputs(5, 1500);
    m.start(1000, in.startWait);
    EXPECT_EQ(m.phase(), ScrollMotion::Phase::StartPause);
    EXPECT_EQ(m.nextEventMs(), 2500);
    EXPECT_FALSE(m.advance(2499, in).moved);
    EXPECT_EQ(m.phase(), ScrollMotion::Phase::StartPause);

    const ScrollMotion::Result r = m.advance(2500, in);
    EXPECT_TRUE(r.moved);
    EXPECT_EQ(r.passes, 0);
    EXPECT_EQ(m.phase(), ScrollMotion::Phase::Running);
    EXPECT_FLOAT_EQ(m.top(), 192.0f); // just below the frame
}

TEST(ScrollMotion, RisesSpeedOver200PixelsPerPassAtAThousandPassesASecond) {
    ScrollMotion m;
    ScrollInputs in = inputs(5, 0);
    m.start(0, 0);
    m.advance(0, in);
    const ScrollMotion::Result r = m.advance(40, in);
    EXPECT_EQ(r.passes, 40);
    EXPECT_NEAR(m.position(), 191.0, 1e-9); // 40 passes x 5/200
    m.advance(1000, in);
    EXPECT_NEAR(m.position(), 192.0 - 25.0, 1e-9); // 25 pixels per second at speed 5
}

TEST(ScrollMotion, SpeedIsReadAfreshEveryTime) {
    ScrollMotion m;
    ScrollInputs in = inputs(200, 0);
    m.start(0, 0);
    m.advance(0, in);
    m.advance(10, in); // 10 passes of 1 pixel
    in.speed = 400;
    m.advance(20, in); // 10 passes of 2 pixels
    EXPECT_DOUBLE_EQ(m.position(), 192.0 - 10 - 20);
    in.speed = -200; // downwards
    m.advance(30, in);
    EXPECT_DOUBLE_EQ(m.position(), 192.0 - 10 - 20 + 10);
}

TEST(ScrollMotion, ZeroSpeedAtTheStartIsStoredBackAsOne) {
    ScrollMotion m;
    ScrollInputs in = inputs(0, 100);
    m.start(0, 100);
    EXPECT_FALSE(m.advance(50, in).speedStoredBack);
    EXPECT_EQ(in.speed, 0);
    const ScrollMotion::Result r = m.advance(100, in);
    EXPECT_TRUE(r.speedStoredBack);
    EXPECT_EQ(in.speed, 1);
    m.advance(300, in);
    EXPECT_NEAR(m.position(), 192.0 - 200 * (1 / 200.0), 1e-9);
    // Only the start is guarded: a speed of 0 later leaves the strip standing.
    in.speed = 0;
    const ScrollMotion::Result later = m.advance(400, in);
    EXPECT_FALSE(later.speedStoredBack);
    EXPECT_EQ(in.speed, 0);
    EXPECT_NEAR(m.position(), 191.0, 1e-9);
}

TEST(ScrollMotion, WrapsWhenTheBottomIsAFrameHeightAboveTheFrame) {
    // One pixel per pass: top + 224 <= -192 first holds at top = -416, 608 passes in.
    ScrollMotion m;
    ScrollInputs in = inputs(200, 700);
    m.start(0, 0);
    m.advance(0, in);
    ScrollMotion::Result r = m.advance(607, in);
    EXPECT_EQ(r.wraps, 0);
    EXPECT_FLOAT_EQ(m.top(), -415.0f);
    r = m.advance(608, in);
    EXPECT_EQ(r.wraps, 1);
    EXPECT_FLOAT_EQ(m.top(), 192.0f);
    EXPECT_DOUBLE_EQ(m.position(), 192.0);
    EXPECT_EQ(m.phase(), ScrollMotion::Phase::WrapPause);
    EXPECT_EQ(m.nextEventMs(), 608 + 700);

    // The pause after the wrap: nothing moves.
    r = m.advance(1307, in);
    EXPECT_FALSE(r.moved);
    EXPECT_FLOAT_EQ(m.top(), 192.0f);
    // Then the next cycle rises again.
    r = m.advance(1318, in);
    EXPECT_EQ(m.phase(), ScrollMotion::Phase::Running);
    EXPECT_EQ(r.passes, 10);
    EXPECT_FLOAT_EQ(m.top(), 182.0f);
}

TEST(ScrollMotion, WrapsWithoutPauseRunStraightOn) {
    ScrollMotion m;
    ScrollInputs in = inputs(200, 0);
    m.start(0, 0);
    m.advance(0, in);
    const ScrollMotion::Result r = m.advance(608 * 3 + 5, in);
    EXPECT_EQ(r.wraps, 3);
    EXPECT_FLOAT_EQ(m.top(), 187.0f);
}

TEST(ScrollMotion, TheWrapTestComparesInSinglePrecision) {
    // Just short of -416 in double precision, exactly -416 in single precision.
    const double p = -415.99999999;
    EXPECT_FALSE(p + 224 <= -192.0);
    EXPECT_TRUE(stripHasLeftFrame(static_cast<float>(p), 224, 192));
    EXPECT_FALSE(stripHasLeftFrame(-415.9f, 224, 192));
    EXPECT_TRUE(stripHasLeftFrame(-416.0f, 224, 192));
    EXPECT_TRUE(stripHasLeftFrame(-500.0f, 224, 192));
}

TEST(ScrollMotion, FrameHeightIsReadAfresh) {
    // A flat frame is 185 high: the strip starts there and wraps at top = -409.
    ScrollMotion m;
    ScrollInputs in = inputs(200, 0, 224, 185);
    m.start(0, 0);
    m.advance(0, in);
    EXPECT_FLOAT_EQ(m.top(), 185.0f);
    const ScrollMotion::Result r = m.advance(593, in);
    EXPECT_EQ(r.wraps, 0);
    EXPECT_EQ(m.advance(594, in).wraps, 1);
}

TEST(ScrollMotion, NegativeSpeedNeverComesBack) {
    ScrollMotion m;
    ScrollInputs in = inputs(-2000, 0);
    m.start(0, 0);
    m.advance(0, in);
    const ScrollMotion::Result r = m.advance(5000, in);
    EXPECT_EQ(r.wraps, 0);
    EXPECT_GT(m.position(), 192.0 + 49000);
}

TEST(ScrollMotion, StoppedMotionNeverMovesAgain) {
    ScrollMotion m;
    ScrollInputs in = inputs(200, 0);
    m.start(0, 0);
    m.advance(10, in);
    const float top = m.top();
    m.stop();
    EXPECT_FALSE(m.isActive());
    const ScrollMotion::Result r = m.advance(500, in);
    EXPECT_FALSE(r.moved);
    EXPECT_EQ(m.top(), top);
}

TEST(ScrollMotion, NegativeWaitIsNoWait) {
    ScrollMotion m;
    ScrollInputs in = inputs(200, -5);
    m.start(100, -5);
    EXPECT_EQ(m.nextEventMs(), 100);
    m.advance(110, in);
    EXPECT_FLOAT_EQ(m.top(), 182.0f);
}

TEST(ScrollMotion, AStalledClockIsNotCaughtUpBeyondTheLimit) {
    ScrollMotion m;
    ScrollInputs in = inputs(1, 0, 224, 192);
    m.start(0, 0);
    m.advance(0, in);
    const ScrollMotion::Result r = m.advance(3600 * 1000, in);
    EXPECT_EQ(r.passes, ScrollMotion::kMaxCatchUpPasses);
    // Afterwards it goes on from the new time at the normal rate.
    EXPECT_EQ(m.advance(3600 * 1000 + 20, in).passes, 20);
}
