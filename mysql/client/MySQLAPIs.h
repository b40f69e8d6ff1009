#pragma once
// The implementations of the protocol operation set a session can choose from.
// The direct one (this program's own protocol client) is always there; the
// client-library and embedded-server ones live in a higher layer, which installs
// them at start-up. Choosing one that is not installed gives a clear error.

#include "mysql/wire/TMySQLAPI.h"

namespace brevant {

enum TMySQLAPIKind { akDirect, akClient, akEmbedded };

/// The implementation of a kind; raises EDatabaseError "<kind> is not supported in
/// this build" when none is installed.
TMySQLAPI& GetMySQLAPI(TMySQLAPIKind kind);

/// Installs an implementation (nullptr restores the default: the process's direct
/// client for akDirect, none otherwise). Returns the one installed before. Not
/// owned. Tests use it to watch what a session sends.
TMySQLAPI* SetMySQLAPI(TMySQLAPIKind kind, TMySQLAPI* api);

/// The kind a session uses: embedded if asked, else direct if asked, else the
/// client library.
constexpr TMySQLAPIKind ChooseMySQLAPIKind(bool embedded, bool direct) {
    return embedded ? akEmbedded : (direct ? akDirect : akClient);
}

}  // namespace brevant
