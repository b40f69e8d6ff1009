#pragma once
// The process's client-library and embedded-server implementations of the
// operation set. The program installs them with one explicit call at start
// (a static constructor could be dropped by the linker with its object file).

namespace brevant {

class TMySQLAPIClient;
class TMySQLAPIEmbedded;

/// The one client-library implementation of the process.
TMySQLAPIClient& MyAPIClient();
/// The one embedded-server implementation; its server is stopped at process end.
TMySQLAPIEmbedded& MyAPIEmbedded();

/// Makes both available to sessions (Direct False, Embedded True).
void RegisterMySQLAPIs();

}  // namespace brevant
