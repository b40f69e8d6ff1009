#include "paths/EmbeddedStart.h"

#include <fcntl.h>
#include <poll.h>
#include <signal.h>
#include <sys/file.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>

#include <cerrno>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <thread>

#include "core/ScopeExit.h"

namespace brevant {

namespace {

std::string RuntimeDir() {
    const char* d = std::getenv("XDG_RUNTIME_DIR");
    if (d && *d) {
        struct stat st{};
        if (::stat(d, &st) == 0 && S_ISDIR(st.st_mode)) return d;
    }
    return "/tmp";
}

void Redirect(int from, int to) {
    while (::dup2(from, to) < 0 && errno == EINTR) {
    }
}

}  // namespace

std::string DataDirLockName(const std::string& dataDir) {
    std::string name = dataDir.substr(0, 255);
    std::size_t b = 0, e = name.size();
    while (b < e && static_cast<unsigned char>(name[b]) <= ' ') ++b;
    while (e > b && static_cast<unsigned char>(name[e - 1]) <= ' ') --e;
    name = name.substr(b, e - b);
    for (char& c : name) {
        if (c >= 'A' && c <= 'Z') c = static_cast<char>(c - 'A' + 'a');
        if (c == '/' || c == ':' || c == '\\') c = ' ';
    }
    return name;
}

std::string TDataDirLock::LockFilePath(const std::string& dataDir) {
    return RuntimeDir() + "/brevant-embedded" + DataDirLockName(dataDir) + ".lock";
}

bool TDataDirLock::Acquire(const std::string& dataDir, int waitMs) {
    Release();
    const std::string path = LockFilePath(dataDir);
    const int fd = ::open(path.c_str(), O_RDWR | O_CREAT | O_CLOEXEC, 0600);
    if (fd < 0) return false;
    const auto deadline = std::chrono::steady_clock::now() + std::chrono::milliseconds(waitMs);
    for (;;) {
        if (::flock(fd, LOCK_EX | LOCK_NB) == 0) break;
        if ((errno != EWOULDBLOCK && errno != EINTR) || std::chrono::steady_clock::now() >= deadline) {
            ::close(fd);
            return false;
        }
        std::this_thread::sleep_for(std::chrono::milliseconds(25));
    }
    fd_ = fd;
    dataDir_ = dataDir;
    return true;
}

void TDataDirLock::Release() {
    if (fd_ < 0) return;
    ::flock(fd_, LOCK_UN);
    ::close(fd_);
    fd_ = -1;
    dataDir_.clear();
}

// --- output capture ---

TOutputCapture::TOutputCapture() {
    std::string path = RuntimeDir() + "/brevant-embedded-start-XXXXXX";
    fd_ = ::mkostemp(path.data(), O_CLOEXEC);
    if (fd_ >= 0) ::unlink(path.c_str());
}

TOutputCapture::~TOutputCapture() {
    End();
    if (fd_ >= 0) ::close(fd_);
}

void TOutputCapture::Begin() {
    if (fd_ < 0 || savedOut_ >= 0) return;
    std::fflush(stdout);
    std::fflush(stderr);
    savedOut_ = ::fcntl(STDOUT_FILENO, F_DUPFD_CLOEXEC, 3);
    savedErr_ = ::fcntl(STDERR_FILENO, F_DUPFD_CLOEXEC, 3);
    Redirect(fd_, STDOUT_FILENO);
    Redirect(fd_, STDERR_FILENO);
}

void TOutputCapture::End() {
    if (savedOut_ < 0) return;
    std::fflush(stdout);
    std::fflush(stderr);
    Redirect(savedOut_, STDOUT_FILENO);
    Redirect(savedErr_, STDERR_FILENO);
    ::close(savedOut_);
    ::close(savedErr_);
    savedOut_ = savedErr_ = -1;
}

std::string TOutputCapture::Text() const {
    std::string raw;
    if (fd_ < 0) return raw;
    char buf[4096];
    off_t at = 0;
    for (;;) {
        const ssize_t n = ::pread(fd_, buf, sizeof buf, at);
        if (n < 0 && errno == EINTR) continue;
        if (n <= 0) break;
        raw.append(buf, static_cast<std::size_t>(n));
        at += n;
    }
    // Lines joined by CR LF, without a trailing line end.
    std::string text;
    std::size_t pos = 0;
    while (pos < raw.size()) {
        std::size_t nl = raw.find('\n', pos);
        if (nl == std::string::npos) nl = raw.size();
        std::size_t end = nl;
        if (end > pos && raw[end - 1] == '\r') --end;
        if (!text.empty()) text += "\r\n";
        text.append(raw, pos, end - pos);
        pos = nl + 1;
    }
    return text;
}

// --- trial start ---

TTrialOutcome TrialServerStart(TServerInitFunc init, TServerEndFunc end, int argc, char** argv, char** groups,
                               const TOutputCapture& capture, std::string& detail) {
    detail.clear();
    int verdict[2];
    if (::pipe2(verdict, O_CLOEXEC) != 0) {
        detail = std::string("pipe: ") + std::strerror(errno);
        return toFailed;
    }
    std::fflush(stdout);
    std::fflush(stderr);
    const pid_t pid = ::fork();
    if (pid < 0) {
        detail = std::string("fork: ") + std::strerror(errno);
        ::close(verdict[0]);
        ::close(verdict[1]);
        return toFailed;
    }
    if (pid == 0) {
        // The child: only the start, then a clean stop; never back into the program.
        ::close(verdict[0]);
        if (capture.Fd() >= 0) {
            Redirect(capture.Fd(), STDOUT_FILENO);
            Redirect(capture.Fd(), STDERR_FILENO);
        }
        const int rc = init(argc, argv, groups);
        const char answer = rc == 0 ? 'S' : 'F';
        while (::write(verdict[1], &answer, 1) < 0 && errno == EINTR) {
        }
        if (rc == 0 && end) end();
        std::fflush(stdout);
        std::fflush(stderr);
        ::_exit(0);
    }
    ::close(verdict[1]);
    const ScopeExit closeRead([&] { ::close(verdict[0]); });

    // A start that neither answers nor ends within this time is given up.
    constexpr int kTrialLimitMs = 120000;
    char answer = 0;
    pollfd p{verdict[0], POLLIN, 0};
    int ready;
    do ready = ::poll(&p, 1, kTrialLimitMs);
    while (ready < 0 && errno == EINTR);
    ssize_t got = 0;
    if (ready > 0) {
        do got = ::read(verdict[0], &answer, 1);
        while (got < 0 && errno == EINTR);
    } else {
        ::kill(pid, SIGKILL);
    }
    // The child stops its server before it ends; the real start must not begin
    // while it still holds the data files.
    int status = 0;
    const auto deadline = std::chrono::steady_clock::now() + std::chrono::milliseconds(kTrialLimitMs);
    for (;;) {
        const pid_t r = ::waitpid(pid, &status, WNOHANG);
        if (r == pid || (r < 0 && errno != EINTR)) break;
        if (std::chrono::steady_clock::now() >= deadline) {
            ::kill(pid, SIGKILL);
            while (::waitpid(pid, &status, 0) < 0 && errno == EINTR) {
            }
            break;
        }
        std::this_thread::sleep_for(std::chrono::milliseconds(2));
    }
    if (got == 1) return answer == 'S' ? toStarted : toFailed;
    if (ready == 0) detail = "The embedded server did not finish starting within the time limit";
    else if (WIFEXITED(status)) detail = "The embedded server ended the process with exit code " +
                                         std::to_string(WEXITSTATUS(status)) + " while starting";
    else if (WIFSIGNALED(status)) detail = "The embedded server stopped with signal " +
                                           std::to_string(WTERMSIG(status)) + " while starting";
    return toEnded;
}

}  // namespace brevant
