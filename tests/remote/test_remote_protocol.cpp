// Requests to command lines, script lines to requests, and the answers and events.
#include "QtPrinting.h"
#include "remote/RemoteFiles.h"
#include "remote/RemoteProtocol.h"
#include "remote/RemoteSettings.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QJsonDocument>
#include <QJsonObject>
#include <QRegularExpression>
#include <QTemporaryDir>
#include <csignal>
#include <gtest/gtest.h>
#include <iostream>
#include <optional>
#include <string>
#include <sys/resource.h>
#include <sys/stat.h>
#include <unistd.h>

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
    EXPECT_EQ(remote::encodeHello(QStringLiteral("508"), QStringLiteral("0.1.0"), 300),
              "{\"event\":\"hello\",\"program\":\"508\",\"version\":\"0.1.0\",\"protocol\":2,"
              "\"auth\":\"token\",\"idle\":300}\n");
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
                                   5080, "127.0.0.1", 6},
                      SettingsCase{"idle=0\nidle=86401\nidle=-5\n", false, 5080, "127.0.0.1", 2}));

TEST(RemoteConfFile, WrittenWholeAndReadBack) {
    QTemporaryDir dir;
    const QString path = dir.filePath(QStringLiteral("sub/remote.conf"));
    RemoteSettings s;
    s.enabled = true;
    s.port = 7001;
    s.address = QStringLiteral("192.168.1.5");
    s.idleSeconds = 45;
    ASSERT_TRUE(s.save(path));
    EXPECT_EQ(RemoteSettings::load(path), s);
    EXPECT_FALSE(s.save(path + QStringLiteral("/inside")));
    EXPECT_EQ(RemoteSettings::load(path), s) << "a failed save leaves the old file whole";
    EXPECT_EQ(RemoteSettings::load(dir.path()), RemoteSettings{}) << "a folder is not read";
}

TEST(Auth, OnlyTheTokenFirstLetsAClientIn) {
    const QByteArray token = "0123456789abcdef0123456789abcdef";
    const QString refused = QStringLiteral(
        "the first request must be {\"cmd\":\"auth\",\"token\":TOKEN} with the token of remote.token: "
        "the connection is closed");
    const QString wrong = QStringLiteral("wrong token: the connection is closed");
    const struct {
        QByteArray line;
        QString error;
    } cases[] = {
        {"{\"cmd\":\"auth\",\"token\":\"0123456789abcdef0123456789abcdef\"}", QString()},
        {"{\"token\":\"0123456789abcdef0123456789abcdef\",\"cmd\":\"auth\",\"id\":1}", QString()},
        {"{\"cmd\":\"auth\",\"token\":\"0123456789abcdef0123456789abcdeF\"}", wrong},
        {"{\"cmd\":\"auth\",\"token\":\"0123456789abcdef0123456789abcdef0\"}", wrong},
        {"{\"cmd\":\"auth\",\"token\":\"\"}", wrong},
        {"{\"cmd\":\"auth\",\"token\":12}", refused},
        {"{\"cmd\":\"auth\"}", refused},
        {"{\"cmd\":\"auth\",\"token\":\"0123456789abcdef0123456789abcdef\",\"args\":[\"next\"]}", refused},
        {"{\"cmd\":\"next\",\"token\":\"0123456789abcdef0123456789abcdef\"}", refused},
        {"POST / HTTP/1.1", refused},
        {"GET /live HTTP/1.1", refused},
        {"[\"auth\"]", refused},
    };
    for (const auto& c : cases)
        EXPECT_EQ(remote::checkAuth(c.line, token), c.error) << c.line.toStdString();
    EXPECT_EQ(remote::checkAuth("{\"cmd\":\"auth\",\"token\":\"\"}", QByteArray()), wrong)
        << "no token: nobody";
}

TEST(Wait, RemoteWaitsAreBounded) {
    const struct {
        const char* line;
        int ms;
        const char* error;
    } cases[] = {
        {"wait 0", 0, ""},
        {"wait 60000", 60000, ""},
        {"wait 60001", 0, "wait over remote control is at most 60000 ms"},
        {"wait 2147483647", 0, "wait over remote control is at most 60000 ms"},
        {"wait 99999999999999999999", 0, "wait needs a number of milliseconds"},
        {"wait -1", 0, "wait needs a number of milliseconds"},
        {"wait", 0, "wait needs a number of milliseconds"},
        {"wait 5 6", 0, "wait needs a number of milliseconds"},
    };
    for (const auto& c : cases) {
        const std::optional<remote::WaitRequest> w = remote::parseWait(QString::fromLatin1(c.line));
        ASSERT_TRUE(w.has_value()) << c.line;
        EXPECT_EQ(w->ms, c.ms) << c.line;
        EXPECT_EQ(w->error, QString::fromLatin1(c.error)) << c.line;
    }
    EXPECT_FALSE(remote::parseWait(QStringLiteral("waiting 5")).has_value());
    EXPECT_FALSE(remote::parseWait(QStringLiteral("next")).has_value());
}

// What a remote client may name: plain names inside the remote folder, never a way out.
TEST(RemoteFiles, NamesStayInsideTheRemoteFolder) {
    QTemporaryDir dir;
    const QString folder = dir.filePath(QStringLiteral("remote"));
    const QString outside = dir.filePath(QStringLiteral("outside"));
    QDir().mkpath(outside);
    QDir().mkpath(folder + QStringLiteral("/pictures"));
    QFile::link(outside, folder + QStringLiteral("/away"));
    QFile::link(outside + QStringLiteral("/x.png"), folder + QStringLiteral("/dangling.png"));
    QFile::link(folder + QStringLiteral("/pictures"), folder + QStringLiteral("/here"));
    const QString root = QFileInfo(folder).canonicalFilePath();
    const QString rule = QStringLiteral("over remote control a file is named by a relative path inside ") +
                         QDir::cleanPath(folder);
    const QString leads = QStringLiteral("it leads outside %1 through a symbolic link").arg(root);
    const struct {
        const char* line;
        QString expected; // the line to run, or the refusal
        bool refused;
    } cases[] = {
        {"png board.png", "png " + root + "/board.png", false},
        {"png-controller  pictures/c 1.png ", "png-controller " + root + "/pictures/c 1.png", false},
        {"ticket here/t.png", "ticket " + root + "/pictures/t.png", false},
        {"settings ./a.in4", "settings " + root + "/a.in4", false},
        {"png-sign  front pictures/f.png", "png-sign front " + root + "/pictures/f.png", false},
        {"png-sign side /tmp/s.png", "\"/tmp/s.png\" is refused: " + rule, true},
        {"png-sign rear ../r.png",
         "\"../r.png\" is refused: a file name over remote control cannot contain \"..\"", true},
        {"png-sign front", "png-sign front", false},
        {"png /tmp/board.png", "\"/tmp/board.png\" is refused: " + rule, true},
        {"png ~/board.png", "\"~/board.png\" is refused: " + rule, true},
        {"png-options ../board.png",
         "\"../board.png\" is refused: a file name over remote control cannot contain \"..\"", true},
        {"plugin pictures/../../x.4SP",
         "\"pictures/../../x.4SP\" is refused: a file name over remote control cannot contain \"..\"", true},
        {"png away/board.png", "\"away/board.png\" is refused: " + leads, true},
        {"png dangling.png", "\"dangling.png\" is refused: " + leads, true},
        {"png nowhere/board.png", "\"nowhere/board.png\" is refused: its folder does not exist in " + root,
         true},
        {"png .", "\".\" is refused: " + rule, true},
        {"save /etc/passwd",
         "save over remote control takes no file name: it saves the program's own settings file", true},
        {"png", "png", false},
        {"set FareDataFolder /srv/fares", "set FareDataFolder /srv/fares", false},
        {"chimei /etc/passwd", "chimei /etc/passwd", false},
    };
    for (const auto& c : cases) {
        const remote::ConfinedLine r = remote::confineFiles(QString::fromUtf8(c.line), folder);
        EXPECT_EQ(c.refused ? r.error : r.line, c.expected) << c.line;
        EXPECT_EQ(c.refused ? r.line : r.error, QString()) << c.line;
    }
    const remote::ConfinedLine save = remote::confineFiles(QStringLiteral("save"), folder);
    EXPECT_TRUE(save.saveOwn && save.error.isEmpty());
    EXPECT_EQ(QFile::permissions(folder) & (QFile::ReadGroup | QFile::ReadOther), 0)
        << "the folder is private";
}

TEST(RemoteFiles, TheTokenIsMadeOncePrivateAndCheckedWhenRead) {
    QTemporaryDir dir;
    const QString path = dir.filePath(QStringLiteral("corvane/remote.token"));
    const remote::TokenResult made = remote::loadOrCreateToken(path);
    ASSERT_TRUE(made.error.isEmpty()) << made.error.toStdString();
    EXPECT_TRUE(made.created);
    EXPECT_TRUE(QRegularExpression(QStringLiteral("^[0-9a-f]{64}$"))
                    .match(QString::fromLatin1(made.token))
                    .hasMatch());
    EXPECT_EQ(QFile::permissions(path) &
                  ~(QFile::ReadOwner | QFile::WriteOwner | QFile::ReadUser | QFile::WriteUser),
              QFile::Permissions());
    const remote::TokenResult again = remote::loadOrCreateToken(path);
    EXPECT_EQ(again.token, made.token);
    EXPECT_FALSE(again.created);
    EXPECT_EQ(remote::readToken(path).token, made.token);
    EXPECT_EQ(QDir(dir.filePath(QStringLiteral("corvane"))).entryList(QDir::Files | QDir::Hidden).size(), 1)
        << "no temporary file left";

    QFile::setPermissions(path, QFile::ReadOwner | QFile::WriteOwner | QFile::ReadOther);
    EXPECT_EQ(remote::loadOrCreateToken(path).error,
              QStringLiteral("the token file %1 may be read by other users: make it private (chmod 600)")
                  .arg(path));
    EXPECT_EQ(remote::readToken(path).token, made.token) << "a client does not mind";

    const QString fifo = dir.filePath(QStringLiteral("fifo"));
    ASSERT_EQ(::mkfifo(QFile::encodeName(fifo).constData(), 0600), 0);
    EXPECT_EQ(remote::loadOrCreateToken(fifo).error,
              QStringLiteral("the token file %1 is not a regular file").arg(fifo));
    const QString shortToken = dir.filePath(QStringLiteral("short"));
    QFile f(shortToken);
    ASSERT_TRUE(f.open(QIODevice::WriteOnly));
    f.write("abc\n");
    f.close();
    EXPECT_EQ(remote::readToken(shortToken).error,
              QStringLiteral("the token file %1 must hold one token of 16 to 1024 visible ASCII characters")
                  .arg(shortToken));
    EXPECT_EQ(remote::readToken(dir.filePath(QStringLiteral("none"))).error,
              QStringLiteral("there is no token file %1").arg(dir.filePath(QStringLiteral("none"))));
}

// A token file that cannot be made is reported and nothing is left where it would be.
TEST(RemoteFiles, ATokenThatCannotBeMadeIsReportedAndNothingLeft) {
    const struct {
        const char* name;
        const char* file; // inside the temporary folder ("FOLDER" in the message)
        bool readOnly;    // the temporary folder made read-only (not for root)
        rlim_t limit;     // the file size limit, as a full disk
        const char* error;
    } cases[] = {
        {"a file in the way of its folder", "file/corvane/remote.token", false, RLIM_INFINITY,
         "cannot read the token file FOLDER/file/corvane/remote.token: Not a directory"},
        {"read-only folder", "remote.token", true, RLIM_INFINITY,
         "cannot write the token file FOLDER/remote.token: Permission denied"},
        {"full disk", "remote.token", false, 16,
         "cannot write the token file FOLDER/remote.token: File too large"},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        QTemporaryDir tmp;
        const QByteArray folder = QFile::encodeName(tmp.path());
        QFile file(tmp.filePath(QStringLiteral("file")));
        ASSERT_TRUE(file.open(QIODevice::WriteOnly));
        file.close();
        if (c.readOnly) {
            ASSERT_EQ(::chmod(folder.constData(), 0555), 0);
            if (::access(folder.constData(), W_OK) == 0) {
                std::cout << "skipped " << c.name << ": root writes into a read-only folder\n";
                continue;
            }
        }
        rlimit saved{};
        ASSERT_EQ(::getrlimit(RLIMIT_FSIZE, &saved), 0);
        const auto oldHandler = std::signal(SIGXFSZ, SIG_IGN);
        rlimit small = saved;
        small.rlim_cur = c.limit;
        if (c.limit != RLIM_INFINITY) {
            ASSERT_EQ(::setrlimit(RLIMIT_FSIZE, &small), 0);
        }
        const remote::TokenResult r = remote::loadOrCreateToken(tmp.filePath(QString::fromLatin1(c.file)));
        ::setrlimit(RLIMIT_FSIZE, &saved);
        std::signal(SIGXFSZ, oldHandler);
        ::chmod(folder.constData(), 0700);

        EXPECT_EQ(QString(r.error).replace(tmp.path(), QStringLiteral("FOLDER")),
                  QString::fromLatin1(c.error));
        EXPECT_TRUE(r.token.isEmpty());
        EXPECT_EQ(QDir(tmp.path()).entryList(QDir::AllEntries | QDir::NoDotAndDotDot | QDir::Hidden),
                  QStringList{QStringLiteral("file")})
            << "nothing left beside it";
    }
}

} // namespace
