// The command pane's run button against the real server.
#include <gtest/gtest.h>

#include "ServerWindow.h"

namespace brevant {
namespace {

using test::Admin;
using test::CreateMain;
using test::Panels;
using test::SetStatus;
using test::Status;
using test::WorkingDir;

class CommandPane : public ::testing::Test {
protected:
    void Prepare(Admin& admin) {
        admin.Exec("CREATE OR REPLACE TABLE cmd_rows (id INT PRIMARY KEY, name VARCHAR(20))");
        admin.Exec("INSERT INTO cmd_rows VALUES (1, 'a'), (2, 'b'), (3, 'c'), (4, 'd')");
    }
};

TEST_F(CommandPane, OutcomesOnMySQL) {
    BREVANT_REQUIRE_SERVER(server);
    Admin admin(server);
    Prepare(admin);
    WorkingDir dir;
    auto main = test::ConnectedMain(server);

    struct Case {
        const char* name;
        const char* text;
        Panels status;
    };
    const Case cases[] = {
        {"an UPDATE of three rows", "UPDATE cmd_rows\nSET name = 'x'\nWHERE id <= 3",
         {"Comando ejecutado correctamente.", "Registros afectados 3.", "Tiempo invertido 0 segundos."}},
        {"a statement changing nothing", "UPDATE cmd_rows SET name = 'x' WHERE id = 99",
         {"Comando ejecutado correctamente.", "Registros afectados 0.", "Tiempo invertido 0 segundos."}},
        {"a syntax error", "UPDATE cmd_rows SET WHERE",
         {"Error en comando.", "", "Tiempo invertido 0 segundos."}},
        {"a refused statement", "INSERT INTO cmd_rows VALUES (1, 'again')",
         {"Error en comando.", "", "Tiempo invertido 0 segundos."}},
        {"two statements: the first one's count", "DELETE FROM cmd_rows WHERE id = 4; UPDATE cmd_rows SET name = 'y'",
         {"Comando ejecutado correctamente.", "Registros afectados 1.", "Tiempo invertido 0 segundos."}},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        SetStatus(*main, {"before", "Registros: 1/1.", "before"});
        main->frmMemo()->show();
        main->Memo2->setPlainText(QString::fromUtf8(c.text));
        main->SpeedButton2->click();
        Panels status = Status(*main);
        // Only a very slow machine takes a second; the time itself is the frame's.
        if (status[2] == "Tiempo invertido 1 segundos.") status[2] = "Tiempo invertido 0 segundos.";
        EXPECT_EQ(status, c.status);
        EXPECT_FALSE(main->frmMemo()->isVisible());
    }
    // Both statements of the last case ran: row 4 went, the three others were renamed.
    main->Memo2->setPlainText(QStringLiteral("DELETE FROM cmd_rows WHERE name = 'y'"));
    main->SpeedButton2->click();
    EXPECT_EQ(Status(*main)[1], "Registros afectados 3.");
}

// The command opens MyConn by itself with the settings that it holds.
TEST_F(CommandPane, RunsWithoutPressingConnect) {
    BREVANT_REQUIRE_SERVER(server);
    Admin admin(server);
    Prepare(admin);
    WorkingDir dir;
    auto main = CreateMain();
    test::PointMyConnAt(*main, server);
    main->edPort->setText(QStringLiteral("not looked at"));
    main->Memo2->setPlainText(QStringLiteral("UPDATE cmd_rows SET name = 'z' WHERE id IN (1, 2)"));
    main->SpeedButton2->click();
    EXPECT_EQ(Status(*main)[0], "Comando ejecutado correctamente.");
    EXPECT_EQ(Status(*main)[1], "Registros afectados 2.");
    EXPECT_TRUE(main->MyConn.Connected());
}

// No kind runs only the frame.
TEST_F(CommandPane, NoKindRunsOnlyTheFrame) {
    WorkingDir dir;
    auto main = CreateMain();
    main->Memo2->setPlainText(QStringLiteral("DROP DATABASE mysql"));
    for (int kind : {-1}) {
        SCOPED_TRACE(kind);
        main->cbConnection->setCurrentIndex(kind);
        SetStatus(*main, {"before", "Registros: 1/1.", "before"});
        main->SpeedButton2->click();
        const Panels status = Status(*main);
        EXPECT_EQ(status[0], "before");
        EXPECT_EQ(status[1], "Registros: 1/1.");
        EXPECT_EQ(status[2].rfind("Tiempo invertido ", 0), 0u);
        EXPECT_FALSE(main->MyConn.Connected());
    }
}

}  // namespace
}  // namespace brevant
