// The window's backup and deletion leave files for their owner alone under
// the usual umask 022: the backup pair and the journal are 0600.
#include <sys/stat.h>

#include "tests/workflow/OrderDatabaseTest.h"
#include "workflow/DeleteTickedOrders.h"

using namespace batchdel;

namespace {

mode_t ModeOf(const std::string &path) {
    struct stat st {};
    if (stat(path.c_str(), &st) != 0) return 07777;
    return st.st_mode & 07777;
}

class WindowFileModesTest : public OrderDatabaseTest {};

TEST_F(WindowFileModesTest, BackupPairAndJournalOfADeletionAreTheirOwnersAlone) {
    OpenDatabase(4);
    List();
    Tick({0, 2});
    window->now.tm_year = 124;  // 2024-01-02 00:00:00
    window->now.tm_mday = 2;
    window->messageBoxAnswers = {mrYes};
    window->dialogAnswers = {mrYes};
    const mode_t oldMask = umask(022);
    DeleteTickedOrders(*window);
    umask(oldMask);

    EXPECT_EQ(HeaderCount(DemoOrderNumber(1)), 0);
    EXPECT_EQ(ModeOf(CdsFile("ORDER_MASTER_20240102000000.CDS")), 0600u);
    EXPECT_EQ(ModeOf(CdsFile("ORDER_SUB20240102000000.CDS")), 0600u);
    EXPECT_EQ(ModeOf(CdsFile("deletions.log")), 0600u);
}

}  // namespace
