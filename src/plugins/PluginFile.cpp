#include "plugins/PluginFile.h"

#include "platform/Cp932.h"
#include "plugins/TicketFormat.h"

#include <QFile>
#include <QHash>
#include <QStringDecoder>

#include <algorithm>
#include <cerrno>
#include <cstring>
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

namespace plugins {
namespace {

// Reading stops after this many problems.
constexpr int kMaxProblems = 100;

constexpr int kTwipsPerPixel = 15;
constexpr int kMinPreviewTwips = 150;
constexpr int kMaxPreviewTwips = 6000;

struct Entry {
    QString key;
    QString value;
    int line = 0;
};

struct Section {
    QString name;
    int line = 0;
    QList<Entry> entries;
    QList<QPair<int, QString>> textLines; // [notes] and [companies]
};

const QHash<QString, ItemKind>& itemSections() {
    static const QHash<QString, ItemKind> map = {
        {QStringLiteral("text"), ItemKind::Text},       {QStringLiteral("number"), ItemKind::Number},
        {QStringLiteral("row"), ItemKind::Row},         {QStringLiteral("route"), ItemKind::Route},
        {QStringLiteral("stop"), ItemKind::Stop},       {QStringLiteral("date"), ItemKind::Date},
        {QStringLiteral("time"), ItemKind::Time},       {QStringLiteral("company"), ItemKind::Company},
        {QStringLiteral("barcode"), ItemKind::Barcode}, {QStringLiteral("line"), ItemKind::Line},
        {QStringLiteral("box"), ItemKind::Box}};
    return map;
}

QStringList keysOf(ItemKind kind);
const QStringList& pluginKeys();

const QStringList& ticketKeys() {
    static const QStringList k = {QStringLiteral("size"),   QStringLiteral("paper"),  QStringLiteral("ink"),
                                  QStringLiteral("border"), QStringLiteral("radius"), QStringLiteral("font")};
    return k;
}

// The keys a section takes.
QStringList allowedKeys(const QString& section) {
    if (section == QLatin1String("plugin"))
        return pluginKeys();
    if (section == QLatin1String("ticket"))
        return ticketKeys();
    return keysOf(itemSections().value(section));
}

bool isTextKind(ItemKind k) {
    return k != ItemKind::Barcode && k != ItemKind::Line && k != ItemKind::Box;
}

// The keys each item section takes.
QStringList keysOf(ItemKind kind) {
    const QStringList textKeys = {QStringLiteral("box"),    QStringLiteral("font"),  QStringLiteral("size"),
                                  QStringLiteral("weight"), QStringLiteral("align"), QStringLiteral("color")};
    switch (kind) {
    case ItemKind::Text:
        return textKeys + QStringList{QStringLiteral("text")};
    case ItemKind::Barcode:
        return {QStringLiteral("box"),      QStringLiteral("symbology"), QStringLiteral("flag"),
                QStringLiteral("readable"), QStringLiteral("nw7-start"), QStringLiteral("nw7-stop"),
                QStringLiteral("font"),     QStringLiteral("size"),      QStringLiteral("color")};
    case ItemKind::Line:
        return {QStringLiteral("from"), QStringLiteral("to"), QStringLiteral("line-width"),
                QStringLiteral("style"), QStringLiteral("color")};
    case ItemKind::Box:
        return {QStringLiteral("box"),   QStringLiteral("line-width"), QStringLiteral("style"),
                QStringLiteral("color"), QStringLiteral("fill"),       QStringLiteral("radius")};
    default:
        return textKeys + QStringList{QStringLiteral("format")};
    }
}

const QStringList& pluginKeys() {
    static const QStringList k = {QStringLiteral("format"),
                                  QStringLiteral("name"),
                                  QStringLiteral("preview-width"),
                                  QStringLiteral("preview-height"),
                                  QStringLiteral("print-date"),
                                  QStringLiteral("print-time"),
                                  QStringLiteral("print-route"),
                                  QStringLiteral("print-stop"),
                                  QStringLiteral("print-barcode"),
                                  QStringLiteral("max-route"),
                                  QStringLiteral("barcode-route-mode"),
                                  QStringLiteral("stop-first"),
                                  QStringLiteral("stop-last")};
    return k;
}

bool isAsciiSpace(QChar c) {
    return c == QLatin1Char(' ') || c == QLatin1Char('\t');
}

QString asciiTrimmed(const QString& s) {
    qsizetype b = 0, e = s.size();
    while (b < e && isAsciiSpace(s.at(b)))
        ++b;
    while (e > b && isAsciiSpace(s.at(e - 1)))
        --e;
    return s.mid(b, e - b);
}

bool isKeyChar(QChar c) {
    return (c >= QLatin1Char('a') && c <= QLatin1Char('z')) ||
           (c >= QLatin1Char('0') && c <= QLatin1Char('9')) || c == QLatin1Char('-');
}

class Parser {
public:
    PluginFile run(const QByteArray& bytes);

private:
    // Problems -------------------------------------------------------------------
    void problem(int line, const QString& field, const QString& reason) {
        if (m_stopped)
            return;
        if (m_file.problems.size() >= kMaxProblems) {
            m_file.problems.append(
                {line, {}, QStringLiteral("too many problems; the rest of the file was not read")});
            m_stopped = true;
            return;
        }
        m_file.problems.append({line, field, reason});
    }

    // Reading lines into sections ------------------------------------------------
    bool decodeLines(const QByteArray& bytes);
    void readLine(int number, const QString& text);

    // Values -----------------------------------------------------------------------
    bool toInt(const Entry& e, qint64 min, qint64 max, int& out);
    bool toInts(const Entry& e, int count, QList<int>& out);
    bool toBool(const Entry& e, bool& out);
    bool toColor(const Entry& e, Rgb& out, bool* none = nullptr);
    bool toText(const Entry& e, QString& out, bool allowEmpty = false);
    template <typename T> bool toChoice(const Entry& e, const QList<QPair<QString, T>>& choices, T& out);

    // Sections -------------------------------------------------------------------
    void readPlugin(const Section& s);
    void readTicket(const Section& s);
    void readItem(const Section& s, ItemKind kind);
    void checkWhole();
    const Entry* find(const Section& s, const QString& key) const;

    PluginFile m_file;
    bool m_stopped = false;
    bool m_shiftJis = false;
    QList<Section> m_sections;
    Section* m_current = nullptr;
    int m_itemCount = 0;
    bool m_inBadSection = false; // after an unknown or repeated section header
    // Where the keys of [plugin] and [ticket] were given, for later checks.
    QHash<QString, int> m_pluginLines;
    QHash<QString, int> m_ticketLines;
    QList<QHash<QString, int>> m_itemLines; // per placed item: key -> line
    bool m_sawFormat = false;
    bool m_ticketSizeGiven = false;
};

PluginFile Parser::run(const QByteArray& bytes) {
    m_file.info.FormatVersion = 1;
    m_file.info.PreviewWidth = 3300;
    m_file.info.PreviewHeight = 1395;
    m_file.info.MaxRoute = 999;
    m_file.info.BarcodeRouteMode = 1;
    m_file.info.StopRangeFirst = 1;
    m_file.info.StopRangeLast = 99;
    m_file.ticket.font = QStringLiteral("ＭＳ ゴシック");

    if (bytes.isEmpty()) {
        problem(0, {}, QStringLiteral("the file is empty"));
        return m_file;
    }
    if (!decodeLines(bytes))
        return m_file;

    // [plugin] and [ticket] first: the items take their defaults from the ticket.
    bool sawPlugin = false;
    for (const Section& s : std::as_const(m_sections)) {
        if (s.name == QLatin1String("plugin")) {
            sawPlugin = true;
            readPlugin(s);
        } else if (s.name == QLatin1String("ticket")) {
            readTicket(s);
        }
    }
    for (const Section& s : std::as_const(m_sections)) {
        if (s.name == QLatin1String("plugin") || s.name == QLatin1String("ticket")) {
            continue;
        } else if (s.name == QLatin1String("notes")) {
            QStringList lines;
            for (const auto& [line, text] : s.textLines) {
                if (lines.size() >= kMaxNoteLines) {
                    problem(line, {},
                            QStringLiteral("the notes are longer than %1 lines").arg(kMaxNoteLines));
                    break;
                }
                if (text.size() > kMaxTextLength) {
                    problem(
                        line, {},
                        QStringLiteral("a line of notes is longer than %1 characters").arg(kMaxTextLength));
                    continue;
                }
                lines << text;
            }
            while (!lines.isEmpty() && lines.first().isEmpty())
                lines.removeFirst();
            while (!lines.isEmpty() && lines.last().isEmpty())
                lines.removeLast();
            m_file.notes = lines.join(QLatin1Char('\n'));
        } else if (s.name == QLatin1String("companies")) {
            for (const auto& [line, text] : s.textLines) {
                const QString name = asciiTrimmed(text);
                if (name.isEmpty() || name.startsWith(QLatin1Char('#')) || name.startsWith(QLatin1Char(';')))
                    continue;
                if (m_file.companies.size() >= kMaxCompanies) {
                    problem(line, {}, QStringLiteral("more than %1 company names").arg(kMaxCompanies));
                    break;
                }
                if (name.size() > 40) {
                    problem(line, {}, QStringLiteral("a company name is longer than 40 characters"));
                    continue;
                }
                m_file.companies << name;
            }
        } else {
            readItem(s, itemSections().value(s.name));
        }
    }
    if (!sawPlugin || !m_sawFormat) {
        int line = 1;
        for (const Section& s : std::as_const(m_sections)) {
            if (s.name == QLatin1String("plugin"))
                line = s.line;
        }
        problem(line, {},
                QStringLiteral("not a ticket plug-in: it needs a [plugin] section with \"format = 1\""));
        return m_file;
    }
    checkWhole();
    return m_file;
}

bool Parser::decodeLines(const QByteArray& bytes) {
    // Lines are taken one at a time from the bytes, never copied into a list, so that
    // a file of a quarter of a million empty lines costs no more memory than its size.
    QByteArrayView rest(bytes);
    if (rest.startsWith("\xEF\xBB\xBF"))
        rest = rest.sliced(3);

    // The encoding can be declared on the first line only.
    const qsizetype firstEnd = rest.indexOf('\n');
    const QByteArray first =
        rest.first(std::min<qsizetype>(firstEnd < 0 ? rest.size() : firstEnd, kMaxLineBytes))
            .toByteArray()
            .trimmed();
    if (first.toLower().startsWith("#encoding")) {
        const QByteArray name = first.mid(9).trimmed().toLower();
        if (name == "shift_jis" || name == "shift-jis" || name == "sjis" || name == "cp932" ||
            name == "windows-31j")
            m_shiftJis = true;
        else if (name != "utf-8" && name != "utf8") {
            problem(1, QStringLiteral("encoding"),
                    QStringLiteral("unknown encoding \"%1\" (utf-8 or shift_jis)")
                        .arg(QString::fromLatin1(name.left(40))));
            return false;
        }
    }

    QStringDecoder utf8(QStringDecoder::Utf8, QStringDecoder::Flag::Stateless);
    for (int number = 1; !rest.isEmpty() && !m_stopped; ++number) {
        const qsizetype end = rest.indexOf('\n');
        QByteArrayView line = rest.first(end < 0 ? rest.size() : end);
        rest = end < 0 ? QByteArrayView() : rest.sliced(end + 1);
        if (line.endsWith('\r'))
            line.chop(1);
        if (line.size() > kMaxLineBytes) {
            problem(number, {}, QStringLiteral("the line is longer than %1 bytes").arg(kMaxLineBytes));
            continue;
        }
        if (line.contains('\0')) {
            problem(number, {}, QStringLiteral("the line holds a NUL byte: this is not a text file"));
            if (number == 1)
                return false;
            continue;
        }
        QString text;
        if (m_shiftJis) {
            text = cp932::decode(line.toByteArray());
            if (text.contains(QChar::ReplacementCharacter)) {
                problem(number, {}, QStringLiteral("the line is not valid Shift_JIS"));
                continue;
            }
        } else {
            text = utf8(line);
            if (utf8.hasError()) {
                utf8.resetState();
                problem(number, {},
                        QStringLiteral("the line is not valid UTF-8 (a Shift_JIS file starts with "
                                       "\"#encoding shift_jis\")"));
                continue;
            }
        }
        bool control = false;
        for (QChar c : std::as_const(text)) {
            if ((c.unicode() < 0x20 && c != QLatin1Char('\t')) || c.unicode() == 0x7F)
                control = true;
        }
        if (control) {
            problem(number, {}, QStringLiteral("the line holds a control character"));
            continue;
        }
        if (number > 1 && asciiTrimmed(text).toLower().startsWith(QLatin1String("#encoding"))) {
            problem(number, QStringLiteral("encoding"),
                    QStringLiteral("the encoding can only be declared on the first line"));
            continue;
        }
        readLine(number, text);
    }
    return true;
}

void Parser::readLine(int number, const QString& text) {
    const QString t = asciiTrimmed(text);
    if (t.startsWith(QLatin1Char('[')) && t.endsWith(QLatin1Char(']')) && t.size() >= 2) {
        const QString name = asciiTrimmed(t.mid(1, t.size() - 2)).toLower();
        const bool single = name == QLatin1String("plugin") || name == QLatin1String("notes") ||
                            name == QLatin1String("companies") || name == QLatin1String("ticket");
        m_current = nullptr;
        m_inBadSection = true;
        if (!single && !itemSections().contains(name)) {
            problem(number, {}, QStringLiteral("unknown section [%1]").arg(name.left(40)));
            return;
        }
        if (single) {
            for (const Section& s : std::as_const(m_sections)) {
                if (s.name == name) {
                    problem(number, {},
                            QStringLiteral("section [%1] appears twice (first on line %2)")
                                .arg(name)
                                .arg(s.line));
                    return;
                }
            }
        } else if (++m_itemCount > kMaxItems) {
            problem(number, {}, QStringLiteral("more than %1 placed items").arg(kMaxItems));
            return;
        }
        m_sections.append(Section{name, number, {}, {}});
        m_current = &m_sections.last();
        m_inBadSection = false;
        return;
    }
    if (m_current &&
        (m_current->name == QLatin1String("notes") || m_current->name == QLatin1String("companies"))) {
        QString kept = text;
        while (!kept.isEmpty() && isAsciiSpace(kept.back()))
            kept.chop(1);
        m_current->textLines.append({number, kept});
        return;
    }
    if (t.isEmpty() || t.startsWith(QLatin1Char('#')) || t.startsWith(QLatin1Char(';')))
        return;
    const qsizetype eq = t.indexOf(QLatin1Char('='));
    if (eq < 0) {
        problem(number, {}, QStringLiteral("expected \"key = value\""));
        return;
    }
    const QString key = asciiTrimmed(t.left(eq)).toLower();
    const QString value = asciiTrimmed(t.mid(eq + 1));
    if (key.isEmpty() || !std::all_of(key.begin(), key.end(), isKeyChar)) {
        problem(number, {}, QStringLiteral("\"%1\" is not a key").arg(key.left(40)));
        return;
    }
    if (!m_current) {
        // Keys after an unknown or repeated section header belong to nothing; the
        // header has been reported already.
        if (!m_inBadSection)
            problem(number, key, QStringLiteral("the key comes before any section"));
        return;
    }
    if (!allowedKeys(m_current->name).contains(key)) {
        problem(number, key, QStringLiteral("not a key of [%1]").arg(m_current->name));
        return;
    }
    for (const Entry& e : std::as_const(m_current->entries)) {
        if (e.key == key) {
            problem(number, key, QStringLiteral("given twice in one section (first on line %1)").arg(e.line));
            return;
        }
    }
    m_current->entries.append({key, value, number});
}

// ---- Values ------------------------------------------------------------------------

bool Parser::toInt(const Entry& e, qint64 min, qint64 max, int& out) {
    const QString& v = e.value;
    qsizetype i = 0;
    bool negative = false;
    if (v.startsWith(QLatin1Char('-'))) {
        negative = true;
        i = 1;
    }
    qint64 n = 0;
    bool digits = false;
    for (; i < v.size(); ++i) {
        const QChar c = v.at(i);
        if (c < QLatin1Char('0') || c > QLatin1Char('9')) {
            digits = false;
            break;
        }
        digits = true;
        n = n * 10 + (c.unicode() - '0');
        if (n > 1'000'000'000)
            n = 1'000'000'000; // far out of any range; keeps the arithmetic small
    }
    if (!digits) {
        problem(e.line, e.key, QStringLiteral("\"%1\" is not a whole number").arg(v.left(40)));
        return false;
    }
    if (negative)
        n = -n;
    if (n < min || n > max) {
        problem(e.line, e.key,
                QStringLiteral("%1 is out of range (%2 to %3)").arg(v.left(12)).arg(min).arg(max));
        return false;
    }
    out = int(n);
    return true;
}

bool Parser::toInts(const Entry& e, int count, QList<int>& out) {
    const QStringList parts = e.value.split(QLatin1Char(','));
    if (parts.size() != count) {
        problem(e.line, e.key, QStringLiteral("expected %1 whole numbers separated by commas").arg(count));
        return false;
    }
    out.clear();
    for (const QString& p : parts) {
        Entry one{e.key, asciiTrimmed(p), e.line};
        int n = 0;
        if (!toInt(one, -100000, 100000, n))
            return false;
        out << n;
    }
    return true;
}

bool Parser::toBool(const Entry& e, bool& out) {
    const QString v = e.value.toLower();
    if (v == QLatin1String("1") || v == QLatin1String("yes")) {
        out = true;
        return true;
    }
    if (v == QLatin1String("0") || v == QLatin1String("no")) {
        out = false;
        return true;
    }
    problem(e.line, e.key, QStringLiteral("\"%1\" is neither 1 (yes) nor 0 (no)").arg(e.value.left(40)));
    return false;
}

bool Parser::toColor(const Entry& e, Rgb& out, bool* none) {
    const QString& v = e.value;
    if (none) {
        *none = v.compare(QLatin1String("none"), Qt::CaseInsensitive) == 0;
        if (*none)
            return true;
    }
    bool ok = v.size() == 7 && v.startsWith(QLatin1Char('#'));
    for (qsizetype i = 1; ok && i < 7; ++i)
        ok = QStringLiteral("0123456789abcdefABCDEF").contains(v.at(i));
    if (!ok) {
        problem(e.line, e.key,
                QStringLiteral("\"%1\" is not a colour (#RRGGBB%2)")
                    .arg(v.left(40), none ? QStringLiteral(" or none") : QString()));
        return false;
    }
    out = v.mid(1).toUInt(nullptr, 16);
    return true;
}

bool Parser::toText(const Entry& e, QString& out, bool allowEmpty) {
    QString v = e.value;
    if (v.size() >= 2 && v.startsWith(QLatin1Char('"')) && v.endsWith(QLatin1Char('"')))
        v = v.mid(1, v.size() - 2);
    if (v.size() > kMaxTextLength) {
        problem(e.line, e.key, QStringLiteral("longer than %1 characters").arg(kMaxTextLength));
        return false;
    }
    if (v.isEmpty() && !allowEmpty) {
        problem(e.line, e.key, QStringLiteral("is empty"));
        return false;
    }
    out = v;
    return true;
}

template <typename T> bool Parser::toChoice(const Entry& e, const QList<QPair<QString, T>>& choices, T& out) {
    QStringList names;
    for (const auto& [name, value] : choices) {
        if (e.value.compare(name, Qt::CaseInsensitive) == 0) {
            out = value;
            return true;
        }
        names << name;
    }
    problem(
        e.line, e.key,
        QStringLiteral("\"%1\" is not one of %2").arg(e.value.left(40), names.join(QStringLiteral(", "))));
    return false;
}

const Entry* Parser::find(const Section& s, const QString& key) const {
    for (const Entry& e : s.entries) {
        if (e.key == key)
            return &e;
    }
    return nullptr;
}

// ---- Sections ------------------------------------------------------------------------

void Parser::readPlugin(const Section& s) {
    PluginInfo& info = m_file.info;
    for (const Entry& e : s.entries) {
        m_pluginLines.insert(e.key, e.line);
        int n = 0;
        bool b = false;
        if (e.key == QLatin1String("format")) {
            if (e.value != QLatin1String("1")) {
                problem(e.line, e.key,
                        QStringLiteral("format %1 is not known (this program reads format 1)")
                            .arg(e.value.left(12)));
                continue;
            }
            m_sawFormat = true;
        } else if (e.key == QLatin1String("name")) {
            toText(e, m_file.name);
        } else if (e.key == QLatin1String("preview-width")) {
            if (toInt(e, kMinPreviewTwips, kMaxPreviewTwips, n))
                info.PreviewWidth = n;
        } else if (e.key == QLatin1String("preview-height")) {
            if (toInt(e, kMinPreviewTwips, kMaxPreviewTwips, n))
                info.PreviewHeight = n;
        } else if (e.key.startsWith(QLatin1String("print-")) && pluginKeys().contains(e.key)) {
            if (!toBool(e, b))
                continue;
            qint32* field = e.key == QLatin1String("print-date")    ? &info.CanPrintDate
                            : e.key == QLatin1String("print-time")  ? &info.CanPrintTime
                            : e.key == QLatin1String("print-route") ? &info.CanPrintRoute
                            : e.key == QLatin1String("print-stop")  ? &info.CanPrintStop
                                                                    : &info.CanPrintBarcode;
            *field = b ? 1 : 0;
        } else if (e.key == QLatin1String("max-route")) {
            if (toInt(e, 1, 99999, n))
                info.MaxRoute = n;
        } else if (e.key == QLatin1String("barcode-route-mode")) {
            if (toInt(e, 0, 9, n))
                info.BarcodeRouteMode = n;
        } else if (e.key == QLatin1String("stop-first")) {
            if (toInt(e, 0, 9999, n))
                info.StopRangeFirst = n;
        } else if (e.key == QLatin1String("stop-last")) {
            if (toInt(e, 0, 9999, n))
                info.StopRangeLast = n;
        } else {
            problem(e.line, e.key, QStringLiteral("not a key of [plugin]"));
        }
    }
}

void Parser::readTicket(const Section& s) {
    TicketLayout& t = m_file.ticket;
    for (const Entry& e : s.entries) {
        m_ticketLines.insert(e.key, e.line);
        QList<int> v;
        int n = 0;
        if (e.key == QLatin1String("size")) {
            if (toInts(e, 2, v)) {
                if (v[0] < 20 || v[1] < 20)
                    problem(e.line, e.key, QStringLiteral("the ticket must be at least 20 x 20 pixels"));
                else {
                    t.size = QSize(v[0], v[1]);
                    m_ticketSizeGiven = true;
                }
            }
        } else if (e.key == QLatin1String("paper")) {
            toColor(e, t.paper);
        } else if (e.key == QLatin1String("ink")) {
            toColor(e, t.ink);
        } else if (e.key == QLatin1String("border")) {
            bool none = false;
            if (toColor(e, t.border, &none))
                t.hasBorder = !none;
        } else if (e.key == QLatin1String("radius")) {
            if (toInt(e, 0, 20, n))
                t.radius = n;
        } else if (e.key == QLatin1String("font")) {
            toText(e, t.font);
        } else {
            problem(e.line, e.key, QStringLiteral("not a key of [ticket]"));
        }
    }
}

void Parser::readItem(const Section& s, ItemKind kind) {
    LayoutItem item;
    item.kind = kind;
    item.line = s.line;
    item.format = isTextKind(kind) && kind != ItemKind::Text ? defaultFormat(kind) : QString();
    item.align = kind == ItemKind::Number ? Align::Center : Align::Left;
    item.size = kind == ItemKind::Barcode ? 9 : 12;
    item.color = m_file.ticket.ink;
    item.font = m_file.ticket.font;
    const QStringList keys = keysOf(kind);
    bool ok = true;
    for (const Entry& e : s.entries) {
        if (!keys.contains(e.key)) {
            problem(e.line, e.key, QStringLiteral("not a key of [%1]").arg(s.name));
            ok = false;
            continue;
        }
        QList<int> v;
        int n = 0;
        bool b = false;
        if (e.key == QLatin1String("box")) {
            if (!toInts(e, 4, v))
                ok = false;
            else if (v[0] < 0 || v[1] < 0 || v[2] < 1 || v[3] < 1) {
                problem(e.line, e.key,
                        QStringLiteral("x and y must not be negative, width and height at least 1"));
                ok = false;
            } else
                item.box = QRect(v[0], v[1], v[2], v[3]);
        } else if (e.key == QLatin1String("from") || e.key == QLatin1String("to")) {
            if (!toInts(e, 2, v))
                ok = false;
            else if (v[0] < 0 || v[1] < 0) {
                problem(e.line, e.key, QStringLiteral("x and y must not be negative"));
                ok = false;
            } else
                (e.key == QLatin1String("from") ? item.from : item.to) = QPoint(v[0], v[1]);
        } else if (e.key == QLatin1String("font")) {
            ok = toText(e, item.font) && ok;
        } else if (e.key == QLatin1String("size")) {
            if (toInt(e, 4, 200, n))
                item.size = n;
            else
                ok = false;
        } else if (e.key == QLatin1String("weight")) {
            ok = toChoice<bool>(e, {{QStringLiteral("normal"), false}, {QStringLiteral("bold"), true}},
                                item.bold) &&
                 ok;
        } else if (e.key == QLatin1String("align")) {
            ok = toChoice<Align>(e,
                                 {{QStringLiteral("left"), Align::Left},
                                  {QStringLiteral("center"), Align::Center},
                                  {QStringLiteral("right"), Align::Right}},
                                 item.align) &&
                 ok;
        } else if (e.key == QLatin1String("color")) {
            ok = toColor(e, item.color) && ok;
        } else if (e.key == QLatin1String("text")) {
            ok = toText(e, item.format) && ok;
        } else if (e.key == QLatin1String("format")) {
            QString why;
            if (!toText(e, item.format))
                ok = false;
            else if (!checkFormat(kind, item.format, &why)) {
                problem(e.line, e.key, why);
                ok = false;
            }
        } else if (e.key == QLatin1String("symbology")) {
            ok = toChoice<Symbology>(
                     e, {{QStringLiteral("itf"), Symbology::Itf}, {QStringLiteral("nw7"), Symbology::Nw7}},
                     item.symbology) &&
                 ok;
        } else if (e.key == QLatin1String("flag")) {
            ok = toChoice<int>(e,
                               {{QStringLiteral("outbound"), 0},
                                {QStringLiteral("return"), 1},
                                {QStringLiteral("0"), 0},
                                {QStringLiteral("1"), 1}},
                               item.flag) &&
                 ok;
        } else if (e.key == QLatin1String("readable")) {
            if (toBool(e, b))
                item.readable = b;
            else
                ok = false;
        } else if (e.key == QLatin1String("nw7-start") || e.key == QLatin1String("nw7-stop")) {
            QChar c;
            if (toChoice<QChar>(e,
                                {{QStringLiteral("A"), QLatin1Char('A')},
                                 {QStringLiteral("B"), QLatin1Char('B')},
                                 {QStringLiteral("C"), QLatin1Char('C')},
                                 {QStringLiteral("D"), QLatin1Char('D')}},
                                c))
                (e.key == QLatin1String("nw7-start") ? item.nw7Start : item.nw7Stop) = c;
            else
                ok = false;
        } else if (e.key == QLatin1String("line-width")) {
            if (toInt(e, kind == ItemKind::Box ? 0 : 1, 10, n))
                item.lineWidth = n;
            else
                ok = false;
        } else if (e.key == QLatin1String("style")) {
            ok = toChoice<LineStyle>(e,
                                     {{QStringLiteral("solid"), LineStyle::Solid},
                                      {QStringLiteral("dash"), LineStyle::Dash},
                                      {QStringLiteral("dot"), LineStyle::Dot}},
                                     item.style) &&
                 ok;
        } else if (e.key == QLatin1String("fill")) {
            bool none = false;
            if (toColor(e, item.fill, &none))
                item.filled = !none;
            else
                ok = false;
        } else if (e.key == QLatin1String("radius")) {
            if (toInt(e, 0, 50, n))
                item.radius = n;
            else
                ok = false;
        }
    }
    // Keys every item of a kind needs.
    QStringList required;
    if (kind == ItemKind::Line)
        required << QStringLiteral("from") << QStringLiteral("to");
    else
        required << QStringLiteral("box");
    if (kind == ItemKind::Text)
        required << QStringLiteral("text");
    for (const QString& key : std::as_const(required)) {
        if (!find(s, key)) {
            problem(s.line, key, QStringLiteral("[%1] needs \"%2 = ...\"").arg(s.name, key));
            ok = false;
        }
    }
    if (item.symbology == Symbology::Itf &&
        (find(s, QStringLiteral("nw7-start")) || find(s, QStringLiteral("nw7-stop")))) {
        const Entry* e = find(s, QStringLiteral("nw7-start")) ? find(s, QStringLiteral("nw7-start"))
                                                              : find(s, QStringLiteral("nw7-stop"));
        problem(e->line, e->key, QStringLiteral("only an NW-7 barcode has start and stop characters"));
        ok = false;
    }
    if (!ok)
        return;
    m_file.ticket.items.append(item);
    QHash<QString, int> lines;
    for (const Entry& e : s.entries)
        lines.insert(e.key, e.line);
    m_itemLines.append(lines);
}

void Parser::checkWhole() {
    PluginInfo& info = m_file.info;
    TicketLayout& t = m_file.ticket;
    const QSize preview(info.PreviewWidth / kTwipsPerPixel, info.PreviewHeight / kTwipsPerPixel);
    const int sizeLine = m_ticketLines.value(QStringLiteral("size"));
    if (!m_ticketSizeGiven)
        t.size = preview;
    else if (t.size.width() > preview.width() || t.size.height() > preview.height())
        problem(sizeLine, QStringLiteral("size"),
                QStringLiteral("the ticket (%1 x %2) is larger than the preview (%3 x %4 pixels)")
                    .arg(t.size.width())
                    .arg(t.size.height())
                    .arg(preview.width())
                    .arg(preview.height()));
    if (info.StopRangeFirst > info.StopRangeLast)
        problem(m_pluginLines.value(QStringLiteral("stop-last"),
                                    m_pluginLines.value(QStringLiteral("stop-first"))),
                QStringLiteral("stop-last"),
                QStringLiteral("the last stop (%1) comes before the first (%2)")
                    .arg(info.StopRangeLast)
                    .arg(info.StopRangeFirst));

    const QRect paper(QPoint(0, 0), t.size);
    int barcodes = 0;
    for (qsizetype i = 0; i < t.items.size(); ++i) {
        const LayoutItem& item = t.items.at(i);
        const int boxLine = m_itemLines.at(i).value(QStringLiteral("box"), item.line);
        const QString header = QStringLiteral("[%1]").arg(kindName(item.kind));
        if (item.kind == ItemKind::Line) {
            for (const QPoint& p : {item.from, item.to}) {
                if (p.x() > t.size.width() || p.y() > t.size.height()) {
                    const QString key = p == item.from ? QStringLiteral("from") : QStringLiteral("to");
                    problem(m_itemLines.at(i).value(key, item.line), key,
                            QStringLiteral("(%1, %2) lies outside the ticket (%3 x %4)")
                                .arg(p.x())
                                .arg(p.y())
                                .arg(t.size.width())
                                .arg(t.size.height()));
                    break;
                }
            }
            continue;
        }
        if (!paper.contains(item.box)) {
            problem(boxLine, QStringLiteral("box"),
                    QStringLiteral("%1 at %2, %3, %4 x %5 reaches past the ticket (%6 x %7)")
                        .arg(header)
                        .arg(item.box.x())
                        .arg(item.box.y())
                        .arg(item.box.width())
                        .arg(item.box.height())
                        .arg(t.size.width())
                        .arg(t.size.height()));
            continue;
        }
        if (item.kind == ItemKind::Company && m_file.companies.isEmpty())
            problem(item.line, {}, QStringLiteral("[company] is placed but [companies] lists no names"));
        if (item.kind == ItemKind::Barcode) {
            ++barcodes;
            if (info.StopRangeFirst > info.StopRangeLast)
                continue;
            const int digits = barcodeDigits(info, item.symbology);
            const BarPattern pattern =
                encodeBarcode(item.symbology, QString(digits, QLatin1Char('0')), item.nw7Start, item.nw7Stop);
            const int needWidth = pattern.modules + 2 * kQuietModules;
            const int needHeight = 8 + (item.readable ? item.size + 1 : 0);
            if (pattern.isEmpty() || item.box.width() < needWidth)
                problem(boxLine, QStringLiteral("box"),
                        QStringLiteral("a %1-digit barcode needs a box at least %2 pixels wide (is %3)")
                            .arg(digits)
                            .arg(needWidth)
                            .arg(item.box.width()));
            else if (item.box.height() < needHeight)
                problem(boxLine, QStringLiteral("box"),
                        QStringLiteral("the barcode needs a box at least %1 pixels high (is %2)")
                            .arg(needHeight)
                            .arg(item.box.height()));
        }
    }
    if (info.CanPrintBarcode == 1 && barcodes == 0)
        problem(m_pluginLines.value(QStringLiteral("print-barcode")), QStringLiteral("print-barcode"),
                QStringLiteral("the plug-in prints barcodes but places no [barcode]"));
    info.BarcodeCount = barcodes;
    info.CompanyCount = int(m_file.companies.size());
}

} // namespace

QString Problem::text() const {
    if (line <= 0)
        return reason;
    if (field.isEmpty())
        return QStringLiteral("line %1: %2").arg(line).arg(reason);
    return QStringLiteral("line %1, field %2: %3").arg(line).arg(field, reason);
}

QString kindName(ItemKind kind) {
    const auto& map = itemSections();
    for (auto it = map.begin(); it != map.end(); ++it) {
        if (it.value() == kind)
            return it.key();
    }
    return {};
}

PluginFile parsePlugin(const QByteArray& bytes) {
    return Parser().run(bytes);
}

PluginFile loadPlugin(const QString& path) {
    auto refuse = [](const QString& reason) {
        PluginFile f;
        f.problems.append({0, {}, reason});
        return f;
    };
    if (path.isEmpty())
        return refuse(QStringLiteral("no plug-in file given"));
    // Opened without blocking, so that a named pipe cannot hold the program; only a
    // regular file of at most kMaxPluginBytes is read, and never more than that.
    const QByteArray name = QFile::encodeName(path);
    const int fd = ::open(name.constData(), O_RDONLY | O_NONBLOCK | O_CLOEXEC | O_NOCTTY);
    if (fd < 0)
        return refuse(
            QStringLiteral("cannot open the file: %1").arg(QString::fromLocal8Bit(std::strerror(errno))));
    struct FdCloser {
        int fd;
        ~FdCloser() { ::close(fd); }
    } closer{fd};
    struct stat st {};
    if (::fstat(fd, &st) != 0)
        return refuse(
            QStringLiteral("cannot read the file: %1").arg(QString::fromLocal8Bit(std::strerror(errno))));
    if (!S_ISREG(st.st_mode))
        return refuse(QStringLiteral("not a regular file"));
    if (st.st_size > kMaxPluginBytes)
        return refuse(QStringLiteral("the file is larger than %1 bytes").arg(kMaxPluginBytes));
    QByteArray bytes(kMaxPluginBytes + 1, Qt::Uninitialized);
    qint64 got = 0;
    while (got < bytes.size()) {
        const ssize_t n = ::read(fd, bytes.data() + got, size_t(bytes.size() - got));
        if (n < 0 && errno == EINTR)
            continue;
        if (n < 0)
            return refuse(
                QStringLiteral("cannot read the file: %1").arg(QString::fromLocal8Bit(std::strerror(errno))));
        if (n == 0)
            break;
        got += n;
    }
    if (got > kMaxPluginBytes)
        return refuse(QStringLiteral("the file is larger than %1 bytes").arg(kMaxPluginBytes));
    bytes.truncate(got);
    return parsePlugin(bytes);
}

} // namespace plugins
