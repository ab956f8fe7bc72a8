#include "orders/OrderJournal.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <filesystem>

#include "data/packet/PacketFile.h"

namespace batchdel {

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

// errno of the failure, 0 when every byte went.
int WriteAll(int fd, const std::string &text) {
    size_t done = 0;
    while (done < text.size()) {
        const ssize_t n = ::write(fd, text.data() + done, text.size() - done);
        if (n < 0 && errno == EINTR) continue;
        if (n < 0) return errno;
        if (n == 0) return ENOSPC;
        done += static_cast<size_t>(n);
    }
    return 0;
}

// A new file's name is on the disk only once its folder is synced too.
void SyncFolderOf(const std::string &path) {
    const std::string folder = std::filesystem::path(path).parent_path().string();
    FileDescriptor dir(::open(folder.empty() ? "." : folder.c_str(), O_RDONLY | O_DIRECTORY | O_CLOEXEC));
    if (dir.get() >= 0) ::fsync(dir.get());
}

// The journal lists every deleted order with its customer's database: a
// journal this program makes is its owner's alone, whatever the umask; one
// already there keeps the mode it has.
int OpenJournal(const std::string &path, JournalOpening opening) {
    constexpr int kFlags = O_WRONLY | O_APPEND | O_CLOEXEC;
    const int fd = ::open(path.c_str(), kFlags);
    if (fd >= 0 || errno != ENOENT || opening != JournalOpening::CreateWithHeader) return fd;
    const int made = ::open(path.c_str(), kFlags | O_CREAT | O_EXCL, kOrderFileMode);
    if (made >= 0) {
        ::fchmod(made, kOrderFileMode);
        return made;
    }
    // Made by another process meanwhile: append to that one.
    return errno == EEXIST ? ::open(path.c_str(), kFlags) : -1;
}

}  // namespace

std::string OrderJournalPath(const std::string &folder) { return folder + "cds/deletions.log"; }

std::string JournalField(const std::string &value) {
    if (value.find_first_of("\t\r\n\"") == std::string::npos) return value;
    std::string field = "\"";
    for (char c : value) {
        field += c;
        if (c == '"') field += '"';
    }
    return field + "\"";
}

std::string JournalTime(const std::tm &at) {
    char text[32];
    if (std::strftime(text, sizeof text, "%Y-%m-%d %H:%M:%S", &at) == 0) return "?";
    return text;
}

std::string JournalLine(const std::string &time, const std::string &orderNumber, const std::string &lines,
                        const std::string &backup, const std::string &database, const std::string &user) {
    return time + "\t" + JournalField(orderNumber) + "\t" + JournalField(lines) + "\t" + JournalField(backup) + "\t" +
           JournalField(database) + "\t" + JournalField(user) + "\n";
}

int AppendJournalLines(const std::string &path, const std::string &lines, JournalOpening opening) {
    // Opened afresh for every batch: a journal whose folder was removed must
    // fail here, not go on into a file nobody can find.
    FileDescriptor fd(OpenJournal(path, opening));
    if (fd.get() < 0) return errno;
    struct stat status {};
    if (::fstat(fd.get(), &status) != 0) return errno;
    const bool isNew = status.st_size == 0;
    const std::string text = (isNew ? std::string(kJournalHeaderLine) : std::string()) + lines;
    int error = WriteAll(fd.get(), text);
    if (!error && ::fsync(fd.get()) != 0) error = errno;
    if (error) {
        if (::ftruncate(fd.get(), status.st_size) == 0) ::fsync(fd.get());
        return error;
    }
    if (::close(fd.Release()) != 0) return errno;
    if (isNew) SyncFolderOf(path);
    return 0;
}

}  // namespace batchdel
