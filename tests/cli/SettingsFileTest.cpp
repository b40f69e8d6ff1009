// --settings: which options the window's file gives for each kind, and which the
// command line keeps.
#include <gtest/gtest.h>
#include <unistd.h>

#include <filesystem>
#include <fstream>

#include "cli/CliOptions.h"

namespace brevant::cli {
namespace {

namespace fs = std::filesystem;

TEST(SettingsFile, EachKindTakesTheKeysItsBoxesMean) {
    const std::string dir = fs::weakly_canonical(::testing::TempDir()).string() + "/brevant_settings_" +
                            std::to_string(getpid());
    fs::create_directories(dir);
    const std::string ini = dir + "/brevant.ini";
    struct Case {
        const char* name;
        const char* file;
        std::vector<std::string> args;
        TKind kind;
        std::string server, user, database, basedir, datadir, access;
        int port;
    } cases[] = {
        {"a server row", "[setup]\ndriverid=0\nserver=db1\ndatabase=shop\nuser=ana\nport=3307\n", {},
         TKind::Server, "db1", "ana", "shop", "", "", "", 3307},
        {"missing keys give the window's first-run row", "[setup]\n", {}, TKind::Server, "localhost", "root", "", "",
         "", "", 3306},
        {"the command line wins", "[setup]\nserver=db1\ndatabase=shop\nuser=ana\nport=3307\n",
         {"--server", "db2", "--user", "bo", "--database", "d", "--port", "3310"}, TKind::Server, "db2", "bo", "d", "",
         "", "", 3310},
        {"embedded: the server box is the base folder, folders from the file's folder",
         "[setup]\ndriverid=1\nserver=/usr\ndatadir=datos\ndatabase=sakila\nport=x\n", {}, TKind::Embedded,
         "localhost", "root", "sakila", "/usr", dir + "/datos", "", 3306},
        {"embedded with --datadir", "[setup]\ndriverid=1\nserver=base\n", {"--datadir", "/srv/d"}, TKind::Embedded,
         "localhost", "root", "", dir + "/base", "/srv/d", "", 3306},
        {"access: the database box is the file", "[setup]\ndriverid=2\ndatabase=/data/nw.mdb\n", {}, TKind::Access,
         "localhost", "root", "", "", "", "/data/nw.mdb", 3306},
        {"--embedded over a server row keeps only user and database",
         "[setup]\ndriverid=0\nserver=db1\ndatabase=shop\nuser=ana\nport=1\n", {"--embedded", "--datadir", "/d"},
         TKind::Embedded, "localhost", "ana", "shop", "", "/d", "", 3306},
        {"--access over an embedded row", "[setup]\ndriverid=1\nserver=/usr\ndatabase=shop\n", {"--access", "f.mdb"},
         TKind::Access, "localhost", "root", "", "", "", "f.mdb", 3306},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        std::ofstream(ini, std::ios::binary | std::ios::trunc) << c.file;
        std::vector<std::string> args = c.args;
        for (const char* a : {"--settings", ini.c_str(), "query", "SELECT 1"}) args.push_back(a);
        const TCliOptions o = ParseCommandLine(args);
        EXPECT_EQ(o.kind, c.kind);
        EXPECT_EQ(o.server, c.server);
        EXPECT_EQ(o.user, c.user);
        EXPECT_EQ(o.database, c.database);
        EXPECT_EQ(o.basedir, c.basedir);
        EXPECT_EQ(o.datadir, c.datadir);
        EXPECT_EQ(o.accessFile, c.access);
        EXPECT_EQ(o.port, c.port);
    }
    fs::remove_all(dir);
}

}  // namespace
}  // namespace brevant::cli
