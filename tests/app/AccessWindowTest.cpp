// The window on "Access": connect, the query and command panes, the viewers, and an
// Access connection open beside the MySQL one. The database file is only read.
#include <gtest/gtest.h>

#include <QApplication>

#include "ServerWindow.h"
#include "app/uMemo.h"

namespace brevant {
namespace {

using test::Panels;
using test::SetStatus;
using test::Status;

QString Nwind() { return QString::fromStdString(test::TestDataPath("access/nwind.mdb")); }

/// A window on "Access" with the row pointing at `file`, connected.
std::unique_ptr<TMain> AccessMain(const QString& file) {
    auto main = test::CreateMain();
    main->cbConnection->setCurrentIndex(2);
    main->edDatabase->setText(file);
    main->edUser->setText(QString());
    main->edPass->setText(QString());
    main->show();
    main->sbutConnect->click();
    return main;
}

void RunPane(QPlainTextEdit& pane, QToolButton& button, const char* text) {
    pane.setPlainText(QString::fromUtf8(text));
    button.click();
}

TEST(AccessWindow, ConnectSetsTheParametersAndOpens) {
    test::WorkingDir dir;
    auto main = AccessMain(Nwind());
    EXPECT_EQ(Status(*main)[0], "Conexión exitosa.");
    EXPECT_EQ(Status(*main)[1], "");
    EXPECT_TRUE(main->FDConn.Connected());
    EXPECT_EQ(main->FDConn.DriverName, u"MsAcc");
    EXPECT_FALSE(main->FDConn.LoginPrompt);
    const UString file = Nwind().toStdU16String();
    std::vector<UString> params;
    for (std::size_t i = 0; i < main->FDConn.Params.Count(); ++i) params.push_back(main->FDConn.Params[i]);
    EXPECT_EQ(params, (std::vector<UString>{u"DriverId=MsAcc", u"Database=" + file, u"User_name=", u"Password="}));
    EXPECT_FALSE(main->MyConn.Connected());
    EXPECT_EQ(QApplication::overrideCursor(), nullptr);  // the layer's wait cursor is gone again

    // A missing file: the failure text, and the connection stays closed.
    SetStatus(*main, {"x", "y", "z"});
    main->edDatabase->setText(dir.Path() + QStringLiteral("/missing.mdb"));
    main->sbutConnect->click();
    EXPECT_EQ(Status(*main), (Panels{"Error al conectar.", "", ""}));
    EXPECT_FALSE(main->FDConn.Connected());
}

TEST(AccessWindow, QueryPaneFillsTheGridFromFDQuery) {
    test::WorkingDir dir;
    auto main = AccessMain(Nwind());
    RunPane(*main->Memo1, *main->SpeedButton1, "SELECT CustomerID, CompanyName, City FROM Customers");
    Panels status = Status(*main);
    EXPECT_EQ(status[0], "Sentencia ejecutada correctamente.");
    EXPECT_EQ(status[1], "Registros: 91.");
    EXPECT_EQ(status[2].rfind("Tiempo invertido ", 0), 0u);
    EXPECT_EQ(main->DataSource1.DataSet(), &main->FDQuery);
    EXPECT_EQ(main->DBGrid1->model()->rowCount(), 91);

    // Moving writes the after-scroll text of the Access query.
    main->FDQuery.Next();
    EXPECT_EQ(Status(*main)[1], "Registros: 2/91.");

    // A statement the driver refuses: failure text, nothing in panel 1, grid empty.
    RunPane(*main->Memo1, *main->SpeedButton1, "SELEC nothing FROM");
    status = Status(*main);
    EXPECT_EQ(status[0], "Error en sentencia.");
    EXPECT_EQ(status[1], "");
    EXPECT_FALSE(main->FDQuery.Active());
    EXPECT_EQ(main->DBGrid1->model()->rowCount(), 0);
}

TEST(AccessWindow, CommandPaneReportsAnyFailedSegment) {
    test::WorkingDir dir;
    auto main = AccessMain(Nwind());
    struct Case {
        const char* name;
        const char* text;
        Panels expected;  // panels 0 and 1; "before" when nothing ran
    };
    const Case cases[] = {
        {"an update the driver cannot run", "UPDATE Customers SET City = 'x' WHERE 1 = 0", {"Error en comando.", ""}},
        {"a failing first segment is not hidden by the rest",
         "UPDATE Customers SET City = 'x' WHERE 1 = 0;\r\nUPDATE Customers SET City = 'y' WHERE 1 = 0",
         {"Error en comando.", ""}},
        {"blank text runs nothing", "  \r\n ", {"before", "before"}},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        SetStatus(*main, {"before", "before", "before"});
        RunPane(*main->Memo2, *main->SpeedButton2, c.text);
        const Panels status = Status(*main);
        EXPECT_EQ(status[0], c.expected[0]);
        EXPECT_EQ(status[1], c.expected[1]);
        EXPECT_EQ(status[2].rfind("Tiempo invertido ", 0), 0u);
    }
    EXPECT_EQ(main->FDCommand.Connection, &main->FDConn);
    // Nothing changed in the file.
    RunPane(*main->Memo1, *main->SpeedButton1, "SELECT City FROM Customers WHERE City = 'x' OR City = 'y'");
    EXPECT_EQ(main->FDQuery.RecordCount(), 0);
}

TEST(AccessWindow, ViewersLookAtTheAccessQuery) {
    test::WorkingDir dir;
    auto main = AccessMain(Nwind());
    TfrmMemo& memo = *main->frmMemo();
    main->SpeedButton8->click();  // closed query: nothing
    EXPECT_FALSE(memo.isVisible());

    RunPane(*main->Memo1, *main->SpeedButton1, "SELECT CustomerID, CompanyName, City FROM Customers");
    main->DBGrid1->setCurrentIndex(main->DBGrid1->model()->index(0, 1));
    main->DBGrid1DblClick();
    for (int i = 0; i < 50 && !memo.isActiveWindow(); ++i) QApplication::processEvents();
    ASSERT_TRUE(memo.isVisible());
    EXPECT_EQ(main->column, 1);
    EXPECT_EQ(memo.dbMemo->DataField(), u"CompanyName");
    EXPECT_EQ(memo.dbMemo->toPlainText(), QString::fromStdU16String(main->FDQuery.Fields()[1].AsString()));
    EXPECT_FALSE(memo.dbMemo->toPlainText().isEmpty());
    main->FDQuery.Next();
    EXPECT_EQ(memo.dbMemo->toPlainText(), QString::fromStdU16String(main->FDQuery.Fields()[1].AsString()));

    // Switching to a MySQL kind whose query is closed: the buttons do nothing.
    memo.close();
    main->cbConnection->setCurrentIndex(0);
    main->SpeedButton8->click();
    EXPECT_FALSE(memo.isVisible());
}

// Connecting "Access" leaves the MySQL connection open; back on "MySQL" the query
// runs on it without a new connect.
TEST(AccessWindow, KindsKeepTheirOwnConnections) {
    BREVANT_REQUIRE_SERVER(server);
    test::WorkingDir dir;
    auto main = test::ConnectedMain(server, "mysql");
    ASSERT_TRUE(main->MyConn.Connected());
    main->cbConnection->setCurrentIndex(2);
    main->edDatabase->setText(Nwind());
    main->sbutConnect->click();
    EXPECT_EQ(Status(*main)[0], "Conexión exitosa.");
    EXPECT_TRUE(main->FDConn.Connected());
    EXPECT_TRUE(main->MyConn.Connected());

    // A failed Access connect closes only the Access connection.
    main->edDatabase->setText(dir.Path() + QStringLiteral("/missing.mdb"));
    main->sbutConnect->click();
    EXPECT_EQ(Status(*main)[0], "Error al conectar.");
    EXPECT_TRUE(main->MyConn.Connected());
    main->edDatabase->setText(Nwind());
    main->sbutConnect->click();

    main->cbConnection->setCurrentIndex(0);
    main->edServer->setText(QStringLiteral("unreachable.invalid"));  // not looked at without a connect
    RunPane(*main->Memo1, *main->SpeedButton1, "SELECT 1");
    EXPECT_EQ(Status(*main)[0], "Sentencia ejecutada correctamente.");
    EXPECT_EQ(Status(*main)[1], "Registros: 1/1.");
    EXPECT_EQ(main->DataSource1.DataSet(), &main->MyQuery);
    EXPECT_TRUE(main->FDConn.Connected());
}

}  // namespace
}  // namespace brevant
