// Start of the embedded server: connect and run SELECT 1 on a fresh data folder
// with TMyEmbConnection, beside the same done with the embedded library's C
// calls directly. The library starts once per process, so every measurement is
// a process of its own (this program run with "brevant" or "bare"), each on a
// fresh copy of the template data folder; the driver takes the median of
// several rounds and prints the ratio against the target.

#include <dlfcn.h>
#include <sys/wait.h>
#include <unistd.h>

#include <algorithm>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <mutex>
#include <string>
#include <vector>

#include "paths/MySQLAPIRegistration.h"
#include "paths/TMyEmbConnection.h"

namespace fs = std::filesystem;
using Clock = std::chrono::steady_clock;

namespace {

constexpr double kStartTarget = 1.20;
constexpr int kRounds = 7;

double Seconds(Clock::time_point since) { return std::chrono::duration<double>(Clock::now() - since).count(); }

// --- one measurement (in its own process) ---

int RunBrevant(const std::string& dataDir) {
    using namespace brevant;
    const auto t0 = Clock::now();
    RegisterMySQLAPIs();
    TMyEmbConnection c;
    c.SetLoginPrompt(false);
    c.Options().SetUseUnicode(true);
    c.SetBaseDir(u"/usr");
    c.SetDataDir(Utf8ToUtf16(dataDir));
    c.SetUsername(u"root");
    c.Open();
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

int RunBare(const std::string& dataDir) {
    const auto t0 = Clock::now();
    void* lib = dlopen("libmysqld.so", RTLD_NOW | RTLD_LOCAL);
    if (!lib) lib = dlopen("libmariadbd.so.19", RTLD_NOW | RTLD_LOCAL);
    if (!lib) return 1;
    auto init = reinterpret_cast<int (*)(int, char**, char**)>(dlsym(lib, "mysql_server_init"));
    auto end = reinterpret_cast<void (*)()>(dlsym(lib, "mysql_server_end"));
    auto minit = reinterpret_cast<void* (*)(void*)>(dlsym(lib, "mysql_init"));
    auto options = reinterpret_cast<int (*)(void*, int, const void*)>(dlsym(lib, "mysql_options"));
    auto connect = reinterpret_cast<void* (*)(void*, const char*, const char*, const char*, const char*, unsigned,
                                              const char*, unsigned long)>(dlsym(lib, "mysql_real_connect"));
    auto query = reinterpret_cast<int (*)(void*, const char*, unsigned long)>(dlsym(lib, "mysql_real_query"));
    auto use = reinterpret_cast<void* (*)(void*)>(dlsym(lib, "mysql_use_result"));
    auto fetch = reinterpret_cast<char** (*)(void*)>(dlsym(lib, "mysql_fetch_row"));
    auto freeResult = reinterpret_cast<void (*)(void*)>(dlsym(lib, "mysql_free_result"));
    auto close = reinterpret_cast<void (*)(void*)>(dlsym(lib, "mysql_close"));
    std::string base = "--basedir=/usr", data = "--datadir=" + dataDir;
    char ignored[] = "ignored", embedded[] = "embedded", server[] = "server", self[] = "bench_embedded";
    char* argv[] = {ignored, base.data(), data.data(), nullptr};
    char* groups[] = {embedded, server, self, nullptr};
    if (init(3, argv, groups) != 0) return 1;
    void* m = minit(nullptr);
    options(m, 7 /* MYSQL_SET_CHARSET_NAME */, "utf8");
    if (!connect(m, "localhost", "root", "", nullptr, 0, nullptr, 2)) return 1;
    query(m, "SET NAMES 'utf8'", 16);  // what a session sends after connecting
    query(m, "SELECT 1", 8);
    void* r = use(m);
    char** row = fetch(r);
    const bool ok = row && std::string(row[0]) == "1";
    freeResult(r);
    const double elapsed = Seconds(t0);
    close(m);
    end();
    std::printf("%.6f\n", elapsed);
    return ok ? 0 : 1;
}

// --- the driver ---

/// Runs this program in `mode` on a fresh copy of the template; its figure in seconds.
double Measure(const std::string& self, const std::string& mode, const fs::path& templ, const fs::path& work) {
    const fs::path fresh = work / ("run-" + mode);
    fs::remove_all(fresh);
    fs::copy(templ, fresh, fs::copy_options::recursive);
    ::sync();  // the copy's writes are not the start's
    const std::string cmd = "'" + self + "' " + mode + " '" + fresh.string() + "' 2>/dev/null";
    FILE* p = popen(cmd.c_str(), "r");
    double seconds = -1;
    if (p) {
        if (std::fscanf(p, "%lf", &seconds) != 1) seconds = -1;
        if (pclose(p) != 0) seconds = -1;
    }
    fs::remove_all(fresh);
    if (seconds < 0) {
        std::fprintf(stderr, "bench embedded: the %s run failed\n", mode.c_str());
        std::exit(1);
    }
    return seconds;
}

double Median(std::vector<double> v) {
    std::sort(v.begin(), v.end());
    return v[v.size() / 2];
}

}  // namespace

int main(int argc, char** argv) {
    if (argc == 3 && std::string(argv[1]) == "brevant") return RunBrevant(argv[2]);
    if (argc == 3 && std::string(argv[1]) == "bare") return RunBare(argv[2]);
    if (argc != 2) {
        std::fprintf(stderr, "usage: bench_embedded TEMPLATE_DATA_FOLDER\n");
        return 2;
    }
    const fs::path templ = fs::absolute(argv[1]);
    const fs::path work = templ.parent_path();
    const std::string self = fs::read_symlink("/proc/self/exe").string();
    std::vector<double> brevantRuns, bareRuns;
    for (int i = 0; i < kRounds; ++i) {
        bareRuns.push_back(Measure(self, "bare", templ, work));
        brevantRuns.push_back(Measure(self, "brevant", templ, work));
    }
    const double brevant = Median(brevantRuns), bare = Median(bareRuns);
    const double startRatio = brevant / bare;
    std::printf("start (load, start, connect, SELECT 1; median of %d fresh folders): TMyEmbConnection %.1f ms, "
                "bare library %.1f ms\n", kRounds, brevant * 1000, bare * 1000);
    std::printf("start ratio: %.2f (target %.2f)\n", startRatio, kStartTarget);
    std::printf("open ratio: not measured (the query dataset is not built yet)\n");
    std::printf("ratio: %.2f\n", startRatio / kStartTarget);
    return 0;
}
