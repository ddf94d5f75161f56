#include "tools/Console.h"

#include "platform/WindowsPaths.h"

#include <cstdio>

#include <fcntl.h>
#include <io.h>
#include <windows.h>

namespace simcli {

std::vector<std::string> CommandLineArguments(int, char**) {
    std::vector<std::string> arguments;
    int count = 0;
    wchar_t** wide = CommandLineToArgvW(GetCommandLineW(), &count);
    if (wide == nullptr) return arguments;
    for (int i = 1; i < count; ++i)
        arguments.push_back(platform::Utf8FromWide(wide[i]));
    LocalFree(wide);
    return arguments;
}

std::filesystem::path PathOfArgument(const std::string& argument) {
    return platform::WideFromUtf8(argument);
}

bool StandardOutputOpen() {
    return _get_osfhandle(_fileno(stdout)) != -1;
}

void BinaryStandardOutput() {
    std::fflush(stdout);
    _setmode(_fileno(stdout), _O_BINARY);
}

} // namespace simcli
