// The batch tool: decays per second with each generator on one thread, the speed-up of
// two threads over one (wall time, so measure on an otherwise idle machine), and the
// merge of 1000 one-block SPE files from reading to the merged file's text.

#include "tools/Run.h"
#include "tools/SimCli.h"
#include "tools/SpectrumFile.h"

#include "platform/Files.h"
#include "simulation/Random.h"
#include "simulation/Source.h"

#include <benchmark/benchmark.h>

#include <filesystem>
#include <fstream>
#include <random>
#include <sstream>
#include <string>
#include <vector>

namespace {

namespace fs = std::filesystem;

// The plan of a run of `seconds` at the default geometry.
simcli::RunPlan Plan(simcli::Generator generator, unsigned threads, int seconds) {
    simcli::Options options;
    options.generator = generator;
    options.ticks = static_cast<std::uint64_t>(seconds) * 10;
    simcli::RunPlan plan;
    simcli::MakePlan(options, 12345, plan);
    plan.threads = threads;
    return plan;
}

void RunDecays(benchmark::State& state, simcli::Generator generator, unsigned threads,
               int seconds) {
    const simcli::RunPlan plan = Plan(generator, threads, seconds);
    for (auto _ : state) {
        const simcli::RunResult result = simcli::Run(plan);
        benchmark::DoNotOptimize(result.counts.data());
    }
    state.SetItemsProcessed(state.iterations() * static_cast<std::int64_t>(plan.decays));
}

// One thread, one simulated second a run: the two generators side by side.
void BM_ToolLcg32OneThread(benchmark::State& state) {
    RunDecays(state, simcli::Generator::Lcg32, 1, 1);
}
void BM_ToolPhiloxOneThread(benchmark::State& state) {
    RunDecays(state, simcli::Generator::Philox, 1, 1);
}
// Philox on 1 and 2 threads, eight blocks a run.
void BM_ToolPhiloxThreads(benchmark::State& state) {
    RunDecays(state, simcli::Generator::Philox, static_cast<unsigned>(state.range(0)), 8);
}

// 1000 SPE files of one-block slices of a 1000-second run, made once.
class MergeFiles {
public:
    MergeFiles() {
        std::random_device entropy;
        folder_ = fs::temp_directory_path() / ("pelzamo-bench-merge-" + std::to_string(entropy()));
        fs::create_directories(folder_);
        simcli::SpectrumRecord record;
        record.program = "pelzamo-sim bench";
        record.seed = 1;
        record.distance = 8.5;
        record.height = record.radius = 3;
        record.resolution = 20;
        record.channelOffset = 10;
        record.channelsPerMeV = 1000;
        record.generator = simcli::Generator::Philox;
        record.runDecays = 1000 * 200010ull;
        record.blockDecays = 200010;
        std::mt19937 counts(1);
        for (int i = 0; i < 1000; ++i) {
            record.blocks = {{static_cast<std::uint64_t>(i), static_cast<std::uint64_t>(i)}};
            for (int channel = 10; channel < 4000; ++channel)
                record.counts[channel] = counts() % 8;
            paths_.push_back((folder_ / ("part" + std::to_string(i) + ".spe")).string());
            std::ofstream out(paths_.back());
            simcli::WriteSpe(out, record);
        }
    }
    ~MergeFiles() { fs::remove_all(folder_); }
    const std::vector<std::string>& Paths() const { return paths_; }

private:
    fs::path folder_;
    std::vector<std::string> paths_;
};

void BM_Merge1000Files(benchmark::State& state) {
    static const MergeFiles files;
    for (auto _ : state) {
        simcli::Merger merger;
        simcli::SpectrumRecord record;
        for (const std::string& path : files.Paths()) {
            const auto text = platform::ReadRegularFile(path, 16u << 20);
            if (!text || !simcli::ReadSpectrumFile(*text, record, 1LL << 40).empty() ||
                !merger.Add(record, path).empty())
                state.SkipWithError("read");
        }
        simcli::SpectrumRecord merged;
        if (!merger.Finish(false, merged).empty()) state.SkipWithError("merge");
        std::ostringstream out;
        simcli::WriteSpe(out, merged);
        benchmark::DoNotOptimize(out.str().size());
    }
    state.SetItemsProcessed(state.iterations() * 1000);
}

} // namespace

BENCHMARK(BM_ToolLcg32OneThread)->Unit(benchmark::kMillisecond)->UseRealTime();
BENCHMARK(BM_ToolPhiloxOneThread)->Unit(benchmark::kMillisecond)->UseRealTime();
BENCHMARK(BM_ToolPhiloxThreads)->Arg(1)->Arg(2)->Unit(benchmark::kMillisecond)->UseRealTime();
BENCHMARK(BM_Merge1000Files)->Unit(benchmark::kMillisecond)->UseRealTime();

BENCHMARK_MAIN();
