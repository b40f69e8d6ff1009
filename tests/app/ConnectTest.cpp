// The connect button against the real server, through the window's handler.
#include <gtest/gtest.h>

#include "ServerWindow.h"

namespace brevant {
namespace {

using test::CapturedReports;
using test::CreateMain;
using test::FillRow;
using test::Panels;
using test::Q;
using test::SetStatus;
using test::Status;
using test::WorkingDir;

TEST(Connect, OutcomesOnMySQL) {
    BREVANT_REQUIRE_SERVER(server);
    WorkingDir dir;
    CapturedReports reports;
    auto main = CreateMain();
    FillRow(*main, server, "mysql");
    main->show();
    main->frmMemo()->show();

    SetStatus(*main, {"x", "Registros: 1/1.", "Tiempo invertido 3 segundos."});
    main->sbutConnect->click();
    EXPECT_EQ(Status(*main), (Panels{"Conexión exitosa.", "", ""}));
    EXPECT_TRUE(main->MyConn.Connected());
    EXPECT_FALSE(main->frmMemo()->isVisible());
    EXPECT_EQ(main->MyConn.Database(), u"mysql");
    EXPECT_EQ(main->MyConn.Port(), server.port);

    // A wrong password: the connection closes first and stays closed.
    main->edPass->setText(Q(server.password + "-wrong"));
    SetStatus(*main, {"x", "Registros: 1/1.", "Tiempo invertido 3 segundos."});
    main->sbutConnect->click();
    EXPECT_EQ(Status(*main), (Panels{"Error al conectar.", "", ""}));
    EXPECT_FALSE(main->MyConn.Connected());

    // A database that does not exist is a failed connect too.
    FillRow(*main, server, "mysql");
    main->edDatabase->setText(QStringLiteral("no_such_database"));
    main->sbutConnect->click();
    EXPECT_EQ(Status(*main)[0], "Error al conectar.");
    EXPECT_TRUE(reports.Texts().isEmpty());
}

// A port that is no whole number stops the connect after MyConn was closed and took
// the other boxes; the conversion error is reported and the status bar keeps its texts.
TEST(Connect, APortThatIsNoNumberIsReported) {
    BREVANT_REQUIRE_SERVER(server);
    WorkingDir dir;
    auto main = CreateMain();
    for (const char* port : {"x1", ""}) {
        SCOPED_TRACE(port);
        CapturedReports reports;
        FillRow(*main, server, "mysql");
        main->sbutConnect->click();
        ASSERT_TRUE(main->MyConn.Connected());
        SetStatus(*main, {"Conexión exitosa.", "Registros: 2/5.", "Tiempo invertido 1 segundos."});
        main->edPort->setText(QString::fromUtf8(port));
        main->edDatabase->setText(QStringLiteral("information_schema"));
        main->edUser->setText(QStringLiteral("someone"));
        main->sbutConnect->click();
        ASSERT_EQ(reports.Texts().size(), 1);
        EXPECT_EQ(reports.Texts()[0], QStringLiteral("'%1' is not a valid integer value").arg(QString::fromUtf8(port)));
        EXPECT_EQ(Status(*main), (Panels{"Conexión exitosa.", "Registros: 2/5.", "Tiempo invertido 1 segundos."}));
        EXPECT_FALSE(main->MyConn.Connected());
        EXPECT_EQ(main->MyConn.Database(), u"information_schema");
        EXPECT_EQ(main->MyConn.Username(), u"someone");
        EXPECT_EQ(main->MyConn.Port(), server.port);
    }
}

// No kind touches no connection and keeps panel 0.
TEST(Connect, NoKindLeavesMyConnAlone) {
    BREVANT_REQUIRE_SERVER(server);
    WorkingDir dir;
    auto main = CreateMain();
    FillRow(*main, server, "mysql");
    main->sbutConnect->click();
    ASSERT_TRUE(main->MyConn.Connected());
    for (int kind : {-1}) {
        SCOPED_TRACE(kind);
        main->cbConnection->setCurrentIndex(kind);
        main->edPort->setText(QStringLiteral("x1"));  // not looked at
        SetStatus(*main, {"Conexión exitosa.", "Registros: 1/1.", "Tiempo invertido 0 segundos."});
        main->sbutConnect->click();
        EXPECT_EQ(Status(*main), (Panels{"Conexión exitosa.", "", ""}));
        EXPECT_TRUE(main->MyConn.Connected());
    }
}

TEST(Connect, MyConnStartsAsDesigned) {
    WorkingDir dir;
    auto main = CreateMain();
    TMyConnection& c = main->MyConn;
    EXPECT_FALSE(c.Connected());
    EXPECT_TRUE(c.Options().UseUnicode());
    EXPECT_EQ(c.Options().Charset(), u"latin1");
    EXPECT_EQ(c.Options().IPVersion(), ivIPBoth);
    EXPECT_EQ(c.Username(), u"root");
    EXPECT_EQ(c.Server(), u"localhost");
    EXPECT_FALSE(c.LoginPrompt());
}

}  // namespace
}  // namespace brevant
