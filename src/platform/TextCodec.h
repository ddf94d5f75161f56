#pragma once
// Text encodings of the language files: UTF-8 checks and cuts, and Windows-1250 (the
// Central European 8-bit code page) to UTF-8.

#include <cstddef>
#include <string>
#include <string_view>

namespace platform {

// True when text is well-formed UTF-8 (no overlong forms, no surrogates, at most U+10FFFF).
bool IsValidUtf8(std::string_view text);

// Converts Windows-1250 text to UTF-8. The five bytes the code page leaves undefined
// become U+FFFD.
std::string Windows1250ToUtf8(std::string_view text);

// The longest start of valid UTF-8 text with at most maxChars characters (code points).
std::string_view Utf8PrefixChars(std::string_view text, std::size_t maxChars);

// The longest start of valid UTF-8 text with at most maxBytes bytes that does not end
// inside a character.
std::string_view Utf8PrefixBytes(std::string_view text, std::size_t maxBytes);

} // namespace platform
