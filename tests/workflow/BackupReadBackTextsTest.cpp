// A backup file that does not read back as written, spoiled for real between
// writing and reading back: the failure is one kind with its data, and the
// window's words and the commands' words come from the same kind and data.
#include <filesystem>
#include <fstream>
#include <functional>
#include <map>
#include <string>

#include "tests/workflow/OrderDatabaseTest.h"
#include "workflow/BackupOrders.h"
#include "workflow/BackupReadBack.h"
#include "workflow/WindowTexts.h"
#include "workflow/WorkProgress.h"

using namespace batchdel;

namespace {

namespace fs = std::filesystem;

struct ReadBackCase {
    const char *name;
    std::function<void(const std::string &detailFile)> spoil;
    ReadBackFailure kind;
    // Exact texts; $FILE is the detail file, $SIZE its size as written,
    // $HALF half of that, $LINES the detail lines the backup wrote.
    std::string window;
    std::string command;
};

void PrintTo(const ReadBackCase &c, std::ostream *out) { *out << c.name; }

// Runs the spoiler as the backup starts reading its files back.
class SpoilingProgress : public WorkProgress {
public:
    explicit SpoilingProgress(std::function<void()> spoil) : spoil_(std::move(spoil)) {}
    void Stage(WorkStage stage, int64_t) override {
        if (stage == WorkStage::CheckingBackup) spoil_();
    }
    void Advance(int64_t) override {}
    bool CancelRequested() override { return false; }

private:
    std::function<void()> spoil_;
};

std::string Filled(std::string text, const std::map<std::string, std::string> &values) {
    for (const auto &[name, value] : values)
        for (size_t at; (at = text.find(name)) != std::string::npos;) text.replace(at, name.size(), value);
    return text;
}

class BackupReadBackTextsTest : public OrderDatabaseTest, public testing::WithParamInterface<ReadBackCase> {};

TEST_P(BackupReadBackTextsTest, TheWindowAndTheCommandsWordTheSameFailure) {
    const ReadBackCase &c = GetParam();
    OpenDatabase(3);
    window->now = std::tm{};
    window->now.tm_year = 125;  // 2025/01/01 09:05:03
    window->now.tm_mday = 1;
    window->now.tm_hour = 9;
    window->now.tm_min = 5;
    window->now.tm_sec = 3;
    const std::string detail = CdsFile("ORDER_SUB20250101090503.CDS");
    uintmax_t size = 0;
    SpoilingProgress progress([&] {
        size = fs::file_size(detail);
        c.spoil(detail);
    });
    try {
        BackupOrders(*window, &progress);
        FAIL() << "the spoiled backup passed its check";
    } catch (const EBackupNotReadBack &failure) {
        const std::map<std::string, std::string> values{
            {"$FILE", detail},
            {"$SIZE", std::to_string(size)},
            {"$HALF", std::to_string(size / 2)},
            {"$LINES", std::to_string(Count("SELECT COUNT(*) FROM ORDER_SUB"))}};
        EXPECT_EQ(failure.Kind(), c.kind);
        EXPECT_EQ(failure.Facts().file, detail);
        EXPECT_EQ(WindowReadBackText(failure.Kind(), failure.Facts()), Filled(c.window, values));
        EXPECT_EQ(failure.Message(), Filled(c.command, values));
        EXPECT_EQ(failure.ClassName(), "EFCreateError");
        // What the window's error report shows.
        EXPECT_EQ(WindowFailureText(failure), Filled(c.window, values));
    }
    // Neither file of the backup is kept (a directory put in its place is
    // not the backup's own file and stays).
    EXPECT_FALSE(fs::exists(CdsFile("ORDER_MASTER_20250101090503.CDS")));
    EXPECT_TRUE(window->Notices().empty());
}

INSTANTIATE_TEST_SUITE_P(
    Spoiled, BackupReadBackTextsTest,
    testing::Values(
        ReadBackCase{
            "TruncatedFile", [](const std::string &file) { fs::resize_file(file, fs::file_size(file) / 2); },
            ReadBackFailure::FileTruncated,
            "備份檔 $FILE 讀回時不完整：只有 $HALF 位元組（寫入的是 $SIZE 位元組）；本次備份未保留，未刪除任何訂單",
            "Backup file \"$FILE\" cannot be read back. It holds only $HALF of the $SIZE bytes written; the "
            "backup is not kept"},
        ReadBackCase{"ChangedBytes",
                     [](const std::string &file) {
                         std::fstream bytes(file, std::ios::in | std::ios::out | std::ios::binary);
                         bytes.seekg(static_cast<std::streamoff>(fs::file_size(file) / 2));
                         const char was = static_cast<char>(bytes.get());
                         bytes.seekp(static_cast<std::streamoff>(fs::file_size(file) / 2));
                         bytes.put(static_cast<char>(was ^ 0x5a));
                     },
                     ReadBackFailure::FileChanged,
                     "備份檔 $FILE 讀回的內容與寫入的不同；本次備份未保留，未刪除任何訂單",
                     "Backup file \"$FILE\" cannot be read back. Its bytes are not the ones written (The data packet "
                     "is damaged: its checksum does not match its content); the backup is not kept"},
        ReadBackCase{"MissingFile", [](const std::string &file) { fs::remove(file); }, ReadBackFailure::FileMissing,
                     "備份檔 $FILE 寫入後已不存在，無法讀回核對；本次備份未保留，未刪除任何訂單",
                     "Backup file \"$FILE\" cannot be read back. It is no longer there; the backup is not kept"},
        ReadBackCase{"UnreadableFile",
                     [](const std::string &file) {
                         fs::remove(file);
                         fs::create_directory(file);
                     },
                     ReadBackFailure::FileUnreadable,
                     "備份檔 $FILE 寫入後無法讀回：Is a directory；本次備份未保留，未刪除任何訂單",
                     "Backup file \"$FILE\" cannot be read back. Is a directory; the backup is not kept"},
        ReadBackCase{"AnotherBackupsFileInItsPlace",
                     [](const std::string &file) {
                         // A whole packet, but the header file's rows.
                         fs::copy_file(fs::path(file).parent_path() / "ORDER_MASTER_20250101090503.CDS", file,
                                       fs::copy_options::overwrite_existing);
                     },
                     ReadBackFailure::RowCount,
                     "備份檔 $FILE 讀回 3 筆資料，寫入的是 $LINES 筆；本次備份未保留，未刪除任何訂單",
                     "Backup file \"$FILE\" does not hold what was written: 3 rows instead of $LINES; the backup is "
                     "not kept"}),
    [](const testing::TestParamInfo<ReadBackCase> &param) { return std::string(param.param.name); });

}  // namespace
