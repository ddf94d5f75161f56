#include "strings/LangStrings.h"

#include "platform/Files.h"
#include "platform/IniFile.h"
#include "platform/Numbers.h"
#include "platform/TextCodec.h"

#include <algorithm>
#include <array>
#include <cstring>
#include <filesystem>
#include <optional>

namespace strings {

std::filesystem::path ProgramDir;
std::filesystem::path LanguageDir;

namespace {

constexpr std::string_view LanguageFileName = "Pelzamo2007.ini";
const std::string MissingText = "None";

// The open language file; empty until the language dialog's OK or the first lookup.
std::optional<platform::IniFile> languageIni;

// 1024 bytes of text and the terminating zero.
std::array<char, 1025> zBuffer{};

// "S" and the characters 2 to 7 of the decimal text of id + 10000: the four-digit key
// for ids 0 to 89999. Computed in 64 bits, so no id can overflow.
std::string KeyOf(std::int32_t id) {
    const std::string digits = std::to_string(static_cast<std::int64_t>(id) + 10000);
    std::string key(1, 'S'); // appended, not "S" + ...: GCC 12 warns wrongly about that
    key.append(digits, std::min<std::size_t>(1, digits.size()), 6);
    return key;
}

} // namespace

std::filesystem::path PackFilePath(std::string_view fileName) {
    return (LanguageDir.empty() ? ProgramDir : LanguageDir) / fileName;
}

bool SetProgramDirFromRunningExecutable() {
    SetProgramDirFromExecutable(platform::ExecutablePath());
    return !ProgramDir.empty();
}

void SetProgramDirFromExecutable(const std::filesystem::path& executablePath) {
    ProgramDir.clear();
    if (executablePath.empty()) return;
    std::error_code error;
    std::filesystem::path path = std::filesystem::absolute(executablePath, error);
    if (error) path = executablePath;
    std::filesystem::path dir = path.parent_path();
    if (dir.empty()) dir = ".";
    ProgramDir = dir / ""; // with a trailing separator
}

void OpenLanguageIni(const std::filesystem::path& path) {
    languageIni.emplace(path);
}

void CloseLanguageIni() {
    languageIni.reset();
}

bool LanguageIniOpen() {
    return languageIni.has_value();
}

std::string LangString(std::int32_t id) {
    // The path is worked out on every call but only used when no file is open yet.
    const std::filesystem::path path = PackFilePath(LanguageFileName);
    if (!languageIni) languageIni.emplace(path);
    return languageIni->Read("General", KeyOf(id), MissingText);
}

const char* LangStringZ(std::int32_t id) {
    const std::string text = LangString(id);
    // Longer texts are cut at a character boundary, so the copy stays valid UTF-8.
    const std::string_view kept = platform::Utf8PrefixBytes(text, zBuffer.size() - 1);
    std::memcpy(zBuffer.data(), kept.data(), kept.size());
    zBuffer[kept.size()] = '\0';
    return zBuffer.data();
}

std::string TrimSpaces(const std::string& text) {
    return platform::TrimSpaces(text);
}

} // namespace strings
