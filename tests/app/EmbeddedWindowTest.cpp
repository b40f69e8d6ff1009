// The window on "MySQL Embebido", with a data folder the suite makes itself. One
// embedded server per process: these tests have a program of their own.
#include <gtest/gtest.h>
#include <unistd.h>

#include <QApplication>
#include <QLineEdit>
#include <QTest>
#include <cstdlib>
#include <filesystem>

#include "AppTestUtil.h"
#include "app/uMemo.h"
#include "support/TestServer.h"
#include "paths/MySQLAPIRegistration.h"
#include "paths/TMySQLAPIEmbedded.h"

namespace brevant {
namespace {

namespace fs = std::filesystem;

using Panels = std::vector<std::string>;

Panels Status(TMain& main) {
    Panels texts;
    for (int i = 0; i < 3; ++i) texts.push_back(main.StatusBar1->PanelText(i).toStdString());
    return texts;
}

void RunPane(QPlainTextEdit& pane, QToolButton& button, const char* text) {
    pane.setPlainText(QString::fromUtf8(text));
    button.click();
}

class EmbeddedWindow : public ::testing::Test {
protected:
    static void SetUpTestSuite() {
        char tmpl[] = "/tmp/brevant-embedded-window-XXXXXX";
        if (!mkdtemp(tmpl)) return;
        root = fs::canonical(tmpl).string();
        ready = test::BootstrapDataFolder(root + "/datos", root + "/install.log");
    }
    static void TearDownTestSuite() {
        MyAPIEmbedded().Shutdown();  // before its folder goes
        if (!root.empty()) fs::remove_all(root);
    }
    void SetUp() override {
        if (!ready) {
            if (std::getenv("CI")) FAIL() << "mariadb-install-db could not make a data folder";
            GTEST_SKIP() << "mariadb-install-db could not make a data folder (apt-get install mariadb-server)";
        }
        oldCwd = fs::current_path();
        fs::current_path(root);  // the data directory box names the folder relative to here
        main = test::CreateMain();
        main->show();
    }
    void TearDown() override {
        main.reset();
        if (ready) fs::current_path(oldCwd);
    }

    /// Connects "MySQL Embebido" on the suite's folder with `database`.
    void Connect(const char* database) {
        main->cbConnection->setCurrentIndex(1);
        main->edServer->setText(QStringLiteral("/usr"));
        main->edDataDir->setText(QStringLiteral("datos"));
        main->edDatabase->setText(QString::fromUtf8(database));
        main->edPort->setText(QStringLiteral("not a number"));  // not looked at
        main->edUser->setText(QStringLiteral("root"));
        main->edPass->setText(QString());
        main->sbutConnect->click();
    }

    static inline std::string root;
    static inline bool ready = false;
    fs::path oldCwd;
    std::unique_ptr<TMain> main;
};

TEST_F(EmbeddedWindow, ConnectReplacesTheStartArguments) {
    const TStrings& designed = main->MyEmbConn.Params();
    ASSERT_EQ(designed.Count(), 2u);
    EXPECT_EQ(designed[0], u"--datadir=datos");
    EXPECT_EQ(designed[1], u"--basedir=.");

    Connect("");
    EXPECT_EQ(Status(*main), (Panels{"Conexión exitosa.", "", ""}));
    TMyEmbConnection& c = main->MyEmbConn;
    ASSERT_TRUE(c.Connected());
    ASSERT_EQ(c.Params().Count(), 2u);
    EXPECT_EQ(c.Params()[0], u"--basedir=/usr");
    EXPECT_EQ(c.Params()[1], u"--datadir=datos");
    EXPECT_EQ(c.Server(), u"localhost");
    EXPECT_EQ(c.Username(), u"root");
    EXPECT_FALSE(c.LoginPrompt());
    EXPECT_FALSE(main->MyConn.Connected());  // the other kinds are not touched
    EXPECT_FALSE(main->FDConn.Connected());

    // A database the server does not have: the failure text, the server stays up.
    main->edDatabase->setText(QStringLiteral("no_such_db"));
    main->sbutConnect->click();
    EXPECT_EQ(Status(*main)[0], "Error al conectar.");
    EXPECT_FALSE(c.Connected());
    EXPECT_TRUE(MyAPIEmbedded().ServerInited());

    // The same folder typed absolute: it reaches the server whole and shares it.
    main->edDatabase->setText(QString());
    main->edDataDir->setText(QString::fromStdString(root + "/datos"));
    main->sbutConnect->click();
    EXPECT_EQ(Status(*main)[0], "Conexión exitosa.");
    EXPECT_EQ(Utf16ToUtf8(c.Params()[1]), "--datadir=" + root + "/datos");
    EXPECT_EQ(MyAPIEmbedded().DataDir(), root + "/datos");
}

TEST_F(EmbeddedWindow, PanesAndBackupRunOnTheEmbeddedServer) {
    Connect("");
    ASSERT_TRUE(main->MyEmbConn.Connected());
    struct Step {
        const char* text;
        Panels expected;  // panels 0 and 1
    };
    const Step commands[] = {
        {"CREATE DATABASE embwin", {"Comando ejecutado correctamente.", "Registros afectados 1."}},
        {"CREATE TABLE embwin.t (id INT PRIMARY KEY, name VARCHAR(20), note TEXT)",
         {"Comando ejecutado correctamente.", "Registros afectados 0."}},
        {"INSERT INTO embwin.t VALUES (1, 'uno', 'primera'), (2, 'dos', NULL), (3, 'tres', 'tercera')",
         {"Comando ejecutado correctamente.", "Registros afectados 3."}},
        {"INSERT INTO embwin.t VALUES (1, 'otra', NULL)", {"Error en comando.", ""}},
    };
    for (const Step& s : commands) {
        SCOPED_TRACE(s.text);
        RunPane(*main->Memo2, *main->SpeedButton2, s.text);
        const Panels status = Status(*main);
        EXPECT_EQ(status[0], s.expected[0]);
        EXPECT_EQ(status[1], s.expected[1]);
        EXPECT_EQ(main->MyCommand.Connection(), &main->MyEmbConn);
    }

    // The query pane: the embedded kind's own count text, then the after-scroll text.
    RunPane(*main->Memo1, *main->SpeedButton1, "SELECT id, name, note FROM embwin.t ORDER BY id");
    EXPECT_EQ(Status(*main)[0], "Sentencia ejecutada correctamente.");
    EXPECT_EQ(Status(*main)[1], "Registro: 3.");
    EXPECT_EQ(main->MyQuery.Connection(), &main->MyEmbConn);
    EXPECT_EQ(main->DataSource1.DataSet(), &main->MyQuery);
    EXPECT_EQ(main->DBGrid1->model()->rowCount(), 3);
    main->MyQuery.Next();
    EXPECT_EQ(Status(*main)[1], "Registros: 2/3.");

    // The memo viewer follows the embedded result.
    main->MyQuery.First();
    main->DBGrid1->setCurrentIndex(main->DBGrid1->model()->index(0, 2));
    main->SpeedButton8->click();
    TfrmMemo& memo = *main->frmMemo();
    for (int i = 0; i < 50 && !memo.isActiveWindow(); ++i) QApplication::processEvents();
    ASSERT_TRUE(memo.isVisible());
    EXPECT_EQ(memo.dbMemo->DataField(), u"note");
    EXPECT_EQ(memo.dbMemo->toPlainText(), QStringLiteral("primera"));

    RunPane(*main->Memo1, *main->SpeedButton1, "SELEC id FROM embwin.t");
    EXPECT_EQ(Status(*main)[0], "Error en sentencia.");
    EXPECT_EQ(Status(*main)[1], "");
    EXPECT_FALSE(memo.isVisible());

    // A backup of the database the embedded connection uses: the same server, shared.
    Connect("embwin");
    ASSERT_EQ(Status(*main)[0], "Conexión exitosa.");
    main->Button1->click();
    EXPECT_EQ(Status(*main)[0], "Comando ejecutado correctamente.");
    const std::string dump = test::ReadBytes(root + "/embwin.sql");
    EXPECT_NE(dump.find("CREATE TABLE"), std::string::npos);
    EXPECT_NE(dump.find("'tercera'"), std::string::npos) << dump;
}

// What a new user does on the embedded server: a query, a cell edited in the grid
// and posted, a backup, a later change, and the restore bringing the edit back.
TEST_F(EmbeddedWindow, EditBackUpAndRestoreOnTheEmbeddedServer) {
    Connect("");
    ASSERT_TRUE(main->MyEmbConn.Connected());
    for (const char* sql : {"CREATE DATABASE embedit", "CREATE TABLE embedit.t (id INT PRIMARY KEY, name VARCHAR(20))",
                            "INSERT INTO embedit.t VALUES (1, 'uno'), (2, 'dos')"}) {
        RunPane(*main->Memo2, *main->SpeedButton2, sql);
        ASSERT_EQ(Status(*main)[0], "Comando ejecutado correctamente.") << sql;
    }
    Connect("embedit");
    ASSERT_EQ(Status(*main)[0], "Conexión exitosa.");
    const auto names = [&] {
        RunPane(*main->Memo1, *main->SpeedButton1, "SELECT id, name FROM t ORDER BY id");
        EXPECT_EQ(Status(*main)[0], "Sentencia ejecutada correctamente.");
        std::string out;
        for (int row = 0; row < main->DBGrid1->model()->rowCount(); ++row)
            out += main->DBGrid1->model()->index(row, 1).data().toString().toStdString() + ";";
        return out;
    };
    ASSERT_EQ(names(), "uno;dos;");

    TDBGrid* grid = main->DBGrid1;
    grid->setFocus();
    grid->setCurrentIndex(grid->model()->index(1, 1));
    QTest::keyClick(grid, Qt::Key_F2);
    ASSERT_NE(grid->CellEditor(), nullptr);
    grid->CellEditor()->selectAll();
    grid->CellEditor()->insert(QStringLiteral("dós editado"));  // typed as one input
    QTest::keyClick(grid->CellEditor(), Qt::Key_Return);
    EXPECT_EQ(main->MyQuery.State(), dsBrowse);
    EXPECT_EQ(names(), "uno;dós editado;");  // read again from the server

    main->Button1->click();
    ASSERT_EQ(Status(*main)[0], "Comando ejecutado correctamente.");
    RunPane(*main->Memo2, *main->SpeedButton2, "UPDATE t SET name = 'cambiado'");
    ASSERT_EQ(names(), "cambiado;cambiado;");

    auto& dialog = test::AnswerDialogs(*main);
    dialog.answer = QString::fromStdString(root + "/embedit.sql");
    main->Button2->click();
    EXPECT_EQ(Status(*main)[0], "Comando ejecutado correctamente.");
    EXPECT_EQ(names(), "uno;dós editado;");
}

// The settings file as tools/start.sh writes it: Conectar with the boxes as they
// stand, then a query of 1000 rows.
TEST_F(EmbeddedWindow, TheStartScriptsSettingsWorkAsTheyStand) {
    main.reset();
    test::WriteBytes(root + "/brevant.ini",
                     "[setup]\r\ndriverid=1\r\nserver=/usr\r\ndatabase=\r\ndatadir=datos\r\nuser=root\r\nport=3306\r\n");
    main = test::CreateMain();
    main->show();
    EXPECT_EQ(main->cbConnection->currentIndex(), 1);
    main->sbutConnect->click();
    EXPECT_EQ(Status(*main)[0], "Conexión exitosa.");
    RunPane(*main->Memo1, *main->SpeedButton1, "SELECT seq AS n FROM mysql.seq_1_to_1000");
    EXPECT_EQ(Status(*main)[0], "Sentencia ejecutada correctamente.");
    EXPECT_EQ(Status(*main)[1], "Registro: 1000.");
    EXPECT_EQ(main->DBGrid1->model()->rowCount(), 1000);
    main->MyQuery.Last();
    EXPECT_EQ(Status(*main)[1], "Registros: 1000/1000.");
    main.reset();
    fs::remove(root + "/brevant.ini");
}

}  // namespace
}  // namespace brevant
