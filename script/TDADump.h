#pragma once
// The dump component: restores a database from an SQL script (a file, a stream or
// its own SQL lines) by running it statement by statement, reporting progress.

#include <cstdint>
#include <functional>
#include <istream>
#include <memory>
#include <string>

#include "core/TStrings.h"
#include "mysql/client/TCustomDAConnection.h"
#include "script/TDAScript.h"

namespace brevant {

/// The encoding of a script by its first bytes: FF FE is UTF-16 little-endian and
/// EF BB BF is UTF-8 (reading goes on after the mark); anything else, a stream of
/// fewer than two bytes included, is the system code page read from the start.
TParserEncoding DetectDumpEncoding(std::istream& stream);

class TDADump {
public:
    using TDumpProgressEvent = std::function<void(TDADump& sender, int percent)>;

    explicit TDADump(TCustomDAConnection* connection = nullptr) : FConnection(connection) {}
    virtual ~TDADump() = default;
    TDADump(const TDADump&) = delete;
    TDADump& operator=(const TDADump&) = delete;

    TCustomDAConnection* Connection() const { return FConnection; }
    void SetConnection(TCustomDAConnection* connection) { FConnection = connection; }
    TStrings& SQL() { return FSQL; }
    bool Debug = false;

    /// Handed to the script runner: what a failing statement does.
    TDAScript::TOnErrorEvent OnError;
    /// Handed to the script runner: called with each statement before it runs.
    TDAScript::TBeforeStatementExecuteEvent BeforeExecute;
    TDumpProgressEvent OnRestoreProgress;

    void RestoreFromFile(const std::string& fileName);
    void RestoreFromStream(std::istream& stream);
    /// Runs the SQL lines.
    void Restore();
    /// Ends a running restore after the statement that is running.
    void BreakRestore();
    /// The last restore was ended by BreakRestore (or an error action) before its end.
    bool RestoreStopped() const { return FRestoreStopped; }

protected:
    virtual std::unique_ptr<TDAScript> CreateScript();

    TCustomDAConnection* FConnection = nullptr;
    TStrings FSQL;

private:
    /// Runs the attached script; `size` is the script's length in characters.
    void RunRestore(TDAScript& script, std::int64_t size);

    TDAScript* FRunning = nullptr;
    bool FRestoreStopped = false;
};

}  // namespace brevant
