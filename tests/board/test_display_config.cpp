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

DisplayConfig withSigns(std::initializer_list<signs::SignKind> open, signs::LedColour colour, int alternate,
                        int boards) {
    DisplayConfig c;
    for (signs::SignKind k : open)
        c.sign(k).open = true;
    c.signColour = colour;
    c.alternate = alternate;
    c.boards = boards;
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
    ::testing::Values(
        ArgsCase{"none", {}, DisplayConfig{}, {}, ""},
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
        ArgsCase{"dots_oval", {"--dots", "oval"}, {}, {}, "--dots needs square or round"},
        ArgsCase{"signs_repeated",
                 {"--sign", "rear", "--sign", "front", "--sign-colour", "full", "--boards", "2"},
                 withSigns({signs::SignKind::Front, signs::SignKind::Rear}, signs::LedColour::Full, 3, 2),
                 {},
                 ""},
        ArgsCase{"japanese_only",
                 {"--alternate", "0", "--sign", "side"},
                 withSigns({signs::SignKind::Side}, signs::LedColour::Amber, 0, 1),
                 {},
                 ""},
        ArgsCase{"sign_middle", {"--sign", "middle"}, {}, {}, "--sign needs front, side or rear"},
        ArgsCase{"sign_missing", {"--sign"}, {}, {}, "--sign needs front, side or rear"},
        ArgsCase{"colour_red",
                 {"--sign-colour", "red"},
                 {},
                 {},
                 "--sign-colour needs amber, white, green or full"},
        ArgsCase{"alternate_negative",
                 {"--alternate", "-1"},
                 {},
                 {},
                 "--alternate needs seconds from 0 to 3600 (0: Japanese only)"},
        ArgsCase{"five_boards", {"--boards", "5"}, {}, {}, "--boards needs 1, 2, 3 or 4"}),
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

TEST(DisplayConfigFile, KeepsTheSignsAndTheOtherBoards) {
    const DisplayConfig read = DisplayConfig::parse(
        "sign_side=1\nsign_side_at=-20,300\nsign_rear_at=5,x\nsign_colour=green\nalternate=5\n"
        "sign_speed=0\nsign_dot_pixels=6\nboard3_at=800,0\nboard5_at=1,1\nboards=3\n");
    EXPECT_TRUE(read.sign(signs::SignKind::Side).open);
    EXPECT_EQ(read.sign(signs::SignKind::Side).position, QPoint(-20, 300));
    EXPECT_FALSE(read.sign(signs::SignKind::Rear).position) << "a place that is not X,Y is ignored";
    EXPECT_EQ(read.signColour, signs::LedColour::Green);
    EXPECT_EQ(read.alternate, 5);
    EXPECT_EQ(read.signSpeed, signs::SignSettings::kDefaultSpeed) << "a speed of 0 is ignored";
    EXPECT_EQ(read.signDotPixels, 6);
    EXPECT_EQ(read.boardPositions[2], QPoint(800, 0));
    EXPECT_EQ(read.boards, 1) << "the number of boards comes from the command line only";
    EXPECT_EQ(DisplayConfig::parse(read.format()), read);

    // The board's menu writes its own look over the file, the signs' menu their part.
    DisplayConfig look = config(3, false, 0, true, false);
    DisplayConfig kept = read;
    kept.takeBoardLook(look);
    EXPECT_EQ(kept.scale, 3);
    EXPECT_EQ(kept.sign(signs::SignKind::Side).position, QPoint(-20, 300));
    DisplayConfig signsOnly = read;
    signsOnly.takeSigns(DisplayConfig{});
    EXPECT_FALSE(signsOnly.sign(signs::SignKind::Side).open);
    EXPECT_EQ(signsOnly.boardPositions[2], QPoint(800, 0));
}

} // namespace
