// web.conf: its lines and what a line that cannot be read leaves.
#include "web/WebSettings.h"

#include <QStringList>
#include <gtest/gtest.h>

namespace {

TEST(WebSettings, LinesAndProblems) {
    struct Case {
        const char* text;
        bool enabled;
        quint16 port;
        const char* address;
        const char* problem;
    };
    const Case cases[] = {
        {"enabled=true\nport=8080\naddress=0.0.0.0\n", true, 8080, "0.0.0.0", ""},
        {"# comment\nenabled = 1\n", true, WebSettings::kDefaultPort, "127.0.0.1", ""},
        {"enabled=yes\n", false, WebSettings::kDefaultPort, "127.0.0.1",
         "line 1: enabled must be true or false"},
        {"port=0\n", false, WebSettings::kDefaultPort, "127.0.0.1",
         "line 1: port must be a number from 1 to 65535"},
        {"port=65536\n", false, WebSettings::kDefaultPort, "127.0.0.1",
         "line 1: port must be a number from 1 to 65535"},
        {"address=example.org\n", false, WebSettings::kDefaultPort, "127.0.0.1",
         "line 1: address \"example.org\" is not an IP address"},
        {"\nidle=5\n", false, WebSettings::kDefaultPort, "127.0.0.1", "line 2: unknown name \"idle\""},
    };
    for (const Case& c : cases) {
        QStringList problems;
        const WebSettings s = WebSettings::parse(c.text, &problems);
        EXPECT_EQ(s.enabled, c.enabled) << c.text;
        EXPECT_EQ(s.port, c.port) << c.text;
        EXPECT_EQ(s.address, QString::fromLatin1(c.address)) << c.text;
        EXPECT_EQ(problems.join('|'), QString::fromLatin1(c.problem)) << c.text;
    }
    WebSettings s;
    s.enabled = true;
    s.port = 9000;
    s.address = QStringLiteral("::1");
    EXPECT_EQ(WebSettings::parse(s.format()), s);
}

} // namespace
