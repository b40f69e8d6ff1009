// Editing through the window against the real server: a cell typed in the grid and
// posted, cancelled, refused by the server; new and deleted rows; fields of a join;
// the memo viewer. Every change is checked from a second connection.
#include <gtest/gtest.h>

#include <QApplication>
#include <QLineEdit>
#include <QTest>

#include "ServerWindow.h"

namespace brevant {
namespace {

using test::Admin;

class AnsweringConfirmation : public IConfirmation {
public:
    int asked = 0;
    bool Ask(const QString&) override {
        ++asked;
        return true;
    }
};

class EditWindow : public ::testing::Test {
protected:
    test::WorkingDir dir;
    std::unique_ptr<TMain> main;
    TDBGrid* grid = nullptr;

    static void Prepare(Admin& admin) {
        admin.Exec("CREATE OR REPLACE TABLE e_rows (id INT AUTO_INCREMENT PRIMARY KEY, name VARCHAR(20) UNIQUE, "
                   "qty INT, note TEXT)");
        admin.Exec("INSERT INTO e_rows VALUES (1, 'ana', 5, 'primera'), (2, 'bea', 7, 'segunda'), (3, 'carla', 9, NULL)");
    }
    void Start(const test::ServerAddress& server, const char* sql = "SELECT * FROM e_rows ORDER BY id") {
        main = test::ConnectedMain(server);
        grid = main->DBGrid1;
        main->Memo1->setPlainText(QString::fromUtf8(sql));
        main->SpeedButton1->click();
        ASSERT_EQ(test::Status(*main)[0], "Sentencia ejecutada correctamente.");
        grid->setFocus();
    }
    void Go(int row, int column) { grid->setCurrentIndex(grid->model()->index(row, column)); }
    QString Cell(int row, int column) { return grid->model()->index(row, column).data().toString(); }
    void Key(int key, Qt::KeyboardModifiers mods = Qt::NoModifier) {
        QWidget* target = grid->CellEditor() ? static_cast<QWidget*>(grid->CellEditor()) : grid;
        QTest::keyClick(target, static_cast<Qt::Key>(key), mods);
    }
    void Type(const char* text) {
        if (!grid->CellEditor()) QTest::keyClick(grid, Qt::Key_F2);
        ASSERT_NE(grid->CellEditor(), nullptr);
        grid->CellEditor()->selectAll();
        QTest::keyClicks(grid->CellEditor(), QString::fromUtf8(text));
    }
};

constexpr char kRows[] = "SELECT id, name, qty, note FROM e_rows ORDER BY id";
constexpr char kStart[] = "1,ana,5,primera|2,bea,7,segunda|3,carla,9,NULL";

TEST_F(EditWindow, ACellTypedAndPostedChangesOnlyThatServerRow) {
    BREVANT_REQUIRE_SERVER(server);
    Admin admin(server);
    Prepare(admin);
    test::CapturedReports reports;
    Start(server);

    Go(1, 1);
    Type("berta");
    EXPECT_EQ(admin.Table(kRows), kStart);  // nothing is sent while typing
    Key(Qt::Key_Return);
    EXPECT_EQ(main->MyQuery.State(), dsBrowse);
    EXPECT_EQ(admin.Table(kRows), "1,ana,5,primera|2,berta,7,segunda|3,carla,9,NULL");

    // Tab to the next cell keeps the record open; leaving the row posts both values.
    Go(0, 1);
    Type("uno");
    Key(Qt::Key_Tab);
    Type("50");
    EXPECT_EQ(admin.Table(kRows), "1,ana,5,primera|2,berta,7,segunda|3,carla,9,NULL");
    Key(Qt::Key_Down);
    EXPECT_EQ(admin.Table(kRows), "1,uno,50,primera|2,berta,7,segunda|3,carla,9,NULL");
    EXPECT_EQ(main->MyQuery.RecNo(), 2);
    EXPECT_EQ(test::Status(*main)[1], "Registros: 2/3.");
    EXPECT_TRUE(reports.Texts().isEmpty());
}

TEST_F(EditWindow, EscapeCancels) {
    BREVANT_REQUIRE_SERVER(server);
    Admin admin(server);
    Prepare(admin);
    test::CapturedReports reports;
    Start(server);
    Go(2, 1);
    Type("cambiada");
    Key(Qt::Key_Tab);
    Type("99");
    Key(Qt::Key_Escape);
    EXPECT_EQ(main->MyQuery.State(), dsBrowse);
    EXPECT_EQ(Cell(2, 1), QStringLiteral("carla"));
    EXPECT_EQ(Cell(2, 2), QStringLiteral("9"));
    Go(0, 0);  // moving on sends nothing
    EXPECT_EQ(admin.Table(kRows), kStart);
    EXPECT_TRUE(reports.Texts().isEmpty());
}

TEST_F(EditWindow, AFailedPostShowsTheServerMessageOnceAndKeepsTheEdit) {
    BREVANT_REQUIRE_SERVER(server);
    Admin admin(server);
    Prepare(admin);
    test::CapturedReports reports;
    Start(server);
    Go(0, 1);
    Type("bea");  // taken: the UNIQUE key refuses it
    Key(Qt::Key_Return);
    ASSERT_EQ(reports.Texts().size(), 1);
    EXPECT_TRUE(reports.Texts()[0].contains(QStringLiteral("Duplicate entry 'bea'"))) << reports.Texts()[0].toStdString();
    EXPECT_EQ(main->MyQuery.State(), dsEdit);
    EXPECT_EQ(Cell(0, 1), QStringLiteral("bea"));
    EXPECT_EQ(main->MyQuery.RecNo(), 1);
    EXPECT_EQ(admin.Table(kRows), kStart);

    // The user corrects the value and posts.
    Type("anita");
    Key(Qt::Key_Return);
    EXPECT_EQ(reports.Texts().size(), 1);
    EXPECT_EQ(main->MyQuery.State(), dsBrowse);
    EXPECT_EQ(admin.Table(kRows), "1,anita,5,primera|2,bea,7,segunda|3,carla,9,NULL");
}

TEST_F(EditWindow, RowsAddedAndDeleted) {
    BREVANT_REQUIRE_SERVER(server);
    Admin admin(server);
    Prepare(admin);
    test::CapturedReports reports;
    Start(server);
    auto confirmation = std::make_unique<AnsweringConfirmation>();
    AnsweringConfirmation& asked = *confirmation;
    grid->SetConfirmation(std::move(confirmation));

    Go(2, 1);
    Key(Qt::Key_Down);  // after the last row
    ASSERT_EQ(main->MyQuery.State(), dsInsert);
    ASSERT_EQ(grid->model()->rowCount(), 4);
    Type("dora");
    Key(Qt::Key_Return);
    EXPECT_TRUE(reports.Texts().isEmpty()) << reports.Texts().join(QLatin1Char('\n')).toStdString();
    EXPECT_EQ(admin.Table(kRows), std::string(kStart) + "|4,dora,NULL,NULL");
    EXPECT_EQ(Cell(3, 0), QStringLiteral("4"));  // the server's new id

    Go(1, 1);
    Key(Qt::Key_Delete, Qt::ControlModifier);
    EXPECT_EQ(asked.asked, 1);
    EXPECT_EQ(admin.Table(kRows), "1,ana,5,primera|3,carla,9,NULL|4,dora,NULL,NULL");
    EXPECT_EQ(grid->model()->rowCount(), 3);
    EXPECT_EQ(Cell(1, 1), QStringLiteral("carla"));
}

TEST_F(EditWindow, FieldsOfAnotherTableAreGreyedAndRefused) {
    BREVANT_REQUIRE_SERVER(server);
    Admin admin(server);
    Prepare(admin);
    admin.Exec("CREATE OR REPLACE TABLE e_tags (id INT PRIMARY KEY, label VARCHAR(10))");
    admin.Exec("INSERT INTO e_tags VALUES (1, 'rojo'), (2, 'azul'), (3, 'verde')");
    test::CapturedReports reports;
    Start(server, "SELECT e.id, e.name, t.label FROM e_rows e JOIN e_tags t ON t.id = e.id ORDER BY e.id");
    QAbstractItemModel& model = *grid->model();
    EXPECT_TRUE(model.flags(model.index(0, 1)) & Qt::ItemIsEditable);
    EXPECT_FALSE(model.flags(model.index(0, 2)) & Qt::ItemIsEditable);
    EXPECT_TRUE(model.index(0, 2).data(Qt::ForegroundRole).isValid());
    Go(0, 2);
    QTest::keyClick(grid, Qt::Key_F2);
    EXPECT_EQ(grid->CellEditor(), nullptr);
    EXPECT_FALSE(model.setData(model.index(0, 2), QStringLiteral("negro")));
    ASSERT_EQ(reports.Texts().size(), 1);
    EXPECT_EQ(reports.Texts()[0], QStringLiteral("Field 'label' cannot be modified"));

    // The updating table's field next to it is written.
    Go(0, 1);
    Type("ana2");
    Key(Qt::Key_Return);
    EXPECT_EQ(admin.Table("SELECT name FROM e_rows WHERE id = 1"), "ana2");
    EXPECT_EQ(admin.Table("SELECT label FROM e_tags WHERE id = 1"), "rojo");
}

TEST_F(EditWindow, TheMemoViewerEditsThroughTheSameDataSet) {
    BREVANT_REQUIRE_SERVER(server);
    Admin admin(server);
    Prepare(admin);
    test::CapturedReports reports;
    Start(server);
    TfrmMemo& memo = *main->frmMemo();
    Go(0, 3);
    main->SpeedButton8->click();
    for (int i = 0; i < 50 && !memo.isActiveWindow(); ++i) QApplication::processEvents();
    ASSERT_EQ(memo.dbMemo->DataField(), u"note");
    ASSERT_EQ(memo.dbMemo->toPlainText(), QStringLiteral("primera"));

    memo.dbMemo->selectAll();
    memo.dbMemo->insertPlainText(QStringLiteral("linea 1\nlinea 2"));
    EXPECT_EQ(main->MyQuery.State(), dsEdit);
    main->MyQuery.Next();  // the record moves: the memo's text is posted
    EXPECT_EQ(admin.Table("SELECT note FROM e_rows WHERE id = 1"), "linea 1\r\nlinea 2");
    EXPECT_EQ(memo.dbMemo->toPlainText(), QStringLiteral("segunda"));

    // Closing the viewer keeps what was typed in the record; Enter in the grid posts it.
    memo.dbMemo->selectAll();
    memo.dbMemo->insertPlainText(QStringLiteral("otra"));
    memo.close();
    EXPECT_EQ(memo.dbMemo->DataField(), UString());
    EXPECT_EQ(main->MyQuery.State(), dsEdit);
    EXPECT_EQ(main->MyQuery.FieldByName(u"note").AsString(), u"otra");
    Key(Qt::Key_Return);
    EXPECT_EQ(admin.Table("SELECT note FROM e_rows WHERE id = 2"), "otra");
    EXPECT_TRUE(reports.Texts().isEmpty()) << reports.Texts().join(QLatin1Char('\n')).toStdString();
}

}  // namespace
}  // namespace brevant
