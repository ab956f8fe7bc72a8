#include "orders/BackupPairFiles.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>

#include "data/dataset/Errors.h"
#include "data/packet/PacketFile.h"
#include "orders/BackupFileNames.h"

namespace batchdel {

namespace {

// How many seconds past `now` a pair may move before the folder is taken to
// be unusable (each second costs two failed creations at most).
constexpr int kSecondsToTry = 3600;

std::tm SecondsLater(const std::tm &now, int seconds) {
    std::tm later = now;
    later.tm_sec += seconds;
    later.tm_isdst = -1;
    const std::time_t when = std::mktime(&later);
    if (when == static_cast<std::time_t>(-1)) return later;
    std::tm local{};
    localtime_r(&when, &local);
    return local;
}

[[noreturn]] void CannotCreate(const std::string &path, int error) {
    throw EFCreateError("Cannot create file \"" + AbsoluteFilePath(path) + "\". " + SystemReason(error));
}

}  // namespace

int CreateBackupFile(const std::string &path) {
    return ::open(path.c_str(), O_WRONLY | O_CREAT | O_EXCL | O_CLOEXEC, 0600);
}

bool BackupPairFiles::Create(Created &file) {
    file.fd = CreateBackupFile(file.path);
    if (file.fd < 0) {
        if (errno == EEXIST) return false;
        CannotCreate(file.path, errno);
    }
    struct stat st {};
    if (::fstat(file.fd, &st) == 0) {
        file.device = st.st_dev;
        file.inode = st.st_ino;
    }
    return true;
}

void BackupPairFiles::Remove(Created &file) {
    if (file.fd < 0 && file.inode == 0) return;
    if (file.fd >= 0) ::close(file.fd);
    file.fd = -1;
    // Another run may have removed this file and made its own under the
    // name since: that one is not ours to remove.
    struct stat st {};
    if (::lstat(file.path.c_str(), &st) == 0 && st.st_dev == file.device && st.st_ino == file.inode)
        ::unlink(file.path.c_str());
    file.inode = 0;
}

BackupPairFiles::BackupPairFiles(const std::string &folder, const std::tm &now) {
    for (int second = 0; second < kSecondsToTry; ++second) {
        // The first try takes the time as given, exactly as it names the pair.
        const std::string timestamp = BackupTimestamp(second == 0 ? now : SecondsLater(now, second));
        header_ = {HeaderBackupPath(folder, timestamp)};
        detail_ = {DetailBackupPath(folder, timestamp)};
        if (!Create(header_)) continue;
        try {
            if (Create(detail_)) return;
        } catch (...) {
            Remove(header_);
            throw;
        }
        Remove(header_);
    }
    CannotCreate(header_.path, EEXIST);
}

BackupPairFiles::~BackupPairFiles() {
    for (Created *file : {&header_, &detail_}) {
        if (kept_) {
            if (file->fd >= 0) ::close(file->fd);
        } else {
            Remove(*file);
        }
    }
}

void BackupPairFiles::Close() {
    for (Created *file : {&header_, &detail_}) {
        if (file->fd < 0) continue;
        const int fd = file->fd;
        file->fd = -1;
        if (::close(fd) != 0 && errno != EINTR)
            throw EFCreateError("Cannot write file \"" + AbsoluteFilePath(file->path) + "\". " + SystemReason(errno));
    }
    // The names too must outlive a power cut before any order is deleted on
    // the strength of them; a folder that cannot be flushed (some file
    // systems refuse) does not undo the backup.
    const std::string folder = header_.path.substr(0, header_.path.rfind('/') + 1);
    const int fd = ::open(folder.c_str(), O_RDONLY | O_DIRECTORY | O_CLOEXEC);
    if (fd >= 0) {
        ::fsync(fd);
        ::close(fd);
    }
}

}  // namespace batchdel
