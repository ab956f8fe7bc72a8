// The client result set over the table engine alone (CreateDataSet): moves,
// the edit life cycle and the failures with their exact messages.
#include <gtest/gtest.h>

#include <functional>

#include "data/dataset/ClientDataSet.h"
#include "data/dataset/Errors.h"
#include "data/dataset/Field.h"
#include "data/dataset/TableEngine.h"

namespace {

std::vector<ColumnDesc> OrderColumns() {
    std::vector<ColumnDesc> c(4);
    c[0].name = "MASTERBILLID";
    c[0].type = DataType::String;
    c[0].size = 20;
    c[0].required = true;
    c[1].name = "QTY";
    c[1].type = DataType::Integer;
    c[2].name = "CUST_NAME";
    c[2].type = DataType::String;
    c[2].size = 10;
    c[2].readOnly = true;
    c[3].name = "SELECT_YN";
    c[3].type = DataType::String;
    c[3].size = 1;
    return c;
}

// "ClientDataSet1" holding rows SO1, SO2, ... (QTY 1, 2, ..., SELECT_YN "N");
// LogSize() counts the changes logged after the rows were added.
class ClientDataSetTest : public ::testing::Test {
protected:
    ClientDataSetTest() : ds("ClientDataSet1") {}

    void Fill(int rows) {
        ds.CreateDataSet(OrderColumns());
        for (int i = 1; i <= rows; ++i) {
            ds.Append();
            ds.FieldNamed("MASTERBILLID")->SetString("SO" + std::to_string(i));
            ds.FieldNamed("QTY")->SetString(std::to_string(i));
            ds.FieldNamed("SELECT_YN")->SetString("N");
            ds.Post();
        }
        ds.First();
        logBase = ds.Engine()->ChangeLog().size();
    }
    std::string Id() const { return ds.FieldNamed("MASTERBILLID")->GetString(); }
    size_t LogSize() const { return ds.Engine()->ChangeLog().size() - logBase; }

    TClientDataSet ds;
    size_t logBase = 0;
};

std::string MessageOf(const std::function<void()> &action) {
    try {
        action();
    } catch (const Exception &e) {
        return e.ClassName() + ": " + e.Message();
    }
    return "(no failure)";
}

// ---- a closed result set ----

struct ClosedCase {
    const char *name;
    std::function<void(TClientDataSet &)> action;
};
void PrintTo(const ClosedCase &c, std::ostream *os) { *os << c.name; }

class ClosedDataSet : public ::testing::TestWithParam<ClosedCase> {};

TEST_P(ClosedDataSet, RefusesWithThePrefixedClosedMessage) {
    TClientDataSet ds("ClientDataSet1");
    EXPECT_EQ(MessageOf([&] { GetParam().action(ds); }),
              "EDatabaseError: ClientDataSet1: Cannot perform this operation on a closed dataset");
}

INSTANTIATE_TEST_SUITE_P(Operations, ClosedDataSet,
                         ::testing::Values(ClosedCase{"RecordCount", [](TClientDataSet &d) { d.RecordCount(); }},
                                           ClosedCase{"First", [](TClientDataSet &d) { d.First(); }},
                                           ClosedCase{"Next", [](TClientDataSet &d) { d.Next(); }},
                                           ClosedCase{"Prior", [](TClientDataSet &d) { d.Prior(); }},
                                           ClosedCase{"MoveBy", [](TClientDataSet &d) { d.MoveBy(2); }},
                                           ClosedCase{"Last", [](TClientDataSet &d) { d.Last(); }},
                                           ClosedCase{"Edit", [](TClientDataSet &d) { d.Edit(); }},
                                           ClosedCase{"Insert", [](TClientDataSet &d) { d.Insert(); }},
                                           ClosedCase{"Append", [](TClientDataSet &d) { d.Append(); }},
                                           ClosedCase{"Delete", [](TClientDataSet &d) { d.Delete(); }},
                                           ClosedCase{"SetRecNo", [](TClientDataSet &d) { d.SetRecNo(1); }}),
                         [](const auto &p) { return std::string(p.param.name); });

TEST(ClosedDataSetQuiet, PostCancelCloseAndFlagsRaiseNothing) {
    TClientDataSet ds("ClientDataSet1");
    EXPECT_NO_THROW(ds.Post());
    EXPECT_NO_THROW(ds.Cancel());
    EXPECT_NO_THROW(ds.Close());
    EXPECT_FALSE(ds.Active());
    EXPECT_EQ(ds.RecNo(), 0);
    EXPECT_EQ(ds.FieldCount(), 0);
    EXPECT_EQ(MessageOf([&] { ds.FieldNamed("SELECT_YN"); }),
              "EDatabaseError: ClientDataSet1: Field 'SELECT_YN' not found");
}

// ---- moves: position and flags ----

struct MoveCase {
    const char *name;
    int startRecNo;
    std::function<int(TClientDataSet &)> move;  // returns MoveBy's result where it has one
    int recNo;
    bool atStart;
    bool atEnd;
    int returned;
};
void PrintTo(const MoveCase &c, std::ostream *os) { *os << c.name; }

class Moves : public ClientDataSetTest, public ::testing::WithParamInterface<MoveCase> {};

TEST_P(Moves, LandOnTheRowWithTheFlags) {
    const MoveCase &c = GetParam();
    Fill(3);
    ds.SetRecNo(c.startRecNo);
    EXPECT_EQ(c.move(ds), c.returned);
    EXPECT_EQ(ds.RecNo(), c.recNo);
    EXPECT_EQ(ds.AtStart(), c.atStart);
    EXPECT_EQ(ds.AtEnd(), c.atEnd);
    EXPECT_EQ(Id(), "SO" + std::to_string(c.recNo));
}

int Do(void (TClientDataSet::*op)(), TClientDataSet &d) {
    (d.*op)();
    return 0;
}

INSTANTIATE_TEST_SUITE_P(
    Table, Moves,
    ::testing::Values(
        MoveCase{"FirstFromTheMiddle", 2, [](auto &d) { return Do(&TClientDataSet::First, d); }, 1, true, false, 0},
        MoveCase{"NextInside", 1, [](auto &d) { return Do(&TClientDataSet::Next, d); }, 2, false, false, 0},
        MoveCase{"NextOnTheLastRowSetsEndAndStays", 3, [](auto &d) { return Do(&TClientDataSet::Next, d); }, 3, false,
                 true, 0},
        MoveCase{"PriorInside", 3, [](auto &d) { return Do(&TClientDataSet::Prior, d); }, 2, false, false, 0},
        MoveCase{"PriorOnTheFirstRowSetsStartAndStays", 1, [](auto &d) { return Do(&TClientDataSet::Prior, d); }, 1,
                 true, false, 0},
        MoveCase{"LastSetsEnd", 1, [](auto &d) { return Do(&TClientDataSet::Last, d); }, 3, false, true, 0},
        MoveCase{"MoveByInside", 1, [](auto &d) { return d.MoveBy(2); }, 3, false, false, 2},
        MoveCase{"MoveByPastTheEndStopsThere", 1, [](auto &d) { return d.MoveBy(5); }, 3, false, true, 2},
        MoveCase{"MoveByBackPastTheStartStopsThere", 3, [](auto &d) { return d.MoveBy(-7); }, 1, true, false, -2},
        MoveCase{"MoveByZeroStays", 2, [](auto &d) { return d.MoveBy(0); }, 2, false, false, 0},
        MoveCase{"SetRecNo", 1,
                 [](auto &d) {
                     d.SetRecNo(3);
                     return 0;
                 },
                 3, false, false, 0}),
    [](const auto &p) { return std::string(p.param.name); });

TEST_F(ClientDataSetTest, NextAfterTheEndChangesNothingMore) {
    Fill(3);
    ds.Last();
    ds.Next();
    ds.Next();
    EXPECT_EQ(ds.RecNo(), 3);
    EXPECT_TRUE(ds.AtEnd());
}

TEST_F(ClientDataSetTest, EmptySetIsAtEndAfterFirstAndWalksNowhere) {
    Fill(0);
    EXPECT_EQ(ds.RecordCount(), 0);
    ds.First();
    EXPECT_TRUE(ds.AtEnd());
    EXPECT_EQ(ds.RecNo(), 0);
    EXPECT_EQ(ds.MoveBy(3), 0);
    EXPECT_EQ(ds.FieldNamed("SELECT_YN")->GetString(), "");
    EXPECT_EQ(MessageOf([&] { ds.SetRecNo(1); }).rfind("EDBClient: ", 0), 0u);
}

TEST_F(ClientDataSetTest, SetRecNoOutsideTheRowsIsAnEngineStatus) {
    Fill(3);
    for (int n : {0, 4, -1}) {
        try {
            ds.SetRecNo(n);
            ADD_FAILURE() << n;
        } catch (const EDBClient &e) {
            EXPECT_NE(e.Message().find("out of range"), std::string::npos) << e.Message();
        }
        EXPECT_EQ(ds.RecNo(), 1);
    }
}

// ---- fields ----

TEST_F(ClientDataSetTest, FieldsAreFoundWithoutRegardToCase) {
    Fill(1);
    EXPECT_EQ(ds.FieldNamed("select_yn"), ds.FieldNamed("SELECT_YN"));
    EXPECT_EQ(ds.FindField("Select_Yn")->FieldName(), "SELECT_YN");
    EXPECT_EQ(ds.FindField("NOPE"), nullptr);
    EXPECT_EQ(MessageOf([&] { ds.FieldNamed("nope"); }), "EDatabaseError: ClientDataSet1: Field 'nope' not found");
    EXPECT_EQ(ds.FieldCount(), 4);
    EXPECT_EQ(ds.Field(3)->FieldName(), "SELECT_YN");
    EXPECT_EQ(MessageOf([&] { ds.Field(4); }), "EListError: List index out of bounds (4)");
}

// ---- edit life cycle ----

TEST_F(ClientDataSetTest, EditSetPostKeepsTheValueAndLogsTheChange) {
    Fill(3);
    ds.Edit();
    EXPECT_EQ(ds.State(), DataSetState::Edit);
    EXPECT_FALSE(ds.Modified());
    ds.FieldNamed("SELECT_YN")->SetString("Y");
    EXPECT_TRUE(ds.Modified());
    EXPECT_EQ(ds.FieldNamed("SELECT_YN")->GetString(), "Y");
    ds.Post();
    EXPECT_EQ(ds.State(), DataSetState::Browse);
    EXPECT_FALSE(ds.Modified());
    EXPECT_EQ(LogSize(), 1u);
    ds.Next();
    ds.First();
    EXPECT_EQ(ds.FieldNamed("SELECT_YN")->GetString(), "Y");
    EXPECT_EQ(ds.FieldNamed("MASTERBILLID")->GetString(), "SO1");
}

TEST_F(ClientDataSetTest, EveryMoveFinishesAPendingEdit) {
    const std::vector<std::pair<const char *, std::function<void(TClientDataSet &)>>> moves = {
        {"First", [](auto &d) { d.First(); }},
        {"Next", [](auto &d) { d.Next(); }},
        {"Prior", [](auto &d) { d.Prior(); }},
        {"Last", [](auto &d) { d.Last(); }},
        {"MoveBy", [](auto &d) { d.MoveBy(1); }},
        {"SetRecNo", [](auto &d) { d.SetRecNo(3); }},
        {"Insert", [](auto &d) {
             d.Insert();
             d.Cancel();
         }}};
    for (const auto &[name, move] : moves) {
        SCOPED_TRACE(name);
        Fill(3);
        ds.SetRecNo(2);
        ds.Edit();
        ds.FieldNamed("SELECT_YN")->SetString("Y");  // changed: posted
        move(ds);
        EXPECT_EQ(ds.State(), DataSetState::Browse);
        ds.SetRecNo(2);
        EXPECT_EQ(ds.FieldNamed("SELECT_YN")->GetString(), "Y");
        size_t logged = LogSize();
        ds.Edit();  // unchanged: cancelled, nothing logged
        move(ds);
        EXPECT_EQ(ds.State(), DataSetState::Browse);
        EXPECT_EQ(LogSize(), logged);
    }
}

TEST_F(ClientDataSetTest, CancelDropsTheChange) {
    Fill(3);
    ds.Edit();
    ds.FieldNamed("SELECT_YN")->SetString("Y");
    ds.Cancel();
    EXPECT_EQ(ds.State(), DataSetState::Browse);
    EXPECT_EQ(ds.FieldNamed("SELECT_YN")->GetString(), "N");
    EXPECT_EQ(LogSize(), 0u);
}

TEST_F(ClientDataSetTest, CloseDiscardsAPendingEditAndTheRows) {
    Fill(3);
    ds.Edit();
    ds.FieldNamed("SELECT_YN")->SetString("Y");
    ds.Close();
    EXPECT_FALSE(ds.Active());
    EXPECT_EQ(ds.State(), DataSetState::Inactive);
    EXPECT_EQ(ds.Engine(), nullptr);
    EXPECT_FALSE(ds.Modified());
}

TEST_F(ClientDataSetTest, EditTwiceKeepsTheEditBuffer) {
    Fill(2);
    ds.Edit();
    ds.FieldNamed("SELECT_YN")->SetString("Y");
    ds.Edit();
    EXPECT_EQ(ds.FieldNamed("SELECT_YN")->GetString(), "Y");
    EXPECT_TRUE(ds.Modified());
}

TEST_F(ClientDataSetTest, EditOnAnEmptySetStartsANewRow) {
    Fill(0);
    ds.Edit();
    EXPECT_EQ(ds.State(), DataSetState::Insert);
    ds.FieldNamed("MASTERBILLID")->SetString("SO9");
    ds.Post();
    EXPECT_EQ(ds.RecordCount(), 1);
    EXPECT_EQ(Id(), "SO9");
}

TEST_F(ClientDataSetTest, InsertPlacesTheNewRowBeforeTheCurrentOne) {
    Fill(3);
    ds.SetRecNo(2);
    ds.Insert();
    EXPECT_EQ(ds.State(), DataSetState::Insert);
    EXPECT_EQ(ds.CurrentRow(), 1);
    EXPECT_EQ(ds.DisplayRowCount(), 4);
    EXPECT_TRUE(ds.FieldNamed("MASTERBILLID")->IsNull());
    // The rows around the new one still read their own values.
    EXPECT_EQ(ds.FieldNamed("MASTERBILLID")->GetStringAt(0), "SO1");
    EXPECT_EQ(ds.FieldNamed("MASTERBILLID")->GetStringAt(2), "SO2");
    ds.FieldNamed("MASTERBILLID")->SetString("NEW");
    ds.Post();
    EXPECT_EQ(ds.RecordCount(), 4);
    std::vector<std::string> ids;
    for (ds.First(); !ds.AtEnd(); ds.Next()) ids.push_back(Id());
    EXPECT_EQ(ids, (std::vector<std::string>{"SO1", "NEW", "SO2", "SO3"}));
}

TEST_F(ClientDataSetTest, AppendAddsAtTheEndAndCancelRemovesTheNewRow) {
    Fill(3);
    ds.SetRecNo(2);
    ds.Append();
    EXPECT_EQ(ds.CurrentRow(), 3);
    ds.FieldNamed("MASTERBILLID")->SetString("NEW");
    ds.Cancel();
    EXPECT_EQ(ds.RecordCount(), 3);
    EXPECT_EQ(ds.RecNo(), 2);
    ds.Append();
    ds.FieldNamed("MASTERBILLID")->SetString("NEW");
    ds.Post();
    ds.Last();
    EXPECT_EQ(Id(), "NEW");
}

TEST_F(ClientDataSetTest, AnUnchangedNewRowIsDroppedByTheNextMove) {
    Fill(2);
    ds.Append();
    ds.First();
    EXPECT_EQ(ds.RecordCount(), 2);
}

TEST_F(ClientDataSetTest, DeleteMakesTheFollowingRowCurrentOrThePreviousAtTheEnd) {
    Fill(3);
    ds.SetRecNo(2);
    ds.Delete();
    EXPECT_EQ(ds.RecordCount(), 2);
    EXPECT_EQ(Id(), "SO3");
    ds.Delete();
    EXPECT_EQ(Id(), "SO1");
    ds.Delete();
    EXPECT_EQ(ds.RecordCount(), 0);
    EXPECT_EQ(ds.RecNo(), 0);
    EXPECT_TRUE(ds.AtEnd());
    EXPECT_EQ(MessageOf([&] { ds.Delete(); }),
              "EDatabaseError: ClientDataSet1: Cannot perform this operation on an empty dataset");
}

TEST_F(ClientDataSetTest, DeleteInInsertModeIsCancelAndInEditModeDropsTheChange) {
    Fill(2);
    ds.Insert();
    ds.Delete();
    EXPECT_EQ(ds.RecordCount(), 2);
    EXPECT_EQ(Id(), "SO1");
    ds.Edit();
    ds.FieldNamed("SELECT_YN")->SetString("Y");
    ds.Delete();
    EXPECT_EQ(ds.State(), DataSetState::Browse);
    EXPECT_EQ(Id(), "SO2");
    EXPECT_EQ(ds.FieldNamed("SELECT_YN")->GetString(), "N");
}

// ---- failures while editing ----

TEST_F(ClientDataSetTest, EditingFailuresCarryTheirMessages) {
    Fill(2);
    TField *flag = ds.FieldNamed("SELECT_YN");
    EXPECT_EQ(MessageOf([&] { flag->SetString("Y"); }),
              "EDatabaseError: ClientDataSet1: Dataset not in edit or insert mode");
    EXPECT_EQ(MessageOf([&] { flag->Clear(); }), "EDatabaseError: ClientDataSet1: Dataset not in edit or insert mode");
    ds.Edit();
    EXPECT_EQ(MessageOf([&] { ds.FieldNamed("CUST_NAME")->SetString("x"); }),
              "EDatabaseError: Field 'CUST_NAME' cannot be modified");
    EXPECT_EQ(MessageOf([&] { ds.FieldNamed("QTY")->SetString("abc"); }),
              "EConvertError: 'abc' is not a valid integer value");
    // A text longer than the column is refused by the engine, not cut short.
    EXPECT_EQ(MessageOf([&] { flag->SetString("YY"); }).rfind("EDBClient: ", 0), 0u);
    EXPECT_EQ(flag->GetString(), "N");
    ds.FieldNamed("MASTERBILLID")->Clear();
    EXPECT_EQ(MessageOf([&] { ds.Post(); }), "EDatabaseError: Field 'MASTERBILLID' must have a value");
    EXPECT_EQ(ds.State(), DataSetState::Edit);
    ds.Cancel();
    EXPECT_EQ(Id(), "SO1");
}

TEST_F(ClientDataSetTest, ARequiredFieldLeftEmptyInANewRowStopsThePost) {
    Fill(1);
    ds.Append();
    ds.FieldNamed("SELECT_YN")->SetString("Y");
    EXPECT_EQ(MessageOf([&] { ds.Post(); }), "EDatabaseError: Field 'MASTERBILLID' must have a value");
    EXPECT_EQ(MessageOf([&] { ds.Next(); }), "EDatabaseError: Field 'MASTERBILLID' must have a value");
    EXPECT_EQ(ds.State(), DataSetState::Insert);
}

TEST_F(ClientDataSetTest, AReadOnlySetRefusesChanges) {
    Fill(2);
    ds.SetReadOnly(true);
    EXPECT_FALSE(ds.CanModify());
    for (auto op : {&TClientDataSet::Edit, &TClientDataSet::Insert, &TClientDataSet::Append, &TClientDataSet::Delete})
        EXPECT_EQ(MessageOf([&] { (ds.*op)(); }), "EDatabaseError: ClientDataSet1: Cannot modify a read-only dataset");
    EXPECT_EQ(ds.RecordCount(), 2);
}

TEST_F(ClientDataSetTest, SelectAllWalkMarksEveryRow) {
    Fill(5);
    for (ds.First(); !ds.AtEnd(); ds.Next()) {
        ds.Edit();
        ds.FieldNamed("SELECT_YN")->SetString("Y");
        ds.Post();
    }
    ds.First();
    EXPECT_EQ(ds.RecNo(), 1);
    for (int row = 0; row < 5; ++row) EXPECT_EQ(ds.FieldNamed("SELECT_YN")->GetStringAt(row), "Y");
}

}  // namespace
