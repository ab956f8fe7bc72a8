// Transactions: an order's two deletions taken back or kept together, and a
// statement outside a transaction in effect as soon as it returns.
#include "tests/driver/BackendFixture.h"

using namespace batchdel;

namespace {

using TransactionTest = BackendTest;

const std::string kOrder = "'SO00000007'";
const std::string kDeleteLines = "DELETE FROM ORDER_SUB WHERE MASTERBILLID = " + kOrder + "\r\n";
const std::string kDeleteHeader = "DELETE FROM ORDER_MASTER WHERE MASTERBILLID = " + kOrder + "\r\n";
const std::string kCountLines = "SELECT COUNT(*) FROM ORDER_SUB WHERE MASTERBILLID = " + kOrder;
const std::string kCountHeader = "SELECT COUNT(*) FROM ORDER_MASTER WHERE MASTERBILLID = " + kOrder;

TEST_P(TransactionTest, RollbackUndoesBothDeletionsOfAnOrder) {
    const int64_t lines = Count(kCountLines);
    ASSERT_EQ(connection_->beginTransaction(), SQLStatus::Success) << ErrorText(*connection_);
    EXPECT_EQ(RunStatement(*connection_, kDeleteLines), lines);
    EXPECT_EQ(RunStatement(*connection_, kDeleteHeader), 1);
    // Not yet in effect for anyone else.
    EXPECT_EQ(Count(kCountHeader), 1);
    ASSERT_EQ(connection_->rollback(), SQLStatus::Success) << ErrorText(*connection_);
    EXPECT_EQ(Count(kCountLines), lines);
    EXPECT_EQ(Count(kCountHeader), 1);
}

TEST_P(TransactionTest, CommitKeepsBothDeletionsOfAnOrder) {
    ASSERT_EQ(connection_->beginTransaction(), SQLStatus::Success) << ErrorText(*connection_);
    RunStatement(*connection_, kDeleteLines);
    RunStatement(*connection_, kDeleteHeader);
    ASSERT_EQ(connection_->commit(), SQLStatus::Success) << ErrorText(*connection_);
    EXPECT_EQ(Count(kCountLines), 0);
    EXPECT_EQ(Count(kCountHeader), 0);
}

TEST_P(TransactionTest, FailedHeaderDeletionInATransactionCanTakeBackTheLines) {
    const int64_t lines = Count(kCountLines);
    // A rule of the shop that refuses the header's deletion.
    ExecuteSql(database_,
               {"CREATE EXCEPTION KEEP_ORDER 'order is kept'",
                "CREATE TRIGGER ORDER_MASTER_KEEP FOR ORDER_MASTER BEFORE DELETE AS BEGIN"
                " IF (OLD.MASTERBILLID = " +
                    kOrder + ") THEN EXCEPTION KEEP_ORDER; END"},
               LoginFor(database_));
    ASSERT_EQ(connection_->beginTransaction(), SQLStatus::Success);
    EXPECT_EQ(RunStatement(*connection_, kDeleteLines), lines);
    ISQLCommand *raw = nullptr;
    ASSERT_EQ(connection_->getSQLCommand(&raw), SQLStatus::Success);
    std::unique_ptr<ISQLCommand> command(raw);
    ASSERT_EQ(command->prepare(kDeleteHeader, 0), SQLStatus::Success) << ErrorText(*command);
    ISQLCursor *cursor = nullptr;
    EXPECT_GE(command->execute(&cursor), SQLStatus::ServerError);
    EXPECT_NE(ErrorText(*command).find("order is kept"), std::string::npos) << ErrorText(*command);
    ASSERT_EQ(connection_->rollback(), SQLStatus::Success);
    EXPECT_EQ(Count(kCountLines), lines);
    EXPECT_EQ(Count(kCountHeader), 1);
}

TEST_P(TransactionTest, CursorOutsideATransactionEndsItsOwnWhenFreed) {
    {
        OpenQuery query = Query(*connection_, "SELECT MASTERBILLID FROM ORDER_MASTER");
        ASSERT_NE(query.cursor, nullptr);
        ASSERT_EQ(query.cursor->next(), SQLStatus::Success);
    }
    // No transaction is left open on the attachment.
    OpenQuery open = Query(*connection_,
                           "SELECT COUNT(*) FROM MON$TRANSACTIONS"
                           " WHERE MON$ATTACHMENT_ID = CURRENT_CONNECTION");
    ASSERT_NE(open.cursor, nullptr);
    const auto rows = FetchAll(*open.cursor);
    EXPECT_EQ(rows[0][0], "1");  // the one this query runs in
}

TEST_P(TransactionTest, CursorCutOffByTheEndOfItsTransactionSaysSo) {
    ASSERT_EQ(connection_->beginTransaction(), SQLStatus::Success);
    OpenQuery query = Query(*connection_, "SELECT MASTERBILLID FROM ORDER_MASTER");
    ASSERT_NE(query.cursor, nullptr);
    ASSERT_EQ(query.cursor->next(), SQLStatus::Success);
    ASSERT_EQ(connection_->commit(), SQLStatus::Success);
    // Not a silent end of the rows: the list would be short.
    EXPECT_EQ(query.cursor->next(), SQLStatus::InvalidHandle);
    EXPECT_NE(ErrorText(*query.cursor).find("transaction ended"), std::string::npos);
}

TEST_P(TransactionTest, TransactionCallsOutOfTurnAreRefused) {
    EXPECT_EQ(connection_->commit(), SQLStatus::InvalidTransaction);
    EXPECT_EQ(connection_->rollback(), SQLStatus::InvalidTransaction);
    ASSERT_EQ(connection_->beginTransaction(), SQLStatus::Success);
    EXPECT_EQ(connection_->beginTransaction(), SQLStatus::TransactionActive);
    EXPECT_EQ(connection_->commit(), SQLStatus::Success);
}

// The backup reads both of its files in one read-only snapshot: what another
// user commits meanwhile is not seen, and nothing can be written in it.
TEST_P(TransactionTest, ReadOnlySnapshotSeesNoLaterCommitAndRefusesWrites) {
    auto countInTransaction = [&](const std::string &sql) {
        OpenQuery query = Query(*connection_, sql);
        return query.cursor ? FetchAll(*query.cursor).at(0).at(0) : std::string("no cursor");
    };
    const std::string lines = std::to_string(Count(kCountLines));
    ASSERT_EQ(connection_->beginReadOnlySnapshot(), SQLStatus::Success) << ErrorText(*connection_);
    EXPECT_EQ(connection_->beginTransaction(), SQLStatus::TransactionActive);
    EXPECT_EQ(countInTransaction(kCountLines), lines);
    auto other = Connect(*driver_, database_, {});
    ASSERT_NE(other, nullptr);
    RunStatement(*other, kDeleteLines);
    EXPECT_EQ(Count(kCountLines), 0);
    EXPECT_EQ(countInTransaction(kCountLines), lines);

    ISQLCommand *raw = nullptr;
    ASSERT_EQ(connection_->getSQLCommand(&raw), SQLStatus::Success);
    std::unique_ptr<ISQLCommand> command(raw);
    ASSERT_EQ(command->prepare(kDeleteHeader, 0), SQLStatus::Success) << ErrorText(*command);
    ISQLCursor *cursor = nullptr;
    EXPECT_GE(command->execute(&cursor), SQLStatus::ServerError);
    EXPECT_NE(ErrorText(*command).find("read-only"), std::string::npos) << ErrorText(*command);
    ASSERT_EQ(connection_->commit(), SQLStatus::Success);
    EXPECT_EQ(Count(kCountHeader), 1);
    EXPECT_EQ(countInTransaction(kCountLines), "0");
}

// A row locked by another user's open transaction: without waiting the
// statement fails at once with the server's update conflict text.
TEST_P(TransactionTest, RowLockedByAnotherUserFailsAtOnceWithoutWaiting) {
    ASSERT_EQ(connection_->beginTransaction(), SQLStatus::Success);
    RunStatement(*connection_, "UPDATE ORDER_MASTER SET REMARK = 'busy' WHERE MASTERBILLID = " + kOrder);
    auto other = Connect(*driver_, database_, {{ConnOption::WaitOnLocks, "False"}});
    ASSERT_NE(other, nullptr);
    ISQLCommand *raw = nullptr;
    ASSERT_EQ(other->getSQLCommand(&raw), SQLStatus::Success);
    std::unique_ptr<ISQLCommand> command(raw);
    ASSERT_EQ(command->prepare(kDeleteHeader, 0), SQLStatus::Success);
    ISQLCursor *cursor = nullptr;
    EXPECT_GE(command->execute(&cursor), SQLStatus::ServerError);
    EXPECT_NE(ErrorText(*command).find("update conflicts with concurrent update"), std::string::npos)
        << ErrorText(*command);
    EXPECT_EQ(connection_->rollback(), SQLStatus::Success);
    EXPECT_EQ(Count(kCountHeader), 1);
}

BATCHDEL_ON_EACH_BACKEND(TransactionTest);

}  // namespace
