#include "paths/TMySQLAPIEmbedded.h"

#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <cstdlib>
#include <filesystem>
#include <fstream>

#include "core/ScopeExit.h"
#include "mysql/client/DAErrors.h"
#include "paths/ProvenStart.h"

namespace brevant {

bool MySQLEmbDisableEventLog = true;
bool UnloadEmbLibraryOnDisconnect = false;
bool MySQLEmbServerIniting = false;
std::string MySQLEmbServerInitMessage;

namespace {

// A runtime-only install has no unversioned link.
constexpr const char* kEmbeddedLibrary = "libmysqld.so";
constexpr const char* kEmbeddedLibraryVersioned = "libmariadbd.so.19";

constexpr const char16_t* kPathArgs[] = {u"--basedir", u"--datadir", u"--character-sets-dir",
                                         u"--tmpdir",  u"--log-bin", u"--log-bin-index"};

TMySQLAPIEmbedded* gRunning = nullptr;  // the instance whose server runs, for the exit handler

void StopAtExit() {
    if (gRunning) gRunning->Shutdown();
}

bool IsPathArg(UStringView name) {
    return std::any_of(std::begin(kPathArgs), std::end(kPathArgs), [&](const char16_t* n) { return name == n; });
}

std::string Absolute(const std::string& path) {
    std::error_code ec;
    std::filesystem::path p = std::filesystem::absolute(path, ec);
    if (ec) return path;
    std::filesystem::path canonical = std::filesystem::weakly_canonical(p, ec);
    std::string s = (ec ? p.lexically_normal() : canonical).string();
    while (s.size() > 1 && s.back() == '/') s.pop_back();
    return s;
}

std::string CurrentDir() {
    std::error_code ec;
    const std::filesystem::path p = std::filesystem::current_path(ec);
    return ec ? std::string(".") : p.string();
}

std::string ReadFrom(const std::string& path, long long& offset) {
    std::ifstream in(path, std::ios::binary);
    if (!in) return {};
    in.seekg(offset);
    std::string bytes((std::istreambuf_iterator<char>(in)), std::istreambuf_iterator<char>());
    offset += static_cast<long long>(bytes.size());
    return bytes;
}

void FeedLines(const std::string& bytes, const std::vector<TMySQLAPIEmbedded::TLogEvent>& events) {
    std::size_t pos = 0;
    while (pos < bytes.size()) {
        std::size_t nl = bytes.find('\n', pos);
        if (nl == std::string::npos) nl = bytes.size();
        const UString line = AnsiToUtf16(std::string_view(bytes).substr(pos, nl - pos));
        for (const auto& e : events) e(line);
        pos = nl + 1;
    }
}

UString InitFailure(const std::string& detail, const std::string& output) {
    UString text = SEmbServerInitFailed;
    if (!detail.empty()) text += u"\r\n" + AnsiToUtf16(detail);
    if (!output.empty()) text += u"\r\n" + AnsiToUtf16(output);
    return text;
}

}  // namespace

TMySQLAPIEmbedded::TMySQLAPIEmbedded() { FOrgTableFrom4 = false; }

TMySQLAPIEmbedded::~TMySQLAPIEmbedded() {
    Shutdown();
    if (gRunning == this) gRunning = nullptr;
}

std::string TMySQLAPIEmbedded::GetLibraryName() const {
    return MySQLClientLibrary.empty() ? std::string(kEmbeddedLibrary) : MySQLClientLibrary;
}

std::vector<std::string> TMySQLAPIEmbedded::StartArguments(const std::vector<UString>& params) {
    std::vector<std::string> args;
    std::string baseDir;
    bool haveDataDir = false;
    for (const UString& raw : params) {
        const UString line = Trim(raw);
        if (line.empty() || line[0] == u'#') continue;
        const auto eq = line.find(u'=');
        const UString name = line.substr(0, eq);
        if (eq == UString::npos || !IsPathArg(name) || eq + 1 == line.size()) {
            args.push_back(Utf16ToUtf8(line));
            continue;
        }
        // A first "\" goes (a first "/" makes the path absolute here); "\" becomes "/".
        UString value = line.substr(eq + 1);
        if (value[0] == u'\\') value.erase(0, 1);
        std::replace(value.begin(), value.end(), u'\\', u'/');
        std::string path = Utf16ToUtf8(value);
        // The server resolves a relative data folder against the base folder, not
        // the working directory: hand both over absolute.
        if (name == u"--basedir") path = baseDir = Absolute(path.empty() ? std::string(".") : path);
        if (name == u"--datadir") {
            path = Absolute(path.empty() ? std::string(".") : path);
            haveDataDir = true;
        }
        args.push_back(Utf16ToUtf8(name) + "=" + path);
    }
    // Without a data folder the server would open the system server's one.
    if (!haveDataDir) args.push_back("--datadir=" + Absolute((baseDir.empty() ? CurrentDir() : baseDir) + "/data"));
    return args;
}

std::string TMySQLAPIEmbedded::DataDirOf(const std::vector<std::string>& args) {
    static constexpr std::string_view kDataDir = "--datadir=";
    std::string dir;
    for (const std::string& a : args)
        if (a.compare(0, kDataDir.size(), kDataDir) == 0) dir = a.substr(kDataDir.size());  // the last one counts
    return dir;
}

void TMySQLAPIEmbedded::LoadMySQLLib() {
    const std::vector<std::string> args = StartArguments(FParams);
    if (FServerInited) {
        if (args != FCurrentParams) DatabaseError(FClientsCount != 0 ? SSecondEmbServer : SEmbServerRestartNeeded);
        ++FClientsCount;  // the running server is shared
        return;
    }
    if (FServerEnded) DatabaseError(SEmbServerRestartNeeded);
    if (!LoadLibraryFile(GetLibraryName())) {
        if (!MySQLClientLibrary.empty() || !LoadLibraryFile(kEmbeddedLibraryVersioned)) return;
    }
    StartServer(args);
    ++FClientsCount;
}

void TMySQLAPIEmbedded::StartServer(const std::vector<std::string>& args) {
    const auto init = Entry<TServerInitFunc>(epServerInit);
    const auto end = reinterpret_cast<TServerEndFunc>(FEntries[epServerEnd]);

    std::vector<std::string> all = args;
    if (!MySQLEmbDisableEventLog) {
        const std::string stem = std::filesystem::temp_directory_path().string() + "/brevant-embedded-" +
                                 std::to_string(::getpid());
        FLogPath = stem + "-general.log";
        FLogErrorPath = stem + "-error.log";
        all.push_back("--general-log=1");
        all.push_back("--general-log-file=" + FLogPath);
        all.push_back("--log-error=" + FLogErrorPath);
        FLogRead = FLogErrorRead = 0;
    }

    if (!FDataDirLock.Acquire(DataDirOf(args), 2000)) DatabaseError(SSecondEmbServer);
    bool started = false;
    const ScopeExit onFailure([&] {
        MySQLEmbServerIniting = false;
        if (!started) FDataDirLock.Release();
    });
    MySQLEmbServerInitMessage.clear();
    MySQLEmbServerIniting = true;

    std::vector<char*> argv;
    static char ignored[] = "ignored";
    argv.push_back(ignored);
    for (std::string& a : all) argv.push_back(a.data());
    argv.push_back(nullptr);
    static char embedded[] = "embedded";
    static char server[] = "server";
    char* groups[] = {embedded, server, program_invocation_short_name, nullptr};
    const int argc = static_cast<int>(argv.size()) - 1;

    const auto withErrorLog = [&](std::string text) {
        long long from = 0;
        const std::string log = FLogErrorPath.empty() ? std::string() : ReadFrom(FLogErrorPath, from);
        if (!log.empty()) text += (text.empty() ? "" : "\r\n") + log;
        return text;
    };

    // The trial: a start that fails or ends the process does so in a child;
    // left out when this very start has worked before and nothing it depends on changed.
    const std::string dataDir = DataDirOf(args);
    FProvenArgs = args;
    if (!MySQLEmbDisableEventLog) FProvenArgs.push_back("(event log)");
    const void* librarySymbol = reinterpret_cast<const void*>(init);
    if (!StartProven(dataDir, StartFingerprint(FProvenArgs, dataDir, librarySymbol))) {
        TOutputCapture trialOut;
        std::string detail;
        const TTrialOutcome outcome = TrialServerStart(init, end, argc, argv.data(), groups, trialOut, detail);
        if (outcome != toStarted) {
            MySQLEmbServerInitMessage = withErrorLog(trialOut.Text());
            if (!FLogErrorPath.empty()) std::remove(FLogErrorPath.c_str());
            throw EDatabaseError(InitFailure(detail, MySQLEmbServerInitMessage));
        }
    }
    if (!FLogErrorPath.empty()) std::remove(FLogErrorPath.c_str());
    if (!FLogPath.empty()) std::remove(FLogPath.c_str());

    // The real start, with arguments that have started a server. Until a clean
    // stop, the folder has no record of a proven start.
    ForgetProvenStart(dataDir);
    TOutputCapture out;
    out.Begin();
    const int rc = init(argc, argv.data(), groups);
    out.End();
    MySQLEmbServerInitMessage = out.Text();
    if (rc != 0) {
        FServerEnded = true;  // the library cannot be started again
        MySQLEmbServerInitMessage = withErrorLog(MySQLEmbServerInitMessage);
        throw EDatabaseError(InitFailure(std::string(), MySQLEmbServerInitMessage));
    }
    started = true;
    FServerInited = true;
    FCurrentParams = args;
    static bool exitHandlerSet = false;
    if (!exitHandlerSet) exitHandlerSet = std::atexit(StopAtExit) == 0;
    gRunning = this;
}

void TMySQLAPIEmbedded::CheckMySQLLib() { TMySQLAPIClient::CheckMySQLLib(); }

void TMySQLAPIEmbedded::FreeMySQLLib() {
    // The library stays loaded: it cannot be unloaded once loaded.
    if (!hMySQLLib) return;
    if (FClientsCount > 0) --FClientsCount;
    if (FClientsCount > 0) return;
    if (FServerInited) {
        FServerInited = false;
        FServerEnded = true;
        if (FEntries[epServerEnd]) {
            mysql_server_end();
            const std::string dataDir = FDataDirLock.DataDir();
            RecordProvenStart(dataDir, StartFingerprint(FProvenArgs, dataDir, FEntries[epServerInit]));
        }
        FDataDirLock.Release();
        for (std::string* log : {&FLogPath, &FLogErrorPath}) {
            if (!log->empty()) std::remove(log->c_str());
            log->clear();
        }
        if (gRunning == this) gRunning = nullptr;
    }
    FCurrentParams.clear();
}

void TMySQLAPIEmbedded::Shutdown() {
    FClientsCount = 0;
    FreeMySQLLib();
}

void TMySQLAPIEmbedded::mysql_close(PMYSQL_CON mysql) {
    TMySQLAPIClient::mysql_close(mysql);
    UnRegisterConnection();
}

void TMySQLAPIEmbedded::UnRegisterConnection() {
    if (FClientsCount < 1) return;
    --FClientsCount;
    if (FClientsCount == 0 && UnloadEmbLibraryOnDisconnect) FreeMySQLLib();
}

int TMySQLAPIEmbedded::mysql_real_query(PMYSQL_CON mysql, const char* query, std::size_t length) {
    const int rc = TMySQLAPIClient::mysql_real_query(mysql, query, length);
    if (!FLogPath.empty() && (!FListOnLog.empty() || !FListOnLogError.empty())) FeedLogs();
    return rc;
}

void TMySQLAPIEmbedded::FeedLogs() {
    const auto events = [](const std::vector<TListener>& list) {
        std::vector<TLogEvent> e;
        for (const TListener& l : list) e.push_back(l.Event);
        return e;
    };
    if (!FListOnLog.empty()) FeedLines(ReadFrom(FLogPath, FLogRead), events(FListOnLog));
    if (!FListOnLogError.empty()) FeedLines(ReadFrom(FLogErrorPath, FLogErrorRead), events(FListOnLogError));
}

void TMySQLAPIEmbedded::RegisterOnLogEvent(const void* owner, TLogEvent event) {
    FListOnLog.push_back({owner, std::move(event)});
}

void TMySQLAPIEmbedded::RegisterOnLogErrorEvent(const void* owner, TLogEvent event) {
    FListOnLogError.push_back({owner, std::move(event)});
}

void TMySQLAPIEmbedded::UnRegisterOnLogEvent(const void* owner) {
    auto it = std::find_if(FListOnLog.begin(), FListOnLog.end(), [&](const TListener& l) { return l.Owner == owner; });
    if (it != FListOnLog.end()) FListOnLog.erase(it);
}

void TMySQLAPIEmbedded::UnRegisterOnLogErrorEvent(const void* owner) {
    auto it = std::find_if(FListOnLogError.begin(), FListOnLogError.end(),
                           [&](const TListener& l) { return l.Owner == owner; });
    if (it != FListOnLogError.end()) FListOnLogError.erase(it);
}

}  // namespace brevant
