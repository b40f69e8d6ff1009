// Splits a dump streamed from a file with the MySQL statement splitter, next to a plain
// memchr scan for ";" over the same file in the same run.
//   bench_split FILE [ROUNDS]
// Prints the throughput of both, the peak resident memory, and last the ratio of the
// splitter's time to the scan's time. Times are the process's CPU time (user + system),
// the best of the rounds: on a shared machine wall-clock time mostly measures the
// neighbours. Wall-clock figures are printed alongside.

#include <sys/resource.h>
#include <time.h>

#include <algorithm>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <fstream>
#include <vector>

#include "script/lexer/TMyScriptProcessor.h"

namespace {

using Clock = std::chrono::steady_clock;

double Seconds(Clock::time_point a, Clock::time_point b) { return std::chrono::duration<double>(b - a).count(); }

double CpuSeconds() {
    timespec ts{};
    clock_gettime(CLOCK_PROCESS_CPUTIME_ID, &ts);
    return static_cast<double>(ts.tv_sec) + static_cast<double>(ts.tv_nsec) * 1e-9;
}

/// Reads the file in the splitter's block size and counts the semicolons.
long long MemchrScan(const char* path) {
    std::FILE* f = std::fopen(path, "rb");
    if (!f) { std::perror(path); std::exit(1); }
    std::vector<char> block(brevant::TParserSource::BlockSize);
    long long count = 0;
    for (std::size_t n; (n = std::fread(block.data(), 1, block.size(), f)) > 0;) {
        const char* p = block.data();
        const char* end = p + n;
        while ((p = static_cast<const char*>(std::memchr(p, ';', static_cast<std::size_t>(end - p))))) {
            ++count;
            ++p;
        }
    }
    std::fclose(f);
    return count;
}

struct SplitResult {
    long long statements = 0;
    long long chars = 0;
};

/// Splits the file as a restore reads it: the encoding from its first bytes.
SplitResult Split(const char* path) {
    std::ifstream in(path, std::ios::binary);
    if (!in) { std::perror(path); std::exit(1); }
    SplitResult r;
    brevant::TMyScriptProcessor proc;
    proc.OnStatement = [&](const brevant::TScriptStatement& s) {
        ++r.statements;
        r.chars += static_cast<long long>(s.SQL.size());
        return true;
    };
    proc.AttachStream(in, brevant::DetectScriptEncoding(in));
    while (proc.ExecuteNext()) {}
    return r;
}

}  // namespace

int main(int argc, char** argv) {
    if (argc < 2) {
        std::fprintf(stderr, "usage: %s FILE [ROUNDS]\n", argv[0]);
        return 2;
    }
    const char* path = argv[1];
    const int rounds = argc > 2 ? std::max(1, std::atoi(argv[2])) : 3;
    std::ifstream probe(path, std::ios::binary | std::ios::ate);
    const double mb = static_cast<double>(probe.tellg()) / (1024.0 * 1024.0);
    std::printf("file: %s (%.1f MB)\n", path, mb);

    double scanCpu = 1e300, splitCpu = 1e300, scanWall = 1e300, splitWall = 1e300;
    long long semicolons = 0;
    SplitResult split;
    for (int i = 0; i < rounds; ++i) {  // alternate, so both see the same cache state
        const auto w0 = Clock::now();
        const double c0 = CpuSeconds();
        semicolons = MemchrScan(path);
        const auto w1 = Clock::now();
        const double c1 = CpuSeconds();
        try {
            split = Split(path);
        } catch (const std::exception& e) {
            std::fprintf(stderr, "split failed: %s\n", e.what());
            return 1;
        }
        const auto w2 = Clock::now();
        const double c2 = CpuSeconds();
        scanCpu = std::min(scanCpu, c1 - c0);
        splitCpu = std::min(splitCpu, c2 - c1);
        scanWall = std::min(scanWall, Seconds(w0, w1));
        splitWall = std::min(splitWall, Seconds(w1, w2));
    }
    rusage usage{};
    getrusage(RUSAGE_SELF, &usage);
    std::printf("memchr scan: %.0f MB/s cpu (%.3f s cpu, %.3f s wall, %lld semicolons)\n", mb / scanCpu, scanCpu,
                scanWall, semicolons);
    std::printf("brevant split: %.0f MB/s cpu (%.3f s cpu, %.3f s wall, %lld statements, %lld characters)\n",
                mb / splitCpu, splitCpu, splitWall, split.statements, split.chars);
    std::printf("peak_rss_mb: %ld\n", usage.ru_maxrss / 1024);
    std::printf("ratio: %.2f\n", splitCpu / scanCpu);
    return 0;
}
