#pragma once
// A read-only profile (INI) file: section and key names match without regard to case,
// blanks around values are dropped, enclosing quotes are removed, values are cut to
// 2047 characters, and a missing file, section or key gives the caller's default.
//
// Reading rules in detail:
// - Lines end at LF, CR or CRLF; the last line needs no line end; a UTF-8 byte order
//   mark at the start is skipped. NUL bytes are dropped.
// - "[name]" starts a section (blanks around the name are dropped; text after ']' is
//   ignored). Lines "key=value" belong to the section above them; blanks (spaces and
//   tabs) around key and value are dropped. Lines starting with ';' and lines without
//   '=' are ignored.
// - A value enclosed in matching double or single quotes loses them, so a text with
//   leading or trailing blanks can be written in quotes.
// - The first occurrence of a key in a section wins, also across repeated sections.
// - The file is UTF-8; a file that is not valid UTF-8 is read as Windows-1250 and
//   converted, so values are always UTF-8. Values longer than 2047 characters are cut
//   after the 2047th character.

#include <cstddef>
#include <filesystem>
#include <string>
#include <string_view>
#include <unordered_map>

namespace platform {

class IniFile {
public:
    // Longest value returned, in characters (Unicode code points).
    static constexpr std::size_t MaxValueChars = 2047;

    IniFile() = default;
    // Reads the whole file once, by the rules of Files.h: a missing or unreadable file, and
    // anything that is not a regular file of at most MaxPackFileBytes, reads as empty.
    explicit IniFile(const std::filesystem::path& path);

    // Reads the content of a file that is already in memory.
    static IniFile FromText(std::string_view content);

    // The value as UTF-8 text (files that are not valid UTF-8 are read as Windows-1250).
    std::string Read(std::string_view section, std::string_view key,
                     std::string_view defaultValue) const;

private:
    void Parse(std::string_view content);

    std::unordered_map<std::string, std::string> values_; // "section\nkey", lower case
};

} // namespace platform
