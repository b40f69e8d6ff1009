// Start of the embedded server: connect and run SELECT 1 with TMyEmbConnection,
// beside the same done with the embedded library's C calls directly, each on a
// fresh copy of the template data folder, and then again on that folder (the
// everyday case: the program started on the folder it used before, where the
// trial start is left out). Then the open: SELECT * of the fetch benchmark's
// table t, loaded into the embedded server once, with TMyQuery (FetchAll,
// UseUnicode, utf8) beside mysql_store_result on the same library; process CPU
// seconds of the open alone. The library starts once per process, so every
// measurement is a process of its own (this program run with a mode); the
// driver takes medians of several rounds and prints the ratios against their
// targets and last "ratio: X.XX", the larger of the two.

#include <dlfcn.h>
#include <sys/wait.h>
#include <time.h>
#include <unistd.h>

#include <algorithm>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <mutex>
#include <string>
#include <vector>

#include "data/TMyQuery.h"
#include "paths/MySQLAPIRegistration.h"
#include "paths/TMyEmbConnection.h"

namespace fs = std::filesystem;
using Clock = std::chrono::steady_clock;

namespace {

constexpr double kStartTarget = 1.20;
constexpr double kOpenTarget = 1.00;
constexpr int kRounds = 7;
constexpr int kOpenRounds = 5;
constexpr const char* kOpenDatabase = "brevant_bench_embedded";

double CpuSeconds() {
    timespec ts;
    clock_gettime(CLOCK_PROCESS_CPUTIME_ID, &ts);
    return static_cast<double>(ts.tv_sec) + static_cast<double>(ts.tv_nsec) / 1e9;
}

double Seconds(Clock::time_point since) { return std::chrono::duration<double>(Clock::now() - since).count(); }

// --- one measurement (in its own process) ---

/// A connection opened with TMyEmbConnection on `dataDir`, as the workbench opens it.
void OpenBrevant(brevant::TMyEmbConnection& c, const std::string& dataDir, const char16_t* database) {
    using namespace brevant;
    RegisterMySQLAPIs();
    c.SetLoginPrompt(false);
    c.Options().SetUseUnicode(true);
    c.Options().SetCharset(u"utf8");
    c.SetBaseDir(u"/usr");
    c.SetDataDir(Utf8ToUtf16(dataDir));
    c.SetUsername(u"root");
    c.SetDatabase(database);
    c.Open();
}

int RunBrevant(const std::string& dataDir) {
    using namespace brevant;
    const auto t0 = Clock::now();
    TMyEmbConnection c;
    OpenBrevant(c, dataDir, u"");
    TMySQLConnection& s = *c.Session();
    TMySQLAPI& a = *s.GetMySQLAPI();
    const std::string q = "SELECT 1";
    s.Check(a.mysql_real_query(s.GetMySQL(), q.data(), q.size()), nullptr);
    PMYSQL_RES r = a.mysql_use_result(s.GetMySQL());
    PMYSQL_ROW row = a.mysql_fetch_row(r);
    const bool ok = row && a._mysql_fetch_value_str(row, 0) == "1";
    a.mysql_free_result(r);
    const double elapsed = Seconds(t0);
    c.Close();
    std::printf("%.6f\n", elapsed);
    return ok ? 0 : 1;
}

/// The embedded library's C calls, resolved by hand.
struct Bare {
    void* lib = nullptr;
    int (*init)(int, char**, char**) = nullptr;
    void (*end)() = nullptr;
    void* (*minit)(void*) = nullptr;
    int (*options)(void*, int, const void*) = nullptr;
    void* (*connect)(void*, const char*, const char*, const char*, const char*, unsigned, const char*,
                     unsigned long) = nullptr;
    int (*query)(void*, const char*, unsigned long) = nullptr;
    void* (*use)(void*) = nullptr;
    void* (*store)(void*) = nullptr;
    unsigned long long (*numRows)(void*) = nullptr;
    char** (*fetch)(void*) = nullptr;
    void (*freeResult)(void*) = nullptr;
    const char* (*error)(void*) = nullptr;
    void (*close)(void*) = nullptr;
    void* m = nullptr;

    template <class F>
    void Resolve(F& f, const char* name) {
        f = reinterpret_cast<F>(dlsym(lib, name));
    }
    /// Loads, starts on `dataDir` and connects; false on any failure.
    bool Start(const std::string& dataDir, const char* database) {
        lib = dlopen("libmysqld.so", RTLD_NOW | RTLD_LOCAL);
        if (!lib) lib = dlopen("libmariadbd.so.19", RTLD_NOW | RTLD_LOCAL);
        if (!lib) return false;
        Resolve(init, "mysql_server_init");
        Resolve(end, "mysql_server_end");
        Resolve(minit, "mysql_init");
        Resolve(options, "mysql_options");
        Resolve(connect, "mysql_real_connect");
        Resolve(query, "mysql_real_query");
        Resolve(use, "mysql_use_result");
        Resolve(store, "mysql_store_result");
        Resolve(numRows, "mysql_num_rows");
        Resolve(fetch, "mysql_fetch_row");
        Resolve(freeResult, "mysql_free_result");
        Resolve(error, "mysql_error");
        Resolve(close, "mysql_close");
        std::string base = "--basedir=/usr", data = "--datadir=" + dataDir;
        char ignored[] = "ignored", embedded[] = "embedded", server[] = "server", self[] = "bench_embedded";
        char* argv[] = {ignored, base.data(), data.data(), nullptr};
        char* groups[] = {embedded, server, self, nullptr};
        if (init(3, argv, groups) != 0) return false;
        m = minit(nullptr);
        options(m, 7 /* MYSQL_SET_CHARSET_NAME */, "utf8");
        if (!connect(m, "localhost", "root", "", database, 0, nullptr, 2)) return false;
        return Exec("SET NAMES 'utf8'");  // what a session sends after connecting
    }
    bool Exec(const std::string& sql) {
        if (query(m, sql.data(), sql.size()) == 0) return true;
        std::fprintf(stderr, "bench embedded: %s\n", error(m));
        return false;
    }
    void Stop() {
        close(m);
        end();
    }
};

int RunBare(const std::string& dataDir) {
    const auto t0 = Clock::now();
    Bare b;
    if (!b.Start(dataDir, nullptr) || !b.Exec("SELECT 1")) return 1;
    void* r = b.use(b.m);
    char** row = b.fetch(r);
    const bool ok = row && std::string(row[0]) == "1";
    b.freeResult(r);
    const double elapsed = Seconds(t0);
    b.Stop();
    std::printf("%.6f\n", elapsed);
    return ok ? 0 : 1;
}

// The fetch benchmark's table t (fetch_mixed), made once in the open folder.
int RunLoad(const std::string& dataDir) {
    Bare b;
    if (!b.Start(dataDir, nullptr)) return 1;
    const std::string db = kOpenDatabase;
    const bool ok =
        b.Exec("CREATE DATABASE IF NOT EXISTS " + db) && b.Exec("USE " + db) &&  // the seq_ tables need one
        b.Exec("CREATE OR REPLACE TABLE " + db + ".fetch_mixed (id INT PRIMARY KEY, big BIGINT, name VARCHAR(40), "
               "amount DECIMAL(12,2), stamp DATETIME, ratio DOUBLE, note TEXT, data BLOB)") &&
        b.Exec("INSERT INTO " + db + ".fetch_mixed SELECT seq, seq * 1000003, LEFT(CONCAT('name-', seq, '-', "
               "MD5(seq)), 40), seq / 7, '2020-01-01 00:00:00' + INTERVAL seq SECOND, seq * 1.25, "
               "LEFT(REPEAT(CONCAT(MD5(seq), ' '), 4), 100), LEFT(REPEAT(UNHEX(MD5(seq + 1)), 13), 200) "
               "FROM seq_1_to_1000000");
    b.Stop();
    return ok ? 0 : 1;
}

const std::string kOpenSQL = std::string("SELECT * FROM ") + kOpenDatabase + ".fetch_mixed";

int RunOpenBrevant(const std::string& dataDir) {
    using namespace brevant;
    TMyEmbConnection c;
    OpenBrevant(c, dataDir, u"");
    auto* query = new TMyQuery(&c);  // held: the process ends with it
    query->SQLAdd(Utf8ToUtf16(kOpenSQL));
    const double cpu0 = CpuSeconds();
    query->Open();
    const double cpu = CpuSeconds() - cpu0;
    std::printf("%.6f %lld\n", cpu, static_cast<long long>(query->RecordCount()));
    std::fflush(stdout);
    std::_Exit(0);  // the server's stop is not measured
}

int RunOpenBare(const std::string& dataDir) {
    Bare b;
    if (!b.Start(dataDir, nullptr)) return 1;
    const double cpu0 = CpuSeconds();
    if (!b.Exec(kOpenSQL)) return 1;
    void* r = b.store(b.m);
    if (!r) return 1;
    const double cpu = CpuSeconds() - cpu0;
    std::printf("%.6f %llu\n", cpu, b.numRows(r));
    std::fflush(stdout);
    std::_Exit(0);
}

// --- the driver ---

/// Runs this program in `mode` on `folder`; the first figure it printed, and the
/// second in `second` when asked.
double Run(const std::string& self, const std::string& mode, const fs::path& folder, double* second = nullptr) {
    const std::string cmd = "'" + self + "' " + mode + " '" + folder.string() + "' 2>/dev/null";
    FILE* p = popen(cmd.c_str(), "r");
    double first = -1, other = -1;
    if (p) {
        if (std::fscanf(p, "%lf %lf", &first, &other) < 1) first = -1;
        if (pclose(p) != 0) first = -1;
    }
    if (first < 0) {
        std::fprintf(stderr, "bench embedded: the %s run failed\n", mode.c_str());
        std::exit(1);
    }
    if (second) *second = other;
    return first;
}

/// On a fresh copy of the template: the first start's figure, then the next one's.
std::pair<double, double> MeasureStart(const std::string& self, const std::string& mode, const fs::path& templ,
                                       const fs::path& work) {
    const fs::path fresh = work / ("run-" + mode);
    fs::remove_all(fresh);
    fs::copy(templ, fresh, fs::copy_options::recursive);
    ::sync();  // the copy's writes are not the start's
    const double first = Run(self, mode, fresh);
    ::sync();
    const double again = Run(self, mode, fresh);
    fs::remove_all(fresh);
    return {first, again};
}

double Median(std::vector<double> v) {
    std::sort(v.begin(), v.end());
    return v[v.size() / 2];
}

}  // namespace

int main(int argc, char** argv) {
    if (argc == 3) {
        const std::string mode = argv[1];
        if (mode == "brevant") return RunBrevant(argv[2]);
        if (mode == "bare") return RunBare(argv[2]);
        if (mode == "load") return RunLoad(argv[2]);
        if (mode == "open-brevant") return RunOpenBrevant(argv[2]);
        if (mode == "open-bare") return RunOpenBare(argv[2]);
    }
    if (argc != 3) {
        std::fprintf(stderr, "usage: bench_embedded TEMPLATE_DATA_FOLDER OPEN_DATA_FOLDER\n");
        return 2;
    }
    const fs::path templ = fs::absolute(argv[1]), openFolder = fs::absolute(argv[2]);
    const fs::path work = templ.parent_path();
    const std::string self = fs::read_symlink("/proc/self/exe").string();

    std::vector<double> brevantFirst, bareFirst, brevantAgain, bareAgain;
    for (int i = 0; i < kRounds; ++i) {
        const auto bare = MeasureStart(self, "bare", templ, work);
        const auto ours = MeasureStart(self, "brevant", templ, work);
        bareFirst.push_back(bare.first);
        bareAgain.push_back(bare.second);
        brevantFirst.push_back(ours.first);
        brevantAgain.push_back(ours.second);
    }
    const double firstRatio = Median(brevantFirst) / Median(bareFirst);
    const double startRatio = Median(brevantAgain) / Median(bareAgain);
    std::printf("start (load, start, connect, SELECT 1; medians of %d rounds):\n", kRounds);
    std::printf("  first start on a fresh folder (trial in a child): TMyEmbConnection %.1f ms, bare library %.1f ms, "
                "ratio %.2f\n", Median(brevantFirst) * 1000, Median(bareFirst) * 1000, firstRatio);
    std::printf("  next start on that folder (proven, no trial):     TMyEmbConnection %.1f ms, bare library %.1f ms\n",
                Median(brevantAgain) * 1000, Median(bareAgain) * 1000);
    std::printf("start ratio: %.2f (target %.2f)\n", startRatio, kStartTarget);

    std::vector<double> oursCpu, peerCpu;
    double rows = 0, peerRows = 0;
    for (int i = 0; i < kOpenRounds; ++i) {
        oursCpu.push_back(Run(self, "open-brevant", openFolder, &rows));
        peerCpu.push_back(Run(self, "open-bare", openFolder, &peerRows));
        if (rows != peerRows || rows <= 0) {
            std::fprintf(stderr, "bench embedded: %.0f rows against %.0f\n", rows, peerRows);
            return 1;
        }
    }
    const double openRatio = Median(oursCpu) / Median(peerCpu);
    std::printf("open (SELECT * of fetch_mixed, %.0f rows; process CPU, medians of %d): TMyQuery %.3f s, "
                "mysql_store_result %.3f s\n", rows, kOpenRounds, Median(oursCpu), Median(peerCpu));
    std::printf("open ratio: %.2f (target %.2f)\n", openRatio, kOpenTarget);
    std::printf("ratio: %.2f\n", std::max(startRatio / kStartTarget, openRatio / kOpenTarget));
    return 0;
}
