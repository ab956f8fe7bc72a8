// A backup file the restore cannot read: the restore window and
// batchdel-restore word the same refusal, each in its own language, and the
// window's words say why without the reader's English.
#include <gtest/gtest.h>

#include <fstream>
#include <functional>
#include <ostream>
#include <string>

#include "app/RunRestore.h"
#include "data/packet/PacketFormat.h"
#include "restore/BackupPair.h"
#include "restore/RestoreErrors.h"
#include "tests/support/TestSupport.h"

using namespace batchdel;

namespace {

struct UnreadCase {
    const char *name;
    std::function<void(const std::string &file)> make;  // the header file
    std::string window;                                 // exact; $FILE is the header file
    std::string command;
};

void PrintTo(const UnreadCase &c, std::ostream *out) { *out << c.name; }

std::string Filled(std::string text, const std::string &file) {
    for (size_t at; (at = text.find("$FILE")) != std::string::npos;) text.replace(at, 5, file);
    return text;
}

class RestoreRefusalTextsTest : public testing::TestWithParam<UnreadCase> {};

TEST_P(RestoreRefusalTextsTest, TheWindowAndTheCommandWordTheSameRefusal) {
    const UnreadCase &c = GetParam();
    TempDir dir;
    const std::string header = dir.file("ORDER_MASTER_20250101090503.CDS");
    c.make(header);
    try {
        BackupPair::Load(header, dir.file("ORDER_SUB20250101090503.CDS"), false);
        FAIL() << "the pair was read";
    } catch (const ERestoreRefused &refusal) {
        EXPECT_EQ(refusal.Kind(), RestoreRefusal::UnreadableFile);
        EXPECT_EQ(RefusalText(refusal), Filled(c.window, header));
        EXPECT_EQ(refusal.Message(), Filled(c.command, header));
    }
}

INSTANTIATE_TEST_SUITE_P(
    Unread, RestoreRefusalTextsTest,
    testing::Values(
        UnreadCase{"MissingFile", [](const std::string &) {},
                   "備份檔 $FILE 無法讀取：檔案不存在；無法還原，未寫入任何資料",
                   "Backup file \"$FILE\" cannot be read: Cannot open file \"$FILE\". No such file or directory"},
        UnreadCase{"NotABackup", [](const std::string &file) { std::ofstream(file) << "an order list"; },
                   "備份檔 $FILE 無法讀取：不是備份檔的格式；無法還原，未寫入任何資料",
                   "Backup file \"$FILE\" cannot be read: The data is not a data packet"},
        UnreadCase{"CutAfterItsFirstBytes",
                   [](const std::string &file) {
                       std::ofstream(file, std::ios::binary)
                           .write(reinterpret_cast<const char *>(packet::kMagic), sizeof packet::kMagic);
                   },
                   "備份檔 $FILE 無法讀取：檔案不完整，只有 8 位元組；無法還原，未寫入任何資料",
                   "Backup file \"$FILE\" cannot be read: The data packet is truncated: it holds only 8 bytes"}),
    [](const testing::TestParamInfo<UnreadCase> &param) { return std::string(param.param.name); });

}  // namespace
