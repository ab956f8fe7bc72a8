// The backup and the deletion called as a command-line tool calls them: on a
// connection, with a progress that asks to stop, and no window in between.
#include "tests/workflow/OrderDatabaseTest.h"

#include <chrono>

#include "workflow/BackupOrders.h"
#include "workflow/DeleteOrders.h"
#include "workflow/DeletionJournal.h"
#include "workflow/WorkProgress.h"

using namespace batchdel;

namespace {

using namespace std::chrono_literals;

// Asks to stop once the deletion has taken `stopAt` orders.
class StopAfter : public WorkProgress {
public:
    explicit StopAfter(int64_t stopAt) : stopAt_(stopAt) {}
    void Stage(WorkStage, int64_t) override {}
    void Advance(int64_t done) override { done_ = done; }
    bool CancelRequested() override { return done_ >= stopAt_; }

private:
    int64_t stopAt_;
    int64_t done_ = 0;
};

class DeleteOrdersWithoutAWindow : public OrderDatabaseTest {};

TEST_F(DeleteOrdersWithoutAWindow, BacksUpThenDeletesUntilAskedToStopAndJournalsEachBatch) {
    OpenDatabase(5);
    TSQLConnection &connection = window->Connection();
    std::tm now{};
    now.tm_year = 126;
    now.tm_mday = 2;
    now.tm_hour = 3;
    now.tm_min = 4;
    now.tm_sec = 5;
    const BackupResult backup =
        BackupOrders(connection, window->BackupSet(), FilterCriteria{}, window->DataFolder(), now, nullptr);
    ASSERT_EQ(backup.headerRows, 5);
    EXPECT_EQ(backup.headerFile, window->DataFolder() + "cds/ORDER_MASTER_20260102030405.CDS");
    EXPECT_TRUE(window->Notices().empty());

    // An order the backup does not hold is never sent.
    std::vector<std::string> numbers = {DemoOrderNumber(1), "NOT-BACKED-UP", DemoOrderNumber(2), DemoOrderNumber(3),
                                        DemoOrderNumber(4)};
    int64_t expectedLines = 0;
    for (int n = 1; n <= 2; ++n) expectedLines += LineCount(DemoOrderNumber(n));
    const DeletionJournal journal(OrderJournalPath(window->DataFolder()), "pair", "db", "user");
    StopAfter progress(3);  // the first three numbers: two orders and the one not backed up
    int batches = 0;
    DeletionSettings settings(0s, 1);
    settings.afterBatch = [&] { ++batches; };
    settings.localNow = [&] { return now; };
    DeletionOutcome outcome;
    DeleteOrders(connection, numbers, &backup, journal, &progress, settings, outcome);

    EXPECT_TRUE(outcome.cancelled);
    EXPECT_EQ(outcome.deleted, 2);
    EXPECT_EQ(outcome.notInBackup, 1);
    EXPECT_EQ(outcome.linesDeleted, expectedLines);
    EXPECT_EQ(outcome.next, 3u);
    EXPECT_EQ(batches, 2);
    EXPECT_EQ(HeaderCount(DemoOrderNumber(2)), 0);
    EXPECT_EQ(HeaderCount(DemoOrderNumber(3)), 1);
    EXPECT_EQ(HeaderCount(DemoOrderNumber(5)), 1);
}

}  // namespace
