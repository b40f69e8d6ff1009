#pragma once

namespace brevant {

/// The whole run of the workbench: application object, visual style, title, the main
/// window and its two hidden viewers, then the message loop. Returns the exit code.
int RunBrevant(int& argc, char** argv);

}  // namespace brevant
