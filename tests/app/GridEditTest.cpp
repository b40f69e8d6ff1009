// Editing in the grid and in the memo box through the dataset frame, over a dataset
// held in memory: the keys, the cell editor, new and deleted records, read-only
// fields and failed posts.
#include <gtest/gtest.h>

#include <QLineEdit>
#include <QTest>
#include <QVBoxLayout>

#include "AppTestUtil.h"
#include "app/DBControls.h"
#include "app/DBGrid.h"
#include "data/VectorDataSet.h"

namespace brevant {
namespace {

using test::VectorDataSet;

/// A confirmation that answers as told and remembers what it was asked.
class AnsweringConfirmation : public IConfirmation {
public:
    bool answer = true;
    QStringList asked;
    bool Ask(const QString& question) override {
        asked << question;
        return answer;
    }
};

/// A question box that takes the focus, as a real one does, and agrees.
class FocusTakingConfirmation : public IConfirmation {
public:
    explicit FocusTakingConfirmation(QWidget& box) : box_(box) {}
    bool Ask(const QString&) override {
        box_.setFocus();
        return true;
    }

private:
    QWidget& box_;
};

/// A shown window holding a grid on four rows (id, name, code read-only, note BLOB)
/// and a line edit to move the focus to.
class GridEdit : public ::testing::Test {
protected:
    VectorDataSet ds{{{u"id", ftInteger}, {u"name", ftWideString, 20}, {u"code", ftInteger, 0, true}, {u"note", ftBlob}}};
    TDataSource source;
    QWidget window;
    TDBGrid* grid = nullptr;
    QLineEdit* elsewhere = nullptr;
    AnsweringConfirmation* confirmation = nullptr;
    test::CapturedReports reports;
    int posts = 0, inserts = 0;

    void SetUp() override {
        ds.AddRow({"1", "ana", "10", "x"});
        ds.AddRow({"2", "bea", "20", ""});
        ds.AddRow({"3", "carla", "30", ""});
        ds.AddRow({"4", "dora", "40", ""});
        ds.OnPostHook = [this](bool inserting) { ++(inserting ? inserts : posts); };
        source.SetDataSet(&ds);
        auto* layout = new QVBoxLayout(&window);
        grid = new TDBGrid(&window);
        elsewhere = new QLineEdit(&window);
        layout->addWidget(grid);
        layout->addWidget(elsewhere);
        auto answering = std::make_unique<AnsweringConfirmation>();
        confirmation = answering.get();
        grid->SetConfirmation(std::move(answering));
        grid->SetDataSource(&source);
        ds.Open();
        window.resize(500, 300);
        window.show();
        window.activateWindow();
        ASSERT_TRUE(QTest::qWaitForWindowActive(&window));
        grid->setFocus();
    }

    QString Cell(int row, int column) const { return grid->model()->index(row, column).data().toString(); }
    void Go(int row, int column) { grid->setCurrentIndex(grid->model()->index(row, column)); }
    void Key(int key, Qt::KeyboardModifiers mods = Qt::NoModifier) {
        QWidget* target = grid->CellEditor() ? static_cast<QWidget*>(grid->CellEditor()) : grid;
        QTest::keyClick(target, static_cast<Qt::Key>(key), mods);
    }
    /// F2 on the current cell, then the text typed over the whole of it.
    void Type(const char* text) {
        if (!grid->CellEditor()) QTest::keyClick(grid, Qt::Key_F2);
        ASSERT_NE(grid->CellEditor(), nullptr);
        grid->CellEditor()->selectAll();
        QTest::keyClicks(grid->CellEditor(), QString::fromUtf8(text));
    }
    std::string Stored(int row, int column) const { return Narrow(ds.StoredCell(row, column).Wide); }
    std::int64_t StoredInt(int row, int column) const { return ds.StoredCell(row, column).Int; }
};

TEST_F(GridEdit, F2OpensTheCellAndEnterPosts) {
    Go(1, 1);
    QTest::keyClick(grid, Qt::Key_F2);
    ASSERT_NE(grid->CellEditor(), nullptr);
    EXPECT_EQ(grid->CellEditor()->text(), QStringLiteral("bea"));
    EXPECT_EQ(ds.State(), dsBrowse);  // opening the editor is no change yet
    Type("berta");
    EXPECT_EQ(ds.State(), dsEdit);
    EXPECT_EQ(grid->model()->headerData(1, Qt::Vertical).toString(), QStringLiteral("I"));
    EXPECT_EQ(grid->CellEditor()->text(), QStringLiteral("berta"));  // the record's notices keep the typing
    Key(Qt::Key_Return);
    EXPECT_EQ(ds.State(), dsBrowse);
    EXPECT_EQ(grid->CellEditor(), nullptr);
    EXPECT_EQ(posts, 1);
    EXPECT_EQ(Stored(1, 1), "berta");
    EXPECT_EQ(Cell(1, 1), QStringLiteral("berta"));
    EXPECT_EQ(grid->model()->headerData(1, Qt::Vertical).toString(), QStringLiteral("\u25B6"));
    EXPECT_TRUE(reports.Texts().isEmpty());

    // Typing a letter on a cell opens it with that letter.
    Go(2, 1);
    QTest::keyClicks(grid, QStringLiteral("z"));
    ASSERT_NE(grid->CellEditor(), nullptr);
    EXPECT_EQ(ds.RecNo(), 3);  // no jump to a row starting with the letter
    EXPECT_EQ(ds.State(), dsEdit);
    Key(Qt::Key_Return);
    EXPECT_EQ(posts, 2);
    EXPECT_EQ(Stored(2, 1).substr(Stored(2, 1).size() - 1), "z");
}

TEST_F(GridEdit, TabWritesTheCellAndLeavingTheRowPosts) {
    Go(0, 0);
    Type("11");
    Key(Qt::Key_Tab);
    EXPECT_EQ(grid->currentIndex(), grid->model()->index(0, 1));
    EXPECT_EQ(ds.State(), dsEdit);
    EXPECT_EQ(ds.FieldByName(u"id").AsInteger(), 11);
    EXPECT_EQ(StoredInt(0, 0), 1);  // not posted yet
    EXPECT_EQ(Cell(0, 0), QStringLiteral("11"));
    Type("anabel");
    Key(Qt::Key_Down);  // out of the row: the editor is written and the record posted
    EXPECT_EQ(ds.State(), dsBrowse);
    EXPECT_EQ(ds.RecNo(), 2);
    EXPECT_EQ(grid->currentIndex().row(), 1);
    EXPECT_EQ(posts, 1);
    EXPECT_EQ(StoredInt(0, 0), 11);
    EXPECT_EQ(Stored(0, 1), "anabel");

    // Moving to another column of the same row while editing does not post.
    Type("bego");
    Go(1, 0);
    EXPECT_EQ(ds.State(), dsEdit);
    EXPECT_EQ(posts, 1);
    Go(3, 0);  // with the mouse, to another row
    EXPECT_EQ(posts, 2);
    EXPECT_EQ(Stored(1, 1), "bego");
    EXPECT_EQ(ds.RecNo(), 4);
}

TEST_F(GridEdit, EscapeCancels) {
    Go(2, 1);
    Type("cambio");
    Key(Qt::Key_Escape);
    EXPECT_EQ(ds.State(), dsBrowse);
    EXPECT_EQ(grid->CellEditor(), nullptr);
    EXPECT_EQ(Stored(2, 1), "carla");
    EXPECT_EQ(Cell(2, 1), QStringLiteral("carla"));

    // Also once the editor is closed, with the edit still open.
    Type("otro");
    Key(Qt::Key_Tab);
    EXPECT_EQ(ds.State(), dsEdit);
    Key(Qt::Key_Escape);  // the next cell's editor
    Key(Qt::Key_Escape);
    EXPECT_EQ(ds.State(), dsBrowse);
    EXPECT_EQ(Cell(2, 1), QStringLiteral("carla"));
    EXPECT_EQ(posts, 0);
}

TEST_F(GridEdit, AFailedPostIsReportedOnceAndKeepsTheEdit) {
    ds.OnPostHook = [](bool) { throw Exception(u"Duplicate entry 'dora' for key 'name'"); };
    Go(1, 1);
    Type("dora");
    Key(Qt::Key_Return);
    ASSERT_EQ(reports.Texts().size(), 1);
    EXPECT_EQ(reports.Texts()[0], QStringLiteral("Duplicate entry 'dora' for key 'name'"));
    EXPECT_EQ(ds.State(), dsEdit);
    EXPECT_EQ(Cell(1, 1), QStringLiteral("dora"));  // the user's value stays
    EXPECT_EQ(Stored(1, 1), "bea");

    // Leaving the row tries once more, once; the grid stays on the record.
    Key(Qt::Key_Down);
    EXPECT_EQ(reports.Texts().size(), 2);
    EXPECT_EQ(grid->currentIndex().row(), 1);
    EXPECT_EQ(ds.RecNo(), 2);
    Go(3, 1);
    EXPECT_EQ(reports.Texts().size(), 3);
    EXPECT_EQ(grid->currentIndex().row(), 1);
    EXPECT_EQ(ds.State(), dsEdit);
    EXPECT_EQ(Cell(1, 1), QStringLiteral("dora"));

    // A value the field refuses is reported when written; the editor keeps it.
    Go(1, 0);
    Type("diez");
    Key(Qt::Key_Return);
    ASSERT_EQ(reports.Texts().size(), 4);
    EXPECT_EQ(reports.Texts()[3], QStringLiteral("'diez' is not a valid integer value"));
    ASSERT_NE(grid->CellEditor(), nullptr);
    EXPECT_EQ(grid->CellEditor()->text(), QStringLiteral("diez"));
    Key(Qt::Key_Escape);
    EXPECT_EQ(ds.State(), dsBrowse);
    EXPECT_EQ(Cell(1, 1), QStringLiteral("bea"));
}

TEST_F(GridEdit, ReadOnlyFieldsAndLargeObjectsAreNotEditedInACell) {
    QAbstractItemModel& model = *grid->model();
    EXPECT_TRUE(model.flags(model.index(0, 1)) & Qt::ItemIsEditable);
    EXPECT_FALSE(model.flags(model.index(0, 2)) & Qt::ItemIsEditable);  // read-only
    EXPECT_FALSE(model.flags(model.index(0, 3)) & Qt::ItemIsEditable);  // a large object
    EXPECT_TRUE(model.index(0, 2).data(Qt::ForegroundRole).isValid());  // greyed
    EXPECT_FALSE(model.index(0, 1).data(Qt::ForegroundRole).isValid());

    for (int column : {2, 3}) {
        SCOPED_TRACE(column);
        Go(1, column);
        QTest::keyClick(grid, Qt::Key_F2);
        QTest::keyClicks(grid, QStringLiteral("7"));
        EXPECT_EQ(grid->CellEditor(), nullptr);
        EXPECT_EQ(ds.State(), dsBrowse);
        EXPECT_EQ(ds.RecNo(), 2);
    }
    EXPECT_TRUE(reports.Texts().isEmpty());
    EXPECT_FALSE(model.setData(model.index(1, 2), QStringLiteral("7")));
    ASSERT_EQ(reports.Texts().size(), 1);
    EXPECT_EQ(reports.Texts()[0], QStringLiteral("Field 'code' cannot be modified"));
    EXPECT_EQ(ds.State(), dsBrowse);
    // Another row than the current one takes no value.
    EXPECT_FALSE(model.setData(model.index(0, 1), QStringLiteral("x")));
    EXPECT_EQ(ds.State(), dsBrowse);
    EXPECT_EQ(Stored(0, 1), "ana");
}

TEST_F(GridEdit, InsertAndDownOnTheLastRowBeginNewRecords) {
    Go(1, 1);
    Key(Qt::Key_Insert);
    ASSERT_EQ(grid->model()->rowCount(), 5);
    EXPECT_EQ(ds.State(), dsInsert);
    EXPECT_EQ(grid->currentIndex().row(), 1);  // before the current record
    EXPECT_EQ(grid->model()->headerData(1, Qt::Vertical).toString(), QStringLiteral("*"));
    EXPECT_EQ(Cell(1, 1), QString());
    EXPECT_EQ(Cell(2, 1), QStringLiteral("bea"));
    EXPECT_EQ(Cell(4, 1), QStringLiteral("dora"));
    Type("nueva");
    Key(Qt::Key_Return);
    EXPECT_EQ(ds.State(), dsBrowse);
    EXPECT_EQ(inserts, 1);
    ASSERT_EQ(ds.Rows.size(), 5u);
    EXPECT_EQ(Stored(1, 1), "nueva");
    EXPECT_EQ(grid->model()->rowCount(), 5);
    EXPECT_EQ(Cell(1, 1), QStringLiteral("nueva"));
    EXPECT_EQ(Cell(2, 1), QStringLiteral("bea"));

    // Down on the last row appends; again does nothing while the new one is empty;
    // going back up drops it.
    Go(4, 1);
    Key(Qt::Key_Down);
    EXPECT_EQ(grid->model()->rowCount(), 6);
    EXPECT_EQ(grid->currentIndex().row(), 5);
    EXPECT_EQ(ds.State(), dsInsert);
    Key(Qt::Key_Down);
    EXPECT_EQ(grid->model()->rowCount(), 6);
    Key(Qt::Key_Up);
    EXPECT_EQ(ds.State(), dsBrowse);
    EXPECT_EQ(grid->model()->rowCount(), 5);
    EXPECT_EQ(grid->currentIndex().row(), 4);
    EXPECT_EQ(ds.RecNo(), 5);

    // A new record with a value is posted when the grid moves off it; the rows
    // after it keep their records.
    Go(0, 1);
    Key(Qt::Key_Insert);
    Type("primera");
    Go(3, 1);
    EXPECT_EQ(inserts, 2);
    ASSERT_EQ(ds.Rows.size(), 6u);
    EXPECT_EQ(Stored(0, 1), "primera");
    EXPECT_EQ(Stored(1, 1), "ana");
    EXPECT_EQ(ds.RecNo(), 4);
    EXPECT_EQ(ds.FieldByName(u"name").AsString(), u"bea");
    EXPECT_TRUE(reports.Texts().isEmpty());
}

TEST_F(GridEdit, LeavingTheGridDropsAnEmptyNewRecord) {
    Go(3, 0);
    Key(Qt::Key_Down);
    ASSERT_EQ(ds.State(), dsInsert);
    elsewhere->setFocus();
    EXPECT_EQ(ds.State(), dsBrowse);
    EXPECT_EQ(grid->model()->rowCount(), 4);

    // One with a value stays.
    grid->setFocus();
    Key(Qt::Key_Insert);
    Type("9");
    elsewhere->setFocus();
    EXPECT_EQ(ds.State(), dsInsert);
    EXPECT_EQ(grid->model()->rowCount(), 5);
}

TEST_F(GridEdit, CtrlDeleteAsksAndDeletes) {
    Go(1, 1);
    confirmation->answer = false;
    Key(Qt::Key_Delete, Qt::ControlModifier);
    ASSERT_EQ(confirmation->asked.size(), 1);
    EXPECT_EQ(confirmation->asked[0], QStringLiteral("¿Eliminar el registro?"));
    EXPECT_EQ(ds.Rows.size(), 4u);

    confirmation->answer = true;
    Key(Qt::Key_Delete, Qt::ControlModifier);
    ASSERT_EQ(ds.Rows.size(), 3u);
    EXPECT_EQ(grid->model()->rowCount(), 3);
    EXPECT_EQ(Cell(1, 1), QStringLiteral("carla"));
    EXPECT_EQ(ds.FieldByName(u"name").AsString(), u"carla");
    EXPECT_EQ(grid->currentIndex().row(), 1);
    EXPECT_EQ(grid->currentIndex().column(), 1);

    // Delete without Ctrl is no delete; a refused delete is reported and keeps the row.
    Key(Qt::Key_Delete);
    EXPECT_EQ(ds.Rows.size(), 3u);
    ds.OnDeleteHook = [] { throw Exception(u"Cannot delete or update a parent row"); };
    Key(Qt::Key_Delete, Qt::ControlModifier);
    ASSERT_EQ(reports.Texts().size(), 1);
    EXPECT_EQ(reports.Texts()[0], QStringLiteral("Cannot delete or update a parent row"));
    EXPECT_EQ(ds.Rows.size(), 3u);
    EXPECT_EQ(grid->model()->rowCount(), 3);

    // On a new record it drops the record.
    Key(Qt::Key_Insert);
    EXPECT_EQ(grid->model()->rowCount(), 4);
    Key(Qt::Key_Delete, Qt::ControlModifier);
    EXPECT_EQ(ds.State(), dsBrowse);
    EXPECT_EQ(grid->model()->rowCount(), 3);
    EXPECT_EQ(ds.Rows.size(), 3u);
    // Also when the question took the focus and the empty record went meanwhile.
    Key(Qt::Key_Insert);
    ASSERT_EQ(ds.State(), dsInsert);
    grid->SetConfirmation(std::make_unique<FocusTakingConfirmation>(*elsewhere));
    Key(Qt::Key_Delete, Qt::ControlModifier);
    EXPECT_EQ(ds.State(), dsBrowse);
    EXPECT_EQ(ds.Rows.size(), 3u);
    EXPECT_EQ(grid->model()->rowCount(), 3);
    grid->setFocus();
    auto answering = std::make_unique<AnsweringConfirmation>();
    confirmation = answering.get();
    grid->SetConfirmation(std::move(answering));

    // A dataset that cannot be modified is not asked about.
    const int asked = confirmation->asked.size();
    ds.CanModifyResult = false;
    Key(Qt::Key_Delete, Qt::ControlModifier);
    EXPECT_EQ(confirmation->asked.size(), asked);
    EXPECT_EQ(reports.Texts().size(), 2);
    EXPECT_EQ(ds.Rows.size(), 3u);
}

// What the user typed in the memo box reaches the field before the box is bound
// elsewhere or unbound (a viewer closing), and before the record moves.
TEST(DBMemoEdit, APendingEditIsWrittenBeforeTheBoxLetsGo) {
    VectorDataSet ds({{u"id", ftInteger}, {u"text", ftWideMemo}, {u"other", ftWideMemo}, {u"fixed", ftWideMemo, 0, true}});
    ds.AddRow({"1", "uno", "otro", "fijo"});
    ds.AddRow({"2", "dos", "", ""});
    TDataSource source;
    source.SetDataSet(&ds);
    TDBMemo memo(nullptr);
    memo.SetDataSource(&source);
    memo.SetDataField(u"text");
    ds.Open();
    memo.insertPlainText(QStringLiteral("-editado "));
    ASSERT_EQ(ds.State(), dsEdit);
    memo.SetDataField(UString());
    EXPECT_EQ(ds.FieldByName(u"text").AsString(), u"-editado uno");
    EXPECT_TRUE(ds.Modified());

    memo.SetDataField(u"other");
    memo.insertPlainText(QStringLiteral("+"));
    memo.SetDataField(u"text");
    EXPECT_EQ(ds.FieldByName(u"other").AsString(), u"+otro");
    EXPECT_EQ(memo.toPlainText(), QStringLiteral("-editado uno"));
    memo.insertPlainText(QStringLiteral("!"));
    ds.Next();  // the move posts, with the typing
    EXPECT_EQ(ds.State(), dsBrowse);
    EXPECT_EQ(ds.StoredCell(0, 1).Blob.Data.size(), UString(u"!-editado uno").size() * 2);
    EXPECT_EQ(memo.toPlainText(), QStringLiteral("dos"));

    // A read-only field shows read-only.
    memo.SetDataField(u"fixed");
    EXPECT_TRUE(memo.isReadOnly());
    memo.SetDataField(u"text");
    EXPECT_FALSE(memo.isReadOnly());
}

// An empty result takes its first record with Down.
TEST(GridEditEmpty, DownOnAnEmptyGridBeginsTheFirstRecord) {
    VectorDataSet ds({{u"id", ftInteger}, {u"name", ftWideString, 20}});
    TDataSource source;
    source.SetDataSet(&ds);
    TDBGrid grid(nullptr);
    grid.SetDataSource(&source);
    ds.Open();
    grid.show();
    ASSERT_EQ(grid.model()->rowCount(), 0);
    QTest::keyClick(&grid, Qt::Key_Down);
    ASSERT_EQ(ds.State(), dsInsert);
    ASSERT_EQ(grid.model()->rowCount(), 1);
    EXPECT_EQ(grid.currentIndex().row(), 0);
    QTest::keyClicks(&grid, QStringLiteral("5"));
    ASSERT_NE(grid.CellEditor(), nullptr);
    QTest::keyClick(grid.CellEditor(), Qt::Key_Return);
    EXPECT_EQ(ds.State(), dsBrowse);
    ASSERT_EQ(ds.Rows.size(), 1u);
    EXPECT_EQ(ds.StoredCell(0, 0).Int, 5);
    EXPECT_EQ(grid.model()->rowCount(), 1);
}

}  // namespace
}  // namespace brevant
