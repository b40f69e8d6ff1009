#pragma once
// The operation set over the embedded server library: the client-library
// operations plus starting the server once with the connection's arguments,
// sharing it among connections, the data-folder lock against a second process,
// and the capture of what the server writes while it starts.
//
// The library can be started only once per process: a second mysql_server_init
// (after mysql_server_end or after a failed start) crashes in it, and some
// arguments make it end the process. So every start is first tried in a forked
// child; only arguments that have proven good are used for the real start, and
// a second start with other arguments is refused with a clear error.

#include <functional>
#include <string>
#include <vector>

#include "core/Text.h"
#include "paths/EmbeddedStart.h"
#include "paths/TMySQLAPIClient.h"

namespace brevant {

inline constexpr char16_t SSecondEmbServer[] =
    u"Cannot run second Embedded server instance for single data folder. Please see details in Kestrine help or "
    u"MySQL Reference manual";
inline constexpr char16_t SEmbServerInitFailed[] = u"A call to an mysql_server_init failed";
inline constexpr char16_t SEmbServerRestartNeeded[] =
    u"The embedded server was already started in this run and cannot be started again; restart the program to use "
    u"another data folder or other start arguments";

/// When False the server also writes its general log and error log, which feed
/// the OnLog and OnLogError listeners.
extern bool MySQLEmbDisableEventLog;
/// When True the server is stopped as soon as its last connection closes (it
/// cannot be started again in the same run).
extern bool UnloadEmbLibraryOnDisconnect;
/// True only while the server is being started.
extern bool MySQLEmbServerIniting;
/// What the server wrote while it was being started, lines joined by CR LF.
extern std::string MySQLEmbServerInitMessage;

class TMySQLAPIEmbedded : public TMySQLAPIClient {
public:
    using TLogEvent = std::function<void(const UString& text)>;

    TMySQLAPIEmbedded();
    /// Stops a running server (its users no longer count).
    ~TMySQLAPIEmbedded() override;

    /// MySQLClientLibrary when set, else "libmysqld.so" (or the versioned name
    /// of a runtime-only install).
    std::string GetLibraryName() const override;

    void SetParams(const std::vector<UString>& params) override { FParams = params; }
    const std::vector<UString>& Params() const { return FParams; }

    void LoadMySQLLib() override;
    void FreeMySQLLib() override;
    void CheckMySQLLib() override;
    void mysql_close(PMYSQL_CON mysql) override;
    int mysql_real_query(PMYSQL_CON mysql, const char* query, std::size_t length) override;

    void UnRegisterConnection();
    int ClientsCount() const { return FClientsCount; }
    bool ServerInited() const { return FServerInited; }
    /// The arguments the running server was started with (argv after "ignored").
    const std::vector<std::string>& CurrentParams() const { return FCurrentParams; }
    /// The folder the running server opens (what the lock guards).
    const std::string& DataDir() const { return FDataDirLock.DataDir(); }

    /// Listeners, each identified by its owner (the first entry of that owner is removed).
    void RegisterOnLogEvent(const void* owner, TLogEvent event);
    void UnRegisterOnLogEvent(const void* owner);
    void RegisterOnLogErrorEvent(const void* owner, TLogEvent event);
    void UnRegisterOnLogErrorEvent(const void* owner);

    /// The server's argument list for `params`: blank and "#" lines out, path
    /// rules applied, the base and data folders made absolute against the
    /// working directory; without a data folder, "data" under the base folder (or
    /// the working directory) is added, never the system server's folder.
    static std::vector<std::string> StartArguments(const std::vector<UString>& params);
    /// The data folder of an argument list made by StartArguments.
    static std::string DataDirOf(const std::vector<std::string>& args);

    /// Stops the server for good (at process end).
    void Shutdown();

protected:
    const char16_t* NotLinkedText() const override { return SMySQLEmbNotLinked; }
    /// Starts the server with `args`; raises on failure with nothing left locked.
    void StartServer(const std::vector<std::string>& args);
    /// Hands what the server appended to its log files to the listeners.
    void FeedLogs();

    struct TListener {
        const void* Owner;
        TLogEvent Event;
    };

    std::vector<UString> FParams;
    std::vector<std::string> FCurrentParams;
    std::vector<std::string> FProvenArgs;  // what the record of a proven start names
    int FClientsCount = 0;
    bool FServerInited = false;
    bool FServerEnded = false;   // stopped, or a real start failed: no start again
    TDataDirLock FDataDirLock;
    std::vector<TListener> FListOnLog, FListOnLogError;
    std::string FLogPath, FLogErrorPath;
    long long FLogRead = 0, FLogErrorRead = 0;
};

}  // namespace brevant
