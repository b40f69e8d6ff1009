#pragma once
// Building the connection string of a file database from the layer's parameters
// ("DriverId=", "Database=", "User_name=", "Password="), and choosing the driver.
//
// Each driver family lists the driver names to look for, in order of preference, and
// each name says whether its connection-string reader takes braced values. Where it
// does, every value goes in braces with "}" doubled; where it does not (the mdbtools
// and SQLite readers cut at the first ";" and keep braces as part of the value), a
// value holding ";" is refused. Either way no value can add a setting of its own.

#include <span>
#include <string>
#include <vector>

#include "core/TStrings.h"
#include "core/Text.h"

namespace brevant {

struct TOdbcDriverName {
    const char* Name;
    bool BracedValues;  // the driver's reader takes {value} with "}}" for "}"
    const char* DatabaseKey;
};

struct TOdbcDriverFamily {
    const char* DriverId;  // the "DriverId=" value that selects it
    std::span<const TOdbcDriverName> Drivers;
    const char* ExtraSettings;  // appended as they stand
};

/// The family of a "DriverId=" value (without regard to case), or null.
const TOdbcDriverFamily* FindOdbcDriverFamily(UStringView driverId);

/// The parameters the connection understands, read from "name=value" lines.
struct TOdbcConnectParams {
    UString DriverId, Database, UserName, Password;
};
/// Reads the lines; an unknown name or a line without "=" is an EArgumentError.
TOdbcConnectParams ParseOdbcConnectParams(const TStrings& params);

/// "KEY={value}" (braced driver) or "KEY=value"; EArgumentError when the value cannot
/// be given to that driver safely (";" without braces, NUL anywhere).
std::string OdbcSetting(const TOdbcDriverName& driver, const char* key, UStringView value, const char* label);
/// The whole string for one driver of the family.
std::string BuildOdbcConnectionString(const TOdbcDriverFamily& family, const TOdbcDriverName& driver,
                                      const TOdbcConnectParams& params);

/// Names of the drivers installed with the driver manager.
std::vector<std::string> InstalledOdbcDrivers();
/// The first driver of the family whose name is installed, or null.
const TOdbcDriverName* ChooseOdbcDriver(const TOdbcDriverFamily& family, const std::vector<std::string>& installed);

}  // namespace brevant
