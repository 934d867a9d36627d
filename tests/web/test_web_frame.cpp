// The signs' part of the board page's frame: the page rebuilds each sign from it, so the
// parts it carries must give back the dots the program lays out.
#include "stopname/GlyphSource.h"
#include "web/WebFrame.h"

#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>
#include <gtest/gtest.h>

using namespace signs;

namespace {

// The dots of hexadecimal rows as the page reads them.
DotImage fromHex(const QString& rows, int w, int h, Ink ink) {
    DotImage out(w, h);
    const int per = (w + 3) / 4;
    for (int y = 0; y < h; ++y) {
        for (int x = 0; x < w; ++x) {
            const int digit = rows.mid(y * per + x / 4, 1).toInt(nullptr, 16);
            if (digit >> (3 - x % 4) & 1)
                out.set(x, y, ink);
        }
    }
    return out;
}

QRect rectOf(const QJsonValue& v) {
    const QJsonArray a = v.toArray();
    return QRect(a[0].toInt(), a[1].toInt(), a[2].toInt(), a[3].toInt());
}

// What stands still on a sign, built from its parts in the frame as the page builds it.
DotImage stillFromJson(const QJsonObject& l, QSize size) {
    DotImage out(size.width(), size.height());
    if (l.contains("box")) {
        const QRect box = rectOf(l["box"]);
        for (int y = box.top(); y <= box.bottom(); ++y) {
            for (int x = box.left(); x <= box.right(); ++x) {
                const bool edge = y == box.top() || y == box.bottom() || x == box.left() || x == box.right();
                out.set(x, y, edge ? Ink::Frame : (l["filled"].toBool() ? Ink::BoxFill : Ink::Off));
            }
        }
        const QJsonObject n = l["number"].toObject();
        const QJsonArray at = n["at"].toArray(), sz = n["size"].toArray();
        out.draw(fromHex(n["rows"].toString(), sz[0].toInt(), sz[1].toInt(), Ink::Number), at[0].toInt(),
                 at[1].toInt(), box.adjusted(1, 1, -1, -1), Ink::Number);
    }
    for (const QJsonValue& v : l["lines"].toArray()) {
        const QJsonObject line = v.toObject();
        const QRect area = rectOf(line["area"]);
        const QJsonArray sz = line["size"].toArray();
        if (sz[0].toInt() > area.width())
            continue;
        out.draw(fromHex(line["rows"].toString(), sz[0].toInt(), sz[1].toInt(), Ink::Text),
                 area.x() + (area.width() - sz[0].toInt()) / 2, area.y(), area, Ink::Text);
    }
    return out;
}

QJsonObject framePart(const web::SignsView& v) {
    web::ViewState s;
    s.signs = v;
    const QByteArray text = web::stampFrame(web::encodeFrameBody(s, 540), 7, 1000);
    QJsonParseError error;
    const QJsonDocument doc = QJsonDocument::fromJson(text, &error);
    EXPECT_EQ(error.error, QJsonParseError::NoError) << text.constData();
    return doc.object()["signs"].toObject();
}

TEST(WebFrameSigns, DotRowsAsHex) {
    struct Case {
        int w, h;
        QList<QPoint> lit;
        const char* hex;
    } cases[] = {
        {4, 1, {}, "0"},
        {4, 1, {{0, 0}}, "8"},
        {5, 2, {{0, 0}, {4, 1}}, "8008"},
        {8, 1, {{3, 0}, {4, 0}, {7, 0}}, "19"},
        {0, 0, {}, ""},
    };
    for (const Case& c : cases) {
        DotImage d(c.w, c.h);
        for (QPoint p : c.lit)
            d.set(p.x(), p.y(), Ink::Text);
        EXPECT_EQ(web::dotRowsHex(d), QString::fromLatin1(c.hex)) << c.w << "x" << c.h;
    }
}

TEST(WebFrameSigns, EachSignRebuildsFromItsParts) {
    struct Case {
        SignText text;
        LedColour colour;
        int alternate;
        bool scrolls; // the front's destination is too long for it
    } cases[] = {
        {{"12", "椿原営業所", "緑ヶ丘団地経由", "Tsubakihara Depot", "via Midorigaoka"},
         LedColour::Amber,
         3,
         false},
        {{"循環", "室蘭駅", "", "", ""}, LedColour::Full, 3, false},
        {{"9000", "東室蘭駅東口経由地球岬団地行き", "", "Chikyu-misaki", ""}, LedColour::Green, 0, true},
        {{}, LedColour::White, 3, false},
    };
    chimei::GlyphSource& glyphs = chimei::GlyphSource::shared();
    for (const Case& c : cases) {
        SCOPED_TRACE(c.text.destination.toStdString());
        web::SignsView v;
        v.text = c.text;
        v.colour = c.colour;
        v.settings.alternate = c.alternate;
        v.settings.fillBox = c.colour == LedColour::Full;
        v.clockStart = 1765000000123;
        v.japaneseMs = languageMs(c.text, Lang::Japanese, v.settings, glyphs, 7);
        v.englishMs = c.alternate > 0 && c.text.hasEnglish() ? 3000 : 0;
        for (SignKind kind : kAllSigns) {
            for (Lang lang : {Lang::Japanese, Lang::English})
                v.layouts[size_t(kind)][size_t(lang)] =
                    layoutSign(kind, c.text, lang, glyphs, v.settings.fillBox);
        }
        const QJsonObject o = framePart(v);
        EXPECT_EQ(o["number"].toString(), c.text.number);
        EXPECT_EQ(o["colour"].toString(), colourName(c.colour));
        EXPECT_EQ(o["inks"].toObject()["frame"].toString(),
                  QStringLiteral("#%1").arg(inkColour(c.colour, Ink::Frame), 6, 16, QLatin1Char('0')));
        EXPECT_EQ(qint64(o["start"].toDouble()), v.clockStart);
        EXPECT_EQ(qint64(o["ja"].toDouble()), v.japaneseMs);
        EXPECT_EQ(qint64(o["en"].toDouble()), v.englishMs);
        EXPECT_EQ(o["speed"].toInt(), v.settings.speed);
        EXPECT_EQ(o["pause"].toInt(), v.settings.pause);
        for (SignKind kind : kAllSigns) {
            const QJsonObject sign = o[kindName(kind)].toObject();
            EXPECT_EQ(sign["size"].toArray(), (QJsonArray{signSize(kind).width(), signSize(kind).height()}));
            // English goes only where the signs show it.
            EXPECT_EQ(sign.contains("en"), v.englishMs > 0);
            for (Lang lang : {Lang::Japanese, Lang::English}) {
                if (!sign.contains(langName(lang)))
                    continue;
                const QJsonObject l = sign[langName(lang)].toObject();
                const SignLayout& laid = v.layouts[size_t(kind)][size_t(lang)];
                EXPECT_EQ(l["text"].toString(), shownText(kind, c.text, lang));
                EXPECT_EQ(stillFromJson(l, signSize(kind)), laid.still) << kindName(kind).toStdString();
                ASSERT_EQ(l["lines"].toArray().size(), qsizetype(laid.lines.size()));
            }
        }
        if (c.scrolls) {
            const QJsonObject line = o["front"].toObject()["ja"].toObject()["lines"][0].toObject();
            EXPECT_GT(line["size"].toArray()[0].toInt(), rectOf(line["area"]).width());
        }
    }
}

TEST(WebFrameSigns, ASignChangeIsAnotherFrame) {
    web::ViewState a, b;
    EXPECT_TRUE(a.sameAs(b));
    b.signs.clockStart = 1;
    EXPECT_FALSE(a.sameAs(b));
    b = a;
    b.signs.colour = LedColour::Green;
    EXPECT_FALSE(a.sameAs(b));
}

} // namespace
