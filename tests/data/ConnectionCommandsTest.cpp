// How the connection turns driver statuses into messages, counts the commands
// it hands out and makes a clone connection when the driver's limit of active
// statements is reached.
#include <gtest/gtest.h>

#include "data/dataset/Errors.h"
#include "data/sql/SQLConnection.h"
#include "data/sql/SQLQuery.h"
#include "tests/support/TestSupport.h"

using namespace batchdel;

namespace {

// An object whose failure text the status rule asks for. It stands for the
// driver object that failed; only its text matters to the rule.
class TextSource : public ISQLErrorSource {
public:
    SQLStatus lengthStatus = SQLStatus::Success;
    SQLStatus textStatus = SQLStatus::Success;
    std::string text;
    SQLStatus getErrorMessageLen(uint16_t *len) override {
        *len = uint16_t(text.size());
        return lengthStatus;
    }
    SQLStatus getErrorMessage(std::string *message) override {
        *message = text;
        return textStatus;
    }
    int32_t serverCode = 0;
    int32_t getServerErrorCode() override { return serverCode; }
};

// The status as the 16-bit number the driver returns.
std::string MessageOf(TSQLConnection &connection, int status, ISQLErrorSource *source) {
    try {
        connection.CheckStatus(SQLStatus(status), source);
    } catch (const EDatabaseError &e) {
        EXPECT_EQ(e.ClassName(), "EDatabaseError");
        return e.Message();
    }
    return "<no failure>";
}

TEST(StatusRuleTest, DriverStatusesGetTheirTextWithoutPrefix) {
    TSQLConnection connection("SQLConnection1");
    TextSource source;
    source.text = "ignored below 255";
    EXPECT_NO_THROW(connection.CheckStatus(SQLStatus::Success, &source));
    EXPECT_EQ(MessageOf(connection, 3, &source), "Driver Error: Invalid Handle");
    EXPECT_EQ(MessageOf(connection, 254, &source), "Driver Error: No Mapping for Error Code Found");
    EXPECT_EQ(connection.LastErrorText(), "Driver Error: No Mapping for Error Code Found");
}

TEST(StatusRuleTest, ServerStatusesCarryTheFailingObjectsOwnText) {
    TSQLConnection connection("SQLConnection1");
    TextSource source;

    // Asking fails before any failure was kept: nothing better to say.
    source.lengthStatus = SQLStatus::InvalidHandle;
    EXPECT_EQ(MessageOf(connection, 255, &source), "SQL Error: Error mapping failed");

    source = TextSource();
    source.text = "violation of FOREIGN KEY constraint";
    EXPECT_EQ(MessageOf(connection, 255, &source), "violation of FOREIGN KEY constraint");
    EXPECT_EQ(MessageOf(connection, 0xFFFF, &source), "violation of FOREIGN KEY constraint");

    source.text.clear();  // length 0
    EXPECT_EQ(MessageOf(connection, 255, &source), "SQL Error: Error mapping failed");

    // Asking fails: the last text kept stands in.
    source.text = "lock conflict";
    MessageOf(connection, 255, &source);
    source.textStatus = SQLStatus::InvalidHandle;
    EXPECT_EQ(MessageOf(connection, 300, &source), "lock conflict");
    EXPECT_EQ(MessageOf(connection, 300, nullptr), "lock conflict");
}

TEST(StatusRuleTest, TheServersCodeTravelsWithItsTextAndTellsTheKind) {
    TSQLConnection connection("SQLConnection1");
    TextSource source;
    source.text = "the server's words";
    const struct {
        int32_t code;
        FailureKind kind;
    } cases[] = {
        {335544345, FailureKind::LockConflict},    // lock conflict on no wait transaction
        {335544336, FailureKind::LockConflict},    // deadlock (an update conflict while waiting)
        {335544510, FailureKind::LockConflict},    // lock time-out on wait transaction
        {335544721, FailureKind::ConnectionLost},  // unable to complete network request
        {335544727, FailureKind::ConnectionLost},  // error writing data to the connection
        {335544856, FailureKind::ConnectionLost},  // connection shutdown
        {335544466, FailureKind::Constraint},      // FOREIGN KEY
        {335544665, FailureKind::Constraint},      // PRIMARY or UNIQUE KEY
        {335544347, FailureKind::Constraint},      // validation error for column
        {335544569, FailureKind::Other},           // Dynamic SQL Error
        {0, FailureKind::Other},
    };
    for (const auto &c : cases) {
        source.serverCode = c.code;
        try {
            connection.CheckStatus(SQLStatus::ServerError, &source);
            ADD_FAILURE();
        } catch (const EDatabaseError &e) {
            EXPECT_EQ(e.Message(), "the server's words");
            EXPECT_EQ(e.ServerCode(), c.code);
            EXPECT_EQ(e.Kind(), c.kind) << c.code;
        }
    }
    // A driver status of its own has no server code, whatever the object says.
    try {
        connection.CheckStatus(SQLStatus::InvalidHandle, &source);
    } catch (const EDatabaseError &e) {
        EXPECT_EQ(e.ServerCode(), 0);
        EXPECT_EQ(e.Kind(), FailureKind::Other);
    }
}

// A connection whose driver allows one active statement at a time. The
// Firebird driver has no such limit, so the limit is imposed here; the clone
// it leads to is a real second attachment.
class OneStatementConnection : public TSQLConnection {
public:
    using TSQLConnection::TSQLConnection;

protected:
    int64_t ReadStatementLimit(ISQLConnection *) override { return 1; }
};

class CommandCountTest : public ::testing::Test {
protected:
    void SetUp() override {
        database_ = MakeTestDatabase(dir_, 3);
        WriteConfigFiles(dir_.path(), database_);
        for (TSQLConnection *c : {static_cast<TSQLConnection *>(&limited_), &plain_}) {
            c->ConnectionName = "Trelvo";
            c->LoadParamsOnConnect = true;
            c->LoginPrompt = false;
            c->SetConnectionFile(dir_.file("connections.ini"));
            c->SetDriverFile(dir_.file("drivers.ini"));
        }
    }

    TempDir dir_;
    std::string database_;
    OneStatementConnection limited_{"SQLConnection1"};
    TSQLConnection plain_{"SQLConnection2"};
};

TEST_F(CommandCountTest, CommandsAreCountedUntilFreed) {
    SQLCommandLease a = plain_.AcquireCommand();  // opens the connection
    EXPECT_TRUE(plain_.Connected());
    SQLCommandLease b = plain_.AcquireCommand();
    EXPECT_EQ(plain_.CommandsInUse(), 2);
    EXPECT_EQ(b.connection(), &plain_);  // no limit: no clone
    SQLCommandLease moved = std::move(a);
    EXPECT_EQ(plain_.CommandsInUse(), 2);
    moved.reset();
    EXPECT_EQ(plain_.CommandsInUse(), 1);
    plain_.Close();  // frees what is still handed out
    EXPECT_EQ(plain_.CommandsInUse(), 0);
    EXPECT_FALSE(b);
}

TEST_F(CommandCountTest, CloneConnectionRunsTheStatementBeyondTheLimit) {
    SQLCommandLease first = limited_.AcquireCommand();
    EXPECT_EQ(first.connection(), &limited_);
    SQLCommandLease second = limited_.AcquireCommand();
    ASSERT_TRUE(second);
    ASSERT_NE(second.connection(), &limited_);
    EXPECT_EQ(second.connection()->Name(), "SQLConnection1Clone1");
    EXPECT_TRUE(second.connection()->Connected());
    EXPECT_EQ(second.connection()->ParamValue("Database"), database_);
    EXPECT_EQ(limited_.CommandsInUse(), 2);

    // The clone's command is a working statement on the same database.
    const std::string order = DemoOrderNumber(1);
    const std::string sql = "DELETE FROM ORDER_SUB WHERE MASTERBILLID = '" + order + "'\r\n";
    ASSERT_EQ(second->prepare(sql, 0), SQLStatus::Success);
    ISQLCursor *cursor = nullptr;
    ASSERT_EQ(second->execute(&cursor), SQLStatus::Success);
    EXPECT_EQ(cursor, nullptr);
    EXPECT_EQ(CountRows(database_, "SELECT COUNT(*) FROM ORDER_SUB WHERE MASTERBILLID = '" + order + "'"), 0);

    second.reset();  // drops the clone with its command
    EXPECT_EQ(limited_.CommandsInUse(), 1);
    EXPECT_EQ(CountRows(database_,
                        "SELECT COUNT(*) FROM MON$ATTACHMENTS WHERE MON$ATTACHMENT_ID <> CURRENT_CONNECTION AND "
                        "MON$SYSTEM_FLAG = 0"),
              1);
}

TEST_F(CommandCountTest, TwoStatementComponentsOverTheLimitBothRun) {
    TSQLQuery sub("SQLQuery1"), master("SQLQuery2");
    sub.SetSQLConnection(&limited_);
    master.SetSQLConnection(&limited_);
    const std::string order = DemoOrderNumber(2);
    sub.AddSQL("DELETE FROM ORDER_SUB  ");
    sub.AddSQL(" WHERE MASTERBILLID = '" + order + "'");
    master.AddSQL("DELETE FROM ORDER_MASTER  ");
    master.AddSQL(" WHERE MASTERBILLID = '" + order + "'");
    EXPECT_GT(sub.Execute(), 0);
    EXPECT_EQ(master.Execute(), 1);  // on the clone: sub still holds its prepared command
    EXPECT_EQ(limited_.CommandsInUse(), 2);
    EXPECT_EQ(CountRows(database_, "SELECT COUNT(*) FROM ORDER_MASTER WHERE MASTERBILLID = '" + order + "'"), 0);
    master.ClearSQL();
    EXPECT_EQ(limited_.CommandsInUse(), 1);
}

TEST_F(CommandCountTest, NoCloneInsideATransaction) {
    // A clone would commit on its own what belongs to the open transaction.
    SQLCommandLease first = limited_.AcquireCommand();
    limited_.StartTransaction();
    try {
        limited_.AcquireCommand();
        FAIL();
    } catch (const EDatabaseError &e) {
        EXPECT_EQ(e.Message(), "SQLConnection1: Too many active statements in a transaction");
    }
    limited_.Rollback();
    EXPECT_TRUE(limited_.AcquireCommand());
}

// Registered statement components are told before the connection goes.
class RecordingClient : public SQLConnectionClient {
public:
    std::vector<std::string> calls;
    void ConnectionClosing() override { calls.push_back("closing"); }
    void ConnectionOpened() override { calls.push_back("opened"); }
};

TEST_F(CommandCountTest, ClientsHearOfOpeningAndClosing) {
    RecordingClient client;
    plain_.RegisterClient(&client);
    plain_.Open();
    plain_.Close();
    plain_.UnregisterClient(&client);
    plain_.Open();
    EXPECT_EQ(client.calls, (std::vector<std::string>{"opened", "closing"}));
}

TEST_F(CommandCountTest, WithoutKeepConnectionTheLastClosedDataSetClosesIt) {
    RecordingClient client;
    plain_.RegisterClient(&client);
    plain_.Open();
    plain_.DataSetClosed();
    EXPECT_TRUE(plain_.Connected());
    plain_.KeepConnection = false;
    plain_.DataSetClosed();
    EXPECT_FALSE(plain_.Connected());
    plain_.UnregisterClient(&client);
}

}  // namespace
