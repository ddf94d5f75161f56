#include "shell/LangStrings.h"

#include <cstring>
#include <filesystem>
#include <fstream>
#include <gtest/gtest.h>
#include <string>

namespace fs = std::filesystem;

namespace {

// A program folder in the temporary directory, with the string lookup reset around
// each test.
class LangStrings : public ::testing::Test {
protected:
    void SetUp() override {
        root_ = fs::temp_directory_path() /
                ("pelzamo_lang_" +
                 std::string(testing::UnitTest::GetInstance()->current_test_info()->name()));
        fs::remove_all(root_);
        fs::create_directories(root_);
        shell::ProgramDir = root_.string() + "/";
        shell::LanguageDir.clear();
        shell::CloseLanguageIni();
    }
    void TearDown() override {
        shell::CloseLanguageIni();
        shell::ProgramDir.clear();
        shell::LanguageDir.clear();
        fs::remove_all(root_);
    }
    fs::path WritePack(const std::string& folder, const std::string& content) {
        const fs::path dir = folder.empty() ? root_ : root_ / folder;
        fs::create_directories(dir);
        std::ofstream(dir / "Pelzamo2007.ini", std::ios::binary) << content;
        return dir;
    }

    fs::path root_;
};

TEST_F(LangStrings, KeysAreTheIdInFourDigits) {
    const fs::path dir = WritePack("English", "[General]\nS0001=one\nS0029=Detector\n"
                                              "S0407=last\nS0000=zero\nS89999=big\n");
    shell::LanguageDir = dir.string();
    EXPECT_EQ(shell::LangString(1), "one");
    EXPECT_EQ(shell::LangString(29), "Detector");
    EXPECT_EQ(shell::LangString(407), "last");
    EXPECT_EQ(shell::LangString(0), "zero");
    EXPECT_EQ(shell::LangString(2), "None");
    // Ids outside 0..89999 form other keys but never crash.
    EXPECT_EQ(shell::LangString(-1), "None");
    EXPECT_EQ(shell::LangString(-10000), "None");
    EXPECT_EQ(shell::LangString(INT32_MAX), "None");
    EXPECT_EQ(shell::LangString(INT32_MIN), "None");
}

TEST_F(LangStrings, QuotedTextKeepsItsBlanks) {
    shell::OpenLanguageIni(WritePack("Magyar", "[General]\nS0060=\"  ROI:  \"\n").string() +
                           "/Pelzamo2007.ini");
    EXPECT_TRUE(shell::LanguageIniOpen());
    EXPECT_EQ(shell::LangString(60), "  ROI:  ");
}

TEST_F(LangStrings, WithoutAPackTheProgramFolderFileIsRead) {
    EXPECT_EQ(shell::LangString(5), "None"); // no file at all
    EXPECT_TRUE(shell::LanguageIniOpen());

    shell::CloseLanguageIni();
    WritePack("", "[General]\nS0005=Exit\n");
    EXPECT_EQ(shell::LangString(5), "Exit");
    // Once open, the file stays in use even when LanguageDir changes later.
    shell::LanguageDir = WritePack("Other", "[General]\nS0005=Other exit\n").string();
    EXPECT_EQ(shell::LangString(5), "Exit");
    shell::CloseLanguageIni();
    EXPECT_EQ(shell::LangString(5), "Other exit");
}

TEST_F(LangStrings, Windows1250PackIsConverted) {
    shell::LanguageDir = WritePack("Magyar", "[General]\nS0029=Detektor\nS0005=Kil\xE9p\xE9s\n");
    EXPECT_EQ(shell::LangString(5), "Kilépés");
}

TEST_F(LangStrings, ZeroTerminatedCopyIsCutAtACharacterBoundary) {
    std::string text = "x";
    for (int i = 0; i < 1000; ++i)
        text += "ő"; // 2001 bytes
    shell::LanguageDir = WritePack("Long", "[General]\nS0055=" + text + "\nS0007=Error\n").string();
    const char* z = shell::LangStringZ(55);
    EXPECT_EQ(std::strlen(z), 1023u); // "x" and 511 two-byte letters fit in 1024 bytes
    EXPECT_EQ(std::string(z), text.substr(0, 1023));
    EXPECT_STREQ(shell::LangStringZ(7), "Error");
}

TEST(ProgramDir, IsTheExecutableFolderWithSeparator) {
    shell::SetProgramDirFromExecutable("/opt/pelzamo/Pelzamo2007");
    EXPECT_EQ(shell::ProgramDir, "/opt/pelzamo/");
    shell::SetProgramDirFromExecutable("Pelzamo2007"); // relative: made absolute
    EXPECT_EQ(shell::ProgramDir, (fs::current_path() / "").string());
    shell::ProgramDir.clear();
}

TEST(TrimSpaces, BlanksOnly) {
    EXPECT_EQ(shell::TrimSpaces("  12 "), "12");
    EXPECT_EQ(shell::TrimSpaces("    "), "");
    EXPECT_EQ(shell::TrimSpaces("\t12"), "\t12");
}

} // namespace
