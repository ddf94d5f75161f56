// The detector window's costs per acquisition tick: one tick's busy part (the decays with
// their dots, the rescale that finds nothing to change, the copy to the screen) and a full
// redraw of the plot. Runs without a display.
//
// With --run-cpu it instead runs one default 10-second measurement on the real clock and
// prints the wall time and the processor time it used.

#include "measurement/Detektor.h"
#include "platform/Clock.h"
#include "simulation/CrossSection.h"
#include "simulation/Random.h"
#include "simulation/Source.h"
#include "strings/LangStrings.h"

#include <QApplication>
#include <QCheckBox>
#include <QElapsedTimer>
#include <QLineEdit>
#include <QPushButton>
#include <QThread>
#include <benchmark/benchmark.h>
#include <sys/resource.h>

#include <cstdio>
#include <cstring>

// Reaches the window's private operations.
class TForm2Probe {
public:
    explicit TForm2Probe(TForm2& form) : f(form) {}
    bool LaidOut() const { return f.LaidOut(); }
    sim::Spectrum& Spectrum() { return f.Session.Measurement().Spectrum; }
    // One tick's decays, as the acquisition loop runs them.
    std::int64_t RunTick() {
        const bool running = true;
        return f.Session.Measurement().RunTick(f, running);
    }
    void Rescale() { f.Rescale(); }
    void CopyToScreen() {
        f.Image3->DrawOnPicture(0, 0, f.PlotBitmap);
        f.Image3->repaint();
    }
    void FullRedraw() {
        f.Session.View.ForceRedraw();
        f.Rescale();
    }
    void SetRegion(std::int32_t low, std::int32_t high) {
        f.Session.Roi.RoiLow = low;
        f.Session.Roi.RoiHigh = high;
        f.Session.Roi.RoiValid = true;
    }
    void UpdateCursor() { f.UpdateCursor(); }

private:
    TForm2& f;
};

namespace {

TForm2* window = nullptr;

// Shows the window and waits for its first-activation layout.
bool OpenWindow(TForm2& form) {
    form.show();
    TForm2Probe probe(form);
    QElapsedTimer waited;
    waited.start();
    while (!probe.LaidOut() && waited.elapsed() < 5000) {
        QCoreApplication::processEvents();
        QThread::msleep(1);
    }
    return probe.LaidOut();
}

// A spectrum like one after some seconds of measuring, with a tall count in a channel
// that is never drawn, so that the automatic full scale stays on one rung.
void FillSpectrum(TForm2Probe& probe) {
    probe.Spectrum().fill(0);
    for (int tick = 0; tick < 50; ++tick)
        probe.RunTick();
    probe.Spectrum()[4094] = 4000000;
    probe.FullRedraw();
}

void BM_TickBusyPart(benchmark::State& state) {
    TForm2Probe probe(*window);
    FillSpectrum(probe);
    std::int64_t decays = 0;
    for (auto _ : state) {
        decays = probe.RunTick();
        probe.Rescale();
        probe.CopyToScreen();
    }
    state.counters["decays"] = static_cast<double>(decays);
}
BENCHMARK(BM_TickBusyPart)->Unit(benchmark::kMillisecond);

void BM_FullRedraw(benchmark::State& state) {
    TForm2Probe probe(*window);
    FillSpectrum(probe);
    for (auto _ : state)
        probe.FullRedraw();
}
BENCHMARK(BM_FullRedraw)->Unit(benchmark::kMillisecond);

// A cursor step with a region over the whole spectrum shaded.
void BM_CursorWithFullRegion(benchmark::State& state) {
    TForm2Probe probe(*window);
    FillSpectrum(probe);
    probe.SetRegion(0, 4096);
    for (auto _ : state)
        probe.UpdateCursor();
}
BENCHMARK(BM_CursorWithFullRegion)->Unit(benchmark::kMillisecond);

double CpuSeconds() {
    rusage usage{};
    getrusage(RUSAGE_SELF, &usage);
    const auto seconds = [](const timeval& t) { return t.tv_sec + t.tv_usec / 1e6; };
    return seconds(usage.ru_utime) + seconds(usage.ru_stime);
}

// One default measurement (preset 10 s, automatic stop) on the real clock.
int MeasureRunCpu(TForm2& form) {
    const double cpuBefore = CpuSeconds();
    QElapsedTimer wall;
    wall.start();
    form.findChild<QPushButton*>(QStringLiteral("Button1"))->click();
    const double wallSeconds = wall.elapsed() / 1000.0;
    const double cpuSeconds = CpuSeconds() - cpuBefore;
    std::printf("10 s measurement: wall %.2f s, CPU %.2f s (%.0f %% of one core), shown %s s\n",
                wallSeconds, cpuSeconds, 100 * cpuSeconds / wallSeconds,
                form.findChild<QLineEdit*>(QStringLiteral("CurTim"))->text().toUtf8().constData());
    return 0;
}

} // namespace

int main(int argc, char** argv) {
    if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM")) qputenv("QT_QPA_PLATFORM", "offscreen");
    QApplication app(argc, argv);
    sim::RandomGenerator rng(20070101);

    platform::SteadyClock clock;
    model::Session session(rng, clock);
    strings::Catalogue catalogue; // no pack chosen
    TForm2 form(session, catalogue);
    if (!OpenWindow(form)) {
        std::fprintf(stderr, "the detector window did not lay itself out\n");
        return 1;
    }
    window = &form;

    for (int i = 1; i < argc; ++i)
        if (std::strcmp(argv[i], "--run-cpu") == 0) return MeasureRunCpu(form);

    benchmark::Initialize(&argc, argv);
    benchmark::RunSpecifiedBenchmarks();
    benchmark::Shutdown();
    return 0;
}
