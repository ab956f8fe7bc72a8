// The commands speak English only: a connection file they refuse or warn
// about, and a backup that does not read back, are said in their own words,
// with no word of the window's Chinese, and say what is and is not done.
#include <fcntl.h>
#include <gmock/gmock.h>
#include <gtest/gtest.h>
#include <poll.h>
#include <pwd.h>
#include <sys/fanotify.h>
#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>
#include <atomic>
#include <filesystem>
#include <string>
#include <thread>
#include <vector>

#include "data/sql/ConfigLocation.h"
#include "tests/purge/CommandsInTheirFolder.h"
#include "tests/support/TestSupport.h"

namespace {

namespace fs = std::filesystem;
using testing::HasSubstr;

// Whether the text holds a character of the window's writing: CJK ideographs
// and their punctuation, full-width forms.
bool HasCjk(const std::string &text) {
    for (size_t i = 0; i < text.size();) {
        const auto byte = static_cast<unsigned char>(text[i]);
        const size_t length = byte < 0x80 ? 1 : byte < 0xE0 ? 2 : byte < 0xF0 ? 3 : 4;
        char32_t code = length == 1 ? byte : byte & (0x3F >> (length - 1));
        for (size_t k = 1; k < length && i + k < text.size(); ++k)
            code = (code << 6) | (static_cast<unsigned char>(text[i + k]) & 0x3F);
        if ((code >= 0x2E80 && code <= 0x9FFF) || (code >= 0xF900 && code <= 0xFAFF) ||
            (code >= 0xFF00 && code <= 0xFFEF) || code >= 0x20000)
            return true;
        i += length;
    }
    return false;
}

TEST(CjkCheck, FindsTheWindowsWritingAndNothingElse) {
    EXPECT_FALSE(HasCjk("batchdel-purge: Backup file \"/tmp/x\" cannot be read back; naïve café"));
    EXPECT_TRUE(HasCjk("備份檔"));
    EXPECT_TRUE(HasCjk("a；b"));  // full-width punctuation alone
}

// The commands in a folder of the test's (CommandsInTheirFolder).
class CommandLanguage : public CommandsInTheirFolder {};

TEST_F(CommandLanguage, AConnectionFileRefusedOrWarnedAboutIsSaidInEnglishByBothCommands) {
    ASSERT_EQ(Run("batchdel-purge", {"--backup", "--to", "2024/01/31", "--yes"}).status, 0);
    const auto pair = Backups();
    ASSERT_EQ(pair.size(), 2u);
    chmod(dir_.path().c_str(), 0755);  // the file's own mode decides
    const std::string as = geteuid() == 0 ? "root" : std::string(getpwuid(geteuid())->pw_name) + " or root";
    const std::string fix = ". To put it right, as " + as + ": chmod 640 " + Connections() + "\n";
    const std::string refused = "The connection file " + Connections() +
                                " can be changed by every user (mode 0666): whoever changes it decides which "
                                "database the orders are deleted from, so it is not used and nothing was done" +
                                fix;
    const std::string warned = "warning: The connection file " + Connections() +
                               " (mode 0644) can be read by every user, and it holds the database password" + fix;
    for (const auto &[command, args] :
         {std::pair<const char *, std::vector<std::string>>{"batchdel-purge", {"--dry-run", "--to", "2024/03/31"}},
          {"batchdel-restore", {"--dry-run", pair[0], pair[1]}}}) {
        chmod(Connections().c_str(), 0666);
        ProgramRun run = Run(command, args);
        EXPECT_EQ(run.status, 2) << command;
        EXPECT_EQ(run.err, std::string(command) + ": " + refused);
        EXPECT_FALSE(HasCjk(run.err)) << run.err;

        chmod(Connections().c_str(), 0644);
        run = Run(command, args);
        EXPECT_EQ(run.status, 0) << command << "\n" << run.err;
        EXPECT_EQ(run.err, std::string(command) + ": " + warned);
        // Standard output lists orders, whose customer names are the shop's own.
        EXPECT_FALSE(HasCjk(run.err)) << run.err;
    }
}

// Cuts a backup's detail file to half as a process opens it again after it
// was written (to read it back): the kernel holds that open until the test
// has answered it, so the file changes exactly between writing and reading.
class ReadBackSpoiler {
public:
    explicit ReadBackSpoiler(const std::string &folder) {
        fd_ = fanotify_init(FAN_CLASS_CONTENT | FAN_CLOEXEC, O_RDONLY | O_LARGEFILE);
        if (fd_ < 0) return;
        if (fanotify_mark(fd_, FAN_MARK_ADD, FAN_OPEN_PERM | FAN_EVENT_ON_CHILD, AT_FDCWD, folder.c_str()) != 0) {
            close(fd_);
            fd_ = -1;
            return;
        }
        thread_ = std::thread([this] { Answer(); });
    }
    ~ReadBackSpoiler() {
        Stop();
        if (fd_ >= 0) close(fd_);
    }
    bool Watching() const { return fd_ >= 0; }
    // Ends the watch; then file and size say what was cut.
    void Stop() {
        stop_ = true;
        if (thread_.joinable()) thread_.join();
    }
    std::string file;
    uintmax_t size = 0;

private:
    void Answer() {
        alignas(fanotify_event_metadata) char buffer[4096];
        while (!stop_) {
            pollfd ready{fd_, POLLIN, 0};
            if (poll(&ready, 1, 50) <= 0) continue;
            ssize_t length = read(fd_, buffer, sizeof buffer);
            for (auto *event = reinterpret_cast<fanotify_event_metadata *>(buffer); FAN_EVENT_OK(event, length);
                 event = FAN_EVENT_NEXT(event, length)) {
                if (event->fd < 0) continue;
                std::error_code error;
                const fs::path path = fs::read_symlink("/proc/self/fd/" + std::to_string(event->fd), error);
                struct stat st {};
                // The first open made the file empty; this one finds it written.
                if (file.empty() && path.filename().string().starts_with("ORDER_SUB") && fstat(event->fd, &st) == 0 &&
                    st.st_size > 0) {
                    size = static_cast<uintmax_t>(st.st_size);
                    if (truncate(path.c_str(), st.st_size / 2) == 0) file = path.string();
                }
                const fanotify_response answer{event->fd, FAN_ALLOW};
                if (write(fd_, &answer, sizeof answer) != sizeof answer) {}
                close(event->fd);
            }
        }
    }

    int fd_ = -1;
    std::atomic<bool> stop_{false};
    std::thread thread_;
};

TEST_F(CommandLanguage, ABackupThatDoesNotReadBackIsSaidInEnglishAndNothingIsDeleted) {
    fs::create_directories(Cds());
    chmod(Cds().c_str(), 0700);
    const int64_t orders = CountRows(database_, "SELECT COUNT(*) FROM ORDER_MASTER");
    ReadBackSpoiler spoiler(Cds());
    if (!spoiler.Watching()) GTEST_SKIP() << "the kernel lets this test hold no file open (fanotify): " << errno;

    const ProgramRun run = Run("batchdel-purge", {"--backup", "--to", "2024/03/31", "--yes"});
    spoiler.Stop();
    ASSERT_FALSE(spoiler.file.empty()) << run.err;
    EXPECT_EQ(run.status, 2) << run.err;
    EXPECT_THAT(run.err,
                HasSubstr("\nbatchdel-purge: the backup failed, nothing was deleted: Backup file \"" + spoiler.file +
                          "\" cannot be read back. It holds only " + std::to_string(spoiler.size / 2) + " of the " +
                          std::to_string(spoiler.size) + " bytes written; the backup is not kept\n"));
    EXPECT_FALSE(HasCjk(run.err)) << run.err;
    // As it says: every order is still there and no backup file is kept.
    EXPECT_EQ(CountRows(database_, "SELECT COUNT(*) FROM ORDER_MASTER"), orders);
    EXPECT_EQ(Backups(), std::vector<std::string>{});
}

}  // namespace
