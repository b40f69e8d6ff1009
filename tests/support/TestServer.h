#pragma once
// Address of the test server, read from BREVANT_TEST_HOST/PORT/USER/PASSWORD.
// Without it a test skips and says why; with CI set it fails instead, so that a CI
// run never passes by skipping the real-server tests.

#include <gtest/gtest.h>

#include <optional>
#include <string>

namespace brevant::test {

struct ServerAddress {
    std::string host;
    int port = 0;
    std::string user;
    std::string password;
    std::string noPasswordUser;  // an account with an empty password
    std::string socket;          // unix socket of the private server, for admin steps
};

/// The configured server, or nullopt with the reason in *why.
std::optional<ServerAddress> ConfiguredServer(std::string* why = nullptr);

/// Path of a file in shared/testdata (BREVANT_TESTDATA).
std::string TestDataPath(const std::string& relative);

/// Makes `folder` (which must not exist; no blanks in its path) a data folder for
/// the embedded server with mariadb-install-db, root without a password; the
/// tool's output goes to `log`. False when it could not.
bool BootstrapDataFolder(const std::string& folder, const std::string& log);

}  // namespace brevant::test

/// Use at the top of a test that needs the server: declares `server`.
#define BREVANT_REQUIRE_SERVER(server)                                              \
    std::string brevant_why_##server;                                                \
    auto brevant_opt_##server = ::brevant::test::ConfiguredServer(&brevant_why_##server); \
    if (!brevant_opt_##server) {                                                     \
        if (std::getenv("CI")) FAIL() << brevant_why_##server;                       \
        GTEST_SKIP() << brevant_why_##server;                                        \
    }                                                                                \
    const ::brevant::test::ServerAddress& server = *brevant_opt_##server
