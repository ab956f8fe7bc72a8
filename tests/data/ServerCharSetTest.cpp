// A database whose connection speaks BIG5: statement texts and bound values
// reach the server in BIG5, so Chinese filters select the right orders and a
// Chinese order number deletes exactly its order; a character BIG5 has no
// place for is refused with a clear failure instead of being replaced.
#include <gtest/gtest.h>

#include "data/dataset/Errors.h"
#include "data/dataset/TableEngine.h"
#include "data/sql/SQLConnection.h"
#include "data/sql/SQLDataSet.h"
#include "data/sql/SQLQuery.h"
#include "tests/support/TestSupport.h"

using namespace batchdel;

namespace {

class Big5Test : public ::testing::TestWithParam<Backend> {
protected:
    void SetUp() override {
        if (GetParam() == Backend::Server) {
            BATCHDEL_REQUIRE_TEST_SERVER();
            server_ = std::make_unique<ServerDatabase>("big5");
            database_ = server_->connectString();
        } else {
            database_ = dir_.file("big5.fdb");
        }
        DirectDatabase db = DirectDatabase::Create(database_, LoginFor(database_));
        db.Execute(
            {"CREATE TABLE ORDER_MASTER (MASTERBILLID VARCHAR(20) CHARACTER SET BIG5 NOT NULL"
             " PRIMARY KEY, CUST_ID VARCHAR(10) CHARACTER SET BIG5, CUST_NAME VARCHAR(50)"
             " CHARACTER SET BIG5, PD_DEPID VARCHAR(10) CHARACTER SET BIG5,"
             " REMARK BLOB SUB_TYPE TEXT CHARACTER SET BIG5)",
             "CREATE TABLE ORDER_SUB (MASTERBILLID VARCHAR(20) CHARACTER SET BIG5 NOT NULL,"
             " LINE_NO INTEGER NOT NULL, PRIMARY KEY (MASTERBILLID, LINE_NO),"
             " FOREIGN KEY (MASTERBILLID) REFERENCES ORDER_MASTER)"});
        // Stored through a UTF8 attachment: the server keeps them in BIG5.
        std::vector<std::string> rows;
        for (const auto &[order, customer, name, department] : kOrders) {
            rows.push_back("INSERT INTO ORDER_MASTER (MASTERBILLID, CUST_ID, CUST_NAME, PD_DEPID) VALUES ('" +
                           Quoted(order) + "', '" + customer + "', '" + name + "', '" + department + "')");
            for (int line = 1; line <= 2; ++line)
                rows.push_back("INSERT INTO ORDER_SUB VALUES ('" + Quoted(order) + "', " + std::to_string(line) + ")");
        }
        db.Execute(rows);

        WriteConfigFiles(dir_.path(), database_, {"ServerCharSet=BIG5"});
        connection_.ConnectionName = "Trelvo";
        connection_.LoadParamsOnConnect = true;
        connection_.LoginPrompt = false;
        connection_.SetConnectionFile(dir_.file("connections.ini"));
        connection_.SetDriverFile(dir_.file("drivers.ini"));
        query_.SetSQLConnection(&connection_);
        list_.SetSQLConnection(&connection_);
    }

    static std::string Quoted(const std::string &text) {
        std::string quoted;
        for (char c : text) {
            quoted += c;
            if (c == '\'') quoted += '\'';
        }
        return quoted;
    }

    int64_t Lines(const std::string &order) {
        return CountRows(database_, "SELECT COUNT(*) FROM ORDER_SUB WHERE MASTERBILLID = '" + Quoted(order) + "'");
    }
    int64_t Headers() { return CountRows(database_, "SELECT COUNT(*) FROM ORDER_MASTER"); }

    // Order number and customer name of every row the list text gives.
    std::vector<std::pair<std::string, std::string>> List(const std::string &text) {
        list_.Close();
        list_.SetCommandText(text);
        list_.Open();
        TableEngine engine(list_.Columns());
        list_.FetchAllInto(engine);
        list_.Close();
        std::vector<std::pair<std::string, std::string>> rows;
        for (int row = 0; row < engine.RecordCount(); ++row)
            rows.emplace_back(engine.Text(row, 0), engine.Text(row, 1));
        return rows;
    }

    struct Order {
        std::string number, customer, name, department;
    };
    static inline const std::vector<Order> kOrders = {
        {"台北001", "甲一", "陳志明", "業務部"},   {"台北002", "乙二", "林淑芬", "業務部"},
        {"台中001", "丙三", "黃建宏", "門市部"},   {"台中002", "丙三", "黃建宏", "業務部"},
        {"O'Neil 一", "甲一", "陳志明", "業務部"},
    };

    TempDir dir_;
    std::unique_ptr<ServerDatabase> server_;
    std::string database_;
    TSQLConnection connection_{"SQLConnection1"};
    TSQLQuery query_{"SQLQuery1"};
    TSQLDataSet list_{"SQLDataSet1"};
};

TEST_P(Big5Test, ChineseFiltersListTheRightOrders) {
    // BIG5 orders 乙 (A441) before 丙 (A5C1) before 甲 (A5D2).
    const std::string text =
        "SELECT MASTERBILLID, CUST_NAME FROM ORDER_MASTER\r\n"
        "WHERE 1 = 1\r\n"
        "AND CUST_ID >= '丙' AND CUST_ID <= '甲一'\r\n"
        "AND PD_DEPID >= '業務部' AND PD_DEPID <= '業務部'\r\n"
        "ORDER BY MASTERBILLID\r\n";
    const std::vector<std::pair<std::string, std::string>> expected = {
        {"O'Neil 一", "陳志明"}, {"台中002", "黃建宏"}, {"台北001", "陳志明"}};
    auto rows = List(text);
    std::sort(rows.begin(), rows.end());
    EXPECT_EQ(rows, expected);
    EXPECT_EQ(List("SELECT MASTERBILLID, CUST_NAME FROM ORDER_MASTER WHERE CUST_NAME = '林淑芬'\r\n"),
              (std::vector<std::pair<std::string, std::string>>{{"台北002", "林淑芬"}}));
}

TEST_P(Big5Test, ChineseOrderNumberBoundAsAValueDeletesExactlyThatOrder) {
    for (const char *table : {"ORDER_SUB", "ORDER_MASTER"}) {
        query_.ClearSQL();
        query_.AddSQL(std::string("DELETE FROM ") + table);
        query_.AddSQL(" WHERE MASTERBILLID = :ORDER_ID");
        for (const std::string order : {"台北001", "O'Neil 一"}) {
            query_.ParamByName("ORDER_ID").SetString(order);
            EXPECT_EQ(query_.Execute(), std::string(table) == "ORDER_SUB" ? 2 : 1) << table << order;
        }
    }
    EXPECT_EQ(Lines("台北001"), 0);
    EXPECT_EQ(Lines("台北002"), 2);
    EXPECT_EQ(Headers(), 3);

    // A text with the number written into it works as well.
    query_.ClearSQL();
    query_.AddSQL("DELETE FROM ORDER_SUB WHERE MASTERBILLID = '台中001'");
    EXPECT_EQ(query_.Execute(), 2);
    EXPECT_EQ(Lines("台中002"), 2);
}

TEST_P(Big5Test, TextOutsideBig5IsRefusedNotReplaced) {
    // Hangul has no place in BIG5.
    query_.AddSQL("DELETE FROM ORDER_SUB WHERE MASTERBILLID = :ORDER_ID");
    query_.ParamByName("ORDER_ID").SetString("台北한");
    try {
        query_.Execute();
        FAIL() << "the value went through";
    } catch (const EDatabaseError &e) {
        EXPECT_NE(e.Message().find("BIG_5"), std::string::npos) << e.Message();
        EXPECT_NE(e.Message().find("한"), std::string::npos) << e.Message();
    }
    query_.ClearSQL();
    query_.AddSQL("DELETE FROM ORDER_SUB WHERE MASTERBILLID = '한'");
    EXPECT_THROW(query_.Execute(), EDatabaseError);
    try {
        List("SELECT MASTERBILLID, CUST_NAME FROM ORDER_MASTER WHERE CUST_ID = '한'\r\n");
        FAIL() << "the filter went through";
    } catch (const EDatabaseError &e) {
        EXPECT_NE(e.Message().find("BIG_5"), std::string::npos) << e.Message();
    }
    EXPECT_EQ(Headers(), 5);
    EXPECT_EQ(CountRows(database_, "SELECT COUNT(*) FROM ORDER_SUB"), 10);

    // The connection goes on working.
    query_.ClearSQL();
    query_.AddSQL("DELETE FROM ORDER_SUB WHERE MASTERBILLID = '台北002'");
    EXPECT_EQ(query_.Execute(), 2);
}

INSTANTIATE_TEST_SUITE_P(Databases, Big5Test, BothBackends(), BackendCaseName);

}  // namespace
