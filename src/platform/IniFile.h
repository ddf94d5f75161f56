#pragma once
// A read-only profile (INI) file: section and key names match without regard to case,
// blanks around values are dropped, enclosing quotes are removed, values are cut to
// 2047 characters, and a missing file, section or key gives the caller's default.

#include <string>
#include <string_view>
#include <unordered_map>

namespace platform {

class IniFile {
public:
    IniFile() = default;
    // Reads the whole file once; a missing or unreadable file reads as empty.
    explicit IniFile(const std::string& path);

    // The value as UTF-8 text (files that are not valid UTF-8 are read as Windows-1250).
    std::string Read(std::string_view section, std::string_view key,
                     std::string_view defaultValue) const;

private:
    std::unordered_map<std::string, std::string> values_; // "section\nkey", lower case
};

} // namespace platform
