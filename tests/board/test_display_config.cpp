#include "board/DisplayConfig.h"

#include <QTemporaryDir>
#include <gtest/gtest.h>

namespace {

DisplayConfig config(int scale, bool full, int screen, bool round, bool glow) {
    DisplayConfig c;
    c.scale = scale;
    c.fullScreen = full;
    c.screen = screen;
    c.roundDots = round;
    c.glow = glow;
    return c;
}

struct ArgsCase {
    const char* name;
    QStringList args;
    DisplayConfig expected;
    QStringList left;
    const char* problem;
};

void PrintTo(const ArgsCase& c, std::ostream* os) {
    *os << c.name;
}

class DisplayArguments : public ::testing::TestWithParam<ArgsCase> {};

TEST_P(DisplayArguments, AreTakenOutOfTheCommandLine) {
    const ArgsCase& c = GetParam();
    DisplayConfig d;
    QStringList args = c.args;
    EXPECT_EQ(d.takeArguments(args).toStdString(), c.problem);
    if (QString::fromUtf8(c.problem).isEmpty()) {
        EXPECT_EQ(d, c.expected);
        EXPECT_EQ(args, c.left);
    }
}

INSTANTIATE_TEST_SUITE_P(
    Cases, DisplayArguments,
    ::testing::Values(ArgsCase{"none", {}, DisplayConfig{}, {}, ""},
                      ArgsCase{"scale_fullscreen_screen",
                               {"--scale", "3", "--fullscreen", "--screen", "1"},
                               config(3, true, 1, false, false),
                               {},
                               ""},
                      ArgsCase{"fit_and_dots",
                               {"--scale", "fit", "--dots", "round", "--glow"},
                               config(0, false, 0, true, true),
                               {},
                               ""},
                      ArgsCase{"others_left",
                               {"--listen", "7000", "--scale", "2"},
                               config(2, false, 0, false, false),
                               {"--listen", "7000"},
                               ""},
                      ArgsCase{"scale_five", {"--scale", "5"}, {}, {}, "--scale needs 1, 2, 3, 4 or fit"},
                      ArgsCase{"scale_missing", {"--scale"}, {}, {}, "--scale needs 1, 2, 3, 4 or fit"},
                      ArgsCase{"screen_negative",
                               {"--screen", "-1"},
                               {},
                               {},
                               "--screen needs a monitor's number (0 is the first)"},
                      ArgsCase{"dots_oval", {"--dots", "oval"}, {}, {}, "--dots needs square or round"}),
    [](const auto& info) { return std::string(info.param.name); });

TEST(DisplayConfigFile, KeepsWhatItCanReadAndRoundTrips) {
    const DisplayConfig read =
        DisplayConfig::parse("scale=fit\nfullscreen=yes\nscreen=2\ndots=round\nglow=1\n"
                             "# comment\nscale=9\nunknown=3\nnoequals\n");
    EXPECT_EQ(read, config(0, true, 2, true, true)) << "a scale of 9 is ignored, the earlier fit kept";
    EXPECT_EQ(DisplayConfig::parse(read.format()), read);
    QTemporaryDir dir;
    const QString path = dir.filePath(QStringLiteral("sub/display.conf"));
    EXPECT_EQ(DisplayConfig::load(path), DisplayConfig{}) << "a missing file gives the defaults";
    ASSERT_TRUE(read.save(path));
    EXPECT_EQ(DisplayConfig::load(path), read);
    EXPECT_FALSE(DisplayConfig{}.save(path + QStringLiteral("/inside")));
    EXPECT_EQ(DisplayConfig::load(path), read) << "a failed save leaves the old file whole";
    EXPECT_EQ(DisplayConfig::load(dir.path()), DisplayConfig{}) << "a folder is not read";
}

} // namespace
