// How the restore window reads the journal into runs: a deletion with a
// backup is its pair's lines, one without is an unbroken stretch of one
// user's lines; restore lines mark orders of their pair as restored; other
// databases and a last line cut short are left out.
#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include "app/JournalRuns.h"

namespace {

using testing::ElementsAre;

const std::string kHeader = "time\tMASTERBILLID\tORDER_SUB lines\tbackup\tdatabase\tuser\n";
const std::string kPair = "ORDER_MASTER_20250101000001.CDS ORDER_SUB20250101000001.CDS";
const std::string kPair2 = "ORDER_MASTER_20250102000001.CDS ORDER_SUB20250102000001.CDS";

std::string Line(const std::string &time, const std::string &number, const std::string &lines,
                 const std::string &backup, const std::string &user = "alice", const std::string &database = "/db") {
    return time + "\t" + number + "\t" + lines + "\t" + backup + "\t" + database + "\t" + user + "\n";
}

std::vector<std::string> Numbers(const JournalRun &run) {
    std::vector<std::string> numbers;
    for (const JournalOrder &order : run.orders) numbers.push_back(order.number);
    return numbers;
}

TEST(JournalRunsTest, QuotedFieldsHoldTabsLineBreaksAndQuotes) {
    const auto records = ReadJournalRecords("a\t\"b\tc\nd \"\"e\"\"\"\tf\n\"g\"\th\ncut\tshort");
    ASSERT_EQ(records.size(), 2u);
    EXPECT_THAT(records[0], ElementsAre("a", "b\tc\nd \"e\"", "f"));
    EXPECT_THAT(records[1], ElementsAre("g", "h"));
}

TEST(JournalRunsTest, RunsOfOneDatabaseNewestFirstWithTheirRestoredOrders) {
    const std::string journal =
        kHeader + Line("2025-01-01 00:00:01", "SO1", "3", kPair) + Line("2025-01-01 00:00:01", "SO2", "0", kPair) +
        Line("2025-01-01 00:00:02", "X1", "1", kPair2, "alice", "/other") +
        Line("2025-01-01 00:00:02", "SO3", "2", kPair) +
        // Two deletions without a backup: another user, then a long pause.
        Line("2025-01-01 10:00:00", "SO4", "1", "none", "alice") +
        Line("2025-01-01 10:00:00", "SO5", "1", "none", "alice") +
        Line("2025-01-01 10:00:01", "SO6", "1", "none", "bob") +
        Line("2025-01-01 10:30:00", "SO7", "1", "none", "bob") + Line("2025-01-02 00:00:01", "\"SO\t8\"", "4", kPair2) +
        Line("2025-01-03 08:00:00", "SO2", "+0", "restored from " + kPair) +
        Line("2025-01-03 08:00:00", "SO3", "+2", "restored from " + kPair) +
        Line("2025-01-03 08:00:00", "SO1", "+3", "restored from " + kPair2) + "2025-01-04 00:00:00\tSO9\t1\tno";
    const std::vector<JournalRun> runs = JournalRunsFor(journal, "/db");
    ASSERT_EQ(runs.size(), 5u);
    EXPECT_EQ(runs[0].backup, kPair2);
    EXPECT_THAT(Numbers(runs[0]), ElementsAre("SO\t8"));
    EXPECT_EQ(runs[0].HeaderFile(), "ORDER_MASTER_20250102000001.CDS");
    EXPECT_EQ(runs[0].DetailFile(), "ORDER_SUB20250102000001.CDS");
    EXPECT_TRUE(runs[0].restored.empty());  // SO1 came back from the other pair
    EXPECT_THAT(Numbers(runs[1]), ElementsAre("SO7"));
    EXPECT_THAT(Numbers(runs[2]), ElementsAre("SO6"));
    EXPECT_EQ(runs[2].user, "bob");
    EXPECT_THAT(Numbers(runs[3]), ElementsAre("SO4", "SO5"));
    EXPECT_FALSE(runs[3].HasBackup());
    EXPECT_EQ(runs[4].time, "2025-01-01 00:00:01");
    EXPECT_THAT(Numbers(runs[4]), ElementsAre("SO1", "SO2", "SO3"));
    EXPECT_EQ(runs[4].Lines(), 5);
    EXPECT_EQ(runs[4].restored, (std::unordered_set<std::string>{"SO2", "SO3"}));

    EXPECT_TRUE(JournalRunsFor(journal, "/nowhere").empty());
    EXPECT_TRUE(ReadJournalRuns("/nonexistent/cds/deletions.log", "/db").empty());
}

}  // namespace
