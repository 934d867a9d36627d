// Twips and pixels: every 32-bit position converts without overflow, and a position
// read from the settings file is saved back as it was while the window stays there.
#include "platform/Twips.h"

#include <gtest/gtest.h>

namespace {

TEST(Twips, ConversionsHoldTheWholeRange) {
    const struct {
        qint32 twips;
        int pixels;
    } toPixels[] = {{0, 0},
                    {7, 0},
                    {8, 1},
                    {-7, 0},
                    {-8, -1},
                    {1500, 100},
                    {INT32_MAX, 143165576},
                    {INT32_MIN, -143165577}};
    for (const auto& c : toPixels)
        EXPECT_EQ(twips::toPixelsNearest(c.twips), c.pixels) << c.twips;

    const struct {
        qint64 pixels;
        qint32 twips;
    } fromPixels[] = {{100, 1500},
                      {-143165577, INT32_MIN}, // -2147483655 does not fit
                      {143165577, INT32_MAX},  // 2147483655 does not fit
                      {-143165576, -2147483640}};
    for (const auto& c : fromPixels)
        EXPECT_EQ(twips::fromPixelsSaturated(c.pixels), c.twips) << c.pixels;
}

TEST(Twips, KeptPositionSavesWhatWasReadUntilTheWindowMoves) {
    const struct { qint32 left, top; } saved[] = {{INT32_MIN, INT32_MAX}, {7, -22}, {1500, 45}};
    for (const auto& c : saved) {
        twips::KeptPosition kept;
        const QPoint shown = kept.place(c.left, c.top);
        EXPECT_EQ(kept.leftAt(shown), c.left);
        EXPECT_EQ(kept.topAt(shown), c.top);
        const QPoint moved = shown + QPoint(1, 0);
        EXPECT_EQ(kept.leftAt(moved), twips::fromPixelsSaturated(moved.x()));
        EXPECT_EQ(kept.topAt(moved), twips::fromPixelsSaturated(moved.y()));
    }
    EXPECT_EQ(twips::KeptPosition().leftAt(QPoint(20, 33)), 300);
}

} // namespace
