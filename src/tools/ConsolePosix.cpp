#include "tools/Console.h"

#include <fcntl.h>
#include <unistd.h>

namespace simcli {

std::vector<std::string> CommandLineArguments(int argc, char** argv) {
    return std::vector<std::string>(argv + (argc > 0 ? 1 : 0), argv + argc);
}

std::filesystem::path PathOfArgument(const std::string& argument) {
    return argument;
}

bool StandardOutputOpen() {
    return fcntl(STDOUT_FILENO, F_GETFL) >= 0;
}

void BinaryStandardOutput() {}

} // namespace simcli
