// The batch tool's output file on Windows, with the promises of OutputFile.h:
// - only a regular file or a new name is written; a device (also by a reserved name such
//   as NUL or COM1, in any folder), a pipe or a folder, or a link to one, is refused
//   before anything is simulated; a read-only file is refused too;
// - a link is followed, and its target written: the link stays;
// - the spectrum goes to a temporary file beside the target, flushed to the disk
//   (FlushFileBuffers), then moved over the target (MoveFileExW, replacing it, written
//   through), so the target is always either the old file or the whole new one;
// - the new file keeps the existing file's hidden, system, archive and not-indexed
//   attributes (its access rights are those the folder gives a new file);
// - Ctrl+C, Ctrl+Break and the closing of the console remove the temporary before the
//   program ends.
// Paths are UTF-8 here and UTF-16 for the file system.

#include "tools/OutputFile.h"

#include "tools/SimCli.h"

#include "platform/WindowsPaths.h"

#include <algorithm>
#include <cstdio>
#include <mutex>
#include <random>

#include <windows.h>

namespace simcli {

namespace {

// The temporary that the console handler removes, and the lock that keeps the handler
// (which runs on a thread of its own) from racing the write and the move.
std::mutex temporaryLock;
bool temporaryArmed = false;
std::wstring temporaryPath;

BOOL WINAPI RemoveTemporaryOnConsoleEvent(DWORD) {
    const std::lock_guard lock(temporaryLock);
    if (temporaryArmed) DeleteFileW(temporaryPath.c_str());
    temporaryArmed = false;
    return FALSE; // and the default handler ends the program
}

constexpr const char* StandardOutputHint = "; -o - writes to standard output";

std::string Cannot(const std::string& path, const std::string& why) {
    return "cannot write " + Quoted(path) + ": " + why;
}

// The system's text for an error code, without its line end and full stop.
std::string ErrorText(DWORD error) {
    wchar_t* buffer = nullptr;
    const DWORD n = FormatMessageW(
        FORMAT_MESSAGE_ALLOCATE_BUFFER | FORMAT_MESSAGE_FROM_SYSTEM | FORMAT_MESSAGE_IGNORE_INSERTS,
        nullptr, error, 0, reinterpret_cast<wchar_t*>(&buffer), 0, nullptr);
    std::wstring text = n > 0 ? std::wstring(buffer, n) : std::wstring();
    if (buffer != nullptr) LocalFree(buffer);
    while (!text.empty() && (text.back() == L'\r' || text.back() == L'\n' || text.back() == L' ' ||
                             text.back() == L'.'))
        text.pop_back();
    if (text.empty()) return "error " + std::to_string(error);
    return platform::Utf8FromWide(text);
}

std::string LastError() {
    return ErrorText(GetLastError());
}

std::wstring FolderOf(const std::wstring& path) {
    const std::size_t slash = path.find_last_of(L"\\/");
    if (slash == std::wstring::npos) {
        // "name" or "C:name": the working folder (of that drive).
        return path.size() >= 2 && path[1] == L':' ? path.substr(0, 2) + L"." : L".";
    }
    if (slash == 0 || (slash == 2 && path[1] == L':')) return path.substr(0, slash + 1);
    return path.substr(0, slash);
}

// The file an existing path leads to, links followed, opened without access to its
// content: a disk file that is not a folder, with its attributes and final path.
std::string ExistingFile(const std::string& path, const std::wstring& wide, bool link,
                         std::wstring& finalPath, DWORD& attributes) {
    const HANDLE file =
        CreateFileW(wide.c_str(), 0, FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE,
                    nullptr, OPEN_EXISTING, FILE_FLAG_BACKUP_SEMANTICS, nullptr);
    if (file == INVALID_HANDLE_VALUE) return Cannot(path, LastError());
    const char* leads = link ? "it leads to " : "it is ";
    BY_HANDLE_FILE_INFORMATION info{};
    std::string error;
    if (GetFileType(file) != FILE_TYPE_DISK) {
        error = Cannot(path, std::string(leads) + "a device or a pipe" + StandardOutputHint);
    } else if (!GetFileInformationByHandle(file, &info)) {
        error = Cannot(path, LastError());
    } else if ((info.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY) != 0) {
        error = Cannot(path, std::string(leads) + "a folder");
    } else if ((info.dwFileAttributes & FILE_ATTRIBUTE_DEVICE) != 0) {
        error = Cannot(path, std::string(leads) + "a device" + StandardOutputHint);
    } else if ((info.dwFileAttributes & FILE_ATTRIBUTE_READONLY) != 0) {
        error = Cannot(path, "it is read-only");
    } else {
        attributes = info.dwFileAttributes;
        finalPath.assign(wide.size() + 64, L'\0');
        DWORD n = GetFinalPathNameByHandleW(file, finalPath.data(),
                                            static_cast<DWORD>(finalPath.size()), 0);
        if (n >= finalPath.size()) {
            finalPath.resize(n + 1);
            n = GetFinalPathNameByHandleW(file, finalPath.data(),
                                          static_cast<DWORD>(finalPath.size()), 0);
        }
        if (n == 0 || n >= finalPath.size()) error = Cannot(path, "its link cannot be followed");
        finalPath.resize(n);
    }
    CloseHandle(file);
    return error;
}

bool WriteAll(HANDLE file, std::string_view content) {
    while (!content.empty()) {
        DWORD written = 0;
        const DWORD chunk = static_cast<DWORD>(std::min<std::size_t>(content.size(), 1u << 30));
        if (!WriteFile(file, content.data(), chunk, &written, nullptr) || written == 0)
            return false;
        content.remove_prefix(written);
    }
    return true;
}

} // namespace

std::string ResolveOutput(const std::string& path, OutputTarget& target) {
    const std::wstring wide = platform::WideFromUtf8(path);
    if (wide.empty()) return Cannot(path, "the name is not valid UTF-8");
    if (platform::IsWindowsDeviceName(wide))
        return Cannot(path, std::string("it is a device") + StandardOutputHint);
    const DWORD attributes = GetFileAttributesW(wide.c_str());
    if (attributes == INVALID_FILE_ATTRIBUTES) {
        const DWORD error = GetLastError();
        if (error != ERROR_FILE_NOT_FOUND && error != ERROR_PATH_NOT_FOUND)
            return Cannot(path, ErrorText(error));
        // A new file: its folder must be there.
        const std::wstring folder = FolderOf(wide);
        const DWORD folderAttributes = GetFileAttributesW(folder.c_str());
        const std::string shown = Quoted(platform::Utf8FromWide(folder));
        if (folderAttributes == INVALID_FILE_ATTRIBUTES)
            return Cannot(path, "folder " + shown + ": " + LastError());
        if ((folderAttributes & FILE_ATTRIBUTE_DIRECTORY) == 0)
            return Cannot(path, shown + " is not a folder");
        target = OutputTarget{path, false, 0, 0, 0};
        return {};
    }
    if ((attributes & FILE_ATTRIBUTE_DIRECTORY) != 0 &&
        (attributes & FILE_ATTRIBUTE_REPARSE_POINT) == 0)
        return Cannot(path, "it is a folder");
    // A link is written where it leads; anything else where it is.
    const bool link = (attributes & FILE_ATTRIBUTE_REPARSE_POINT) != 0;
    std::wstring finalPath;
    DWORD fileAttributes = 0;
    if (std::string error = ExistingFile(path, wide, link, finalPath, fileAttributes);
        !error.empty())
        return error;
    target = OutputTarget{link ? platform::Utf8FromWide(finalPath) : path, true,
                          static_cast<unsigned>(fileAttributes), 0, 0};
    return {};
}

std::string WriteOutput(const std::string& path, std::string_view content) {
    OutputTarget target;
    if (std::string error = ResolveOutput(path, target); !error.empty()) return error;
    const std::wstring targetPath = platform::WideFromUtf8(target.path);
    const std::wstring folder = FolderOf(targetPath);
    const std::size_t slash = targetPath.find_last_of(L"\\/:");
    const std::wstring name = targetPath.substr(slash == std::wstring::npos ? 0 : slash + 1);
    // What the new file keeps of the old one's attributes.
    constexpr DWORD Kept = FILE_ATTRIBUTE_HIDDEN | FILE_ATTRIBUTE_SYSTEM | FILE_ATTRIBUTE_ARCHIVE |
                           FILE_ATTRIBUTE_NOT_CONTENT_INDEXED;
    const DWORD attributes = target.exists ? (target.mode & Kept) : 0;

    // The temporary: a new name, known to the console handler before it exists.
    HANDLE file = INVALID_HANDLE_VALUE;
    std::random_device entropy;
    for (int attempt = 0; file == INVALID_HANDLE_VALUE; ++attempt) {
        wchar_t suffix[16];
        std::swprintf(suffix, 16, L"%08x", static_cast<unsigned>(entropy()));
        const std::wstring temporary = folder + L"\\." + name + L"." + suffix + L".tmp";
        const std::lock_guard lock(temporaryLock);
        file = CreateFileW(temporary.c_str(), GENERIC_WRITE, 0, nullptr, CREATE_NEW,
                           FILE_ATTRIBUTE_NORMAL, nullptr);
        if (file != INVALID_HANDLE_VALUE) {
            temporaryPath = temporary;
            temporaryArmed = true;
        } else if (GetLastError() != ERROR_FILE_EXISTS || attempt == 100) {
            return Cannot(path, LastError());
        }
    }
    const auto fail = [&](const std::string& why) {
        if (file != INVALID_HANDLE_VALUE) CloseHandle(file);
        const std::lock_guard lock(temporaryLock);
        DeleteFileW(temporaryPath.c_str());
        temporaryArmed = false;
        return Cannot(path, why);
    };
    if (!WriteAll(file, content)) return fail(LastError());
    if (!FlushFileBuffers(file)) return fail(LastError());
    const BOOL closed = CloseHandle(file);
    file = INVALID_HANDLE_VALUE;
    if (!closed) return fail(LastError());
    // The old file's attributes, where the file system takes them.
    if (attributes != 0) SetFileAttributesW(temporaryPath.c_str(), attributes);
    const std::lock_guard lock(temporaryLock);
    if (!MoveFileExW(temporaryPath.c_str(), targetPath.c_str(),
                     MOVEFILE_REPLACE_EXISTING | MOVEFILE_WRITE_THROUGH)) {
        const DWORD error = GetLastError();
        DeleteFileW(temporaryPath.c_str());
        temporaryArmed = false;
        return Cannot(path, ErrorText(error));
    }
    temporaryArmed = false;
    return {};
}

void RemoveTemporaryOnSignals() {
    SetConsoleCtrlHandler(RemoveTemporaryOnConsoleEvent, TRUE);
}

} // namespace simcli
