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

// The largest files a plug-in may be, each of one shape repeated to the size limit:
// none may take much longer to read or refuse than a small one per line.
QByteArray repeatedLines(const QByteArray& head, const char* pattern) {
    QByteArray b = head;
    for (int i = 0; b.size() < plugins::kMaxPluginBytes - 40; ++i)
        b += QByteArray(pattern).replace("%", QByteArray::number(i)) + '\n';
    return b;
}

void BM_ReadLargestPlugin(benchmark::State& state) {
    static const QByteArray shapes[] = {
        repeatedLines("[plugin]\nformat = 1\n", "k% = 1"),
        QByteArray("[plugin]\nformat = 1\n") + QByteArray(plugins::kMaxPluginBytes - 30, '\n'),
        repeatedLines("[plugin]\nformat = 1\n[notes]\n", "%"),
        repeatedLines("[plugin]\nformat = 1\n[companies]\n", "c%"),
        repeatedLines("[plugin]\nformat = 1\n", "[box]\nbox = 0, 0, 9, 9"),
        repeatedLines("[plugin]\nformat = 1\n", "[x%]"),
    };
    const QByteArray& bytes = shapes[state.range(0)];
    for (auto _ : state)
        benchmark::DoNotOptimize(plugins::parsePlugin(bytes));
}
// distinct keys, empty lines, notes, companies, items, sections
BENCHMARK(BM_ReadLargestPlugin)->DenseRange(0, 5)->Unit(benchmark::kMillisecond);

} // namespace
