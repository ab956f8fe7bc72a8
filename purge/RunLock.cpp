#include "purge/RunLock.h"

#include <fcntl.h>
#include <sys/file.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <cstdint>
#include <cstdio>
#include <cstring>
#include <ctime>
#include <filesystem>
#include <thread>

#include "data/dataset/Errors.h"
#include "purge/PurgeLog.h"
#include "cli/StopSignals.h"

namespace batchdel {

namespace {

std::string HolderLine() { return "process " + std::to_string(::getpid()) + ", started " + LogTime(); }

std::string ReadHolder(int fd) {
    char text[256] = {};
    const ssize_t size = ::pread(fd, text, sizeof text - 1, 0);
    if (size <= 0) return {};
    std::string line(text, static_cast<size_t>(size));
    if (const size_t end = line.find('\n'); end != std::string::npos) line.resize(end);
    return line;
}

// Opens the file, making it when missing. An existing file is opened without
// O_CREAT, so that a shared temporary folder's protection of other users'
// files does not refuse it.
int OpenLockFile(const std::string &path, mode_t mode) {
    int fd = ::open(path.c_str(), O_RDWR | O_CLOEXEC | O_NOFOLLOW);
    if (fd < 0 && errno == ENOENT) {
        fd = ::open(path.c_str(), O_RDWR | O_CREAT | O_EXCL | O_CLOEXEC | O_NOFOLLOW, mode);
        if (fd >= 0)
            ::fchmod(fd, mode);  // the umask left out: the caller says who else may take the lock
        else if (errno == EEXIST)
            fd = ::open(path.c_str(), O_RDWR | O_CLOEXEC | O_NOFOLLOW);
    }
    return fd;
}

}  // namespace

RunLock::RunLock(const std::string &path, mode_t mode, const std::string &what,
                 std::optional<std::chrono::steady_clock::duration> wait, bool waitForever)
    : path_(path) {
    fd_ = OpenLockFile(path, mode);
    if (fd_ < 0) throw Exception("EInOutError", "cannot open the lock file " + path + ": " + std::strerror(errno));
    const auto until = std::chrono::steady_clock::now() + wait.value_or(std::chrono::steady_clock::duration::zero());
    while (::flock(fd_, LOCK_EX | LOCK_NB) != 0) {
        const int error = errno;
        if (error == EINTR) continue;
        if (error != EWOULDBLOCK) {
            ::close(fd_);
            throw Exception("EInOutError", "cannot lock " + path + ": " + std::strerror(error));
        }
        const bool waiting = waitForever || (wait && std::chrono::steady_clock::now() < until);
        if (!waiting || StopRequested()) {
            const std::string holder = ReadHolder(fd_);
            ::close(fd_);
            throw ELockBusy("another run is using " + what + " (" + (holder.empty() ? "holder unknown" : holder) +
                                "; lock file " + path + ")",
                            holder);
        }
        SleepUnlessStopped(std::chrono::milliseconds(200));
    }
    // A line left in the file is that of a run whose process is gone: the
    // kernel dropped its lock when it ended.
    tookOverFrom_ = ReadHolder(fd_);
    const std::string line = HolderLine() + "\n";
    if (::ftruncate(fd_, 0) != 0 || ::pwrite(fd_, line.data(), line.size(), 0) != static_cast<ssize_t>(line.size())) {
        // The lock holds all the same; only the note for others is missing.
    }
}

RunLock::~RunLock() {
    if (fd_ < 0) return;
    // Emptied before it is released: a line found later is a crashed run's.
    if (::ftruncate(fd_, 0) != 0) {}
    ::close(fd_);
}

std::string DatabaseLockPath(const std::string &database) {
    std::string key = database;
    // A local file has many spellings; its absolute path is one. A server's
    // "host:path" or "host/port:path" is taken as written.
    const bool local = !database.empty() && database.find(':') == std::string::npos;
    if (local) {
        std::error_code error;
        const auto absolute = std::filesystem::weakly_canonical(database, error);
        if (!error) key = absolute.string();
    }
    uint64_t hash = 1469598103934665603ull;  // FNV-1a
    for (unsigned char c : key) {
        hash ^= c;
        hash *= 1099511628211ull;
    }
    char name[64];
    std::snprintf(name, sizeof name, "batchdel-purge-%016llx.lock", static_cast<unsigned long long>(hash));
    return std::string("/tmp/") + name;
}

}  // namespace batchdel
