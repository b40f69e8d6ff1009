#pragma once
// Connections of the client layer to the test server: the workbench's settings, a
// direct client that records the statements it sends, a value read through the
// operation set, and a database of a test's own.

#include <gtest/gtest.h>

#include <functional>
#include <memory>
#include <string>
#include <vector>

#include "TestServer.h"
#include "mysql/client/TCustomMyConnection.h"
#include "mysql/client/TMySQLConnection.h"
#include "mysql/wire/TMySQLAPIDirect.h"

namespace brevant::test {

/// The direct client, recording every statement text sent by mysql_real_query.
class CapturingAPI : public TMySQLAPIDirect {
public:
    std::vector<std::string> statements;
    int mysql_real_query(PMYSQL_CON mysql, const char* query, std::size_t length) override;
};

/// A test whose direct connections go through `api` from SetUp to TearDown.
class CapturingTest : public ::testing::Test {
protected:
    CapturingAPI api;
    TMySQLAPI* previous = nullptr;
    void SetUp() override;
    void TearDown() override;
};

/// Points `c` at the test server as the workbench's MyConn: Unicode text in
/// `charset`, IPv4 or IPv6, no login prompt. Nothing is opened.
void Configure(TMyConnection& c, const ServerAddress& server, const UString& charset = u"latin1");

/// A new connection named `name`, configured as above, in `database`.
std::unique_ptr<TMyConnection> MakeConnection(const ServerAddress& server, const UString& charset,
                                              const UString& database, const UString& name = u"MyConn");

/// Creates `database` when missing, on the open connection `c`.
void CreateDatabase(TMyConnection& c, const UString& database);

/// Creates `database` when missing, through a connection of its own.
void CreateDatabase(const ServerAddress& server, const UString& database, const UString& charset = u"utf8");

/// Runs `sql` through the session's operation set and hands its result to `read`,
/// under the session's lock; the result is freed afterwards.
void WithResult(TMySQLConnection& s, const std::string& sql,
                const std::function<void(TMySQLAPI&, PMYSQL_RES)>& read);

/// The first column of the first row of a query, "<null>" or "<no row>", read
/// through the session's operation set; the other rows are read and dropped.
std::string QueryValue(TMyConnection& c, const std::string& sql);

}  // namespace brevant::test
