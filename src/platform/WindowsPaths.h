#pragma once
// Windows only: the conversions between the program's UTF-8 paths and the file system's
// UTF-16 ones, and the names that Windows opens as devices.

#include <string>
#include <string_view>

namespace platform {

// UTF-16 from UTF-8; empty when the text is not valid UTF-8.
std::wstring WideFromUtf8(std::string_view text);
// UTF-8 from UTF-16; a lone surrogate becomes U+FFFD.
std::string Utf8FromWide(std::wstring_view text);

// True when the path names a device rather than a file: a reserved name (CON, PRN, AUX,
// NUL, COM0 to COM9, LPT0 to LPT9, CONIN$, CONOUT$) as its last part, with any extension,
// which Windows resolves to the device in every folder; or a path in a device namespace.
bool IsWindowsDeviceName(std::wstring_view path);

} // namespace platform
