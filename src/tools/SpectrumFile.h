#pragma once
// The spectrum files of the batch tool: CSV, the IAEA ASCII SPE layout and ANSI
// N42.42-2011 XML, written from one record of the run; SPE and N42 files of this tool
// read back, and the records of slices of one run merged.
//
// SPE keeps the run's description in $SPEC_REM, one "key: value" line each, so that a
// merge can check that its files belong together; N42 carries the same lines, one Remark
// each, after a "Title: " remark that readers take as the spectrum's title. Merge reads
// both. CSV stays "channel,counts" and the channels, nothing else, so it cannot be
// merged.

#include "tools/Run.h"
#include "tools/SimCli.h"

#include <array>
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
    bool partial = false;           // a partial merge: the file names the blocks it lacks
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
// One RadMeasurement: the title and description as remarks, start time, real and live
// time as durations (PTnS, n a plain decimal), the counts, and the energy calibration as
// coefficients in keV. The document's UUID is derived from its content and its date is
// the start, so that the same run always gives the same bytes.
void WriteN42(std::ostream& out, const SpectrumRecord& record);
void WriteFormat(std::ostream& out, const SpectrumRecord& record, OutputFormat format);

// Reads an SPE or N42 file that this tool wrote, checking every value of the run as the
// options are checked (a start later than `now` included); the error, or an empty text.
std::string ReadSpectrumFile(std::string_view text, SpectrumRecord& record, std::int64_t now);
std::string ReadSpe(std::string_view text, SpectrumRecord& record, std::int64_t now);
std::string ReadN42(std::string_view text, SpectrumRecord& record, std::int64_t now);

// Sums the records of slices of one run as they are read, keeping only the counts, the
// first file's description and each file's blocks and name: the same program, detector,
// calibration, generator, seed and run, and no block twice. The start is the earliest.
class Merger {
public:
    // The error (naming the file by `name`), or an empty text.
    std::string Add(const SpectrumRecord& record, const std::string& name);
    // The merged record once every file is added. Blocks in two files are refused, naming
    // both; so is a set that lacks blocks, naming them, unless `partial`: the record then
    // says which blocks it lacks.
    std::string Finish(bool partial, SpectrumRecord& merged);
    std::size_t Files() const { return names_.size(); }

private:
    struct Owned {
        BlockRange blocks;
        std::size_t file;
    };
    SpectrumRecord merged_;
    std::vector<std::string> names_;
    std::vector<Owned> owned_;
    std::uint64_t decays_ = 0; // of the files added; past the run's, some block is twice
};

// Merges records already read, named by `names` when given, else by number.
std::string Merge(const std::vector<SpectrumRecord>& records, SpectrumRecord& merged,
                  const std::vector<std::string>& names = {}, bool partial = false);

// "0-4,7,9-12" and back.
std::string FormatBlocks(const std::vector<BlockRange>& blocks);

// The blocks of a run of `blockCount` blocks that `blocks` (sorted, apart) lack.
std::vector<BlockRange> MissingBlocks(const std::vector<BlockRange>& blocks,
                                      std::uint64_t blockCount);

// A name-based UUID (version 5, SHA-1) of `name` in the namespace `space`, in its
// canonical form.
std::string NameUuid(const std::array<std::uint8_t, 16>& space, std::string_view name);

} // namespace simcli
