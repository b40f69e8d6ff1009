// The Access path on the test databases through the mdbtools driver. The files are
// read in place and never written.

#include <gtest/gtest.h>

#include <map>
#include <set>

#include "FDTestSupport.h"
#include "core/Errors.h"
#include "core/ScopeExit.h"
#include "paths/FDCommand.h"
#include "paths/FDScript.h"
#include "paths/FDWaitCursor.h"

namespace brevant {
namespace {

using test::OpenQuery;
using test::SetAccessParams;
using test::TestDataPath;

std::string Nwind() { return TestDataPath("access/nwind.mdb"); }

TEST(FDAccess, ConnectsWithEmptyUserAndPasswordShowingTheWaitCursor) {
    std::vector<bool> cursor;
    SetFDWaitCursorHook([&](bool busy) { cursor.push_back(busy); });
    ScopeExit unhook([] { SetFDWaitCursorHook(nullptr); });
    FDConn conn;
    SetAccessParams(conn, Nwind());
    conn.Open();
    EXPECT_TRUE(conn.Connected());
    EXPECT_EQ(conn.DriverInUse(), "MDBTools");
    EXPECT_EQ(cursor, (std::vector<bool>{true, false}));
    conn.Close();
    EXPECT_FALSE(conn.Connected());
}

TEST(FDAccess, BadPathsFailWithoutReachingAnotherDriver) {
    test::TTempDir dir;
    struct Case {
        std::string path;
    } cases[] = {
        {TestDataPath("access/missing.mdb")},
        {dir / "x.mdb;DRIVER={SQLite3}"},
        {dir / "x.mdb;DRIVER={SQLite3};Database=" + (dir / "leak.db")},
        {""},
    };
    for (const Case& c : cases) {
        FDConn conn;
        SetAccessParams(conn, c.path);
        EXPECT_THROW(conn.Open(), Exception) << c.path;
        EXPECT_FALSE(conn.Connected()) << c.path;
    }
    // The SQLite3 driver would have created its database file had it been reached.
    EXPECT_TRUE(std::filesystem::is_empty(dir.Path()));
}

TEST(FDAccess, CustomersWalkToTheEndWithAfterScrollCalls) {
    FDConn conn;
    SetAccessParams(conn, Nwind());
    FDQuery query;
    int scrolls = 0;
    std::vector<int> seen;
    query.AfterScroll = [&](TDataSet& q) {
        ++scrolls;
        seen.push_back(q.RecNo());
    };
    OpenQuery(query, conn, u"SELECT CustomerID, CompanyName, City FROM Customers");
    EXPECT_TRUE(conn.Connected());  // the query opened its connection
    ASSERT_EQ(query.RecordCount(), 91);
    EXPECT_EQ(query.RecNo(), 1);
    EXPECT_EQ(scrolls, 1);
    ASSERT_EQ(query.FieldCount(), 3);
    EXPECT_EQ(query.Fields()[0].FieldName(), u"CustomerID");
    EXPECT_EQ(query.Fields()[2].FieldName(), u"City");
    EXPECT_EQ(query.Fields()[0].AsString(), u"ALFKI");

    int rows = 0;
    std::set<UString> ids;
    for (query.First(); !query.Eof(); query.Next()) {
        ++rows;
        ids.insert(query.Fields()[0].AsString());
    }
    EXPECT_EQ(rows, 91);
    EXPECT_EQ(ids.size(), 91u);
    EXPECT_EQ(query.RecNo(), 91);  // the last record stays current at the end
    // Open, First, 90 moves, and the Next that finds the end (the frame notifies it too).
    EXPECT_EQ(scrolls, 93);
    EXPECT_EQ(seen.back(), 91);
    EXPECT_EQ(query.FindField(u"city"), &query.Fields()[2]);
}

TEST(FDAccess, TheGridReadsAnyRowWithoutMovingTheCurrentOne) {
    FDConn conn;
    SetAccessParams(conn, Nwind());
    FDQuery query;
    OpenQuery(query, conn, u"SELECT CustomerID, City FROM Customers");
    std::vector<UString> ids;
    for (query.First(); !query.Eof(); query.Next()) ids.push_back(query.Fields()[0].AsString());
    query.SetRecNo(2);
    TField& id = query.Fields()[0];
    EXPECT_EQ(id.DataType(), ftWideString);
    TFieldValue value;
    // Backwards, forwards and far apart, as a grid scrolls.
    for (int recNo : {91, 90, 1, 33, 34, 35, 64, 2, 91}) {
        ASSERT_TRUE(query.GetFieldValueAt(recNo, id, value)) << recNo;
        EXPECT_EQ(id.ValueAsString(value), ids[recNo - 1]) << recNo;
        EXPECT_EQ(id.AsString(), ids[1]);  // the current record is still the second
    }
    EXPECT_FALSE(query.GetFieldValueAt(92, id, value));
    EXPECT_EQ(query.RecNo(), 2);
}

TEST(FDAccess, TextIsReadAsUtf8AndValuesByType) {
    FDConn conn;
    SetAccessParams(conn, Nwind());
    FDQuery query;
    OpenQuery(query, conn, u"SELECT CustomerID, City, Country FROM Customers");
    std::map<UString, UString> city;
    for (query.First(); !query.Eof(); query.Next()) city[query.Fields()[0].AsString()] = query.Fields()[1].AsString();
    EXPECT_EQ(city[u"ANATR"], u"México D.F.");
    EXPECT_EQ(city[u"BERGS"], u"Luleå");
    EXPECT_EQ(city[u"FOLKO"], u"Bräcke");

    OpenQuery(query, conn, u"SELECT OrderID FROM Orders");
    EXPECT_EQ(query.RecordCount(), 830);
    OpenQuery(query, conn, u"SELECT OrderID, OrderDate, Freight FROM Orders WHERE OrderID = 10330");
    ASSERT_EQ(query.RecordCount(), 1);
    EXPECT_EQ(query.Fields()[0].AsVariant().Kind(), TVariantKind::Int64);
    EXPECT_EQ(query.Fields()[0].AsLargeInt(), 10330);
    TVariant date = query.Fields()[1].AsVariant();
    ASSERT_EQ(date.Kind(), TVariantKind::DateTime);
    TDateParts parts = DecodeDate(date.AsDateTime());
    EXPECT_EQ(parts.Year * 10000 + parts.Month * 100 + parts.Day, 19941116);
    EXPECT_EQ(query.Fields()[2].DataType(), ftFMTBcd);
    std::string freight = query.Fields()[2].AsVariant().AsDecimalText();
    EXPECT_EQ(freight.substr(freight.find('.')).size(), 5u) << freight;  // exact, as the driver writes it

    OpenQuery(query, conn, u"SELECT EmployeeID, ReportsTo FROM Employees");
    std::map<std::int64_t, TVariant> boss;
    for (query.First(); !query.Eof(); query.Next()) boss[query.Fields()[0].AsLargeInt()] = query.Fields()[1].AsVariant();
    EXPECT_EQ(boss[1].AsInt64(), 2);
    EXPECT_TRUE(boss[2].IsNull());  // the vice president reports to no one
    query.SetRecNo(2);
    EXPECT_TRUE(query.Fields()[1].IsNull());
    // As the document export reads a number: through the variant, which refuses NULL.
    EXPECT_THROW(query.Fields()[1].AsVariant().AsInt64(), EConvertError);
}

TEST(FDAccess, AccdbFilesOpen) {
    struct Case {
        const char* file;
        const char16_t* sql;
    } cases[] = {
        {"access/ASampleDatabase.accdb", u"SELECT * FROM [Asset Items]"},
        {"access/complexDataTestV2007.accdb", u"SELECT * FROM Table1"},
    };
    for (const Case& c : cases) {
        FDConn conn;
        SetAccessParams(conn, TestDataPath(c.file));
        FDQuery query;
        OpenQuery(query, conn, c.sql);
        EXPECT_TRUE(query.Active()) << c.file;
        EXPECT_GT(query.FieldCount(), 0) << c.file;
    }
}

TEST(FDAccess, PicturesAndMemosSaveToFiles) {
    test::TTempDir dir;
    FDConn conn;
    SetAccessParams(conn, Nwind());
    FDQuery query;
    OpenQuery(query, conn, u"SELECT CategoryID, CategoryName, Description, Picture FROM Categories");
    ASSERT_EQ(query.RecordCount(), 8);
    TField& picture = query.Fields()[3];
    EXPECT_TRUE(picture.IsBlob());
    EXPECT_TRUE(query.Fields()[2].IsBlob());  // a memo
    for (query.First(); !query.Eof(); query.Next()) {
        std::string name = dir / ("doc" + std::to_string(query.Fields()[0].AsLargeInt()) + ".bin");
        query.SaveFieldToFile(3, Utf8ToUtf16(name));
        std::string bytes = test::ReadFileBytes(name);
        EXPECT_GT(bytes.size(), 10000u);  // read in many pieces
        EXPECT_EQ(bytes, picture.AsBytes());
        // An OLE object's header: the picture inside is a device-independent bitmap.
        EXPECT_NE(bytes.find("BM"), std::string::npos);
    }
    std::string memo = dir / "memo.txt";
    query.First();
    query.SaveFieldToFile(2, Utf8ToUtf16(memo));
    EXPECT_EQ(Utf8ToUtf16(test::ReadFileBytes(memo)), u"Soft drinks, coffees, teas, beers, and ales");
    EXPECT_EQ(query.Fields()[2].AsString(), u"Soft drinks, coffees, teas, beers, and ales");

    // A column that is not a large object fails before the file is created.
    std::string notBlob = dir / "name.bin";
    EXPECT_THROW(query.SaveFieldToFile(1, Utf8ToUtf16(notBlob)), Exception);
    EXPECT_FALSE(std::filesystem::exists(notBlob));
    EXPECT_THROW(query.SaveFieldToFile(3, Utf8ToUtf16(dir / "no/such/folder.bin")), Exception);
    // The rows are read-only.
    EXPECT_THROW(query.Edit(), Exception);
}

TEST(FDAccess, ChangesFailOnTheReadOnlyDriver) {
    FDConn conn;
    SetAccessParams(conn, Nwind());
    FDCommand command;
    command.Connection = &conn;
    for (const char16_t* sql : {u"UPDATE Customers SET City = 'x'", u"DELETE FROM Customers",
                                u"INSERT INTO Shippers (CompanyName) VALUES ('x')"}) {
        command.CommandText.Clear();
        command.CommandText.Add(sql);
        EXPECT_THROW(command.Execute(), EODBCError) << Narrow(sql);
    }
    TFDScriptOutcome outcome = ExecSQLAccess(command, u"UPDATE Customers SET City = 'x';\r\n");
    ASSERT_EQ(outcome.Segments.size(), 1u);
    EXPECT_TRUE(outcome.AnyFailed());

    FDQuery query;
    query.Connection = &conn;
    query.SQL.Add(u"UPDATE Customers SET City = 'x'");
    EXPECT_THROW(query.Open(), EODBCError);
    EXPECT_FALSE(query.Active());
    EXPECT_EQ(query.RecordCount(), 0);
}

}  // namespace
}  // namespace brevant
