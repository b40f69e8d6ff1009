#include "paths/FDScript.h"

#include <gtest/gtest.h>

namespace brevant {
namespace {

TEST(FDScript, SplitsAtSemicolonsTheLexerSees) {
    struct Case {
        const char16_t* text;
        std::vector<UString> segments;
    } cases[] = {
        {u"A;B;", {u"A;", u"B;"}},
        {u"A;\r\nB", {u"A;", u"\r\nB"}},
        // What follows the last ";" is only a line break, blanks or a comment: not run.
        {u"UPDATE t SET a = 1;\r\n", {u"UPDATE t SET a = 1;"}},
        {u"A; \t\r\n  -- done\r\n", {u"A;"}},
        {u"A; /* x; y */ B;", {u"A;", u" /* x; y */ B;"}},
        {u"INSERT INTO t VALUES ('a;b');", {u"INSERT INTO t VALUES ('a;b');"}},
        {u"UPDATE t SET a = \"x;y\" WHERE b = 'p''q;r'; C", {u"UPDATE t SET a = \"x;y\" WHERE b = 'p''q;r';", u" C"}},
        {u"SELECT 1 -- a; b\r\n; D", {u"SELECT 1 -- a; b\r\n;", u" D"}},
        {u"A;;B", {u"A;", u"B"}},
        {u"", {}},
        {u" \r\n ", {}},
        {u"x", {u"x"}},
    };
    for (const Case& c : cases) EXPECT_EQ(SplitAccessSegments(c.text), c.segments) << Narrow(c.text);
}

}  // namespace
}  // namespace brevant
