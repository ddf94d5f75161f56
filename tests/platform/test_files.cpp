// Bounded reading: the size limit holds to the byte, links to regular files are read,
// and every other kind of file reads as missing.
#include "platform/Files.h"

#include <filesystem>
#include <fstream>
#include <gtest/gtest.h>
#include <string>
#include <sys/stat.h>
#include <unistd.h>
#include <vector>

namespace fs = std::filesystem;

namespace {

class Files : public testing::Test {
protected:
    void SetUp() override {
        root_ = fs::temp_directory_path() /
                ("pelzamo_files_" + std::to_string(::getpid()) + "_" +
                 testing::UnitTest::GetInstance()->current_test_info()->name());
        fs::remove_all(root_);
        fs::create_directories(root_);
    }
    void TearDown() override { fs::remove_all(root_); }

    std::string Write(const std::string& name, std::size_t bytes) {
        std::ofstream(root_ / name, std::ios::binary) << std::string(bytes, 'x');
        return (root_ / name).string();
    }

    fs::path root_;
};

TEST_F(Files, ReadsOnlyRegularFilesWithinTheLimit) {
    constexpr std::size_t Limit = 100;
    const std::string full = Write("full", Limit);
    fs::create_directory(root_ / "folder");
    std::vector<std::string> refused = {Write("over", Limit + 1), (root_ / "folder").string(),
                                        (root_ / "missing").string()};
#ifdef _WIN32
    // Devices: by their reserved names, in any folder and with any extension, or by the
    // device namespace.
    for (const char* device : {"NUL", "con", "COM1.ini", "lpt1 .rtf"})
        refused.push_back((root_ / device).string());
    refused.push_back("\\\\.\\NUL");
#else
    fs::create_symlink(full, root_ / "link");
    EXPECT_EQ(platform::ReadRegularFile((root_ / "link").string(), Limit), std::string(Limit, 'x'));
    ::mkfifo((root_ / "pipe").c_str(), 0600);
    refused.push_back((root_ / "pipe").string());
    refused.push_back("/dev/zero");
#endif

    EXPECT_EQ(platform::ReadRegularFile(full, Limit), std::string(Limit, 'x'));
    EXPECT_EQ(platform::ReadRegularFile(Write("empty", 0), Limit), std::string());
    for (const std::string& path : refused)
        EXPECT_FALSE(platform::ReadRegularFile(path, Limit).has_value()) << path;
}

TEST_F(Files, TheStampFollowsChangesAndAGrownFileIsRefused) {
    const std::string path = Write("grows", 10);
    platform::RegularFile file(path, 20);
    ASSERT_TRUE(file.IsOpen());
    EXPECT_EQ(file.Stamp().size, 10u);
    std::ofstream(path, std::ios::binary | std::ios::app) << std::string(11, 'y');
    EXPECT_FALSE(file.ReadAll().has_value()); // 21 bytes by now
    EXPECT_NE(platform::RegularFile(path, 100).Stamp(), file.Stamp());
}

} // namespace
