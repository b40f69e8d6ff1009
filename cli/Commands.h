#pragma once
// The four subcommands on an open connection of one of the three kinds. Each
// returns the exit code; failures the layers raise go up as exceptions.

#include "cli/CliOptions.h"

namespace brevant::cli {

/// Set by SIGINT; a running backup or restore looks at it between steps.
bool Interrupted();
void InstallInterruptHandler();

/// The password from BREVANT_PASSWORD, else asked for on the terminal without
/// echo, else empty.
std::string ReadPassword();

int RunCommand(const TCliOptions& options);

}  // namespace brevant::cli
