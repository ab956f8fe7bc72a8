// The connection's options reach the database: the monitoring tables of a
// second attachment show the character set, isolation and lock wait that the
// connection section asked for.
#include <gtest/gtest.h>

#include "data/sql/SQLConnection.h"
#include "tests/support/TestSupport.h"

namespace {

struct OptionCase {
    const char *name;
    std::vector<std::string> extraLines;
    const char *column;  // of the monitoring query below
    std::string expected;
};
void PrintTo(const OptionCase &c, std::ostream *os) { *os << c.name; }

class ConnectionOptionsTest : public ::testing::TestWithParam<OptionCase> {
protected:
    static void SetUpTestSuite() {
        dir_ = new TempDir;
        database_ = MakeTestDatabase(*dir_, 1);
    }
    static void TearDownTestSuite() {
        delete dir_;
        dir_ = nullptr;
    }
    static TempDir *dir_;
    static std::string database_;
};
TempDir *ConnectionOptionsTest::dir_ = nullptr;
std::string ConnectionOptionsTest::database_;

TEST_P(ConnectionOptionsTest, ReachTheDatabase) {
    const OptionCase &c = GetParam();
    TempDir files;
    WriteConfigFiles(files.path(), database_, c.extraLines);
    TSQLConnection connection("SQLConnection1");
    connection.ConnectionName = "Trelvo";
    connection.LoadParamsOnConnect = true;
    connection.SetConnectionFile(files.file("connections.ini"));
    connection.SetDriverFile(files.file("drivers.ini"));
    connection.StartTransaction();  // opens the connection, then a transaction to look at

    const auto rows =
        QueryRows(database_, std::string("SELECT ") + c.column +
                                 " FROM MON$ATTACHMENTS a JOIN MON$TRANSACTIONS t"
                                 " ON t.MON$ATTACHMENT_ID = a.MON$ATTACHMENT_ID"
                                 " WHERE a.MON$ATTACHMENT_ID <> CURRENT_CONNECTION AND a.MON$SYSTEM_FLAG = 0");
    ASSERT_EQ(rows.size(), 1u);
    EXPECT_EQ(rows[0][0], c.expected);
    connection.Rollback();
}

// Character set ids: 4 UTF8, 53 WIN1252. Isolation modes: 1 snapshot
// (repeatable read), 2 read committed with record versions. Lock timeout:
// -1 waits, 0 does not.
const OptionCase kOptionCases[] = {
    {"CharSetFromServerCharSet", {"ServerCharSet=WIN1252"}, "a.MON$CHARACTER_SET_ID", "53"},
    {"CharSetTrimmed", {"ServerCharSet=  UTF8 "}, "a.MON$CHARACTER_SET_ID", "4"},
    {"ReadCommitedAsStoredInTheForm", {"Interbase TransIsolation=ReadCommited"}, "t.MON$ISOLATION_MODE", "2"},
    {"RepeatableRead", {"Interbase TransIsolation=RepeatableRead"}, "t.MON$ISOLATION_MODE", "1"},
    {"RepeatableReadKeyAndValueInOtherCase", {"INTERBASE TRANSISOLATION=repeatableread"}, "t.MON$ISOLATION_MODE", "1"},
    {"OtherDriversKeyIsIgnored", {"Oracle TransIsolation=RepeatableRead"}, "t.MON$ISOLATION_MODE", "2"},
    // Waiting on locks waits a few seconds, never without end.
    {"WaitOnLocks", {"WaitOnLocks=true"}, "t.MON$LOCK_TIMEOUT", "3"},
    {"NoWaitOnLocks", {"WaitOnLocks=False"}, "t.MON$LOCK_TIMEOUT", "0"},
    {"AnythingButTrueIsNo", {"WaitOnLocks=yes"}, "t.MON$LOCK_TIMEOUT", "0"},
};

INSTANTIATE_TEST_SUITE_P(Cases, ConnectionOptionsTest, ::testing::ValuesIn(kOptionCases),
                         [](const auto &param) { return std::string(param.param.name); });

}  // namespace
