#include "DeletionJournal.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <cstring>
#include <filesystem>

#include "Errors.h"

namespace {

// Closes the descriptor whatever way the write ends.
class FileDescriptor {
public:
    explicit FileDescriptor(int fd) : fd_(fd) {}
    ~FileDescriptor() {
        if (fd_ >= 0) ::close(fd_);
    }
    FileDescriptor(const FileDescriptor &) = delete;
    FileDescriptor &operator=(const FileDescriptor &) = delete;
    int get() const { return fd_; }
    int Release() {
        const int fd = fd_;
        fd_ = -1;
        return fd;
    }

private:
    int fd_;
};

bool WriteAll(int fd, const std::string &text) {
    size_t done = 0;
    while (done < text.size()) {
        const ssize_t n = ::write(fd, text.data() + done, text.size() - done);
        if (n < 0 && errno == EINTR) continue;
        if (n <= 0) return false;
        done += static_cast<size_t>(n);
    }
    return true;
}

// A new file's name is on the disk only once its folder is synced too.
void SyncFolderOf(const std::string &path) {
    const std::string folder = std::filesystem::path(path).parent_path().string();
    FileDescriptor dir(::open(folder.empty() ? "." : folder.c_str(), O_RDONLY | O_DIRECTORY | O_CLOEXEC));
    if (dir.get() >= 0) ::fsync(dir.get());
}

std::string LocalTimeText(const std::tm &at) {
    char text[32];
    if (std::strftime(text, sizeof text, "%Y-%m-%d %H:%M:%S", &at) == 0) return "?";
    return text;
}

}  // namespace

DeletionJournal::DeletionJournal(std::string path, std::string backup, std::string database, std::string user)
    : path_(std::move(path)),
      backup_(backup.empty() ? "none" : std::move(backup)),
      database_(std::move(database)),
      user_(std::move(user)) {}

void DeletionJournal::Open() const { Write({}); }

void DeletionJournal::Append(const std::vector<DeletedOrder> &orders, const std::tm &committedAt) const {
    if (orders.empty()) return;
    const std::string time = LocalTimeText(committedAt);
    const std::string tail =
        "\t" + JournalField(backup_) + "\t" + JournalField(database_) + "\t" + JournalField(user_) + "\n";
    std::string lines;
    for (const DeletedOrder &order : orders)
        lines += time + "\t" + JournalField(order.orderNumber) + "\t" + std::to_string(order.detailLines) + tail;
    Write(lines);
}

void DeletionJournal::Write(const std::string &lines) const {
    // Opened afresh for every batch: a journal whose folder was removed
    // must fail here, not go on into a file nobody can find.
    FileDescriptor fd(::open(path_.c_str(), O_WRONLY | O_APPEND | O_CREAT | O_CLOEXEC, 0644));
    const auto fail = [&](int error) {
        throw EFCreateError("無法寫入刪除紀錄 " + path_ + "：" + std::strerror(error));
    };
    if (fd.get() < 0) fail(errno);
    struct stat status {};
    if (::fstat(fd.get(), &status) != 0) fail(errno);
    const bool isNew = status.st_size == 0;
    const std::string text = (isNew ? std::string(kHeaderLine) : std::string()) + lines;
    if (text.empty()) return;
    if (!WriteAll(fd.get(), text) || ::fsync(fd.get()) != 0) {
        const int error = errno;
        // Whatever part of these lines reached the file goes again: the
        // journal holds whole lines only.
        if (::ftruncate(fd.get(), status.st_size) == 0) ::fsync(fd.get());
        fail(error);
    }
    if (::close(fd.Release()) != 0) fail(errno);
    if (isNew) SyncFolderOf(path_);
}

std::string DeletionJournalPath(const std::string &programFolder) { return programFolder + "cds/deletions.log"; }

std::string JournalField(const std::string &value) {
    if (value.find_first_of("\t\r\n\"") == std::string::npos) return value;
    std::string field = "\"";
    for (char c : value) {
        field += c;
        if (c == '"') field += '"';
    }
    return field + "\"";
}
