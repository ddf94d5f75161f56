#pragma once
// The spectrum files of the batch tool: CSV, the IAEA ASCII SPE layout and ANSI
// N42.42-2011 XML, written from one record of the run; SPE files read back, and the
// records of slices of one run merged.
//
// SPE keeps the run's description in $SPEC_REM, one "key: value" line each, so that a
// merge can check that its files belong together; that makes SPE the format that merge
// reads. N42 carries the same lines in a Remark. CSV stays "channel,counts" and the
// channels, nothing else, so it cannot be merged.

#include "tools/Run.h"
#include "tools/SimCli.h"

#include <cstdint>
#include <ostream>
#include <string>
#include <string_view>
#include <vector>

namespace simcli {

struct SpectrumRecord {
    std::string program; // "pelzamo-sim 1.0"
    double distance = 0; // cm, as shown on the bench
    double height = 0;   // cm, half-length
    double radius = 0;   // cm
    double resolution = 0;
    double channelOffset = 0; // channel of zero energy
    double channelsPerMeV = 0;
    Generator generator = Generator::Lcg32;
    std::uint32_t seed = 0;
    std::uint64_t runDecays = 0;    // of the whole run
    std::uint64_t blockDecays = 0;  // one simulated second
    std::vector<BlockRange> blocks; // those counted here: sorted, apart, not adjacent
    std::int64_t startTime = 0;     // Unix time of the run's start
    Counts counts{};                // channels 0 to 4096; files hold 0 to 4095
};

// The record of a run's counts.
SpectrumRecord MakeRecord(const Options& options, const RunPlan& plan, std::int64_t startTime,
                          const Counts& counts);

// Decays counted in the record, and their simulated time in seconds.
std::uint64_t RecordDecays(const SpectrumRecord& record);
double RecordSeconds(const SpectrumRecord& record);

// "channel,counts", then one line per channel 0 to 4095.
void WriteCsv(std::ostream& out, const SpectrumRecord& record);
// $SPEC_ID, $SPEC_REM, $DATE_MEA (UTC), $MEAS_TIM (live and real time, s), $DATA
// (channels 0 to 4095), $ENER_FIT (keV = a + b * channel) and $MCA_CAL (the same as
// three polynomial coefficients in keV).
void WriteSpe(std::ostream& out, const SpectrumRecord& record);
// One RadMeasurement: start time, real and live time as durations, the counts, and the
// energy calibration as coefficients in keV.
void WriteN42(std::ostream& out, const SpectrumRecord& record);
void WriteFormat(std::ostream& out, const SpectrumRecord& record, OutputFormat format);

// Reads an SPE file that this tool wrote; the error, or an empty text.
std::string ReadSpe(std::string_view text, SpectrumRecord& record);

// Sums records of slices of one run: the same program, detector, calibration,
// generator, seed and run, and no block twice. The start is the earliest. The error
// (naming the files by `names` when given, else by number), or an empty text.
std::string Merge(const std::vector<SpectrumRecord>& records, SpectrumRecord& merged,
                  const std::vector<std::string>& names = {});

// "0-4,7,9-12" and back.
std::string FormatBlocks(const std::vector<BlockRange>& blocks);

} // namespace simcli
