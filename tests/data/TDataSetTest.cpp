#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "VectorDataSet.h"
#include "mysql/client/DAErrors.h"

namespace brevant::test {
namespace {

std::vector<ColumnDef> Columns() {
    return {{u"id", ftInteger}, {u"name", ftString, 20}, {u"amount", ftFloat}};
}

// Records every dataset notification by name.
struct EventLog {
    std::vector<std::string> Events;
    void Attach(TDataSet& ds) {
        auto on = [this](const char* name) { return [this, name](TDataSet&) { Events.push_back(name); }; };
        ds.BeforeOpen = on("BeforeOpen");
        ds.AfterOpen = on("AfterOpen");
        ds.BeforeClose = on("BeforeClose");
        ds.AfterClose = on("AfterClose");
        ds.BeforeScroll = on("BeforeScroll");
        ds.AfterScroll = on("AfterScroll");
        ds.BeforeEdit = on("BeforeEdit");
        ds.AfterEdit = on("AfterEdit");
        ds.BeforeInsert = on("BeforeInsert");
        ds.AfterInsert = on("AfterInsert");
        ds.OnNewRecord = on("OnNewRecord");
        ds.BeforePost = on("BeforePost");
        ds.AfterPost = on("AfterPost");
        ds.BeforeCancel = on("BeforeCancel");
        ds.AfterCancel = on("AfterCancel");
        ds.BeforeDelete = on("BeforeDelete");
        ds.AfterDelete = on("AfterDelete");
    }
    int Count(const std::string& name) const { return static_cast<int>(std::count(Events.begin(), Events.end(), name)); }
    std::vector<std::string> Take() { return std::exchange(Events, {}); }
};

using Events = std::vector<std::string>;

struct ThreeRows : ::testing::Test {
    EventLog log;  // outlives the dataset, whose close it records
    VectorDataSet ds{Columns()};
    void SetUp() override {
        ds.AddRow({"1", "one", "1.5"});
        ds.AddRow({"2", "two", ""});
        ds.AddRow({"3", "three", "3.25"});
        log.Attach(ds);
    }
};

TEST(DataSetOpen, EmptyResultOpensWithoutScrollNotification) {
    EventLog log;
    VectorDataSet ds(Columns());
    log.Attach(ds);
    ds.Open();
    EXPECT_EQ(log.Take(), (Events{"BeforeOpen", "AfterOpen"}));
    EXPECT_TRUE(ds.Active());
    EXPECT_EQ(ds.State(), dsBrowse);
    EXPECT_EQ(ds.RecordCount(), 0);
    EXPECT_EQ(ds.RecNo(), 0);
    EXPECT_TRUE(ds.Eof());
    EXPECT_TRUE(ds.Bof());
    EXPECT_TRUE(ds.IsEmpty());
    EXPECT_EQ(ds.FieldCount(), 3);
    EXPECT_TRUE(ds.FieldByName(u"NAME").IsNull());
    ds.Next();
    ds.Prior();
    EXPECT_TRUE(log.Take().empty());
}

TEST_F(ThreeRows, NextFiresAfterScrollUntilTheEndThenNothing) {
    ds.Open();
    EXPECT_EQ(log.Take(), (Events{"BeforeOpen", "AfterOpen", "AfterScroll"}));
    EXPECT_EQ(ds.RecNo(), 1);
    EXPECT_TRUE(ds.Bof());
    EXPECT_FALSE(ds.Eof());
    for (int i = 0; i < 3; ++i) ds.Next();
    EXPECT_EQ(log.Count("AfterScroll"), 3);
    EXPECT_EQ(log.Count("BeforeScroll"), 3);
    EXPECT_TRUE(ds.Eof());
    EXPECT_EQ(ds.RecNo(), 3);
    EXPECT_EQ(ds.FieldByName(u"name").AsString(), u"three");
    log.Take();
    ds.Next();
    EXPECT_TRUE(log.Take().empty());
    EXPECT_EQ(ds.RecNo(), 3);
}

TEST_F(ThreeRows, MovesAndTheirEndFlags) {
    ds.Open();
    struct Step {
        const char* name;
        std::function<int()> move;
        int moved, recNo;
        bool bof, eof;
    } steps[] = {
        {"Last", [&] { ds.Last(); return 0; }, 0, 3, false, true},
        {"Prior from Eof", [&] { ds.Prior(); return 0; }, 0, 2, false, false},
        {"MoveBy(-5)", [&] { return ds.MoveBy(-5); }, -1, 1, true, false},
        {"MoveBy(2)", [&] { return ds.MoveBy(2); }, 2, 3, false, false},
        {"First", [&] { ds.First(); return 0; }, 0, 1, true, false},
        {"RecNo = 2", [&] { ds.SetRecNo(2); return 0; }, 0, 2, false, false},
        {"RecNo = 9 stays", [&] { ds.SetRecNo(9); return 0; }, 0, 2, false, false},
    };
    for (const auto& s : steps) {
        SCOPED_TRACE(s.name);
        log.Take();
        EXPECT_EQ(s.move(), s.moved);
        EXPECT_EQ(ds.RecNo(), s.recNo);
        EXPECT_EQ(ds.Bof(), s.bof);
        EXPECT_EQ(ds.Eof(), s.eof);
        EXPECT_EQ(log.Take(), (Events{"BeforeScroll", "AfterScroll"}));
    }
}

TEST_F(ThreeRows, CloseReleasesFieldsAndCounts) {
    ds.Open();
    log.Take();
    ds.Close();
    EXPECT_EQ(log.Take(), (Events{"BeforeClose", "AfterClose"}));
    EXPECT_FALSE(ds.Active());
    EXPECT_EQ(ds.FieldCount(), 0);
    EXPECT_EQ(ds.RecordCount(), 0);
    EXPECT_EQ(ds.RecNo(), 0);
    EXPECT_EQ(ErrorOf([&] { ds.Next(); }), "Cannot perform this operation on a closed dataset");
}

TEST_F(ThreeRows, FailedOpenLeavesNoFields) {
    ds.FailOpen = [] { throw EDatabaseError(std::string_view("open failed")); };
    EXPECT_EQ(ErrorOf([&] { ds.Open(); }), "open failed");
    EXPECT_FALSE(ds.Active());
    EXPECT_EQ(ds.FieldCount(), 0);
    EXPECT_EQ(ds.InternalCloseCount, 1);
    EXPECT_EQ(log.Take(), (Events{"BeforeOpen"}));
    ds.FailOpen = nullptr;
    ds.Open();
    EXPECT_EQ(ds.RecNo(), 1);
}

TEST_F(ThreeRows, EditPostWritesTheStoreThroughTheHook) {
    ds.Open();
    ds.Next();
    log.Take();
    std::vector<bool> hookCalls;
    ds.OnPostHook = [&](bool inserting) { hookCalls.push_back(inserting); };
    ds.Edit();
    EXPECT_EQ(ds.State(), dsEdit);
    ds.FieldByName(u"amount").SetAsFloat(7.5);
    EXPECT_TRUE(ds.Modified());
    EXPECT_TRUE(ds.FieldByName(u"amount").Modified());
    EXPECT_TRUE(ds.StoredCell(1, 2).Null) << "the store changes only at post";
    ds.Post();
    EXPECT_EQ(log.Take(), (Events{"BeforeEdit", "AfterEdit", "BeforePost", "AfterPost"}));
    EXPECT_EQ(hookCalls, std::vector<bool>{false});
    EXPECT_EQ(ds.State(), dsBrowse);
    EXPECT_FALSE(ds.Modified());
    EXPECT_EQ(ds.StoredCell(1, 2).Float, 7.5);
    EXPECT_EQ(ds.RecNo(), 2);
    EXPECT_EQ(ds.FieldByName(u"amount").AsFloat(), 7.5);
}

TEST_F(ThreeRows, FailedPostStaysInEditAndCancelRestores) {
    ds.Open();
    ds.OnPostHook = [](bool) { throw EDatabaseError(std::string_view("Update failed. Found 0 records")); };
    ds.Edit();
    ds.FieldByName(u"name").SetAsString(u"uno");
    EXPECT_EQ(ErrorOf([&] { ds.Post(); }), "Update failed. Found 0 records");
    EXPECT_EQ(ds.State(), dsEdit);
    EXPECT_EQ(ds.FieldByName(u"name").AsString(), u"uno");
    EXPECT_EQ(ds.StoredCell(0, 1).Bytes, "one");
    log.Take();
    ds.Cancel();
    EXPECT_EQ(log.Take(), (Events{"BeforeCancel", "AfterCancel"}));
    EXPECT_EQ(ds.State(), dsBrowse);
    EXPECT_EQ(ds.FieldByName(u"name").AsString(), u"one");
}

TEST_F(ThreeRows, InsertAndAppendPlaceTheNewRecord) {
    struct Case {
        const char* name;
        bool append;
        int startRecNo, newRecNo;
        const char* orderAfter;
    } cases[] = {
        {"insert before the second", false, 2, 2, "1 9 2 3"},
        {"append", true, 2, 4, "1 2 3 9"},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        EventLog l;
        VectorDataSet d(Columns());
        d.AddRow({"1", "one", ""});
        d.AddRow({"2", "two", ""});
        d.AddRow({"3", "three", ""});
        l.Attach(d);
        d.Open();
        d.SetRecNo(c.startRecNo);
        l.Take();
        if (c.append) d.Append();
        else d.Insert();
        EXPECT_EQ(l.Take(), (Events{"BeforeInsert", "BeforeScroll", "OnNewRecord", "AfterInsert", "AfterScroll"}));
        EXPECT_EQ(d.State(), dsInsert);
        for (int i = 0; i < d.FieldCount(); ++i) EXPECT_TRUE(d.Fields()[i].IsNull());
        d.FieldByName(u"id").SetAsInteger(9);
        d.Post();
        EXPECT_EQ(d.RecordCount(), 4);
        EXPECT_EQ(d.RecNo(), c.newRecNo);
        EXPECT_EQ(d.FieldByName(u"id").AsInteger(), 9);
        std::string order;
        for (const auto& r : d.Rows) order += (order.empty() ? "" : " ") + std::to_string(r->Cells[0].Int);
        EXPECT_EQ(order, c.orderAfter);
    }
}

TEST_F(ThreeRows, CancelledInsertReturnsToTheRecordBefore) {
    ds.Open();
    ds.SetRecNo(3);
    ds.Insert();
    ds.FieldByName(u"id").SetAsInteger(8);
    ds.Cancel();
    EXPECT_EQ(ds.RecordCount(), 3);
    EXPECT_EQ(ds.RecNo(), 3);
    ds.Append();
    ds.Cancel();
    EXPECT_EQ(ds.RecNo(), 3);
}

TEST(DataSetEdit, EditOnAnEmptyDatasetInserts) {
    VectorDataSet ds(Columns());
    ds.Open();
    ds.Edit();
    EXPECT_EQ(ds.State(), dsInsert);
    ds.FieldByName(u"name").SetAsString(u"first");
    ds.Post();
    EXPECT_EQ(ds.RecordCount(), 1);
    EXPECT_EQ(ds.RecNo(), 1);
    EXPECT_FALSE(ds.Eof());
    EXPECT_EQ(ds.FieldByName(u"name").AsString(), u"first");
}

TEST_F(ThreeRows, DeleteMovesToTheNextOrThePriorRecord) {
    ds.Open();
    ds.SetRecNo(2);
    log.Take();
    ds.Delete();
    EXPECT_EQ(log.Take(), (Events{"BeforeDelete", "BeforeScroll", "AfterDelete", "AfterScroll"}));
    EXPECT_EQ(ds.RecordCount(), 2);
    EXPECT_EQ(ds.FieldByName(u"id").AsInteger(), 3);
    ds.Delete();  // the last one: the prior becomes current
    EXPECT_EQ(ds.FieldByName(u"id").AsInteger(), 1);
    EXPECT_EQ(ds.RecNo(), 1);
    ds.Delete();
    EXPECT_TRUE(ds.IsEmpty());
    EXPECT_TRUE(ds.Eof() && ds.Bof());
    EXPECT_EQ(ds.RecNo(), 0);
    EXPECT_EQ(ErrorOf([&] { ds.Delete(); }), "Cannot perform this operation on an empty dataset");
}

TEST_F(ThreeRows, FailedDeleteKeepsTheRecord) {
    ds.OnDeleteHook = [] { throw EDatabaseError(std::string_view("no")); };
    ds.Open();
    EXPECT_EQ(ErrorOf([&] { ds.Delete(); }), "no");
    EXPECT_EQ(ds.RecordCount(), 3);
    EXPECT_EQ(ds.RecNo(), 1);
    EXPECT_EQ(ds.FieldByName(u"id").AsInteger(), 1);
}

TEST_F(ThreeRows, WritesNeedEditStateAndAWritableField) {
    ds.Open();
    EXPECT_EQ(ErrorOf([&] { ds.FieldByName(u"id").SetAsInteger(5); }), "Dataset not in edit or insert mode");
    VectorDataSet ro({{u"id", ftInteger, 0, true}});
    ro.AddRow({"1"});
    ro.Open();
    ro.Edit();
    ro.Fields()[0].SetDisplayLabel(u"Código");
    EXPECT_EQ(ErrorOf([&] { ro.Fields()[0].SetAsInteger(5); }), "Field 'Código' cannot be modified");
    ds.CanModifyResult = false;
    EXPECT_EQ(ErrorOf([&] { ds.Edit(); }), "Cannot modify a read-only dataset");
    EXPECT_EQ(ErrorOf([&] { ds.Insert(); }), "Cannot modify a read-only dataset");
}

TEST_F(ThreeRows, MovingOnPostsAModifiedRecordAndCancelsAnUntouchedOne) {
    ds.Open();
    ds.Edit();
    ds.FieldByName(u"name").SetAsString(u"uno");
    ds.Next();
    EXPECT_EQ(ds.StoredCell(0, 1).Bytes, "uno");
    EXPECT_EQ(log.Count("AfterPost"), 1);
    ds.Edit();
    ds.Next();
    EXPECT_EQ(log.Count("AfterCancel"), 1);
    EXPECT_EQ(ds.RecNo(), 3);
}

TEST(DataSetEdit, RequiredFieldMustHaveAValue) {
    VectorDataSet ds({{u"id", ftInteger, 0, false, true}, {u"n", ftString, 5}});
    ds.Open();
    ds.Append();
    ds.FieldByName(u"n").SetAsString(u"x");
    EXPECT_EQ(ErrorOf([&] { ds.Post(); }), "Field 'id' must have a value");
    EXPECT_EQ(ds.State(), dsInsert);
    ds.FieldByName(u"id").SetAsInteger(1);
    ds.Post();
    EXPECT_EQ(ds.RecordCount(), 1);
}

TEST_F(ThreeRows, ReadingRowNDoesNotMoveTheCursor) {
    ds.Open();
    TField& name = ds.FieldByName(u"name");
    TField& amount = ds.FieldByName(u"amount");
    log.Take();
    TFieldValue v;
    ASSERT_TRUE(ds.GetFieldValueAt(3, name, v));
    EXPECT_EQ(v.Bytes, "three");
    ASSERT_TRUE(ds.GetFieldValueAt(2, amount, v));
    EXPECT_TRUE(v.IsNull());
    EXPECT_FALSE(ds.GetFieldValueAt(4, name, v));
    EXPECT_FALSE(ds.GetFieldValueAt(0, name, v));
    EXPECT_EQ(ds.RecNo(), 1);
    EXPECT_TRUE(log.Take().empty());
    // The record being edited shows its edited value, the store its own.
    ds.Edit();
    name.SetAsString(u"uno");
    ASSERT_TRUE(ds.GetFieldValueAt(1, name, v));
    EXPECT_EQ(v.Bytes, "uno");
    EXPECT_EQ(name.TextOf(v, true), u"uno");
    ds.Cancel();
    ASSERT_TRUE(ds.GetFieldValueAt(1, name, v));
    EXPECT_EQ(v.Bytes, "one");
}

}  // namespace
}  // namespace brevant::test
