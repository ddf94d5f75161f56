#pragma once
// The batch tool's output file, written so that nothing is destroyed, faked or left
// half-written:
// - only a regular file or a new name is written; a device, a named pipe, a socket or
//   a folder, or a link to one (/dev/stdout among them), is refused before anything is
//   simulated, with a pointer to -o -, which writes to standard output;
// - a link is followed, and its target written: the link stays;
// - the spectrum goes to a temporary file beside the target, made only once the
//   spectrum is ready, flushed to the disk, then renamed over the target (whose folder
//   is flushed too), so the target is always either the old file or the whole new one;
// - the new file keeps an existing file's permissions, and its owner when allowed;
// - SIGINT, SIGTERM, SIGHUP and SIGXFSZ remove the temporary before they end the
//   program.
// POSIX (OutputFile.cpp); the Windows counterpart is OutputFileWindows.cpp.

#include <string>
#include <string_view>

namespace simcli {

// Where an output path leads: the regular file it names, through any links, or a new
// name in an existing folder.
struct OutputTarget {
    std::string path; // with every link followed
    bool exists = false;
    unsigned mode = 0; // permission bits of the existing file (its attributes on Windows)
    unsigned owner = 0;
    unsigned group = 0;
};

// Follows the links of `path` and checks that it ends at a regular file, or at a new
// name, that may be written; the error otherwise, naming `path`.
std::string ResolveOutput(const std::string& path, OutputTarget& target);

// Resolves `path` again and writes `content` to it as above; the error, or an empty text.
std::string WriteOutput(const std::string& path, std::string_view content);

// Installs the handlers that remove a prepared temporary file on the signals above;
// a signal that the program inherits as ignored stays ignored.
void RemoveTemporaryOnSignals();

} // namespace simcli
