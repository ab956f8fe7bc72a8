// Writing a client result set to a file and loading it back.
#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>
#include <sstream>

#include "data/dataset/ClientDataSet.h"
#include "data/dataset/Errors.h"
#include "data/dataset/Field.h"
#include "data/dataset/TableEngine.h"
#include "data/packet/DataSetFile.h"
#include "tests/support/TempDir.h"

namespace {

std::string FileBytes(const std::string &path) {
    std::ifstream in(path, std::ios::binary);
    std::stringstream s;
    s << in.rdbuf();
    return s.str();
}

class ClientDataSetFileTest : public ::testing::Test {
protected:
    ClientDataSetFileTest() : ds("ClientDataSet2") {
        ColumnDesc id;
        id.name = "MASTERBILLID";
        id.size = 20;
        id.required = true;
        ColumnDesc name;
        name.name = "CUST_NAME";
        name.size = 50;
        name.readOnly = true;
        ColumnDesc qty;
        qty.name = "QTY";
        qty.type = DataType::Integer;
        ds.CreateDataSet({id, name, qty});
        for (int i = 1; i <= 3; ++i) {
            ds.Append();
            ds.FieldNamed("MASTERBILLID")->SetString("SO" + std::to_string(i));
            ds.FieldNamed("QTY")->SetString(std::to_string(i * 10));
            ds.Post();
        }
        ds.SetRecNo(2);
    }
    TempDir dir;
    TClientDataSet ds;
};

TEST_F(ClientDataSetFileTest, WrittenFileLoadsBackWithTheSameContent) {
    const std::string path = dir.file("ORDER_MASTER_1.CDS");
    WriteToFile(ds, path);
    TClientDataSet back("ClientDataSet3");
    LoadFromFile(back, path);
    ASSERT_TRUE(back.Active());
    EXPECT_EQ(back.Engine()->Columns(), ds.Engine()->Columns());
    EXPECT_EQ(back.RecordCount(), 3);
    for (int r = 0; r < 3; ++r) EXPECT_EQ(back.Engine()->Record(r), ds.Engine()->Record(r));
    EXPECT_EQ(back.Engine()->ChangeLog(), ds.Engine()->ChangeLog());
    EXPECT_TRUE(back.FieldNamed("CUST_NAME")->ReadOnly());
    EXPECT_TRUE(back.FieldNamed("MASTERBILLID")->Required());
    EXPECT_EQ(back.RecNo(), 1);
}

TEST_F(ClientDataSetFileTest, APendingEditIsPostedAndTheSetStaysOnItsRow) {
    ds.Edit();
    ds.FieldNamed("QTY")->SetString("99");
    const std::string path = dir.file("a.CDS");
    WriteToFile(ds, path);
    EXPECT_EQ(ds.State(), DataSetState::Browse);
    EXPECT_EQ(ds.RecNo(), 2);
    TClientDataSet back;
    LoadFromFile(back, path);
    back.SetRecNo(2);
    EXPECT_EQ(back.FieldNamed("QTY")->GetString(), "99");
}

TEST_F(ClientDataSetFileTest, SameSetTwiceGivesTheSameBytesAndAnOldFileIsReplacedWhole) {
    const std::string a = dir.file("a.CDS"), b = dir.file("b.CDS");
    {
        std::ofstream old(b, std::ios::binary);
        old << std::string(100000, 'x');
    }
    WriteToFile(ds, a);
    WriteToFile(ds, b);
    EXPECT_EQ(FileBytes(a), FileBytes(b));
    EXPECT_NE(FileBytes(a).find("MASTERBILLID"), std::string::npos);
}

TEST_F(ClientDataSetFileTest, AnXmlNameInAnyCaseGivesTheXmlForm) {
    WriteToFile(ds, dir.file("a.XmL"));
    WriteToFile(ds, dir.file("b.CDS"), PacketFormat::Xml);
    WriteToFile(ds, dir.file("c.CDS"));
    EXPECT_EQ(FileBytes(dir.file("a.XmL")).rfind("<?xml", 0), 0u);
    EXPECT_EQ(FileBytes(dir.file("b.CDS")).rfind("<?xml", 0), 0u);
    EXPECT_NE(FileBytes(dir.file("c.CDS")).rfind("<?xml", 0), 0u);
}

TEST_F(ClientDataSetFileTest, AClosedSetWritesNothing) {
    ds.Close();
    EXPECT_NO_THROW(WriteToFile(ds, dir.file("none.CDS")));
    EXPECT_FALSE(std::filesystem::exists(dir.file("none.CDS")));
}

TEST_F(ClientDataSetFileTest, AMissingFolderIsACreateErrorAndTheSetStaysOpen) {
    const std::string path = dir.file("no-such-folder/x.CDS");
    try {
        WriteToFile(ds, path);
        FAIL() << "no failure";
    } catch (const EFCreateError &e) {
        EXPECT_EQ(e.Message(), "Cannot create file \"" + path + "\". No such file or directory");
    }
    EXPECT_TRUE(ds.Active());
    EXPECT_EQ(ds.RecNo(), 2);
}

TEST_F(ClientDataSetFileTest, AFileThatCannotBeReadLeavesTheSetAsItWas) {
    {
        std::ofstream bad(dir.file("bad.CDS"), std::ios::binary);
        bad << "not a packet";
    }
    EXPECT_THROW(LoadFromFile(ds, dir.file("bad.CDS")), EDBClient);
    EXPECT_THROW(LoadFromFile(ds, dir.file("missing.CDS")), EDBClient);
    EXPECT_TRUE(ds.Active());
    EXPECT_EQ(ds.RecordCount(), 3);
    EXPECT_EQ(ds.RecNo(), 2);
}

}  // namespace
