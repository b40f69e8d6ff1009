// The file names a LOAD DATA LOCAL INFILE statement allows a server to ask for.

#include <gtest/gtest.h>

#include "mysql/wire/MySqlLocalInfile.h"

namespace brevant {
namespace {

TEST(LocalInfile, NamesOfTheStatement) {
    using Names = std::vector<std::string>;
    struct Case {
        const char* statement;
        Names names;
    } cases[] = {
        {"LOAD DATA LOCAL INFILE '/tmp/a.csv' INTO TABLE t", {"/tmp/a.csv"}},
        {"  load data low_priority local infile \"b.txt\" into table t", {"b.txt"}},
        {"LOAD DATA CONCURRENT LOCAL INFILE 'c.txt' REPLACE INTO TABLE t", {"c.txt"}},
        {"/* bulk */ LOAD DATA -- x\n LOCAL\tINFILE 'd.txt' INTO TABLE t", {"d.txt"}},
        {"LOAD DATA LOCAL INFILE 'it''s.txt' INTO TABLE t", {"it's.txt"}},
        // Backslashes: the server reads them as escapes unless NO_BACKSLASH_ESCAPES.
        {"LOAD DATA LOCAL INFILE 'C:\\\\tmp\\\\e.txt' INTO TABLE t", {"C:\\tmp\\e.txt", "C:\\\\tmp\\\\e.txt"}},
        {"LOAD DATA LOCAL INFILE 'tab\\there' INTO TABLE t", {"tab\there", "tab\\there"}},
        {"LOAD DATA INFILE '/tmp/a.csv' INTO TABLE t", {}},  // a server-side file
        {"SELECT 'LOAD DATA LOCAL INFILE ''/etc/passwd'''", {}},
        {"LOAD DATA LOCAL INFILE '/tmp/unclosed", {}},
        {"LOAD DATA LOCAL INFILE '' INTO TABLE t", {}},
        {"LOADDATA LOCAL INFILE 'x' INTO TABLE t", {}},
        {"", {}},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.statement);
        EXPECT_EQ(LocalInfileNames(c.statement), c.names);
    }
}

}  // namespace
}  // namespace brevant
