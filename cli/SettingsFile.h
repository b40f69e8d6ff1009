#pragma once
// --settings FILE: the connection the window remembers in its brevant.ini (section
// "setup"), read by the window's rules. The keys mean what the window's boxes mean
// for the kind that driverid selects: for the embedded server "server" is the base
// folder, for Access "database" is the file. Relative folders and files are taken
// from the settings file's own folder, where the window that wrote it runs.

#include "cli/CliOptions.h"

namespace brevant::cli {

/// Fills every connection option the command line did not give from
/// o.settingsFile. ESettings when the file cannot be read, selects no kind, or
/// holds a port that is not a number.
void ApplySettingsFile(TCliOptions& o);

}  // namespace brevant::cli
