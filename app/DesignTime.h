#pragma once
// The settings the window's data-access objects start the run with, as the window
// was designed. Connect and the runs replace what they need.

namespace brevant {

class TMyConnection;

/// MyConn: Unicode strings on, character set "latin1", IPv4 and IPv6, user "root",
/// server "localhost", no login prompt; no database and no password until connect.
void DesignMyConn(TMyConnection& conn);

}  // namespace brevant
