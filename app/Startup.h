#pragma once

namespace brevant {

/// The whole run of the workbench: application object, visual style, title, the main
/// window and its two hidden viewers, then the message loop. Returns the exit code.
int RunBrevant(int& argc, char** argv);

/// Process-wide wiring done once at start, before any window: the client-library and
/// embedded-server implementations, and the hourglass that the data layers show
/// while they work (the application's override cursor).
void InstallDataLayers();

}  // namespace brevant
