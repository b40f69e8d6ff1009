// The client library (libmysqlclient.so, loaded at run time) against the test
// server through a connection whose Direct option is False: column names,
// tables and original names of an aliased column, NULL, types, character set
// numbers, and a 100 KiB BLOB with zero bytes.

#include <gtest/gtest.h>

#include <string>

#include "ServerConnection.h"
#include "mysql/client/TCustomMyConnection.h"
#include "paths/MySQLAPIRegistration.h"
#include "paths/TMySQLAPIClient.h"

namespace brevant {
namespace {

struct Column {
    TMYSQL_FIELD field;
    std::vector<std::string> values;  // "<null>" for NULL
};

/// Runs a query through the session's operation set and reads every column.
std::vector<Column> Query(TMyConnection& c, const std::string& sql) {
    std::vector<Column> columns;
    test::WithResult(*c.Session(), sql, [&](TMySQLAPI& a, PMYSQL_RES result) {
        columns.resize(a.mysql_num_fields(result));
        for (std::uint32_t i = 0; i < columns.size(); ++i) a._mysql_fetch_field_direct(result, i, true, columns[i].field);
        std::vector<std::uint32_t> lengths(columns.size());
        while (PMYSQL_ROW row = a.mysql_fetch_row(result)) {
            a._mysql_fetch_lengths(result, lengths.data());
            for (std::uint32_t i = 0; i < columns.size(); ++i) {
                if (a._mysql_fetch_value_is_null(row, i)) {
                    columns[i].values.emplace_back("<null>");
                    continue;
                }
                std::string v(lengths[i], '\0');
                a._mysql_fetch_value_to_buff(row, i, v.data(), lengths[i]);
                columns[i].values.push_back(std::move(v));
            }
        }
    });
    return columns;
}

TEST(ClientLibraryServer, ReadsColumnsAndValuesThroughTheLibrary) {
    BREVANT_REQUIRE_SERVER(server);
    RegisterMySQLAPIs();
    TMyConnection c;
    test::Configure(c, server, u"");
    c.Options().SetDirect(false);
    c.Open();
    ASSERT_TRUE(c.Connected());
    EXPECT_EQ(c.Session()->GetMySQLAPI(), static_cast<TMySQLAPI*>(&MyAPIClient()));
    EXPECT_EQ(MyAPIClient().ClientStructVer(), cv411);
    EXPECT_EQ(c.GetClientVersion().substr(0, 2), u"3.");  // Connector/C

    c.ExecSQL(u"DROP DATABASE IF EXISTS brevant_paths_client");
    c.ExecSQL(u"CREATE DATABASE brevant_paths_client");
    c.ExecSQL(u"CREATE TABLE brevant_paths_client.t (id INT NOT NULL PRIMARY KEY, name VARCHAR(20), b LONGBLOB)");
    std::string blob(100 * 1024, '\0');
    for (std::size_t i = 0; i < blob.size(); ++i) blob[i] = static_cast<char>(i % 7 == 0 ? 0 : i % 251);
    static constexpr char kHex[] = "0123456789ABCDEF";
    std::string hex;
    for (unsigned char ch : blob) {
        hex += kHex[ch >> 4];
        hex += kHex[ch & 15];
    }
    c.ExecSQL(Utf8ToUtf16("INSERT INTO brevant_paths_client.t VALUES (1, 'año', X'" + hex + "'), (2, NULL, NULL)"));

    const auto cols = Query(c, "SELECT id AS alias, name, b FROM brevant_paths_client.t AS tt ORDER BY id");
    ASSERT_EQ(cols.size(), 3u);
    const TMYSQL_FIELD& id = cols[0].field;
    EXPECT_EQ(id.Name, "alias");
    EXPECT_EQ(id.OrgName, "id");
    EXPECT_EQ(id.Table, "tt");
    EXPECT_EQ(id.OrgTable, "t");
    EXPECT_EQ(id.MyType, 3);  // LONG
    EXPECT_EQ(id.CharsetNr, 63u);
    EXPECT_NE(id.Flags & 1u, 0u);  // NOT NULL
    EXPECT_EQ(id.LengthInBytes, 11u);
    EXPECT_EQ(cols[1].field.MyType, 253);      // VAR_STRING
    EXPECT_EQ(cols[1].field.CharsetNr, 33u);   // utf8 of the session
    EXPECT_EQ(cols[1].field.LengthInBytes, 60u);
    EXPECT_EQ(cols[2].field.MyType, 252);      // BLOB
    EXPECT_EQ(cols[2].field.CharsetNr, 63u);

    EXPECT_EQ(cols[0].values, (std::vector<std::string>{"1", "2"}));
    EXPECT_EQ(cols[1].values, (std::vector<std::string>{"a\xC3\xB1o", "<null>"}));
    ASSERT_EQ(cols[2].values.size(), 2u);
    EXPECT_EQ(cols[2].values[0].size(), blob.size());
    EXPECT_TRUE(cols[2].values[0] == blob);
    EXPECT_EQ(cols[2].values[1], "<null>");

    c.ExecSQL(u"DROP DATABASE brevant_paths_client");
    c.Close();
}

}  // namespace
}  // namespace brevant
