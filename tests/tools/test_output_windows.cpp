// The batch tool's output file on Windows: devices, also by their reserved names in any
// folder, pipes, folders and read-only files are refused; an existing file is replaced
// whole and keeps its attributes; no temporary file is left behind.

#include "tools/OutputFile.h"

#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>
#include <iterator>
#include <random>
#include <sstream>
#include <string>

#include <windows.h>

namespace {

namespace fs = std::filesystem;

std::string Read(const fs::path& path) {
    std::ifstream in(path, std::ios::binary);
    std::ostringstream text;
    text << in.rdbuf();
    return text.str();
}

TEST(OutputFileWindows, RefusesDevicesFoldersAndReadOnlyFilesAndReplacesFilesWhole) {
    std::random_device entropy;
    const fs::path folder =
        fs::temp_directory_path() / ("pelzamo-sim-test-" + std::to_string(entropy()));
    fs::create_directories(folder / "sub");
    std::ofstream(folder / "locked.csv") << "old";
    SetFileAttributesW((folder / "locked.csv").c_str(), FILE_ATTRIBUTE_READONLY);
    std::ofstream(folder / "hidden.csv") << "old";
    SetFileAttributesW((folder / "hidden.csv").c_str(), FILE_ATTRIBUTE_HIDDEN);

    const struct {
        std::string path;
        const char* says;
    } cases[] = {
        {"NUL", "device"},
        {(folder / "con.csv").string(), "device"},
        {(folder / "COM1").string(), "device"},
        {(folder / "lpt1 .txt").string(), "device"},
        {"\\\\.\\pipe\\pelzamo", "device"},
        {(folder / "sub").string(), "folder"},
        {(folder / "missing" / "x.csv").string(), "folder"},
        {(folder / "locked.csv").string(), "read-only"},
    };
    for (const auto& c : cases) {
        simcli::OutputTarget target;
        EXPECT_NE(simcli::ResolveOutput(c.path, target).find(c.says), std::string::npos) << c.path;
        EXPECT_NE(simcli::WriteOutput(c.path, "x"), "") << c.path;
    }
    EXPECT_EQ(Read(folder / "locked.csv"), "old");

    ASSERT_EQ(simcli::WriteOutput((folder / "hidden.csv").string(), "new\ncontent"), "");
    EXPECT_EQ(Read(folder / "hidden.csv"), "new\ncontent");
    EXPECT_NE(GetFileAttributesW((folder / "hidden.csv").c_str()) & FILE_ATTRIBUTE_HIDDEN, 0u);
    ASSERT_EQ(simcli::WriteOutput((folder / "new.csv").string(), "x"), "");
    EXPECT_EQ(Read(folder / "new.csv"), "x");
    EXPECT_EQ(std::distance(fs::directory_iterator(folder), {}), 4) << "no temporary left";

    SetFileAttributesW((folder / "locked.csv").c_str(), FILE_ATTRIBUTE_NORMAL);
    fs::remove_all(folder);
}

} // namespace
