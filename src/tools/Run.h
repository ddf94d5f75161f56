#pragma once
// The batch tool's run. The decays are cut into blocks of one simulated second; each
// block runs as ticks of the measurement model into the model's 32-bit spectrum, which a
// block cannot fill, and is then added to 64-bit counts, which no accepted run can fill.
//
// With lcg32 the generator is the detector window's: one stream that goes on from block
// to block, on one thread, so a seed gives the spectrum the window would count. With
// philox each block draws from its own stream (the seed as key, the block's index as
// stream), so blocks may run on any thread, in any order and on any machine: the counts
// are whole numbers, and their sum does not depend on the order.

#include "tools/SimCli.h"

#include "simulation/Binning.h"
#include "simulation/Photon.h"

#include <array>
#include <cstdint>
#include <functional>
#include <string>

namespace simcli {

// Counts of channels 0 to 4096 (4096 is never filled).
using Counts = std::array<std::uint64_t, sim::SpectrumChannels>;

// The window's generator repeats after 2^32 draws, and every decay draws at least three
// times (the line, and the polar and azimuthal direction).
inline constexpr std::uint64_t Lcg32Period = std::uint64_t{1} << 32;
inline constexpr std::uint64_t LeastDrawsPerDecay = 3;

struct RunPlan {
    sim::DetectorGeometry geometry{};
    sim::Calibration calibration{};
    Generator generator = Generator::Lcg32;
    std::uint32_t seed = 0;
    std::uint64_t decays = 0;      // of the whole run
    std::uint64_t blockDecays = 0; // one simulated second
    BlockRange blocks;             // the blocks this run makes
    unsigned threads = 1;          // philox; an lcg32 run is one stream on one thread
};

// Decays in one simulated second: the model's ticks per second of its decays per tick.
std::uint64_t DecaysPerSecond();

// Blocks of a run, and the decays of some of them (the last block may be short).
std::uint64_t BlockCount(std::uint64_t decays, std::uint64_t blockDecays);
std::uint64_t DecaysInBlocks(std::uint64_t decays, std::uint64_t blockDecays, BlockRange blocks);

// The processors this program may run on (its affinity, as a batch system sets it).
unsigned UsableCores();

// The threads of a philox run without --threads: the usable cores, at most the value of
// SLURM_CPUS_PER_TASK when that is a whole number above 0 (a batch system that does not
// pin its tasks to their cores still says how many they have), and at most the blocks.
unsigned DefaultThreads(unsigned usableCores, const char* slurmCpusPerTask, std::uint64_t blocks);

// The refusal of a detector that the run cannot measure (the source inside its bounding
// sphere), or an empty text.
std::string CheckGeometry(const sim::DetectorGeometry& geometry);

// The run that the options ask for, with the seed chosen; the error when it cannot be
// made: the source inside the detector, blocks beyond the run, an lcg32 run on more than
// one thread or in blocks, or one that is certain to outlast the period.
std::string MakePlan(const Options& options, std::uint32_t seed, RunPlan& plan);

// The refusal of an lcg32 run that is certain to outlast the period, or an empty text.
std::string CheckLcg32Length(Generator generator, std::uint64_t decays);

// Adds a block's spectrum to the counts.
void AddSpectrum(Counts& counts, const sim::Spectrum& spectrum);

struct RunResult {
    Counts counts{};
    std::uint64_t decays = 0; // run
    double wallSeconds = 0;
    std::string error; // the run stopped: an lcg32 run found to outlast the period
};

// Runs the plan on its threads (lcg32 on one, whatever the plan says; an lcg32 plan that
// does not start at block 0 is refused, as its stream would not be the run's).
// `progress`, when given, is called on the calling thread
// some four times a second with the decays done.
RunResult Run(const RunPlan& plan, const std::function<void(std::uint64_t)>& progress = {});

// The lcg32 check during a run: the error once `draws` (so far, after `decaysDone` of
// `decays` decays) have passed the period, or, `estimate` being true, once they show
// that the whole run will.
std::string CheckLcg32Draws(std::uint64_t draws, std::uint64_t decaysDone, std::uint64_t decays,
                            bool estimate);

} // namespace simcli
