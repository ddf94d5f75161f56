#pragma once
// Numbered UI strings from the chosen language pack.
//
// A pack is a subfolder of the program folder holding Pelzamo2007.ini (section
// "General", keys "S" + four-digit string id) and the help files. Every lookup of a
// missing file, section or key gives "None".

#include <cstdint>
#include <string>

namespace shell {

// Folder of the executable, ending in the platform's separator.
extern std::string ProgramDir;
// Full path of the chosen language folder without a trailing separator; empty until
// the language dialog's OK.
extern std::string LanguageDir;

// Sets ProgramDir from the executable's path.
void SetProgramDirFromExecutable(const std::string& executablePath);

// Opens the language file of LanguageDir, closing any open one (the language dialog's OK).
void OpenLanguageIni(const std::string& path);
// Closes the open language file, so that the next lookup opens one lazily.
void CloseLanguageIni();
bool LanguageIniOpen();

// The text of a string id (UTF-8), "None" when missing.
std::string LangString(std::int32_t id);

// LangString copied with a terminating zero into a static buffer of 1025 characters,
// valid until the next call. Longer texts are cut at a character boundary.
const char* LangStringZ(std::int32_t id);

// Drops leading and trailing blanks (character 32 only).
std::string TrimSpaces(const std::string& text);

} // namespace shell
