#include "app/Settings.h"

namespace brevant {

namespace {

// The text keys in file order, after driverid.
struct TextKey {
    const char16_t* name;
    UString TSettings::*field;
};
constexpr TextKey kTextKeys[] = {
    {u"server", &TSettings::server}, {u"database", &TSettings::database}, {u"datadir", &TSettings::datadir},
    {u"user", &TSettings::user},     {u"port", &TSettings::port},
};

}  // namespace

TSettings LoadSettings(const IniFile& file) {
    const TSettings defaults;
    TSettings s;
    s.driverid = file.ReadInteger(SettingsSection, u"driverid", defaults.driverid);
    for (const TextKey& key : kTextKeys) s.*key.field = file.ReadString(SettingsSection, key.name, defaults.*key.field);
    return s;
}

void SaveSettings(IniFile& file, const TSettings& settings) {
    file.WriteInteger(SettingsSection, u"driverid", settings.driverid);
    for (const TextKey& key : kTextKeys) file.WriteString(SettingsSection, key.name, settings.*key.field);
}

}  // namespace brevant
