#pragma once
// The connection row remembered between runs: section "setup" of brevant.ini in the
// directory the program started from. The password is never part of it.

#include "core/IniFile.h"
#include "core/Text.h"

namespace brevant {

struct TSettings {
    int driverid = 0;  // item index of the connection selector; -1 when none is selected
    UString server = u"localhost";
    UString database;
    UString datadir = u"datos";
    UString user = u"root";
    UString port = u"3306";  // kept as typed; it becomes a number only at connect
};

inline constexpr char16_t SettingsFileName[] = u"brevant.ini";
inline constexpr char16_t SettingsSection[] = u"setup";

/// Every key, or its default when the key (or the whole file) is missing. Never throws.
TSettings LoadSettings(const IniFile& file);

/// Writes driverid, server, database, datadir, user and port in that order, each one
/// through to the file at once. A key that cannot be written throws EIniFileException;
/// the keys before it are already in the file, the ones after it are not.
void SaveSettings(IniFile& file, const TSettings& settings);

}  // namespace brevant
