#include "RestoreJournal.h"

#include <fcntl.h>
#include <unistd.h>

#include <cerrno>
#include <filesystem>

#include "BackupPair.h"
#include "Errors.h"
#include "PacketFile.h"

RestoreJournal::RestoreJournal(std::string path, std::string backupPair, std::string database, std::string user)
    : path_(std::move(path)),
      backup_("restored from " + std::move(backupPair)),
      database_(std::move(database)),
      user_(std::move(user)) {
    std::error_code ignored;
    active_ = std::filesystem::is_regular_file(path_, ignored);
}

std::string TabField(const std::string &value) {
    if (value.find_first_of("\t\r\n\"") == std::string::npos) return value;
    std::string field = "\"";
    for (char c : value) {
        field += c;
        if (c == '"') field += '"';
    }
    return field + "\"";
}

void RestoreJournal::Append(const std::vector<const BackupOrder *> &orders, const std::tm &committedAt) const {
    if (!active_ || orders.empty()) return;
    char time[32];
    std::strftime(time, sizeof time, "%Y-%m-%d %H:%M:%S", &committedAt);
    std::string lines;
    for (const BackupOrder *order : orders)
        lines += std::string(time) + "\t" + TabField(order->number) + "\t+" + std::to_string(order->lineRows.size()) +
                 "\t" + TabField(backup_) + "\t" + TabField(database_) + "\t" + TabField(user_) + "\n";
    const int fd = ::open(path_.c_str(), O_WRONLY | O_APPEND | O_CLOEXEC);
    if (fd < 0) throw EFCreateError("Cannot write file \"" + path_ + "\". " + SystemReason(errno));
    size_t done = 0;
    int error = 0;
    while (done < lines.size()) {
        const ssize_t n = ::write(fd, lines.data() + done, lines.size() - done);
        if (n < 0 && errno == EINTR) continue;
        if (n <= 0) {
            error = n < 0 ? errno : ENOSPC;
            break;
        }
        done += static_cast<size_t>(n);
    }
    if (!error && ::fsync(fd) != 0) error = errno;
    ::close(fd);
    if (error) throw EFCreateError("Cannot write file \"" + path_ + "\". " + SystemReason(error));
}
