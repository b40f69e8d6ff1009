#pragma once
// The script runner: cuts a script (lines, a file or a stream) into statements with
// the splitter and runs each through a command as soon as it is found, so a script
// of any size is never held whole. A failing statement is handled by the error
// action that OnError chooses.

#include <atomic>
#include <cstdint>
#include <exception>
#include <functional>
#include <istream>
#include <memory>
#include <mutex>

#include "core/TStrings.h"
#include "core/Text.h"
#include "mysql/client/TCustomDASQL.h"
#include "mysql/client/TMacros.h"
#include "script/lexer/ParserSource.h"
#include "script/lexer/TDAScriptProcessor.h"

namespace brevant {

enum TErrorAction { eaAbort, eaFail, eaException, eaContinue };

class TDAScript {
public:
    using TBeforeStatementExecuteEvent = std::function<void(TDAScript& sender, UString& sql, bool& omit)>;
    using TAfterStatementExecuteEvent = std::function<void(TDAScript& sender, const UString& sql)>;
    using TOnErrorEvent =
        std::function<void(TDAScript& sender, const std::exception& e, const UString& sql, TErrorAction& action)>;

    explicit TDAScript(TCustomDAConnection* connection = nullptr);
    virtual ~TDAScript();
    TDAScript(const TDAScript&) = delete;
    TDAScript& operator=(const TDAScript&) = delete;

    // --- properties ---
    const TStrings& SQL() const { return FSQL; }
    /// Replaces the script; its macros are scanned again (new ones active, empty).
    void SetSQL(const TStrings& lines);
    void SetSQLText(UStringView text);
    const UString& Delimiter() const { return FDelimiter; }
    void SetDelimiter(UString value) { FDelimiter = std::move(value); }
    TMacros& Macros() { return FMacros; }
    TMacro* FindMacro(UStringView name) const { return FMacros.FindMacro(name); }
    TMacro& MacroByName(UStringView name) const { return FMacros.MacroByName(name); }
    TCustomDAConnection* Connection() const { return FConnection; }
    void SetConnection(TCustomDAConnection* connection);
    bool Debug = false;
    bool NoPreconnect = false;
    /// ":name" parameters are looked for in each statement. Off: every statement is
    /// sent exactly as it stands.
    bool ScanParams() const { return FScanParams; }
    void SetScanParams(bool value) { FScanParams = value; }

    // --- events ---
    TBeforeStatementExecuteEvent BeforeExecute;
    TAfterStatementExecuteEvent AfterExecute;
    TOnErrorEvent OnError;

    // --- operations ---
    /// Runs the whole script (SQL, or the attached stream).
    virtual void Execute();
    /// Runs the next statement. False when the script is finished or stopped.
    virtual bool ExecuteNext();
    void ExecuteFile(const std::string& fileName);
    /// The encoding is told by the stream's first bytes.
    void ExecuteStream(std::istream& stream);
    /// Ends the run after the statement that is running; may be called from another thread.
    void BreakExec();
    /// Where the failing statement starts in the script (characters).
    std::int64_t ErrorOffset() const { return FErrorOffset; }
    /// The sum of the affected rows over the run.
    std::int64_t RowsAffected() const { return FRowsAffected; }

    // --- reading a stream statement by statement (the dump's restore) ---
    /// Reads the stream, from its current position, in the given encoding.
    void AttachStream(std::istream& stream, TParserEncoding encoding);
    void DetachStream();
    /// Reads the SQL lines (for ExecuteNext without Execute).
    void AttachSQL() { AttachScriptText(); }
    /// Where reading stands in the script (characters), or -1 when nothing is attached.
    std::int64_t CurrentPosition() const;
    /// The script was read to its end (not stopped before).
    bool EndOfScript() const { return FEndOfScript; }
    const UString& CurrDelimiter() const { return FProcessor->CurrDelimiter(); }

protected:
    virtual std::unique_ptr<TDAScriptProcessor> CreateProcessor();
    virtual std::unique_ptr<TCustomDASQL> CreateCommand();
    /// Gives the command one statement's text (see TScriptCommand).
    virtual void SetCommandStatement(const UString& text);
    /// Around each statement that is sent. The generic runner omits comment-only
    /// statements.
    virtual void DoStatementStart(int statementType, bool& omit);
    virtual void DoStatementEnd() {}
    /// The splitter's callback.
    bool ExecuteStatement(const TScriptStatement& statement);
    /// Sends one statement; false when the script must stop.
    virtual bool InternalExecute(const UString& text);
    void AttachScriptText();
    void ReleaseParser();

    TCustomDAConnection* FConnection = nullptr;
    std::unique_ptr<TCustomDASQL> FCommand;
    std::unique_ptr<TDAScriptProcessor> FProcessor;
    TStrings FSQL;
    UString FScriptText;  // the text the splitter reads while SQL runs
    UString FDelimiter = u";";
    TMacros FMacros;
    std::istream* FStream = nullptr;
    TParserEncoding FStreamEncoding = peAnsi;
    std::int64_t FRowsAffected = 0;
    std::int64_t FErrorOffset = 0;
    std::int64_t FStmtOffset = 0;
    std::atomic<bool> FBreakExecution{false};
    bool FEndOfScript = false;
    bool FScanParams = true;
    std::mutex FcsBreakMultiThread;

private:
    void EnsureProcessor();
};

/// A command whose text the script runner sets. With parameter scanning off the text
/// goes to the session-level command as it stands: no macro is expanded and no ":"
/// starts a parameter, so routine bodies and expressions reach the server intact.
template <class Base>
class TScriptCommand : public Base {
public:
    using Base::Base;
    void SetStatementText(const UString& text, bool scanParams) {
        this->SetParamCheck(scanParams);
        if (scanParams) {
            this->SetSQLText(text);
            return;
        }
        this->FSQL.Clear();
        this->FParams.Clear();
        this->FPrepared = false;
        this->ICommand().SetSQL(UString(TrimView(text)));
        this->FSQLModified = false;
    }
};

}  // namespace brevant
