// The query pane, the grid and the viewers against the real server, through the
// window's handlers.
#include <gtest/gtest.h>

#include <QApplication>

#include "ServerWindow.h"
#include "mysql/wire/TMySQLAPIDirect.h"

namespace brevant {
namespace {

using test::Admin;
using test::CreateMain;
using test::FillRow;
using test::Panels;
using test::SetStatus;
using test::Status;
using test::WorkingDir;

/// The direct client, recording every statement text the session sends.
class CapturingAPI : public TMySQLAPIDirect {
public:
    std::vector<std::string> statements;
    int mysql_real_query(PMYSQL_CON mysql, const char* query, std::size_t length) override {
        statements.emplace_back(query, length);
        return TMySQLAPIDirect::mysql_real_query(mysql, query, length);
    }
};

class QueryPane : public ::testing::Test {
protected:
    CapturingAPI api;
    TMySQLAPI* previous = nullptr;
    void SetUp() override { previous = SetMySQLAPI(akDirect, &api); }
    void TearDown() override { SetMySQLAPI(akDirect, previous); }

    static void Prepare(Admin& admin) {
        admin.Exec("CREATE OR REPLACE TABLE q_rows (id INT PRIMARY KEY, name VARCHAR(20), note TEXT, data BLOB)");
        admin.Exec("INSERT INTO q_rows VALUES (1, 'ana', 'primera', 'ab\\0cd'), (2, NULL, 'segunda', NULL), "
                   "(3, 'carla', NULL, 'xyz')");
    }

    /// Runs the query pane with `text`; the elapsed time is the frame's, so a slow
    /// second is taken as none.
    static Panels Run(TMain& main, const char* text) {
        main.Memo1->setPlainText(QString::fromUtf8(text));
        main.SpeedButton1->click();
        Panels status = Status(main);
        if (status[2] == "Tiempo invertido 1 segundos.") status[2] = "Tiempo invertido 0 segundos.";
        return status;
    }
};

TEST_F(QueryPane, OutcomesOnMySQL) {
    BREVANT_REQUIRE_SERVER(server);
    Admin admin(server);
    Prepare(admin);
    WorkingDir dir;
    auto main = test::ConnectedMain(server);

    struct Case {
        const char* name;
        const char* text;
        Panels status;
        int rows, columns;
    };
    const Case cases[] = {
        {"one row", "SELECT id, name\nFROM q_rows\nWHERE id = 1",
         {"Sentencia ejecutada correctamente.", "Registros: 1/1.", "Tiempo invertido 0 segundos."}, 1, 2},
        {"an empty result", "SELECT * FROM q_rows WHERE id > 10",
         {"Sentencia ejecutada correctamente.", "Registros: 0/0.", "Tiempo invertido 0 segundos."}, 0, 4},
        {"three rows", "SELECT * FROM q_rows ORDER BY id",
         {"Sentencia ejecutada correctamente.", "Registros: 1/3.", "Tiempo invertido 0 segundos."}, 3, 4},
        {"a syntax error", "SELEC * FROM q_rows", {"Error en sentencia.", "", "Tiempo invertido 0 segundos."}, 0, 0},
        {"a missing table", "SELECT * FROM q_none", {"Error en sentencia.", "", "Tiempo invertido 0 segundos."}, 0, 0},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        SetStatus(*main, {"before", "before", "before"});
        EXPECT_EQ(Run(*main, c.text), c.status);
        EXPECT_EQ(main->DBGrid1->model()->rowCount(), c.rows);
        EXPECT_EQ(main->DBGrid1->model()->columnCount(), c.columns);
        EXPECT_EQ(main->DataSource1.DataSet(), &main->MyQuery);
    }
    // The pane's lines reach the server with CR LF.
    api.statements.clear();
    Run(*main, "SELECT 1\nFROM q_rows");
    ASSERT_FALSE(api.statements.empty());
    EXPECT_NE(api.statements.back().find("SELECT 1\r\nFROM q_rows"), std::string::npos) << api.statements.back();
}

TEST_F(QueryPane, TheGridShowsTheRowsAndMovingRewritesTheCount) {
    BREVANT_REQUIRE_SERVER(server);
    Admin admin(server);
    Prepare(admin);
    WorkingDir dir;
    auto main = test::ConnectedMain(server);
    Run(*main, "SELECT * FROM q_rows ORDER BY id");
    QAbstractItemModel& grid = *main->DBGrid1->model();
    EXPECT_EQ(grid.headerData(0, Qt::Horizontal).toString(), QStringLiteral("id"));
    EXPECT_EQ(grid.headerData(3, Qt::Horizontal).toString(), QStringLiteral("data"));
    EXPECT_EQ(grid.index(0, 1).data().toString(), QStringLiteral("ana"));
    EXPECT_EQ(grid.index(1, 1).data().toString(), QString());  // NULL
    EXPECT_EQ(grid.index(2, 0).data().toString(), QStringLiteral("3"));
    EXPECT_TRUE(grid.index(0, 2).data().toString().startsWith(QLatin1Char('(')));  // a large object's short text

    main->DBGrid1->setCurrentIndex(grid.index(2, 1));
    EXPECT_EQ(main->MyQuery.RecNo(), 3);
    EXPECT_EQ(Status(*main)[1], "Registros: 3/3.");
    main->MyQuery.Prior();
    EXPECT_EQ(main->DBGrid1->currentIndex().row(), 1);
    EXPECT_EQ(Status(*main)[1], "Registros: 2/3.");
}

// A run opens MyConn by itself with the settings that it holds.
TEST_F(QueryPane, RunsWithoutPressingConnect) {
    BREVANT_REQUIRE_SERVER(server);
    Admin admin(server);
    Prepare(admin);
    WorkingDir dir;
    auto main = CreateMain();
    test::PointMyConnAt(*main, server);
    EXPECT_EQ(Run(*main, "SELECT name FROM q_rows WHERE id = 3")[1], "Registros: 1/1.");
    EXPECT_TRUE(main->MyConn.Connected());
}

TEST_F(QueryPane, TheGridModelOverALargeResult) {
    BREVANT_REQUIRE_SERVER(server);
    WorkingDir dir;
    auto main = test::ConnectedMain(server, "mysql");
    EXPECT_EQ(Run(*main, "SELECT seq, IF(seq % 1000 = 0, NULL, CONCAT('n', seq)) AS name FROM seq_1_to_100000")[1],
              "Registros: 1/100000.");
    QAbstractItemModel& grid = *main->DBGrid1->model();
    ASSERT_EQ(grid.rowCount(), 100000);
    EXPECT_EQ(grid.index(0, 1).data().toString(), QStringLiteral("n1"));
    EXPECT_EQ(grid.index(99998, 0).data().toString(), QStringLiteral("99999"));
    EXPECT_EQ(grid.index(99999, 1).data().toString(), QString());
    EXPECT_EQ(grid.index(54320, 1).data().toString(), QStringLiteral("n54321"));
    EXPECT_EQ(main->MyQuery.RecNo(), 1);  // reading cells moves nothing
}

TEST_F(QueryPane, NoKindRunsOnlyTheFrame) {
    WorkingDir dir;
    auto main = CreateMain();
    main->Memo1->setPlainText(QStringLiteral("SELECT 1"));
    for (int kind : {-1}) {
        SCOPED_TRACE(kind);
        main->cbConnection->setCurrentIndex(kind);
        SetStatus(*main, {"before", "before", "before"});
        main->SpeedButton1->click();
        const Panels status = Status(*main);
        EXPECT_EQ(status[0], "before");
        EXPECT_EQ(status[1], "before");
        EXPECT_EQ(status[2].rfind("Tiempo invertido ", 0), 0u);
        EXPECT_FALSE(main->MyQuery.Active());
    }
}

/// Waits until `w` is the active window (the offscreen platform activates at once,
/// after the events are processed).
void Activate(QWidget& w) {
    for (int i = 0; i < 50 && !w.isActiveWindow(); ++i) QApplication::processEvents();
}

TEST_F(QueryPane, TheMemoViewerFollowsTheRecordAndSendsNothing) {
    BREVANT_REQUIRE_SERVER(server);
    Admin admin(server);
    Prepare(admin);
    WorkingDir dir;
    auto main = CreateMain();
    FillRow(*main, server);
    main->show();
    TfrmMemo& memo = *main->frmMemo();

    // Closed query: the buttons and the double click do nothing.
    main->SpeedButton8->click();
    main->DBGrid1DblClick();
    main->SpeedButton7->click();
    EXPECT_FALSE(memo.isVisible());
    EXPECT_FALSE(main->frmImagen()->isVisible());

    main->sbutConnect->click();
    Run(*main, "SELECT * FROM q_rows ORDER BY id");
    main->DBGrid1->setCurrentIndex(main->DBGrid1->model()->index(0, 3));  // the BLOB column
    main->SpeedButton8->click();
    Activate(memo);
    ASSERT_TRUE(memo.isVisible());
    EXPECT_EQ(main->column, 3);
    EXPECT_EQ(memo.dbMemo->DataField(), u"data");
    EXPECT_EQ(memo.dbMemo->toPlainText(), QString::fromStdU16String(UString(u"ab\0cd", 5)));

    // Browsing the BLOB column sends nothing and changes nothing.
    api.statements.clear();
    main->MyQuery.Next();
    EXPECT_EQ(memo.dbMemo->toPlainText(), QString());
    main->MyQuery.Next();
    EXPECT_EQ(memo.dbMemo->toPlainText(), QStringLiteral("xyz"));
    main->DBGrid1->setCurrentIndex(main->DBGrid1->model()->index(0, 3));
    EXPECT_EQ(memo.dbMemo->toPlainText(), QString::fromStdU16String(UString(u"ab\0cd", 5)));
    EXPECT_EQ(main->MyQuery.State(), dsBrowse);
    EXPECT_TRUE(api.statements.empty()) << api.statements.front();

    // Another column: the viewer switches to it.
    main->DBGrid1->setCurrentIndex(main->DBGrid1->model()->index(0, 2));
    main->DBGrid1DblClick();
    Activate(memo);
    EXPECT_EQ(memo.dbMemo->DataField(), u"note");
    EXPECT_EQ(memo.dbMemo->toPlainText(), QStringLiteral("primera"));

    // A query run closes it; showing it again binds it afresh.
    Run(*main, "SELECT name, note FROM q_rows ORDER BY id DESC");
    EXPECT_FALSE(memo.isVisible());
    EXPECT_EQ(memo.dbMemo->DataField(), u"");
    main->DBGrid1->setCurrentIndex(main->DBGrid1->model()->index(0, 0));
    main->SpeedButton8->click();
    Activate(memo);
    EXPECT_EQ(memo.dbMemo->DataField(), u"name");
    EXPECT_EQ(memo.dbMemo->toPlainText(), QStringLiteral("carla"));

    // An empty result: nothing to show.
    memo.close();
    Run(*main, "SELECT * FROM q_rows WHERE id = 0");
    main->SpeedButton8->click();
    EXPECT_FALSE(memo.isVisible());
}

TEST_F(QueryPane, TheImageViewerShowsAPictureColumn) {
    BREVANT_REQUIRE_SERVER(server);
    const std::string jpeg = test::ReadBytes(test::TestDataPath("documents/hopper.jpg"));
    ASSERT_FALSE(jpeg.empty());
    Admin admin(server);
    admin.Exec("CREATE OR REPLACE TABLE q_pictures (id INT PRIMARY KEY, picture MEDIUMBLOB)");
    std::string hex;
    for (unsigned char ch : jpeg) {
        static const char digits[] = "0123456789ABCDEF";
        hex += digits[ch >> 4];
        hex += digits[ch & 15];
    }
    admin.Exec("INSERT INTO q_pictures VALUES (1, 0x" + hex + "), (2, 'no picture')");
    WorkingDir dir;
    auto main = test::ConnectedMain(server);
    Run(*main, "SELECT id, picture FROM q_pictures ORDER BY id");
    main->DBGrid1->setCurrentIndex(main->DBGrid1->model()->index(0, 1));
    main->SpeedButton7->click();
    TfrmImagen& viewer = *main->frmImagen();
    Activate(viewer);
    ASSERT_TRUE(viewer.isVisible());
    EXPECT_EQ(main->imagen, 1);
    EXPECT_EQ(viewer.DBImage1->DataSource(), &main->DataSource1);
    EXPECT_EQ(viewer.DBImage1->Picture().size(), QSize(128, 128));
    main->MyQuery.Next();
    EXPECT_TRUE(viewer.DBImage1->Picture().isNull());
}

}  // namespace
}  // namespace brevant
