#include "platform/IniFile.h"

#include "platform/Files.h"
#include "platform/TextCodec.h"

#include <optional>

namespace platform {

namespace {

bool IsBlank(char c) {
    return c == ' ' || c == '\t';
}

std::string_view TrimBlanks(std::string_view text) {
    while (!text.empty() && IsBlank(text.front()))
        text.remove_prefix(1);
    while (!text.empty() && IsBlank(text.back()))
        text.remove_suffix(1);
    return text;
}

// Names compare without regard to case for the ASCII letters only, as profile files do.
std::string LowerAscii(std::string_view text) {
    std::string out(text);
    for (char& c : out)
        if (c >= 'A' && c <= 'Z') c = static_cast<char>(c - 'A' + 'a');
    return out;
}

std::string MapKey(std::string_view section, std::string_view key) {
    // A line cannot hold '\n', so it separates the two names unambiguously.
    return LowerAscii(section) + '\n' + LowerAscii(key);
}

std::string_view Unquote(std::string_view value) {
    if (value.size() >= 2 && (value.front() == '"' || value.front() == '\'') &&
        value.back() == value.front())
        return value.substr(1, value.size() - 2);
    return value;
}

// The whole file as UTF-8 text without byte order mark and NUL bytes.
std::string DecodeContent(std::string_view raw) {
    constexpr std::string_view Bom = "\xEF\xBB\xBF";
    if (raw.substr(0, Bom.size()) == Bom) raw.remove_prefix(Bom.size());
    std::string text;
    text.reserve(raw.size());
    for (char c : raw)
        if (c != '\0') text += c;
    if (!IsValidUtf8(text)) text = Windows1250ToUtf8(text);
    return text;
}

} // namespace

IniFile::IniFile(const std::filesystem::path& path) {
    // Anything but a regular file of bounded size reads as missing.
    if (const std::optional<std::string> raw = ReadRegularFile(path)) Parse(DecodeContent(*raw));
}

IniFile IniFile::FromText(std::string_view content) {
    IniFile ini;
    ini.Parse(DecodeContent(content));
    return ini;
}

void IniFile::Parse(std::string_view content) {
    std::string section;
    std::size_t start = 0;
    while (start <= content.size()) {
        std::size_t end = content.find_first_of("\r\n", start);
        if (end == std::string_view::npos) end = content.size();
        const std::string_view line = TrimBlanks(content.substr(start, end - start));
        start = end + 1;

        if (line.empty() || line.front() == ';') continue;
        if (line.front() == '[') {
            const std::size_t close = line.find(']');
            section = std::string(TrimBlanks(line.substr(
                1, close == std::string_view::npos ? std::string_view::npos : close - 1)));
            continue;
        }
        const std::size_t equals = line.find('=');
        if (equals == std::string_view::npos) continue;
        const std::string_view key = TrimBlanks(line.substr(0, equals));
        const std::string_view value = Unquote(TrimBlanks(line.substr(equals + 1)));
        // try_emplace keeps the first occurrence of a key.
        values_.try_emplace(MapKey(section, key), Utf8PrefixChars(value, MaxValueChars));
    }
}

std::string IniFile::Read(std::string_view section, std::string_view key,
                          std::string_view defaultValue) const {
    const auto found = values_.find(MapKey(section, key));
    return found != values_.end() ? found->second : std::string(defaultValue);
}

} // namespace platform
