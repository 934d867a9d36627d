// Time to put a 30-cell stop name on the strip: cp932 form, layout, 30 cells printed
// on the work surface and their dots plotted.
#include "stopname/ChimeiLayout.h"
#include "stopname/ui/ChimeiCtl_B.h"

#include <benchmark/benchmark.h>

namespace {

const QString kThirtyCells = QStringLiteral("中央市役所前駅東口バスターミナル（北）行き停留所～二丁目番線");

void BM_SetChimei_30Cells(benchmark::State& state) {
    ChimeiCtl_B control;
    control.setScrollStartWait(60000); // the scroll is started but never moves here
    control.SetChimei(kThirtyCells);   // fonts opened and glyphs cached once
    for (auto _ : state) {
        control.SetChimei(kThirtyCells);
        benchmark::DoNotOptimize(control.strip().row(0));
    }
    state.counters["cells"] = chimei::layoutName(kThirtyCells, 2).cells;
}
BENCHMARK(BM_SetChimei_30Cells)->Unit(benchmark::kMicrosecond);

void BM_Layout_30Cells(benchmark::State& state) {
    for (auto _ : state)
        benchmark::DoNotOptimize(chimei::layoutName(kThirtyCells, 2));
}
BENCHMARK(BM_Layout_30Cells)->Unit(benchmark::kMicrosecond);

} // namespace
