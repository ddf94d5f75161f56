#pragma once
// Numbered UI strings from the chosen language pack.
//
// A pack is a subfolder of the program folder holding Pelzamo2007.ini (section
// "General", keys "S" + four-digit string id) and the help files. Every lookup of a
// missing file, section or key gives "None".
//
// A catalogue holds the program folder, the chosen pack and its open file. The program
// has one, which the start-up sequence owns and hands to every window: the pack is one
// choice for the whole run, made before any window applies its strings.

#include "platform/IniFile.h"

#include <cstdint>
#include <filesystem>
#include <optional>
#include <string>
#include <string_view>

namespace strings {

// Paths are the platform's native strings (the file system's bytes on Linux), so a
// folder whose name is not valid text is found too.
class Catalogue {
public:
    // Folder of the executable, ending in the platform's separator; empty until set.
    const std::filesystem::path& ProgramDir() const { return programDir_; }
    // Full path of the chosen language folder without a trailing separator; empty until
    // a pack is chosen.
    const std::filesystem::path& LanguageDir() const { return languageDir_; }

    // Sets ProgramDir from the running executable's real path. False, with ProgramDir
    // empty, when it cannot be found: the working folder is no stand-in for it.
    bool SetProgramDirFromRunningExecutable();
    // Sets ProgramDir to the folder of executablePath (a relative path is taken from the
    // working folder). An empty path leaves ProgramDir empty.
    void SetProgramDirFromExecutable(const std::filesystem::path& executablePath);
    // Sets ProgramDir to `folder` as it is.
    void SetProgramDir(std::filesystem::path folder) { programDir_ = std::move(folder); }

    // Chooses the pack in `folder` (the language dialog's OK): LanguageDir = folder, and
    // its language file is opened in place of any open one. A missing file opens as
    // empty.
    void ChoosePack(const std::filesystem::path& folder);
    // Closes the open language file, so that the next lookup opens one lazily.
    void CloseLanguageIni() { languageIni_.reset(); }
    bool LanguageIniOpen() const { return languageIni_.has_value(); }

    // The file of that name in LanguageDir, or in ProgramDir while LanguageDir is empty:
    // where the language file and the help files of the chosen pack are looked for.
    std::filesystem::path PackFilePath(std::string_view fileName) const;

    // The text of a string id (UTF-8), "None" when missing. With no file open, the first
    // lookup opens Pelzamo2007.ini in LanguageDir, or in ProgramDir while LanguageDir is
    // empty. The key is "S" and the characters 2 to 7 of the decimal text of id + 10000
    // (S0001 for id 1); any id is safe.
    std::string LangString(std::int32_t id);

private:
    std::filesystem::path programDir_;
    std::filesystem::path languageDir_;
    std::optional<platform::IniFile> languageIni_;
};

// Drops leading and trailing blanks (character 32 only).
std::string TrimSpaces(const std::string& text);

} // namespace strings
