// What the POSIX and the Windows bodies (FilesPosix.cpp, FilesWindows.cpp) share: reading
// an open file whole, within its limit.

#include "platform/Files.h"

#include <algorithm>

namespace platform {

std::optional<std::string> RegularFile::ReadAll() {
    if (fd_ < 0) return std::nullopt;
    // One byte beyond the limit tells a file that has grown since it was opened.
    std::string content(static_cast<std::size_t>(stamp_.size) + 1, '\0');
    std::size_t used = 0;
    for (;;) {
        if (used == content.size()) {
            if (used > maxBytes_) return std::nullopt;
            content.resize(std::min(maxBytes_ + 1, std::max<std::size_t>(used * 2, 4096)));
        }
        // At an offset: a second ReadAll reads the file again from its start.
        const std::optional<std::size_t> n =
            ReadAt(used, content.data() + used, content.size() - used);
        if (!n) return std::nullopt;
        if (*n == 0) break;
        used += *n;
    }
    if (used > maxBytes_) return std::nullopt;
    content.resize(used);
    return content;
}

std::optional<std::string> ReadRegularFile(const std::filesystem::path& path,
                                           std::size_t maxBytes) {
    RegularFile file(path, maxBytes);
    return file.ReadAll();
}

} // namespace platform
