#pragma once
// The client library's field structure in each layout generation, as this
// 64-bit build sees it: pointers are 8 bytes, `unsigned long` is 8 bytes,
// `unsigned int` and enums 4. Only the members that are read are named; the
// rest are kept for their size. The 4.1 layout must agree with the installed
// <mysql.h> (a test checks it with offsetof).

#include <cstddef>

namespace brevant {

/// 3.23: name, table, default value, type, length, max length, flags, decimals.
struct TMYSQL_FIELD3 {
    const char* name;
    const char* table;
    const char* def;
    int type;
    unsigned int length;
    unsigned int max_length;
    unsigned int flags;
    unsigned int decimals;
};

/// 4.0: adds the original table and the database.
struct TMYSQL_FIELD4 {
    const char* name;
    const char* table;
    const char* org_table;
    const char* db;
    const char* def;
    unsigned long length;
    unsigned long max_length;
    unsigned int flags;
    unsigned int decimals;
    int type;
};

/// 4.1.0: original names and the lengths of the texts, character set number.
struct TMYSQL_FIELD410 {
    const char* name;
    const char* org_name;
    const char* table;
    const char* org_table;
    const char* db;
    const char* def;
    unsigned long length;
    unsigned long max_length;
    unsigned int name_length, org_name_length, table_length, org_table_length, db_length, def_length;
    unsigned int flags;
    unsigned int decimals;
    unsigned int charsetnr;
    int type;
};

/// 4.1.1 and later (also every 5.x, 10.x and Connector/C 3.x library).
struct TMYSQL_FIELD411 {
    const char* name;
    const char* org_name;
    const char* table;
    const char* org_table;
    const char* db;
    const char* catalog;
    const char* def;
    unsigned long length;
    unsigned long max_length;
    unsigned int name_length, org_name_length, table_length, org_table_length, db_length, catalog_length,
        def_length;
    unsigned int flags;
    unsigned int decimals;
    unsigned int charsetnr;
    int type;
};

static_assert(offsetof(TMYSQL_FIELD411, length) == 56 && offsetof(TMYSQL_FIELD411, flags) == 100 &&
              offsetof(TMYSQL_FIELD411, type) == 112);

}  // namespace brevant
