#pragma once
// The pieces of a safe start of the embedded server library:
// - TDataDirLock: the advisory lock (flock) on a lock file named after the data
//   folder, in $XDG_RUNTIME_DIR (else /tmp), waited for at most 2000 ms;
// - TOutputCapture: what the process writes to its standard output and error
//   while the server starts goes to an unlinked temporary file (a pipe could
//   fill and stop the server); both are restored afterwards;
// - TrialServerStart: the same start in a forked child first, because the
//   library can be started only once per process, a failed start leaves it
//   unusable, and some arguments make it end the process (left out for a start
//   that ProvenStart.h proves).

#include <string>
#include <vector>

namespace brevant {

/// The lock file's name for a data folder: the path as 8-bit text of at most
/// 255 characters, trimmed, in lower case, "/", ":" and "\" replaced by blanks.
std::string DataDirLockName(const std::string& dataDir);

class TDataDirLock {
public:
    TDataDirLock() = default;
    ~TDataDirLock() { Release(); }
    TDataDirLock(const TDataDirLock&) = delete;
    TDataDirLock& operator=(const TDataDirLock&) = delete;

    /// Takes the lock of `dataDir`, trying for at most `waitMs`; false when
    /// another holder keeps it (or the lock file cannot be made).
    bool Acquire(const std::string& dataDir, int waitMs = 2000);
    void Release();
    bool Held() const { return fd_ >= 0; }
    /// The data folder the lock guards.
    const std::string& DataDir() const { return dataDir_; }
    /// The lock file of a data folder (tests hold it to play another process).
    static std::string LockFilePath(const std::string& dataDir);

private:
    int fd_ = -1;
    std::string dataDir_;
};

class TOutputCapture {
public:
    TOutputCapture();
    ~TOutputCapture();
    TOutputCapture(const TOutputCapture&) = delete;
    TOutputCapture& operator=(const TOutputCapture&) = delete;

    /// Points standard output and error at the capture file.
    void Begin();
    /// Restores them (safe to call twice).
    void End();
    /// The capture file's descriptor (a forked child writes into it).
    int Fd() const { return fd_; }
    /// Everything captured so far, lines joined by CR LF.
    std::string Text() const;

private:
    int fd_ = -1;
    int savedOut_ = -1, savedErr_ = -1;
};

using TServerInitFunc = int (*)(int, char**, char**);
using TServerEndFunc = void (*)();

enum TTrialOutcome { toStarted, toFailed, toEnded };

/// Starts the server in a forked child with standard output and error in
/// `capture`, stops it again there and reports how the start went: started,
/// failed (non-zero return), or the child ended during the start (`detail` then
/// says how).
TTrialOutcome TrialServerStart(TServerInitFunc init, TServerEndFunc end, int argc, char** argv, char** groups,
                               const TOutputCapture& capture, std::string& detail);

}  // namespace brevant
