#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "VectorDataSet.h"
#include "data/TDataSource.h"

namespace brevant::test {
namespace {

// A control's link that writes down what it hears.
struct RecordingLink : TDataLink {
    std::vector<std::string> Calls;
    void ActiveChanged() override { Calls.push_back(Active() ? "active" : "inactive"); }
    void DataSetChanged() override { Calls.push_back("changed"); }
    void DataSetScrolled(int distance) override { Calls.push_back("scrolled " + std::to_string(distance)); }
    void RecordChanged(TField* field) override {
        Calls.push_back(field ? "field " + Narrow(field->FieldName()) : std::string("record"));
    }
    void EditingChanged() override { Calls.push_back("editing"); }
    void UpdateData() override { Calls.push_back("update"); }
    std::vector<std::string> Take() { return std::exchange(Calls, {}); }
};

using Calls = std::vector<std::string>;

struct SourceFixture : ::testing::Test {
    VectorDataSet ds{{{u"id", ftInteger}, {u"name", ftString, 10}}};
    TDataSource source;
    RecordingLink link;
    std::vector<std::string> sourceEvents;
    void SetUp() override {
        for (const char* id : {"1", "2", "3"}) ds.AddRow({id, "x"});
        source.OnStateChange = [this](TDataSource&) { sourceEvents.push_back("state"); };
        source.OnDataChange = [this](TDataSource&, TField* f) {
            sourceEvents.push_back(f ? "data " + Narrow(f->FieldName()) : std::string("data"));
        };
        source.OnScroll = [this](TDataSource&) { sourceEvents.push_back("scroll"); };
        source.SetDataSet(&ds);
        link.SetDataSource(&source);
        sourceEvents.clear();
    }
    Calls TakeSource() { return std::exchange(sourceEvents, {}); }
};

TEST_F(SourceFixture, OpenScrollEditAndCloseReachTheSourceAndItsLinks) {
    ds.Open();
    EXPECT_EQ(link.Take(), (Calls{"active"}));
    EXPECT_EQ(TakeSource(), (Calls{"state", "data"}));

    ds.Next();
    EXPECT_EQ(link.Take(), (Calls{"scrolled 1"}));
    EXPECT_EQ(TakeSource(), (Calls{"scroll", "data"}));

    ds.Edit();
    EXPECT_EQ(link.Take(), (Calls{"editing", "record"}));
    ds.FieldByName(u"name").SetAsString(u"y");
    EXPECT_EQ(link.Take(), (Calls{"field name"}));
    EXPECT_EQ(TakeSource(), (Calls{"state", "data", "data name"}));
    ds.Post();
    EXPECT_EQ(link.Take(), (Calls{"update", "editing", "changed"}));

    ds.Close();
    EXPECT_EQ(link.Take(), (Calls{"inactive"}));
    TakeSource();
}

TEST_F(SourceFixture, DisabledControlsHearOneChangeAtTheEnd) {
    ds.Open();
    link.Take();
    TakeSource();
    ds.DisableControls();
    ds.DisableControls();
    while (!ds.Eof()) ds.Next();
    ds.EnableControls();
    EXPECT_TRUE(link.Take().empty());
    ds.EnableControls();
    EXPECT_EQ(link.Take(), (Calls{"changed"}));
    EXPECT_EQ(TakeSource(), (Calls{"data"}));
    // The dataset's own notifications are not held back.
    int scrolls = 0;
    ds.AfterScroll = [&](TDataSet&) { ++scrolls; };
    ds.DisableControls();
    ds.First();
    ds.EnableControls();
    EXPECT_EQ(scrolls, 1);
}

TEST_F(SourceFixture, OpeningWhileDisabledTellsTheLinksOnEnable) {
    ds.DisableControls();
    ds.Open();
    EXPECT_TRUE(link.Take().empty());
    ds.EnableControls();
    EXPECT_EQ(link.Take(), (Calls{"active"})) << "opening is news enough: the link re-reads everything";
}

TEST_F(SourceFixture, RepointingOrLosingTheDatasetResetsTheLinks) {
    ds.Open();
    link.Take();
    VectorDataSet other({{u"z", ftInteger}});
    other.Open();
    source.SetDataSet(&other);
    EXPECT_EQ(link.Take(), (Calls{"active"}));
    EXPECT_EQ(link.DataSet(), &other);
    ds.Next();
    EXPECT_TRUE(link.Take().empty()) << "the old dataset no longer reaches the link";
    {
        VectorDataSet shortLived({{u"q", ftInteger}});
        shortLived.Open();
        source.SetDataSet(&shortLived);
        link.Take();
    }
    EXPECT_EQ(source.DataSet(), nullptr);
    EXPECT_EQ(link.Take(), (Calls{"inactive"}));
    EXPECT_EQ(source.State(), dsInactive);
}

TEST_F(SourceFixture, ADisabledSourcePassesNothingOn) {
    ds.Open();
    link.Take();
    source.SetEnabled(false);
    EXPECT_EQ(link.Take(), (Calls{"inactive"}));
    ds.Next();
    EXPECT_TRUE(link.Take().empty());
    source.SetEnabled(true);
    EXPECT_EQ(link.Take(), (Calls{"active"}));
}

}  // namespace
}  // namespace brevant::test
