// The deletion in batches against a real database, on the embedded engine
// and on the test server: a failure anywhere leaves the database as one
// transaction per order would, the journal holds exactly the committed
// orders, Cancel keeps what is done, and odd order numbers delete exactly
// their own order.
#include "tests/workflow/OrderDatabaseTest.h"

#include <algorithm>
#include <chrono>
#include <filesystem>
#include <fstream>
#include <map>
#include <sstream>
#include <stdexcept>

#include "data/dataset/Errors.h"
#include "data/dataset/Field.h"
#include "orders/OrderWalk.h"
#include "workflow/DeleteTickedOrders.h"
#include "workflow/DeletionBlock.h"
#include "workflow/DeletionJournal.h"
#include "workflow/OrderDeletion.h"

using namespace batchdel;

namespace {

using namespace std::chrono_literals;
using testing::ElementsAre;
using testing::HasSubstr;

// Long enough that a small run is a single batch: the orders before a
// failure are then committed by the same commit that ends the run.
constexpr auto kOneBatch = 1h;

std::vector<std::string> ReadLines(const std::string &path) {
    std::ifstream file(path);
    std::vector<std::string> lines;
    for (std::string line; std::getline(file, line);) lines.push_back(line);
    return lines;
}

std::string Repeated(const std::string &text, int times) {
    std::string repeated;
    for (int i = 0; i < times; ++i) repeated += text;
    return repeated;
}

std::vector<std::string> Fields(const std::string &line) {
    std::vector<std::string> fields;
    std::stringstream stream(line);
    for (std::string field; std::getline(stream, field, '\t');) fields.push_back(field);
    return fields;
}

class DeleteInBatches : public OrderDatabaseTest {
protected:
    void Open(Backend backend, int orders, const std::vector<std::string> &extraSql = {}) {
        databaseOn = backend;
        OpenDatabase(orders, extraSql);
        for (int n = 1; n <= orders; ++n) linesBefore_[DemoOrderNumber(n)] = LineCount(DemoOrderNumber(n));
    }
    void AnswerYesNoBackup() {
        window->messageBoxAnswers = {mrYes};
        window->dialogAnswers = {mrNo};
    }
    void ExpectWhole(const std::string &order) {
        EXPECT_EQ(HeaderCount(order), 1) << order;
        EXPECT_EQ(LineCount(order), linesBefore_.at(order)) << order;
    }
    void ExpectGone(const std::string &order) {
        EXPECT_EQ(HeaderCount(order), 0) << order;
        EXPECT_EQ(LineCount(order), 0) << order;
    }
    // The order numbers of the journal's lines, in order, after checking
    // its header line.
    std::vector<std::string> JournalledOrders() {
        const std::vector<std::string> lines = ReadLines(CdsFile("deletions.log"));
        if (lines.empty()) return {};
        EXPECT_EQ(lines[0] + "\n", DeletionJournal::kHeaderLine);
        std::vector<std::string> orders;
        for (size_t i = 1; i < lines.size(); ++i) orders.push_back(Fields(lines[i]).at(1));
        return orders;
    }

    // Replaces the demo tables by bare ones without keys, the order number
    // of the given types (nullable).
    void RecreateTables(const std::string &headerNumber, const std::string &detailNumber) {
        const DbLogin login = LoginFor(database);
        ExecuteSql(database, {"DROP TABLE ORDER_SUB"}, login);
        ExecuteSql(database, {"DROP TABLE ORDER_MASTER"}, login);
        ExecuteSql(database,
                   {"CREATE TABLE ORDER_MASTER (MASTERBILLID " + headerNumber +
                        ", BILL_DATE DATE, FR_DATE DATE, CUST_ID VARCHAR(10), CUST_NAME VARCHAR(50),"
                        " PD_DEPID VARCHAR(10))",
                    "CREATE TABLE ORDER_SUB (MASTERBILLID " + detailNumber + ", LINE_NO INTEGER)"},
                   login);
    }

    std::map<std::string, int64_t> linesBefore_;
};

// ---- a failure at each position of a batch ----

enum class Failing { DetailStatement, HeaderStatement };

struct FailureCase {
    int position;  // 1-based among five ticked orders
    Failing statement;
    Backend backend;
    int ordersPerRoundTrip = OrderDeletion::kDefaultBlockSize;
};
void PrintTo(const FailureCase &c, std::ostream *os) {
    *os << "order " << c.position << " of 5 fails in its "
        << (c.statement == Failing::DetailStatement ? "detail" : "header") << " statement, " << c.ordersPerRoundTrip
        << " orders a round trip, " << BackendName(c.backend);
}

std::string FailureCaseName(const testing::TestParamInfo<FailureCase> &info) {
    const FailureCase &c = info.param;
    const char *where = c.ordersPerRoundTrip == 2 ? (c.position == 2 ? "EndOfARoundTrip" : "StartOfARoundTrip")
                        : c.position == 1         ? "First"
                        : c.position == 5         ? "Last"
                                                  : "Middle";
    return std::string(where) + (c.statement == Failing::DetailStatement ? "Detail" : "Header") +
           BackendName(c.backend);
}

class FailureInABatch : public DeleteInBatches, public testing::WithParamInterface<FailureCase> {};

TEST_P(FailureInABatch, LeavesTheDatabaseAsOneTransactionPerOrderWould) {
    const FailureCase &c = GetParam();
    if (c.backend == Backend::Server) BATCHDEL_REQUIRE_TEST_SERVER();
    const std::string failing = DemoOrderNumber(c.position);
    const std::string table = c.statement == Failing::DetailStatement ? "ORDER_SUB" : "ORDER_MASTER";
    Open(c.backend, 5,
         {"CREATE EXCEPTION KEEP_ORDER 'order is kept'", "CREATE TRIGGER KEEP_ONE FOR " + table +
                                                             " BEFORE DELETE AS BEGIN IF (OLD.MASTERBILLID = '" +
                                                             failing + "') THEN EXCEPTION KEEP_ORDER; END"});
    List();
    Tick({0, 1, 2, 3, 4});
    AnswerYesNoBackup();
    try {
        DeleteTickedOrders(*window, {kOneBatch, c.ordersPerRoundTrip});
        FAIL() << "the refused deletion was not reported";
    } catch (const EDatabaseError &e) {
        EXPECT_THAT(e.Message(), HasSubstr("order is kept"));
    }

    std::vector<std::string> gone;
    for (int n = 1; n <= 5; ++n) {
        if (n < c.position) {
            ExpectGone(DemoOrderNumber(n));
            gone.push_back(DemoOrderNumber(n));
        } else {
            ExpectWhole(DemoOrderNumber(n));
        }
    }
    EXPECT_EQ(JournalledOrders(), gone);
    EXPECT_FALSE(window->Connection().InTransaction());
    EXPECT_EQ(window->OrderList().RecNo(), c.position);

    // The connection goes on working: untick the refused order and go on.
    window->OrderList().SetRecNo(c.position);
    window->OrderList().Edit();
    window->OrderList().FieldNamed("SELECT_YN")->SetString("N");
    window->OrderList().Post();
    AnswerYesNoBackup();
    DeleteTickedOrders(*window, {kOneBatch});
    for (int n = 1; n <= 5; ++n)
        if (n != c.position) ExpectGone(DemoOrderNumber(n));
    ExpectWhole(failing);
}

std::vector<FailureCase> FailureCases() {
    std::vector<FailureCase> cases;
    for (Backend backend : {Backend::Embedded, Backend::Server})
        for (Failing statement : {Failing::DetailStatement, Failing::HeaderStatement}) {
            for (int position : {1, 3, 5}) cases.push_back({position, statement, backend});
            // Two orders a round trip: the failing one ends the first or starts the second.
            for (int position : {2, 3}) cases.push_back({position, statement, backend, 2});
        }
    return cases;
}

INSTANTIATE_TEST_SUITE_P(EachPosition, FailureInABatch, testing::ValuesIn(FailureCases()), FailureCaseName);

// ---- the rest, on both backends ----

class DeleteInBatchesOn : public DeleteInBatches, public testing::WithParamInterface<Backend> {
protected:
    void SetUp() override {
        if (GetParam() == Backend::Server) BATCHDEL_REQUIRE_TEST_SERVER();
    }

    // Ticks orders with odd numbers among neighbours a misread number could
    // hit, and deletes them, with or without a backup.
    void DeleteOddOrderNumbers(bool withBackup) {
        // Quotes, Chinese, trailing blanks; the whole block's separator and
        // digits (a number that reads like an entry of the block's text) and
        // other punctuation; and a number as long as the column, of three-byte
        // characters.
        const std::vector<std::string> odd = {"Q'1", "X' OR 'A'='A", "訂單一號", "SO1  ",           "1.2.", "7.",
                                              ".",   "3.5.X",        "A;B:C+-",  Repeated("訂", 20)};
        // Orders that differ only in trailing blanks cannot both exist (the key
        // compares them equal), so the neighbours differ in other ways.
        const std::vector<std::string> neighbours = {"Q", "訂單", "SO1 A",           "X", "1", "2", "7", "3",
                                                     "",  "B;C",  Repeated("訂", 19)};
        std::vector<std::string> sql;
        for (const std::string &number : odd) {
            sql.push_back("INSERT INTO ORDER_MASTER (MASTERBILLID) VALUES (" + Literal(number) + ")");
            sql.push_back("INSERT INTO ORDER_SUB (MASTERBILLID, LINE_NO) VALUES (" + Literal(number) + ", 1)");
        }
        for (const std::string &number : neighbours) {
            sql.push_back("INSERT INTO ORDER_MASTER (MASTERBILLID) VALUES (" + Literal(number) + ")");
            sql.push_back("INSERT INTO ORDER_SUB (MASTERBILLID, LINE_NO) VALUES (" + Literal(number) + ", 1)");
        }
        Open(GetParam(), 2, sql);
        List();
        const auto listed = ListedOrders();
        std::vector<int> rows;
        for (int row = 0; row < static_cast<int>(listed.size()); ++row)
            if (std::find(odd.begin(), odd.end(), listed[row]) != odd.end()) rows.push_back(row);
        ASSERT_EQ(rows.size(), odd.size());
        Tick(rows);
        window->messageBoxAnswers = {mrYes};
        window->dialogAnswers = {withBackup ? mrYes : mrNo};
        DeleteTickedOrders(*window);

        for (const std::string &number : odd) {
            EXPECT_EQ(HeaderCount(number), 0) << number;
            EXPECT_EQ(LineCount(number), 0) << number;
        }
        for (const std::string &number : neighbours) {
            EXPECT_EQ(HeaderCount(number), 1) << number;
            EXPECT_EQ(LineCount(number), 1) << number;
        }
        ExpectWhole(DemoOrderNumber(1));
        ExpectWhole(DemoOrderNumber(2));
        std::vector<std::string> journalled = JournalledOrders();
        std::sort(journalled.begin(), journalled.end());
        std::vector<std::string> expected = odd;
        std::sort(expected.begin(), expected.end());
        EXPECT_EQ(journalled, expected);
    }
};

TEST_P(DeleteInBatchesOn, TheJournalHoldsALinePerCommittedOrderAndIsOnlyAppended) {
    Open(GetParam(), 4);
    List();
    Tick({0, 2});
    window->now = {};
    window->now.tm_year = 124;  // 2024-03-05 14:07:09
    window->now.tm_mon = 2;
    window->now.tm_mday = 5;
    window->now.tm_hour = 14;
    window->now.tm_min = 7;
    window->now.tm_sec = 9;
    window->messageBoxAnswers = {mrYes};
    window->dialogAnswers = {mrYes};
    DeleteTickedOrders(*window, {0s});  // a commit after every order

    std::vector<std::string> lines = ReadLines(CdsFile("deletions.log"));
    ASSERT_EQ(lines.size(), 3u);
    EXPECT_EQ(lines[0] + "\n", DeletionJournal::kHeaderLine);
    const std::string pair = "ORDER_MASTER_20240305140709.CDS ORDER_SUB20240305140709.CDS";
    EXPECT_THAT(Fields(lines[1]),
                ElementsAre("2024-03-05 14:07:09", DemoOrderNumber(1), std::to_string(linesBefore_[DemoOrderNumber(1)]),
                            pair, database, "SYSDBA"));
    EXPECT_THAT(Fields(lines[2]),
                ElementsAre("2024-03-05 14:07:09", DemoOrderNumber(3), std::to_string(linesBefore_[DemoOrderNumber(3)]),
                            pair, database, "SYSDBA"));

    // A second run without a backup adds its lines after the first run's.
    Tick({1});
    AnswerYesNoBackup();
    DeleteTickedOrders(*window);
    lines = ReadLines(CdsFile("deletions.log"));
    ASSERT_EQ(lines.size(), 4u);
    EXPECT_THAT(Fields(lines[3]),
                ElementsAre("2024-03-05 14:07:09", DemoOrderNumber(2), std::to_string(linesBefore_[DemoOrderNumber(2)]),
                            "none", database, "SYSDBA"));
    EXPECT_EQ(JournalledOrders(),
              (std::vector<std::string>{DemoOrderNumber(1), DemoOrderNumber(3), DemoOrderNumber(2)}));
}

TEST_P(DeleteInBatchesOn, CancelStopsAfterTheCurrentRoundTripAndKeepsWhatIsDone) {
    Open(GetParam(), 6);
    List();
    Tick({0, 1, 2, 4, 5});
    window->cancelAfter = 2;
    AnswerYesNoBackup();
    DeleteTickedOrders(*window, {kOneBatch, 2});

    ExpectGone(DemoOrderNumber(1));
    ExpectGone(DemoOrderNumber(2));
    for (int n = 3; n <= 6; ++n) ExpectWhole(DemoOrderNumber(n));
    EXPECT_THAT(window->Notices(), ElementsAre("已取消：已刪除 2 筆訂單，3 筆勾選的訂單未刪除。"));
    EXPECT_THAT(window->progressEvents, ElementsAre("progress:刪除訂單", "stage:正在刪除勾選的訂單...|5", "done:2"));
    EXPECT_EQ(JournalledOrders(), (std::vector<std::string>{DemoOrderNumber(1), DemoOrderNumber(2)}));
    // The cursor stands on the first ticked order left.
    EXPECT_EQ(window->OrderList().RecNo(), 3);
    EXPECT_FALSE(window->Connection().InTransaction());
}

TEST_P(DeleteInBatchesOn, OddOrderNumbersDeleteExactlyTheirOrder) { DeleteOddOrderNumbers(false); }

TEST_P(DeleteInBatchesOn, OddOrderNumbersWithABackupOnAConnectionThatSendsTextsUnconvertedDeleteExactlyTheirOrder) {
    connectionLines = {"ServerCharSet=NONE"};
    DeleteOddOrderNumbers(true);
}

TEST_P(DeleteInBatchesOn, ANumberLongerThanTheColumnDeletesNothingAndStopsTheWalk) {
    // Tables made of these columns only, the detail table's order number
    // narrower than the header's.
    Open(GetParam(), 1);
    RecreateTables("VARCHAR(30)", "VARCHAR(20)");
    const std::string longNumber = "B" + std::string(24, '2');
    ExecuteSql(database,
               {"INSERT INTO ORDER_MASTER (MASTERBILLID) VALUES ('A1')",
                "INSERT INTO ORDER_SUB (MASTERBILLID, LINE_NO) VALUES ('A1', 1)",
                "INSERT INTO ORDER_MASTER (MASTERBILLID) VALUES ('" + longNumber + "')",
                "INSERT INTO ORDER_MASTER (MASTERBILLID) VALUES ('C3')",
                "INSERT INTO ORDER_SUB (MASTERBILLID, LINE_NO) VALUES ('C3', 1)"},
               LoginFor(database));
    List();
    ASSERT_THAT(ListedOrders(), ElementsAre("A1", longNumber, "C3"));
    Tick({0, 1, 2});
    AnswerYesNoBackup();
    try {
        DeleteTickedOrders(*window);
        FAIL() << "the overlong order number was not reported";
    } catch (const EDatabaseError &e) {
        EXPECT_THAT(e.Message(), HasSubstr("truncation")) << e.Message();
    }
    EXPECT_EQ(HeaderCount("A1") + LineCount("A1"), 0);
    EXPECT_EQ(HeaderCount(longNumber), 1);
    EXPECT_EQ(HeaderCount("C3") + LineCount("C3"), 2);
    EXPECT_EQ(JournalledOrders(), std::vector<std::string>{"A1"});
    EXPECT_EQ(window->OrderList().RecNo(), 2);
}

TEST_P(DeleteInBatchesOn, EachStatementIsPreparedOncePerRun) {
    Open(GetParam(), 4);
    OrderWalk walk(window->Connection());
    OrderDeletion deletion(window->Connection(),
                           {{DemoOrderNumber(1), {}}, {DemoOrderNumber(2), {}}, {DemoOrderNumber(3), {}}});
    size_t committed = 0;
    deletion.onCommitted = [&](const std::vector<DeletedOrder> &orders) { committed += orders.size(); };
    for (size_t at = 0; at < 3; ++at) EXPECT_TRUE(walk.Alone(deletion, [&] { return deletion.SendAlone(at); }));
    walk.Commit(deletion);
    EXPECT_EQ(committed, 3u);
    // The savepoint, both deletions and the release; the undo never ran.
    EXPECT_EQ(deletion.Prepares() + walk.Prepares(), 4);
    ExpectWhole(DemoOrderNumber(4));
}

TEST_P(DeleteInBatchesOn, TheManyOrdersStatementIsPreparedOncePerRun) {
    Open(GetParam(), 6);
    OrderWalk walk(window->Connection());
    // The first order comes twice: the second time it is gone already.
    OrderDeletion deletion(window->Connection(),
                           {{DemoOrderNumber(1), {}},
                            {DemoOrderNumber(2), {}},
                            {DemoOrderNumber(3), {}},
                            {DemoOrderNumber(1), {}},
                            {DemoOrderNumber(4), {}}},
                           2);
    std::vector<std::string> deleted;
    deletion.onCommitted = [&](const std::vector<DeletedOrder> &orders) {
        for (const DeletedOrder &order : orders) deleted.push_back(order.orderNumber);
    };
    walk.Begin();
    EXPECT_EQ(deletion.SendBlock(0, 2).taken, 2u);
    EXPECT_EQ(deletion.SendBlock(2, 1).taken, 1u);
    // An order already gone is taken, and not counted as deleted.
    EXPECT_EQ(deletion.SendBlock(3, 2).taken, 2u);
    walk.Commit(deletion);
    EXPECT_THAT(deleted, ElementsAre(DemoOrderNumber(1), DemoOrderNumber(2), DemoOrderNumber(3), DemoOrderNumber(4)));
    EXPECT_EQ(deletion.Prepares() + walk.Prepares(), 1);
    for (int n = 1; n <= 4; ++n) ExpectGone(DemoOrderNumber(n));
    ExpectWhole(DemoOrderNumber(5));
}

// The deletion's steps, every order alone, with a failure of the program's
// own (not the server's) at the third order, and a say over each commit.
class StepsFailingAtTheThird final : public OrderWalkSteps {
public:
    StepsFailingAtTheThird(OrderDeletion &deletion, bool commitRefused)
        : deletion_(deletion), commitRefused_(commitRefused) {}
    size_t BlockFrom(size_t) override { return 0; }
    BlockSent SendBlock(size_t first, size_t count) override { return deletion_.SendBlock(first, count); }
    bool SendAlone(size_t at) override {
        if (at == 2) throw std::runtime_error("the program's own failure");
        return deletion_.SendAlone(at);
    }
    void LeftOut(size_t at, const std::exception_ptr &failure) override { deletion_.LeftOut(at, failure); }
    void BeforeCommit() override {
        ++commitsAsked;
        if (commitRefused_) throw std::logic_error("not this lane's turn");
    }
    void Committed() override { deletion_.Committed(); }
    void Dropped() override {
        ++dropped;
        deletion_.Dropped();
    }
    int commitsAsked = 0;
    int dropped = 0;

private:
    OrderDeletion &deletion_;
    const bool commitRefused_;
};

// A walk ending on a failure commits the orders before it only once the
// steps let it: a refused commit rolls them back too, and the walk's own
// failure is the one raised.
TEST_P(DeleteInBatchesOn, TheCommitAWalkMakesOnAFailureAsksTheStepsFirst) {
    Open(GetParam(), 6);
    for (const bool refused : {false, true}) {
        SCOPED_TRACE(refused ? "commit refused" : "commit let through");
        // Orders 1 to 3, then 4 to 6.
        const int first = refused ? 4 : 1;
        OrderWalk walk(window->Connection(), kOneBatch);
        OrderDeletion deletion(
            window->Connection(),
            {{DemoOrderNumber(first), {}}, {DemoOrderNumber(first + 1), {}}, {DemoOrderNumber(first + 2), {}}});
        std::vector<std::string> told;
        deletion.onCommitted = [&](const std::vector<DeletedOrder> &orders) {
            for (const DeletedOrder &order : orders) told.push_back(order.orderNumber);
        };
        StepsFailingAtTheThird steps(deletion, refused);
        WalkResult walked;
        try {
            walk.Run(3, steps, RefusedOrder::IsLeftOut, walked);
            ADD_FAILURE() << "the walk did not raise";
        } catch (const std::runtime_error &failure) {
            EXPECT_STREQ(failure.what(), "the program's own failure");
        }
        EXPECT_EQ(walked.next, 2u);
        EXPECT_EQ(steps.commitsAsked, 1);
        EXPECT_EQ(steps.dropped, refused ? 1 : 0);
        if (refused) {
            EXPECT_THAT(told, ElementsAre());
            for (int n = first; n < first + 3; ++n) ExpectWhole(DemoOrderNumber(n));
        } else {
            EXPECT_THAT(told, ElementsAre(DemoOrderNumber(first), DemoOrderNumber(first + 1)));
            ExpectGone(DemoOrderNumber(first));
            ExpectGone(DemoOrderNumber(first + 1));
            ExpectWhole(DemoOrderNumber(first + 2));
        }
    }
}

TEST_P(DeleteInBatchesOn, ABlockThatFillsItsTextToTheLastByteGoesWholeAndTheNextOrderStartsAnother) {
    // Numbers as long as the column allows, of three-byte characters: each
    // takes 64 bytes of the block's text ("60..", then its 60 bytes), so a
    // block holds exactly kWholeBlockBytes / 64 of them.
    ASSERT_EQ(kWholeBlockBytes % 64, 0u);
    const size_t perBlock = kWholeBlockBytes / 64;
    ASSERT_LT(perBlock, static_cast<size_t>(kMaxWholeBlockOrders));
    const char *digits[] = {"〇", "一", "二", "三", "四", "五", "六", "七", "八", "九"};
    std::vector<OrderToDelete> orders;
    std::vector<std::string> sql;
    for (size_t n = 0; n <= perBlock; ++n) {
        const std::string number = Repeated("訂", 17) + digits[n / 100 % 10] + digits[n / 10 % 10] + digits[n % 10];
        orders.push_back({number, {}});
        sql.push_back("INSERT INTO ORDER_MASTER (MASTERBILLID) VALUES (" + Literal(number) + ")");
        sql.push_back("INSERT INTO ORDER_SUB (MASTERBILLID, LINE_NO) VALUES (" + Literal(number) + ", 1)");
    }
    Open(GetParam(), 1, sql);
    OrderWalk walk(window->Connection(), kOneBatch);
    OrderDeletion deletion(window->Connection(), orders);
    deletion.StartWholeBlocksAt(OrderDeletion::kDefaultBlockSize);
    EXPECT_EQ(deletion.BlockFrom(0), perBlock);
    std::vector<std::string> deleted;
    deletion.onCommitted = [&](const std::vector<DeletedOrder> &committed) {
        for (const DeletedOrder &order : committed) deleted.push_back(order.orderNumber);
    };
    WalkResult walked;
    walk.Run(orders.size(), deletion, RefusedOrder::EndsTheWalk, walked);
    EXPECT_EQ(walked.next, orders.size());
    ASSERT_EQ(deleted.size(), orders.size());
    for (size_t n = 0; n < orders.size(); ++n) EXPECT_EQ(deleted[n], orders[n].number);
    EXPECT_EQ(Count("SELECT COUNT(*) FROM ORDER_MASTER"), 1);
    EXPECT_EQ(Count("SELECT COUNT(*) FROM ORDER_SUB"), LineCount(DemoOrderNumber(1)));
    // Both blocks went whole: the order-by-order block was never needed.
    EXPECT_EQ(deletion.Prepares(), 1);
}

TEST_P(DeleteInBatchesOn, ACancelledBackupEndsTheDeletionSilentlyBeforeAnythingIsDeleted) {
    Open(GetParam(), 3);
    List();
    Tick({0, 1, 2});
    window->cancelAfter = 0;
    window->messageBoxAnswers = {mrYes};
    window->dialogAnswers = {mrYes};
    EXPECT_THROW(DeleteTickedOrders(*window), EAbort);
    EXPECT_EQ(window->progressEvents.front(), "progress:資料備份");
    for (int n = 1; n <= 3; ++n) ExpectWhole(DemoOrderNumber(n));
    EXPECT_TRUE(JournalledOrders().empty());
}

TEST_P(DeleteInBatchesOn, AnOrderChangedAfterItsBackupIsKept) {
    Open(GetParam(), 3);
    List();
    Tick({0, 1, 2});
    // Someone adds a line to the second order between the backup and the
    // deletion.
    window->onNotice = [this](const std::string &text) {
        if (text == "資料備份完成..!")
            ExecuteSql(database,
                       {"INSERT INTO ORDER_SUB (MASTERBILLID, LINE_NO) VALUES ('" + DemoOrderNumber(2) + "', 99)"},
                       LoginFor(database));
    };
    window->messageBoxAnswers = {mrYes};
    window->dialogAnswers = {mrYes};
    DeleteTickedOrders(*window);

    ExpectGone(DemoOrderNumber(1));
    EXPECT_EQ(HeaderCount(DemoOrderNumber(2)), 1);
    EXPECT_EQ(LineCount(DemoOrderNumber(2)), linesBefore_[DemoOrderNumber(2)] + 1);
    ExpectGone(DemoOrderNumber(3));
    EXPECT_THAT(window->Notices(), ElementsAre("資料備份完成..!", "1 筆訂單在備份後已變更，未刪除。"));
    EXPECT_EQ(JournalledOrders(), (std::vector<std::string>{DemoOrderNumber(1), DemoOrderNumber(3)}));
}

TEST_P(DeleteInBatchesOn, OrdersChangedAfterTheBackupInAWholeBlockAreKeptAndOnlyThey) {
    // Changes between the backup and the deletion, all in one block, that a
    // check of the block's totals alone would miss or misplace: a line added
    // (order 2), every line removed (order 3), a line moved from one order to
    // another, the total unchanged (orders 5 and 6). Exactly those orders are
    // kept, as they are now; the others go.
    Open(GetParam(), 8);
    List();
    Tick({0, 1, 2, 3, 4, 5, 6, 7});
    const std::vector<int> kept = {2, 3, 5, 6};
    std::map<std::string, int64_t> linesNow;
    window->onNotice = [&](const std::string &text) {
        if (text != "資料備份完成..!") return;
        ExecuteSql(database,
                   {"INSERT INTO ORDER_SUB (MASTERBILLID, LINE_NO) VALUES ('" + DemoOrderNumber(2) + "', 99)",
                    "DELETE FROM ORDER_SUB WHERE MASTERBILLID = '" + DemoOrderNumber(3) + "'",
                    "UPDATE ORDER_SUB SET MASTERBILLID = '" + DemoOrderNumber(6) +
                        "', LINE_NO = 99 WHERE MASTERBILLID = '" + DemoOrderNumber(5) + "' AND LINE_NO = 1"},
                   LoginFor(database));
        for (int n : kept) linesNow[DemoOrderNumber(n)] = LineCount(DemoOrderNumber(n));
    };
    window->messageBoxAnswers = {mrYes};
    window->dialogAnswers = {mrYes};
    DeleteTickedOrders(*window);
    std::vector<std::string> journalled;
    for (int n = 1; n <= 8; ++n) {
        const std::string order = DemoOrderNumber(n);
        if (std::find(kept.begin(), kept.end(), n) == kept.end()) {
            ExpectGone(order);
            journalled.push_back(order);
        } else {
            EXPECT_EQ(HeaderCount(order), 1) << order;
            EXPECT_EQ(LineCount(order), linesNow[order]) << order;
        }
    }
    EXPECT_EQ(JournalledOrders(), journalled);
    EXPECT_THAT(window->Notices(), ElementsAre("資料備份完成..!", "4 筆訂單在備份後已變更，未刪除。"));
}

TEST_P(DeleteInBatchesOn, ATickedRowAddedInTheGridWithoutAnOrderNumberDeletesNothing) {
    // Tables whose order number may be null, as some installations have
    // them, with an order whose number is the empty text: what a row
    // without a number would have been compared with.
    Open(GetParam(), 1);
    RecreateTables("VARCHAR(20)", "VARCHAR(20)");
    ExecuteSql(database,
               {"INSERT INTO ORDER_MASTER (MASTERBILLID) VALUES ('')",
                "INSERT INTO ORDER_SUB (MASTERBILLID, LINE_NO) VALUES ('', 1)",
                "INSERT INTO ORDER_MASTER (MASTERBILLID) VALUES ('A1')"},
               LoginFor(database));
    List();
    TClientDataSet &list = window->OrderList();
    list.Append();
    list.FieldNamed("SELECT_YN")->SetString("Y");
    list.Post();
    const int added = list.RecNo() - 1;
    const auto listed = ListedOrders();
    const int a1 = static_cast<int>(std::find(listed.begin(), listed.end(), "A1") - listed.begin());
    Tick({a1, added});
    AnswerYesNoBackup();
    DeleteTickedOrders(*window);

    EXPECT_EQ(HeaderCount(""), 1);
    EXPECT_EQ(LineCount(""), 1);
    EXPECT_EQ(HeaderCount("A1"), 0);
    EXPECT_EQ(JournalledOrders(), std::vector<std::string>{"A1"});
}

TEST_P(DeleteInBatchesOn, AJournalThatCannotBeWrittenStopsTheDeletionBeforeTheNextBatch) {
    Open(GetParam(), 5);
    List();
    Tick({0, 1, 2, 3, 4});
    // The folder goes while the second order is being deleted.
    window->afterAdvance = [this](int64_t done) {
        if (done == 2) std::filesystem::remove_all(dir.path() + "/cds");
    };
    AnswerYesNoBackup();
    try {
        DeleteTickedOrders(*window, {0s, 1});
        FAIL() << "the unwritable journal was not reported";
    } catch (const EFCreateError &e) {
        EXPECT_THAT(e.Message(), HasSubstr("無法寫入刪除紀錄 " + CdsFile("deletions.log")));
        EXPECT_THAT(e.Message(), HasSubstr("已刪除 2 筆訂單（最後 1 筆未記入紀錄），3 筆勾選的訂單未刪除。"));
    }
    // What was committed stays committed; nothing more went.
    ExpectGone(DemoOrderNumber(1));
    ExpectGone(DemoOrderNumber(2));
    for (int n = 3; n <= 5; ++n) ExpectWhole(DemoOrderNumber(n));
    EXPECT_FALSE(window->Connection().InTransaction());

    // Without the folder nothing is deleted at all.
    AnswerYesNoBackup();
    EXPECT_THROW(DeleteTickedOrders(*window), EFCreateError);
    for (int n = 3; n <= 5; ++n) ExpectWhole(DemoOrderNumber(n));
}

TEST_P(DeleteInBatchesOn, AnOrderLockedByAnotherUserIsReportedWithTheServersTextAndStopsTheWalk) {
    // The connection does not wait for locks: the other user's transaction
    // below stays open for as long as the test wants.
    connectionLines = {"WaitOnLocks=False"};
    Open(GetParam(), 5);
    TSQLConnection other("OtherUser");
    other.ConnectionName = "Trelvo";
    other.LoadParamsOnConnect = true;
    other.LoginPrompt = false;
    other.SetConnectionFile(dir.file("connections.ini"));
    other.SetDriverFile(dir.file("drivers.ini"));
    other.StartTransaction();
    TSQLQuery change("Change");
    change.SetSQLConnection(&other);
    change.AddSQL("UPDATE ORDER_MASTER SET REMARK = 'mine' WHERE MASTERBILLID = '" + DemoOrderNumber(3) + "'");
    ASSERT_EQ(change.Execute(), 1);

    List();
    Tick({0, 1, 2, 3, 4});
    AnswerYesNoBackup();
    try {
        DeleteTickedOrders(*window, {kOneBatch});
        FAIL() << "the locked order was not reported";
    } catch (const EDatabaseError &e) {
        EXPECT_THAT(e.Message(), HasSubstr("update conflicts with concurrent update")) << e.Message();
    }
    ExpectGone(DemoOrderNumber(1));
    ExpectGone(DemoOrderNumber(2));
    for (int n = 3; n <= 5; ++n) ExpectWhole(DemoOrderNumber(n));
    EXPECT_EQ(JournalledOrders(), (std::vector<std::string>{DemoOrderNumber(1), DemoOrderNumber(2)}));
    other.Rollback();
}

INSTANTIATE_TEST_SUITE_P(Both, DeleteInBatchesOn, BothBackends(), BackendCaseName);

}  // namespace
