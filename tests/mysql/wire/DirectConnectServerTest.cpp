// Connecting and authenticating through TMySQLAPIDirect against the private
// MariaDB server, and the commands that need no result set.

#include <gtest/gtest.h>

#include "DirectTestSupport.h"
#include "mysql/wire/EMySqlException.h"

namespace brevant {
namespace {

using test::DirectConnection;

TEST(DirectConnect, NativePasswordWithAndWithoutPassword) {
    BREVANT_REQUIRE_SERVER(server);
    TMySQLAPIDirect api;
    {
        DirectConnection c(api, server);
        ASSERT_TRUE(c.Connected()) << c.Error();
        EXPECT_EQ(api.mysql_errno(c.Handle()), 0u);
        EXPECT_NE(api.mysql_get_server_info(c.Handle()).find("MariaDB"), std::string::npos);
        EXPECT_EQ(api.mysql_get_host_info(c.Handle()), server.host + " via TCP/IP");
        EXPECT_EQ(std::to_string(api.mysql_thread_id(c.Handle())), c.Value("SELECT CONNECTION_ID()"));
        EXPECT_EQ(c.Session().FAuthPluginName, "mysql_native_password");
        EXPECT_EQ(c.Value("SELECT CURRENT_USER()"), server.user + "@%");
    }
    {
        DirectConnection c(api, server, server.noPasswordUser, "");
        ASSERT_TRUE(c.Connected()) << c.Error();
        EXPECT_EQ(c.Value("SELECT CURRENT_USER()"), server.noPasswordUser + "@%");
    }
}

TEST(DirectConnect, WrongPasswordKeepsTheServersText) {
    BREVANT_REQUIRE_SERVER(server);
    TMySQLAPIDirect api;
    for (const char* user : {"root", "brevant_old"}) {
        SCOPED_TRACE(user);
        DirectConnection c(api, server, user, "wrong password");
        ASSERT_FALSE(c.Connected());
        EXPECT_EQ(api.mysql_errno(c.Handle()), 1045u);
        EXPECT_TRUE(api.mysql_isservererror(c.Handle()));
        const std::string error = c.Error();
        EXPECT_EQ(error.rfind("#28000", 0), 0u) << error;
        EXPECT_NE(error.find("Access denied for user '" + std::string(user) + "'"), std::string::npos) << error;
    }
}

TEST(DirectConnect, OldPasswordAccountSwitchesPlugin) {
    // The greeting offers mysql_native_password; the account uses the pre-4.1
    // scramble, so the server asks for it with the one-byte switch request and the
    // old scramble over the greeting's scramble must be right.
    BREVANT_REQUIRE_SERVER(server);
    TMySQLAPIDirect api;
    DirectConnection c(api, server, "brevant_old", "brevant-old");
    ASSERT_TRUE(c.Connected()) << c.Error();
    EXPECT_EQ(c.Session().FPacketType, ptOldAuthSwitchRequest);
    EXPECT_EQ(c.Value("SELECT CURRENT_USER()"), "brevant_old@%");
}

TEST(DirectConnect, WithDatabaseAndSelectDb) {
    BREVANT_REQUIRE_SERVER(server);
    TMySQLAPIDirect api;
    {
        DirectConnection admin(api, server);
        ASSERT_TRUE(admin.Connected()) << admin.Error();
        admin.Exec("CREATE DATABASE IF NOT EXISTS brevant_wire_a");
        admin.Exec("CREATE DATABASE IF NOT EXISTS brevant_wire_b");
    }
    DirectConnection c(api, server, server.user, server.password, "brevant_wire_a");
    ASSERT_TRUE(c.Connected()) << c.Error();
    EXPECT_EQ(c.Value("SELECT DATABASE()"), "brevant_wire_a");
    EXPECT_EQ(api.mysql_select_db(c.Handle(), u"brevant_wire_b"), 0);
    EXPECT_EQ(c.Value("SELECT DATABASE()"), "brevant_wire_b");
    EXPECT_EQ(api.mysql_select_db(c.Handle(), u"brevant_no_such_db"), 1049);
    EXPECT_TRUE(api.mysql_isservererror(c.Handle()));
    EXPECT_EQ(api.mysql_ping(c.Handle()), 0);
    EXPECT_EQ(api.mysql_errno(c.Handle()), 0u);  // cleared by the successful call

    DirectConnection missing(api, server, server.user, server.password, "brevant_no_such_db");
    EXPECT_FALSE(missing.Connected());
    EXPECT_EQ(api.mysql_errno(missing.Handle()), 1049u);
}

TEST(DirectConnect, RefusedConnectIsError2003WithTheTransportsText) {
    TMySQLAPIDirect api;
    PMYSQL_CON con = api.mysql_init();
    // A port of the loopback where nothing listens: the server's own port plus one
    // may be taken, so use port 1, which needs root to bind and is never the server.
    EXPECT_EQ(api.mysql_real_connect(con, u"127.0.0.1", u"root", u"", u"", 1, u"", 0), nullptr);
    EXPECT_EQ(api.mysql_errno(con), 2003u);
    EXPECT_FALSE(api.mysql_isservererror(con));
    EXPECT_EQ(api.mysql_error(con).rfind("Cannot connect to server on host '127.0.0.1':", 0), 0u)
        << api.mysql_error(con);
    api.mysql_close(con);
}

TEST(DirectConnect, CompressedProtocolEndToEnd) {
    BREVANT_REQUIRE_SERVER(server);
    TMySQLAPIDirect api;
    DirectConnection c(api, server, server.user, server.password, "mysql", CLIENT_COMPRESS | CLIENT_MULTI_STATEMENTS);
    ASSERT_TRUE(c.Connected()) << c.Error();
    EXPECT_TRUE(c.Session().net.GetCompress());
    EXPECT_EQ(c.Value("SELECT 1"), "1");
    // Large values both ways, many rows, and an error packet under compression.
    const std::string big(300000, 'q');
    EXPECT_EQ(c.Value("SELECT LENGTH('" + big + "'), LENGTH(REPEAT('z', 5000000))"), "300000|5000000");
    EXPECT_EQ(c.Rows("SELECT seq FROM seq_1_to_20000").size(), 20000u);
    EXPECT_EQ(c.Query("SELECT * FROM no_such_table_here"), 1146);
    // A half-read result freed under compression.
    ASSERT_EQ(c.Query("SELECT seq, REPEAT('r', 200) FROM seq_1_to_5000"), 0);
    PMYSQL_RES r = api.mysql_use_result(c.Handle());
    ASSERT_NE(r, nullptr);
    for (int i = 0; i < 10; ++i) ASSERT_NE(api.mysql_fetch_row(r), nullptr);
    api.mysql_free_result(r);
    EXPECT_EQ(c.Value("SELECT 2"), "2");
}

TEST(DirectConnect, StatementAndRowValueBeyond16MB) {
    BREVANT_REQUIRE_SERVER(server);
    TMySQLAPIDirect api;
    for (std::uint32_t flags : {0u, static_cast<std::uint32_t>(CLIENT_COMPRESS)}) {
        SCOPED_TRACE(flags);
        DirectConnection c(api, server, server.user, server.password, "", flags);
        ASSERT_TRUE(c.Connected()) << c.Error();
        const std::size_t n = 17 * 1024 * 1024;
        std::string sql = "SELECT LENGTH('" + std::string(n, 'a') + "')";
        EXPECT_EQ(c.Value(sql), std::to_string(n));
        ASSERT_EQ(c.Query("SELECT REPEAT('b', " + std::to_string(n) + "), 7"), 0);
        PMYSQL_RES r = api.mysql_use_result(c.Handle());
        ASSERT_NE(r, nullptr);
        PMYSQL_ROW row = api.mysql_fetch_row(r);
        ASSERT_NE(row, nullptr) << c.Error();
        std::uint32_t lengths[2];
        api._mysql_fetch_lengths(r, lengths);
        EXPECT_EQ(lengths[0], n);
        const char* p = api._mysql_fetch_value_ptr(r, row, 0);
        EXPECT_EQ(std::string(p, 4), "bbbb");
        EXPECT_EQ(p[n - 1], 'b');
        EXPECT_EQ(api._mysql_fetch_value_str(row, 1), "7");
        EXPECT_EQ(api.mysql_fetch_row(r), nullptr);
        EXPECT_EQ(api.mysql_errno(c.Handle()), 0u);
        api.mysql_free_result(r);

        // Freed unread: a row of 2 x 16777215 + 4 bytes (a 0xFE length prefix and
        // 33554425 bytes of value) ends in a 4-byte piece, which must not pass for
        // the end of the data.
        ASSERT_EQ(c.Query("SELECT REPEAT(_binary'c', 33554425) UNION ALL SELECT 'd'"), 0) << c.Error();
        r = api.mysql_use_result(c.Handle());
        ASSERT_NE(r, nullptr);
        api.mysql_free_result(r);
        EXPECT_EQ(c.Session().status, msReady);
        EXPECT_EQ(c.Value("SELECT 'after'"), "after");
    }
}

TEST(DirectConnect, KillAndAfterwards) {
    BREVANT_REQUIRE_SERVER(server);
    TMySQLAPIDirect api;
    DirectConnection victim(api, server);
    DirectConnection killer(api, server);
    ASSERT_TRUE(victim.Connected() && killer.Connected());
    EXPECT_EQ(api.mysql_kill(killer.Handle(), api.mysql_thread_id(victim.Handle())), 0) << killer.Error();
    // The killed session's next command fails with a lost connection, not a hang.
    int code = victim.Query("SELECT 1");
    EXPECT_TRUE(code == 2013 || code == 1927 || code == 2006) << code << " " << victim.Error();
    EXPECT_EQ(api.mysql_kill(killer.Handle(), 0xFFFFFF), 1094);
}

TEST(DirectConnect, ClientInfoOptionsAndTimeout) {
    TMySQLAPIDirect api;
    EXPECT_EQ(api.mysql_get_client_info(), "8.0.0 Direct");
    EXPECT_EQ(api.ClientVer(), "8.0.0 Direct");
    EXPECT_EQ(api.ClientStructVer(), cvDirect);
    PMYSQL_CON con = api.mysql_init();
    TMySqlSession& s = *TMySQLAPIDirect::Session(con);
    api.SetTimeout(con, 0);
    EXPECT_EQ(s.commandTimeout, 31536000);
    api.SetTimeout(con, 30);
    EXPECT_EQ(s.commandTimeout, 30);
    api.mysql_options(con, MYSQL_OPT_CONNECT_TIMEOUT, 7);
    EXPECT_EQ(s.connectTimeout, 7);
    api.mysql_options(con, MYSQL_OPT_PROTOCOL, MYSQL_PROTOCOL_TCP);
    EXPECT_EQ(s.protocolType, MYSQL_PROTOCOL_TCP);
    api.mysql_options(con, MYSQL_SET_CHARSET_NAME, std::string("latin1"));
    EXPECT_EQ(s.charset, "latin1");
    EXPECT_EQ(api.mysql_options(con, MYSQL_OPT_COMPRESS, 1), 0);  // accepted, ignored
    api.mysql_options(con, MYSQL_OPT_NAMED_PIPE, 0);
    EXPECT_EQ(s.protocolType, MYSQL_PROTOCOL_PIPE);
    // The peripheral transports are refused with the protocol error.
    EXPECT_EQ(api.mysql_real_connect(con, u"127.0.0.1", u"u", u"", u"", 3306, u"", 0), nullptr);
    EXPECT_EQ(api.mysql_errno(con), 2046u);
    EXPECT_EQ(api.mysql_ssl_set(con, u"", u"", u"", u"", u""), 0);
    EXPECT_EQ(api.mysql_real_connect(con, u"127.0.0.1", u"u", u"", u"", 3306, u"", 0), nullptr);
    EXPECT_EQ(api.mysql_errno(con), 2046u);
    EXPECT_THROW(api.mysql_character_set_name(con), Exception);
    api.mysql_close(con);
}

}  // namespace
}  // namespace brevant
