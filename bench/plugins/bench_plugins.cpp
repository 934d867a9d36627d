// What the ticket preview costs on each board update: the whole drawing call of the
// resource library (the plug-in file checked for changes, the ticket laid out, its
// barcode encoded and everything painted on the preview picture), and its parts.
#include "platform/Cp932.h"
#include "plugins/PluginFile.h"
#include "plugins/TicketLayout.h"
#include "plugins/ui/TicketPainter.h"

#include <benchmark/benchmark.h>

namespace {

const QString kBarcodePlugin = QStringLiteral(CORVANE_SOURCE_DIR "/data/demo/barcode.4SP");

plugins::TicketValues values(int n) {
    plugins::TicketValues v;
    v.routeNumber = 12;
    v.ticketNumber = qint16(1 + n % 40);
    v.row = qint16(1 + n % 40);
    v.stopName = QStringLiteral("椿原市役所前");
    v.dateText = QStringLiteral("05-12-2024");
    v.timeText = QStringLiteral("14:05:09");
    return v;
}

// One board update: clear the picture, draw the ticket of the next stop.
void BM_DrawSeirikenBarcodeSample(benchmark::State& state) {
    const plugins::PluginFile plugin = plugins::loadPlugin(kBarcodePlugin);
    QImage preview(plugin.info.PreviewWidth / 15, plugin.info.PreviewHeight / 15, QImage::Format_RGB32);
    QByteArray stop = cp932::encode(QStringLiteral("椿原市役所前"));
    QByteArray date("05-12-2024");
    int n = 0;
    for (auto _ : state) {
        preview.fill(Qt::white);
        const qint16 ticket = qint16(1 + n++ % 40);
        benchmark::DoNotOptimize(plugins::drawSeiriken(kBarcodePlugin, preview, stop, date,
                                                       QStringLiteral("14:05:09"), 12, ticket, ticket, -1));
    }
}
BENCHMARK(BM_DrawSeirikenBarcodeSample)->Unit(benchmark::kMicrosecond);

void BM_LayoutBarcodeSample(benchmark::State& state) {
    const plugins::PluginFile plugin = plugins::loadPlugin(kBarcodePlugin);
    int n = 0;
    for (auto _ : state)
        benchmark::DoNotOptimize(plugins::layoutTicket(plugin, values(n++), -1));
}
BENCHMARK(BM_LayoutBarcodeSample)->Unit(benchmark::kMicrosecond);

// Reading the file again, as happens once after it changes.
void BM_ReadBarcodeSample(benchmark::State& state) {
    for (auto _ : state)
        benchmark::DoNotOptimize(plugins::loadPlugin(kBarcodePlugin));
}
BENCHMARK(BM_ReadBarcodeSample)->Unit(benchmark::kMicrosecond);

} // namespace
