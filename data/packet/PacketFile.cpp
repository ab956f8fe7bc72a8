#include "data/packet/PacketFile.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <atomic>
#include <cerrno>
#include <cstring>
#include <vector>

#include "data/dataset/Errors.h"
#include "data/dataset/TableEngine.h"
#include "data/packet/PacketErrors.h"
#include "data/packet/PacketReader.h"
#include "data/packet/PacketSink.h"
#include "data/packet/PacketWriter.h"
#include "data/packet/PacketXml.h"

namespace {

struct SystemFailure {
    int error;
};

std::string Quoted(const std::string &path) { return "\"" + path + "\""; }

class FileSink : public PacketSink {
public:
    explicit FileSink(int fd) : fd_(fd) {}
    void Write(const char *data, size_t len) override {
        while (len > 0) {
            const ssize_t n = ::write(fd_, data, len);
            if (n < 0) {
                if (errno == EINTR) continue;
                throw SystemFailure{errno};
            }
            if (n == 0) throw SystemFailure{ENOSPC};
            data += n;
            len -= static_cast<size_t>(n);
        }
    }

private:
    int fd_;
};

// The new file beside the final one, removed unless it was renamed.
class TempFile {
public:
    TempFile(const std::string &dir, const std::string &base) {
        static std::atomic<unsigned> counter{0};
        // A long final name must not make the temporary one too long.
        const std::string stem = base.substr(0, 100);
        for (int attempt = 0; attempt < 100; ++attempt) {
            path_ = dir + "/." + stem + ".tmp-" + std::to_string(::getpid()) + "-" + std::to_string(counter++);
            fd_ = ::open(path_.c_str(), O_WRONLY | O_CREAT | O_EXCL | O_CLOEXEC, kOrderFileMode);
            if (fd_ >= 0 || errno != EEXIST) break;
        }
        if (fd_ < 0) throw SystemFailure{errno};
        ::fchmod(fd_, kOrderFileMode);  // a umask that takes the owner's bits away does not
    }
    ~TempFile() {
        if (fd_ >= 0) ::close(fd_);
        if (!renamed_) ::unlink(path_.c_str());
    }
    TempFile(const TempFile &) = delete;
    TempFile &operator=(const TempFile &) = delete;

    int fd() const { return fd_; }
    void Close() {
        const int fd = fd_;
        fd_ = -1;
        if (::close(fd) != 0 && errno != EINTR) throw SystemFailure{errno};
    }
    void RenameTo(const std::string &final) {
        if (::rename(path_.c_str(), final.c_str()) != 0) throw SystemFailure{errno};
        renamed_ = true;
    }

private:
    std::string path_;
    int fd_ = -1;
    bool renamed_ = false;
};

// Whether a file of that name may be replaced; returns 0 or the error a
// plain create would have met (a folder, a file without write permission).
int ReplaceableError(const std::string &path, mode_t *mode) {
    struct stat st {};
    if (::stat(path.c_str(), &st) != 0) return errno == ENOENT ? 0 : errno;
    if (S_ISDIR(st.st_mode)) return EISDIR;
    if (!S_ISREG(st.st_mode)) return EEXIST;
    if (::access(path.c_str(), W_OK) != 0) return errno;
    *mode = st.st_mode & 07777;
    return 0;
}

void SyncFolder(const std::string &dir) {
    // The rename is made durable as well; a folder that cannot be opened or
    // flushed (some file systems refuse) does not undo the write.
    const int fd = ::open(dir.c_str(), O_RDONLY | O_DIRECTORY | O_CLOEXEC);
    if (fd < 0) return;
    ::fsync(fd);
    ::close(fd);
}

}  // namespace

std::string SystemReason(int error) {
    std::string text = std::strerror(error);
    while (!text.empty() && (text.back() == ' ' || text.back() == '\n' || text.back() == '\r' || text.back() == '.' ||
                             text.back() == '\t'))
        text.pop_back();
    return text;
}

std::string AbsoluteFilePath(const std::string &path) {
    if (!path.empty() && path[0] == '/') return path;
    std::vector<char> buf(4096);
    while (::getcwd(buf.data(), buf.size()) == nullptr) {
        if (errno != ERANGE) return path;
        buf.resize(buf.size() * 2);
    }
    std::string dir = buf.data();
    if (dir.empty() || dir.back() != '/') dir += '/';
    return dir + path;
}

void WritePacketFile(const std::string &path, const TableEngine &engine, bool xml) {
    const std::string full = AbsoluteFilePath(path);
    const size_t slash = full.rfind('/');
    const std::string dir = slash == 0 ? "/" : full.substr(0, slash);
    const std::string base = full.substr(slash + 1);
    if (base.empty()) throw EFCreateError("Cannot create file " + Quoted(full) + ". " + SystemReason(EISDIR));

    mode_t oldMode = 0;
    if (const int err = ReplaceableError(full, &oldMode))
        throw EFCreateError("Cannot create file " + Quoted(full) + ". " + SystemReason(err));

    std::unique_ptr<TempFile> temp;
    try {
        temp = std::make_unique<TempFile>(dir, base);
    } catch (const SystemFailure &f) {
        throw EFCreateError("Cannot create file " + Quoted(full) + ". " + SystemReason(f.error));
    }
    try {
        if (oldMode != 0) ::fchmod(temp->fd(), oldMode);  // the replaced file's permissions carry over
        FileSink sink(temp->fd());
        if (xml)
            packet::WritePacketXml(engine, sink);
        else
            packet::WritePacket(engine, sink);
        if (::fsync(temp->fd()) != 0) throw SystemFailure{errno};
        temp->Close();
        temp->RenameTo(full);
    } catch (const SystemFailure &f) {
        throw EFCreateError("Cannot write file " + Quoted(full) + ". " + SystemReason(f.error));
    }
    SyncFolder(dir);
}

void WritePacketInto(int fd, const std::string &path, const TableEngine &engine, bool xml) {
    try {
        FileSink sink(fd);
        if (xml)
            packet::WritePacketXml(engine, sink);
        else
            packet::WritePacket(engine, sink);
        if (::fsync(fd) != 0) throw SystemFailure{errno};
    } catch (const SystemFailure &f) {
        throw EFCreateError("Cannot write file " + Quoted(AbsoluteFilePath(path)) + ". " + SystemReason(f.error));
    }
}

std::unique_ptr<TableEngine> ReadPacketFile(const std::string &path) {
    const std::string full = AbsoluteFilePath(path);
    // Without blocking: opening a pipe would wait for a writer.
    const int fd = ::open(full.c_str(), O_RDONLY | O_CLOEXEC | O_NONBLOCK);
    if (fd < 0) {
        const int error = errno;
        throw EPacketUnreadable(PacketFault::CannotOpen,
                                "Cannot open file " + Quoted(full) + ". " + SystemReason(error))
            .WithSystemError(error);
    }
    // Read straight into one buffer left uninitialised: the packet reader
    // checks every byte against the length in its header anyway. Only a
    // regular file has a size to trust, and no read goes past it: a device
    // or a pipe could give bytes without end.
    std::unique_ptr<char[]> bytes;
    size_t size = 0;
    int error = 0;
    std::string reason;
    struct stat st {};
    if (::fstat(fd, &st) != 0)
        error = errno;
    else if (S_ISDIR(st.st_mode))
        error = EISDIR;
    else if (!S_ISREG(st.st_mode))
        reason = "Not a regular file";
    else {
        const size_t capacity = static_cast<size_t>(st.st_size);
        bytes.reset(new char[capacity + 1]);
        while (size < capacity) {
            const ssize_t n = ::read(fd, bytes.get() + size, capacity - size);
            if (n < 0 && errno == EINTR) continue;
            if (n < 0) error = errno;
            if (n <= 0) break;
            size += static_cast<size_t>(n);
        }
    }
    ::close(fd);
    if (error) reason = SystemReason(error);
    if (!reason.empty())
        throw EPacketUnreadable(error ? PacketFault::CannotRead : PacketFault::NotARegularFile,
                                "Cannot read file " + Quoted(full) + ". " + reason)
            .WithSystemError(error);
    return packet::ReadPacket(std::string_view(bytes.get(), size));
}
