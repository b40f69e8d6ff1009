// bench_open: opens SELECT * of the fetch benchmark's tables with TMyQuery as the
// workbench does (FetchAll, UseUnicode, charset utf8) and holds it; beside it
// libmariadb's mysql_store_result holds the same result. Each open runs in a child
// process of its own so that its peak resident memory is its own. Prints wall and
// client CPU seconds and peak resident memory for both, the four ratios, and last
// "ratio: X.XX": the largest ratio divided by its target.

#include <sys/resource.h>
#include <sys/wait.h>
#include <unistd.h>

#include <algorithm>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <functional>
#include <string>
#include <vector>

#include "OpenPeer.h"
#include "data/TMyQuery.h"
#include "mysql/client/TCustomMyConnection.h"

namespace {

using namespace brevant;

OpenRun BrevantOpen(const OpenTarget& t, const std::string& sql) {
    OpenRun run;
    try {
        static TMyConnection conn(u"MyConn");  // with the query, held until the child ends
        conn.Options().SetUseUnicode(true);
        conn.Options().SetCharset(u"utf8");
        conn.Options().SetIPVersion(ivIPBoth);
        conn.SetLoginPrompt(false);
        conn.SetServer(Widen(t.host));
        conn.SetPort(t.port);
        conn.SetUsername(Widen(t.user));
        conn.SetPassword(Widen(t.password));
        conn.SetDatabase(Widen(t.database));
        conn.Open();
        auto* query = new TMyQuery(&conn);  // held: the process ends with it
        query->SQLAdd(Widen(sql));
        const double wall0 = WallSeconds(), cpu0 = CpuSeconds();
        query->Open();
        run.rows = static_cast<std::uint64_t>(query->RecordCount());
        run.cpuSeconds = CpuSeconds() - cpu0;
        run.wallSeconds = WallSeconds() - wall0;
        // Closing after this does not lower the peak the parent reads.
    } catch (const std::exception& e) {
        run.error = e.what();
    }
    return run;
}

struct Measured {
    OpenRun run;
    long peakKiB = 0;
};

// Runs `open` in a child; its figures come back through a pipe, its peak from wait4.
Measured InChild(const std::function<OpenRun()>& open) {
    Measured m;
    int fd[2];
    if (pipe(fd) != 0) {
        m.run.error = "pipe failed";
        return m;
    }
    pid_t pid = fork();
    if (pid == 0) {
        close(fd[0]);
        OpenRun r = open();
        char buf[512];
        int n = std::snprintf(buf, sizeof buf, "%llu %.6f %.6f %s", static_cast<unsigned long long>(r.rows),
                              r.wallSeconds, r.cpuSeconds, r.error.c_str());
        (void)!write(fd[1], buf, static_cast<std::size_t>(n));
        _exit(0);
    }
    close(fd[1]);
    std::string text;
    char buf[512];
    for (ssize_t n; (n = read(fd[0], buf, sizeof buf)) > 0;) text.append(buf, static_cast<std::size_t>(n));
    close(fd[0]);
    int status = 0;
    rusage usage{};
    wait4(pid, &status, 0, &usage);
    m.peakKiB = usage.ru_maxrss;
    unsigned long long rows = 0;
    char err[256] = "";
    if (std::sscanf(text.c_str(), "%llu %lf %lf %255[^\n]", &rows, &m.run.wallSeconds, &m.run.cpuSeconds, err) < 3)
        m.run.error = "no figures from the child";
    m.run.rows = rows;
    if (*err) m.run.error = err;
    return m;
}

std::string Env(const char* name, const char* fallback = "") {
    const char* v = std::getenv(name);
    return v ? v : fallback;
}

}  // namespace

int main(int argc, char** argv) {
    OpenTarget t;
    t.host = Env("BREVANT_TEST_HOST", "127.0.0.1");
    t.port = std::atoi(Env("BREVANT_TEST_PORT", "3306").c_str());
    t.user = Env("BREVANT_TEST_USER", "root");
    t.password = Env("BREVANT_TEST_PASSWORD");
    t.database = argc > 1 ? argv[1] : "brevant_bench_fetch";
    const int rounds = argc > 2 ? std::max(1, std::atoi(argv[2])) : 3;

    struct Table {
        const char* name;
        const char* key;
        double rssTarget;
    };
    double worst = 0;
    std::string lines;
    for (const Table& table : {Table{"fetch_mixed", "t", 1.2}, Table{"fetch_ints", "w", 0.6}}) {
        const std::string sql = std::string("SELECT * FROM ") + table.name;
        Measured ours, peer;
        std::vector<double> oursCpu, peerCpu;
        for (int r = 0; r < rounds; ++r) {
            Measured a = InChild([&] { return BrevantOpen(t, sql); });
            Measured b = InChild([&] { return PeerOpen(t, sql); });
            if (!a.run.error.empty() || !b.run.error.empty()) {
                std::fprintf(stderr, "bench open: %s: %s %s\n", table.name, a.run.error.c_str(), b.run.error.c_str());
                return 1;
            }
            if (a.run.rows != b.run.rows) {
                std::fprintf(stderr, "bench open: %s: %llu rows against %llu\n", table.name,
                             static_cast<unsigned long long>(a.run.rows), static_cast<unsigned long long>(b.run.rows));
                return 1;
            }
            oursCpu.push_back(a.run.cpuSeconds);
            peerCpu.push_back(b.run.cpuSeconds);
            if (r == 0 || a.peakKiB > ours.peakKiB) ours.peakKiB = a.peakKiB;
            if (r == 0 || b.peakKiB > peer.peakKiB) peer.peakKiB = b.peakKiB;
            ours.run = a.run;
            peer.run = b.run;
        }
        // Medians of the CPU times; the peaks are steady and the largest is taken.
        std::sort(oursCpu.begin(), oursCpu.end());
        std::sort(peerCpu.begin(), peerCpu.end());
        const double cpuOurs = oursCpu[oursCpu.size() / 2], cpuPeer = peerCpu[peerCpu.size() / 2];
        const double cpuRatio = cpuOurs / cpuPeer;
        const double rssRatio = static_cast<double>(ours.peakKiB) / static_cast<double>(peer.peakKiB);
        worst = std::max({worst, cpuRatio / 1.0, rssRatio / table.rssTarget});
        std::printf("%-12s %8llu rows  brevant wall %.3f s cpu %.3f s peak %ld KiB  |  libmariadb wall %.3f s cpu "
                    "%.3f s peak %ld KiB\n",
                    table.name, static_cast<unsigned long long>(ours.run.rows), ours.run.wallSeconds, cpuOurs,
                    ours.peakKiB, peer.run.wallSeconds, cpuPeer, peer.peakKiB);
        char buf[128];
        std::snprintf(buf, sizeof buf, "cpu_%s: %.2f\nrss_%s: %.2f\n", table.key, cpuRatio, table.key, rssRatio);
        lines += buf;
    }
    // cpu_t, cpu_w, rss_t, rss_w in that order.
    std::string cpu, rss;
    for (std::size_t pos = 0; pos < lines.size();) {
        std::size_t end = lines.find('\n', pos) + 1;
        std::string line = lines.substr(pos, end - pos);
        (line.rfind("cpu_", 0) == 0 ? cpu : rss) += line;
        pos = end;
    }
    std::printf("%s%sratio: %.2f\n", cpu.c_str(), rss.c_str(), worst);
    return 0;
}
