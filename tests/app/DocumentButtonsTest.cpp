// The three document buttons through the window: import on "MySQL" against the real
// server, the current document opened byte for byte, a row that stops the run, an
// empty or closed query, and the per-row export on "Access".
#include <gtest/gtest.h>

#include <QDir>
#include <QFileInfo>

#include "ServerWindow.h"

namespace brevant {
namespace {

using test::Admin;

class RecordingOpener : public IDocumentOpener {
public:
    QStringList opened;
    void Open(const QString& file) override { opened << file; }
};

/// Gives `main` a recording opener and returns it (the window owns it).
RecordingOpener& RecordOpens(TMain& main) {
    auto opener = std::make_unique<RecordingOpener>();
    RecordingOpener& ref = *opener;
    main.SetDocumentOpener(std::move(opener));
    return ref;
}

std::string AllBytes() {
    std::string bytes;
    for (int i = 0; i < 256; ++i) bytes += static_cast<char>(i);
    return bytes;
}

std::string Hex(const std::string& bytes) {
    static const char digits[] = "0123456789ABCDEF";
    std::string out;
    for (unsigned char c : bytes) {
        out += digits[c >> 4];
        out += digits[c & 15];
    }
    return out;
}

class DocumentButtons : public ::testing::Test {
protected:
    test::WorkingDir dir;
    std::unique_ptr<TMain> main;

    /// The window on "MySQL" showing `sql`, with the document column selected.
    void Start(const test::ServerAddress& server, const char* sql) {
        main = test::ConnectedMain(server);
        main->Memo1->setPlainText(QString::fromUtf8(sql));
        main->SpeedButton1->click();
        ASSERT_EQ(test::Status(*main)[0], "Sentencia ejecutada correctamente.");
        Select(0, 0);
    }
    void Select(int row, int column) { main->DBGrid1->setCurrentIndex(main->DBGrid1->model()->index(row, column)); }
    QString Temp(const char* name) const { return dir.Path() + QStringLiteral("/temp/") + QLatin1String(name); }
    void WriteDoc(const char* name, const std::string& bytes) {
        QDir(dir.Path()).mkdir(QStringLiteral("temp"));
        test::WriteBytes(Temp(name).toStdString(), bytes);
    }
};

TEST_F(DocumentButtons, ImportReplacesTheRowsThatHaveAFile) {
    BREVANT_REQUIRE_SERVER(server);
    Admin admin(server);
    admin.Exec("CREATE OR REPLACE TABLE d_docs (id INT PRIMARY KEY, num INT, pdf LONGBLOB)");
    admin.Exec("INSERT INTO d_docs VALUES (1, 7, 'old seven'), (2, 9, 'old nine')");
    test::CapturedReports reports;
    Start(server, "SELECT pdf, num, id FROM d_docs ORDER BY id");
    const std::string pdf = test::ReadBytes(test::TestDataPath("documents/simple1.pdf"));
    ASSERT_FALSE(pdf.empty());
    WriteDoc("doc7.pdf", pdf);
    RecordingOpener& opener = RecordOpens(*main);

    main->SpeedButton11->click();
    EXPECT_TRUE(reports.Texts().isEmpty()) << reports.Texts().join(QLatin1Char('\n')).toStdString();
    EXPECT_EQ(admin.Table("SELECT pdf FROM d_docs WHERE num = 7"), pdf);
    EXPECT_EQ(admin.Table("SELECT pdf FROM d_docs WHERE num = 9"), "old nine");
    EXPECT_TRUE(opener.opened.isEmpty());
    EXPECT_TRUE(main->MyQuery.Eof());  // the run ends on the last row
    EXPECT_EQ(main->MyQuery.RecNo(), 2);
    EXPECT_EQ(main->MyQuery.State(), dsBrowse);
    EXPECT_EQ(test::Status(*main)[1], "Registros: 2/2.");
}

TEST_F(DocumentButtons, TheCurrentDocumentOpensByteForByte) {
    BREVANT_REQUIRE_SERVER(server);
    Admin admin(server);
    admin.Exec("CREATE OR REPLACE TABLE d_docs (id INT PRIMARY KEY, num INT, pdf BLOB)");
    admin.Exec("INSERT INTO d_docs VALUES (1, 1, 'first'), (2, 2, UNHEX('" + Hex(AllBytes()) + "'))");
    test::CapturedReports reports;
    Start(server, "SELECT pdf, num FROM d_docs ORDER BY id");
    RecordingOpener& opener = RecordOpens(*main);
    Select(1, 0);
    main->SpeedButton9->click();
    ASSERT_EQ(opener.opened, QStringList{Temp("documento.pdf")});
    EXPECT_EQ(test::ReadBytes(Temp("documento.pdf").toStdString()), AllBytes());
    EXPECT_EQ(main->MyQuery.RecNo(), 2);  // no move

    // On kind 0 the export button opens it too.
    Select(0, 0);
    main->SpeedButton10->click();
    EXPECT_EQ(opener.opened.size(), 2);
    EXPECT_EQ(test::ReadBytes(Temp("documento.pdf").toStdString()), "first");

    // The number column is no document: reported, and the saved file stays whole.
    Select(1, 1);
    main->SpeedButton9->click();
    ASSERT_EQ(reports.Texts().size(), 1);
    EXPECT_EQ(reports.Texts()[0], QStringLiteral("Field 'num' is not a BLOB field"));
    EXPECT_EQ(test::ReadBytes(Temp("documento.pdf").toStdString()), "first");
    EXPECT_EQ(opener.opened.size(), 2);
}

TEST_F(DocumentButtons, ARowThatCannotBeImportedStopsTheRun) {
    BREVANT_REQUIRE_SERVER(server);
    Admin admin(server);
    // TINYBLOB holds 255 bytes: the server refuses a longer document.
    admin.Exec("CREATE OR REPLACE TABLE d_docs (id INT PRIMARY KEY, num INT, pdf TINYBLOB)");
    admin.Exec("INSERT INTO d_docs VALUES (1, 1, 'a'), (2, NULL, 'b'), (3, 3, 'c'), (4, 4, 'd'), (5, 5, 'e')");
    test::CapturedReports reports;
    Start(server, "SELECT pdf, num FROM d_docs ORDER BY id");
    WriteDoc("doc1.pdf", "uno");
    WriteDoc("doc3.pdf", "tres");
    WriteDoc("doc4.pdf", std::string(300, 'x'));
    WriteDoc("doc5.pdf", "cinco");

    // A NULL number: reported once, the row before it done, the rest untouched.
    main->SpeedButton11->click();
    ASSERT_EQ(reports.Texts().size(), 1);
    EXPECT_EQ(main->MyQuery.RecNo(), 2);
    EXPECT_EQ(main->MyQuery.State(), dsBrowse);
    EXPECT_EQ(admin.Table("SELECT pdf FROM d_docs ORDER BY id"), "uno|b|c|d|e");

    // The server refusing a post: its message once, the row left unedited.
    admin.Exec("UPDATE d_docs SET num = 2 WHERE id = 2");
    main->SpeedButton1->click();  // the query again
    Select(0, 0);
    main->SpeedButton11->click();
    ASSERT_EQ(reports.Texts().size(), 2);
    EXPECT_TRUE(reports.Texts()[1].contains(QStringLiteral("Data too long"))) << reports.Texts()[1].toStdString();
    EXPECT_EQ(main->MyQuery.RecNo(), 4);
    EXPECT_EQ(main->MyQuery.State(), dsBrowse);
    EXPECT_EQ(admin.Table("SELECT pdf FROM d_docs ORDER BY id"), "uno|b|tres|d|e");
    main->MyQuery.First();  // moving on posts nothing more
    EXPECT_EQ(reports.Texts().size(), 2);
}

TEST_F(DocumentButtons, AnEmptyOrClosedQueryDoesNothing) {
    BREVANT_REQUIRE_SERVER(server);
    Admin admin(server);
    admin.Exec("CREATE OR REPLACE TABLE d_docs (id INT PRIMARY KEY, num INT, pdf BLOB)");
    test::CapturedReports reports;
    main = test::ConnectedMain(server);
    RecordingOpener& opener = RecordOpens(*main);
    auto pressAll = [&] {
        for (QToolButton* b : {main->SpeedButton9, main->SpeedButton10, main->SpeedButton11}) b->click();
    };
    pressAll();  // no query run yet
    main->Memo1->setPlainText(QStringLiteral("SELECT pdf, num FROM d_docs"));
    main->SpeedButton1->click();
    ASSERT_TRUE(main->MyQuery.Active());
    pressAll();  // an empty result
    EXPECT_TRUE(opener.opened.isEmpty());
    EXPECT_TRUE(reports.Texts().isEmpty());
    EXPECT_FALSE(QFileInfo::exists(dir.Path() + QStringLiteral("/temp")));
}

// On "Access" the export button writes one numbered file per row and opens none;
// the import button does nothing.
TEST_F(DocumentButtons, AccessExportsEveryRow) {
    test::CapturedReports reports;
    main = test::CreateMain();
    main->cbConnection->setCurrentIndex(2);
    main->edDatabase->setText(QString::fromStdString(test::TestDataPath("access/nwind.mdb")));
    main->edUser->setText(QString());
    main->show();
    main->sbutConnect->click();
    ASSERT_EQ(test::Status(*main)[0], "Conexión exitosa.");
    main->Memo1->setPlainText(QStringLiteral("SELECT Picture, CategoryID, CategoryName FROM Categories"));
    main->SpeedButton1->click();
    ASSERT_EQ(main->FDQuery.RecordCount(), 8);
    RecordingOpener& opener = RecordOpens(*main);
    Select(0, 0);

    main->SpeedButton10->click();
    EXPECT_TRUE(reports.Texts().isEmpty()) << reports.Texts().join(QLatin1Char('\n')).toStdString();
    EXPECT_TRUE(opener.opened.isEmpty());
    EXPECT_TRUE(main->FDQuery.Eof());
    for (main->FDQuery.First(); !main->FDQuery.Eof(); main->FDQuery.Next()) {
        const std::int64_t n = main->FDQuery.Fields()[1].AsLargeInt();
        const std::string file = Temp(("doc" + std::to_string(n) + ".pdf").c_str()).toStdString();
        SCOPED_TRACE(file);
        EXPECT_GT(test::ReadBytes(file).size(), 10000u);
        EXPECT_EQ(test::ReadBytes(file), main->FDQuery.Fields()[0].AsBytes());
    }

    QDir(dir.Path() + QStringLiteral("/temp")).removeRecursively();
    main->SpeedButton11->click();
    EXPECT_FALSE(QFileInfo::exists(dir.Path() + QStringLiteral("/temp")));
    main->SpeedButton9->click();  // the first button opens the current one
    EXPECT_EQ(opener.opened, QStringList{Temp("documento.pdf")});
    EXPECT_TRUE(reports.Texts().isEmpty());
}

}  // namespace
}  // namespace brevant
