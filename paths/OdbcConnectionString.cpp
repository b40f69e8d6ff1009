#include "paths/OdbcConnectionString.h"

#include <array>

#include "core/Errors.h"
#include "core/Format.h"
#include "paths/OdbcApi.h"

namespace brevant {

namespace {

// The Microsoft drivers in their order of preference, then the one Linux has.
constexpr std::array<TOdbcDriverName, 5> AccessDrivers = {{
    {"Microsoft Access Driver (*.mdb, *.accdb)", true, "DBQ"},
    {"Microsoft Access Driver (*.mdb)", true, "DBQ"},
    {"Driver do Microsoft Access (*.mdb)", true, "DBQ"},
    {"Microsoft Access-Treiber (*.mdb)", true, "DBQ"},
    {"MDBTools", false, "DBQ"},
}};

// A writable file database reached through the same code.
constexpr std::array<TOdbcDriverName, 1> SQLiteDrivers = {{
    {"SQLite3", false, "Database"},
}};

constexpr std::array<TOdbcDriverFamily, 2> Families = {{
    {"MsAcc", AccessDrivers, "ExtendedAnsiSQL=1"},
    {"SQLite", SQLiteDrivers, ""},
}};

}  // namespace

const TOdbcDriverFamily* FindOdbcDriverFamily(UStringView driverId) {
    for (const TOdbcDriverFamily& family : Families)
        if (SameTextAscii(driverId, Widen(family.DriverId))) return &family;
    return nullptr;
}

TOdbcConnectParams ParseOdbcConnectParams(const TStrings& params) {
    TOdbcConnectParams result;
    for (const UString& line : params.Lines()) {
        std::size_t eq = line.find(u'=');
        if (eq == UString::npos) throw EArgumentError(Format(u"Connection parameter without \"=\": %s", {line}));
        UStringView name = TrimView(UStringView(line).substr(0, eq));
        UString value = line.substr(eq + 1);
        if (SameTextAscii(name, u"DriverId"))
            result.DriverId = std::move(value);
        else if (SameTextAscii(name, u"Database"))
            result.Database = std::move(value);
        else if (SameTextAscii(name, u"User_name"))
            result.UserName = std::move(value);
        else if (SameTextAscii(name, u"Password"))
            result.Password = std::move(value);
        else
            throw EArgumentError(Format(u"Unknown connection parameter %s", {name}));
    }
    return result;
}

std::string OdbcSetting(const TOdbcDriverName& driver, const char* key, UStringView value, const char* label) {
    if (value.find(u'\0') != UStringView::npos)
        throw EArgumentError(FormatUtf8("The %s holds a NUL character", {label}));
    std::string text = Utf16ToUtf8(value);
    std::string setting = key;
    setting += '=';
    if (driver.BracedValues) {
        setting += '{';
        for (char c : text) {
            setting += c;
            if (c == '}') setting += '}';
        }
        setting += '}';
    } else {
        if (text.find(';') != std::string::npos)
            throw EArgumentError(
                FormatUtf8("The %s holds \";\", which the ODBC driver %s cannot take", {label, driver.Name}));
        setting += text;
    }
    return setting;
}

std::string BuildOdbcConnectionString(const TOdbcDriverFamily& family, const TOdbcDriverName& driver,
                                      const TOdbcConnectParams& params) {
    // The driver's name is ours, never the user's; braces are the driver manager's own
    // syntax for a name holding blanks and parentheses.
    std::string text = "DRIVER={";
    text += driver.Name;
    text += "};";
    text += OdbcSetting(driver, driver.DatabaseKey, params.Database, "database path");
    text += ';';
    text += OdbcSetting(driver, "UID", params.UserName, "user name");
    text += ';';
    text += OdbcSetting(driver, "PWD", params.Password, "password");
    if (*family.ExtraSettings) {
        text += ';';
        text += family.ExtraSettings;
    }
    return text;
}

std::vector<std::string> InstalledOdbcDrivers() {
    std::vector<std::string> names;
    SQLHENV env = OdbcEnvironment();
    SQLUSMALLINT direction = SQL_FETCH_FIRST;
    for (;;) {
        SQLCHAR name[512];
        SQLCHAR attributes[2048];
        SQLSMALLINT nameLength = 0, attributesLength = 0;
        SQLRETURN rc = SQLDrivers(env, direction, name, sizeof name, &nameLength, attributes, sizeof attributes,
                                  &attributesLength);
        if (!OdbcSucceeded(rc)) break;
        names.emplace_back(reinterpret_cast<const char*>(name));
        direction = SQL_FETCH_NEXT;
    }
    return names;
}

const TOdbcDriverName* ChooseOdbcDriver(const TOdbcDriverFamily& family, const std::vector<std::string>& installed) {
    for (const TOdbcDriverName& driver : family.Drivers)
        for (const std::string& name : installed)
            if (SameTextAscii(Widen(name), Widen(driver.Name))) return &driver;
    return nullptr;
}

}  // namespace brevant
