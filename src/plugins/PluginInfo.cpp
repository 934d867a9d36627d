#include "plugins/PluginInfo.h"

#include <QtEndian>
#include <array>

namespace plugins {
namespace {

std::array<qint32*, kPluginInfoFields> fields(PluginInfo& i) {
    return {&i.FormatVersion,    &i.PreviewWidth,   &i.PreviewHeight,   &i.CanPrintDate, &i.CanPrintTime,
            &i.CanPrintRoute,    &i.CanPrintStop,   &i.CanPrintBarcode, &i.BarcodeCount, &i.MaxRoute,
            &i.BarcodeRouteMode, &i.StopRangeFirst, &i.StopRangeLast,   &i.CompanyCount};
}

QString verdict(qint32 value) {
    return value == 1 ? QStringLiteral("---> 可能") : QStringLiteral("---> 不可");
}

} // namespace

QByteArray toRecord(const PluginInfo& info) {
    PluginInfo copy = info;
    QByteArray bytes(kPluginInfoFields * 4, '\0');
    int at = 0;
    for (qint32* f : fields(copy)) {
        qToLittleEndian<qint32>(*f, bytes.data() + at);
        at += 4;
    }
    return bytes;
}

PluginInfo fromRecord(const QByteArray& bytes) {
    PluginInfo info;
    int at = 0;
    for (qint32* f : fields(info)) {
        if (at + 4 > bytes.size())
            break;
        *f = qFromLittleEndian<qint32>(bytes.constData() + at);
        at += 4;
    }
    return info;
}

QStringList capabilityLines(const PluginInfo& info) {
    QStringList lines;
    lines << QStringLiteral("日付の印字 ") + verdict(info.CanPrintDate)
          << QStringLiteral("時刻の印字 ") + verdict(info.CanPrintTime)
          << QStringLiteral("系統番号の印字 ") + verdict(info.CanPrintRoute)
          << QStringLiteral("停名の印字 ") + verdict(info.CanPrintStop)
          << QStringLiteral("バーコード印字 ") + verdict(info.CanPrintBarcode);
    if (info.CanPrintBarcode == 1) {
        lines << QStringLiteral("バーコード本数 ---> ") + QString::number(info.BarcodeCount)
              << QStringLiteral("バーコード系統方式 ") + (info.BarcodeRouteMode == 1
                                                              ? QStringLiteral("---> 連番式")
                                                              : QStringLiteral("---> 系統番号＋往復フラグ"))
              << QStringLiteral("設定可能な系統範囲 ---> 1 ～ ") + QString::number(info.MaxRoute)
              << QStringLiteral("停留所認識範囲 ---> ") + QString::number(info.StopRangeFirst) +
                     QStringLiteral(" ～ ") + QString::number(info.StopRangeLast);
    }
    lines << QStringLiteral("社名切り替え:") +
                 (info.CompanyCount > 0 ? QStringLiteral("---> 可能") : QStringLiteral("---> 不可"));
    return lines;
}

} // namespace plugins
