// Announcements to the links of a data source and each link's row window.
#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "data/dataset/ClientDataSet.h"
#include "data/dataset/DataSource.h"
#include "data/dataset/Field.h"
#include "data/dataset/TableEngine.h"

namespace {

// Writes down every announcement with the window as it stands then.
class RecordingLink : public TDataLink {
public:
    std::vector<std::string> events;
    void ActiveChanged() override { Note("active"); }
    void DataSetChanged() override { Note("changed"); }
    void DataSetScrolled(int distance) override { Note("scrolled " + std::to_string(distance)); }
    void RecordChanged(TField *field) override { Note("record " + (field ? field->FieldName() : std::string())); }
    void EditingChanged() override { Note("state"); }
    void LayoutChanged() override { Note("layout"); }
    // "first/active/count" of the window.
    std::string Window() const {
        return std::to_string(FirstRow()) + "/" + std::to_string(ActiveRecord()) + "/" + std::to_string(RecordCount());
    }
    std::vector<std::string> Take() { return std::exchange(events, {}); }

private:
    void Note(const std::string &what) { events.push_back(what + " " + Window()); }
};

// "ClientDataSet1" with rows R0..R(n-1), a source and a link of 3 rows.
class DataSourceTest : public ::testing::Test {
protected:
    void Open(int rows, int buffer = 3) {
        ColumnDesc id;
        id.name = "ID";
        id.size = 10;
        ColumnDesc flag;
        flag.name = "SELECT_YN";
        flag.size = 1;
        ds.CreateDataSet({id, flag});
        for (int i = 0; i < rows; ++i) {
            ds.Append();
            ds.FieldNamed("ID")->SetString("R" + std::to_string(i));
            ds.FieldNamed("SELECT_YN")->SetString("N");
            ds.Post();
        }
        source.SetDataSet(&ds);
        link.SetDataSource(&source);
        link.SetBufferCount(buffer);
        ds.First();
        link.Take();
    }
    // The IDs the link's window shows, top to bottom.
    std::vector<std::string> Shown() const {
        std::vector<std::string> ids;
        for (int i = 0; i < link.RecordCount(); ++i) ids.push_back(ds.FieldNamed("ID")->DisplayTextAt(link.RowAt(i)));
        return ids;
    }
    using Events = std::vector<std::string>;

    TClientDataSet ds{"ClientDataSet1"};
    TDataSource source{"DataSource1"};
    RecordingLink link;
};

TEST_F(DataSourceTest, OpeningAndClosingAreAnnouncedWithTheWindowFromTheTop) {
    ColumnDesc id;
    id.name = "ID";
    source.SetDataSet(&ds);
    link.SetDataSource(&source);
    link.SetBufferCount(3);
    EXPECT_FALSE(link.Active());
    ds.CreateDataSet({id});
    EXPECT_EQ(link.Take(), (Events{"active 0/0/0"}));
    ds.Close();
    EXPECT_EQ(link.Take(), (Events{"active 0/0/0"}));
    EXPECT_FALSE(link.Active());
}

TEST_F(DataSourceTest, ALinkSeesTheClosedStateWhileTheFieldsStillExist) {
    Open(2);
    struct Probe : TDataLink {
        bool sawActive = true;
        int fields = -1;
        void ActiveChanged() override {
            sawActive = DataSet()->Active();
            fields = DataSet()->FieldCount();
        }
    } probe;
    probe.SetDataSource(&source);
    ds.Close();
    EXPECT_FALSE(probe.sawActive);
    EXPECT_EQ(probe.fields, 2);
}

struct WindowCase {
    const char *name;
    int rows;
    std::function<void(TClientDataSet &)> act;
    std::vector<std::string> events;  // each with "first/active/count" after it
    std::vector<std::string> shown;
};
void PrintTo(const WindowCase &c, std::ostream *os) { *os << c.name; }

class RowWindow : public DataSourceTest, public ::testing::WithParamInterface<WindowCase> {};

TEST_P(RowWindow, FollowsTheCurrentRow) {
    const WindowCase &c = GetParam();
    Open(c.rows);
    c.act(ds);
    EXPECT_EQ(link.Take(), c.events);
    EXPECT_EQ(Shown(), c.shown);
    EXPECT_EQ(link.RowAt(link.ActiveRecord()), ds.CurrentRow());
}

INSTANTIATE_TEST_SUITE_P(
    Moves, RowWindow,
    ::testing::Values(
        WindowCase{"MovesInsideOnlyChangeTheActiveRecord",
                   10,
                   [](auto &d) {
                       d.Next();
                       d.Next();
                   },
                   {"scrolled 0 0/1/3", "scrolled 0 0/2/3"},
                   {"R0", "R1", "R2"}},
        WindowCase{"AMovePastTheBottomShiftsByOne",
                   10,
                   [](auto &d) {
                       d.MoveBy(2);
                       d.Next();
                   },
                   {"scrolled 0 0/2/3", "scrolled 1 1/2/3"},
                   {"R1", "R2", "R3"}},
        WindowCase{"AJumpShiftsByAsManyRowsAsNeeded",
                   10,
                   [](auto &d) { d.MoveBy(6); },
                   {"scrolled 4 4/2/3"},
                   {"R4", "R5", "R6"}},
        WindowCase{"AMovePastTheTopShiftsBack",
                   10,
                   [](auto &d) {
                       d.Last();
                       d.MoveBy(-3);
                   },
                   {"changed 7/2/3", "scrolled -1 6/0/3"},
                   {"R6", "R7", "R8"}},
        WindowCase{"LastFillsUpToTheLastRow", 10, [](auto &d) { d.Last(); }, {"changed 7/2/3"}, {"R7", "R8", "R9"}},
        WindowCase{"FirstFillsFromTheFirstRow",
                   10,
                   [](auto &d) {
                       d.Last();
                       d.First();
                   },
                   {"changed 7/2/3", "changed 0/0/3"},
                   {"R0", "R1", "R2"}},
        WindowCase{
            "SetRecNoPutsTheRowInTheMiddle", 10, [](auto &d) { d.SetRecNo(6); }, {"changed 4/1/3"}, {"R4", "R5", "R6"}},
        WindowCase{"SetRecNoNearTheEndKeepsTheWindowFull",
                   10,
                   [](auto &d) { d.SetRecNo(10); },
                   {"changed 7/2/3"},
                   {"R7", "R8", "R9"}},
        WindowCase{"NextOnTheLastRowAnnouncesNothing",
                   3,
                   [](auto &d) {
                       d.Last();
                       d.Next();
                   },
                   {"changed 0/2/3"},
                   {"R0", "R1", "R2"}},
        WindowCase{"FewerRowsThanTheWindow", 2, [](auto &d) { d.Next(); }, {"scrolled 0 0/1/2"}, {"R0", "R1"}},
        WindowCase{"PostKeepsThePositionAndShowsTheNewValue",
                   10,
                   [](auto &d) {
                       d.MoveBy(4);
                       d.Edit();
                       d.FieldNamed("ID")->SetString("X");
                       d.Post();
                   },
                   {"scrolled 2 2/2/3", "state 2/2/3", "record ID 2/2/3", "changed 2/2/3", "state 2/2/3"},
                   {"R2", "R3", "X"}},
        WindowCase{"CancelKeepsThePosition",
                   10,
                   [](auto &d) {
                       d.Next();
                       d.Edit();
                       d.Cancel();
                   },
                   {"scrolled 0 0/1/3", "state 0/1/3", "changed 0/1/3", "state 0/1/3"},
                   {"R0", "R1", "R2"}},
        WindowCase{"DeletingTheLastRowKeepsItsPlaceAtTheBottom",
                   10,
                   [](auto &d) {
                       d.Last();
                       d.Delete();
                   },
                   {"changed 7/2/3", "changed 6/2/3"},
                   {"R6", "R7", "R8"}},
        WindowCase{"DeletingInTheMiddleReloadsAround",
                   10,
                   [](auto &d) {
                       d.Next();
                       d.Delete();
                   },
                   {"scrolled 0 0/1/3", "changed 0/1/3"},
                   {"R0", "R2", "R3"}},
        WindowCase{"InsertShowsTheNewRowInPlace",
                   10,
                   [](auto &d) {
                       d.Next();
                       d.Insert();
                   },
                   {"scrolled 0 0/1/3", "changed 0/1/3", "state 0/1/3"},
                   {"R0", "", "R1"}},
        WindowCase{"AppendShowsTheNewRowAtTheBottom",
                   10,
                   [](auto &d) { d.Append(); },
                   {"changed 8/2/3", "state 8/2/3"},
                   {"R8", "R9", ""}},
        WindowCase{"CancellingAnAppendGoesBack",
                   10,
                   [](auto &d) {
                       d.Append();
                       d.Cancel();
                   },
                   {"changed 8/2/3", "state 8/2/3", "changed 0/0/3", "state 0/0/3"},
                   {"R0", "R1", "R2"}}),
    [](const auto &p) { return std::string(p.param.name); });

TEST_F(DataSourceTest, EditBufferShowsInTheWindowBeforeThePost) {
    Open(5);
    ds.Next();
    ds.Edit();
    ds.FieldNamed("SELECT_YN")->SetString("Y");
    EXPECT_EQ(ds.FieldNamed("SELECT_YN")->DisplayTextAt(1), "Y");
    EXPECT_EQ(ds.FieldNamed("SELECT_YN")->DisplayTextAt(0), "N");
    ds.Cancel();
    EXPECT_EQ(ds.FieldNamed("SELECT_YN")->DisplayTextAt(1), "N");
}

TEST_F(DataSourceTest, GrowingTheWindowFillsItAndKeepsTheCurrentRowInside) {
    Open(10);
    ds.Last();
    link.SetBufferCount(5);
    EXPECT_EQ(link.Window(), "5/4/5");
    link.SetBufferCount(1);
    EXPECT_EQ(link.Window(), "9/0/1");
    link.SetBufferCount(0);  // never below one row
    EXPECT_EQ(link.BufferCount(), 1);
}

TEST_F(DataSourceTest, HeldBackAnnouncementsEndInOneLayoutChange) {
    Open(5);
    ds.DisableControls();
    ds.DisableControls();
    EXPECT_TRUE(ds.ControlsDisabled());
    ds.FieldNamed("SELECT_YN")->SetIndex(0);
    ds.FieldNamed("ID")->SetVisible(false);
    ds.FieldNamed("SELECT_YN")->SetDisplayWidth(1);
    ds.Next();
    ds.EnableControls();
    EXPECT_TRUE(link.Take().empty());
    ds.EnableControls();
    EXPECT_FALSE(ds.ControlsDisabled());
    EXPECT_EQ(link.Take(), (Events{"layout 0/1/3"}));
    EXPECT_EQ(ds.Field(0)->FieldName(), "SELECT_YN");
}

TEST_F(DataSourceTest, HeldBackMovesEndInOneReload) {
    Open(10);
    ds.DisableControls();
    ds.MoveBy(7);
    ds.Edit();
    ds.EnableControls();
    EXPECT_EQ(link.Take(), (Events{"state 5/2/3", "changed 5/2/3"}));
}

TEST_F(DataSourceTest, EveryLinkOfEverySourceHearsAndKeepsItsOwnWindow) {
    Open(10);
    TDataSource second("DataSource2");
    second.SetDataSet(&ds);
    RecordingLink big;
    big.SetDataSource(&second);
    big.SetBufferCount(6);
    big.Take();
    ds.MoveBy(4);
    EXPECT_EQ(link.Take(), (Events{"scrolled 2 2/2/3"}));
    EXPECT_EQ(big.Take(), (Events{"scrolled 0 0/4/6"}));
}

// A link keeps the data set's standing from the announcements; a handler that
// moves the data set while an announcement goes round must not leave a later
// link with the standing from before the move.
TEST_F(DataSourceTest, AHandlerThatMovesTheDataSetLeavesEveryWindowRight) {
    Open(10);
    struct Mover : TDataLink {
        bool moved = false;
        void EditingChanged() override {
            if (std::exchange(moved, true)) return;
            DataSet()->Post();
            DataSet()->MoveBy(5);
        }
    } mover;
    link.SetDataSource(nullptr);
    mover.SetDataSource(&source);  // hears each announcement before `link`
    link.SetDataSource(&source);
    ds.Edit();
    EXPECT_EQ(ds.CurrentRow(), 5);
    EXPECT_EQ(link.RowAt(link.ActiveRecord()), 5);
    EXPECT_EQ(link.Window(), "3/2/3");
    EXPECT_EQ(mover.RowAt(mover.ActiveRecord()), 5);
}

TEST_F(DataSourceTest, ALinkWhoseSourceIsGoneShowsNothing) {
    Open(5);
    ds.MoveBy(3);
    {
        TDataSource shortLived("DataSource2");
        shortLived.SetDataSet(&ds);
        link.SetDataSource(&shortLived);
        EXPECT_EQ(link.Window(), "1/2/3");
    }
    EXPECT_FALSE(link.Active());
    EXPECT_EQ(link.DataSet(), nullptr);
    EXPECT_EQ(link.Window(), "0/0/0");
}

TEST_F(DataSourceTest, DestroyingEitherEndDetachesCleanly) {
    Open(3);
    {
        RecordingLink shortLived;
        shortLived.SetDataSource(&source);
    }
    EXPECT_EQ(source.Links().size(), 1u);
    {
        TClientDataSet other("ClientDataSet2");
        ColumnDesc id;
        id.name = "ID";
        other.CreateDataSet({id});
        source.SetDataSet(&other);
        link.Take();
    }
    EXPECT_EQ(source.DataSet(), nullptr);
    EXPECT_EQ(link.Take(), (Events{"active 0/0/0"}));
    EXPECT_FALSE(link.Active());
}

}  // namespace
