#include "TestServer.h"

#include <unistd.h>

#include <cstdlib>

namespace brevant::test {

namespace {
std::string Env(const char* name) {
    const char* v = std::getenv(name);
    return v ? v : "";
}
}  // namespace

std::optional<ServerAddress> ConfiguredServer(std::string* why) {
    ServerAddress a;
    a.host = Env("BREVANT_TEST_HOST");
    std::string port = Env("BREVANT_TEST_PORT");
    if (a.host.empty() || port.empty()) {
        if (why)
            *why = "no test server: BREVANT_TEST_HOST/BREVANT_TEST_PORT are not set "
                   "(run through ctest, which starts a private mariadbd, or set them)";
        return std::nullopt;
    }
    a.port = std::atoi(port.c_str());
    a.user = Env("BREVANT_TEST_USER");
    if (a.user.empty()) a.user = "root";
    a.password = Env("BREVANT_TEST_PASSWORD");
    a.noPasswordUser = Env("BREVANT_TEST_NOPW_USER");
    a.socket = Env("BREVANT_TEST_SOCKET");
    return a;
}

std::string TestDataPath(const std::string& relative) {
    std::string base = Env("BREVANT_TESTDATA");
    if (base.empty()) base = "../shared/testdata";
    return base + "/" + relative;
}

bool BootstrapDataFolder(const std::string& folder, const std::string& log) {
    const std::string cmd = "mariadb-install-db --no-defaults --datadir='" + folder +
                            "' --auth-root-authentication-method=normal --skip-test-db" +
                            (geteuid() == 0 ? " --user=root" : "") + " >'" + log + "' 2>&1";
    return std::system(cmd.c_str()) == 0;
}

}  // namespace brevant::test
