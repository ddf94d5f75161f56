#pragma once
// Text encodings of the language and help files: UTF-8 checks and cuts, and the 8-bit
// Windows code pages 1250 (Central European) and 1252 (Western).

#include <cstddef>
#include <string>
#include <string_view>

namespace platform {

// True when text is well-formed UTF-8 (no overlong forms, no surrogates, at most U+10FFFF).
bool IsValidUtf8(std::string_view text);

// The Unicode character of one byte in Windows-1250 or Windows-1252; U+FFFD for the
// bytes the code page leaves undefined. Bytes below 0x80 are ASCII in both.
char32_t Windows1250Char(unsigned char byte);
char32_t Windows1252Char(unsigned char byte);

// Converts Windows-1250 text to UTF-8.
std::string Windows1250ToUtf8(std::string_view text);

// The longest start of valid UTF-8 text with at most maxChars characters (code points).
std::string_view Utf8PrefixChars(std::string_view text, std::size_t maxChars);

// The longest start of valid UTF-8 text with at most maxBytes bytes that does not end
// inside a character.
std::string_view Utf8PrefixBytes(std::string_view text, std::size_t maxBytes);

} // namespace platform
