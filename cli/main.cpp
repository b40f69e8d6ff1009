// brevant-cli: query, execute, back up and restore from a shell.
// Exit codes: 0 success, 1 a failure (its message on stderr), 2 wrong usage.

#include <cstdio>
#include <exception>

#include "cli/CliOptions.h"
#include "cli/Commands.h"
#include "mysql/client/DAErrors.h"
#include "paths/MySQLAPIRegistration.h"

int main(int argc, char** argv) {
    using namespace brevant;
    using namespace brevant::cli;
    TCliOptions options;
    try {
        options = ParseCommandLine(std::vector<std::string>(argv + 1, argv + argc));
    } catch (const EUsage& e) {
        std::fprintf(stderr, "brevant-cli: %s\n%s", e.what(), kUsage);
        return 2;
    } catch (const std::exception& e) {  // a settings file that cannot be used
        std::fprintf(stderr, "ERROR: %s\n", e.what());
        return 1;
    }
    if (options.help) {
        std::fputs(kUsage, stdout);
        return 0;
    }
    RegisterMySQLAPIs();
    InstallInterruptHandler();
    try {
        return RunCommand(options);
    } catch (const EDAError& e) {
        std::fprintf(stderr, "ERROR %d: %s\n", e.ErrorCode(), e.what());
    } catch (const std::exception& e) {
        std::fprintf(stderr, "ERROR: %s\n", e.what());
    }
    return 1;
}
