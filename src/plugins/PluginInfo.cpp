#include "plugins/PluginInfo.h"

#include <QCoreApplication>
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
    return value == 1 ? QCoreApplication::translate("PluginInfo", "---> 可能")
                      : QCoreApplication::translate("PluginInfo", "---> 不可");
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
    lines << QCoreApplication::translate("PluginInfo", "日付の印字 ") + verdict(info.CanPrintDate)
          << QCoreApplication::translate("PluginInfo", "時刻の印字 ") + verdict(info.CanPrintTime)
          << QCoreApplication::translate("PluginInfo", "系統番号の印字 ") + verdict(info.CanPrintRoute)
          << QCoreApplication::translate("PluginInfo", "停名の印字 ") + verdict(info.CanPrintStop)
          << QCoreApplication::translate("PluginInfo", "バーコード印字 ") + verdict(info.CanPrintBarcode);
    if (info.CanPrintBarcode == 1) {
        lines << QCoreApplication::translate("PluginInfo", "バーコード本数 ---> ") +
                     QString::number(info.BarcodeCount)
              << QCoreApplication::translate("PluginInfo", "バーコード系統方式 ") +
                     (info.BarcodeRouteMode == 1
                          ? QCoreApplication::translate("PluginInfo", "---> 連番式")
                          : QCoreApplication::translate("PluginInfo", "---> 系統番号＋往復フラグ"))
              << QCoreApplication::translate("PluginInfo", "設定可能な系統範囲 ---> 1 ～ ") +
                     QString::number(info.MaxRoute)
              << QCoreApplication::translate("PluginInfo", "停留所認識範囲 ---> ") +
                     QString::number(info.StopRangeFirst) +
                     QCoreApplication::translate("PluginInfo", " ～ ") + QString::number(info.StopRangeLast);
    }
    lines << QCoreApplication::translate("PluginInfo", "社名切り替え:") +
                 (info.CompanyCount > 0 ? QCoreApplication::translate("PluginInfo", "---> 可能")
                                        : QCoreApplication::translate("PluginInfo", "---> 不可"));
    return lines;
}

} // namespace plugins
