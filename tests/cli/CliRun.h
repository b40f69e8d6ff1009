#pragma once
// brevant-cli run as a shell would run it: stdout and stderr into files, stdin
// empty, the password in BREVANT_PASSWORD.

#include <fcntl.h>
#include <signal.h>
#include <sys/wait.h>
#include <unistd.h>

#include <cstdio>
#include <cstdlib>
#include <fstream>
#include <iterator>
#include <string>
#include <string_view>
#include <vector>

namespace brevant::test {

struct TRun {
    int code = -1;
    std::string out, err;
};

inline std::string Quote(const std::string& s) {
    std::string q = "'";
    for (char c : s) q += c == '\'' ? std::string("'\\''") : std::string(1, c);
    return q + "'";
}

inline std::string Slurp(const std::string& path) {
    std::ifstream in(path, std::ios::binary);
    return std::string((std::istreambuf_iterator<char>(in)), std::istreambuf_iterator<char>());
}

inline void WriteFile(const std::string& path, const std::string& text) {
    std::ofstream(path, std::ios::binary) << text;
}

/// Runs brevant-cli with `args` (shell words, quoted by the caller) in `dir`'s files out and err.
inline TRun RunCli(const std::string& args, const std::string& password, const std::string& dir) {
    const std::string cmd = "BREVANT_PASSWORD=" + Quote(password) + " " + BREVANT_CLI + " " + args + " >" + dir +
                            "/out 2>" + dir + "/err </dev/null";
    const int status = std::system(cmd.c_str());
    TRun r;
    r.code = WIFEXITED(status) ? WEXITSTATUS(status) : -1;
    r.out = Slurp(dir + "/out");
    r.err = Slurp(dir + "/err");
    return r;
}

/// A brevant-cli started in the background (argv as given), to be signalled.
class TCliChild {
public:
    TCliChild(const std::vector<std::string>& args, const std::string& password, std::string dir)
        : FDir(std::move(dir)) {
        // Everything is made before the fork: the child only redirects and executes.
        const std::string outName = FDir + "/out", errName = FDir + "/err", env = "BREVANT_PASSWORD=" + password;
        std::vector<char*> argv{const_cast<char*>(BREVANT_CLI)};
        for (const std::string& a : args) argv.push_back(const_cast<char*>(a.c_str()));
        argv.push_back(nullptr);
        std::vector<char*> envp{const_cast<char*>(env.c_str())};
        for (char** e = environ; *e; ++e)
            if (std::string_view(*e).rfind("BREVANT_PASSWORD=", 0) != 0) envp.push_back(*e);
        envp.push_back(nullptr);
        FPid = fork();
        if (FPid != 0) return;
        // Descriptors, not stdio: the parent's unwritten buffers must not be written twice.
        const int in = open("/dev/null", O_RDONLY), out = open(outName.c_str(), O_WRONLY | O_CREAT | O_TRUNC, 0644),
                  err = open(errName.c_str(), O_WRONLY | O_CREAT | O_TRUNC, 0644);
        if (in < 0 || out < 0 || err < 0) _exit(127);
        dup2(in, 0);
        dup2(out, 1);
        dup2(err, 2);
        execve(BREVANT_CLI, argv.data(), envp.data());
        _exit(127);
    }
    ~TCliChild() {
        if (FPid > 0 && !FDone) {
            kill(FPid, SIGKILL);
            waitpid(FPid, nullptr, 0);
        }
    }
    bool Started() const { return FPid > 0; }
    void Signal(int sig) { kill(FPid, sig); }
    TRun Wait() {
        int status = 0;
        waitpid(FPid, &status, 0);
        FDone = true;
        TRun r;
        r.code = WIFEXITED(status) ? WEXITSTATUS(status) : -1;
        r.out = Slurp(FDir + "/out");
        r.err = Slurp(FDir + "/err");
        return r;
    }

private:
    std::string FDir;
    pid_t FPid = -1;
    bool FDone = false;
};

}  // namespace brevant::test
