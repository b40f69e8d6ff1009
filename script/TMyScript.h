#pragma once
// The MySQL script runner: the MySQL splitter, a TMyCommand per script, and, for a
// script read from a stream, each statement sent in the stream's own encoding (UTF-8
// for a UTF-16 or UTF-8 script, the system code page for an 8-bit one) whatever the
// connection's settings, which are put back after the statement.

#include "mysql/client/TCustomMyConnection.h"
#include "mysql/client/TMyCommand.h"
#include "script/TDAScript.h"

namespace brevant {

class TMySQLConnection;

class TMyScript : public TDAScript {
public:
    explicit TMyScript(TCustomMyConnection* connection = nullptr) : TDAScript(connection) {}

    TCustomMyConnection* Connection() const { return static_cast<TCustomMyConnection*>(FConnection); }
    void SetConnection(TCustomMyConnection* connection) { TDAScript::SetConnection(connection); }
    /// Statements collected and sent together (not used by restores).
    bool UseOptimization = false;

    /// A DELIMITER command in the script changes the current delimiter only.
    void Execute() override;
    /// Keeps the command's time limit across the statement.
    bool ExecuteNext() override;

protected:
    std::unique_ptr<TDAScriptProcessor> CreateProcessor() override;
    std::unique_ptr<TCustomDASQL> CreateCommand() override;
    void SetCommandStatement(const UString& text) override;
    void DoStatementStart(int statementType, bool& omit) override;
    void DoStatementEnd() override;

private:
    /// Called by the command once its session is open, just before the text is encoded.
    void ForceStreamEncoding();

    bool FForceWanted = false;
    TMySQLConnection* FForcedSession = nullptr;
    bool FSavedUseUnicode = false;
    bool FSavedIsUtf8 = false;
};

}  // namespace brevant
