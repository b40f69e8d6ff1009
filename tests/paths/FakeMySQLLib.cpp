// A small stand-in for the MySQL C-API library, loaded through
// MySQLClientLibrary. It records how the server was started (arguments and
// option groups) and serves one fixed result, so the loading, start and
// conversion paths can be checked without a server. Arguments that steer it:
//   --fake-fail   write an "[ERROR]" line to stderr and return 1
//   --fake-exit   write a line to stdout and end the process with exit(0)
// Environment: BREVANT_FAKE_VERSION is the client version text (default 10.11.0);
// BREVANT_FAKE_INIT_LOG names a file that every start appends its process id to
// (a start in a forked child is seen there too).
// It exports no mysql_stmt_prepare_result.

#include <mysql.h>
#include <unistd.h>

#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <fstream>
#include <string>
#include <vector>

namespace {

std::string gStarted;     // "argv|...||groups|..." of the last start in this process
int gInits = 0;           // mysql_server_init calls in this process
int gEnds = 0;
std::string gLastQuery;
std::string gVersion;

struct FakeCon {
    unsigned int lastOption = 0;
    unsigned int lastOptionValue = 0;
};

// One result: columns "alias" (org "id", table "t", org table "tbl") and "nothing"
// (empty original name); rows ("1", NULL) and ("abc", "").
MYSQL_FIELD gFields[2];
char gAlias[] = "alias", gId[] = "id", gT[] = "t", gTbl[] = "tbl", gNothing[] = "nothing", gEmpty[] = "";
char gV1[] = "1", gV2[] = "abc";
char* gRow1[] = {gV1, nullptr};
char* gRow2[] = {gV2, gEmpty};
unsigned long gLengths[2];
struct FakeRes {
    int next = 0;
};

}  // namespace

extern "C" {

// Test hooks.
const char* fake_started() { return gStarted.c_str(); }
int fake_inits() { return gInits; }
int fake_ends() { return gEnds; }
const char* fake_last_query() { return gLastQuery.c_str(); }
unsigned int fake_last_option_value(void* m) { return static_cast<FakeCon*>(m)->lastOptionValue; }

int STDCALL mysql_server_init(int argc, char** argv, char** groups) {
    ++gInits;
    if (const char* log = std::getenv("BREVANT_FAKE_INIT_LOG")) std::ofstream(log, std::ios::app) << getpid() << "\n";
    std::string s;
    for (int i = 0; i < argc; ++i) s += std::string(argv[i]) + "|";
    s += "|";
    for (char** g = groups; g && *g; ++g) s += std::string(*g) + "|";
    gStarted = s;
    for (int i = 1; i < argc; ++i) {
        if (std::strcmp(argv[i], "--fake-fail") == 0) {
            std::fprintf(stderr, "2026-01-01 0:00:00 0 [ERROR] fake failure\n");
            return 1;
        }
        if (std::strcmp(argv[i], "--fake-exit") == 0) {
            std::printf("fake help text\n");
            std::exit(0);
        }
    }
    return 0;
}
void STDCALL mysql_server_end(void) { ++gEnds; }

const char* STDCALL mysql_get_client_info(void) {
    const char* v = std::getenv("BREVANT_FAKE_VERSION");
    gVersion = v ? v : "10.11.0";
    return gVersion.c_str();
}

MYSQL* STDCALL mysql_init(MYSQL*) { return reinterpret_cast<MYSQL*>(new FakeCon()); }
void STDCALL mysql_close(MYSQL* m) { delete reinterpret_cast<FakeCon*>(m); }
int STDCALL mysql_options(MYSQL* m, enum mysql_option option, const void* arg) {
    auto* c = reinterpret_cast<FakeCon*>(m);
    c->lastOption = option;
    if (option == MYSQL_OPT_CONNECT_TIMEOUT || option == MYSQL_OPT_READ_TIMEOUT)
        c->lastOptionValue = *static_cast<const unsigned int*>(arg);
    return 0;
}
MYSQL* STDCALL mysql_real_connect(MYSQL* m, const char*, const char*, const char*, const char*, unsigned int,
                                  const char*, unsigned long) {
    return m;
}
char* STDCALL mysql_get_server_info(MYSQL*) {
    static char v[] = "10.11.0-Fake";
    return v;
}
int STDCALL mysql_real_query(MYSQL*, const char* q, unsigned long length) {
    gLastQuery.assign(q, length);
    return 0;
}
unsigned int STDCALL mysql_field_count(MYSQL*) { return gLastQuery.rfind("SELECT", 0) == 0 ? 2 : 0; }
my_ulonglong STDCALL mysql_affected_rows(MYSQL*) { return 0; }
my_ulonglong STDCALL mysql_insert_id(MYSQL*) { return 0; }
unsigned int STDCALL mysql_errno(MYSQL*) { return 0; }
const char* STDCALL mysql_error(MYSQL*) { return ""; }
const char* STDCALL mysql_info(MYSQL*) { return nullptr; }
unsigned long STDCALL mysql_thread_id(MYSQL*) { return 7; }
const char* STDCALL mysql_character_set_name(MYSQL*) { return "latin1"; }
my_bool STDCALL mysql_more_results(MYSQL*) { return 0; }
int STDCALL mysql_next_result(MYSQL*) { return -1; }
int STDCALL mysql_ping(MYSQL*) { return 0; }
int STDCALL mysql_select_db(MYSQL*, const char*) { return 0; }

MYSQL_RES* STDCALL mysql_use_result(MYSQL*) {
    std::memset(gFields, 0, sizeof gFields);
    gFields[0].name = gAlias;
    gFields[0].org_name = gId;
    gFields[0].table = gT;
    gFields[0].org_table = gTbl;
    gFields[0].length = 11;
    gFields[0].flags = 3;
    gFields[0].decimals = 0;
    gFields[0].charsetnr = 63;
    gFields[0].type = MYSQL_TYPE_LONG;
    gFields[1].name = gNothing;
    gFields[1].org_name = gEmpty;
    gFields[1].table = gEmpty;
    gFields[1].org_table = gEmpty;
    gFields[1].length = 0x1'0000'0005ul;  // longer than 32 bits: narrowed
    gFields[1].charsetnr = 8;
    gFields[1].type = MYSQL_TYPE_VAR_STRING;
    return reinterpret_cast<MYSQL_RES*>(new FakeRes());
}
unsigned int STDCALL mysql_num_fields(MYSQL_RES*) { return 2; }
MYSQL_FIELD* STDCALL mysql_fetch_field_direct(MYSQL_RES*, unsigned int i) { return &gFields[i]; }
MYSQL_ROW STDCALL mysql_fetch_row(MYSQL_RES* r) {
    auto* res = reinterpret_cast<FakeRes*>(r);
    switch (res->next++) {
        case 0: gLengths[0] = 1; gLengths[1] = 0; return gRow1;
        case 1: gLengths[0] = 3; gLengths[1] = 0; return gRow2;
        default: return nullptr;
    }
}
unsigned long* STDCALL mysql_fetch_lengths(MYSQL_RES*) { return gLengths; }
void STDCALL mysql_free_result(MYSQL_RES* r) { delete reinterpret_cast<FakeRes*>(r); }

}  // extern "C"
