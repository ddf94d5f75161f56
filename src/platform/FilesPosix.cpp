// The POSIX bodies of platform/Files.h; FilesWindows.cpp holds the Windows ones.

#include "platform/Files.h"

#include <algorithm>
#include <cerrno>
#include <dirent.h>
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

namespace platform {

namespace {

FileStamp StampOf(const struct stat& status) {
    return FileStamp{static_cast<std::uint64_t>(status.st_size),
                     static_cast<std::int64_t>(status.st_mtim.tv_sec) * 1'000'000'000 +
                         status.st_mtim.tv_nsec};
}

} // namespace

RegularFile::RegularFile(const std::filesystem::path& path, std::size_t maxBytes)
    : maxBytes_(maxBytes) {
    // Without O_NONBLOCK, opening a named pipe waits for a writer that may never come.
    int fd = -1;
    do {
        fd = ::open(path.c_str(), O_RDONLY | O_NONBLOCK | O_CLOEXEC);
    } while (fd < 0 && errno == EINTR);
    if (fd < 0) return;
    struct stat status {};
    if (::fstat(fd, &status) != 0 || !S_ISREG(status.st_mode) || status.st_size < 0 ||
        static_cast<std::uint64_t>(status.st_size) > maxBytes_) {
        ::close(fd);
        return;
    }
    fd_ = fd;
    stamp_ = StampOf(status);
}

RegularFile::~RegularFile() {
    if (fd_ >= 0) ::close(fd_);
}

std::optional<std::size_t> RegularFile::ReadAt(std::uint64_t offset, char* data,
                                               std::size_t size) const {
    for (;;) {
        const ssize_t n = ::pread(fd_, data, size, static_cast<off_t>(offset));
        if (n >= 0) return static_cast<std::size_t>(n);
        if (errno != EINTR) return std::nullopt;
    }
}

std::vector<std::filesystem::path> ListFolders(const std::filesystem::path& dir) {
    std::vector<std::filesystem::path> folders;
    DIR* stream = ::opendir(dir.c_str());
    if (stream == nullptr) return folders;
    while (const dirent* entry = ::readdir(stream)) {
        const std::string name = entry->d_name;
        if (name == "." || name == "..") continue;
        bool folder = entry->d_type == DT_DIR;
        if (entry->d_type == DT_UNKNOWN || entry->d_type == DT_LNK) {
            // The file system did not say, or it is a link: ask for what it leads to.
            struct stat status {};
            folder = ::fstatat(::dirfd(stream), entry->d_name, &status, 0) == 0 &&
                     S_ISDIR(status.st_mode);
        }
        if (folder) folders.emplace_back(name);
    }
    ::closedir(stream);
    return folders;
}

std::filesystem::path ExecutablePath() {
    // The kernel's link to the running executable: the real path, whatever its bytes.
    std::string path(256, '\0');
    for (;;) {
        const ssize_t n = ::readlink("/proc/self/exe", path.data(), path.size());
        if (n <= 0) return {};
        if (static_cast<std::size_t>(n) < path.size()) {
            path.resize(static_cast<std::size_t>(n));
            return path;
        }
        path.resize(path.size() * 2); // may have been cut: try again with more room
    }
}

} // namespace platform
