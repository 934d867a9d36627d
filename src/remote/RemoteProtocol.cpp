#include "remote/RemoteProtocol.h"

#include "platform/OrderedJson.h"
#include "remote/CommandTable.h"

#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>
#include <QRegularExpression>
#include <algorithm>
#include <cmath>

namespace remote {
namespace {

const QRegularExpression& commandName() {
    static const QRegularExpression re(QStringLiteral("^[a-z][a-z0-9-]*$"));
    return re;
}

bool hasControl(const QString& text, bool spaceToo) {
    for (const QChar c : text) {
        if (c.unicode() < 0x20 || c.unicode() == 0x7f || c == QChar::LineSeparator ||
            c == QChar::ParagraphSeparator || (spaceToo && c.isSpace()))
            return true;
    }
    return false;
}

// The text of a JSON number that is an integer; empty otherwise.
QString integerText(const QJsonValue& v) {
    const double d = v.toDouble();
    if (!std::isfinite(d) || d != std::floor(d) || std::fabs(d) > 9.0e15)
        return QString();
    return QString::number(static_cast<qint64>(d));
}

// One word of the line; sets `error` (naming `what`) when the value cannot be one.
QString word(const QJsonValue& v, const QString& what, QString& error) {
    if (v.isDouble()) {
        const QString text = integerText(v);
        if (text.isEmpty())
            error = QStringLiteral("%1 must be a whole number or a word").arg(what);
        return text;
    }
    if (!v.isString()) {
        error = QStringLiteral("%1 must be a word (a string) or a whole number").arg(what);
        return QString();
    }
    const QString text = v.toString();
    if (text.isEmpty() || hasControl(text, true))
        error =
            QStringLiteral("%1 must be one word: not empty, without spaces or control characters").arg(what);
    return text;
}

QString rest(const QJsonValue& v, const QString& what, QString& error) {
    if (v.isDouble()) {
        const QString text = integerText(v);
        if (text.isEmpty())
            error = QStringLiteral("%1 must be text or a whole number").arg(what);
        return text;
    }
    if (!v.isString()) {
        error = QStringLiteral("%1 must be text").arg(what);
        return QString();
    }
    const QString text = v.toString();
    if (hasControl(text, false))
        error = QStringLiteral("%1 must not hold a line break or control character").arg(what);
    return text;
}

// A text of remote control's own (a refusal, what a command printed, a message box) as
// a JSON string, U+2028 and U+2029 escaped too: a client that splits what it reads at
// every Unicode line break (Python's str.splitlines) still sees one answer per line.
OrderedJson lineSafe(const QString& text) {
    QByteArray json = OrderedJson(text).text();
    json.replace("\xe2\x80\xa8", "\\u2028").replace("\xe2\x80\xa9", "\\u2029");
    return OrderedJson::fromText(json);
}

} // namespace

QStringList namedFields(const QString& command) {
    QStringList out;
    if (const commands::Command* c = commands::find(command)) {
        for (const commands::Field& f : c->fields)
            out << f.name;
    }
    return out;
}

Request parseRequest(const QByteArray& json) {
    Request r;
    QJsonParseError parseError;
    const QJsonDocument doc = QJsonDocument::fromJson(json, &parseError);
    if (parseError.error != QJsonParseError::NoError) {
        r.error = QStringLiteral("malformed JSON at byte %1: %2")
                      .arg(parseError.offset)
                      .arg(parseError.errorString());
        return r;
    }
    if (!doc.isObject()) {
        r.error = QStringLiteral("a request must be a JSON object");
        return r;
    }
    const QJsonObject o = doc.object();
    if (o.contains(QLatin1String("id"))) {
        const QJsonValue id = o.value(QLatin1String("id"));
        if (!id.isString() && !id.isDouble() && !id.isNull()) {
            r.error = QStringLiteral("\"id\" must be a string or a number");
            return r;
        }
        r.id = id;
    }
    const QJsonValue cmd = o.value(QLatin1String("cmd"));
    if (!cmd.isString()) {
        r.error = QStringLiteral("a request needs \"cmd\", the command's name as a string");
        return r;
    }
    const QString name = cmd.toString();
    if (!commandName().match(name).hasMatch()) {
        r.error = QStringLiteral("\"%1\" is not a command name").arg(name);
        return r;
    }
    const commands::Command* command = commands::find(name);
    const QList<commands::Field> fields = command ? command->fields : QList<commands::Field>();
    for (auto it = o.constBegin(); it != o.constEnd(); ++it) {
        const QString key = it.key();
        if (key == QLatin1String("cmd") || key == QLatin1String("id") || key == QLatin1String("args") ||
            key == QLatin1String("text"))
            continue;
        if (std::none_of(fields.begin(), fields.end(),
                         [&](const commands::Field& f) { return f.name == key; })) {
            r.error = QStringLiteral("%1 has no field \"%2\"").arg(name, key);
            return r;
        }
    }

    QStringList words{name};
    QString error;
    if (o.contains(QLatin1String("args"))) {
        const QJsonValue args = o.value(QLatin1String("args"));
        if (!args.isArray()) {
            r.error = QStringLiteral("\"args\" must be an array of words");
            return r;
        }
        const QJsonArray array = args.toArray();
        for (qsizetype i = 0; i < array.size() && error.isEmpty(); ++i)
            words << word(array[i], QStringLiteral("args[%1]").arg(i), error);
    }
    QString restText;
    QString restFrom; // the field that gave the rest of the line
    const auto takeRest = [&](const QJsonValue& v, const QString& what) {
        if (!restFrom.isEmpty()) {
            error = QStringLiteral("%1 and %2 cannot both be given: a line has one rest").arg(restFrom, what);
            return;
        }
        restFrom = what;
        restText = rest(v, what, error);
    };
    for (const commands::Field& f : fields) {
        if (!error.isEmpty())
            break;
        if (!o.contains(f.name))
            continue;
        const QJsonValue v = o.value(f.name);
        const QString what = QStringLiteral("\"%1\"").arg(f.name);
        switch (f.kind) {
        case commands::FieldKind::Word:
            words << word(v, what, error);
            break;
        case commands::FieldKind::Words: {
            if (!v.isArray()) {
                error = QStringLiteral("%1 must be an array of words").arg(what);
                break;
            }
            const QJsonArray array = v.toArray();
            for (qsizetype i = 0; i < array.size() && error.isEmpty(); ++i)
                words << word(array[i], QStringLiteral("%1[%2]").arg(what).arg(i), error);
            break;
        }
        case commands::FieldKind::OnOff:
            if (v.isBool())
                words << (v.toBool() ? QStringLiteral("on") : QStringLiteral("off"));
            else
                error = QStringLiteral("%1 must be true or false").arg(what);
            break;
        case commands::FieldKind::Flag:
            if (!v.isBool())
                error = QStringLiteral("%1 must be true or false").arg(what);
            else if (v.toBool())
                words << f.name;
            break;
        case commands::FieldKind::Rest:
            takeRest(v, what);
            break;
        }
    }
    if (error.isEmpty() && o.contains(QLatin1String("text")))
        takeRest(o.value(QLatin1String("text")), QStringLiteral("\"text\""));
    if (!error.isEmpty()) {
        r.error = error;
        return r;
    }
    r.line = words.join(QLatin1Char(' '));
    if (!restFrom.isEmpty())
        r.line += QLatin1Char(' ') + restText;
    return r;
}

QByteArray requestForLine(const QString& rawLine, const QJsonValue& id) {
    const QString line = rawLine.trimmed();
    if (line.isEmpty() || line.startsWith(QLatin1Char('#')))
        return QByteArray();
    // As the script runner reads a line: the command up to the first space, then the
    // rest of the line as typed.
    const QString typed = rawLine.mid(rawLine.indexOf(line.at(0)));
    const qsizetype space = typed.indexOf(QLatin1Char(' '));
    const QString name = space < 0 ? typed.trimmed() : typed.left(space);
    const QString restText = space < 0 ? QString() : typed.mid(space + 1);
    QJsonObject o;
    o.insert(QStringLiteral("cmd"), name);
    if (!restText.isEmpty()) {
        const QStringList parts = restText.split(QLatin1Char(' '));
        const bool singleSpaced = std::none_of(
            parts.begin(), parts.end(), [](const QString& p) { return p.isEmpty() || hasControl(p, true); });
        if (singleSpaced)
            o.insert(QStringLiteral("args"), QJsonArray::fromStringList(parts));
        else
            o.insert(QStringLiteral("text"), restText);
    }
    if (!id.isUndefined())
        o.insert(QStringLiteral("id"), id);
    return QJsonDocument(o).toJson(QJsonDocument::Compact) + '\n';
}

QByteArray encodeAnswer(const Answer& a) {
    QList<OrderedJson::Member> members{{QStringLiteral("ok"), a.ok()}};
    if (!a.id.isUndefined())
        members.append({QStringLiteral("id"), a.id});
    if (!a.ok())
        members.append({QStringLiteral("error"), lineSafe(a.error)});
    else if (!a.stateJson.isEmpty())
        members.append({QStringLiteral("state"), OrderedJson::fromText(a.stateJson.toUtf8())});
    else if (!a.output.isEmpty())
        members.append({QStringLiteral("output"), lineSafe(a.output)});
    if (!a.messages.isEmpty()) {
        QList<OrderedJson> boxes;
        for (const Message& m : a.messages)
            boxes << OrderedJson::object({{QStringLiteral("text"), lineSafe(m.text)},
                                          {QStringLiteral("title"), lineSafe(m.title)},
                                          {QStringLiteral("icon"), lineSafe(m.icon)}});
        members.append({QStringLiteral("messages"), OrderedJson::array(boxes)});
    }
    return OrderedJson::object(members).text() + '\n';
}

QByteArray encodeStateEvent(const QString& stateJson) {
    const OrderedJson event = OrderedJson::object({{QStringLiteral("event"), "state"}});
    return OrderedJson::joined(event, OrderedJson::fromText(stateJson.toUtf8())).text() + '\n';
}

QByteArray encodeHello(const QString& program, const QString& version, int idleSeconds) {
    return OrderedJson::object({{QStringLiteral("event"), "hello"},
                                {QStringLiteral("program"), lineSafe(program)},
                                {QStringLiteral("version"), lineSafe(version)},
                                {QStringLiteral("protocol"), kProtocolVersion},
                                {QStringLiteral("auth"), "token"},
                                {QStringLiteral("idle"), idleSeconds}})
               .text() +
           '\n';
}

QString checkAuth(const QByteArray& line, const QByteArray& token) {
    const QString expected = QStringLiteral(
        "the first request must be {\"cmd\":\"auth\",\"token\":TOKEN} with the token of remote.token: "
        "the connection is closed");
    QJsonParseError parseError;
    const QJsonDocument doc = QJsonDocument::fromJson(line, &parseError);
    if (parseError.error != QJsonParseError::NoError || !doc.isObject())
        return expected;
    const QJsonObject o = doc.object();
    if (o.value(QLatin1String("cmd")).toString() != QLatin1String("auth") ||
        !o.value(QLatin1String("token")).isString())
        return expected;
    for (auto it = o.begin(); it != o.end(); ++it) {
        if (it.key() != QLatin1String("cmd") && it.key() != QLatin1String("token") &&
            it.key() != QLatin1String("id"))
            return expected;
    }
    const QByteArray given = o.value(QLatin1String("token")).toString().toUtf8();
    // Every byte is looked at, whatever the first difference.
    unsigned difference = given.size() == token.size() ? 0u : 1u;
    for (qsizetype i = 0; i < token.size(); ++i)
        difference |= unsigned(uchar(token[i]) ^ uchar(i < given.size() ? given[i] : 0));
    if (token.isEmpty() || difference != 0)
        return QStringLiteral("wrong token: the connection is closed");
    return QString();
}

QString commandName(const QString& line) {
    const QString trimmed = line.trimmed();
    const qsizetype space = trimmed.indexOf(QLatin1Char(' '));
    return space < 0 ? trimmed : trimmed.left(space);
}

bool isHeavyCommand(const QString& command) {
    static const QStringList heavy{QStringLiteral("png"),         QStringLiteral("png-controller"),
                                   QStringLiteral("png-options"), QStringLiteral("ticket"),
                                   QStringLiteral("save"),        QStringLiteral("settings"),
                                   QStringLiteral("plugin"),      QStringLiteral("png-sign")};
    return heavy.contains(command);
}

std::optional<WaitRequest> parseWait(const QString& line) {
    if (commandName(line) != QLatin1String("wait"))
        return std::nullopt;
    WaitRequest w;
    const QStringList words = line.trimmed().split(QLatin1Char(' '), Qt::SkipEmptyParts);
    bool ok = false;
    const qlonglong ms = words.size() == 2 ? words[1].toLongLong(&ok) : -1;
    if (!ok || ms < 0)
        w.error = QStringLiteral("wait needs a number of milliseconds");
    else if (ms > kMaxWaitMs)
        w.error = QStringLiteral("wait over remote control is at most %1 ms").arg(kMaxWaitMs);
    else
        w.ms = int(ms);
    return w;
}

} // namespace remote
