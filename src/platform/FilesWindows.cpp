// The Windows bodies of platform/Files.h, with the same promises as the POSIX ones
// (FilesPosix.cpp). Paths are the file system's UTF-16, never converted to text and back.
//
// Nothing is opened that could block or act as a device: a name that Windows resolves to
// a device in every folder (CON, NUL, COM1, ...) and the device namespaces (\\.\, \\?\GLOBALROOT)
// are refused before the open; what opens must be a disk file (not a pipe, a console or
// another device) whose attributes say neither folder nor device. Links to regular files
// are followed, as the file system follows them.

#include "platform/Files.h"

#include "platform/WindowsPaths.h"

#include <algorithm>
#include <cwctype>
#include <string_view>

#include <windows.h>

namespace platform {

namespace {

// FILETIME counts 100 ns from 1601; the stamp counts ns from 1970.
constexpr std::int64_t EpochIn100ns = 116'444'736'000'000'000;

FileStamp StampOf(const BY_HANDLE_FILE_INFORMATION& info) {
    const std::uint64_t size = (std::uint64_t{info.nFileSizeHigh} << 32) | info.nFileSizeLow;
    const std::int64_t written =
        static_cast<std::int64_t>((std::uint64_t{info.ftLastWriteTime.dwHighDateTime} << 32) |
                                  info.ftLastWriteTime.dwLowDateTime);
    return FileStamp{size, (written - EpochIn100ns) * 100};
}

HANDLE HandleOf(int fd) {
    return LongToHandle(fd);
}

} // namespace

bool IsWindowsDeviceName(std::wstring_view path) {
    // The device namespaces name devices and pipes directly.
    if (path.starts_with(L"\\\\.\\") || path.starts_with(L"//./") ||
        path.starts_with(L"\\\\?\\GLOBALROOT") || path.starts_with(L"\\??\\"))
        return true;
    const std::size_t slash = path.find_last_of(L"\\/:");
    std::wstring_view name = path.substr(slash == std::wstring_view::npos ? 0 : slash + 1);
    // The reserved names hold with any extension and trailing spaces or dots: "nul.txt ".
    name = name.substr(0, std::min(name.find(L'.'), name.size()));
    while (!name.empty() && name.back() == L' ')
        name.remove_suffix(1);
    std::wstring upper(name);
    for (wchar_t& c : upper)
        c = static_cast<wchar_t>(std::towupper(c));
    if (upper == L"CON" || upper == L"PRN" || upper == L"AUX" || upper == L"NUL" ||
        upper == L"CONIN$" || upper == L"CONOUT$")
        return true;
    // COM0 to COM9 and LPT0 to LPT9, also with the superscript digits 1, 2 and 3.
    return upper.size() == 4 && (upper.starts_with(L"COM") || upper.starts_with(L"LPT")) &&
           ((upper[3] >= L'0' && upper[3] <= L'9') || upper[3] == L'\u00b9' ||
            upper[3] == L'\u00b2' || upper[3] == L'\u00b3');
}

RegularFile::RegularFile(const std::filesystem::path& path, std::size_t maxBytes)
    : maxBytes_(maxBytes) {
    const std::wstring& wide = path.native();
    if (wide.empty() || IsWindowsDeviceName(wide)) return;
    // Without FILE_FLAG_BACKUP_SEMANTICS a folder does not open; sharing everything lets
    // other programs go on writing or renaming the file while it is read.
    const HANDLE handle = CreateFileW(wide.c_str(), GENERIC_READ,
                                      FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE,
                                      nullptr, OPEN_EXISTING, FILE_ATTRIBUTE_NORMAL, nullptr);
    if (handle == INVALID_HANDLE_VALUE) return;
    BY_HANDLE_FILE_INFORMATION info{};
    if (GetFileType(handle) != FILE_TYPE_DISK || !GetFileInformationByHandle(handle, &info) ||
        (info.dwFileAttributes & (FILE_ATTRIBUTE_DIRECTORY | FILE_ATTRIBUTE_DEVICE)) != 0 ||
        StampOf(info).size > maxBytes_) {
        CloseHandle(handle);
        return;
    }
    fd_ = HandleToLong(handle); // kernel handles fit in 32 bits, and are never negative
    stamp_ = StampOf(info);
}

RegularFile::~RegularFile() {
    if (fd_ >= 0) CloseHandle(HandleOf(fd_));
}

std::optional<std::size_t> RegularFile::ReadAt(std::uint64_t offset, char* data,
                                               std::size_t size) const {
    OVERLAPPED at{};
    at.Offset = static_cast<DWORD>(offset & 0xffffffffu);
    at.OffsetHigh = static_cast<DWORD>(offset >> 32);
    const DWORD want = static_cast<DWORD>(std::min<std::size_t>(size, 1u << 30));
    DWORD got = 0;
    if (ReadFile(HandleOf(fd_), data, want, &got, &at)) return got;
    if (GetLastError() == ERROR_HANDLE_EOF) return 0;
    return std::nullopt;
}

std::vector<std::filesystem::path> ListFolders(const std::filesystem::path& dir) {
    std::vector<std::filesystem::path> folders;
    std::wstring folder = dir.native();
    if (folder.empty() || IsWindowsDeviceName(folder)) return folders;
    if (folder.back() != L'\\' && folder.back() != L'/') folder += L'\\';
    WIN32_FIND_DATAW entry{};
    const HANDLE find = FindFirstFileExW((folder + L'*').c_str(), FindExInfoBasic, &entry,
                                         FindExSearchNameMatch, nullptr, FIND_FIRST_EX_LARGE_FETCH);
    if (find == INVALID_HANDLE_VALUE) return folders;
    do {
        const std::wstring_view name = entry.cFileName;
        if (name == L"." || name == L"..") continue;
        if ((entry.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY) == 0) continue;
        if ((entry.dwFileAttributes & FILE_ATTRIBUTE_REPARSE_POINT) != 0) {
            // A link or junction: a folder only if what it leads to is one.
            const HANDLE target =
                CreateFileW((folder + entry.cFileName).c_str(), 0,
                            FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE, nullptr,
                            OPEN_EXISTING, FILE_FLAG_BACKUP_SEMANTICS, nullptr);
            if (target == INVALID_HANDLE_VALUE) continue;
            BY_HANDLE_FILE_INFORMATION info{};
            const bool isFolder = GetFileInformationByHandle(target, &info) &&
                                  (info.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY) != 0;
            CloseHandle(target);
            if (!isFolder) continue;
        }
        folders.emplace_back(name);
    } while (FindNextFileW(find, &entry));
    FindClose(find);
    return folders;
}

std::filesystem::path ExecutablePath() {
    std::wstring module(MAX_PATH, L'\0');
    for (;;) {
        const DWORD n =
            GetModuleFileNameW(nullptr, module.data(), static_cast<DWORD>(module.size()));
        if (n == 0) return {};
        if (n < module.size()) {
            module.resize(n);
            break;
        }
        module.resize(module.size() * 2); // cut: try again with more room
    }
    // The real path: links and short names resolved by the file system.
    const HANDLE file =
        CreateFileW(module.c_str(), 0, FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE,
                    nullptr, OPEN_EXISTING, FILE_FLAG_BACKUP_SEMANTICS, nullptr);
    if (file != INVALID_HANDLE_VALUE) {
        std::wstring real(module.size() + 64, L'\0');
        DWORD n = GetFinalPathNameByHandleW(file, real.data(), static_cast<DWORD>(real.size()),
                                            FILE_NAME_NORMALIZED | VOLUME_NAME_DOS);
        if (n >= real.size()) {
            real.resize(n + 1);
            n = GetFinalPathNameByHandleW(file, real.data(), static_cast<DWORD>(real.size()),
                                          FILE_NAME_NORMALIZED | VOLUME_NAME_DOS);
        }
        CloseHandle(file);
        if (n > 0 && n < real.size()) {
            real.resize(n);
            // \\?\C:\... and \\?\UNC\server\... back to the usual forms.
            if (real.starts_with(L"\\\\?\\UNC\\"))
                real.replace(0, 8, L"\\\\");
            else if (real.starts_with(L"\\\\?\\"))
                real.erase(0, 4);
            module = real;
        }
    }
    return module;
}

} // namespace platform
