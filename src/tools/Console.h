#pragma once
// The batch tool's command line and standard output, as the operating system gives them.

#include <filesystem>
#include <string>
#include <vector>

namespace simcli {

// The arguments after the program's name. On Windows they come from the UTF-16 command
// line as UTF-8 (argv holds them in the ANSI code page, which cannot hold every file
// name); elsewhere they are argv's bytes.
std::vector<std::string> CommandLineArguments(int argc, char** argv);

// The file an argument names: its bytes on POSIX, its UTF-8 read as UTF-16 on Windows.
std::filesystem::path PathOfArgument(const std::string& argument);

// Whether standard output is open: a program started with it closed has nowhere to write.
bool StandardOutputOpen();

// Standard output takes the bytes as they are: on Windows it is set to binary mode, so a
// spectrum written there is the same as in a file ("\n", not "\r\n").
void BinaryStandardOutput();

} // namespace simcli
