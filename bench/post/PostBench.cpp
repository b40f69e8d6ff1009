// bench_post DATABASE [ROUNDS]: 10,000 single-row edits of an INT-keyed table
// posted one by one through TMyQuery, against the same UPDATE statements sent by
// the peer in the same run. Prints the median wall times and the ratio.
#include <algorithm>
#include <cstdio>
#include <cstdlib>
#include <string>
#include <vector>

#include "PostPeer.h"
#include "data/TMyQuery.h"
#include "mysql/client/TCustomMyConnection.h"

using namespace brevant;

namespace {

constexpr int kRows = 10000;

std::string Env(const char* name, const char* fallback = "") {
    const char* v = std::getenv(name);
    return v ? v : fallback;
}

double OursPost(TMyConnection& conn, int round) {
    TMyQuery q(&conn);
    q.SetSQLText(u"SELECT id, v FROM post_bench ORDER BY id");
    q.Open();
    TField& v = q.FieldByName(u"v");
    const double start = WallSeconds();
    for (int i = 1; !q.Eof(); ++i, q.Next()) {
        q.Edit();
        v.SetAsInteger(round + i);
        q.Post();
    }
    return WallSeconds() - start;
}

double Median(std::vector<double> v) {
    std::sort(v.begin(), v.end());
    return v[v.size() / 2];
}

}  // namespace

int main(int argc, char** argv) {
    if (argc < 2) {
        std::fprintf(stderr, "usage: bench_post DATABASE [ROUNDS]\n");
        return 2;
    }
    PostTarget t{Env("BREVANT_TEST_HOST", "127.0.0.1"), Env("BREVANT_TEST_USER", "root"),
                 Env("BREVANT_TEST_PASSWORD"), argv[1], std::atoi(Env("BREVANT_TEST_PORT", "3306").c_str())};
    const int rounds = argc > 2 ? std::max(1, std::atoi(argv[2])) : 5;
    TMyConnection conn(u"Bench");
    conn.SetLoginPrompt(false);
    conn.SetServer(Utf8ToUtf16(t.host));
    conn.SetPort(t.port);
    conn.SetUsername(Utf8ToUtf16(t.user));
    conn.SetPassword(Utf8ToUtf16(t.password));
    conn.SetDatabase(Utf8ToUtf16(t.database));
    conn.Open();
    std::vector<double> ours, peer;
    for (int r = 0; r < rounds; ++r) {
        // Alternate the sides, and give each a new value so every row changes.
        std::string error;
        const double p = PeerPost(t, kRows, 2 * r * kRows, error);
        if (p < 0) {
            std::fprintf(stderr, "peer: %s\n", error.c_str());
            return 1;
        }
        peer.push_back(p);
        ours.push_back(OursPost(conn, (2 * r + 1) * kRows));
    }
    const double o = Median(ours), p = Median(peer);
    std::printf("post %d rows, median of %d: brevant %.3f s  libmariadb %.3f s\n", kRows, rounds, o, p);
    std::printf("ratio: %.2f\n", o / p);
    return 0;
}
