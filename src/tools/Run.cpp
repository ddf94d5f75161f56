// The batch tool's run: blocks of decays on threads, summed into 64-bit counts.

#include "tools/Run.h"

#include "model/Measurement.h"
#include "platform/Numbers.h"
#include "simulation/Random.h"
#include "simulation/Source.h"

#include <algorithm>
#include <atomic>
#include <charconv>
#include <chrono>
#include <cmath>
#include <condition_variable>
#include <cstdlib>
#include <memory>
#include <mutex>
#include <thread>
#include <vector>

#ifdef __linux__
#include <sched.h>
#elif defined(_WIN32)
#include <windows.h>
#endif

namespace simcli {

std::uint64_t DecaysPerSecond() {
    return static_cast<std::uint64_t>(model::TicksPerSecond) * TickDecays();
}

std::uint64_t BlockCount(std::uint64_t decays, std::uint64_t blockDecays) {
    return decays / blockDecays + (decays % blockDecays != 0 ? 1 : 0);
}

std::uint64_t DecaysInBlocks(std::uint64_t decays, std::uint64_t blockDecays, BlockRange blocks) {
    const std::uint64_t begin = std::min(decays, blocks.first * blockDecays);
    const std::uint64_t end = std::min(decays, (blocks.last + 1) * blockDecays);
    return end - begin;
}

unsigned UsableCores() {
#ifdef __linux__
    cpu_set_t set;
    if (sched_getaffinity(0, sizeof set, &set) == 0 && CPU_COUNT(&set) > 0)
        return static_cast<unsigned>(CPU_COUNT(&set));
#elif defined(_WIN32)
    // The processors of the process's affinity (within its processor group).
    DWORD_PTR process = 0;
    DWORD_PTR system = 0;
    if (GetProcessAffinityMask(GetCurrentProcess(), &process, &system) && process != 0)
        return static_cast<unsigned>(__builtin_popcountll(process));
#endif
    return std::max(1u, std::thread::hardware_concurrency());
}

unsigned DefaultThreads(unsigned usableCores, const char* slurmCpusPerTask, std::uint64_t blocks) {
    std::uint64_t threads = std::max(1u, usableCores);
    if (slurmCpusPerTask) {
        unsigned long long given = 0;
        const std::string_view text(slurmCpusPerTask);
        const auto [end, ec] = std::from_chars(text.data(), text.data() + text.size(), given);
        if (ec == std::errc() && end == text.data() + text.size() && given > 0)
            threads = std::min<std::uint64_t>(threads, given);
    }
    return static_cast<unsigned>(std::max<std::uint64_t>(1, std::min(threads, blocks)));
}

std::string CheckGeometry(const sim::DetectorGeometry& geometry) {
    if (!model::SourceInside(geometry)) return {};
    return "the source lies inside the detector's bounding sphere (centre " +
           platform::FormatFloat(geometry.z) + " cm from the source, bounding radius " +
           platform::FormatFloat(geometry.boundingRadius) + " cm); increase the distance";
}

std::string CheckLcg32Length(Generator generator, std::uint64_t decays) {
    if (generator != Generator::Lcg32 || decays <= Lcg32Period / LeastDrawsPerDecay) return {};
    return "with --generator lcg32, " + std::to_string(decays) + " decays need at least " +
           std::to_string(decays * LeastDrawsPerDecay) +
           " draws, more than its period of 2^32; use --generator philox";
}

std::string MakePlan(const Options& o, std::uint32_t seed, RunPlan& plan) {
    if (std::string error = CheckGenerator(o); !error.empty()) return error;
    plan.geometry = model::BenchGeometry(o.distance, o.height, o.radius);
    if (std::string error = CheckGeometry(plan.geometry); !error.empty()) return error;
    plan.calibration = model::Defaults::Calibration;
    plan.calibration.Resolution = o.resolution;
    plan.generator = o.generator;
    plan.seed = seed;
    const std::uint64_t perTick = TickDecays();
    plan.blockDecays = DecaysPerSecond();
    const std::uint64_t ticks = o.ticks ? *o.ticks : DefaultSeconds * model::TicksPerSecond;
    plan.decays = o.decays ? *o.decays : ticks * perTick;
    if (plan.decays > MaxDecays) return "the run is too long";
    const std::uint64_t blocks = BlockCount(plan.decays, plan.blockDecays);
    plan.blocks = BlockRange{0, blocks - 1};
    if (o.blocks) {
        if (o.blocks->last >= blocks)
            return "option --blocks: the run has " + std::to_string(blocks) + " blocks, 0 to " +
                   std::to_string(blocks - 1);
        plan.blocks = *o.blocks;
    }
    if (std::string error = CheckLcg32Length(plan.generator, plan.decays); !error.empty())
        return error;
    const std::uint64_t runBlocks = plan.blocks.last - plan.blocks.first + 1;
    if (plan.generator == Generator::Lcg32)
        plan.threads = 1;
    else if (o.threads)
        plan.threads = static_cast<unsigned>(std::min<std::uint64_t>(*o.threads, runBlocks));
    else
        plan.threads = DefaultThreads(UsableCores(), std::getenv("SLURM_CPUS_PER_TASK"), runBlocks);
    return {};
}

void AddSpectrum(Counts& counts, const sim::Spectrum& spectrum) {
    for (std::size_t channel = 0; channel < counts.size(); ++channel)
        counts[channel] += static_cast<std::uint32_t>(spectrum[channel]);
}

std::string CheckLcg32Draws(std::uint64_t draws, std::uint64_t decaysDone, std::uint64_t decays,
                            bool estimate) {
    const auto perDecay = static_cast<double>(draws) / static_cast<double>(decaysDone);
    const double projected = perDecay * static_cast<double>(decays);
    if (draws <= Lcg32Period && !(estimate && projected > static_cast<double>(Lcg32Period)))
        return {};
    return "with --generator lcg32 this detector takes " +
           platform::FormatFloat(std::round(perDecay * 100) / 100) + " draws a decay, so " +
           std::to_string(decays) + " decays would repeat the generator, whose period is 2^32 " +
           "draws; use --generator philox";
}

namespace {

// A block's measurement: the generator, the model and hooks that only watch for the
// source-inside report (which the plan rules out).
class Worker final : public sim::HistoryHooks {
public:
    explicit Worker(const RunPlan& plan) : measurement_(rng) {
        measurement_.Geometry = plan.geometry;
        measurement_.Calibration = plan.calibration;
    }

    void PlotChannel(std::int32_t) override {}
    void SourceInsideDetector() override { running_ = false; }

    // Runs `decays` decays into an empty spectrum: whole ticks of the model, then the
    // rest one by one. After each tick `afterTick` may stop the block (false). Returns
    // false when the block stopped early.
    template <typename AfterTick>
    bool RunBlock(std::uint64_t decays, std::atomic<std::uint64_t>& done, AfterTick afterTick) {
        measurement_.Spectrum.fill(0);
        const std::uint64_t perTick = TickDecays();
        while (decays >= perTick) {
            measurement_.RunTick(*this, running_);
            done += perTick;
            decays -= perTick;
            if (!running_ || !afterTick()) return false;
        }
        for (std::uint64_t i = 0; i < decays && running_; ++i)
            measurement_.RunHistory(*this);
        done += decays;
        return running_;
    }

    const sim::Spectrum& Spectrum() const { return measurement_.Spectrum; }

    sim::RandomGenerator rng;

private:
    model::Measurement measurement_;
    bool running_ = true;
};

std::uint64_t BlockDecays(const RunPlan& plan, std::uint64_t block) {
    return DecaysInBlocks(plan.decays, plan.blockDecays, BlockRange{block, block});
}

// lcg32: one stream through every block in order. The draws are counted exactly from
// the generator's seeds; after the first tick they also give an estimate for the whole
// run, so that a run that would outlast the period stops at once.
std::string RunLcg32(const RunPlan& plan, Counts& counts, std::atomic<std::uint64_t>& done) {
    auto worker = std::make_unique<Worker>(plan);
    worker->rng.SetSeed(plan.seed);
    std::uint64_t draws = 0; // before the current block
    bool estimated = false;
    std::string error;
    for (std::uint64_t block = plan.blocks.first; block <= plan.blocks.last; ++block) {
        const std::uint32_t blockStart = worker->rng.Seed();
        const bool complete = worker->RunBlock(BlockDecays(plan, block), done, [&] {
            if (estimated) return true;
            estimated = true;
            error = CheckLcg32Draws(draws + sim::DrawsBetween(blockStart, worker->rng.Seed()),
                                    done.load(), plan.decays, true);
            return error.empty();
        });
        if (!error.empty()) return error;
        if (!complete) return "the source lies inside the detector";
        draws += sim::DrawsBetween(blockStart, worker->rng.Seed());
        error = CheckLcg32Draws(draws, done.load(), plan.decays, false);
        if (!error.empty()) return error;
        AddSpectrum(counts, worker->Spectrum());
    }
    return {};
}

// philox: each block its own stream; the threads take the next block until none is left.
std::string RunPhilox(const RunPlan& plan, Counts& counts, std::atomic<std::uint64_t>& nextBlock,
                      std::atomic<std::uint64_t>& done) {
    auto worker = std::make_unique<Worker>(plan);
    for (;;) {
        const std::uint64_t block = nextBlock.fetch_add(1);
        if (block > plan.blocks.last) return {};
        worker->rng.SetStream(plan.seed, block);
        if (!worker->RunBlock(BlockDecays(plan, block), done, [] { return true; }))
            return "the source lies inside the detector";
        AddSpectrum(counts, worker->Spectrum());
    }
}

} // namespace

RunResult Run(const RunPlan& plan, const std::function<void(std::uint64_t)>& progress) {
    const auto start = std::chrono::steady_clock::now();
    const bool lcg32 = plan.generator == Generator::Lcg32;
    if (lcg32 && plan.blocks.first != 0) {
        RunResult refused;
        refused.error = "an lcg32 run is one stream from block 0; it cannot start at block " +
                        std::to_string(plan.blocks.first);
        return refused;
    }
    // One lcg32 stream on several threads would count every decay once on each.
    const unsigned threads = lcg32 ? 1u : std::max(1u, plan.threads);
    std::vector<Counts> counts(threads, Counts{});
    std::vector<std::string> errors(threads);
    std::atomic<std::uint64_t> done{0};
    std::atomic<std::uint64_t> nextBlock{plan.blocks.first};
    std::mutex mutex;
    std::condition_variable finished;
    unsigned running = threads;

    std::vector<std::thread> pool;
    for (unsigned t = 0; t < threads; ++t)
        pool.emplace_back([&, t] {
            errors[t] = plan.generator == Generator::Lcg32
                            ? RunLcg32(plan, counts[t], done)
                            : RunPhilox(plan, counts[t], nextBlock, done);
            const std::lock_guard<std::mutex> lock(mutex);
            --running;
            finished.notify_one();
        });
    for (;;) {
        {
            std::unique_lock<std::mutex> lock(mutex);
            if (finished.wait_for(lock, std::chrono::milliseconds(250),
                                  [&] { return running == 0; }))
                break;
        }
        if (progress) progress(done.load());
    }
    for (std::thread& thread : pool)
        thread.join();

    RunResult result;
    for (unsigned t = 0; t < threads; ++t) {
        if (result.error.empty()) result.error = errors[t];
        for (std::size_t channel = 0; channel < result.counts.size(); ++channel)
            result.counts[channel] += counts[t][channel];
    }
    result.decays = done.load();
    result.wallSeconds =
        std::chrono::duration<double>(std::chrono::steady_clock::now() - start).count();
    return result;
}

} // namespace simcli
