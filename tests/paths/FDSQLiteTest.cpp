// The same code on a writable ODBC target: an SQLite3 file through the SQLite3 driver.

#include <gtest/gtest.h>

#include "FDTestSupport.h"
#include "PathsTestSupport.h"
#include "core/Errors.h"
#include "paths/FDCommand.h"
#include "paths/FDScript.h"

namespace brevant {
namespace {

using test::OpenQuery;

class FDSQLite : public ::testing::Test {
protected:
    void SetUp() override {
        test::SetAccessParams(conn, dir / "test.db", u"SQLite");
        command.Connection = &conn;
        Run(u"CREATE TABLE t (id INTEGER PRIMARY KEY, name TEXT, doc BLOB)");
        Run(u"INSERT INTO t VALUES (1, 'uno', NULL), (2, 'dos', NULL), (3, 'tres', NULL)");
    }
    void Run(const char16_t* sql) {
        command.CommandText.Clear();
        command.CommandText.Add(sql);
        command.Execute();
    }
    std::int64_t Count(const char16_t* sql) {
        FDQuery query;
        OpenQuery(query, conn, sql);
        return query.Fields()[0].AsLargeInt();
    }

    test::TTempDir dir;
    FDConn conn;
    FDCommand command;
};

TEST_F(FDSQLite, CommandsReportTheRowsTheyChanged) {
    EXPECT_EQ(conn.DriverInUse(), "SQLite3");
    Run(u"UPDATE t SET name = name || '!'");
    EXPECT_EQ(command.RowsAffected(), 3);
    Run(u"DELETE FROM t WHERE id = 99");
    EXPECT_EQ(command.RowsAffected(), 0);
    command.CommandText.Clear();
    command.CommandText.Add(u"UPDATE missing SET a = 1");
    EXPECT_THROW(command.Execute(), EODBCError);
    EXPECT_EQ(command.RowsAffected(), 0);
}

TEST_F(FDSQLite, EverySegmentRunsAndAFailureIsNeverHidden) {
    TFDScriptOutcome outcome = ExecSQLAccess(command, u"UPDATE missing SET a = 1;\r\nUPDATE t SET name = 'x' WHERE id < 3;\r\n");
    ASSERT_EQ(outcome.Segments.size(), 2u);
    EXPECT_FALSE(outcome.Segments[0].Succeeded);
    EXPECT_FALSE(outcome.Segments[0].Error.empty());
    EXPECT_TRUE(outcome.Segments[1].Succeeded);
    EXPECT_EQ(outcome.Last()->RowsAffected, 2);
    EXPECT_TRUE(outcome.AnyFailed());
    EXPECT_EQ(Count(u"SELECT COUNT(*) FROM t WHERE name = 'x'"), 2);

    // A ";" inside a literal stays in its one statement.
    outcome = ExecSQLAccess(command, u"INSERT INTO t (id, name) VALUES (4, 'a;b'); UPDATE t SET name = name WHERE id = 4");
    ASSERT_EQ(outcome.Segments.size(), 2u);
    EXPECT_FALSE(outcome.AnyFailed());
    EXPECT_EQ(outcome.Segments[0].RowsAffected, 1);
    EXPECT_EQ(Count(u"SELECT COUNT(*) FROM t WHERE name = 'a;b'"), 1);

    EXPECT_EQ(ExecSQLAccess(command, u"\r\n").Last(), nullptr);
}

TEST_F(FDSQLite, EmptyResultsOpenAndStatementsWithoutRowsFail) {
    FDQuery query;
    int scrolls = 0;
    query.AfterScroll = [&](TDataSet&) { ++scrolls; };
    OpenQuery(query, conn, u"SELECT id, name FROM t WHERE id > 100");
    EXPECT_TRUE(query.Active());
    EXPECT_EQ(query.RecordCount(), 0);
    EXPECT_EQ(query.RecNo(), 0);
    EXPECT_TRUE(query.Eof());
    EXPECT_EQ(query.FieldCount(), 2);
    EXPECT_EQ(scrolls, 0);  // no record to scroll to
    EXPECT_TRUE(query.Fields()[1].IsNull());

    for (const char16_t* sql : {u"UPDATE t SET name = name", u"SELEC nothing"}) {
        query.Close();
        query.SQL.Clear();
        query.SQL.Add(sql);
        EXPECT_THROW(query.Open(), EODBCError) << Narrow(sql);
        EXPECT_FALSE(query.Active());
    }
}

TEST_F(FDSQLite, DocumentsExportByteIdenticalToNumberedFiles) {
    struct Doc {
        int id;
        const char* file;
    } docs[] = {{1, "documents/simple1.pdf"}, {2, "documents/matplotlib.pdf"}, {3, "documents/simple5.pdf"}};
    for (const Doc& d : docs) {
        std::string bytes = test::ReadFileBytes(test::TestDataPath(d.file));
        ASSERT_FALSE(bytes.empty()) << d.file;
        static const char hex[] = "0123456789ABCDEF";
        UString sql = u"UPDATE t SET doc = X'";
        for (unsigned char b : bytes) {
            sql += hex[b >> 4];
            sql += hex[b & 15];
        }
        sql += u"' WHERE id = " + IntToStr(d.id);
        Run(sql.c_str());
    }
    Run(u"INSERT INTO t VALUES (-7, 'vacío', NULL)");

    FDQuery query;
    OpenQuery(query, conn, u"SELECT name, id, doc FROM t ORDER BY id");
    ASSERT_EQ(query.RecordCount(), 4);
    for (query.First(); !query.Eof(); query.Next()) {
        UString name = Utf8ToUtf16(dir / "doc") + IntToStr(query.Fields()[1].AsLargeInt()) + u".pdf";
        query.SaveFieldToFile(2, name);
    }
    for (const Doc& d : docs)
        EXPECT_EQ(test::ReadFileBytes(dir / ("doc" + std::to_string(d.id) + ".pdf")),
                  test::ReadFileBytes(test::TestDataPath(d.file)))
            << d.file;
    EXPECT_EQ(std::filesystem::file_size(dir / "doc-7.pdf"), 0u);  // a NULL document
    query.First();
    EXPECT_EQ(query.Fields()[0].AsString(), u"vacío");
}

TEST_F(FDSQLite, SavingAColumnThatIsNotALargeObjectLeavesAnEarlierFileAlone) {
    const std::string earlier = dir / "doc1.pdf";
    {
        std::ofstream out(earlier, std::ios::binary);
        out << "an earlier export";
    }
    FDQuery query;
    OpenQuery(query, conn, u"SELECT name, id, doc FROM t ORDER BY id");
    EXPECT_EQ(test::MessageOf([&] { query.SaveFieldToFile(1, Utf8ToUtf16(earlier)); }),
              u"Field 'id' is not a BLOB field");
    EXPECT_EQ(test::ReadFileBytes(earlier), "an earlier export");
    // The large-object column of the same row still saves (a NULL document: empty).
    query.SaveFieldToFile(2, Utf8ToUtf16(earlier));
    EXPECT_EQ(std::filesystem::file_size(earlier), 0u);
}

}  // namespace
}  // namespace brevant
