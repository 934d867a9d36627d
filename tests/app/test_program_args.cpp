// The command line of 508.
#include "app/ProgramArgs.h"

#include <gtest/gtest.h>
#include <string>

namespace {

struct ArgsCase {
    std::vector<const char*> args;
    const char* error; // empty when the arguments are good
    int port;          // -1: no --listen
    const char* address;
    bool noListen;
};

class Args : public ::testing::TestWithParam<ArgsCase> {};

TEST_P(Args, ReadOrRefusedWithTheReason) {
    QStringList args;
    for (const char* a : GetParam().args)
        args << QString::fromUtf8(a);
    ProgramArgs out;
    EXPECT_EQ(parseProgramArgs(args, out), QString::fromUtf8(GetParam().error));
    if (*GetParam().error)
        return;
    EXPECT_EQ(out.listenPort.has_value() ? int(*out.listenPort) : -1, GetParam().port);
    EXPECT_EQ(out.listenAddress, QString::fromUtf8(GetParam().address));
    EXPECT_EQ(out.noListen, GetParam().noListen);
}

INSTANTIATE_TEST_SUITE_P(
    Cases, Args,
    ::testing::Values(
        ArgsCase{{}, "", -1, "", false}, ArgsCase{{"--listen", "5080"}, "", 5080, "", false},
        ArgsCase{{"--listen=0", "--listen-address", "0.0.0.0"}, "", 0, "0.0.0.0", false},
        ArgsCase{{"--listen-address=::1", "--listen", "7"}, "", 7, "::1", false},
        ArgsCase{{"--listen", "1", "--listen-address", "localhost"}, "", 1, "localhost", false},
        ArgsCase{{"--no-listen"}, "", -1, "", true},
        ArgsCase{{"--listen"}, "--listen needs a port number", -1, "", false},
        ArgsCase{
            {"--listen", "-1"}, "--listen needs a port number from 0 to 65535, not \"-1\"", -1, "", false},
        ArgsCase{{"--listen", "x"}, "--listen needs a port number from 0 to 65535, not \"x\"", -1, "", false},
        ArgsCase{{"--listen", "1", "--listen-address", "bus.local"},
                 "--listen-address: \"bus.local\" is not an IP address",
                 -1,
                 "",
                 false},
        ArgsCase{{"--listen-address", "::1"}, "--listen-address needs --listen PORT", -1, "", false},
        ArgsCase{{"--listen", "1", "--no-listen"},
                 "--listen and --no-listen contradict each other",
                 -1,
                 "",
                 false},
        ArgsCase{{"--no-listen=yes"}, "--no-listen takes no value", -1, "", false},
        ArgsCase{{"route.hy3"}, "unknown argument \"route.hy3\"", -1, "", false},
        ArgsCase{{"--scale"}, "unknown argument \"--scale\"", -1, "", false}));

// The board page's options.
TEST(WebArgs, PortAndAddressOrTheReason) {
    struct Case {
        std::vector<const char*> args;
        const char* error;
        int port; // -1: no --web
        const char* address;
    };
    const Case cases[] = {
        {{"--web", "5081"}, "", 5081, ""},
        {{"--web=0", "--web-address", "0.0.0.0", "--listen", "5080"}, "", 0, "0.0.0.0"},
        {{"--web"}, "--web needs a port number", -1, ""},
        {{"--web", "65536"}, "--web needs a port number from 0 to 65535, not \"65536\"", -1, ""},
        {{"--web", "1", "--web-address", "tv.local"},
         "--web-address: \"tv.local\" is not an IP address",
         -1,
         ""},
        {{"--web-address", "127.0.0.1"}, "--web-address needs --web PORT", -1, ""},
        {{"--web-address", "127.0.0.1", "--listen", "1"}, "--web-address needs --web PORT", -1, ""},
    };
    for (const Case& c : cases) {
        QStringList args;
        for (const char* a : c.args)
            args << QString::fromUtf8(a);
        ProgramArgs out;
        EXPECT_EQ(parseProgramArgs(args, out), QString::fromUtf8(c.error)) << args.join(' ').toStdString();
        if (*c.error)
            continue;
        EXPECT_EQ(out.webPort.has_value() ? int(*out.webPort) : -1, c.port);
        EXPECT_EQ(out.webAddress, QString::fromUtf8(c.address));
    }
}

} // namespace
