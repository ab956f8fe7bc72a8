// The restore sends many orders a round trip. Whatever fails in a block, the
// end state is the one a transaction per order gives: the refused orders are
// left out whole, each with the server's own message, and every other order
// comes back value for value. On the embedded engine and the test server.
#include "tests/workflow/OrderDatabaseTest.h"

#include <chrono>
#include <set>

#include "data/sql/SQLConnection.h"
#include "restore/BackupPair.h"
#include "restore/OrderRestorer.h"
#include "tools/DemoDatabase.h"
#include "workflow/BackupOrders.h"

using namespace batchdel;

namespace {

using namespace std::chrono_literals;
using testing::HasSubstr;

// Orders whose numbers the statement must carry exactly: a quote, Chinese
// text, trailing blanks.
const std::vector<std::string> kOddOrders = {"O'Q-1", "訂單甲", "T9  "};

std::vector<std::string> OddOrdersSql() {
    std::vector<std::string> sql;
    for (const std::string &number : kOddOrders) {
        sql.push_back("INSERT INTO ORDER_MASTER (MASTERBILLID, BILL_DATE, CUST_ID, CUST_NAME) VALUES (" +
                      Literal(number) + ", '2025-01-02', 'C0001', " + Literal("客戶" + number) + ")");
        for (int line = 1; line <= 2; ++line)
            sql.push_back("INSERT INTO ORDER_SUB (MASTERBILLID, LINE_NO, ITEM_NAME) VALUES (" + Literal(number) + ", " +
                          std::to_string(line) + ", " + Literal("品項" + number) + ")");
    }
    return sql;
}

class RestoreInBlocks : public OrderDatabaseTest {
protected:
    // A database of `orders` demo orders (and extra ones), backed up
    // through the window's command, then emptied.
    void BackUpAndEmpty(Backend backend, int orders, const std::vector<std::string> &extraSql = {}) {
        databaseOn = backend;
        OpenDatabase(orders, extraSql);
        before = Rows();
        window->now.tm_year = 125;
        window->now.tm_mday = 1;
        backup = BackupOrders(*window);
        ExecuteSql(database, {"DELETE FROM ORDER_SUB", "DELETE FROM ORDER_MASTER"}, LoginFor(database));
    }

    // Every row of one order in both tables, each value as text.
    std::vector<std::vector<std::string>> OrderRows(const std::string &number) const {
        auto rows = QueryRows(database, "SELECT * FROM ORDER_MASTER WHERE MASTERBILLID = " + Literal(number));
        for (auto &row : QueryRows(
                 database, "SELECT * FROM ORDER_SUB WHERE MASTERBILLID = " + Literal(number) + " ORDER BY LINE_NO"))
            rows.push_back(std::move(row));
        return rows;
    }
    std::map<std::string, std::vector<std::vector<std::string>>> Rows() const {
        std::map<std::string, std::vector<std::vector<std::string>>> rows;
        for (const auto &row : QueryRows(database, "SELECT MASTERBILLID FROM ORDER_MASTER"))
            rows[row.at(0)] = OrderRows(row.at(0));
        return rows;
    }

    RestoreOutcome Restore(int ordersPerRoundTrip) {
        const BackupPair pair = BackupPair::Load(backup.headerFile, backup.detailFile, false);
        std::vector<const BackupOrder *> orders;
        for (const BackupOrder &order : pair.Orders()) orders.push_back(&order);
        TSQLConnection &connection = window->Connection();
        connection.Open();
        OrderRestorer restorer(connection, pair);
        restorer.ordersPerRoundTrip = ordersPerRoundTrip;
        restorer.batchTime = 1h;
        RestoreOutcome outcome;
        restorer.Restore(orders, nullptr, outcome);
        EXPECT_FALSE(connection.InTransaction());
        // The outcome points into the pair; keep what the checks need.
        for (const BackupOrder *order : outcome.restored) restored.push_back(order->number);
        for (const auto &[order, reason] : outcome.failed) failed.emplace_back(order->number, reason);
        return outcome;
    }

    std::map<std::string, std::vector<std::vector<std::string>>> before;
    BackupResult backup;
    std::vector<std::string> restored;
    std::vector<std::pair<std::string, std::string>> failed;
};

// ---- a refused order at each place of a block ----

struct RefusalCase {
    const char *name;
    std::set<int> refused;  // demo orders (1-based) whose second line is refused
    Backend backend;
};

class RefusedOrders : public RestoreInBlocks, public testing::WithParamInterface<RefusalCase> {};

TEST_P(RefusedOrders, AreLeftOutWholeWithTheServersMessageAndTheRestComeBack) {
    const RefusalCase &c = GetParam();
    if (c.backend == Backend::Server) BATCHDEL_REQUIRE_TEST_SERVER();
    constexpr int kOrders = 7;
    BackUpAndEmpty(c.backend, kOrders);
    std::string numbers;
    for (int n : c.refused) numbers += (numbers.empty() ? "'" : ", '") + DemoOrderNumber(n) + "'";
    ExecuteSql(database,
               {"CREATE EXCEPTION NO_LINE 'line refused'",
                "CREATE TRIGGER REFUSE_LINE FOR ORDER_SUB BEFORE INSERT AS BEGIN"
                " IF (NEW.MASTERBILLID IN (" +
                    numbers + ") AND NEW.LINE_NO = 2) THEN EXCEPTION NO_LINE; END"},
               LoginFor(database));

    // Three orders a round trip: blocks of orders 1-3, 4-6 and 7.
    const RestoreOutcome outcome = Restore(3);
    // Only the blocks holding a refused order went again one order at a time.
    std::set<int> refusedBlocks;
    for (int n : c.refused) refusedBlocks.insert((n - 1) / 3);
    int again = 0;
    for (int block : refusedBlocks) again += std::min(3, kOrders - 3 * block);
    EXPECT_EQ(outcome.ordersAlone, again);

    std::set<std::string> refused;
    for (int n : c.refused) refused.insert(DemoOrderNumber(n));
    std::set<std::string> reported;
    for (const auto &[number, reason] : failed) {
        reported.insert(number);
        EXPECT_THAT(reason, HasSubstr("line refused")) << number;
    }
    EXPECT_EQ(reported, refused);
    for (const auto &[number, rows] : before) {
        if (refused.count(number)) {
            EXPECT_TRUE(OrderRows(number).empty()) << number << " is not left out whole";
        } else {
            EXPECT_EQ(OrderRows(number), rows) << number;
        }
    }
    EXPECT_EQ(restored.size(), before.size() - refused.size());
}

std::vector<RefusalCase> RefusalCases() {
    std::vector<RefusalCase> cases;
    for (Backend backend : {Backend::Embedded, Backend::Server}) {
        cases.push_back({"FirstOfABlock", {1}, backend});
        cases.push_back({"MiddleOfABlock", {2}, backend});
        cases.push_back({"LastOfABlock", {3}, backend});
        cases.push_back({"EitherSideOfABlockBoundary", {3, 4}, backend});
        cases.push_back({"AloneInTheLastDemoBlock", {7}, backend});
        cases.push_back({"EveryOrderOfABlock", {4, 5, 6}, backend});
    }
    return cases;
}

INSTANTIATE_TEST_SUITE_P(EachPlace, RefusedOrders, testing::ValuesIn(RefusalCases()),
                         [](const testing::TestParamInfo<RefusalCase> &param) {
                             return std::string(param.param.name) + BackendName(param.param.backend);
                         });

// ---- whole runs ----

class RestoreInBlocksOn : public RestoreInBlocks, public testing::WithParamInterface<Backend> {
protected:
    void SetUp() override {
        if (GetParam() == Backend::Server) BATCHDEL_REQUIRE_TEST_SERVER();
    }
};

// As many orders a round trip as the server's limits allow: one block of
// every order here, odd numbers included.
TEST_P(RestoreInBlocksOn, EveryOrderComesBackValueForValueOddNumbersIncluded) {
    BackUpAndEmpty(GetParam(), 20, OddOrdersSql());
    EXPECT_EQ(Restore(0).ordersAlone, 0);
    EXPECT_TRUE(failed.empty());
    EXPECT_EQ(Rows(), before);
    for (const std::string &number : kOddOrders) EXPECT_EQ(before.count(number), 1u) << number;
}

// Orders with more lines than a block of the usual shape holds go on their
// own: in a block of one order, or beyond even that a statement a row; each
// still whole.
TEST_P(RestoreInBlocksOn, OrdersFarLargerThanTheOthersComeBackWhole) {
    std::vector<std::string> sql;
    for (const auto &[number, lines] : {std::pair{"BIG", 100}, std::pair{"HUGE", 300}}) {
        sql.push_back(std::string("INSERT INTO ORDER_MASTER (MASTERBILLID, CUST_ID) VALUES ('") + number +
                      "', 'C0001')");
        for (int line = 1; line <= lines; ++line)
            sql.push_back(std::string("INSERT INTO ORDER_SUB (MASTERBILLID, LINE_NO, ITEM_ID) VALUES ('") + number +
                          "', " + std::to_string(line) + ", 'I" + std::to_string(line) + "')");
    }
    BackUpAndEmpty(GetParam(), 6, sql);
    // Only the order beyond even a block of one went a statement a row.
    EXPECT_EQ(Restore(0).ordersAlone, 1);
    EXPECT_TRUE(failed.empty());
    EXPECT_EQ(Rows(), before);
    EXPECT_EQ(before.at("BIG").size(), 101u);
    EXPECT_EQ(before.at("HUGE").size(), 301u);
}

INSTANTIATE_TEST_SUITE_P(Both, RestoreInBlocksOn, BothBackends(), BackendCaseName);

}  // namespace
