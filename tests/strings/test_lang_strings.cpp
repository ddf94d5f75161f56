#include "strings/LangStrings.h"

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
        strings::ProgramDir = root_.string() + "/";
        strings::LanguageDir.clear();
        strings::CloseLanguageIni();
    }
    void TearDown() override {
        strings::CloseLanguageIni();
        strings::ProgramDir.clear();
        strings::LanguageDir.clear();
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
    strings::LanguageDir = dir.string();
    EXPECT_EQ(strings::LangString(1), "one");
    EXPECT_EQ(strings::LangString(29), "Detector");
    EXPECT_EQ(strings::LangString(407), "last");
    EXPECT_EQ(strings::LangString(0), "zero");
    EXPECT_EQ(strings::LangString(2), "None");
    // Ids outside 0..89999 form other keys but never crash.
    EXPECT_EQ(strings::LangString(-1), "None");
    EXPECT_EQ(strings::LangString(-10000), "None");
    EXPECT_EQ(strings::LangString(INT32_MAX), "None");
    EXPECT_EQ(strings::LangString(INT32_MIN), "None");
}

TEST_F(LangStrings, QuotedTextKeepsItsBlanks) {
    strings::OpenLanguageIni(WritePack("Magyar", "[General]\nS0060=\"  ROI:  \"\n").string() +
                             "/Pelzamo2007.ini");
    EXPECT_TRUE(strings::LanguageIniOpen());
    EXPECT_EQ(strings::LangString(60), "  ROI:  ");
}

TEST_F(LangStrings, WithoutAPackTheProgramFolderFileIsRead) {
    EXPECT_EQ(strings::LangString(5), "None"); // no file at all
    EXPECT_TRUE(strings::LanguageIniOpen());

    strings::CloseLanguageIni();
    WritePack("", "[General]\nS0005=Exit\n");
    EXPECT_EQ(strings::LangString(5), "Exit");
    // Once open, the file stays in use even when LanguageDir changes later.
    strings::LanguageDir = WritePack("Other", "[General]\nS0005=Other exit\n").string();
    EXPECT_EQ(strings::LangString(5), "Exit");
    strings::CloseLanguageIni();
    EXPECT_EQ(strings::LangString(5), "Other exit");
}

TEST_F(LangStrings, Windows1250PackIsConverted) {
    strings::LanguageDir = WritePack("Magyar", "[General]\nS0029=Detektor\nS0005=Kil\xE9p\xE9s\n");
    EXPECT_EQ(strings::LangString(5), "Kilépés");
}

TEST_F(LangStrings, ZeroTerminatedCopyIsCutAtACharacterBoundary) {
    std::string text = "x";
    for (int i = 0; i < 1000; ++i)
        text += "ő"; // 2001 bytes
    strings::LanguageDir =
        WritePack("Long", "[General]\nS0055=" + text + "\nS0007=Error\n").string();
    const char* z = strings::LangStringZ(55);
    EXPECT_EQ(std::strlen(z), 1023u); // "x" and 511 two-byte letters fit in 1024 bytes
    EXPECT_EQ(std::string(z), text.substr(0, 1023));
    EXPECT_STREQ(strings::LangStringZ(7), "Error");
}

TEST(ProgramDir, IsTheExecutableFolderWithSeparator) {
    strings::SetProgramDirFromExecutable("/opt/pelzamo/Pelzamo2007");
    EXPECT_EQ(strings::ProgramDir, "/opt/pelzamo/");
    strings::SetProgramDirFromExecutable("Pelzamo2007"); // relative: made absolute
    EXPECT_EQ(strings::ProgramDir, (fs::current_path() / "").string());
    strings::SetProgramDirFromExecutable("/opt/pelz\xE1mo/Pelzamo2007"); // not UTF-8
    EXPECT_EQ(strings::ProgramDir, "/opt/pelz\xE1mo/");
    // Unknown: no folder at all, not the working folder.
    strings::SetProgramDirFromExecutable("");
    EXPECT_EQ(strings::ProgramDir, "");
    ASSERT_TRUE(strings::SetProgramDirFromRunningExecutable());
    EXPECT_TRUE(fs::exists(strings::ProgramDir / "test_lang"));
    strings::ProgramDir.clear();
}

TEST(TrimSpaces, BlanksOnly) {
    EXPECT_EQ(strings::TrimSpaces("  12 "), "12");
    EXPECT_EQ(strings::TrimSpaces("    "), "");
    EXPECT_EQ(strings::TrimSpaces("\t12"), "\t12");
}

} // namespace
