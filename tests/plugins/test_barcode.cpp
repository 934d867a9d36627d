// The barcode symbols and the number a ticket's barcode holds.
#include "plugins/Barcode.h"

#include <gtest/gtest.h>

using namespace plugins;

namespace {

TEST(Barcode, KnownEncodings) {
    struct Case {
        Symbology symbology;
        const char* value;
        char start, stop;
        QList<int> elements;
    };
    const Case cases[] = {
        // ITF: start n n n n; the pair "12" interleaves 1 = W N N N W (bars) with
        // 2 = N W N N W (spaces); stop W n n. Wide elements are three modules.
        {Symbology::Itf, "12", 'A', 'A', {1, 1, 1, 1, 3, 1, 1, 3, 1, 1, 1, 1, 3, 3, 3, 1, 1}},
        // NW-7: A = 0011010, 1 = 0000110, B = 0101001 (1 = wide, two modules), one
        // narrow space between characters.
        {Symbology::Nw7, "1", 'A', 'B', {1, 1, 2, 2, 1, 2, 1, 1, 1, 1, 1, 1,
                                         2, 2, 1, 1, 1, 2, 1, 2, 1, 1, 2}},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.value);
        QString error;
        const BarPattern p = encodeBarcode(c.symbology, QString::fromLatin1(c.value), QLatin1Char(c.start),
                                           QLatin1Char(c.stop), &error);
        EXPECT_EQ(p.elements, c.elements) << error.toStdString();
        int sum = 0;
        for (int e : p.elements)
            sum += e;
        EXPECT_EQ(p.modules, sum);
    }
}

TEST(Barcode, WidthGrowsByEighteenModulesPerItfPair) {
    for (int digits : {2, 6, 10}) {
        const BarPattern p = encodeBarcode(Symbology::Itf, QString(digits, QLatin1Char('7')));
        EXPECT_EQ(p.modules, 4 + 9 * digits + 5) << digits;
    }
}

TEST(Barcode, ValuesASymbologyCannotHold) {
    struct Case {
        Symbology symbology;
        QString value;
        QChar start;
    };
    const Case cases[] = {
        {Symbology::Itf, QStringLiteral("123"), QLatin1Char('A')},
        {Symbology::Itf, QStringLiteral("12a4"), QLatin1Char('A')},
        {Symbology::Itf, QString(), QLatin1Char('A')},
        {Symbology::Nw7, QStringLiteral("１２"), QLatin1Char('A')},
        {Symbology::Nw7, QStringLiteral("12"), QLatin1Char('E')},
        {Symbology::Itf, QString(42, QLatin1Char('1')), QLatin1Char('A')},
    };
    for (const Case& c : cases) {
        QString error;
        EXPECT_TRUE(encodeBarcode(c.symbology, c.value, c.start, QLatin1Char('A'), &error).isEmpty())
            << c.value.toStdString();
        EXPECT_FALSE(error.isEmpty());
    }
}

TEST(Barcode, ValueByRouteMode) {
    PluginInfo info;
    info.MaxRoute = 999;
    info.StopRangeFirst = 1;
    info.StopRangeLast = 99;
    struct Case {
        qint32 mode, first;
        Symbology symbology;
        int flag;
        qint32 route;
        qint16 ticket, row;
        const char* value; // "" = no barcode
    };
    const Case cases[] = {
        // Route number + outbound/return flag + ticket number.
        {2, 1, Symbology::Itf, 0, 12, 5, 7, "012005"},
        {0, 1, Symbology::Itf, 1, 12, 5, 7, "012105"},
        {2, 1, Symbology::Nw7, 1, 3, 14, 2, "003114"},
        // Serial numbering: the stop's place along the route from StopRangeFirst.
        {1, 1, Symbology::Nw7, 1, 12, 5, 7, "01207"},
        {1, 1, Symbology::Itf, 0, 12, 5, 7, "001207"}, // ITF: odd length gets a leading 0
        {1, 0, Symbology::Nw7, 0, 999, 5, 1, "99900"},
        // Out of the plug-in's ranges: no barcode.
        {2, 1, Symbology::Itf, 0, 0, 5, 7, ""},
        {2, 1, Symbology::Itf, 0, 1000, 5, 7, ""},
        {2, 1, Symbology::Itf, 0, 12, 0, 7, ""},
        {2, 1, Symbology::Itf, 0, 12, 100, 7, ""},
        {1, 1, Symbology::Itf, 0, 12, 5, 99, "001299"},
        {1, 1, Symbology::Itf, 0, 12, 5, 100, ""},
        {1, 1, Symbology::Itf, 0, 12, 5, -32768, ""},
    };
    for (const Case& c : cases) {
        info.BarcodeRouteMode = c.mode;
        info.StopRangeFirst = c.first;
        QString why;
        const QString value = barcodeValue(info, c.symbology, c.flag, c.route, c.ticket, c.row, &why);
        EXPECT_EQ(value, QString::fromLatin1(c.value))
            << c.mode << " " << c.route << " " << c.ticket << " " << c.row;
        EXPECT_EQ(why.isEmpty(), !value.isEmpty());
        if (!value.isEmpty()) {
            EXPECT_EQ(value.size(), barcodeDigits(info, c.symbology));
        }
    }
}

} // namespace
