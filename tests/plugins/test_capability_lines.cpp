// The capability list of the options dialog's plug-in page, word for word.
#include "plugins/PluginInfo.h"

#include <gtest/gtest.h>

using namespace plugins;

namespace {

PluginInfo withBarcode(qint32 mode, qint32 maxRoute = 999) {
    PluginInfo i;
    i.CanPrintDate = 1;
    i.CanPrintTime = 0;
    i.CanPrintRoute = 1;
    i.CanPrintStop = 1;
    i.CanPrintBarcode = 1;
    i.BarcodeCount = 2;
    i.MaxRoute = maxRoute;
    i.BarcodeRouteMode = mode;
    i.StopRangeFirst = 0;
    i.StopRangeLast = 250;
    return i;
}

TEST(CapabilityLines, SixLinesWithoutBarcodesTenWithThem) {
    PluginInfo none;
    none.CanPrintStop = 1;
    none.CanPrintTime = 2; // anything but 1 is "cannot"
    none.MaxRoute = 999;   // barcode details are not shown without barcodes
    EXPECT_EQ(capabilityLines(none), (QStringList{
                                         QStringLiteral("日付の印字 ---> 不可"),
                                         QStringLiteral("時刻の印字 ---> 不可"),
                                         QStringLiteral("系統番号の印字 ---> 不可"),
                                         QStringLiteral("停名の印字 ---> 可能"),
                                         QStringLiteral("バーコード印字 ---> 不可"),
                                         QStringLiteral("社名切り替え:---> 不可"),
                                     }));

    PluginInfo all = withBarcode(1);
    all.CompanyCount = 3;
    EXPECT_EQ(capabilityLines(all), (QStringList{
                                        QStringLiteral("日付の印字 ---> 可能"),
                                        QStringLiteral("時刻の印字 ---> 不可"),
                                        QStringLiteral("系統番号の印字 ---> 可能"),
                                        QStringLiteral("停名の印字 ---> 可能"),
                                        QStringLiteral("バーコード印字 ---> 可能"),
                                        QStringLiteral("バーコード本数 ---> 2"),
                                        QStringLiteral("バーコード系統方式 ---> 連番式"),
                                        QStringLiteral("設定可能な系統範囲 ---> 1 ～ 999"),
                                        QStringLiteral("停留所認識範囲 ---> 0 ～ 250"),
                                        QStringLiteral("社名切り替え:---> 可能"),
                                    }));
}

TEST(CapabilityLines, RouteModeOtherThanOneIsRouteNumberPlusFlag) {
    for (qint32 mode : {0, 2, -1, 7}) {
        SCOPED_TRACE(mode);
        EXPECT_EQ(capabilityLines(withBarcode(mode)).at(6),
                  QStringLiteral("バーコード系統方式 ---> 系統番号＋往復フラグ"));
    }
}

TEST(CapabilityLines, CompanySwitchingNeedsAPositiveCount) {
    for (const auto& [count, line] :
         {std::pair{0, "社名切り替え:---> 不可"}, std::pair{-3, "社名切り替え:---> 不可"},
          std::pair{1, "社名切り替え:---> 可能"}}) {
        PluginInfo i;
        i.CompanyCount = count;
        EXPECT_EQ(capabilityLines(i).last(), QString::fromUtf8(line)) << count;
    }
}

TEST(CapabilityLines, RangesAsPlainDecimals) {
    PluginInfo i = withBarcode(2, 99999);
    i.StopRangeFirst = 1;
    i.StopRangeLast = 1000;
    const QStringList lines = capabilityLines(i);
    EXPECT_EQ(lines.at(7), QStringLiteral("設定可能な系統範囲 ---> 1 ～ 99999"));
    EXPECT_EQ(lines.at(8), QStringLiteral("停留所認識範囲 ---> 1 ～ 1000"));
}

} // namespace
