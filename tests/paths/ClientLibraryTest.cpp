// The operation set over a loaded C-API library, against the fake library: the
// version decoding, a missing library or
// entry point, integer options, and the field and row conversions.

#include <gtest/gtest.h>

#include <cstddef>
#include <cstdlib>

#include <dlfcn.h>

#include "mysql/client/DAErrors.h"
#include "paths/TMySQLAPIClient.h"
#include "paths/TMySQLAPIEmbedded.h"
#include "PathsTestSupport.h"

namespace brevant {
namespace {

using test::MessageOf;

TEST(ClientStructVer, FollowsTheLibraryVersion) {
    const struct {
        const char* version;
        TClientStructVer expected;
    } cases[] = {
        {"5.1.73", cv411},      {"5.1.0", cv411},  {"4.1.0", cv410},  {"4.1.1", cv411},
        {"4.1.22", cv411},      {"4.0.27", cv4},   {"6.0.2", cv411},  {"10.11.6", cv411},
        {"3.3.20", cv411},  // Connector/C 3.x: the 4.1 layout
        {"5.5.5-10.4.12-MariaDB", cv411},
    };
    for (const auto& c : cases) EXPECT_EQ(ClientStructVerOf(c.version), c.expected) << c.version;
    for (const char* bad : {"8.0.21", "2.0.1", "11.4.2"})
        EXPECT_EQ(MessageOf([&] { ClientStructVerOf(bad); }), SInvalidClientVersion) << bad;
}

class FakeLibrary : public ::testing::Test {
protected:
    void SetUp() override {
        MySQLClientLibrary = BREVANT_FAKE_MYSQL_LIB;
        unsetenv("BREVANT_FAKE_VERSION");
    }
    void TearDown() override {
        api.FreeMySQLLib();
        MySQLClientLibrary.clear();
        unsetenv("BREVANT_FAKE_VERSION");
    }
    TMySQLAPIClient api;
};

TEST_F(FakeLibrary, LoadsChecksVersionAndUnloads) {
    api.CheckMySQLLib();
    EXPECT_TRUE(api.LoadedMySQLLib());
    EXPECT_EQ(api.ClientVer(), "10.11.0");
    EXPECT_EQ(api.ClientStructVer(), cv411);
    api.FreeMySQLLib();
    EXPECT_FALSE(api.LoadedMySQLLib());

    setenv("BREVANT_FAKE_VERSION", "8.0.30", 1);
    EXPECT_EQ(MessageOf([&] { api.CheckMySQLLib(); }), SInvalidClientVersion);
}

TEST_F(FakeLibrary, MissingLibraryAndEntryPoint) {
    EXPECT_EQ(api.GetLibraryName(), BREVANT_FAKE_MYSQL_LIB);
    MySQLClientLibrary = "/nonexistent/libnothing.so";
    EXPECT_EQ(MessageOf([&] { api.CheckMySQLLib(); }),
              u"MySQL client library couldn't be loaded. Please place /nonexistent/libnothing.so file to system "
              u"folder (included to PATH) or to the folder with executable unit of main program.");
    EXPECT_FALSE(api.LastError().empty());
    MySQLClientLibrary.clear();
    EXPECT_EQ(api.GetLibraryName(), "libmysqlclient.so");

    // A library without one entry point loads; only calling it fails.
    MySQLClientLibrary = BREVANT_FAKE_MYSQL_LIB;
    api.CheckMySQLLib();
    const UString lib = Widen(BREVANT_FAKE_MYSQL_LIB);
    EXPECT_EQ(MessageOf([&] { api.mysql_stmt_prepare_result(nullptr); }),
              u"MySQL API function is not linked. You should update MySQL client library (" + lib + u")");
    TMySQLAPIEmbedded embedded;
    EXPECT_EQ(MessageOf([&] { embedded.mysql_stmt_prepare_result(nullptr); }),
              u"MySQL API function is not linked. You should update MySQL Embedded Server library (" + lib + u")");
}

TEST_F(FakeLibrary, IntegerOptionsGoByPointerAndTimeoutsFollowTheLayout) {
    api.CheckMySQLLib();
    PMYSQL_CON con = api.mysql_init(nullptr);
    void* lib = dlopen(BREVANT_FAKE_MYSQL_LIB, RTLD_NOW | RTLD_NOLOAD);
    ASSERT_NE(lib, nullptr);
    auto lastValue = reinterpret_cast<unsigned (*)(void*)>(dlsym(lib, "fake_last_option_value"));
    api.mysql_options(con, MYSQL_OPT_CONNECT_TIMEOUT, 15);
    EXPECT_EQ(lastValue(con), 15u);
    api.SetTimeout(con, 0);  // no limit: one year
    EXPECT_EQ(lastValue(con), 31536000u);
    api.mysql_close(con);
    dlclose(lib);
}

TEST_F(FakeLibrary, FieldsAndRowsConvert) {
    api.CheckMySQLLib();
    PMYSQL_CON con = api.mysql_init(nullptr);
    const std::string q = "SELECT id AS alias, '' AS nothing FROM tbl t";
    ASSERT_EQ(api.mysql_real_query(con, q.data(), q.size()), 0);
    ASSERT_EQ(api.mysql_field_count(con), 2u);
    PMYSQL_RES res = api.mysql_use_result(con);
    ASSERT_NE(res, nullptr);

    TMYSQL_FIELD f;
    api._mysql_fetch_field_direct(res, 0, false, f);
    EXPECT_EQ(f.Name, "alias");
    EXPECT_EQ(f.OrgName, "id");
    EXPECT_EQ(f.Table, "t");
    EXPECT_EQ(f.OrgTable, "tbl");
    EXPECT_EQ(f.LengthInBytes, 11u);
    EXPECT_EQ(f.Flags, 3u);
    EXPECT_EQ(f.CharsetNr, 63u);
    EXPECT_EQ(f.MyType, 3 /* MYSQL_TYPE_LONG */);
    api._mysql_fetch_field_direct(res, 1, false, f);
    EXPECT_EQ(f.OrgName, "nothing");          // an empty original name is the name
    EXPECT_EQ(f.LengthInBytes, 0xFFFFFFFFu);  // an `unsigned long` beyond 32 bits is narrowed
    EXPECT_EQ(f.MyType, 253 /* MYSQL_TYPE_VAR_STRING */);

    PMYSQL_ROW row = api.mysql_fetch_row(res);
    ASSERT_NE(row, nullptr);
    std::uint32_t lengths[2] = {99, 99};
    api._mysql_fetch_lengths(res, lengths);
    EXPECT_EQ(lengths[0], 1u);
    EXPECT_FALSE(api._mysql_fetch_value_is_null(row, 0));
    EXPECT_TRUE(api._mysql_fetch_value_is_null(row, 1));
    EXPECT_EQ(api._mysql_fetch_value_str(row, 0), "1");

    row = api.mysql_fetch_row(res);
    ASSERT_NE(row, nullptr);
    api._mysql_fetch_lengths(res, lengths);
    EXPECT_EQ(lengths[0], 3u);
    char buf[8] = {};
    api._mysql_fetch_value_to_str(row, 0, 2, buf);
    EXPECT_STREQ(buf, "ab");
    api._mysql_fetch_value_to_buff(row, 0, buf, 1, 3);
    EXPECT_EQ(std::string(buf, 4), "aabc");
    std::uint32_t offset = 9;
    EXPECT_EQ(std::string(api._mysql_fetch_value_arr(row, 0, offset)), "abc");
    EXPECT_EQ(offset, 0u);
    EXPECT_FALSE(api._mysql_fetch_value_is_null(row, 1));  // empty, not NULL
    EXPECT_EQ(api.mysql_fetch_row(res), nullptr);
    api.mysql_free_result(res);
    api.mysql_close(con);
}

}  // namespace
}  // namespace brevant
