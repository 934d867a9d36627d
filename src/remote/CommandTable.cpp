#include "remote/CommandTable.h"

#include <algorithm>

namespace commands {
namespace {

// Where the text of a help line starts.
constexpr int kHelpColumn = 35;

Field word(const char* name) {
    return {QString::fromLatin1(name), FieldKind::Word};
}
Field rest(const char* name) {
    return {QString::fromLatin1(name), FieldKind::Rest};
}

QList<Command> makeTable() {
    const QList<Field> path{rest("path")};
    const QList<Field> onOff{{QStringLiteral("on"), FieldKind::OnOff}};
    return {
        {QStringLiteral("format"),
         {{QStringLiteral("format N ZEROMODE SHIFT FILLZERO"),
           QStringLiteral("double-click fare display N (1..50) and confirm its")},
          {QString(), QStringLiteral("format dialog with these values")},
          {QStringLiteral("format N cancel"),
           QStringLiteral("double-click fare display N and cancel the dialog")}},
         {word("display"),
          word("zeroMode"),
          word("shift"),
          word("fillZero"),
          {QStringLiteral("cancel"), FieldKind::Flag}}},
        {QStringLiteral("settings"),
         {{QStringLiteral("settings PATH"),
           QStringLiteral("load the settings file at PATH as the start-up does")}},
         path},
        {QStringLiteral("save"),
         {{QStringLiteral("save PATH"), QStringLiteral("write the settings file to PATH as the exit does")}},
         path},
        {QStringLiteral("set"),
         {{QStringLiteral("set NAME VALUE"),
           QStringLiteral("set one live setting by its name in the settings")},
          {QString(), QStringLiteral("record (a number, a text or a colour #RRGGBB)")}},
         {word("name"), rest("value")}},
        {QStringLiteral("ok"),
         {{QStringLiteral("ok"), QStringLiteral("press OK in the options dialog")}},
         {}},
        {QStringLiteral("chimei"),
         {{QStringLiteral("chimei TEXT"),
           QStringLiteral("hand TEXT (the rest of the line) to the stop-name")},
          {QString(), QStringLiteral("strip; chimei alone hands it the empty name")}},
         {rest("name")}},
        {QStringLiteral("dots"),
         {{QStringLiteral("dots"), QStringLiteral("print the stop-name strip, # lit, . not, then top=N")}},
         {}},
        {QStringLiteral("keypad"),
         {{QStringLiteral("keypad KEY..."), QStringLiteral("press keypad keys in order: 0..9, 系統, 区間")}},
         {{QStringLiteral("keys"), FieldKind::Words}}},
        {QStringLiteral("wheels"),
         {{QStringLiteral("wheels ROUTE SECTION"),
           QStringLiteral("select the digit wheels: five and three digits,")},
          {QString(), QStringLiteral("- leaves a wheel unselected")}},
         {word("route"), word("section")}},
        {QStringLiteral("reset"),
         {{QStringLiteral("reset keypad | reset wheels"),
           QStringLiteral("press the リセット button of that entry panel")}},
         {word("panel")}},
        {QStringLiteral("next"),
         {{QStringLiteral("next | back"), QStringLiteral("press データ送り / データ戻し")}},
         {}},
        {QStringLiteral("back"), {}, {}},
        {QStringLiteral("tape"),
         {{QStringLiteral("tape next | tape back | tape stop"),
           QStringLiteral("press the announcement buttons")}},
         {word("button")}},
        {QStringLiteral("latenight"),
         {{QStringLiteral("latenight on|off"), QStringLiteral("set the 深夜料金 check box")}},
         onOff},
        {QStringLiteral("clear"),
         {{QStringLiteral("clear on|off"), QStringLiteral("set the 表示消去 check box")}},
         onOff},
        {QStringLiteral("backlight"),
         {{QStringLiteral("backlight 0|1|2"), QStringLiteral("click the backlight option OFF / ON1 / ON2")}},
         {word("level")}},
        {QStringLiteral("scroll"),
         {{QStringLiteral("scroll SPEED WAIT"), QStringLiteral("set the controller's two scroll bars")}},
         {word("speed"), word("wait")}},
        {QStringLiteral("fast"),
         {{QStringLiteral("fast on|off"), QStringLiteral("on: skip the lamp-test pause and every wait for")},
          {QString(), QStringLiteral("a sound's end")}},
         onOff},
        {QStringLiteral("png-controller"),
         {{QStringLiteral("png-controller PATH"), QStringLiteral("save a picture of the controller window")}},
         path},
        {QStringLiteral("display"),
         {{QStringLiteral("display scale 1..4|fit"),
           QStringLiteral("show the board larger (drawn afresh at the scale);")},
          {QStringLiteral("display fullscreen on|off"),
           QStringLiteral("full screen on its monitor; display screen N picks")},
          {QString(), QStringLiteral("the monitor; display dots square|round and")},
          {QString(), QStringLiteral("display glow on|off set the stop-name dots")}},
         {}},
        {QStringLiteral("ticket"),
         {{QStringLiteral("ticket PATH"), QStringLiteral("save the ticket preview picture")}},
         path},
        {QStringLiteral("wait"),
         {{QStringLiteral("wait MS"), QStringLiteral("let the program run for MS milliseconds")}},
         {word("ms")}},
        {QStringLiteral("state"),
         {{QStringLiteral("state"), QStringLiteral("print the state as one line of JSON")}},
         {}},
        {QStringLiteral("png"),
         {{QStringLiteral("png PATH"), QStringLiteral("save a picture of the board window")}},
         path},
        {QStringLiteral("sign"),
         {{QStringLiteral("sign open|close SIGN"),
           QStringLiteral("open or close a destination sign: front, side or")},
          {QString(), QStringLiteral("rear (as the board's menu does, display.conf kept)")},
          {QStringLiteral("sign dots SIGN"), QStringLiteral("print an open sign's dots, # lit, . not")},
          {QStringLiteral("sign colour COLOUR"),
           QStringLiteral("the signs' LEDs: amber, white, green or full")}},
         {word("action"), word("sign")}},
        {QStringLiteral("png-sign"),
         {{QStringLiteral("png-sign SIGN PATH"),
           QStringLiteral("save a picture of an open destination sign")}},
         {word("sign"), rest("path")}},
        {QStringLiteral("plugin"),
         {{QStringLiteral("plugin PATH"), QStringLiteral("choose a ticket plug-in as the options dialog's")},
          {QString(), QStringLiteral("\"...\" button does")}},
         path},
        {QStringLiteral("options"),
         {{QStringLiteral("options show"),
           QStringLiteral("press 設定... on the console (the dialog is shown)")},
          {QStringLiteral("options click NAME"), QStringLiteral("click a control of the options dialog")},
          {QStringLiteral("options choose NAME INDEX"),
           QStringLiteral("select item INDEX (0-based; -1 none) of a list")},
          {QStringLiteral("options type NAME TEXT"),
           QStringLiteral("replace a text box's text with TEXT, as typed")},
          {QStringLiteral("options answer VALUE"),
           QStringLiteral("what the next file, folder, colour or date chooser")},
          {QString(), QStringLiteral("answers: a path, #RRGGBB, yyyy/mm/dd or cancel")},
          {QStringLiteral("options close"), QStringLiteral("close the options dialog by its window frame")},
          {QStringLiteral("options state"), QStringLiteral("print the options dialog as one line of JSON")}},
         {word("action"), word("control"), word("index"), rest("value")}},
        {QStringLiteral("web"),
         {{QStringLiteral("web"), QStringLiteral("print the board page's address (508 --web), or")},
          {QString(), QStringLiteral("\"not serving\"")}},
         {}},
        {QStringLiteral("png-options"),
         {{QStringLiteral("png-options PATH"), QStringLiteral("save a picture of the options dialog")}},
         path},
    };
}

} // namespace

const QList<Command>& table() {
    static const QList<Command> commands = makeTable();
    return commands;
}

const Command* find(const QString& name) {
    const QList<Command>& all = table();
    const auto it = std::find_if(all.begin(), all.end(), [&](const Command& c) { return c.name == name; });
    return it == all.end() ? nullptr : &*it;
}

QStringList helpLines() {
    QStringList out;
    for (const Command& command : table()) {
        for (const HelpLine& line : command.help)
            out << line.usage.leftJustified(kHelpColumn) + line.text;
    }
    return out;
}

} // namespace commands
