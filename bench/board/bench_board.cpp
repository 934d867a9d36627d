// How long the board takes to redraw all fifty fare displays, and the digit text
// rule alone.
#include "board/DigitText.h"
#include "board/ui/Form1.h"
#include "board/ui/M_Degit.h"
#include "platform/ui/Fonts.h"

#include <benchmark/benchmark.h>

namespace {

void BM_DigitTextRule(benchmark::State& state) {
    const DisplayFormat format{4, 2, 1, 3};
    int n = 0;
    for (auto _ : state) {
        QString places = digittext::places(DigitValue::number(n % 2000 - 1), format);
        benchmark::DoNotOptimize(places);
        ++n;
    }
}
BENCHMARK(BM_DigitTextRule);

void BM_RedrawFiftyDisplays(benchmark::State& state) {
    fonts::registerDigitFonts();
    Form1 board;
    int fare = 100;
    for (auto _ : state) {
        for (int i = 1; i <= Form1::kFareDisplays; ++i)
            board.Degit(i)->setValue(fare + i * 10);
        fare = fare == 100 ? 150 : 100;
    }
    state.SetItemsProcessed(state.iterations() * Form1::kFareDisplays);
}
BENCHMARK(BM_RedrawFiftyDisplays)->Unit(benchmark::kMicrosecond);

void BM_LampTestFiftyDisplays(benchmark::State& state) {
    fonts::registerDigitFonts();
    Form1 board;
    bool on = true;
    for (auto _ : state) {
        for (int i = 1; i <= Form1::kFareDisplays; ++i)
            board.Degit(i)->ResetDegit(on);
        on = !on;
    }
}
BENCHMARK(BM_LampTestFiftyDisplays)->Unit(benchmark::kMicrosecond);

} // namespace
