#include "platform/WindowPlacement.h"

#include <gtest/gtest.h>

namespace {

struct Case {
    const char* name;
    QRect board;
    QPoint wanted;
    QPoint expected;
};

// A console of 400 x 300 on a 1920 x 1080 screen.
TEST(WindowPlacement, ConsoleLeavesTheBoardInView) {
    const QRect screen(0, 0, 1920, 1080);
    const QSize console(400, 300);
    const Case cases[] = {
        {"board at 1x: the bottom-right corner is free", QRect(0, 0, 690, 307), {1520, 780}, {1520, 780}},
        {"a wide board covers the corner's top: below it", QRect(0, 0, 1600, 614), {1520, 500}, {1520, 614}},
        {"a tall board: below it is too low, beside it", QRect(0, 0, 1500, 921), {1300, 780}, {1500, 780}},
        {"full screen, letterboxed: the band below", QRect(0, 114, 1920, 852), {1520, 780}, {}},
        {"a saved place off the screen comes back first", QRect(0, 0, 690, 307), {5000, 5000}, {1520, 780}},
    };
    for (const Case& c : cases) {
        const QPoint at = placement::beside(screen, c.board, console, c.wanted);
        const QRect placed(at, console);
        EXPECT_TRUE(screen.contains(placed)) << c.name;
        if (QString::fromLatin1(c.name).startsWith(QLatin1String("full screen")))
            EXPECT_EQ(placed.intersected(c.board).height(), 300 - (1080 - 966))
                << c.name << ": least covered";
        else
            EXPECT_EQ(at, c.expected) << c.name;
    }
}

} // namespace
