#include <gtest/gtest.h>

#include "cli/CliOptions.h"
#include "cli/RowText.h"

namespace brevant::cli {
namespace {

TEST(RowText, FieldsInBothFormats) {
    struct Case {
        std::string value;
        bool isNull;
        const char* tsv;
        const char* csv;
    } cases[] = {
        {"plain", false, "plain", "plain"},
        {"", true, "\\N", ""},
        {"", false, "", ""},
        {"a\tb\nc\rd\\e", false, "a\\tb\\nc\\rd\\\\e", "\"a\tb\nc\rd\\e\""},
        {"say \"hi\", ok", false, "say \"hi\", ok", "\"say \"\"hi\"\", ok\""},
        {"\\N", false, "\\\\N", "\\N"},
        {"ñandú €", false, "ñandú €", "ñandú €"},
        {"\"\"", false, "\"\"", "\"\"\"\"\"\""},
        {"end\\", false, "end\\\\", "end\\"},
    };
    for (const Case& c : cases) {
        std::string tsv = "x", csv = "x";
        AppendField(tsv, TRowFormat::Tsv, c.value, c.isNull, false);
        AppendField(csv, TRowFormat::Csv, c.value, c.isNull, false);
        EXPECT_EQ(tsv, std::string("x\t") + c.tsv) << c.value;
        EXPECT_EQ(csv, std::string("x,") + c.csv) << c.value;
    }
}

TEST(CommandLine, WrongUsageIsRefusedWithItsReason) {
    struct Case {
        std::vector<std::string> args;
        const char* part;
    } cases[] = {
        {{}, "no command"},
        {{"dance"}, "unknown command"},
        {{"query"}, "needs the SQL"},
        {{"restore"}, "needs a file"},
        {{"--password=x", "query", "SELECT 1"}, "never taken from the command line"},
        {{"--port", "99999", "query", "SELECT 1"}, "--port"},
        {{"--port"}, "needs a value"},
        {{"exec", "--csv", "DELETE FROM t"}, "--csv belongs to query"},
        {{"query", "--force", "SELECT 1"}, "--force belongs to restore"},
        {{"backup", "--per-table", "d", "f.sql"}, "takes no file"},
        {{"--embedded", "query", "SELECT 1"}, "--datadir"},
        {{"--access", "a.mdb", "backup", "f.sql"}, "not on an Access file"},
        {{"--access", "a.mdb", "--embedded", "--datadir", "d", "query", "x"}, "exclude each other"},
        {{"query", "a", "b"}, "too many"},
        {{"--nope", "query", "a"}, "unknown option"},
    };
    for (const Case& c : cases) {
        try {
            ParseCommandLine(c.args);
            ADD_FAILURE() << "accepted: " << c.part;
        } catch (const EUsage& e) {
            EXPECT_NE(std::string(e.what()).find(c.part), std::string::npos) << e.what();
        }
    }
    const TCliOptions o = ParseCommandLine({"--server=h", "--port", "3307", "backup", "--tables", "a,b", "f.sql"});
    EXPECT_EQ(o.server, "h");
    EXPECT_EQ(o.port, 3307);
    EXPECT_EQ(o.tables, "a,b");
    EXPECT_EQ(o.argument, "f.sql");
}

}  // namespace
}  // namespace brevant::cli
