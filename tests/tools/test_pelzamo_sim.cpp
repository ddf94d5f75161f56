// The built pelzamo-sim program, run as a user runs it.

#include <gtest/gtest.h>

#include <algorithm>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <random>
#include <sstream>
#include <string>

#ifndef _WIN32
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
    int Run(const std::string& arguments) {
        const fs::path out = folder / "stdout.txt";
        const fs::path err = folder / "stderr.txt";
        const std::string command = "'" + std::string(PELZAMO_SIM_PATH) + "' " + arguments +
                                    " > '" + out.string() + "' 2> '" + err.string() + "'";
        const int status = std::system(command.c_str());
        stdoutText = Read(out);
        stderrText = Read(err);
#ifndef _WIN32
        return WIFEXITED(status) ? WEXITSTATUS(status) : -1;
#else
        return status;
#endif
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
          std::string("--seed -1"), std::string("--distance 1"), std::string("--height 0"),
          std::string("--format txt"), std::string("--seconds 1 --decays 10")}) {
        EXPECT_EQ(Run(arguments + output), 2) << arguments;
        EXPECT_EQ(stdoutText, "") << arguments;
        EXPECT_EQ(std::count(stderrText.begin(), stderrText.end(), '\n'), 1)
            << "one line: " << stderrText;
        EXPECT_EQ(Read(file), "previous") << arguments;
    }
    EXPECT_EQ(Run("--decays 10 --output '" + (folder / "missing" / "x.csv").string() + "'"), 2);
    EXPECT_NE(stderrText.find("missing"), std::string::npos);
    EXPECT_EQ(Run("--decays 10 --output '" + folder.string() + "'"), 2);
    EXPECT_EQ(std::distance(fs::directory_iterator(folder), {}), 3) << "no temporary left";
}

TEST_F(PelzamoSimTest, HelpShowsUsage) {
    ASSERT_EQ(Run("--help"), 0);
    EXPECT_EQ(stdoutText.rfind("Usage: pelzamo-sim", 0), 0u);
    EXPECT_NE(stdoutText.find("--resolution"), std::string::npos);
}

} // namespace
