#include "tests/workflow/OrderDatabaseTest.h"

#include "data/dataset/Field.h"
#include "workflow/QueryOrders.h"

using namespace batchdel;

void OrderDatabaseTest::OpenDatabase(int orders, const std::vector<std::string> &extraSql, bool withCdsFolder) {
    if (databaseOn == Backend::Server) {
        serverDatabase = std::make_unique<ServerDatabase>("orders");
        database = serverDatabase->connectString();
        CreateDemoDatabase(database, orders, 1, TestServerLogin());
    } else {
        database = MakeTestDatabase(dir, orders);
    }
    if (!extraSql.empty()) ExecuteSql(database, extraSql, LoginFor(database));
    WriteConfigFiles(dir.path(), database, connectionLines);
    if (withCdsFolder) std::filesystem::create_directory(dir.path() + "/cds");
    window = std::make_unique<HeadlessOrderWindow>(dir.path());
}

void OrderDatabaseTest::List() { QueryOrders(*window); }

void OrderDatabaseTest::Tick(const std::vector<int> &rows) {
    TClientDataSet &list = window->OrderList();
    for (int row : rows) {
        list.SetRecNo(row + 1);
        list.Edit();
        list.FieldNamed("SELECT_YN")->SetString("Y");
        list.Post();
    }
}

std::vector<std::string> OrderDatabaseTest::ListedOrders() const {
    const TClientDataSet &list = window->OrderList();
    std::vector<std::string> orders;
    for (int row = 0; row < list.RecordCount(); ++row)
        orders.push_back(list.FieldNamed("MASTERBILLID")->GetStringAt(row));
    return orders;
}

std::vector<std::string> OrderDatabaseTest::Marks() const {
    const TClientDataSet &list = window->OrderList();
    std::vector<std::string> marks;
    for (int row = 0; row < list.RecordCount(); ++row) marks.push_back(list.FieldNamed("SELECT_YN")->GetStringAt(row));
    return marks;
}

int64_t OrderDatabaseTest::HeaderCount(const std::string &orderNumber) const {
    return Count("SELECT COUNT(*) FROM ORDER_MASTER WHERE MASTERBILLID = " + Literal(orderNumber));
}

int64_t OrderDatabaseTest::LineCount(const std::string &orderNumber) const {
    return Count("SELECT COUNT(*) FROM ORDER_SUB WHERE MASTERBILLID = " + Literal(orderNumber));
}

std::string Literal(const std::string &text) {
    std::string literal = "'";
    for (char c : text) {
        literal += c;
        if (c == '\'') literal += '\'';
    }
    return literal + "'";
}
