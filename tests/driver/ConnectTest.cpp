// Loading the driver, connecting, and the failures of both with the texts the
// operator sees.
#include <gtest/gtest.h>

#include <cstdlib>

#include "tests/driver/BackendFixture.h"

using namespace batchdel;

namespace {

TEST(DriverLoading, MissingVendorLibraryGivesAStatusAndNoDriver) {
    GetDriverFunc entry = DriverEntryPoint();
    ASSERT_NE(entry, nullptr);
    ISQLDriver *driver = reinterpret_cast<ISQLDriver *>(0x1);
    EXPECT_NE(entry("libnosuchclient.so.9", "", &driver), SQLStatus::Success);
    EXPECT_EQ(driver, nullptr);
    // A library that is no Firebird client is refused the same way.
    EXPECT_NE(entry("libm.so.6", "", &driver), SQLStatus::Success);
    EXPECT_EQ(driver, nullptr);
}

TEST(DriverLoading, VendorLibraryByFullPathLoads) {
    auto driver = LoadDriver("/usr/lib/x86_64-linux-gnu/libfbclient.so.2");
    ASSERT_NE(driver, nullptr);
    TempDir dir;
    auto connection = Connect(*driver, MakeTestDatabase(dir, 1));
    EXPECT_NE(connection, nullptr);
}

TEST(DriverLoading, ConnectionRefusesWorkBeforeConnectAndReadsBackItsOptions) {
    auto driver = LoadDriver();
    ASSERT_NE(driver, nullptr);
    ISQLConnection *raw = nullptr;
    ASSERT_EQ(driver->getSQLConnection(&raw), SQLStatus::Success);
    std::unique_ptr<ISQLConnection> connection(raw);

    ISQLCommand *command = nullptr;
    EXPECT_EQ(connection->getSQLCommand(&command), SQLStatus::InvalidHandle);
    EXPECT_EQ(command, nullptr);
    EXPECT_EQ(connection->beginTransaction(), SQLStatus::InvalidHandle);

    EXPECT_EQ(connection->setOption(ConnOption::MultipleTransaction, int64_t{1}), SQLStatus::Success);
    EXPECT_EQ(connection->setOption(ConnOption::SqlDialect, std::string("x3")), SQLStatus::InvalidParameter);
    int64_t number = -1;
    std::string text;
    EXPECT_EQ(connection->getOption(ConnOption::MaxActiveStatements, &number), SQLStatus::Success);
    EXPECT_EQ(number, 0);
    EXPECT_EQ(connection->getOption(ConnOption::SupportsTransaction, &number), SQLStatus::Success);
    EXPECT_EQ(number, 1);
    EXPECT_EQ(connection->getOption(ConnOption::MultipleTransaction, &number), SQLStatus::Success);
    EXPECT_EQ(number, 1);
    EXPECT_EQ(connection->getOption(ConnOption::ObjectQuoteChar, &text), SQLStatus::Success);
    EXPECT_EQ(text, "\"");
}

struct ConnectFailure {
    const char *name;
    bool needsServer;
    std::string (*database)();
    bool wrongPassword;
    const char *words;  // in the driver's message
};

void PrintTo(const ConnectFailure &c, std::ostream *os) { *os << c.name; }

const ConnectFailure kFailures[] = {
    {"MissingFileEmbedded", false, [] { return std::string("/nonexistent/folder/orders.fdb"); }, false,
     "/nonexistent/folder/orders.fdb"},
    {"MissingFileOnServer", true, [] { return TestServerDatabase("no-such-folder/orders.fdb"); }, false, "orders.fdb"},
    {"WrongPassword", true, [] { return TestServerDatabase("any.fdb"); }, true,
     "user name and password are not defined"},
    // Nothing listens on port 1 of the loopback address.
    {"UnreachableServer", false, [] { return std::string("127.0.0.1/1:/tmp/orders.fdb"); }, false,
     "Unable to complete network request"},
};

class ConnectFails : public testing::TestWithParam<ConnectFailure> {};

TEST_P(ConnectFails, WithTheClientsMessage) {
    const ConnectFailure &c = GetParam();
    if (c.needsServer) BATCHDEL_REQUIRE_TEST_SERVER();
    auto driver = LoadDriver();
    ASSERT_NE(driver, nullptr);
    ISQLConnection *raw = nullptr;
    ASSERT_EQ(driver->getSQLConnection(&raw), SQLStatus::Success);
    std::unique_ptr<ISQLConnection> connection(raw);
    connection->setOption(ConnOption::ConnectionTimeout, int64_t{5});
    const std::string password = c.wrongPassword ? "wrong-password" : LoginFor(c.database()).password;
    const SQLStatus status = connection->connect(c.database(), "SYSDBA", password);
    EXPECT_GE(status, SQLStatus::ServerError);
    const std::string text = ErrorText(*connection);
    EXPECT_NE(text.find(c.words), std::string::npos) << text;
    // Still not connected; asking for a command is refused, not a crash.
    ISQLCommand *command = nullptr;
    EXPECT_EQ(connection->getSQLCommand(&command), SQLStatus::InvalidHandle);
}

INSTANTIATE_TEST_SUITE_P(Cases, ConnectFails, testing::ValuesIn(kFailures),
                         [](const testing::TestParamInfo<ConnectFailure> &param) {
                             return std::string(param.param.name);
                         });

// Whatever the connection character set, text arrives as UTF-8; none set
// means UTF8.
class CharacterSets : public testing::TestWithParam<const char *> {};

TEST_P(CharacterSets, TextArrivesAsUtf8) {
    TempDir dir;
    const std::string database = MakeTestDatabase(dir, 3);
    ExecuteSql(database, {"CREATE TABLE NOTES (ID INTEGER, NAME VARCHAR(20), FIXED CHAR(8),"
                          " MEMO BLOB SUB_TYPE TEXT CHARACTER SET UTF8)"});
    ExecuteSql(database, {"INSERT INTO NOTES VALUES (1, '賴佳穎食品行', '訂單', '備註：長文字')",
                          "INSERT INTO NOTES VALUES (2, 'ＡＢＣ１２３', 'abc', 'memo')"});
    auto driver = LoadDriver();
    ASSERT_NE(driver, nullptr);
    ISQLConnection *raw = nullptr;
    ASSERT_EQ(driver->getSQLConnection(&raw), SQLStatus::Success);
    std::unique_ptr<ISQLConnection> connection(raw);
    if (*GetParam()) connection->setOption(ConnOption::ServerCharSet, std::string(GetParam()));
    ASSERT_EQ(connection->connect(database, "SYSDBA", "masterkey"), SQLStatus::Success) << ErrorText(*connection);

    OpenQuery query = Query(*connection, "SELECT NAME, FIXED, MEMO FROM NOTES ORDER BY ID");
    ASSERT_NE(query.cursor, nullptr);
    const std::vector<std::vector<std::string>> expected = {{"賴佳穎食品行", "訂單      ", "備註：長文字"},
                                                            {"ＡＢＣ１２３", "abc     ", "memo"}};
    EXPECT_EQ(FetchAll(*query.cursor), expected);
}

INSTANTIATE_TEST_SUITE_P(ServerCharSet, CharacterSets, testing::Values("", "UTF8", "BIG5", "NONE"),
                         [](const testing::TestParamInfo<const char *> &param) {
                             return *param.param ? std::string(param.param) : "None";
                         });

TEST(ServerOptions, HostNameAndPortOptionsLeadToTheServer) {
    BATCHDEL_REQUIRE_TEST_SERVER();
    ServerDatabase db("hostname");
    CreateDemoDatabase(db.connectString(), 1, 1, TestServerLogin());
    const std::string address = TestServerAddress();  // host/port
    const std::string host = address.substr(0, address.find('/'));
    const std::string port = address.substr(address.find('/') + 1);
    struct Case {
        const char *name;
        std::string hostOption;
        std::string database;
    };
    const Case cases[] = {
        {"plain path with host name and port", host, db.file()},
        {"host:path with a port", "", host + ":" + db.file()},
    };
    auto driver = LoadDriver();
    ASSERT_NE(driver, nullptr);
    for (const Case &c : cases) {
        SCOPED_TRACE(c.name);
        ISQLConnection *raw = nullptr;
        ASSERT_EQ(driver->getSQLConnection(&raw), SQLStatus::Success);
        std::unique_ptr<ISQLConnection> connection(raw);
        if (!c.hostOption.empty()) connection->setOption(ConnOption::HostName, c.hostOption);
        connection->setOption(ConnOption::ServerPort, port);
        ASSERT_EQ(connection->connect(c.database, "SYSDBA", TestServerPassword()), SQLStatus::Success)
            << ErrorText(*connection);
        OpenQuery query = Query(*connection,
                                "SELECT MON$REMOTE_PROTOCOL FROM MON$ATTACHMENTS"
                                " WHERE MON$ATTACHMENT_ID = CURRENT_CONNECTION");
        ASSERT_NE(query.cursor, nullptr);
        EXPECT_EQ(FetchAll(*query.cursor)[0][0], "TCPv4");
    }
}

}  // namespace
