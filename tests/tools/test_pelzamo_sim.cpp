// The built pelzamo-sim program, run as a user runs it.

#include <QString>
#include <QXmlStreamReader>
#include <gtest/gtest.h>

#include <algorithm>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <random>
#include <sstream>
#include <string>
#include <vector>

#ifndef _WIN32
#include <sys/stat.h>
#include <sys/wait.h>
#endif

namespace {

namespace fs = std::filesystem;

class PelzamoSimTest : public ::testing::Test {
protected:
    void SetUp() override {
#ifdef _WIN32
        GTEST_SKIP() << "runs the program through a POSIX shell";
#endif
        std::random_device entropy;
        folder = fs::temp_directory_path() / ("pelzamo-sim-run-" + std::to_string(entropy()));
        fs::create_directories(folder);
    }
    void TearDown() override {
        std::error_code ignored;
        fs::remove_all(folder, ignored);
    }

    // Runs the program with the arguments (shell syntax); returns its exit status and
    // keeps its standard output and error.
    int Run(const std::string& arguments, const std::string& before = "") {
        const fs::path out = fs::temp_directory_path() / (folder.filename().string() + ".out");
        const fs::path err = fs::temp_directory_path() / (folder.filename().string() + ".err");
        const std::string command = "(" + before + "'" + std::string(PELZAMO_SIM_PATH) + "' " +
                                    arguments + ") > '" + out.string() + "' 2> '" + err.string() +
                                    "'";
        const int status = std::system(command.c_str());
        stdoutText = Read(out);
        stderrText = Read(err);
        fs::remove(out);
        fs::remove(err);
#ifndef _WIN32
        return WIFEXITED(status) ? WEXITSTATUS(status) : -1;
#else
        return status;
#endif
    }

    // Runs the program with its standard output into `reader` (a shell command); returns
    // the program's exit status and keeps its standard error.
    int Piped(const std::string& arguments, const std::string& reader) {
        const fs::path err = folder / "piped.err";
        const fs::path status = folder / "piped.status";
        // The reader has some time to start (and perhaps to finish) before the program.
        const std::string command = "{ sleep 0.2; '" + std::string(PELZAMO_SIM_PATH) + "' " +
                                    arguments + " 2> '" + err.string() + "'; echo $? > '" +
                                    status.string() + "'; } | " + reader;
        [[maybe_unused]] const int ignored = std::system(command.c_str());
        stderrText = Read(err);
        const std::string code = Read(status);
        fs::remove(err);
        fs::remove(status);
        return code.empty() ? -1 : std::stoi(code);
    }

    static std::string Read(const fs::path& path) {
        std::ifstream in(path, std::ios::binary);
        std::ostringstream text;
        text << in.rdbuf();
        return text.str();
    }

    fs::path folder;
    std::string stdoutText;
    std::string stderrText;
};

TEST_F(PelzamoSimTest, SameSeedGivesTheSameSpectrum) {
    ASSERT_EQ(Run("--seed 12345 --decays 200000"), 0) << stderrText;
    const std::string first = stdoutText;
    ASSERT_EQ(Run("--seed 12345 --decays 200000"), 0);
    EXPECT_EQ(stdoutText, first);
    EXPECT_EQ(first.rfind("channel,counts\n0,0\n", 0), 0u);
    // Counts match the spectrum pinned for this seed in the simulation tests.
    std::istringstream lines(first);
    std::string line;
    std::getline(lines, line);
    long long total = 0;
    int rows = 0;
    while (std::getline(lines, line)) {
        total += std::stoll(line.substr(line.find(',') + 1));
        ++rows;
    }
    EXPECT_EQ(rows, 4096);
    EXPECT_EQ(total, 6550);
    for (const char* item :
         {"200000 decays", "6550 counted", "s simulated", "s wall", "decays/s", "seed 12345"})
        EXPECT_NE(stderrText.find(item), std::string::npos) << item << " in: " << stderrText;
}

TEST_F(PelzamoSimTest, SecondsRunWholeTicksAndTheClockSeedsWithoutSeed) {
    ASSERT_EQ(Run("--seconds 0.2 --distance 3"), 0) << stderrText;
    EXPECT_NE(stderrText.find("40002 decays"), std::string::npos) << stderrText;
    EXPECT_NE(stderrText.find("seed "), std::string::npos);
}

TEST_F(PelzamoSimTest, OutputFileInSpeLayout) {
    const fs::path file = folder / "out.spe";
    ASSERT_EQ(Run("--seed 1 --seconds 0.1 --format spe --output '" + file.string() + "'"), 0)
        << stderrText;
    EXPECT_EQ(stdoutText, "");
    const std::string spe = Read(file);
    EXPECT_EQ(spe.rfind("$SPEC_ID:\n", 0), 0u);
    EXPECT_NE(spe.find("\n$MEAS_TIM:\n0.1 0.1\n$DATA:\n0 4095\n"), std::string::npos);
    EXPECT_NE(spe.find("\n$ENER_FIT:\n-10 1\n"), std::string::npos);
}

TEST_F(PelzamoSimTest, BadInputExitsWithStatus2AndWritesNothing) {
    const fs::path file = folder / "keep.csv";
    std::ofstream(file) << "previous";
    const std::string output = " --output '" + file.string() + "'";
    for (const std::string& arguments :
         {std::string("--bogus"), std::string("--decays 0"), std::string("--decays many"),
          std::string("--seed -1"), std::string("--seed 1e-400"), std::string("--seed 1 --seed 2"),
          std::string("--distance 1"), std::string("--height 0"), std::string("--format txt"),
          std::string("--seconds 1 --decays 10"), std::string("--decays 10 --seconds 1"),
          std::string("--decays 2e9"), std::string("--decays 1.3e9"),
          std::string("--generator philox --blocks 0:99"),
          std::string("--start-time 2999-01-01T00:00:00Z"),
          std::string("--seed \"$(printf '1\\n2')\"")}) {
        EXPECT_EQ(Run(arguments + output), 2) << arguments;
        EXPECT_EQ(stdoutText, "") << arguments;
        EXPECT_EQ(std::count(stderrText.begin(), stderrText.end(), '\n'), 1)
            << "one line: " << stderrText;
        EXPECT_EQ(Read(file), "previous") << arguments;
    }
    EXPECT_EQ(Run("--decays 10 --output '" + (folder / "missing" / "x.csv").string() + "'"), 2);
    EXPECT_NE(stderrText.find("missing"), std::string::npos);
    // Only a regular file or a new name: not a folder, a device or a named pipe, nor a
    // link to one; refused before any run.
    ASSERT_EQ(mkfifo((folder / "fifo").c_str(), 0600), 0);
    fs::create_symlink("/dev/full", folder / "full");
    for (const fs::path& target :
         {folder, fs::path("/dev/null"), folder / "fifo", folder / "full"}) {
        EXPECT_EQ(Run("--seconds 100 -o '" + target.string() + "'"), 2) << target;
        EXPECT_EQ(stderrText.find("decays"), std::string::npos) << "nothing simulated";
    }
    EXPECT_EQ(std::distance(fs::directory_iterator(folder), {}), 3) << "no temporary left";
}

TEST_F(PelzamoSimTest, StandardOutputIsDashAndAPipeMayCloseEarly) {
    ASSERT_EQ(Run("--decays 1000 -o -"), 0) << stderrText;
    EXPECT_EQ(stdoutText.rfind("channel,counts\n", 0), 0u);
    EXPECT_FALSE(fs::exists("-"));
    // /dev/stdout on a pipe is refused before anything is simulated.
    EXPECT_EQ(Piped("--generator philox --seconds 100000 -o /dev/stdout", "cat > /dev/null"), 2);
    EXPECT_NE(stderrText.find("-o -"), std::string::npos) << stderrText;
    // A reader that has gone: one line, status 2.
    EXPECT_EQ(Piped("--decays 200000 -o -", "true"), 2);
    EXPECT_NE(stderrText.find("standard output"), std::string::npos) << stderrText;
    EXPECT_EQ(std::count(stderrText.begin(), stderrText.end(), '\n'), 1) << stderrText;
}

TEST_F(PelzamoSimTest, AnInterruptedRunLeavesNoTemporaryFile) {
    // The file-size limit strikes while the spectrum is written: the handler removes the
    // temporary, then the signal ends the program.
    const fs::path sub = folder / "out";
    fs::create_directory(sub);
    EXPECT_NE(Run("--decays 10 -o '" + (sub / "a.spe").string() + "'", "ulimit -f 1; "), 0);
    EXPECT_TRUE(fs::is_empty(sub));
    // A run stopped while it simulates has made no temporary yet.
    const std::string command = "'" + std::string(PELZAMO_SIM_PATH) +
                                "' --generator philox --threads 1 --seconds 100000 -o '" +
                                (sub / "b.csv").string() +
                                "' 2>/dev/null & sleep 0.3; kill -TERM $!; wait $!";
    EXPECT_NE(std::system(command.c_str()), 0);
    EXPECT_TRUE(fs::is_empty(sub));
}

TEST_F(PelzamoSimTest, SlicesMergedGiveTheWholeRunOnAnyThreadCount) {
    const std::string run = "--generator philox --seed 7 --seconds 3.5 --start-time "
                            "2026-12-08T15:08:54Z ";
    const auto path = [&](const char* name) { return "'" + (folder / name).string() + "'"; };
    ASSERT_EQ(Run(run + "--threads 1 -o " + path("one.spe")), 0) << stderrText;
    ASSERT_EQ(Run(run + "--threads 3 -o " + path("three.spe")), 0);
    EXPECT_EQ(Read(folder / "one.spe"), Read(folder / "three.spe"));
    ASSERT_EQ(Run(run + "-o " + path("whole.n42")), 0);
    ASSERT_EQ(Run(run + "--blocks 2:3 -o " + path("b.spe")), 0);
    ASSERT_EQ(Run(run + "--blocks 0:1 -o " + path("a.spe")), 0);
    ASSERT_EQ(Run("merge -o " + path("merged.spe") + " " + path("b.spe") + " " + path("a.spe")), 0)
        << stderrText;
    EXPECT_EQ(Read(folder / "merged.spe"), Read(folder / "one.spe"));
    ASSERT_EQ(Run("merge " + path("a.spe") + " " + path("b.spe") + " -o " + path("merged.n42")), 0);
    EXPECT_EQ(Read(folder / "merged.n42"), Read(folder / "whole.n42"));
    EXPECT_EQ(Run("merge " + path("a.spe") + " " + path("merged.spe")), 2);
    EXPECT_NE(stderrText.find("block 0 is in both"), std::string::npos) << stderrText;
    EXPECT_NE(stderrText.find("merged.spe"), std::string::npos) << stderrText;
    // A lost slice: refused, naming the blocks, unless asked; the partial file merges
    // with the rest, read from a list, into the whole run's.
    EXPECT_EQ(Run("merge -o " + path("partial.n42") + " " + path("a.spe")), 2);
    EXPECT_NE(stderrText.find("lack blocks 2-3 of 0-3"), std::string::npos) << stderrText;
    EXPECT_FALSE(fs::exists(folder / "partial.n42"));
    ASSERT_EQ(Run("merge --partial -o " + path("partial.n42") + " " + path("a.spe")), 0);
    ASSERT_EQ(Run("merge --files-from - -o " + path("again.n42"),
                  "printf '%s\\n' " + path("partial.n42") + " " + path("b.spe") + " | "),
              0)
        << stderrText;
    EXPECT_EQ(Read(folder / "again.n42"), Read(folder / "whole.n42"));
}

TEST_F(PelzamoSimTest, N42IsAnAnsiN42Document) {
    ASSERT_EQ(Run("--seed 3 --seconds 1 --start-time 2026-12-08T15:08:54Z --format n42"), 0);
    QXmlStreamReader xml(QString::fromStdString(stdoutText));
    const QString n42 = "http://physics.nist.gov/N42/2011/N42";
    int measurements = 0;
    std::vector<std::string> texts; // of the elements below, by name
    std::vector<long long> counts;
    while (!xml.atEnd()) {
        if (xml.readNext() != QXmlStreamReader::StartElement) continue;
        EXPECT_EQ(xml.namespaceUri().toString(), n42) << xml.name().toString().toStdString();
        const QString name = xml.name().toString();
        if (name == "RadMeasurement") ++measurements;
        if (name == "ChannelData") {
            for (const QString& value : xml.readElementText().simplified().split(' '))
                counts.push_back(value.toLongLong());
        } else if (name == "StartDateTime" || name == "RealTimeDuration" ||
                   name == "LiveTimeDuration" || name == "CoefficientValues") {
            texts.push_back(name.toStdString() + "=" + xml.readElementText().toStdString());
        }
    }
    ASSERT_FALSE(xml.hasError()) << xml.errorString().toStdString();
    EXPECT_EQ(measurements, 1);
    EXPECT_EQ(texts, (std::vector<std::string>{"CoefficientValues=-10 1 0",
                                               "StartDateTime=2026-12-08T15:08:54Z",
                                               "RealTimeDuration=PT1S", "LiveTimeDuration=PT1S"}));
    ASSERT_EQ(counts.size(), 4096u);
    long long total = 0;
    for (long long count : counts)
        total += count;
    EXPECT_NE(stderrText.find(std::to_string(total) + " counted"), std::string::npos) << total;
}

TEST_F(PelzamoSimTest, EveryN42FileValidatesAgainstTheN42Schema) {
    const std::string start = " --start-time 2026-12-08T15:08:54Z -o ";
    const auto path = [&](const char* name) { return "'" + (folder / name).string() + "'"; };
    for (const auto& [arguments, name] :
         {std::pair{"--seed 3 --seconds 1", "default.n42"},
          {"--decays 10", "short.n42"},
          {"--decays 1000 --distance 1e6 --height 1e-9 --radius 0.001 --resolution 0", "odd.n42"},
          {"--decays 1000 --distance 1e3 --height 40 --radius 300 --resolution 1e9", "large.n42"},
          {"--generator philox --seconds 2 --blocks 1:1", "slice.n42"}})
        ASSERT_EQ(Run(std::string(arguments) + start + path(name)), 0) << stderrText;
    ASSERT_EQ(Run("merge --partial -o " + path("partial.n42") + " " + path("slice.n42")), 0);
    const std::string command = "xmllint --noout --schema '" + std::string(PELZAMO_N42_SCHEMA) +
                                "' '" + folder.string() + "'/*.n42 2>&1";
    std::string output;
    FILE* pipe = popen(command.c_str(), "r");
    ASSERT_NE(pipe, nullptr);
    char buffer[4096];
    for (std::size_t n; (n = fread(buffer, 1, sizeof buffer, pipe)) > 0;)
        output.append(buffer, n);
    const int status = pclose(pipe);
    EXPECT_EQ(status, 0) << "xmllint (Debian: libxml2-utils) says: " << output;
    EXPECT_EQ(std::count(output.begin(), output.end(), '\n'), 6) << output;
}

TEST_F(PelzamoSimTest, HelpAndVersion) {
    ASSERT_EQ(Run("--help"), 0);
    EXPECT_EQ(stdoutText.rfind("Usage: pelzamo-sim", 0), 0u);
    for (const char* item : {"--resolution", "half-length", "-o, --output", "merge"})
        EXPECT_NE(stdoutText.find(item), std::string::npos) << item;
    ASSERT_EQ(Run("--version"), 0);
    EXPECT_EQ(stdoutText.rfind("pelzamo-sim (Pelzamo2007) ", 0), 0u);
}

} // namespace
