// Costs of the canvas operations that run per simulated event or per redraw, and of the
// number display.
#include "toolkit/Canvas.h"
#include "platform/Numbers.h"

#include <QGuiApplication>
#include <benchmark/benchmark.h>
#include <cstdlib>

namespace {

// One dot of the spectrum plot: runs once per counted decay.
void BM_SetPixel(benchmark::State& state) {
    QImage image(453, 290, QImage::Format_RGB32);
    image.fill(Qt::black);
    toolkit::TCanvas canvas(image);
    int i = 0;
    for (auto _ : state) {
        canvas.SetPixel(i % 453, (i / 453) % 290, Qt::yellow);
        ++i;
    }
    benchmark::DoNotOptimize(image.constBits());
}
BENCHMARK(BM_SetPixel);

// Filling the whole of a square image of the given side from one corner.
void BM_FloodFill(benchmark::State& state) {
    const int side = static_cast<int>(state.range(0));
    QImage image(side, side, QImage::Format_RGB32);
    toolkit::TCanvas canvas(image);
    bool white = true;
    image.fill(Qt::white);
    for (auto _ : state) {
        // Alternate the colours so every run fills the whole image again.
        canvas.BrushColor = white ? Qt::gray : Qt::white;
        canvas.FloodFill(0, 0, white ? Qt::white : Qt::gray);
        white = !white;
    }
    state.SetItemsProcessed(state.iterations() * side * side);
}
BENCHMARK(BM_FloodFill)->Arg(300)->Arg(2000)->Unit(benchmark::kMillisecond);

void BM_FormatFloat(benchmark::State& state) {
    double v = 8.5;
    for (auto _ : state) {
        benchmark::DoNotOptimize(platform::FormatFloat(v));
        v += 0.1;
    }
}
BENCHMARK(BM_FormatFloat);

} // namespace

int main(int argc, char** argv) {
    // The canvas needs a GUI application (for its font); no display is needed.
    setenv("QT_QPA_PLATFORM", "offscreen", 0);
    QGuiApplication app(argc, argv);
    benchmark::Initialize(&argc, argv);
    benchmark::RunSpecifiedBenchmarks();
    benchmark::Shutdown();
    return 0;
}
