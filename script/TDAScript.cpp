#include "script/TDAScript.h"

#include <fstream>

#include "core/Abort.h"
#include "core/ErrorHook.h"
#include "core/ScopeExit.h"
#include "mysql/client/DAConsts.h"
#include "mysql/client/DAErrors.h"

namespace brevant {

TDAScript::TDAScript(TCustomDAConnection* connection) : FConnection(connection) {}

TDAScript::~TDAScript() = default;

void TDAScript::SetSQL(const TStrings& lines) {
    FSQL = lines;
    FMacros.Scan(FSQL.Text());
}

void TDAScript::SetSQLText(UStringView text) {
    TStrings lines;
    lines.SetText(text);
    SetSQL(lines);
}

void TDAScript::SetConnection(TCustomDAConnection* connection) {
    FConnection = connection;
    if (FCommand) FCommand->SetConnection(connection);
}

std::unique_ptr<TDAScriptProcessor> TDAScript::CreateProcessor() { return std::make_unique<TDAScriptProcessor>(); }

std::unique_ptr<TCustomDASQL> TDAScript::CreateCommand() {
    auto command = std::make_unique<TScriptCommand<TCustomDASQL>>();
    command->AutoCommit = false;
    return command;
}

void TDAScript::SetCommandStatement(const UString& text) {
    static_cast<TScriptCommand<TCustomDASQL>&>(*FCommand).SetStatementText(text, FScanParams);
}

void TDAScript::EnsureProcessor() {
    if (FProcessor) return;
    FProcessor = CreateProcessor();
    FProcessor->OnStatement = [this](const TScriptStatement& statement) { return ExecuteStatement(statement); };
}

void TDAScript::AttachStream(std::istream& stream, TParserEncoding encoding) {
    BREVANT_ASSERT(FStream == nullptr);
    EnsureProcessor();
    FStream = &stream;
    FStreamEncoding = encoding;
    FBreakExecution = false;
    FEndOfScript = false;
    FProcessor->Delimiter = FDelimiter;
    FProcessor->AttachStream(stream, encoding);
}

void TDAScript::DetachStream() {
    ReleaseParser();
    FStream = nullptr;
}

void TDAScript::AttachScriptText() {
    EnsureProcessor();
    FScriptText = FSQL.Text();
    FBreakExecution = false;
    FEndOfScript = false;
    FProcessor->Delimiter = FDelimiter;
    FProcessor->AttachText(FScriptText);
}

void TDAScript::ReleaseParser() {
    if (!FProcessor) return;
    std::lock_guard<std::mutex> lock(FcsBreakMultiThread);
    FProcessor->ReleaseParser();
}

std::int64_t TDAScript::CurrentPosition() const {
    if (!FProcessor || !FProcessor->Parser()) return -1;
    return FProcessor->Parser()->CurrPos();
}

bool TDAScript::ExecuteNext() {
    if (FBreakExecution || !FProcessor) return false;
    bool more;
    {
        std::unique_lock<std::mutex> lock(FcsBreakMultiThread);
        if (!FProcessor->Parser()) return false;
        more = FProcessor->ExecuteNext();
        if (!more && !FBreakExecution && !FProcessor->Parser()) FEndOfScript = true;
        if (FBreakExecution) {
            FProcessor->ReleaseParser();
            more = false;
        }
    }
    return more;
}

void TDAScript::BreakExec() {
    FBreakExecution = true;
    // While a statement runs the lock is held; the running ExecuteNext then drops
    // the lexer itself once the statement is done.
    std::unique_lock<std::mutex> lock(FcsBreakMultiThread, std::try_to_lock);
    if (lock.owns_lock() && FProcessor) FProcessor->ReleaseParser();
}

void TDAScript::Execute() {
    if (!FConnection) DatabaseError(SConnectionNotDefined);
    const bool preconnect = !NoPreconnect;
    if (preconnect) FConnection->InternalConnect();
    const ScopeExit disconnect([&] {
        if (preconnect) {
            try {
                FConnection->InternalDisconnect();
            } catch (...) {
                // A failing close must not hide the run's own outcome.
            }
        }
    });
    FRowsAffected = 0;
    if (!FStream) AttachScriptText();
    else FBreakExecution = false;
    const ScopeExit release([&] {
        try {
            ReleaseParser();
        } catch (...) {
        }
    });
    while (ExecuteNext()) {
    }
}

void TDAScript::ExecuteStream(std::istream& stream) {
    const TParserEncoding encoding = DetectScriptEncoding(stream);
    AttachStream(stream, encoding);
    const ScopeExit detach([&] { FStream = nullptr; });
    Execute();
}

void TDAScript::ExecuteFile(const std::string& fileName) {
    std::ifstream file(fileName, std::ios::binary);
    if (!file) throw Exception("Cannot open file \"" + fileName + "\"");
    ExecuteStream(file);
}

void TDAScript::DoStatementStart(int statementType, bool& omit) {
    if (statementType == ST_COMMENT) omit = true;
}

bool TDAScript::ExecuteStatement(const TScriptStatement& statement) {
    FStmtOffset = statement.StartPos;
    // A macro that was never given a value leaves its "&name" as written, so a
    // script without macros needs no expansion at all.
    UString text = FMacros.Count() ? FMacros.Expand(statement.SQL) : UString(statement.SQL);
    bool omit = statement.Omit;
    if (BeforeExecute) BeforeExecute(*this, text, omit);
    if (!omit) DoStatementStart(statement.StatementType, omit);
    bool goOn = true;
    if (!omit) {
        const ScopeExit end([this] { DoStatementEnd(); });
        goOn = InternalExecute(text);
    }
    if (!goOn) {
        FBreakExecution = true;
        return false;
    }
    if (AfterExecute) AfterExecute(*this, text);
    return !FBreakExecution;
}

bool TDAScript::InternalExecute(const UString& text) {
    if (!FCommand) {
        FCommand = CreateCommand();
        FCommand->SetConnection(FConnection);
    }
    try {
        SetCommandStatement(text);
        FCommand->Execute();
        FRowsAffected += FCommand->RowsAffected();
        return true;
    } catch (const EAbort&) {
        return false;  // a break during the statement: stop quietly
    } catch (const std::exception& e) {
        FErrorOffset = FStmtOffset;
        TErrorAction action = eaException;
        if (OnError) OnError(*this, e, Trim(text), action);
        switch (action) {
            case eaAbort: return false;
            case eaFail: throw;
            case eaException: HandleApplicationException(e); return true;
            case eaContinue: return true;
        }
        return true;
    }
}

}  // namespace brevant
