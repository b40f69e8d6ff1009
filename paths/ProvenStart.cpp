#include "paths/ProvenStart.h"

#include <dirent.h>
#include <dlfcn.h>
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>
#include <cstdio>
#include <cstdlib>
#include <fstream>
#include <span>
#include <sstream>

#include "mysql/wire/MySqlScramble.h"

namespace brevant {

namespace {

constexpr const char* kRecordName = ".brevant-proven-start";
constexpr int kIncludeDepth = 8;  // option files that include each other stop here

std::string StatText(const std::string& path) {
    struct stat st{};
    if (::stat(path.c_str(), &st) != 0) return "-";
    return std::to_string(st.st_size) + ":" + std::to_string(st.st_mtim.tv_sec) + "." +
           std::to_string(st.st_mtim.tv_nsec) + ":" + std::to_string(st.st_ino);
}

bool ReadAll(const std::string& path, std::string& out) {
    std::ifstream in(path, std::ios::binary);
    if (!in) return false;
    std::ostringstream s;
    s << in.rdbuf();
    out = s.str();
    return true;
}

std::vector<std::string> SortedEntries(const std::string& dir) {
    std::vector<std::string> names;
    if (DIR* d = ::opendir(dir.c_str())) {
        while (dirent* e = ::readdir(d)) {
            const std::string n = e->d_name;
            if (n != "." && n != "..") names.push_back(n);
        }
        ::closedir(d);
    }
    std::sort(names.begin(), names.end());
    return names;
}

std::string Trimmed(const std::string& s) {
    std::size_t b = 0, e = s.size();
    while (b < e && static_cast<unsigned char>(s[b]) <= ' ') ++b;
    while (e > b && static_cast<unsigned char>(s[e - 1]) <= ' ') --e;
    return s.substr(b, e - b);
}

/// An option file's text and those of the files it includes, into `out`.
void AddOptionFile(const std::string& path, int depth, std::string& out) {
    std::string text;
    out += "file " + path + "\n";
    if (!ReadAll(path, text)) {
        out += "missing\n";
        return;
    }
    out += std::to_string(text.size()) + "\n" + text + "\n";
    if (depth >= kIncludeDepth) return;
    std::istringstream lines(text);
    for (std::string line; std::getline(lines, line);) {
        line = Trimmed(line);
        if (line.rfind("!includedir", 0) == 0) {
            const std::string dir = Trimmed(line.substr(11));
            out += "dir " + dir + "\n";
            for (const std::string& n : SortedEntries(dir))
                if (n.size() > 4 && n.compare(n.size() - 4, 4, ".cnf") == 0) AddOptionFile(dir + "/" + n, depth + 1, out);
        } else if (line.rfind("!include", 0) == 0) {
            AddOptionFile(Trimmed(line.substr(8)), depth + 1, out);
        }
    }
}

std::string Env(const char* name) {
    const char* v = std::getenv(name);
    return v ? v : "";
}

}  // namespace

std::string StartFingerprint(const std::vector<std::string>& args, const std::string& dataDir,
                             const void* librarySymbol) {
    std::string text = "args\n";
    bool noDefaults = false;
    std::vector<std::string> extraFiles;
    for (const std::string& a : args) {
        text += a + "\n";
        if (a == "--no-defaults") noDefaults = true;
        for (const char* opt : {"--defaults-file=", "--defaults-extra-file="}) {
            const std::string o = opt;
            if (a.compare(0, o.size(), o) == 0) extraFiles.push_back(a.substr(o.size()));
        }
    }

    Dl_info info{};
    std::string library = "-";
    if (librarySymbol && ::dladdr(librarySymbol, &info) != 0 && info.dli_fname) {
        char* real = ::realpath(info.dli_fname, nullptr);
        library = real ? real : info.dli_fname;
        std::free(real);
    }
    text += "library " + library + " " + StatText(library) + "\n";

    // The option files the server's default search reads.
    for (const char* e : {"MARIADB_HOME", "MYSQL_HOME", "MYSQL_GROUP_SUFFIX", "HOME"})
        text += std::string("env ") + e + "=" + Env(e) + "\n";
    for (const std::string& f : extraFiles) AddOptionFile(f, 0, text);
    if (!noDefaults) {
        std::vector<std::string> files = {"/etc/my.cnf", "/etc/mysql/my.cnf"};
        for (const char* e : {"MARIADB_HOME", "MYSQL_HOME"})
            if (!Env(e).empty()) files.push_back(Env(e) + "/my.cnf");
        if (!Env("HOME").empty()) files.push_back(Env("HOME") + "/.my.cnf");
        for (const std::string& f : files) AddOptionFile(f, 0, text);
    }

    // What every server on the folder rewrites.
    text += "data " + dataDir + "\n";
    for (const std::string& n : SortedEntries(dataDir))
        if (n != kRecordName) text += n + " " + StatText(dataDir + "/" + n) + "\n";

    const Sha256Digest d = Sha256(std::span(reinterpret_cast<const std::uint8_t*>(text.data()), text.size()));
    static constexpr char kHex[] = "0123456789abcdef";
    std::string hex;
    for (std::uint8_t b : d) {
        hex += kHex[b >> 4];
        hex += kHex[b & 15];
    }
    return hex;
}

std::string ProvenStartPath(const std::string& dataDir) { return dataDir + "/" + kRecordName; }

bool StartProven(const std::string& dataDir, const std::string& fingerprint) {
    std::string recorded;
    return ReadAll(ProvenStartPath(dataDir), recorded) && recorded == fingerprint;
}

void ForgetProvenStart(const std::string& dataDir) { std::remove(ProvenStartPath(dataDir).c_str()); }

void RecordProvenStart(const std::string& dataDir, const std::string& fingerprint) {
    // Written beside and put in place, so a half-written record never matches.
    const std::string path = ProvenStartPath(dataDir), part = path + ".part";
    {
        std::ofstream out(part, std::ios::binary | std::ios::trunc);
        if (!out) return;
        out << fingerprint;
        if (!out.flush()) {
            out.close();
            std::remove(part.c_str());
            return;
        }
    }
    if (std::rename(part.c_str(), path.c_str()) != 0) std::remove(part.c_str());
}

}  // namespace brevant
