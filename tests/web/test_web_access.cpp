// Who may watch the board page and work the console through it, the web.conf lines,
// and the frame's text.
#include "web/WebAccess.h"
#include "web/WebFrame.h"

#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>
#include <gtest/gtest.h>

namespace {

const QByteArray kToken = "0123456789abcdef0123456789abcdef";

TEST(WebOrigin, OnlyThisServerUnderAnAddressOrItsOwnName) {
    struct Case {
        const char* origin;
        const char* host;
        int port;
        bool allowed;
    };
    const Case cases[] = {
        {"http://127.0.0.1:5081", "127.0.0.1", 5081, true},
        {"http://localhost:5081", "localhost", 5081, true},
        {"http://[::1]:5081", "::1", 5081, true},
        {"http://board-pc:5081", "board-pc", 5081, true},          // the machine's own name
        {"http://127.0.0.1:5082", "127.0.0.1", 5081, false},       // another port
        {"http://127.0.0.1:5081", "127.0.0.1", 5082, false},       // sent to another port
        {"http://localhost:5081", "127.0.0.1", 5081, false},       // not the host asked
        {"http://evil.example:5081", "evil.example", 5081, false}, // a name that resolves here
        {"https://127.0.0.1:5081", "127.0.0.1", 5081, false},
        {"null", "127.0.0.1", 5081, false},
        {"", "127.0.0.1", 5081, false},
        {"http://127.0.0.1:5081/page", "127.0.0.1", 5081, false},
        {"http://user@127.0.0.1:5081", "127.0.0.1", 5081, false},
        {"http://127.0.0.1", "127.0.0.1", -1, false}, // port 80 is not this server's
        {"http://1.2.3.400:5081", "1.2.3.400", 5081, false},
    };
    for (const Case& c : cases)
        EXPECT_EQ(web::originAllowed(QString::fromLatin1(c.origin), QString::fromLatin1(c.host), c.port, 5081,
                                     {QStringLiteral("board-pc")}),
                  c.allowed)
            << c.origin << " to " << c.host << ":" << c.port;
}

TEST(WebViewerMessage, WithoutTheTokenEverythingClosesTheViewer) {
    using Kind = web::ViewerMessage::Kind;
    struct Case {
        QByteArray message;
        bool authenticated;
        Kind kind;
        const char* line;
    };
    const Case cases[] = {
        {R"({"cmd":"next"})", false, Kind::Close, ""},
        {R"({"cmd":"auth","token":"wrong"})", false, Kind::Close, ""},
        {"{\"cmd\":\"auth\",\"token\":\"" + kToken + "\"}", false, Kind::Auth, ""},
        {"not json", false, Kind::Close, ""},
        {QByteArray(5000, 'x'), true, Kind::Close, ""},
        {R"({"cmd":"next"})", true, Kind::Command, "next"},
        {R"({"cmd":"keypad","keys":["系統","1","2"]})", true, Kind::Command, "keypad 系統 1 2"},
        {R"({"cmd":"backlight","level":2})", true, Kind::Command, "backlight 2"},
        {R"({"cmd":"clear","on":true})", true, Kind::Command, "clear on"},
        {R"({"cmd":"png","path":"/tmp/x.png"})", true, Kind::Refused, ""},
        {R"({"cmd":"settings","path":"/etc/passwd"})", true, Kind::Refused, ""},
        {R"({"cmd":"set","name":"FareDataFolder","value":"/"})", true, Kind::Refused, ""},
        {R"({"cmd":"next","args":["a\nb"]})", true, Kind::Refused, ""},
        {"[1,2]", true, Kind::Refused, ""},
    };
    for (const Case& c : cases) {
        const web::ViewerMessage m = web::readViewerMessage(c.message, kToken, c.authenticated);
        EXPECT_EQ(int(m.kind), int(c.kind)) << c.message.left(60).constData();
        EXPECT_EQ(m.line, QString::fromUtf8(c.line)) << c.message.left(60).constData();
        if (m.kind == Kind::Close || m.kind == Kind::Refused) {
            EXPECT_FALSE(m.error.isEmpty());
        }
    }
    // No token at all lets nobody in.
    EXPECT_EQ(web::readViewerMessage(R"({"cmd":"auth","token":""})", QByteArray(), false).kind, Kind::Close);
}

TEST(WebFrame, StampedFrameIsOneObjectWithItsNumberAndTime) {
    web::ViewState s;
    s.displays = QStringList(50, QStringLiteral(" 210"));
    s.displays[0] = QStringLiteral("\"\\<");
    s.stopName = QStringLiteral("市役所前");
    s.stripHeight = 2;
    s.stripRows = {0x1FFFFFFFFFull, 0x5};
    s.digitLit = 0x0072D2F8; // 0x00BBGGRR
    const QByteArray text = web::stampFrame(web::encodeFrameBody(s, 540), 7, 1700000000123);
    QJsonParseError error;
    const QJsonObject o = QJsonDocument::fromJson(text, &error).object();
    ASSERT_EQ(error.error, QJsonParseError::NoError) << text.constData();
    EXPECT_EQ(o.value("type").toString(), QStringLiteral("frame"));
    EXPECT_EQ(o.value("seq").toInteger(), 7);
    EXPECT_EQ(o.value("sent").toInteger(), 1700000000123);
    EXPECT_EQ(o.value("displays").toArray().at(0).toString(), QStringLiteral("\"\\<"));
    EXPECT_EQ(o.value("strip").toObject().value("rows").toString(), QStringLiteral("1fffffffff0000000005"));
    EXPECT_EQ(o.value("look").toObject().value("digitLit").toString(), QStringLiteral("#f8d272"));
    EXPECT_EQ(o.value("clock").toObject().value("utcOffset").toInt(), 540);
}

TEST(WebFrame, TheClockAloneIsNoChange) {
    web::ViewState a;
    a.clockPlaces = {QStringLiteral("12"), QStringLiteral("30")};
    web::ViewState b = a;
    b.clockPlaces = {QStringLiteral("12"), QStringLiteral("31")};
    EXPECT_TRUE(a.sameAs(b));
    b.clockShown = false;
    EXPECT_FALSE(a.sameAs(b));
    b = a;
    b.stopNameSerial = 1; // the same name handed over again starts afresh
    EXPECT_FALSE(a.sameAs(b));
}

TEST(WebFrame, PathDataInHundredthsOfAPixel) {
    web::PathText p;
    p.moveTo(1.0, 2.004);
    p.lineTo(-0.001, 3.5);
    p.cubicTo(1, 2, 3, 4, 5.555, 6);
    p.close();
    EXPECT_EQ(p.text(), QStringLiteral("M1 2L0 3.5C1 2 3 4 5.56 6Z"));
}

} // namespace
