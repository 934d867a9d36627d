// Requests to command lines, script lines to requests, and the answers and events.
#include "remote/RemoteProtocol.h"
#include "remote/RemoteSettings.h"

#include <QJsonDocument>
#include <QJsonObject>
#include <QTemporaryDir>
#include <gtest/gtest.h>
#include <string>

namespace {

struct RequestCase {
    const char* json;
    const char* line;  // the command line, or null when refused
    const char* error; // a part of the refusal
};

void PrintTo(const RequestCase& c, std::ostream* os) {
    *os << ::testing::PrintToString(std::string(c.json));
}

class Requests : public ::testing::TestWithParam<RequestCase> {};

TEST_P(Requests, BecomeCommandLinesOrAreRefused) {
    const RequestCase& c = GetParam();
    const remote::Request r = remote::parseRequest(QByteArray(c.json));
    if (c.line) {
        EXPECT_EQ(r.error, QString());
        EXPECT_EQ(r.line, QString::fromUtf8(c.line));
    } else {
        EXPECT_TRUE(r.line.isEmpty());
        EXPECT_TRUE(r.error.contains(QString::fromUtf8(c.error))) << r.error.toStdString();
    }
}

INSTANTIATE_TEST_SUITE_P(
    Generic, Requests,
    ::testing::Values(
        RequestCase{R"j({"cmd":"next"})j", "next", nullptr},
        RequestCase{R"j({"cmd":"keypad","args":["系統","1",2]})j", "keypad 系統 1 2", nullptr},
        RequestCase{R"j({"cmd":"chimei","text":"中央  駅 前 "})j", "chimei 中央  駅 前 ", nullptr},
        RequestCase{R"j({"cmd":"chimei","text":""})j", "chimei ", nullptr},
        RequestCase{R"j({"cmd":"options","args":["type","Text1(0)"],"text":"a b"})j",
                    "options type Text1(0) a b", nullptr},
        RequestCase{R"j({"cmd":"frobnicate","args":["x"]})j", "frobnicate x",
                    nullptr}, // the runner refuses it
        RequestCase{R"j({"id":7,"cmd":"state"})j", "state", nullptr},
        // refused
        RequestCase{R"({"cmd":"next")", nullptr, "malformed JSON at byte"},
        RequestCase{"", nullptr, "malformed JSON"}, RequestCase{R"j(["next"])j", nullptr, "JSON object"},
        RequestCase{R"j({"args":["x"]})j", nullptr, "needs \"cmd\""},
        RequestCase{R"j({"cmd":3})j", nullptr, "needs \"cmd\""},
        RequestCase{R"j({"cmd":"next back"})j", nullptr, "is not a command name"},
        RequestCase{R"j({"cmd":"#next"})j", nullptr, "is not a command name"},
        RequestCase{R"j({"cmd":"next","args":"x"})j", nullptr, "array of words"},
        RequestCase{R"j({"cmd":"keypad","args":["1 2"]})j", nullptr, "args[0] must be one word"},
        RequestCase{R"j({"cmd":"keypad","args":[""]})j", nullptr, "args[0] must be one word"},
        RequestCase{R"j({"cmd":"keypad","args":[1.5]})j", nullptr, "whole number"},
        RequestCase{R"j({"cmd":"keypad","args":[true]})j", nullptr, "args[0] must be a word"},
        RequestCase{R"j({"cmd":"chimei","text":"a\nnext"})j", nullptr, "line break"},
        RequestCase{R"j({"cmd":"next","bogus":1})j", nullptr, "next has no field \"bogus\""},
        RequestCase{R"j({"cmd":"next","id":{"a":1}})j", nullptr, "\"id\" must be"}));

INSTANTIATE_TEST_SUITE_P(
    Named, Requests,
    ::testing::Values(
        RequestCase{R"j({"cmd":"keypad","keys":["系統","1","2"]})j", "keypad 系統 1 2", nullptr},
        RequestCase{R"j({"cmd":"wheels","section":"003","route":"00012"})j", "wheels 00012 003", nullptr},
        RequestCase{R"j({"cmd":"reset","panel":"keypad"})j", "reset keypad", nullptr},
        RequestCase{R"j({"cmd":"tape","button":"stop"})j", "tape stop", nullptr},
        RequestCase{R"j({"cmd":"latenight","on":true})j", "latenight on", nullptr},
        RequestCase{R"j({"cmd":"clear","on":false})j", "clear off", nullptr},
        RequestCase{R"j({"cmd":"backlight","level":2})j", "backlight 2", nullptr},
        RequestCase{R"j({"cmd":"scroll","speed":5,"wait":1500})j", "scroll 5 1500", nullptr},
        RequestCase{R"j({"cmd":"set","name":"FareDataFolder","value":"/srv/fares 2/"})j",
                    "set FareDataFolder /srv/fares 2/", nullptr},
        RequestCase{R"j({"cmd":"format","display":3,"zeroMode":1,"shift":0,"fillZero":2})j", "format 3 1 0 2",
                    nullptr},
        RequestCase{R"j({"cmd":"format","display":3,"cancel":true})j", "format 3 cancel", nullptr},
        RequestCase{R"j({"cmd":"chimei","name":"市役所前"})j", "chimei 市役所前", nullptr},
        RequestCase{R"j({"cmd":"png","path":"/tmp/board 1.png"})j", "png /tmp/board 1.png", nullptr},
        RequestCase{R"j({"cmd":"options","action":"choose","control":"Combo4(4)","index":0})j",
                    "options choose Combo4(4) 0", nullptr},
        RequestCase{R"j({"cmd":"wait","ms":250})j", "wait 250", nullptr},
        // named fields after the words of "args"
        RequestCase{R"j({"cmd":"keypad","args":["系統"],"keys":["3"]})j", "keypad 系統 3", nullptr},
        // refused
        RequestCase{R"j({"cmd":"latenight","on":"yes"})j", nullptr, "\"on\" must be true or false"},
        RequestCase{R"j({"cmd":"keypad","keys":"12"})j", nullptr, "\"keys\" must be an array"},
        RequestCase{R"j({"cmd":"keypad","keys":["1","x y"]})j", nullptr, "\"keys\"[1] must be one word"},
        RequestCase{R"j({"cmd":"set","name":"A","value":"x","text":"y"})j", nullptr, "cannot both be given"},
        RequestCase{R"j({"cmd":"wheels","keys":["1"]})j", nullptr, "wheels has no field \"keys\""}));

struct LineCase {
    const char* line;
    const char* json; // null when nothing is sent
};

class Lines : public ::testing::TestWithParam<LineCase> {};

TEST_P(Lines, BecomeRequestsThatGiveTheLineBack) {
    const QByteArray request = remote::requestForLine(QString::fromUtf8(GetParam().line), 4);
    if (!GetParam().json) {
        EXPECT_TRUE(request.isEmpty());
        return;
    }
    EXPECT_EQ(request, QByteArray(GetParam().json) + '\n');
    const remote::Request back = remote::parseRequest(request.trimmed());
    EXPECT_EQ(back.line, QString::fromUtf8(GetParam().line).trimmed());
    EXPECT_EQ(back.id.toInt(), 4);
}

INSTANTIATE_TEST_SUITE_P(
    Cases, Lines,
    ::testing::Values(LineCase{"", nullptr}, LineCase{"   ", nullptr}, LineCase{"# a comment", nullptr},
                      LineCase{"next", R"j({"cmd":"next","id":4})j"},
                      LineCase{"keypad 系統 1 2", R"j({"args":["系統","1","2"],"cmd":"keypad","id":4})j"},
                      LineCase{"  tape next", R"j({"args":["next"],"cmd":"tape","id":4})j"},
                      LineCase{"chimei 中央  駅", R"j({"cmd":"chimei","id":4,"text":"中央  駅"})j"},
                      LineCase{"chimei  x", R"j({"cmd":"chimei","id":4,"text":" x"})j"}));

TEST(Answers, EncodedInTheirFixedShape) {
    remote::Answer a;
    EXPECT_EQ(remote::encodeAnswer(a), "{\"ok\":true}\n");
    a.id = QStringLiteral("a\"1");
    a.output = QStringLiteral("#.\n.#");
    EXPECT_EQ(remote::encodeAnswer(a), "{\"ok\":true,\"id\":\"a\\\"1\",\"output\":\"#.\\n.#\"}\n");
    a.id = 12;
    a.stateJson = QStringLiteral("{\"route\":\"12\"}");
    a.messages = {
        {QStringLiteral("系統が\u2028ありません"), QStringLiteral("508"), QStringLiteral("exclamation")}};
    const QByteArray withState = remote::encodeAnswer(a);
    EXPECT_EQ(withState, QStringLiteral("{\"ok\":true,\"id\":12,\"state\":{\"route\":\"12\"},\"messages\":"
                                        "[{\"text\":\"系統が\\u2028ありません\",\"title\":\"508\","
                                        "\"icon\":\"exclamation\"}]}\n")
                             .toUtf8());
    a.error = QStringLiteral("unknown command \"x\"");
    a.messages.clear();
    EXPECT_EQ(remote::encodeAnswer(a), "{\"ok\":false,\"id\":12,\"error\":\"unknown command \\\"x\\\"\"}\n");
    // every answer is one line of valid JSON
    EXPECT_EQ(withState.count('\n'), 1);
    EXPECT_FALSE(QJsonDocument::fromJson(withState).isNull());
}

TEST(Events, CarryTheStateKeysInTheirOrder) {
    EXPECT_EQ(remote::encodeStateEvent(QStringLiteral("{\"route\":\"1\",\"section\":2}")),
              "{\"event\":\"state\",\"route\":\"1\",\"section\":2}\n");
    EXPECT_EQ(remote::encodeStateEvent(QStringLiteral("{}")), "{\"event\":\"state\"}\n");
    EXPECT_EQ(remote::encodeHello(QStringLiteral("508"), QStringLiteral("0.1.0")),
              "{\"event\":\"hello\",\"program\":\"508\",\"version\":\"0.1.0\",\"protocol\":1}\n");
}

struct SettingsCase {
    const char* text;
    bool enabled;
    int port;
    const char* address;
    int problems;
};

class RemoteConf : public ::testing::TestWithParam<SettingsCase> {};

TEST_P(RemoteConf, ReadsWhatItCanAndReportsTheRest) {
    QStringList problems;
    const RemoteSettings s = RemoteSettings::parse(GetParam().text, &problems);
    EXPECT_EQ(s.enabled, GetParam().enabled);
    EXPECT_EQ(s.port, GetParam().port);
    EXPECT_EQ(s.address, QString::fromLatin1(GetParam().address));
    EXPECT_EQ(problems.size(), GetParam().problems) << problems.join(QLatin1Char('|')).toStdString();
}

INSTANTIATE_TEST_SUITE_P(
    Cases, RemoteConf,
    ::testing::Values(SettingsCase{"", false, 5080, "127.0.0.1", 0},
                      SettingsCase{"enabled=true\nport=6000\naddress=0.0.0.0\n", true, 6000, "0.0.0.0", 0},
                      SettingsCase{"# c\n enabled = 1 \r\naddress=::1\n", true, 5080, "::1", 0},
                      SettingsCase{"enabled=yes\nport=0\nport=70000\naddress=my-host\ncolour=red\nx\n", false,
                                   5080, "127.0.0.1", 6}));

TEST(RemoteConfFile, WrittenWholeAndReadBack) {
    QTemporaryDir dir;
    const QString path = dir.filePath(QStringLiteral("sub/remote.conf"));
    RemoteSettings s;
    s.enabled = true;
    s.port = 7001;
    s.address = QStringLiteral("192.168.1.5");
    ASSERT_TRUE(s.save(path));
    EXPECT_EQ(RemoteSettings::load(path), s);
    EXPECT_FALSE(s.save(path + QStringLiteral("/inside")));
    EXPECT_EQ(RemoteSettings::load(path), s) << "a failed save leaves the old file whole";
    EXPECT_EQ(RemoteSettings::load(dir.path()), RemoteSettings{}) << "a folder is not read";
}

} // namespace
