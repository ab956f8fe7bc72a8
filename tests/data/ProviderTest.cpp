// Opening client result sets through the provider and the SQL data set on a
// real embedded database: the order list query, reopening, empty answers,
// every type with and without NULL, and the failures.
#include <gtest/gtest.h>

#include <QDate>
#include <QLocale>

#include <map>

#include "data/dataset/ClientDataSet.h"
#include "data/sql/DataSetProvider.h"
#include "data/packet/DataSetFile.h"
#include "data/dataset/Errors.h"
#include "data/dataset/Field.h"
#include "data/sql/SQLConnection.h"
#include "data/sql/SQLDataSet.h"
#include "data/sql/SqlTableName.h"
#include "data/dataset/TableEngine.h"
#include "tests/support/TestSupport.h"

using namespace batchdel;

namespace {

const char kListQuery[] =
    "select MASTERBILLID,BILL_DATE,FR_DATE,CUST_ID,CUST_NAME,PD_DEPID,'N' AS SELECT_YN FROM ORDER_MASTER \r\n"
    " WHERE  MASTERBILLID IS NOT NULL \r\n";

constexpr int kOrders = 25;

// A 50-character Chinese name fills CUST_NAME to its full width.
std::string FullWidthName() {
    std::string s;
    for (int i = 0; i < 50; ++i) s += "訂";
    return s;
}

// One database for the suite, with a table of every type: row 1 all NULL,
// row 2 a value in each column.
class ProviderTest : public ::testing::Test {
protected:
    static void SetUpTestSuite() {
        dbDir_ = new TempDir;
        database_ = MakeTestDatabase(*dbDir_, kOrders);
        ExecuteSql(database_, {"CREATE TABLE EVERY_TYPE (ID INTEGER NOT NULL PRIMARY KEY, SI SMALLINT, BI BIGINT,"
                               " F DOUBLE PRECISION, N NUMERIC(12,2), D DATE, T TIME, TS TIMESTAMP, B BOOLEAN,"
                               " S VARCHAR(10), C CHAR(5), M BLOB SUB_TYPE TEXT, BL BLOB SUB_TYPE BINARY)"});
        ExecuteSql(database_, {"INSERT INTO EVERY_TYPE (ID) VALUES (1)",
                               "INSERT INTO EVERY_TYPE VALUES (2, -7, 9000000000, 2.5, -1234.56, '2024-02-29',"
                               " '13:45:30', '2024-02-29 08:09:10', TRUE, '中文字', 'ab', '長的備註', x'00FF10')",
                               "UPDATE ORDER_MASTER SET CUST_NAME = '" + FullWidthName() + "' WHERE MASTERBILLID = '" +
                                   DemoOrderNumber(1) + "'"});
    }
    static void TearDownTestSuite() {
        delete dbDir_;
        dbDir_ = nullptr;
    }

    // The window's data components: SQLConnection1, SQLDataSet1,
    // DataSetProvider1 (command text allowed) and ClientDataSet1.
    void SetUp() override { Wire({}); }
    void Wire(const std::vector<std::string> &extraParams) {
        WriteConfigFiles(dir_.path(), database_, extraParams);
        connection = std::make_unique<TSQLConnection>("SQLConnection1");
        connection->ConnectionName = "Trelvo";
        connection->DriverName = "Interbase";
        connection->GetDriverFunc = "getIBDriver";
        connection->LibraryName = "ibdriver.dll";
        connection->VendorLib = "gds32.dll";
        connection->LoadParamsOnConnect = true;
        connection->LoginPrompt = false;
        connection->SetConnectionFile(dir_.file("connections.ini"));
        connection->SetDriverFile(dir_.file("drivers.ini"));
        sql = std::make_unique<TSQLDataSet>("SQLDataSet1");
        sql->SetSQLConnection(connection.get());
        provider = std::make_unique<TDataSetProvider>("DataSetProvider1");
        provider->SetDataSet(sql.get());
        provider->Options = poAllowCommandText;
        client = std::make_unique<TClientDataSet>("ClientDataSet1");
        client->SetProviderName("DataSetProvider1");
        client->SetProviderResolver(
            [this](const std::string &name) { return name == provider->Name() ? provider.get() : nullptr; });
    }
    void OpenWith(const std::string &text) {
        client->Close();
        client->SetCommandText(text);
        client->Open();
    }
    std::string Failure(const std::function<void()> &action) {
        try {
            action();
        } catch (const Exception &e) {
            return e.ClassName() + ": " + e.Message();
        }
        return "";
    }

    static TempDir *dbDir_;
    static std::string database_;
    TempDir dir_;
    std::unique_ptr<TSQLConnection> connection;
    std::unique_ptr<TSQLDataSet> sql;
    std::unique_ptr<TDataSetProvider> provider;
    std::unique_ptr<TClientDataSet> client;
};
TempDir *ProviderTest::dbDir_ = nullptr;
std::string ProviderTest::database_;

TEST_F(ProviderTest, OrderListQueryLoadsEveryOrderWithAWritableMark) {
    OpenWith(kListQuery);
    ASSERT_TRUE(client->Active());
    EXPECT_EQ(client->RecordCount(), kOrders);
    EXPECT_EQ(client->RecNo(), 1);
    EXPECT_FALSE(sql->Active()) << "the cursor is closed once every row is in";

    std::vector<std::string> names;
    for (int i = 0; i < client->FieldCount(); ++i) names.push_back(client->Field(i)->FieldName());
    EXPECT_EQ(names, (std::vector<std::string>{"MASTERBILLID", "BILL_DATE", "FR_DATE", "CUST_ID", "CUST_NAME",
                                               "PD_DEPID", "SELECT_YN"}));
    TField *mark = client->FieldNamed("select_yn");
    EXPECT_EQ(mark->Type(), DataType::String);
    EXPECT_EQ(mark->Size(), 1);
    EXPECT_FALSE(mark->ReadOnly());
    EXPECT_TRUE(client->FieldNamed("MASTERBILLID")->Required());
    EXPECT_EQ(client->FieldNamed("BILL_DATE")->Type(), DataType::Date);
    EXPECT_EQ(client->FieldNamed("CUST_NAME")->Size(), 50);

    // Every order of the table, with the values the database holds.
    auto expected =
        QueryRows(database_, "SELECT MASTERBILLID, CUST_ID, CUST_NAME, PD_DEPID, BILL_DATE FROM ORDER_MASTER");
    std::map<std::string, std::vector<std::string>> byId;
    for (auto &row : expected) byId[row[0]] = row;
    int seen = 0;
    for (client->First(); !client->AtEnd(); client->Next(), ++seen) {
        const auto &row = byId.at(client->FieldNamed("MASTERBILLID")->GetString());
        EXPECT_EQ(client->FieldNamed("CUST_ID")->GetString(), row[1]);
        EXPECT_EQ(client->FieldNamed("CUST_NAME")->GetString(), row[2]);
        EXPECT_EQ(client->FieldNamed("PD_DEPID")->GetString(), row[3]);
        EXPECT_EQ(QDate::fromString(QString::fromStdString(row[4]), Qt::ISODate),
                  QLocale::system().toDate(QString::fromStdString(client->FieldNamed("BILL_DATE")->DisplayText()),
                                           QLocale::ShortFormat));
        EXPECT_EQ(mark->GetString(), "N");
    }
    EXPECT_EQ(seen, kOrders);

    // The mark takes "Y" in memory only.
    client->First();
    client->Edit();
    mark->SetString("Y");
    client->Post();
    client->Next();
    client->First();
    EXPECT_EQ(mark->GetString(), "Y");
    EXPECT_EQ(client->Engine()->Property("PRIMARY_KEY"), "MASTERBILLID");
    EXPECT_EQ(client->Engine()->Property("LCID"), "0");
}

TEST_F(ProviderTest, FullWidthChineseTextComesBackWhole) {
    OpenWith("select CUST_NAME from ORDER_MASTER where MASTERBILLID = '" + DemoOrderNumber(1) + "'");
    ASSERT_EQ(client->RecordCount(), 1);
    EXPECT_EQ(client->FieldNamed("CUST_NAME")->GetString(), FullWidthName());
}

TEST_F(ProviderTest, ReopeningTheSameTextRunsTheSamePreparedStatementAndFetchesAgain) {
    OpenWith(kListQuery);
    ISQLCommand *prepared = sql->PreparedCommand();
    ASSERT_NE(prepared, nullptr);
    EXPECT_EQ(sql->PrepareCount(), 1);
    client->Edit();
    client->FieldNamed("SELECT_YN")->SetString("Y");
    client->Close();
    EXPECT_NE(sql->PreparedCommand(), nullptr) << "closing keeps the prepared statement";

    ExecuteSql(database_, {"INSERT INTO ORDER_MASTER (MASTERBILLID) VALUES ('ZZ-REOPEN')"});
    OpenWith(kListQuery);
    EXPECT_EQ(sql->PreparedCommand(), prepared);
    EXPECT_EQ(sql->PrepareCount(), 1);
    EXPECT_EQ(client->RecordCount(), kOrders + 1);
    EXPECT_EQ(client->FieldNamed("SELECT_YN")->GetString(), "N");
    ExecuteSql(database_, {"DELETE FROM ORDER_MASTER WHERE MASTERBILLID = 'ZZ-REOPEN'"});

    OpenWith("select MASTERBILLID from ORDER_MASTER");
    EXPECT_EQ(sql->PrepareCount(), 2);
}

TEST_F(ProviderTest, LeadingBlanksAreDroppedFromTheSqlText) {
    OpenWith(" \r\n\t select MASTERBILLID from ORDER_MASTER");
    EXPECT_EQ(sql->CommandText(), "select MASTERBILLID from ORDER_MASTER");
    EXPECT_EQ(client->CommandText(), " \r\n\t select MASTERBILLID from ORDER_MASTER");
}

TEST_F(ProviderTest, AQueryWithoutRowsOpensAnEmptySet) {
    OpenWith("select MASTERBILLID, 'N' AS SELECT_YN from ORDER_MASTER where 1 = 0");
    EXPECT_TRUE(client->Active());
    EXPECT_EQ(client->RecordCount(), 0);
    client->First();
    EXPECT_TRUE(client->AtEnd());
    EXPECT_EQ(client->FieldCount(), 2);
}

TEST_F(ProviderTest, ASqlErrorLeavesTheSetClosedAndALaterQueryWorks) {
    OpenWith(kListQuery);
    client->Close();
    client->SetCommandText("select * from ORDER_MASTER where BILL_DATE >= '2024/13/45'");
    std::string failure = Failure([&] { client->Open(); });
    EXPECT_EQ(failure.rfind("EDatabaseError: ", 0), 0u) << failure;
    EXPECT_EQ(failure.find("ClientDataSet1: "), std::string::npos) << "driver failures carry no prefix";
    EXPECT_FALSE(client->Active());
    EXPECT_FALSE(sql->Active());
    EXPECT_EQ(Failure([&] { client->First(); }),
              "EDatabaseError: ClientDataSet1: Cannot perform this operation on a closed dataset");

    EXPECT_NE(Failure([&] { OpenWith("select NO_SUCH_COLUMN from ORDER_MASTER"); }), "");
    EXPECT_FALSE(client->Active());
    OpenWith(kListQuery);
    EXPECT_EQ(client->RecordCount(), kOrders);
}

TEST_F(ProviderTest, NullAndAValueInEveryType) {
    OpenWith("select * from EVERY_TYPE order by ID");
    ASSERT_EQ(client->RecordCount(), 2);
    for (int i = 1; i < client->FieldCount(); ++i) {
        TField *f = client->Field(i);
        EXPECT_TRUE(f->IsNull()) << f->FieldName();
        EXPECT_EQ(f->GetString(), "") << f->FieldName();
        EXPECT_FALSE(f->IsNullAt(1)) << f->FieldName();
    }
    client->Next();
    auto text = [&](const char *name) { return client->FieldNamed(name)->GetString(); };
    EXPECT_EQ(text("SI"), "-7");
    EXPECT_EQ(text("BI"), "9000000000");
    EXPECT_EQ(text("F"), "2.5");
    EXPECT_EQ(text("N"), "-1234.56");
    EXPECT_EQ(client->FieldNamed("N")->Type(), DataType::Bcd);
    EXPECT_EQ(client->FieldNamed("N")->Scale(), 2);
    EXPECT_EQ(client->Engine()->Value(1, client->FieldNamed("D")->Column()).date, DbDateFromCivil(2024, 2, 29));
    const FieldValue ts = client->Engine()->Value(1, client->FieldNamed("TS")->Column());
    EXPECT_EQ(ts.date, DbDateFromCivil(2024, 2, 29));
    EXPECT_EQ(ts.time, (8 * 3600u + 9 * 60 + 10) * kTimeFractionsPerSecond);
    EXPECT_EQ(client->Engine()->Value(1, client->FieldNamed("T")->Column()).time,
              (13 * 3600u + 45 * 60 + 30) * kTimeFractionsPerSecond);
    EXPECT_EQ(text("B"), "True");
    EXPECT_EQ(text("S"), "中文字");
    EXPECT_EQ(text("C").substr(0, 2), "ab");
    EXPECT_EQ(text("M"), "長的備註");
    EXPECT_EQ(text("BL"), std::string("\x00\xff\x10", 3));
    EXPECT_EQ(client->Engine()->Property("PRIMARY_KEY"), "ID");
}

TEST_F(ProviderTest, RepeatedColumnNamesAreNumbered) {
    OpenWith("select CUST_ID, CUST_ID, m.CUST_ID from ORDER_MASTER m");
    EXPECT_EQ(client->Field(0)->FieldName(), "CUST_ID");
    EXPECT_EQ(client->Field(1)->FieldName(), "CUST_ID_1");
    EXPECT_EQ(client->Field(2)->FieldName(), "CUST_ID_2");
}

TEST_F(ProviderTest, LocaleCodeIsReadAsHexadecimal) {
    Wire({"LocaleCode=0404"});
    OpenWith("select MASTERBILLID from ORDER_MASTER");
    EXPECT_EQ(client->Engine()->Property("LCID"), "1028");
}

TEST_F(ProviderTest, JoinsCarryNoKeyInformation) {
    OpenWith(
        "select m.MASTERBILLID, s.LINE_NO from ORDER_MASTER m join ORDER_SUB s on s.MASTERBILLID = m.MASTERBILLID");
    EXPECT_EQ(client->Engine()->Property("PRIMARY_KEY"), "");
    OpenWith("select MASTERBILLID, LINE_NO, QTY from ORDER_SUB");
    EXPECT_EQ(client->Engine()->Property("PRIMARY_KEY"), "MASTERBILLID;LINE_NO");
    OpenWith("select LINE_NO, QTY from ORDER_SUB");  // the key's columns are not all there
    EXPECT_EQ(client->Engine()->Property("PRIMARY_KEY"), "");
}

TEST_F(ProviderTest, WiringFailuresHaveTheirOwnMessages) {
    client->SetProviderName("DataSetProvider9");
    client->SetCommandText(kListQuery);
    EXPECT_EQ(Failure([&] { client->Open(); }), "EDatabaseError: ClientDataSet1: Missing data provider or data packet");
    client->SetProviderName("DataSetProvider1");
    provider->Options = 0;
    EXPECT_EQ(Failure([&] { client->Open(); }), "EDatabaseError: CommandText changes are not allowed");
    provider->Options = poAllowCommandText;
    client->SetCommandText("update ORDER_MASTER set REMARK = REMARK where 1 = 0");
    EXPECT_EQ(Failure([&] { client->Open(); }), "EDatabaseError: SQLDataSet1: Cursor not returned from Query");
    EXPECT_FALSE(client->Active());
    EXPECT_FALSE(sql->Active());
}

TEST_F(ProviderTest, WithoutKeepConnectionTheConnectionClosesAfterTheFetch) {
    connection->KeepConnection = false;
    OpenWith(kListQuery);
    EXPECT_FALSE(connection->Connected());
    EXPECT_EQ(client->RecordCount(), kOrders);
    connection->KeepConnection = true;
    OpenWith(kListQuery);
    EXPECT_TRUE(connection->Connected());
}

TEST_F(ProviderTest, ASqlDataSetOutlivingItsConnectionForgetsIt) {
    OpenWith(kListQuery);
    client->Close();
    connection.reset();
    EXPECT_EQ(sql->SQLConnection(), nullptr);
    EXPECT_EQ(sql->PreparedCommand(), nullptr);
    client->SetCommandText("select MASTERBILLID from ORDER_MASTER");
    EXPECT_EQ(Failure([&] { client->Open(); }),
              "EDatabaseError: SQLDataSet1: SQLConnection property required for this operation");
}

TEST_F(ProviderTest, WrittenListLoadsBackEqual) {
    OpenWith(kListQuery);
    client->SetRecNo(3);
    client->Edit();
    client->FieldNamed("SELECT_YN")->SetString("Y");
    client->Post();
    WriteToFile(*client, dir_.file("ORDER_MASTER_20240101.CDS"));
    EXPECT_EQ(client->RecNo(), 3);
    TClientDataSet back("ClientDataSet2");
    LoadFromFile(back, dir_.file("ORDER_MASTER_20240101.CDS"));
    ASSERT_EQ(back.RecordCount(), kOrders);
    EXPECT_EQ(back.Engine()->Columns(), client->Engine()->Columns());
    EXPECT_EQ(back.Engine()->Properties(), client->Engine()->Properties());
    for (int r = 0; r < kOrders; ++r) EXPECT_EQ(back.Engine()->Record(r), client->Engine()->Record(r)) << r;
    EXPECT_EQ(back.Engine()->ChangeLog(), client->Engine()->ChangeLog());
}

// ---- which table a text reads ----

struct TableCase {
    const char *sql;
    const char *table;
};
void PrintTo(const TableCase &c, std::ostream *os) { *os << c.sql; }

class SingleTable : public ::testing::TestWithParam<TableCase> {};

TEST_P(SingleTable, IsFoundOnlyForOneTable) { EXPECT_EQ(SingleTableName(GetParam().sql), GetParam().table); }

INSTANTIATE_TEST_SUITE_P(
    Texts, SingleTable,
    ::testing::Values(
        TableCase{kListQuery, "ORDER_MASTER"},
        TableCase{"select * from order_sub where MASTERBILLID = 'x from y'", "ORDER_SUB"},
        TableCase{"select a.X from ORDER_SUB a order by 1", "ORDER_SUB"},
        TableCase{"select X from ORDER_SUB as a", "ORDER_SUB"}, TableCase{"select X from \"Mixed\"", "Mixed"},
        TableCase{"select (select max(X) from T2) from T1", "T1"}, TableCase{"select * from A, B", ""},
        TableCase{"select * from A join B on A.X = B.X", ""}, TableCase{"select * from A a left join B on 1 = 1", ""},
        TableCase{"select * from (select * from A)", ""}, TableCase{"delete from A", ""}, TableCase{"", ""}));

}  // namespace

namespace {

// A SQL data set with markers: the values are bound at every open, the text
// is prepared once, and a marker without a value refuses to open.
TEST_F(ProviderTest, MarkersTakeTheirValuesAtEveryOpenWithoutPreparingAgain) {
    sql->SetCommandText("SELECT MASTERBILLID FROM ORDER_MASTER WHERE MASTERBILLID IN (:A, :B) ORDER BY 1");
    EXPECT_EQ(Failure([&] { sql->Open(); }), "EDatabaseError: SQLDataSet1: No value for parameter 'A'");
    auto fetch = [&] {
        sql->Open();
        TableEngine rows(sql->Columns());
        sql->FetchAllInto(rows);
        sql->Close();
        std::vector<std::string> numbers;
        for (int row = 0; row < rows.RecordCount(); ++row) numbers.emplace_back(rows.Text(row, 0));
        return numbers;
    };
    sql->Params()[0].SetString(DemoOrderNumber(3));
    sql->Params()[1].SetString(DemoOrderNumber(1));
    EXPECT_EQ(fetch(), (std::vector<std::string>{DemoOrderNumber(1), DemoOrderNumber(3)}));
    sql->Params()[0].SetString(DemoOrderNumber(2));
    sql->Params()[1].SetNull();
    EXPECT_EQ(fetch(), (std::vector<std::string>{DemoOrderNumber(2)}));
    EXPECT_EQ(sql->PrepareCount(), 1);
}

}  // namespace
