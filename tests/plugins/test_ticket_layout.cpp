// The ticket as drawing items: formats, which items a plug-in prints, the company
// choice and the barcode's bars.
#include "PluginTestFiles.h"
#include "plugins/TicketLayout.h"

#include <gtest/gtest.h>

using namespace plugins;

namespace {

TicketValues values() {
    TicketValues v;
    v.routeNumber = 12;
    v.ticketNumber = 5;
    v.row = 7;
    v.stopName = QStringLiteral("椿原駅前");
    v.dateText = QStringLiteral("05-12-2024");
    v.timeText = QStringLiteral("14:05:09");
    v.company = QStringLiteral("椿原交通");
    return v;
}

QStringList texts(const TicketDrawing& d) {
    QStringList out;
    for (const DrawItem& i : d.items) {
        if (i.kind == DrawKind::Text)
            out << i.text;
    }
    return out;
}

TEST(TicketFormat, Placeholders) {
    struct Case {
        ItemKind kind;
        const char* format;
        const char* date;
        const char* expected;
    };
    const Case cases[] = {
        {ItemKind::Number, "{}", "", "5"},
        {ItemKind::Number, "No.{000}", "", "No.005"},
        {ItemKind::Row, "{00}", "", "07"},
        {ItemKind::Route, "{{{}}}系統", "", "{12}系統"},
        {ItemKind::Stop, "{}　乗車", "", "椿原駅前　乗車"},
        {ItemKind::Company, "{}", "", "椿原交通"},
        {ItemKind::Date, "{yyyy}年{M}月{d}日", "05-12-2024", "2024年5月12日"},
        {ItemKind::Date, "{yy}.{MM}.{dd}", "2024/01/02", "24.01.02"},
        {ItemKind::Date, "[{}]", "2024/01/02", "[2024/01/02]"},
        {ItemKind::Date, "{yyyy}年", "2024年1月", "2024年1月"}, // not a known form: shown as it came
        {ItemKind::Date, "{yyyy}", "02-30-2024", "02-30-2024"}, // no such day
        {ItemKind::Time, "{H}時{mm}分{ss}", "", "14時05分09"},
    };
    for (const Case& c : cases) {
        TicketValues v = values();
        if (*c.date)
            v.dateText = QString::fromUtf8(c.date);
        QString why;
        ASSERT_TRUE(checkFormat(c.kind, QString::fromUtf8(c.format), &why))
            << c.format << " " << why.toStdString();
        EXPECT_EQ(formatItem(c.kind, QString::fromUtf8(c.format), v), QString::fromUtf8(c.expected))
            << c.format;
    }
}

TEST(TicketLayout, ItemsFollowThePluginsCapabilities) {
    PluginFile plugin = loadPlugin(samplePath("barcode.4SP"));
    ASSERT_TRUE(plugin.valid());
    const QStringList all = texts(layoutTicket(plugin, values(), -1));
    EXPECT_TRUE(all.contains(QStringLiteral("2024年05月12日")));
    EXPECT_TRUE(all.contains(QStringLiteral("14:05 発")));
    EXPECT_TRUE(all.contains(QStringLiteral("012系統")));
    EXPECT_TRUE(all.contains(QStringLiteral("椿原駅前")));
    EXPECT_TRUE(all.contains(QStringLiteral("5")));

    plugin.info.CanPrintDate = 0;
    plugin.info.CanPrintTime = 0;
    plugin.info.CanPrintRoute = 2; // only 1 means "can"
    plugin.info.CanPrintStop = 0;
    plugin.info.CanPrintBarcode = 0;
    const TicketDrawing bare = layoutTicket(plugin, values(), -1);
    EXPECT_EQ(texts(bare),
              (QStringList{QStringLiteral("整理券"), QStringLiteral("椿原交通"), QStringLiteral("5"),
                           QStringLiteral("降車の際、運賃と一緒に運賃箱へお入れください")}));
    EXPECT_TRUE(bare.barcodeValues.isEmpty());
}

TEST(TicketLayout, CompanyFollowsTheControllersChoice) {
    const PluginFile plugin = loadPlugin(samplePath("companies.4SP"));
    ASSERT_TRUE(plugin.valid());
    const struct {
        int index;
        const char* name;
    } cases[] = {
        {0, "椿原交通"}, {1, "椿原市営バス"}, {2, "奥椿観光バス"}, {-1, "椿原交通"}, {3, "椿原交通"}};
    for (const auto& c : cases)
        EXPECT_EQ(texts(layoutTicket(plugin, values(), c.index)).first(), QString::fromUtf8(c.name))
            << c.index;
}

TEST(TicketLayout, BarcodeBarsAreWholePixelsCentredInTheirBox) {
    const PluginFile plugin = loadPlugin(samplePath("barcode.4SP"));
    const TicketDrawing d = layoutTicket(plugin, values(), -1);
    ASSERT_EQ(d.barcodeValues, QStringList{QStringLiteral("012005")});
    QList<QRect> bars;
    for (const DrawItem& i : d.items) {
        if (i.kind == DrawKind::Bar)
            bars << i.rect;
    }
    // ITF, 6 digits: 63 modules; the 172-pixel box gives two pixels per module.
    ASSERT_EQ(bars.size(), 2 + 3 * 5 + 2); // start, five bars per digit pair, stop
    EXPECT_EQ(bars.first().width(), 2);
    EXPECT_EQ(bars.last().right() + 1 - bars.first().left(), 126);
    EXPECT_EQ(bars.first().left() - 20, (172 - 126) / 2);
    EXPECT_TRUE(texts(d).contains(QStringLiteral("012005"))); // the digits under the bars

    // A ticket number the plug-in does not recognise gets a note instead of bars.
    TicketValues v = values();
    v.ticketNumber = 100;
    const TicketDrawing none = layoutTicket(plugin, v, -1);
    EXPECT_EQ(none.barcodeValues, QStringList{QString()});
    EXPECT_TRUE(texts(none).contains(QStringLiteral("（バーコード対象外）")));
}

TEST(TicketLayout, InvalidPluginDrawsNothing) {
    const TicketDrawing d = layoutTicket(parsePlugin("[plugin]\nformat = 9\n"), values(), -1);
    EXPECT_TRUE(d.items.isEmpty());
}

} // namespace
