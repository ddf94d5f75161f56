#include "strings/LangStrings.h"

#include <filesystem>
#include <fstream>
#include <gtest/gtest.h>
#include <string>

namespace fs = std::filesystem;

namespace {

// A program folder in the temporary directory, with a catalogue of its own.
class LangStrings : public ::testing::Test {
protected:
    void SetUp() override {
        root_ = fs::temp_directory_path() /
                ("pelzamo_lang_" +
                 std::string(testing::UnitTest::GetInstance()->current_test_info()->name()));
        fs::remove_all(root_);
        fs::create_directories(root_);
        catalogue.SetProgramDir(root_ / "");
    }
    void TearDown() override { fs::remove_all(root_); }
    fs::path WritePack(const std::string& folder, const std::string& content) {
        const fs::path dir = folder.empty() ? root_ : root_ / folder;
        fs::create_directories(dir);
        std::ofstream(dir / "Pelzamo2007.ini", std::ios::binary) << content;
        return dir;
    }

    fs::path root_;
    strings::Catalogue catalogue;
};

TEST_F(LangStrings, KeysAreTheIdInFourDigits) {
    const fs::path dir = WritePack("English", "[General]\nS0001=one\nS0029=Detector\n"
                                              "S0407=last\nS0000=zero\nS89999=big\n");
    catalogue.ChoosePack(dir);
    EXPECT_EQ(catalogue.LangString(1), "one");
    EXPECT_EQ(catalogue.LangString(29), "Detector");
    EXPECT_EQ(catalogue.LangString(407), "last");
    EXPECT_EQ(catalogue.LangString(0), "zero");
    EXPECT_EQ(catalogue.LangString(2), "None");
    // Ids outside 0..89999 form other keys but never crash.
    EXPECT_EQ(catalogue.LangString(-1), "None");
    EXPECT_EQ(catalogue.LangString(-10000), "None");
    EXPECT_EQ(catalogue.LangString(INT32_MAX), "None");
    EXPECT_EQ(catalogue.LangString(INT32_MIN), "None");
}

TEST_F(LangStrings, QuotedTextKeepsItsBlanks) {
    catalogue.ChoosePack(WritePack("Magyar", "[General]\nS0060=\"  ROI:  \"\n"));
    EXPECT_TRUE(catalogue.LanguageIniOpen());
    EXPECT_EQ(catalogue.LangString(60), "  ROI:  ");
}

TEST_F(LangStrings, WithoutAPackTheProgramFolderFileIsRead) {
    EXPECT_EQ(catalogue.LangString(5), "None"); // no file at all
    EXPECT_TRUE(catalogue.LanguageIniOpen());

    catalogue.CloseLanguageIni();
    WritePack("", "[General]\nS0005=Exit\n");
    EXPECT_EQ(catalogue.LangString(5), "Exit");
    // A pack chosen later replaces it, also when its file is opened again lazily.
    catalogue.ChoosePack(WritePack("Other", "[General]\nS0005=Other exit\n"));
    EXPECT_EQ(catalogue.LangString(5), "Other exit");
    catalogue.CloseLanguageIni();
    EXPECT_EQ(catalogue.LangString(5), "Other exit");
    EXPECT_EQ(catalogue.PackFilePath("Tasks.rtf"), root_ / "Other" / "Tasks.rtf");
}

TEST_F(LangStrings, Windows1250PackIsConverted) {
    catalogue.ChoosePack(WritePack("Magyar", "[General]\nS0029=Detektor\nS0005=Kil\xE9p\xE9s\n"));
    EXPECT_EQ(catalogue.LangString(5), "Kilépés");
}

TEST(ProgramDir, IsTheExecutableFolderWithSeparator) {
    strings::Catalogue catalogue;
    catalogue.SetProgramDirFromExecutable("Pelzamo2007"); // relative: made absolute
    EXPECT_EQ(catalogue.ProgramDir(), (fs::current_path() / "").string());
#ifdef _WIN32
    catalogue.SetProgramDirFromExecutable("C:\\Program Files\\Pelzamo2007\\Pelzamo2007.exe");
    EXPECT_EQ(catalogue.ProgramDir(), "C:\\Program Files\\Pelzamo2007\\");
    // Not valid text: a lone surrogate in a UTF-16 name.
    const std::wstring folder = std::wstring(L"C:\\pelz") + wchar_t(0xD800) + L"mo\\";
    catalogue.SetProgramDirFromExecutable(folder + L"Pelzamo2007.exe");
    EXPECT_EQ(catalogue.ProgramDir().native(), folder);
    const char* executable = "test_lang.exe";
#else
    catalogue.SetProgramDirFromExecutable("/opt/pelzamo/Pelzamo2007");
    EXPECT_EQ(catalogue.ProgramDir(), "/opt/pelzamo/");
    catalogue.SetProgramDirFromExecutable("/opt/pelz\xE1mo/Pelzamo2007"); // not UTF-8
    EXPECT_EQ(catalogue.ProgramDir(), "/opt/pelz\xE1mo/");
    const char* executable = "test_lang";
#endif
    // Unknown: no folder at all, not the working folder.
    catalogue.SetProgramDirFromExecutable("");
    EXPECT_EQ(catalogue.ProgramDir(), "");
    ASSERT_TRUE(catalogue.SetProgramDirFromRunningExecutable());
    EXPECT_TRUE(fs::exists(catalogue.ProgramDir() / executable));
}

TEST(TrimSpaces, BlanksOnly) {
    EXPECT_EQ(strings::TrimSpaces("  12 "), "12");
    EXPECT_EQ(strings::TrimSpaces("    "), "");
    EXPECT_EQ(strings::TrimSpaces("\t12"), "\t12");
}

} // namespace
