#pragma once
// What the connection row holds when a command reads it: the texts of its boxes.

#include "core/Text.h"

namespace brevant {

struct TConnectionRow {
    UString server;    // edServer: host for "MySQL", base directory for "MySQL Embebido"
    UString dataDir;   // edDataDir: data directory for "MySQL Embebido"
    UString database;  // edDatabase: database, or the Access file
    UString port;      // edPort: text, converted only when "MySQL" connects
    UString user;      // edUser
    UString password;  // edPass
};

}  // namespace brevant
