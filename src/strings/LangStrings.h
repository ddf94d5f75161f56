#pragma once
// Numbered UI strings from the chosen language pack.
//
// A pack is a subfolder of the program folder holding Pelzamo2007.ini (section
// "General", keys "S" + four-digit string id) and the help files. Every lookup of a
// missing file, section or key gives "None".

#include <cstdint>
#include <filesystem>
#include <string>
#include <string_view>

namespace strings {

// Paths are the platform's native strings (the file system's bytes on Linux), so a
// folder whose name is not valid text is found too.

// Folder of the executable, ending in the platform's separator.
extern std::filesystem::path ProgramDir;
// Full path of the chosen language folder without a trailing separator; empty until
// the language dialog's OK.
extern std::filesystem::path LanguageDir;

// Sets ProgramDir from the running executable's real path. False, with ProgramDir
// empty, when it cannot be found: the working folder is no stand-in for it.
bool SetProgramDirFromRunningExecutable();
// Sets ProgramDir to the folder of executablePath (a relative path is taken from the
// working folder). An empty path leaves ProgramDir empty.
void SetProgramDirFromExecutable(const std::filesystem::path& executablePath);

// The file of that name in LanguageDir, or in ProgramDir while LanguageDir is empty:
// where the language file and the help files of the chosen pack are looked for.
std::filesystem::path PackFilePath(std::string_view fileName);

// Opens the language file at path (the full path of the file), closing any open one
// (the language dialog's OK). A missing file opens as empty.
void OpenLanguageIni(const std::filesystem::path& path);
// Closes the open language file, so that the next lookup opens one lazily.
void CloseLanguageIni();
bool LanguageIniOpen();

// The text of a string id (UTF-8), "None" when missing. With no file open, the first
// lookup opens Pelzamo2007.ini in LanguageDir, or in ProgramDir while LanguageDir is
// empty. The key is "S" and the characters 2 to 7 of the decimal text of id + 10000
// (S0001 for id 1); any id is safe.
std::string LangString(std::int32_t id);

// LangString copied with a terminating zero into a static buffer of 1025 characters,
// valid until the next call. Longer texts are cut to at most 1024 bytes, at a UTF-8
// character boundary.
const char* LangStringZ(std::int32_t id);

// Drops leading and trailing blanks (character 32 only).
std::string TrimSpaces(const std::string& text);

} // namespace strings
