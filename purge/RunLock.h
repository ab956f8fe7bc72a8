#pragma once
// One purge at a time: a lock file per cds/ folder and one per database. The
// lock is the kernel's (flock), so it goes with the process that held it,
// however that process ended; the file keeps a line naming the holder
// (process id, start time) for the run that finds it taken.
#include <chrono>
#include <optional>
#include <string>

#include <sys/types.h>

namespace batchdel {

// Raised when another run holds the lock and the wait, if any, is over.
class ELockBusy : public std::exception {
public:
    ELockBusy(std::string what, std::string holder) : what_(std::move(what)), holder_(std::move(holder)) {}
    const char *what() const noexcept override { return what_.c_str(); }
    // The holder's line as it wrote it ("process 1234, started ..."), or
    // empty when the file named none.
    const std::string &Holder() const { return holder_; }

private:
    std::string what_;
    std::string holder_;
};

class RunLock {
public:
    // Takes the lock of the file at `path` (made when missing, with `mode`
    // whatever the umask: 0666 where another user's run must take it too,
    // 0600 inside a folder of one user's own), for `what` (words for messages,
    // "the cds folder /x/cds"). With no wait it tries once; with a wait it
    // tries until the wait is over (none: for ever) or a stop is requested.
    // Raises ELockBusy when it stays taken, Exception when the file cannot
    // be made or opened.
    RunLock(const std::string &path, mode_t mode, const std::string &what,
            std::optional<std::chrono::steady_clock::duration> wait, bool waitForever);
    ~RunLock();
    RunLock(const RunLock &) = delete;
    RunLock &operator=(const RunLock &) = delete;

    // The holder line of a lock found left by a process that is gone (its
    // lock released by the kernel), which this run took over; empty when
    // the lock was free and clean.
    const std::string &TookOverFrom() const { return tookOverFrom_; }

private:
    int fd_ = -1;
    std::string path_;
    std::string tookOverFrom_;
};

// The lock file of a database: one name per database text (its path made
// absolute for a local file), in the system's shared temporary folder, so
// that two program folders on one database see each other.
std::string DatabaseLockPath(const std::string &database);

}  // namespace batchdel
