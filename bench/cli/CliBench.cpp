// bench_cli: the command-line companion beside its peers, in the same run on the
// same data:
//   query   brevant-cli query 'SELECT * FROM t' > /dev/null
//           mariadb --quick -B -e 'SELECT * FROM t' > /dev/null
//   backup  brevant-cli backup FILE    beside    mariadb-dump DB > FILE
// Each command runs as a child; its client CPU is the user + system time the
// kernel accounts to it (wait4), the two sides alternating, the median of the
// rounds taken. Prints one line per pair with the CPU ratio and, last,
// "ratio: X.XX": the larger of the two ratios over the target 1.0.
// Usage: bench_cli DATABASE WORKDIR [ROUNDS]; the server from BREVANT_TEST_*.
#include <fcntl.h>
#include <sys/resource.h>
#include <sys/wait.h>
#include <time.h>
#include <unistd.h>

#include <algorithm>
#include <cstdio>
#include <cstdlib>
#include <string>
#include <vector>

namespace {

struct TChild {
    double cpu = 0, wall = 0;
    int status = -1;
};

double Seconds(const timeval& t) { return t.tv_sec + t.tv_usec / 1e6; }

double Now() {
    timespec ts;
    clock_gettime(CLOCK_MONOTONIC, &ts);
    return ts.tv_sec + ts.tv_nsec / 1e9;
}

/// Runs argv with stdout to `out` (a file, truncated) and stderr to `err`.
TChild Run(const std::vector<std::string>& args, const std::string& out, const std::string& err,
           const std::string& password) {
    TChild result;
    const double start = Now();
    const pid_t pid = fork();
    if (pid < 0) return result;
    if (pid == 0) {
        const int o = open(out.c_str(), O_WRONLY | O_CREAT | O_TRUNC, 0644);
        const int e = open(err.c_str(), O_WRONLY | O_CREAT | O_TRUNC, 0644);
        if (o < 0 || e < 0) _exit(127);
        dup2(o, 1);
        dup2(e, 2);
        setenv("BREVANT_PASSWORD", password.c_str(), 1);
        std::vector<char*> argv;
        for (const std::string& a : args) argv.push_back(const_cast<char*>(a.c_str()));
        argv.push_back(nullptr);
        execvp(argv[0], argv.data());
        _exit(127);
    }
    rusage usage{};
    int status = 0;
    if (wait4(pid, &status, 0, &usage) != pid) return result;
    result.wall = Now() - start;
    result.cpu = Seconds(usage.ru_utime) + Seconds(usage.ru_stime);
    result.status = WIFEXITED(status) ? WEXITSTATUS(status) : -1;
    return result;
}

double Median(std::vector<double> v) {
    std::sort(v.begin(), v.end());
    const std::size_t n = v.size();
    return n % 2 ? v[n / 2] : (v[n / 2 - 1] + v[n / 2]) / 2;
}

std::string Env(const char* name, const char* fallback = "") {
    const char* v = std::getenv(name);
    return v ? v : fallback;
}

struct TPair {
    const char* name;
    std::vector<std::string> ours, peer;
    std::string oursOut, peerOut;  // where stdout goes
};

}  // namespace

int main(int argc, char** argv) {
    if (argc < 3) {
        std::fprintf(stderr, "usage: bench_cli DATABASE WORKDIR [ROUNDS]\n");
        return 2;
    }
    const std::string db = argv[1], work = argv[2];
    const int rounds = argc > 3 ? std::max(1, std::atoi(argv[3])) : 5;
    const std::string host = Env("BREVANT_TEST_HOST", "127.0.0.1"), port = Env("BREVANT_TEST_PORT", "3306"),
                      user = Env("BREVANT_TEST_USER", "root"), password = Env("BREVANT_TEST_PASSWORD");
    const std::vector<std::string> ours = {BREVANT_CLI, "--server", host, "--port", port, "--user", user,
                                           "--database", db, "--quiet"};
    const std::vector<std::string> peer = {"--no-defaults", "-h", host, "-P", port, "-u", user, "-p" + password};
    auto with = [](std::vector<std::string> a, std::initializer_list<std::string> more) {
        a.insert(a.end(), more);
        return a;
    };
    std::vector<std::string> client = with(peer, {"--quick", "-B", "-e", "SELECT * FROM t", db});
    client.insert(client.begin(), "mariadb");
    std::vector<std::string> dump = with(peer, {db});
    dump.insert(dump.begin(), "mariadb-dump");
    const TPair pairs[] = {
        {"query", with(ours, {"query", "SELECT * FROM t"}), client, "/dev/null", "/dev/null"},
        {"backup", with(ours, {"backup", work + "/brevant.sql"}), dump, "/dev/null", work + "/peer.sql"},
    };
    double worst = 0;
    for (const TPair& p : pairs) {
        std::vector<double> oursCpu, peerCpu, oursWall, peerWall;
        for (int r = 0; r < rounds; ++r) {
            const TChild a = Run(p.ours, p.oursOut, work + "/brevant.err", password);
            const TChild b = Run(p.peer, p.peerOut, work + "/peer.err", password);
            if (a.status != 0 || b.status != 0) {
                std::fprintf(stderr, "bench cli: %s failed (exit %d and %d), see %s/*.err\n", p.name, a.status,
                             b.status, work.c_str());
                return 1;
            }
            oursCpu.push_back(a.cpu);
            peerCpu.push_back(b.cpu);
            oursWall.push_back(a.wall);
            peerWall.push_back(b.wall);
        }
        const double ratio = Median(oursCpu) / Median(peerCpu);
        worst = std::max(worst, ratio);
        std::printf("%-7s brevant-cli cpu %.3f s (wall %.3f s)  %-12s cpu %.3f s (wall %.3f s)  cpu ratio %.2f\n",
                    p.name, Median(oursCpu), Median(oursWall), p.peer[0].c_str(), Median(peerCpu), Median(peerWall),
                    ratio);
    }
    const double target = 1.0;
    std::printf("ratio: %.2f\n", worst / target);
    return 0;
}
