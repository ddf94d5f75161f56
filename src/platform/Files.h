#pragma once
// Reading the program's own files: the language and help files of the packs, the pack
// folders and the program folder. Paths are the platform's native strings
// (std::filesystem::path: the file system's bytes on Linux), never a text conversion of
// them, so any name the file system allows still opens, valid text or not.
//
// Whatever sits at a path, reading never blocks and never reads without a limit: a file
// is opened without blocking (a named pipe with no writer, a device), checked on the
// open descriptor (so that the name cannot be swapped between a check and the open),
// and read only if it is a regular file of at most MaxPackFileBytes. Links to regular
// files are followed. Everything else reads as missing.

#include <cstddef>
#include <cstdint>
#include <filesystem>
#include <optional>
#include <string>
#include <vector>

namespace platform {

// Language files are about a kilobyte and help files some ten kilobytes; 8 MiB is far
// above any real pack, and keeps a hostile file from filling the memory or freezing the
// help window.
constexpr std::size_t MaxPackFileBytes = 8u * 1024u * 1024u;

// Size and modification time of a file, as the file system reports them: an unchanged
// stamp means the content need not be read again.
struct FileStamp {
    std::uint64_t size = 0;
    std::int64_t modifiedNs = 0; // since the epoch

    bool operator==(const FileStamp&) const = default;
};

// A regular file opened for reading, or nothing.
class RegularFile {
public:
    // Opens path if it is a regular file of at most maxBytes; otherwise IsOpen() is false.
    explicit RegularFile(const std::filesystem::path& path,
                         std::size_t maxBytes = MaxPackFileBytes);
    ~RegularFile();
    RegularFile(const RegularFile&) = delete;
    RegularFile& operator=(const RegularFile&) = delete;

    bool IsOpen() const { return fd_ >= 0; }
    // Size and modification time when it was opened.
    const FileStamp& Stamp() const { return stamp_; }
    // The whole content: nothing when the file is not open, a read fails, or it has grown
    // beyond maxBytes since it was opened (what looks regular may still never end).
    std::optional<std::string> ReadAll();

private:
    // Reads up to `size` bytes at `offset` into `data`: how many (0 at the end), or
    // nothing when the read fails. The platform's positioned read.
    std::optional<std::size_t> ReadAt(std::uint64_t offset, char* data, std::size_t size) const;

    int fd_ = -1; // the descriptor, or on Windows the handle (kernel handles fit in 32 bits)
    std::size_t maxBytes_;
    FileStamp stamp_;
};

// The content of a regular file of at most maxBytes; nothing for anything else.
std::optional<std::string> ReadRegularFile(const std::filesystem::path& path,
                                           std::size_t maxBytes = MaxPackFileBytes);

// The names of the folders in dir (links to folders included), as the file system holds
// them and in the order it returns them; "." and ".." are left out. Empty when dir
// cannot be read.
std::vector<std::filesystem::path> ListFolders(const std::filesystem::path& dir);

// The running program's executable with every link resolved; empty when it cannot be
// found.
std::filesystem::path ExecutablePath();

} // namespace platform
