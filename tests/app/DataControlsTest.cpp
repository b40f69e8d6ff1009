// The grid's model, the data-aware memo and picture boxes and the viewers' rules,
// over a dataset held in memory.
#include <gtest/gtest.h>

#include <QBuffer>
#include <QHeaderView>
#include <QImage>

#include "AppTestUtil.h"
#include "app/DBControls.h"
#include "app/DBGrid.h"
#include "app/ViewerBinding.h"
#include "data/VectorDataSet.h"

namespace brevant {
namespace {

using test::VectorDataSet;

QString Cell(TDBGrid& grid, int row, int column) { return grid.model()->index(row, column).data().toString(); }

VectorDataSet People() {
    return VectorDataSet({{u"id", ftInteger},
                          {u"name", ftWideString, 20},
                          {u"note", ftBlob},
                          {u"text", ftWideMemo}});
}

TEST(GridModel, ReadsTheRowsItShowsThroughTheDataSet) {
    VectorDataSet ds({{u"id", ftInteger}, {u"name", ftWideString, 20}});
    const int rows = 100000;
    for (int i = 1; i <= rows; ++i) {
        const std::string id = std::to_string(i), name = i % 1000 == 0 ? "" : "n" + id;
        ds.AddRow({id.c_str(), name.c_str()});
    }
    TDataSource source;
    source.SetDataSet(&ds);
    TDBGrid grid(nullptr);
    grid.SetDataSource(&source);
    EXPECT_EQ(grid.model()->rowCount(), 0);  // closed
    ds.Open();
    ASSERT_EQ(grid.model()->rowCount(), rows);
    ASSERT_EQ(grid.model()->columnCount(), 2);
    EXPECT_EQ(grid.model()->headerData(0, Qt::Horizontal).toString(), QStringLiteral("id"));
    EXPECT_EQ(grid.model()->headerData(1, Qt::Horizontal).toString(), QStringLiteral("name"));
    EXPECT_EQ(Cell(grid, 0, 0), QStringLiteral("1"));
    EXPECT_EQ(Cell(grid, 0, 1), QStringLiteral("n1"));
    EXPECT_EQ(Cell(grid, rows - 1, 0), QStringLiteral("100000"));
    EXPECT_EQ(Cell(grid, 998, 1), QStringLiteral("n999"));
    EXPECT_EQ(Cell(grid, 999, 1), QString());  // NULL is an empty cell
    EXPECT_EQ(ds.RecNo(), 1);                  // reading cells moves nothing
    EXPECT_EQ(grid.verticalHeader()->sectionResizeMode(0), QHeaderView::Fixed);

    // A value changed through the dataset shows, while editing and once posted.
    ds.SetRecNo(5);
    ds.Edit();
    ds.FieldByName(u"name").SetAsString(u"changed");
    EXPECT_EQ(Cell(grid, 4, 1), QStringLiteral("changed"));
    ds.Post();
    EXPECT_EQ(Cell(grid, 4, 1), QStringLiteral("changed"));
    EXPECT_EQ(Cell(grid, 5, 1), QStringLiteral("n6"));

    ds.Close();
    EXPECT_EQ(grid.model()->rowCount(), 0);
    EXPECT_EQ(grid.model()->columnCount(), 0);
}

TEST(GridModel, LargeObjectsShowAShortText) {
    VectorDataSet ds = People();
    ds.AddRow({"1", "ana", "bytes", "texto largo"});
    ds.AddRow({"2", "", "", ""});
    TDataSource source;
    source.SetDataSet(&ds);
    TDBGrid grid(nullptr);
    grid.SetDataSource(&source);
    ds.Open();
    EXPECT_EQ(Cell(grid, 0, 2), QStringLiteral("(BLOB)"));
    EXPECT_EQ(Cell(grid, 0, 3), QStringLiteral("(WIDEMEMO)"));
    EXPECT_EQ(Cell(grid, 1, 1), QString());
    EXPECT_EQ(Cell(grid, 1, 2), QString());
    EXPECT_EQ(Cell(grid, 1, 3), QString());
}

TEST(GridModel, CurrentRecordAndGridFollowEachOther) {
    VectorDataSet ds = People();
    for (int i = 1; i <= 50; ++i) ds.AddRow({std::to_string(i).c_str(), "x", "", ""});
    TDataSource source;
    source.SetDataSet(&ds);
    TDBGrid grid(nullptr);
    grid.SetDataSource(&source);
    int scrolls = 0;
    ds.AfterScroll = [&](TDataSet&) { ++scrolls; };
    ds.Open();
    EXPECT_EQ(grid.currentIndex().row(), 0);

    grid.setCurrentIndex(grid.model()->index(41, 1));  // the user moves in the grid
    EXPECT_EQ(ds.RecNo(), 42);
    EXPECT_EQ(grid.model()->headerData(41, Qt::Vertical).toString(), QStringLiteral("\u25B6"));
    EXPECT_EQ(grid.model()->headerData(0, Qt::Vertical).toString(), QString());
    grid.setCurrentIndex(grid.model()->index(41, 2));  // another column of the same row
    EXPECT_EQ(grid.SelectedIndex(), 2);

    const int before = scrolls;
    ds.SetRecNo(7);  // the dataset moves: the grid follows and keeps the column
    EXPECT_EQ(grid.currentIndex().row(), 6);
    EXPECT_EQ(grid.currentIndex().column(), 2);
    EXPECT_EQ(scrolls, before + 1);  // no echo back into the dataset
    ds.Last();
    EXPECT_EQ(grid.currentIndex().row(), 49);
}

std::string Png() {
    QImage image(QSize(30, 10), QImage::Format_RGB32);
    image.fill(Qt::green);
    QByteArray bytes;
    QBuffer buffer(&bytes);
    buffer.open(QIODevice::WriteOnly);
    image.save(&buffer, "PNG");
    return bytes.toStdString();
}

// Browsing a large object in the memo shows every byte, NULs included, and never
// changes the record: no edit state, nothing modified, the stored bytes as they were.
TEST(DBMemo, FollowsTheRecordWithoutTouchingIt) {
    VectorDataSet ds = People();
    ds.AddRow({"1", "ana", "x", "primera\r\nlinea"});
    ds.AddRow({"2", "bea", "x", ""});
    ds.AddRow({"3", "", "", ""});
    const std::string withNul("ab\0cd\xF1", 6);
    ds.Rows[0]->Cells[2].Blob.Data = withNul;
    ds.Rows[0]->Cells[2].Null = false;
    TDataSource source;
    source.SetDataSet(&ds);
    TDBMemo memo(nullptr);
    memo.SetDataSource(&source);
    memo.SetDataField(u"note");
    ds.Open();
    EXPECT_EQ(memo.toPlainText(), QString::fromStdU16String(UString(u"ab\0cd\u00F1", 6)));

    struct Step {
        const char16_t* field;
        int recNo;
        const char16_t* text;
    };
    const Step steps[] = {
        {u"note", 2, u"x"}, {u"note", 3, u""}, {u"text", 1, u"primera\nlinea"},
        {u"name", 2, u"bea"}, {u"missing", 2, u""}, {u"", 1, u""},
    };
    for (const Step& s : steps) {
        memo.SetDataField(s.field);
        ds.SetRecNo(s.recNo);
        EXPECT_EQ(memo.toPlainText(), QString::fromUtf16(s.text)) << QString::fromUtf16(s.field).toStdString();
        EXPECT_EQ(ds.State(), dsBrowse);
        EXPECT_FALSE(ds.Modified());
    }
    EXPECT_EQ(ds.StoredCell(0, 2).Blob.Data, withNul);
    memo.SetDataField(u"note");
    ds.SetRecNo(1);
    memo.UpdateRecord();  // nothing typed: nothing written
    EXPECT_EQ(ds.State(), dsBrowse);
    EXPECT_EQ(ds.StoredCell(0, 2).Blob.Data, withNul);
}

TEST(DBMemo, WhatTheUserTypesIsWrittenBack) {
    VectorDataSet ds = People();
    ds.AddRow({"1", "ana", "", "uno"});
    TDataSource source;
    source.SetDataSet(&ds);
    TDBMemo memo(nullptr);
    memo.SetDataSource(&source);
    memo.SetDataField(u"text");
    ds.Open();
    QTextCursor cursor = memo.textCursor();
    cursor.movePosition(QTextCursor::End);
    memo.setTextCursor(cursor);
    memo.insertPlainText(QStringLiteral("\ndos"));  // as typed
    EXPECT_EQ(ds.State(), dsEdit);
    EXPECT_EQ(memo.toPlainText(), QStringLiteral("uno\ndos"));
    ds.Post();  // asks the memo for its edit first
    EXPECT_EQ(ds.State(), dsBrowse);
    EXPECT_EQ(ds.FieldByName(u"text").AsString(), u"uno\r\ndos");
}

TEST(DBImage, ShowsThePictureOfTheCurrentRecord) {
    VectorDataSet ds = People();
    ds.AddRow({"1", "", "x", ""});
    ds.AddRow({"2", "", "not a picture", ""});
    ds.Rows[0]->Cells[2].Blob.Data = Png();
    TDataSource source;
    source.SetDataSet(&ds);
    TDBImage image(nullptr);
    image.SetDataSource(&source);
    image.SetDataField(u"note");
    ds.Open();
    EXPECT_EQ(image.Picture().size(), QSize(30, 10));
    ds.Next();
    EXPECT_TRUE(image.Picture().isNull());
    ds.Prior();
    EXPECT_EQ(image.Picture().size(), QSize(30, 10));
    image.SetDataField(u"");
    EXPECT_TRUE(image.Picture().isNull());
    EXPECT_EQ(ds.State(), dsBrowse);
}

TEST(ViewerBinding, Rules) {
    VectorDataSet closed = People(), empty = People(), open = People();
    open.AddRow({"1", "ana", "", ""});
    empty.Open();
    open.Open();
    struct Case {
        const char* name;
        int kind;
        const TDataSet* query;
        bool shows;
        std::optional<UString> field2;  // the name bound for index 2
    };
    const Case cases[] = {
        {"no query yet", 0, nullptr, false, UString()},
        {"closed", 0, &closed, false, UString()},
        {"empty", 0, &empty, false, u"note"},
        {"a record", 0, &open, true, u"note"},
        {"embedded looks at the same query", 1, &open, true, u"note"},
        {"Access has its own query", 2, &open, false, UString()},
        {"no kind", -1, &open, false, std::nullopt},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        EXPECT_EQ(ViewerCanShow(c.kind, c.query), c.shows);
        EXPECT_EQ(ViewerFieldName(c.kind, c.query, 2), c.field2);
    }
    // Access looks only at its own query, MySQL only at its own.
    EXPECT_TRUE(ViewerCanShow(2, &closed, &open));
    EXPECT_FALSE(ViewerCanShow(2, &open, &empty));
    EXPECT_FALSE(ViewerCanShow(0, &closed, &open));
    EXPECT_EQ(ViewerFieldName(2, &closed, &open, 2), UString(u"note"));
    EXPECT_EQ(ViewerFieldName(2, &open, &closed, 2), UString());
    EXPECT_EQ(ViewerFieldName(0, &open, 4), UString());
    EXPECT_EQ(ViewerFieldName(0, &open, -1), UString());
    EXPECT_EQ(ViewerFieldName(0, &open, 0), UString(u"id"));
}

}  // namespace
}  // namespace brevant
