#include <gtest/gtest.h>

#include "mysql/wire/EMySqlException.h"

namespace brevant {
namespace {

TEST(EMySqlException, ClientMessageTable) {
    struct Case {
        int code;
        const char16_t* text;
    } cases[] = {
        {1999, u""},
        {2000, u"Unknown MySQL error"},
        {2003, u"Can't connect to MySQL server on '%s' (%d)"},
        {2013, u"Lost connection to MySQL server during query"},
        {2014, u"Commands out of sync;  You can't run this command now"},
        {2027, u"Malformed packet"},
        {2028, u"Invalid use of null pointer"},
        {2035, u"Using unsupported buffer type: %s  (parameter: %s)"},
        {2044, u"Can't open shared memory. Server abandoded and don't sent the answer event (%s)"},
        {2046, u"Wrong or unknown protocol"},
        {2047, u"Invalid connection handle"},
        {2048, u""},
        {1045, u""},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.code);
        EXPECT_EQ(GetError(c.code), c.text);
    }
    for (int code = 2000; code <= 2047; ++code) EXPECT_FALSE(GetError(code).empty()) << code;
}

TEST(EMySqlException, MessageComposition) {
    struct Case {
        const char* name;
        EMySqlException error;
        int code;
        bool server;
        const char16_t* message;
    } cases[] = {
        {"table text alone", EMySqlException(2013), 2013, false, u"Lost connection to MySQL server during query"},
        {"empty detail adds no line break", EMySqlException(2013, u""), 2013, false,
         u"Lost connection to MySQL server during query"},
        {"detail on a second line", EMySqlException(2013, u"Error on data reading"), 2013, false,
         u"Lost connection to MySQL server during query\r\nError on data reading"},
        {"2003 detail replaces the text", EMySqlException(2003, {u"db", 10061}, u"Cannot connect to server"), 2003,
         false, u"Cannot connect to server"},
        {"2003 without detail", EMySqlException(2003, {u"db", 10061}), 2003, false,
         u"Can't connect to MySQL server on 'db' (10061)"},
        {"formatted table text", EMySqlException(2007, {9, 10}), 2007, false,
         u"Protocol mismatch. Server Version = 9 Client Version = 10"},
        {"server error keeps its text", EMySqlException(1045, u"#28000Access denied", true), 1045, true,
         u"#28000Access denied"},
        {"code outside the table, no detail", EMySqlException(1157), 1157, false, u""},
        {"general message", EMySqlException(u"Unsupported auth method: x"), 0, false, u"Unsupported auth method: x"},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        EXPECT_EQ(c.error.ErrorCode(), c.code);
        EXPECT_EQ(c.error.IsServerError(), c.server);
        EXPECT_EQ(c.error.Message(), c.message);
    }
}

}  // namespace
}  // namespace brevant
