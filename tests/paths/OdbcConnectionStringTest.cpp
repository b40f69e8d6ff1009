#include "paths/OdbcConnectionString.h"

#include <gtest/gtest.h>

#include "core/Errors.h"

namespace brevant {
namespace {

TOdbcConnectParams Params(UString database, UString user = u"", UString password = u"") {
    return {u"MsAcc", database, user, password};
}

TEST(OdbcConnectionString, AccessDriversInOrderThenMdbtools) {
    const TOdbcDriverFamily* family = FindOdbcDriverFamily(u"msacc");
    ASSERT_NE(family, nullptr);
    struct Case {
        std::vector<std::string> installed;
        const char* expected;
    } cases[] = {
        {{"SQLite3", "MDBTools", "Microsoft Access-Treiber (*.mdb)", "Microsoft Access Driver (*.mdb)"},
         "Microsoft Access Driver (*.mdb)"},
        {{"MDBTools", "Driver do Microsoft Access (*.mdb)"}, "Driver do Microsoft Access (*.mdb)"},
        {{"Microsoft Access Driver (*.mdb, *.accdb)", "Microsoft Access Driver (*.mdb)"},
         "Microsoft Access Driver (*.mdb, *.accdb)"},
        {{"SQLite", "mdbtools"}, "MDBTools"},
        {{"SQLite3"}, nullptr},
    };
    for (const Case& c : cases) {
        const TOdbcDriverName* chosen = ChooseOdbcDriver(*family, c.installed);
        if (!c.expected) {
            EXPECT_EQ(chosen, nullptr);
            continue;
        }
        ASSERT_NE(chosen, nullptr) << c.expected;
        EXPECT_STREQ(chosen->Name, c.expected);
    }
    EXPECT_EQ(FindOdbcDriverFamily(u"MySQL"), nullptr);
}

TEST(OdbcConnectionString, ValuesCanNeverAddASetting) {
    const TOdbcDriverFamily& family = *FindOdbcDriverFamily(u"MsAcc");
    const TOdbcDriverName& microsoft = family.Drivers[0];
    const TOdbcDriverName& mdbtools = family.Drivers.back();
    ASSERT_STREQ(mdbtools.Name, "MDBTools");

    // Empty user and password are passed as empty; the driver option comes last.
    EXPECT_EQ(BuildOdbcConnectionString(family, mdbtools, Params(u"/d/nwind.mdb")),
              "DRIVER={MDBTools};DBQ=/d/nwind.mdb;UID=;PWD=;ExtendedAnsiSQL=1");
    // A driver that reads braces gets every value braced, "}" doubled.
    EXPECT_EQ(BuildOdbcConnectionString(family, microsoft, Params(u"C:\\a;b}.mdb", u"yo", u"p}w;DRIVER={x}")),
              "DRIVER={Microsoft Access Driver (*.mdb, *.accdb)};DBQ={C:\\a;b}}.mdb};UID={yo};"
              "PWD={p}}w;DRIVER={x}}};ExtendedAnsiSQL=1");
    // A driver that cuts at the first ";" whatever the braces cannot be given one.
    for (auto params : {Params(u"x.mdb;DRIVER={SQLite3}"), Params(u"a.mdb", u"u;DSN=x"), Params(u"a.mdb", u"", u"p;w")})
        EXPECT_THROW(BuildOdbcConnectionString(family, mdbtools, params), EArgumentError);
    EXPECT_THROW(BuildOdbcConnectionString(family, microsoft, Params(UString(u"a\0b", 3))), EArgumentError);
    // Braces and "}" alone cannot cut the string of a driver without braces.
    EXPECT_EQ(BuildOdbcConnectionString(family, mdbtools, Params(u"/d/{x}.mdb", u"", u"}")),
              "DRIVER={MDBTools};DBQ=/d/{x}.mdb;UID=;PWD=};ExtendedAnsiSQL=1");
}

TEST(OdbcConnectionString, ParametersAreReadByName) {
    TStrings lines;
    for (const char16_t* l : {u"DriverId=MsAcc", u"Database=/d/a=b.mdb", u"User_name=", u"Password= sp "}) lines.Add(l);
    TOdbcConnectParams p = ParseOdbcConnectParams(lines);
    EXPECT_EQ(p.DriverId, u"MsAcc");
    EXPECT_EQ(p.Database, u"/d/a=b.mdb");
    EXPECT_EQ(p.UserName, u"");
    EXPECT_EQ(p.Password, u" sp ");  // a password keeps its blanks
    for (const char16_t* bad : {u"Server=x", u"no equals sign"}) {
        TStrings one;
        one.Add(bad);
        EXPECT_THROW(ParseOdbcConnectParams(one), EArgumentError) << Narrow(bad);
    }
}

}  // namespace
}  // namespace brevant
