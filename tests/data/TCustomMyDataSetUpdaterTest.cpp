// Edits written back to the real server, each checked by reading the table from a
// second connection: which row a statement identifies (primary, composite, unique,
// no key, a non-unique index only), the exact UPDATE text, a row changed meanwhile,
// insert with the generated id, names that need quoting, large objects, and fields
// of a join that no statement can write.
#include <gtest/gtest.h>

#include <string>

#include "ServerConnection.h"
#include "VectorDataSet.h"
#include "data/TMyQuery.h"
#include "mysql/client/TCustomMyConnection.h"

namespace brevant::test {
namespace {

std::unique_ptr<TMyConnection> MakeConnection(const ServerAddress& server) {
    return test::MakeConnection(server, u"utf8", u"brevant_edit_tests", u"EditConn");
}

class EditServer : public ::testing::Test {
protected:
    std::unique_ptr<TMyConnection> conn, checker;
    std::unique_ptr<TMyQuery> query;

    void Connect(const ServerAddress& server) {
        CreateDatabase(server, u"brevant_edit_tests");
        conn = MakeConnection(server);
        conn->Open();
        checker = MakeConnection(server);
        checker->Open();
        query = std::make_unique<TMyQuery>(conn.get());
    }
    void Exec(const char16_t* sql) { conn->ExecSQL(sql); }
    void Open(const char16_t* sql) {
        query->Close();
        query->SetSQLText(sql);
        query->Open();
    }
    /// The table as the second connection sees it: rows joined by "|", columns by ",".
    std::string Table(const char16_t* sql) {
        TMyQuery q(checker.get());
        q.SetSQLText(sql);
        q.Open();
        std::string out;
        for (; !q.Eof(); q.Next()) {
            if (!out.empty()) out += "|";
            for (int i = 0; i < q.FieldCount(); ++i) {
                if (i) out += ",";
                out += q.Fields()[i].IsNull() ? "NULL" : Narrow(q.Fields()[i].AsString());
            }
        }
        return out;
    }
    void EditFirst(const char16_t* field, const char16_t* value) {
        query->Edit();
        query->FieldByName(field).SetAsString(value);
        query->Post();
    }
};

TEST_F(EditServer, AutoIncrementKeyUpdatesOnlyThatRowWithTheExactText) {
    BREVANT_REQUIRE_SERVER(server);
    Connect(server);
    Exec(u"CREATE OR REPLACE TABLE docs (id INT AUTO_INCREMENT PRIMARY KEY, name VARCHAR(20), pdf BLOB)");
    Exec(u"INSERT INTO docs (name) VALUES ('a'), ('a'), ('b')");
    Open(u"SELECT * FROM docs ORDER BY id");
    query->Next();
    query->Edit();
    query->FieldByName(u"pdf").SetAsBytes(std::string("\0\x01'\\", 4));
    query->Post();
    EXPECT_EQ(Narrow(query->Updater().LastSQL()), "UPDATE docs\r\nSET\r\n  pdf = :pdf\r\nWHERE\r\n  id = :Old_id");
    EXPECT_EQ(Table(u"SELECT id, name, HEX(pdf) FROM docs ORDER BY id"), "1,a,NULL|2,a,0001275C|3,b,NULL");
    EXPECT_EQ(query->RowsAffected(), 1);
    query->Edit();
    query->FieldByName(u"name").SetAsString(u"x");
    query->Post();
    EXPECT_EQ(Narrow(query->Updater().LastSQL()), "UPDATE docs\r\nSET\r\n  name = :name\r\nWHERE\r\n  id = :Old_id");
    query->Delete();
    EXPECT_EQ(Narrow(query->Updater().LastSQL()), "DELETE FROM docs\r\nWHERE\r\n  id = :Old_id");
    EXPECT_EQ(Table(u"SELECT id, name FROM docs ORDER BY id"), "1,a|3,b");
}

// Rows that nothing identifies: two identical rows, or a table whose only index is
// not unique. An edit or a delete changes exactly one of them.
TEST_F(EditServer, WithoutAKeyAnEditOrDeleteChangesExactlyOneRow) {
    BREVANT_REQUIRE_SERVER(server);
    Connect(server);
    const char16_t* tables[] = {
        u"CREATE OR REPLACE TABLE t (cat INT, name VARCHAR(10))",
        u"CREATE OR REPLACE TABLE t (cat INT, name VARCHAR(10), KEY (cat))",
        u"CREATE OR REPLACE TABLE t (cat INT, name VARCHAR(10), KEY (cat, name))",
    };
    for (const char16_t* ddl : tables) {
        SCOPED_TRACE(Narrow(ddl));
        Exec(ddl);
        Exec(u"INSERT INTO t VALUES (1, 'x'), (1, 'x'), (1, 'y'), (2, NULL)");
        Open(u"SELECT cat, name FROM t ORDER BY cat, name");
        query->Next();  // (1, 'x')
        EditFirst(u"name", u"z");
        EXPECT_EQ(Narrow(query->Updater().LastSQL()),
                  "UPDATE t\r\nSET\r\n  name = :name\r\nWHERE\r\n  cat = :Old_cat AND name = :Old_name\r\nLIMIT 1");
        EXPECT_EQ(Table(u"SELECT cat, name FROM t ORDER BY cat, name"), "1,x|1,y|1,z|2,NULL");
        query->Last();  // (2, NULL)
        EditFirst(u"cat", u"3");
        EXPECT_EQ(Narrow(query->Updater().LastSQL()),
                  "UPDATE t\r\nSET\r\n  cat = :cat\r\nWHERE\r\n  cat = :Old_cat AND name IS NULL\r\nLIMIT 1");
        query->First();
        query->Delete();
        EXPECT_EQ(Table(u"SELECT cat, name FROM t ORDER BY cat, name"), "1,y|1,z|3,NULL");
    }
}

TEST_F(EditServer, CompositeAndUniqueKeysIdentifyTheRow) {
    BREVANT_REQUIRE_SERVER(server);
    Connect(server);
    struct Case {
        const char16_t* ddl;
        const char* where;
    } cases[] = {
        {u"CREATE OR REPLACE TABLE k (a INT, b INT, v VARCHAR(5), PRIMARY KEY (a, b))",
         "a = :Old_a AND b = :Old_b"},
        {u"CREATE OR REPLACE TABLE k (a INT, b INT NOT NULL UNIQUE, v VARCHAR(5))", "b = :Old_b"},
        {u"CREATE OR REPLACE TABLE k (a INT AUTO_INCREMENT, b INT, v VARCHAR(5), PRIMARY KEY (a, b))",
         "a = :Old_a AND b = :Old_b"},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(Narrow(c.ddl));
        Exec(c.ddl);
        Exec(u"INSERT INTO k VALUES (1, 1, 'p'), (1, 2, 'q'), (2, 3, 'r')");
        Open(u"SELECT * FROM k ORDER BY a, b");
        query->Next();
        EditFirst(u"v", u"Q");
        EXPECT_EQ(Narrow(query->Updater().LastSQL()),
                  std::string("UPDATE k\r\nSET\r\n  v = :v\r\nWHERE\r\n  ") + c.where);
        EXPECT_EQ(Table(u"SELECT a, b, v FROM k ORDER BY a, b"), "1,1,p|1,2,Q|2,3,r");
    }
}

TEST_F(EditServer, RowChangedMeanwhileFailsAndKeepsTheEdit) {
    BREVANT_REQUIRE_SERVER(server);
    Connect(server);
    Exec(u"CREATE OR REPLACE TABLE m (id INT PRIMARY KEY, v VARCHAR(5))");
    Exec(u"INSERT INTO m VALUES (1, 'a')");
    Open(u"SELECT * FROM m");
    checker->ExecSQL(u"DELETE FROM m");
    query->Edit();
    query->FieldByName(u"v").SetAsString(u"mine");
    EXPECT_EQ(ErrorOf([&] { query->Post(); }), "Update failed. Found 0 records");
    EXPECT_EQ(query->State(), dsEdit);
    EXPECT_EQ(query->FieldByName(u"v").AsString(), u"mine");
    query->Cancel();
    EXPECT_EQ(query->FieldByName(u"v").AsString(), u"a");
    EXPECT_EQ(ErrorOf([&] { query->Delete(); }), "Update failed. Found 0 records");
    EXPECT_EQ(query->RecordCount(), 1);
    // The same value posted again matches the row: counted, not refused.
    checker->ExecSQL(u"INSERT INTO m VALUES (1, 'a')");
    query->Edit();
    query->FieldByName(u"v").SetAsString(u"b");
    checker->ExecSQL(u"UPDATE m SET v = 'b'");
    query->Post();
    EXPECT_EQ(query->RowsAffected(), 1);
}

TEST_F(EditServer, InsertWritesOnlySetFieldsAndReceivesTheId) {
    BREVANT_REQUIRE_SERVER(server);
    Connect(server);
    Exec(u"CREATE OR REPLACE TABLE i (id INT AUTO_INCREMENT PRIMARY KEY, v VARCHAR(5) DEFAULT 'dflt', w INT)");
    Exec(u"INSERT INTO i (id, v) VALUES (40, 'old')");
    Open(u"SELECT * FROM i");
    query->Insert();
    query->FieldByName(u"w").SetAsInteger(7);
    query->Post();
    EXPECT_EQ(Narrow(query->Updater().LastSQL()), "INSERT INTO i\r\n  (w)\r\nVALUES\r\n  (:w)");
    EXPECT_EQ(query->FieldByName(u"id").AsInteger(), 41);
    EXPECT_EQ(Table(u"SELECT * FROM i ORDER BY id"), "40,old,NULL|41,dflt,7");
    // The id it received identifies the new row for the next edit.
    EditFirst(u"v", u"new");
    EXPECT_EQ(Table(u"SELECT * FROM i ORDER BY id"), "40,old,NULL|41,new,7");
}

TEST_F(EditServer, NamesThatNeedQuotes) {
    BREVANT_REQUIRE_SERVER(server);
    Connect(server);
    Exec(u"CREATE OR REPLACE TABLE `my tab` (`order` INT PRIMARY KEY, `my col` VARCHAR(5))");
    Exec(u"INSERT INTO `my tab` VALUES (1, 'a'), (2, 'b')");
    Open(u"SELECT `order`, `my col` AS `my col` FROM `my tab` ORDER BY `order`");
    EditFirst(u"my col", u"z");
    EXPECT_EQ(Narrow(query->Updater().LastSQL()),
              "UPDATE `my tab`\r\nSET\r\n  `my col` = :`my col`\r\nWHERE\r\n  `order` = :Old_order");
    EXPECT_EQ(Table(u"SELECT * FROM `my tab` ORDER BY `order`"), "1,z|2,b");
}

TEST_F(EditServer, ABlobLoadedAgainWithTheSameBytesPosts) {
    BREVANT_REQUIRE_SERVER(server);
    Connect(server);
    Exec(u"CREATE OR REPLACE TABLE b (id INT PRIMARY KEY, pdf LONGBLOB)");
    Exec(u"INSERT INTO b VALUES (1, 'same'), (2, 'other')");
    Open(u"SELECT * FROM b ORDER BY id");
    query->Edit();
    query->FieldByName(u"pdf").SetAsBytes("same");
    query->Post();
    EXPECT_EQ(Narrow(query->Updater().LastSQL()), "UPDATE b\r\nSET\r\n  pdf = :pdf\r\nWHERE\r\n  id = :Old_id");
    EXPECT_EQ(query->RowsAffected(), 1);
    EXPECT_EQ(Table(u"SELECT * FROM b ORDER BY id"), "1,same|2,other");
}

TEST_F(EditServer, FieldsNoStatementCanWriteAreReadOnly) {
    BREVANT_REQUIRE_SERVER(server);
    Connect(server);
    Exec(u"CREATE OR REPLACE TABLE emp (id INT PRIMARY KEY, dept INT, name VARCHAR(10))");
    Exec(u"CREATE OR REPLACE TABLE dept (id INT PRIMARY KEY, title VARCHAR(10))");
    Exec(u"INSERT INTO emp VALUES (1, 10, 'ana')");
    Exec(u"INSERT INTO dept VALUES (10, 'sales')");
    Open(u"SELECT e.id, e.name, d.title, UPPER(e.name) AS shout FROM emp e JOIN dept d ON d.id = e.dept");
    query->Edit();
    EXPECT_EQ(ErrorOf([&] { query->FieldByName(u"title").SetAsString(u"x"); }), "Field 'title' cannot be modified");
    EXPECT_EQ(ErrorOf([&] { query->FieldByName(u"shout").SetAsString(u"x"); }), "Field 'shout' cannot be modified");
    query->FieldByName(u"name").SetAsString(u"eva");
    query->Post();
    EXPECT_EQ(Narrow(query->Updater().LastSQL()), "UPDATE emp\r\nSET\r\n  name = :name\r\nWHERE\r\n  id = :Old_id");
    EXPECT_EQ(Table(u"SELECT name FROM emp"), "eva");
    EXPECT_EQ(Table(u"SELECT title FROM dept"), "sales");
    // A result without any table has nothing to write to.
    Open(u"SELECT 1 AS one");
    EXPECT_TRUE(query->FieldByName(u"one").ReadOnly());
    EXPECT_EQ(ErrorOf([&] { query->Edit(); }), "Cannot modify a read-only dataset");
}

TEST_F(EditServer, OptionErrors) {
    BREVANT_REQUIRE_SERVER(server);
    Connect(server);
    Exec(u"CREATE OR REPLACE TABLE o (id INT PRIMARY KEY, v INT)");
    query->UpdatingTable = u"nope";
    query->SetSQLText(u"SELECT * FROM o");
    EXPECT_EQ(ErrorOf([&] { query->Open(); }), "Wrong UpdatingTable value - table nope is unknown");
    EXPECT_FALSE(query->Active());
    query->UpdatingTable.clear();
    query->KeyFields = u"id; missing";
    EXPECT_EQ(ErrorOf([&] { query->Open(); }), "Field missing not found");
    query->KeyFields = u" v ";
    Exec(u"INSERT INTO o VALUES (1, 5), (2, 6)");
    query->Open();
    query->Delete();
    EXPECT_EQ(Narrow(query->Updater().LastSQL()), "DELETE FROM o\r\nWHERE\r\n  v = :Old_v");
    EXPECT_EQ(Table(u"SELECT * FROM o"), "2,6");
}

}  // namespace
}  // namespace brevant::test
