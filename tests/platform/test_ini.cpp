#include "platform/IniFile.h"
#include "platform/TextCodec.h"

#include <filesystem>
#include <fstream>
#include <gtest/gtest.h>
#include <random>
#include <string>

using platform::IniFile;

namespace {

std::string ReadGeneral(const IniFile& ini, const char* key) {
    return ini.Read("General", key, "None");
}

TEST(IniFile, ProfileRules) {
    const IniFile ini = IniFile::FromText("; a comment\r\n"
                                          "[general]\r\n"
                                          "S0001 = Start \r\n"
                                          "s0002=\"  with blanks  \"\r\n"
                                          "S0003='single'\r\n"
                                          "S0004=\"unbalanced'\r\n"
                                          "S0005=\r\n"
                                          "S0001=second wins not\r\n"
                                          "no equals sign here\r\n"
                                          ";S0006=commented out\r\n"
                                          "S0007=a=b\r\n"
                                          "\tS0008\t=\ttabbed\t\r\n"
                                          "[Other]\r\n"
                                          "S0009=elsewhere\r\n"
                                          "[ GENERAL ] trailing text\r\n"
                                          "S0009=back in general\r\n"
                                          "S0010=\"\"\r\n"
                                          "S0011=last line without line end");
    EXPECT_EQ(ReadGeneral(ini, "S0001"), "Start");
    EXPECT_EQ(ini.Read("GENERAL", "s0001", "None"), "Start");
    EXPECT_EQ(ReadGeneral(ini, "S0002"), "  with blanks  ");
    EXPECT_EQ(ReadGeneral(ini, "S0003"), "single");
    EXPECT_EQ(ReadGeneral(ini, "S0004"), "\"unbalanced'");
    EXPECT_EQ(ReadGeneral(ini, "S0005"), "");
    EXPECT_EQ(ReadGeneral(ini, "S0006"), "None");
    EXPECT_EQ(ReadGeneral(ini, "S0007"), "a=b");
    EXPECT_EQ(ReadGeneral(ini, "S0008"), "tabbed");
    EXPECT_EQ(ini.Read("other", "S0009", "None"), "elsewhere");
    EXPECT_EQ(ReadGeneral(ini, "S0009"), "back in general");
    EXPECT_EQ(ReadGeneral(ini, "S0010"), "");
    EXPECT_EQ(ReadGeneral(ini, "S0011"), "last line without line end");
    EXPECT_EQ(ini.Read("Missing", "S0001", "dflt"), "dflt");
}

TEST(IniFile, MissingFileGivesDefaults) {
    const IniFile ini("no/such/folder/Pelzamo2007.ini");
    EXPECT_EQ(ReadGeneral(ini, "S0001"), "None");
    const IniFile folder(std::filesystem::temp_directory_path().string()); // not a file
    EXPECT_EQ(ReadGeneral(folder, "S0001"), "None");
}

TEST(IniFile, ReadsAFileWithByteOrderMark) {
    const auto path = std::filesystem::temp_directory_path() / "pelzamo_test_ini_bom.ini";
    {
        std::ofstream out(path, std::ios::binary);
        out << "\xEF\xBB\xBF[General]\nS0029=Detektor\nS0030=Hőmérséklet";
    }
    const IniFile ini(path.string());
    std::filesystem::remove(path);
    EXPECT_EQ(ReadGeneral(ini, "S0029"), "Detektor");
    EXPECT_EQ(ReadGeneral(ini, "S0030"), "Hőmérséklet");
}

TEST(IniFile, NonUtf8FileIsReadAsWindows1250) {
    // "Árvíztűrő tükörfúrógép" and "Łódź Šťastný" in Windows-1250.
    const IniFile ini = IniFile::FromText("[General]\nS0001=\xC1rv\xEDzt\xFBr\xF5 "
                                          "t\xFCk\xF6rf\xFAr\xF3g\xE9p\n"
                                          "S0002=\xA3\xF3\x64\x9F \x8A\x9D\x61stn\xFD\n"
                                          "S0003=\x80 \x81\n");
    EXPECT_EQ(ReadGeneral(ini, "S0001"), "Árvíztűrő tükörfúrógép");
    EXPECT_EQ(ReadGeneral(ini, "S0002"), "Łódź Šťastný");
    EXPECT_EQ(ReadGeneral(ini, "S0003"), "€ \xEF\xBF\xBD"); // undefined byte: U+FFFD
}

TEST(IniFile, LongValuesAreCutAtACharacterBoundary) {
    std::string ascii(3000, 'a');
    std::string accented;
    for (int i = 0; i < 3000; ++i)
        accented += "ő"; // two bytes each
    const IniFile ini = IniFile::FromText("[General]\nS0001=" + ascii + "\nS0002=" + accented +
                                          "\nS0003=\"" + std::string(2046, 'b') + "  \"\n");
    EXPECT_EQ(ReadGeneral(ini, "S0001"), std::string(2047, 'a'));
    const std::string cut = ReadGeneral(ini, "S0002");
    EXPECT_EQ(cut.size(), 2 * 2047u);
    EXPECT_TRUE(platform::IsValidUtf8(cut));
    EXPECT_EQ(ReadGeneral(ini, "S0003"), std::string(2046, 'b') + " "); // cut after unquoting
}

TEST(IniFile, SurvivesJunk) {
    // NUL bytes are dropped; a 10 MB line, binary noise and stray brackets neither crash
    // nor hang, and the keys around them still read.
    std::string content("[General]\nS0001=be\0fore\n", 24);
    content += "S0002=" + std::string(10 * 1024 * 1024, 'x') + "\n";
    std::mt19937 random(12345);
    for (int i = 0; i < 100000; ++i)
        content += static_cast<char>(random() & 0xFF);
    content += "\n[\n]\n[[[]]]=\n=\n[General]\nS0003=after\n";
    const IniFile ini = IniFile::FromText(content);
    EXPECT_EQ(ReadGeneral(ini, "S0001"), "before");
    EXPECT_EQ(ReadGeneral(ini, "S0002"), std::string(2047, 'x'));
    EXPECT_EQ(ReadGeneral(ini, "S0003"), "after");
}

TEST(TextCodec, Utf8ChecksAndCuts) {
    using platform::IsValidUtf8;
    EXPECT_TRUE(IsValidUtf8("plain ő € 𝄞"));
    EXPECT_FALSE(IsValidUtf8("\xC3"));             // cut short
    EXPECT_FALSE(IsValidUtf8("\xC0\xAF"));         // overlong
    EXPECT_FALSE(IsValidUtf8("\xED\xA0\x80"));     // surrogate
    EXPECT_FALSE(IsValidUtf8("\xF4\x90\x80\x80")); // beyond U+10FFFF
    EXPECT_FALSE(IsValidUtf8("\xE9t\xE9"));        // Latin text in an 8-bit code page
    EXPECT_EQ(platform::Utf8PrefixBytes("aő€", 2), "a");
    EXPECT_EQ(platform::Utf8PrefixBytes("aő€", 3), "aő");
    EXPECT_EQ(platform::Utf8PrefixBytes("aő€", 5), "aő");
    EXPECT_EQ(platform::Utf8PrefixBytes("aő€", 6), "aő€");
    EXPECT_EQ(platform::Utf8PrefixChars("aő€", 2), "aő");
}

TEST(TextCodec, EightBitCodePages) {
    using platform::Windows1250Char;
    using platform::Windows1252Char;
    EXPECT_EQ(Windows1250Char('A'), U'A');
    EXPECT_EQ(Windows1252Char('A'), U'A');
    EXPECT_EQ(Windows1250Char(0xF5), U'ő'); // the Hungarian letters differ
    EXPECT_EQ(Windows1252Char(0xF5), U'õ');
    EXPECT_EQ(Windows1250Char(0x80), U'€');
    EXPECT_EQ(Windows1252Char(0x80), U'€');
    EXPECT_EQ(Windows1252Char(0x9F), U'Ÿ');
    EXPECT_EQ(Windows1252Char(0xA0), U'\u00A0'); // Latin-1 from 0xA0 on
    EXPECT_EQ(Windows1250Char(0x81), U'\uFFFD'); // undefined in both
    EXPECT_EQ(Windows1252Char(0x81), U'\uFFFD');
}

} // namespace
