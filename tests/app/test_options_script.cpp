// The options dialog and the ticket plug-ins driven through corvane script, as a
// person works them.
#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>
#include <QProcess>
#include <QTemporaryDir>
#include <gtest/gtest.h>

namespace {

const QString kDemo = QStringLiteral(CORVANE_SOURCE_DIR "/data/demo");

struct ScriptRun {
    int status = -1;
    QList<QJsonObject> lines; // every JSON line printed
    QString err;
};

ScriptRun script(const QString& text) {
    QProcess p;
    QProcessEnvironment env = QProcessEnvironment::systemEnvironment();
    env.insert(QStringLiteral("QT_QPA_PLATFORM"), QStringLiteral("offscreen"));
    p.setProcessEnvironment(env);
    p.setWorkingDirectory(kDemo);
    p.start(QStringLiteral(CORVANE_BINARY_DIR "/bin/corvane"), {QStringLiteral("script")});
    p.write(text.toUtf8());
    p.closeWriteChannel();
    p.waitForFinished(60000);
    ScriptRun r{p.exitCode(), {}, QString::fromUtf8(p.readAllStandardError())};
    for (const QByteArray& line : p.readAllStandardOutput().split('\n'))
        if (line.startsWith('{'))
            r.lines << QJsonDocument::fromJson(line).object();
    return r;
}

QJsonObject control(const QJsonObject& options, const char* name) {
    return options.value("controls").toObject().value(QLatin1String(name)).toObject();
}

QStringList strings(const QJsonValue& v) {
    QStringList out;
    for (const QJsonValue& item : v.toArray())
        out << item.toString();
    return out;
}

TEST(OptionsScript, ShowPagesAndCloseByTheFrameKeepingEdits) {
    const ScriptRun r =
        script(QStringLiteral("options state\noptions show\noptions click Option1(3)\n"
                              "options click Option5(0)\noptions click Check4\noptions state\n"
                              "options close\noptions state\n"));
    ASSERT_EQ(r.status, 0) << r.err.toStdString();
    ASSERT_EQ(r.lines.size(), 3);
    EXPECT_FALSE(r.lines[0].value("visible").toBool());
    EXPECT_EQ(r.lines[0].value("front").toInt(), 0);
    EXPECT_EQ(r.lines[0].value("soundFront").toInt(), 1);
    EXPECT_EQ(control(r.lines[0], "Option1(0)").value("caption").toString(),
              QStringLiteral("運賃データと　放送用データ"));
    EXPECT_EQ(control(r.lines[0], "Frame1(4)").value("caption").toString(),
              QStringLiteral("サウンド（鳴らさなくてもいい項目にはファイル名を入れないで下さい）"));
    EXPECT_TRUE(r.lines[1].value("visible").toBool());
    EXPECT_EQ(r.lines[1].value("front").toInt(), 3);
    EXPECT_EQ(r.lines[1].value("soundFront").toInt(), 0);
    EXPECT_FALSE(r.lines[2].value("visible").toBool());
    EXPECT_EQ(control(r.lines[2], "Check4").value("value").toInt(), 1);
}

struct StateCase {
    const char* name;
    const char* script;
    const char* control;
    const char* key;
    QJsonValue expected;
};

void PrintTo(const StateCase& c, std::ostream* os) {
    *os << c.name;
}

class OptionsRule : public ::testing::TestWithParam<StateCase> {};

// Each rule of the dialog, seen in `options state` after a few clicks.
TEST_P(OptionsRule, Holds) {
    const StateCase& c = GetParam();
    const ScriptRun r = script(QString::fromUtf8(c.script) + QStringLiteral("\noptions state\n"));
    ASSERT_EQ(r.status, 0) << r.err.toStdString();
    ASSERT_FALSE(r.lines.isEmpty());
    EXPECT_EQ(control(r.lines.last(), c.control).value(QLatin1String(c.key)), c.expected);
}

INSTANTIATE_TEST_SUITE_P(
    Cases, OptionsRule,
    ::testing::Values(
        StateCase{"data_column_enables_column_list", "options click Check3(3)", "Combo4(4)", "enabled", true},
        StateCase{"data_column_enables_cell_list", "options click Check3(3)", "Combo4(3)", "enabled", true},
        StateCase{"unchecked_again_disables", "options click Check3(3)\noptions click Check3(3)", "Combo4(3)",
                  "enabled", false},
        StateCase{"disabled_list_cannot_be_chosen", "options choose Combo4(0) 7", "Combo4(0)", "index", 0},
        StateCase{"per_picture_frames_shown", "options click Option3(1)", "Frame6(2)", "visible", true},
        StateCase{"auto_panel_hides_them", "options click Option3(1)\noptions click Option3(0)", "Frame6(2)",
                  "visible", false},
        StateCase{"hidden_choice_kept",
                  "options click Option3(1)\noptions click Option3(5)\noptions click Option3(0)",
                  "Option3(5)", "value", true},
        StateCase{"colour_swatch", "options answer #102030\noptions click Command8(1)", "Command8(1)",
                  "color", "#102030"},
        StateCase{"cancelled_colour", "options click Command8(1)", "Command8(1)", "color", "#969696"},
        StateCase{"date_dialog",
                  "options click chkUseSeiriPrev\noptions answer 2024/03/05\noptions click Command7",
                  "Label10", "caption", "2024/03/05"},
        StateCase{"folder_chooser", "options answer /data/運賃\noptions click Command3(0)", "Text2(0)",
                  "text", "/data/運賃"},
        StateCase{"typed_text", "options type txtSelectSound(7) /snd/step one.wav", "txtSelectSound(7)",
                  "text", "/snd/step one.wav"},
        StateCase{"unsavable_text_refused", "options type Text2(1) /tape\noptions type Text2(1) /𠮷野家",
                  "Text2(1)", "text", "/tape"},
        StateCase{"set_reaches_the_control", "set InfoDataColumn 149", "Combo4(4)", "index", 149},
        StateCase{"numbering_list", "options choose Combo2 11", "Combo2", "index", 11},
        StateCase{"plugin_clear_button",
                  "options click chkUseSeiriPrev\nplugin barcode.4SP\noptions click Command11",
                  "txtSeiriPlgDir", "text", ""}),
    [](const auto& info) { return std::string(info.param.name); });

TEST(OptionsScript, OkAppliesTheNumberingToTheBoard) {
    const ScriptRun r = script(QStringLiteral("options choose Combo2 11\nstate\nok\nstate\n"));
    ASSERT_EQ(r.status, 0) << r.err.toStdString();
    const auto label = [&](int state, int i) {
        return r.lines[state].value("labels").toArray()[i].toObject().value("text").toString();
    };
    EXPECT_EQ(label(0, 1), QStringLiteral("２"));
    EXPECT_NE(label(1, 0), QStringLiteral("１")) << "(無地)、2,3... leaves the first label plain";
}

TEST(OptionsScript, UnsavableTextIsExplained) {
    const ScriptRun r = script(QStringLiteral("options type Text2(1) /𠮷野家\nstate\n"));
    ASSERT_EQ(r.status, 0) << r.err.toStdString();
    const QJsonArray m = r.lines.last().value("messages").toArray();
    ASSERT_EQ(m.size(), 1);
    EXPECT_TRUE(m[0].toObject().value("text").toString().startsWith(
        QStringLiteral("「𠮷」 はShift_JISで表せない文字")));
    EXPECT_EQ(m[0].toObject().value("title").toString(), QStringLiteral("オプション"));
}

// The plug-in page and the console's ticket area as each plug-in fills them.
TEST(OptionsScript, PluginsFillTheirPageAndTheConsole) {
    QTemporaryDir dir;
    QFile bad(dir.filePath(QStringLiteral("bad.4SP")));
    ASSERT_TRUE(bad.open(QIODevice::WriteOnly));
    bad.write("not a plug-in\n");
    bad.close();
    const ScriptRun r = script(QStringLiteral("plugin plain.4SP\nstate\nplugin barcode.4SP\nstate\n"
                                              "plugin companies.4SP\nstate\nplugin %1\nstate\n")
                                   .arg(bad.fileName()));
    ASSERT_EQ(r.status, 0) << r.err.toStdString();
    ASSERT_EQ(r.lines.size(), 4);
    const auto ticket = [&](int i) { return r.lines[i].value("ticket").toObject(); };

    const QStringList plain = strings(ticket(0).value("lines"));
    ASSERT_EQ(plain.size(), 6);
    EXPECT_EQ(plain[4], QStringLiteral("バーコード印字 ---> 不可"));
    EXPECT_EQ(plain[5], QStringLiteral("社名切り替え:---> 不可"));
    EXPECT_TRUE(strings(ticket(0).value("companies")).isEmpty());
    EXPECT_EQ(ticket(0).value("plugin").toString(), QStringLiteral("plain.4SP"));

    const QStringList barcode = strings(ticket(1).value("lines"));
    ASSERT_EQ(barcode.size(), 10);
    EXPECT_EQ(barcode[0], QStringLiteral("日付の印字 ---> 可能"));
    EXPECT_EQ(barcode[5], QStringLiteral("バーコード本数 ---> 1"));
    EXPECT_EQ(barcode[6], QStringLiteral("バーコード系統方式 ---> 系統番号＋往復フラグ"));
    EXPECT_EQ(barcode[7], QStringLiteral("設定可能な系統範囲 ---> 1 ～ 999"));
    EXPECT_EQ(barcode[9], QStringLiteral("社名切り替え:---> 不可"));

    EXPECT_EQ(strings(ticket(2).value("companies")),
              (QStringList{QStringLiteral("椿原交通"), QStringLiteral("椿原市営バス"),
                           QStringLiteral("奥椿観光バス")}));
    EXPECT_FALSE(ticket(2).value("notes").toString().isEmpty());

    // Not a plug-in: the message; the choice, list and notes stay; the company list
    // was emptied before the plug-in was read.
    const QJsonArray m = r.lines[3].value("messages").toArray();
    ASSERT_EQ(m.size(), 1);
    EXPECT_EQ(m[0].toObject().value("text").toString(),
              QStringLiteral("指定したファイルはプラグインでないか、内容が不正です"));
    EXPECT_EQ(m[0].toObject().value("title").toString(), QStringLiteral("プラグインロードエラー"));
    EXPECT_EQ(m[0].toObject().value("icon").toString(), QStringLiteral("critical"));
    EXPECT_EQ(ticket(3).value("plugin").toString(), QStringLiteral("companies.4SP"));
    EXPECT_EQ(strings(ticket(3).value("lines")), strings(ticket(2).value("lines")));
    EXPECT_TRUE(strings(ticket(3).value("companies")).isEmpty());
}

struct OptionsError {
    const char* name;
    const char* script;
    const char* message;
};

void PrintTo(const OptionsError& c, std::ostream* os) {
    *os << c.name;
}

class OptionsErrors : public ::testing::TestWithParam<OptionsError> {};

TEST_P(OptionsErrors, StopTheScript) {
    const ScriptRun r = script(QString::fromUtf8(GetParam().script));
    EXPECT_EQ(r.status, 2);
    EXPECT_EQ(r.err.trimmed().toStdString(), GetParam().message);
}

INSTANTIATE_TEST_SUITE_P(
    Cases, OptionsErrors,
    ::testing::Values(
        OptionsError{"no_such_control", "options click Option9(9)\n",
                     "error: 1: the options dialog has no control Option9(9)"},
        OptionsError{"label_cannot_be_clicked", "options click Label7\n",
                     "error: 1: Label7 cannot be clicked"},
        OptionsError{"index_outside_list", "options choose Combo2 12\n", "error: 1: Combo2 has items 0..11"},
        OptionsError{"choose_on_a_button", "options choose Command4 0\n", "error: 1: Command4 is not a list"},
        OptionsError{"unknown_subcommand", "options open\n", "error: 1: unknown options command \"open\""},
        OptionsError{
            "set_misspelt", "set StepSoundFix x\n",
            "error: 1: unknown setting: StepSoundFix (closest: StepSoundFixed, StepSound1, StepSound2)"}),
    [](const auto& info) { return std::string(info.param.name); });

} // namespace
