#include "strings/LangStrings.h"

#include "platform/Files.h"
#include "platform/Numbers.h"

#include <algorithm>

namespace strings {

namespace {

constexpr std::string_view LanguageFileName = "Pelzamo2007.ini";
const std::string MissingText = "None";

// "S" and the characters 2 to 7 of the decimal text of id + 10000: the four-digit key
// for ids 0 to 89999. Computed in 64 bits, so no id can overflow.
std::string KeyOf(std::int32_t id) {
    const std::string digits = std::to_string(static_cast<std::int64_t>(id) + 10000);
    std::string key(1, 'S'); // appended, not "S" + ...: GCC 12 warns wrongly about that
    key.append(digits, std::min<std::size_t>(1, digits.size()), 6);
    return key;
}

} // namespace

std::filesystem::path Catalogue::PackFilePath(std::string_view fileName) const {
    return (languageDir_.empty() ? programDir_ : languageDir_) / fileName;
}

bool Catalogue::SetProgramDirFromRunningExecutable() {
    SetProgramDirFromExecutable(platform::ExecutablePath());
    return !programDir_.empty();
}

void Catalogue::SetProgramDirFromExecutable(const std::filesystem::path& executablePath) {
    programDir_.clear();
    if (executablePath.empty()) return;
    std::error_code error;
    std::filesystem::path path = std::filesystem::absolute(executablePath, error);
    if (error) path = executablePath;
    std::filesystem::path dir = path.parent_path();
    if (dir.empty()) dir = ".";
    programDir_ = dir / ""; // with a trailing separator
}

void Catalogue::ChoosePack(const std::filesystem::path& folder) {
    languageDir_ = folder;
    languageIni_.emplace(PackFilePath(LanguageFileName));
}

std::string Catalogue::LangString(std::int32_t id) {
    // The path is worked out on every call but only used when no file is open yet.
    const std::filesystem::path path = PackFilePath(LanguageFileName);
    if (!languageIni_) languageIni_.emplace(path);
    return languageIni_->Read("General", KeyOf(id), MissingText);
}

std::string TrimSpaces(const std::string& text) {
    return platform::TrimSpaces(text);
}

} // namespace strings
