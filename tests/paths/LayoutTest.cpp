// The 4.1 field layout that the client-library operations read must be the
// installed <mysql.h>'s (checked at compile time; the test only names it).

#include <gtest/gtest.h>
#include <mysql.h>

#include <cstddef>

#include "paths/MySqlClientLayout.h"

namespace brevant {
namespace {

// The 4.1 layout read from the library must be the installed header's.
static_assert(offsetof(TMYSQL_FIELD411, name) == offsetof(MYSQL_FIELD, name));
static_assert(offsetof(TMYSQL_FIELD411, org_name) == offsetof(MYSQL_FIELD, org_name));
static_assert(offsetof(TMYSQL_FIELD411, table) == offsetof(MYSQL_FIELD, table));
static_assert(offsetof(TMYSQL_FIELD411, org_table) == offsetof(MYSQL_FIELD, org_table));
static_assert(offsetof(TMYSQL_FIELD411, length) == offsetof(MYSQL_FIELD, length));
static_assert(offsetof(TMYSQL_FIELD411, flags) == offsetof(MYSQL_FIELD, flags));
static_assert(offsetof(TMYSQL_FIELD411, decimals) == offsetof(MYSQL_FIELD, decimals));
static_assert(offsetof(TMYSQL_FIELD411, charsetnr) == offsetof(MYSQL_FIELD, charsetnr));
static_assert(offsetof(TMYSQL_FIELD411, type) == offsetof(MYSQL_FIELD, type));
static_assert(sizeof(MYSQL_FIELD::length) == sizeof(unsigned long));

TEST(ClientLayout, MatchesTheInstalledHeader) { SUCCEED(); }

}  // namespace
}  // namespace brevant
