// The batch tool's output file.

#include "tools/OutputFile.h"

#include "tools/SimCli.h"

#include <cerrno>
#include <csignal>
#include <cstdio>
#include <cstring>
#include <random>

#include <fcntl.h>
#include <pthread.h>
#include <sys/stat.h>
#include <unistd.h>

namespace simcli {

namespace {

constexpr int CleanupSignals[] = {SIGINT, SIGTERM, SIGHUP, SIGXFSZ};
constexpr int MaxLinks = 40; // as the kernel follows them
constexpr const char* StandardOutputHint = "; -o - writes to standard output";

// The temporary that a signal removes: set only while the signals are blocked.
volatile std::sig_atomic_t temporaryArmed = 0;
char temporaryPath[4096];

extern "C" void RemoveTemporaryAndRaise(int signal) {
    if (temporaryArmed) unlink(temporaryPath);
    // The handler was reset to the default, and the signal is blocked until this
    // handler returns: then it takes its usual effect.
    raise(signal);
}

// Blocks the cleanup signals while alive.
class SignalsBlocked {
public:
    SignalsBlocked() {
        sigset_t set;
        sigemptyset(&set);
        for (int signal : CleanupSignals)
            sigaddset(&set, signal);
        pthread_sigmask(SIG_BLOCK, &set, &saved_);
    }
    ~SignalsBlocked() { pthread_sigmask(SIG_SETMASK, &saved_, nullptr); }
    SignalsBlocked(const SignalsBlocked&) = delete;
    SignalsBlocked& operator=(const SignalsBlocked&) = delete;

private:
    sigset_t saved_;
};

std::string Cannot(const std::string& path, const std::string& why) {
    return "cannot write " + Quoted(path) + ": " + why;
}

std::string FolderOf(const std::string& path) {
    const std::size_t slash = path.find_last_of('/');
    if (slash == std::string::npos) return ".";
    if (slash == 0) return "/";
    return path.substr(0, slash);
}

const char* KindOf(mode_t mode) {
    if (S_ISDIR(mode)) return "a folder";
    if (S_ISCHR(mode)) return "a character device";
    if (S_ISBLK(mode)) return "a block device";
    if (S_ISFIFO(mode)) return "a named pipe";
    if (S_ISSOCK(mode)) return "a socket";
    return "not a regular file";
}

bool WriteAll(int fd, std::string_view content) {
    while (!content.empty()) {
        const ssize_t written = write(fd, content.data(), content.size());
        if (written < 0) {
            if (errno == EINTR) continue;
            return false;
        }
        content.remove_prefix(static_cast<std::size_t>(written));
    }
    return true;
}

} // namespace

std::string ResolveOutput(const std::string& path, OutputTarget& target) {
    std::string current = path;
    for (int links = 0;; ++links) {
        struct stat status;
        if (lstat(current.c_str(), &status) != 0) {
            if (errno != ENOENT) return Cannot(path, std::strerror(errno));
            // A new file: its folder must be there and writable.
            const std::string folder = FolderOf(current);
            struct stat folderStatus;
            if (stat(folder.c_str(), &folderStatus) != 0)
                return Cannot(path, "folder " + Quoted(folder) + ": " + std::strerror(errno));
            if (!S_ISDIR(folderStatus.st_mode))
                return Cannot(path, Quoted(folder) + " is not a folder");
            if (access(folder.c_str(), W_OK | X_OK) != 0)
                return Cannot(path, "folder " + Quoted(folder) + ": " + std::strerror(errno));
            target = OutputTarget{current, false, 0, 0, 0};
            return {};
        }
        if (S_ISLNK(status.st_mode)) {
            if (links == MaxLinks) return Cannot(path, "too many links");
            // What the link leads to, as the kernel follows it: this also judges the links
            // of /proc/self/fd (behind /dev/stdout), whose text names no file.
            struct stat followed;
            if (stat(current.c_str(), &followed) == 0 && !S_ISREG(followed.st_mode))
                return Cannot(path, std::string("it leads to ") + KindOf(followed.st_mode) +
                                        StandardOutputHint);
            std::string link(static_cast<std::size_t>(status.st_size) + 1, '\0');
            const ssize_t length = readlink(current.c_str(), link.data(), link.size());
            if (length < 0 || static_cast<std::size_t>(length) >= link.size())
                return Cannot(path, "its link cannot be read");
            link.resize(static_cast<std::size_t>(length));
            current = link[0] == '/' ? link : FolderOf(current) + '/' + link;
            continue;
        }
        if (!S_ISREG(status.st_mode))
            return Cannot(path, std::string(links == 0 ? "it is " : "it leads to ") +
                                    KindOf(status.st_mode) +
                                    (S_ISDIR(status.st_mode) ? "" : StandardOutputHint));
        if (access(current.c_str(), W_OK) != 0) return Cannot(path, std::strerror(errno));
        const std::string folder = FolderOf(current);
        if (access(folder.c_str(), W_OK | X_OK) != 0)
            return Cannot(path, "folder " + Quoted(folder) + ": " + std::strerror(errno));
        target = OutputTarget{current, true, static_cast<unsigned>(status.st_mode & 07777),
                              static_cast<unsigned>(status.st_uid),
                              static_cast<unsigned>(status.st_gid)};
        return {};
    }
}

std::string WriteOutput(const std::string& path, std::string_view content) {
    OutputTarget target;
    if (std::string error = ResolveOutput(path, target); !error.empty()) return error;
    const std::string folder = FolderOf(target.path);
    const std::string name = target.path.substr(target.path.find_last_of('/') + 1);

    // The temporary: a new name, known to the signal handler before it exists.
    int fd = -1;
    std::random_device entropy;
    for (int attempt = 0; fd < 0; ++attempt) {
        char suffix[16];
        std::snprintf(suffix, sizeof suffix, "%08x", static_cast<unsigned>(entropy()));
        const std::string temporary = folder + "/." + name + "." + suffix + ".tmp";
        if (temporary.size() >= sizeof temporaryPath) return Cannot(path, "the name is too long");
        const SignalsBlocked blocked;
        std::memcpy(temporaryPath, temporary.c_str(), temporary.size() + 1);
        // An existing file's copy starts private and takes its permissions when complete.
        fd = open(temporaryPath, O_WRONLY | O_CREAT | O_EXCL | O_CLOEXEC,
                  target.exists ? 0600 : 0666);
        if (fd >= 0) {
            temporaryArmed = 1;
        } else if (errno != EEXIST || attempt == 100) {
            return Cannot(path, std::strerror(errno));
        }
    }
    const auto fail = [&](const std::string& why) {
        if (fd >= 0) close(fd);
        const SignalsBlocked blocked;
        unlink(temporaryPath);
        temporaryArmed = 0;
        return Cannot(path, why);
    };
    if (!WriteAll(fd, content)) return fail(std::strerror(errno));
    if (target.exists) {
        // The owner first: a change of owner may clear the set-id bits. Only root may
        // give a file away; otherwise it stays the writer's.
        if (fchown(fd, target.owner, target.group) != 0) {
            [[maybe_unused]] const int ignored = fchown(fd, static_cast<uid_t>(-1), target.group);
        }
        if (fchmod(fd, static_cast<mode_t>(target.mode)) != 0) return fail(std::strerror(errno));
    }
    if (fsync(fd) != 0) return fail(std::strerror(errno));
    const int closed = close(fd);
    fd = -1;
    if (closed != 0) return fail(std::strerror(errno));
    {
        const SignalsBlocked blocked;
        if (rename(temporaryPath, target.path.c_str()) != 0) {
            const int error = errno;
            unlink(temporaryPath);
            temporaryArmed = 0;
            return Cannot(path, std::strerror(error));
        }
        temporaryArmed = 0;
    }
    // The rename itself reaches the disk with the folder.
    const int folderFd = open(folder.c_str(), O_RDONLY | O_DIRECTORY | O_CLOEXEC);
    if (folderFd >= 0) {
        const int synced = fsync(folderFd);
        close(folderFd);
        if (synced != 0 && errno != EINVAL) return Cannot(path, std::strerror(errno));
    }
    return {};
}

void RemoveTemporaryOnSignals() {
    struct sigaction action {};
    action.sa_handler = RemoveTemporaryAndRaise;
    sigemptyset(&action.sa_mask);
    action.sa_flags = SA_RESETHAND;
    for (int signal : CleanupSignals) {
        struct sigaction previous {};
        if (sigaction(signal, nullptr, &previous) == 0 && previous.sa_handler == SIG_IGN) continue;
        sigaction(signal, &action, nullptr);
    }
}

} // namespace simcli
