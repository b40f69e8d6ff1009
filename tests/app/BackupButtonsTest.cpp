// The four backup and restore buttons on "MySQL" against the real server.
#include <gtest/gtest.h>

#include <algorithm>
#include <vector>

#include <QApplication>
#include <QDir>
#include <QFile>
#include <QLabel>
#include <QPushButton>
#include <QTimer>

#include "ServerWindow.h"
#include "app/BackupCommands.h"

namespace brevant {
namespace {

using test::Admin;
using test::AnswerDialogs;
using test::CapturedReports;
using test::CreateMain;
using test::FillRow;
using test::Status;
using test::WorkingDir;

constexpr char kDb[] = "brevant_app_backup";

std::string Panel0(TMain& main) { return Status(main)[0]; }
std::string Panel1(TMain& main) { return Status(main)[1]; }

/// Presses the progress dialog's Cancel from inside the run, as soon as the label
/// shows `when` (the event loop turns from the progress callbacks).
class CancelWhen {
public:
    CancelWhen(TMain& main, QString when) : main_(main), when_(std::move(when)) {
        main.Progress->ShowDelayMs = 0;
        main.Progress->UpdateIntervalMs = 0;
        QObject::connect(&timer_, &QTimer::timeout, [this] {
            if (main_.Progress->isVisible() && main_.Progress->Label->text().contains(when_)) {
                main_.Progress->CancelButton->click();
                timer_.stop();
                pressed = true;
            }
        });
        timer_.start(0);
    }
    bool pressed = false;

private:
    TMain& main_;
    QString when_;
    QTimer timer_;
};

class BackupButtons : public ::testing::Test {
protected:
    void Prepare(Admin& admin) {
        admin.Exec(std::string("DROP DATABASE IF EXISTS ") + kDb);
        admin.Exec(std::string("CREATE DATABASE ") + kDb);
        admin.Exec(std::string("USE ") + kDb);
        admin.Exec("CREATE TABLE a (n INT)");
        admin.Exec("INSERT INTO a VALUES (1), (2)");
        admin.Exec("CREATE TABLE `order` (s VARCHAR(10))");
        admin.Exec("INSERT INTO `order` VALUES ('x')");
        admin.Exec("CREATE TABLE `x/y` (n INT)");
    }
};

TEST(FileNamePart, NamesNeverLeaveTheFolder) {
    const struct {
        UString name;
        const char* part;
    } cases[] = {
        {u"plain", "plain"}, {u"x/y", "x%2Fy"}, {u"..", "%2E%2E"}, {u"50%", "50%25"},
        {UString(u"a\0b", 3), "a%00b"}, {u"`a,b`", "`a,b`"}, {u"x.y", "x.y"},
    };
    for (const auto& c : cases) EXPECT_EQ(FileNamePart(c.name), c.part);
}

TEST_F(BackupButtons, BackupStructureTablesAndBackupAgain) {
    BREVANT_REQUIRE_SERVER(server);
    Admin admin(server);
    Prepare(admin);
    WorkingDir dir;
    auto main = CreateMain();
    FillRow(*main, server, kDb);
    main->sbutConnect->click();

    const std::string file = dir.File("brevant_app_backup.sql");
    main->Button1->click();
    EXPECT_EQ(Panel0(*main), "Comando ejecutado correctamente.");
    std::string text = test::ReadBytes(file);
    EXPECT_EQ(text.substr(0, 2), "\xFF\xFE");  // Unicode is on: UTF-16
    const QString full = QString::fromUtf16(reinterpret_cast<const char16_t*>(text.data() + 2), (text.size() - 2) / 2);
    EXPECT_TRUE(full.contains("INSERT INTO `order` VALUES"));

    main->Button3->click();
    EXPECT_EQ(Panel0(*main), "Comando ejecutado correctamente.");
    text = test::ReadBytes(file);
    const QString structure =
        QString::fromUtf16(reinterpret_cast<const char16_t*>(text.data() + 2), (text.size() - 2) / 2);
    EXPECT_TRUE(structure.contains("CREATE TABLE `order`"));
    EXPECT_FALSE(structure.contains("INSERT"));

    // The listing's nested run put the default cursor back: the tables are written
    // without the hourglass, while a full backup shows it.
    std::vector<bool> hourglass;
    main->MyDump.OnBackupProgress = [&](TMyDump&, const UString&, int, int, int) {
        hourglass.push_back(QApplication::overrideCursor() != nullptr);
    };
    main->Button4->click();
    EXPECT_FALSE(hourglass.empty());
    EXPECT_EQ(std::count(hourglass.begin(), hourglass.end(), true), 0);
    EXPECT_EQ(QApplication::overrideCursor(), nullptr);
    EXPECT_EQ(Panel0(*main), "Comando ejecutado correctamente.");
    // The listing was walked to its last row: panel 1 follows it, not the listing
    // run's own "Registros: 1/3.".
    EXPECT_EQ(Panel1(*main), "Registros: 3/3.");
    EXPECT_EQ(main->MyQuery.RecNo(), 3);
    EXPECT_EQ(main->Memo1->toPlainText(), "Show tables;");
    QStringList files = QDir(dir.Path() + "/brevant_app_backup").entryList(QDir::Files, QDir::Name);
    EXPECT_EQ(files, (QStringList{"`order`.sql", "`x%2Fy`.sql", "a.sql"}));

    // The table list the per-table run left behind does not shrink the next backup.
    hourglass.clear();
    main->Button1->click();
    EXPECT_FALSE(hourglass.empty());
    EXPECT_EQ(std::count(hourglass.begin(), hourglass.end(), false), 0);
    main->MyDump.OnBackupProgress = nullptr;
    text = test::ReadBytes(file);
    const QString again = QString::fromUtf16(reinterpret_cast<const char16_t*>(text.data() + 2), (text.size() - 2) / 2);
    EXPECT_TRUE(again.contains("CREATE TABLE `a`"));
    EXPECT_TRUE(again.contains("CREATE TABLE `order`"));
    admin.Exec(std::string("DROP DATABASE ") + kDb);
}

TEST_F(BackupButtons, RestoreReportsEachFailureRunsTheRestAndEndsWithTheFailureText) {
    BREVANT_REQUIRE_SERVER(server);
    Admin admin(server);
    Prepare(admin);
    WorkingDir dir;
    auto main = CreateMain();
    FillRow(*main, server, kDb);
    main->sbutConnect->click();
    auto& dialog = AnswerDialogs(*main);

    // Cancelled in the dialog: success, nothing run.
    main->Button2->click();
    EXPECT_EQ(dialog.shown, 1);
    EXPECT_EQ(Panel0(*main), "Comando ejecutado correctamente.");

    const std::string file = dir.File("script.sql");
    test::WriteBytes(file, "INSERT INTO a VALUES (3);\nINSERT INTO nosuch VALUES (4);\nINSERT INTO a VALUES (5&1);\n");
    dialog.answer = QString::fromStdString(file);
    CapturedReports reports;
    main->Button2->click();
    EXPECT_EQ(reports.Texts().size(), 1);
    EXPECT_EQ(Panel0(*main), "Error en comando.");
    test::WriteBytes(file, "INSERT INTO a VALUES (6);\n");
    main->Button2->click();
    EXPECT_EQ(Panel0(*main), "Comando ejecutado correctamente.");
    EXPECT_EQ(reports.Texts().size(), 1);
    // Read back from the window's own dump: the rows of both runs are there.
    main->MyDump.Objects = doData;
    main->MyDump.BackupQuery(u"SELECT n FROM a ORDER BY n");
    UString rows;
    for (const UString& line : main->MyDump.SQL().Lines()) rows += line;
    EXPECT_NE(rows.find(u" (1), (1), (2), (3), (6);"), UString::npos) << Narrow(rows);
    admin.Exec(std::string("DROP DATABASE ") + kDb);
}

TEST_F(BackupButtons, TablesWhoseListingFailsEscapeToTheErrorReport) {
    BREVANT_REQUIRE_SERVER(server);
    WorkingDir dir;
    auto main = CreateMain();
    FillRow(*main, server, kDb);
    main->edPort->setText("1");  // nothing listens there
    CapturedReports reports;
    main->Button4->click();
    EXPECT_EQ(reports.Texts().size(), 1);
    EXPECT_EQ(Panel0(*main), "Error en sentencia.");
    EXPECT_TRUE(QDir(dir.Path() + "/brevant_app_backup").entryList(QDir::Files).isEmpty());
}

TEST_F(BackupButtons, CancelDuringALongBackupKeepsTheOldFile) {
    BREVANT_REQUIRE_SERVER(server);
    Admin admin(server);
    Prepare(admin);
    admin.Exec("CREATE TABLE big (n INT, s VARCHAR(60))");
    admin.Exec("INSERT INTO big SELECT seq, REPEAT('x', 60) FROM seq_1_to_5000");
    WorkingDir dir;
    auto main = CreateMain();
    FillRow(*main, server, kDb);
    main->sbutConnect->click();
    const std::string file = dir.File("brevant_app_backup.sql");
    test::WriteBytes(file, "the last good backup");

    {
        CancelWhen cancel(*main, "big");
        main->Button1->click();
        EXPECT_TRUE(cancel.pressed);
    }
    EXPECT_EQ(Panel0(*main), "Comando cancelado.");
    EXPECT_EQ(Panel1(*main), "");
    EXPECT_EQ(test::ReadBytes(file), "the last good backup");
    EXPECT_EQ(QDir(dir.Path()).entryList(QDir::Files), QStringList{"brevant_app_backup.sql"});  // no leftovers
    EXPECT_FALSE(main->Progress->isVisible());

    // "Backup Tablas" stops at the cancelled table: the tables before it are written.
    {
        CancelWhen cancel(*main, "big");
        main->Button4->click();
        EXPECT_TRUE(cancel.pressed);
    }
    EXPECT_EQ(Panel0(*main), "Comando cancelado.");
    EXPECT_EQ(QDir(dir.Path() + "/brevant_app_backup").entryList(QDir::Files), QStringList{"a.sql"});

    // The next run is not cancelled by the last one.
    main->Button1->click();
    EXPECT_EQ(Panel0(*main), "Comando ejecutado correctamente.");
    EXPECT_NE(test::ReadBytes(file), "the last good backup");
    admin.Exec(std::string("DROP DATABASE ") + kDb);
}

TEST_F(BackupButtons, CancelDuringARestoreStopsAfterTheRunningStatement) {
    BREVANT_REQUIRE_SERVER(server);
    Admin admin(server);
    Prepare(admin);
    admin.Exec("CREATE TABLE r (n INT)");
    WorkingDir dir;
    auto main = CreateMain();
    FillRow(*main, server, kDb);
    main->sbutConnect->click();
    auto& dialog = AnswerDialogs(*main);
    const std::string file = dir.File("script.sql");
    std::string script;
    for (int i = 1; i <= 5; ++i) script += "INSERT INTO r VALUES (" + std::to_string(i) + ");\n";
    test::WriteBytes(file, script);
    dialog.answer = QString::fromStdString(file);
    {
        // The label shows the statement that ran last.
        CancelWhen cancel(*main, "VALUES (2)");
        main->Button2->click();
        EXPECT_TRUE(cancel.pressed);
    }
    EXPECT_EQ(Panel0(*main), "Comando cancelado.");
    EXPECT_FALSE(main->Progress->isVisible());
    main->Memo1->setPlainText("SELECT n FROM r ORDER BY n");
    main->SpeedButton1->click();
    EXPECT_EQ(main->MyQuery.RecordCount(), 2);
    admin.Exec(std::string("DROP DATABASE ") + kDb);
}

}  // namespace
}  // namespace brevant
