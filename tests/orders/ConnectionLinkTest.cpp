// The link's settings of the connection file reach the client for this
// connection alone: WireCrypt=Required refuses a server that cannot encrypt
// and, against one that can, nothing of the orders crosses the network in
// clear text (looked at through a relay); an AuthClient without Legacy_Auth
// refuses a server that offers nothing else.
#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include <chrono>
#include <memory>
#include <optional>
#include <ostream>

#include "data/dataset/Errors.h"
#include "data/dataset/TableEngine.h"
#include "data/sql/SQLConnection.h"
#include "data/sql/SQLDataSet.h"
#include "orders/ConnectionFileCheck.h"
#include "orders/FetchedRows.h"
#include "orders/OrderConnection.h"
#include "tests/support/PrivateServer.h"
#include "tests/support/TestSupport.h"
#include "tools/SlowLink.h"

using namespace batchdel;

namespace {

using testing::HasSubstr;
using testing::Not;

constexpr int kOrders = 20;

// Opens the order connection of the file in folder and reads every order's
// number and customer; the orders read, or the failure's message.
struct Opened {
    int orders = -1;
    std::string failure;
};

Opened OpenAndReadOrders(const TempDir &dir) {
    TSQLConnection connection("SQLConnection1");
    Opened opened;
    try {
        SetUpOrderConnection(connection, dir.file("connections.ini"), dir.file("drivers.ini"));
        connection.Open();
        TSQLDataSet orders("SQLDataSet1");
        orders.SetSQLConnection(&connection);
        orders.SetCommandText("SELECT MASTERBILLID, CUST_NAME FROM ORDER_MASTER");
        opened.orders = FetchedRows(orders)->RecordCount();
    } catch (const Exception &failure) {
        opened.failure = failure.Message();
    }
    return opened;
}

// "127.0.0.1/3051" -> 3051
int PortOf(const std::string &address) { return std::stoi(address.substr(address.find('/') + 1)); }

// --- Encryption of the link, through a relay that keeps what it carries. ---

struct CryptCase {
    const char *name;
    const char *clientWireCrypt;
    bool encrypted;  // whether nothing of the orders may show on the link
};

void PrintTo(const CryptCase &c, std::ostream *out) { *out << c.name; }

class LinkCryptTest : public ::testing::TestWithParam<CryptCase> {};

TEST_P(LinkCryptTest, WhatCrossesTheLinkFollowsTheConnectionFile) {
    BATCHDEL_REQUIRE_TEST_SERVER();  // its firebird.conf says WireCrypt = Enabled
    const CryptCase &c = GetParam();
    ServerDatabase database("link");
    CreateDemoDatabase(database.connectString(), kOrders, 1, TestServerLogin());
    SlowLink relay("127.0.0.1", PortOf(TestServerAddress()), std::chrono::microseconds(0));
    relay.KeepCopy();
    TempDir dir;
    WriteConfigFiles(dir.path(), database.connectString(),
                     {"Database=127.0.0.1/" + std::to_string(relay.Port()) + ":" + database.file(),
                      "Password=" + TestServerPassword(), std::string("WireCrypt=") + c.clientWireCrypt});

    const Opened opened = OpenAndReadOrders(dir);
    ASSERT_EQ(opened.orders, kOrders) << opened.failure;
    const std::string carried = relay.Carried();
    ASSERT_GT(carried.size(), 1000u);
    for (int n = 1; n <= kOrders; ++n) {
        if (c.encrypted)
            EXPECT_THAT(carried, Not(HasSubstr(DemoOrderNumber(n))));
        else
            EXPECT_THAT(carried, HasSubstr(DemoOrderNumber(n)));  // the relay would have seen them
    }
}

INSTANTIATE_TEST_SUITE_P(WireCrypt, LinkCryptTest,
                         ::testing::Values(CryptCase{"RequiredAgainstAServerThatEncrypts", "Required", true},
                                           CryptCase{"DisabledSendsTheOrdersInClearText", "Disabled", false}),
                         [](const ::testing::TestParamInfo<CryptCase> &param) {
                             return std::string(param.param.name);
                         });

// --- Servers set up otherwise, each on a root and port of its own. ---

struct RefusalCase {
    const char *name;
    int port;  // where its server starts looking for a free port: cases may run side by side
    std::vector<std::string> serverSettings;
    std::vector<std::string> connectionLines;  // beside Database and Password
    std::vector<std::string> refusal;          // parts of the message; none: it connects
};

void PrintTo(const RefusalCase &c, std::ostream *out) { *out << c.name; }

class ServerSettingsTest : public ::testing::TestWithParam<RefusalCase> {};

TEST_P(ServerSettingsTest, ConnectionFileSettingsMeetTheServers) {
    BATCHDEL_REQUIRE_TEST_SERVER();
    const RefusalCase &c = GetParam();
    TempDir dir;
    PrivateServer server(dir.file("server"), c.port, c.serverSettings);
    ASSERT_TRUE(server.Started()) << server.StartOutput();
    const std::string database = server.Database("orders.fdb");
    CreateDemoDatabase(database, kOrders, 1, DbLogin{"SYSDBA", server.Password()});
    std::vector<std::string> lines = {"Database=" + database, "Password=" + server.Password()};
    lines.insert(lines.end(), c.connectionLines.begin(), c.connectionLines.end());
    WriteConfigFiles(dir.path(), database, lines);

    const Opened opened = OpenAndReadOrders(dir);
    if (c.refusal.empty()) {
        EXPECT_EQ(opened.orders, kOrders) << opened.failure;
        return;
    }
    EXPECT_EQ(opened.orders, -1);
    for (const std::string &part : c.refusal) EXPECT_THAT(opened.failure, HasSubstr(part));
}

INSTANTIATE_TEST_SUITE_P(
    Servers, ServerSettingsTest,
    ::testing::Values(
        RefusalCase{"WireCryptRequiredAgainstAServerThatCannotEncrypt",
                    3111,
                    {"WireCrypt=Disabled"},
                    {"WireCrypt=Required"},
                    {"Incompatible wire encryption levels requested on client and server", "WireCrypt=Required",
                     "WireCrypt = Disabled", "Nothing was sent"}},
        RefusalCase{
            "WireCryptEnabledAgainstAServerThatCannotEncrypt", 3121, {"WireCrypt=Disabled"}, {"WireCrypt=Enabled"}, {}},
        RefusalCase{"SrpOnlyAgainstAServerOfferingOnlyLegacyAuth",
                    3131,
                    {"AuthServer=Legacy_Auth"},
                    {"AuthClient=Srp256, Srp"},
                    {"AuthClient=Srp256, Srp", "Legacy_Auth"}},
        RefusalCase{"LegacyAuthAgainstAServerOfferingOnlyLegacyAuth",
                    3141,
                    {"AuthServer=Legacy_Auth"},
                    {"AuthClient=Legacy_Auth"},
                    {}}),
    [](const ::testing::TestParamInfo<RefusalCase> &param) { return std::string(param.param.name); });

TEST(ConnectionSettingsTest, UnknownWireCryptIsRefusedBeforeConnecting) {
    TempDir dir;
    const std::string database = MakeTestDatabase(dir, 1);
    WriteConfigFiles(dir.path(), database, {"WireCrypt=Yes"});
    const Opened opened = OpenAndReadOrders(dir);
    EXPECT_EQ(opened.orders, -1);
    EXPECT_THAT(opened.failure, HasSubstr("WireCrypt=Yes"));
    EXPECT_THAT(opened.failure, HasSubstr("Required, Enabled or Disabled"));
}

}  // namespace
