#include "web/WebFrame.h"

#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>
#include <cmath>

namespace web {
namespace {

QJsonArray rectJson(const Rect& r) {
    return QJsonArray{r.x, r.y, r.w, r.h};
}

QJsonObject digitJson(const DigitLayout& d) {
    return QJsonObject{{"rect", rectJson(d.rect)},
                       {"places", d.places},
                       {"place", QJsonArray{d.placeWidth, d.placeHeight}},
                       {"gap", d.gap},
                       {"glyphs", d.glyphSet}};
}

// A member of an object's text: "KEY":VALUE.
QByteArray member(const char* key, const QJsonValue& value) {
    const QByteArray wrapped = QJsonDocument(QJsonArray{value}).toJson(QJsonDocument::Compact);
    return QByteArray("\"") + key + "\":" + wrapped.mid(1, wrapped.size() - 2);
}

QString hexRow(quint64 bits) {
    return QStringLiteral("%1").arg(bits, 10, 16, QLatin1Char('0'));
}

QJsonArray rectJson(const QRect& r) {
    return QJsonArray{r.x(), r.y(), r.width(), r.height()};
}

QString rgbText(quint32 rgb) {
    return QStringLiteral("#%1").arg(rgb & 0xFFFFFF, 6, 16, QLatin1Char('0'));
}

// One sign in one language: the text it shows, the number box, the number and each
// line of text with the dots of each.
QJsonObject signLayoutJson(signs::SignKind kind, const SignText& text, signs::Lang lang,
                           const signs::SignLayout& l) {
    QJsonObject o{{"text", signs::shownText(kind, text, lang)}};
    if (!l.box.isEmpty()) {
        o.insert("box", rectJson(l.box));
        o.insert("filled", l.boxFilled);
        o.insert("number", QJsonObject{{"at", QJsonArray{l.numberAt.x(), l.numberAt.y()}},
                                       {"size", QJsonArray{l.number.width(), l.number.height()}},
                                       {"rows", dotRowsHex(l.number)}});
    }
    QJsonArray lines;
    for (const signs::TextArea& t : l.lines)
        lines << QJsonObject{{"area", rectJson(t.area)},
                             {"size", QJsonArray{t.text.width(), t.text.height()}},
                             {"rows", dotRowsHex(t.text)}};
    o.insert("lines", lines);
    return o;
}

QJsonObject signsJson(const SignsView& v) {
    using signs::Ink;
    const QJsonObject inks{{"text", rgbText(signs::inkColour(v.colour, Ink::Text))},
                           {"frame", rgbText(signs::inkColour(v.colour, Ink::Frame))},
                           {"fill", rgbText(signs::inkColour(v.colour, Ink::BoxFill))},
                           {"number", rgbText(signs::inkColour(v.colour, Ink::Number))},
                           {"unlit", rgbText(signs::kUnlitColour)},
                           {"back", rgbText(signs::kSignBackColour)}};
    QJsonObject o{{"number", v.text.number},
                  {"colour", signs::colourName(v.colour)},
                  {"inks", inks},
                  {"start", double(v.clockStart)},
                  {"ja", double(v.japaneseMs)},
                  {"en", double(v.englishMs)},
                  {"speed", v.settings.speed},
                  {"pause", v.settings.pause}};
    const bool english = v.englishMs > 0;
    for (signs::SignKind kind : signs::kAllSigns) {
        const auto& l = v.layouts[size_t(kind)];
        const QSize size = signs::signSize(kind);
        QJsonObject sign{{"size", QJsonArray{size.width(), size.height()}},
                         {"ja", signLayoutJson(kind, v.text, signs::Lang::Japanese, l[0])}};
        if (english)
            sign.insert("en", signLayoutJson(kind, v.text, signs::Lang::English, l[1]));
        o.insert(signs::kindName(kind), sign);
    }
    return o;
}

} // namespace

QString dotRowsHex(const signs::DotImage& dots) {
    static const char digits[] = "0123456789abcdef";
    const int perRow = (dots.width() + 3) / 4;
    QString out(perRow * dots.height(), QLatin1Char('0'));
    for (int y = 0; y < dots.height(); ++y) {
        for (int d = 0; d < perRow; ++d) {
            int v = 0;
            for (int b = 0; b < 4; ++b)
                v = v << 1 | (dots.isLit(d * 4 + b, y) ? 1 : 0);
            out[y * perRow + d] = QLatin1Char(digits[v]);
        }
    }
    return out;
}

bool ViewState::sameAs(const ViewState& o) const {
    return displays == o.displays && formats == o.formats && fares == o.fares && labels == o.labels &&
           stopName == o.stopName && stopNameSerial == o.stopNameSerial && stripHeight == o.stripHeight &&
           stripRows == o.stripRows && stripScrolls == o.stripScrolls && scrollSpeed == o.scrollSpeed &&
           scrollWait == o.scrollWait && clockVisible == o.clockVisible && clockShown == o.clockShown &&
           backlight == o.backlight && panel == o.panel && digitBack == o.digitBack &&
           digitUnlit == o.digitUnlit && digitLit == o.digitLit && stripBack == o.stripBack &&
           stripFore == o.stripFore && roundDots == o.roundDots && glow == o.glow && console == o.console &&
           signs == o.signs;
}

QString cssColor(std::uint32_t c) {
    return QStringLiteral("#%1%2%3")
        .arg(c & 0xFF, 2, 16, QLatin1Char('0'))
        .arg((c >> 8) & 0xFF, 2, 16, QLatin1Char('0'))
        .arg((c >> 16) & 0xFF, 2, 16, QLatin1Char('0'));
}

QByteArray encodeLayout(const BoardLayout& layout) {
    QJsonArray displays, clock, labels, glyphSets;
    for (const DigitLayout& d : layout.displays)
        displays << digitJson(d);
    for (const DigitLayout& d : layout.clock)
        clock << digitJson(d);
    for (const LabelLayout& l : layout.labels)
        labels << QJsonObject{{"rect", rectJson(l.rect)}, {"points", l.points}, {"bold", l.bold}};
    for (const GlyphSet& set : layout.glyphSets) {
        QJsonObject outlines;
        for (auto it = set.begin(); it != set.end(); ++it)
            outlines.insert(it.key(), it.value());
        glyphSets << outlines;
    }
    const QJsonObject o{{"type", "layout"},
                        {"size", QJsonArray{layout.width, layout.height}},
                        {"displays", displays},
                        {"clock", clock},
                        {"labels", labels},
                        {"strip", rectJson(layout.strip)},
                        {"stripViewport", rectJson(layout.stripViewport)},
                        {"glyphSets", glyphSets}};
    return QJsonDocument(o).toJson(QJsonDocument::Compact);
}

QByteArray encodeFrameBody(const ViewState& s, int utcOffsetMinutes) {
    QJsonArray formats, labels, rows;
    for (const QList<int>& f : s.formats)
        formats << QJsonArray::fromVariantList({f.value(0), f.value(1), f.value(2)});
    for (const LabelState& l : s.labels)
        labels << QJsonObject{{"text", l.text}, {"visible", l.visible}, {"color", cssColor(l.color)}};
    QString dots;
    dots.reserve(s.stripRows.size() * 10);
    for (quint64 r : s.stripRows)
        dots += hexRow(r);
    const QJsonObject strip{{"height", s.stripHeight},
                            {"rows", dots},
                            {"scrolls", s.stripScrolls},
                            {"speed", s.scrollSpeed},
                            {"wait", s.scrollWait},
                            {"back", cssColor(s.stripBack)},
                            {"fore", cssColor(s.stripFore)},
                            {"roundDots", s.roundDots},
                            {"glow", s.glow}};
    const QJsonObject look{{"backlight", s.backlight},
                           {"panel", s.panel},
                           {"digitBack", cssColor(s.digitBack)},
                           {"digitUnlit", cssColor(s.digitUnlit)},
                           {"digitLit", cssColor(s.digitLit)}};
    const QJsonObject clock{{"visible", s.clockVisible},
                            {"shown", s.clockShown},
                            {"places", QJsonArray::fromStringList(s.clockPlaces)},
                            {"utcOffset", utcOffsetMinutes}};
    QByteArray out;
    out += member("displays", QJsonArray::fromStringList(s.displays)) + ',';
    out += member("formats", formats) + ',';
    out += member("fares", s.fares) + ',';
    out += member("labels", labels) + ',';
    out += member("stopName", s.stopName) + ',';
    out += member("stopNameSerial", QString::number(s.stopNameSerial)) + ',';
    out += member("strip", strip) + ',';
    out += member("clock", clock) + ',';
    out += member("look", look) + ',';
    const ConsoleState& c = s.console;
    out += member("console", QJsonObject{{"clear", c.clear},
                                         {"lateNight", c.lateNight},
                                         {"back", c.back},
                                         {"next", c.next},
                                         {"entry", c.entry},
                                         {"tape", c.tape}}) +
           ',';
    out += member("signs", signsJson(s.signs));
    return out;
}

QByteArray stampFrame(const QByteArray& body, quint64 sequence, qint64 sentMs) {
    return "{\"type\":\"frame\",\"seq\":" + QByteArray::number(sequence) +
           ",\"sent\":" + QByteArray::number(sentMs) + ',' + body + '}';
}

void PathText::add(QChar op, std::initializer_list<double> values) {
    m_text += op;
    for (double v : values) {
        const double rounded = std::round(v * 100.0) / 100.0;
        if (!m_text.endsWith(op))
            m_text += QLatin1Char(' ');
        m_text += QString::number(rounded == 0 ? 0.0 : rounded, 'g', 8);
    }
}

void PathText::moveTo(double x, double y) {
    add(QLatin1Char('M'), {x, y});
}
void PathText::lineTo(double x, double y) {
    add(QLatin1Char('L'), {x, y});
}
void PathText::cubicTo(double x1, double y1, double x2, double y2, double x, double y) {
    add(QLatin1Char('C'), {x1, y1, x2, y2, x, y});
}
void PathText::close() {
    m_text += QLatin1Char('Z');
}

} // namespace web
