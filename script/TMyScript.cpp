#include "script/TMyScript.h"

#include "core/ScopeExit.h"
#include "mysql/client/TMySQLConnection.h"
#include "script/lexer/TMyScriptProcessor.h"

namespace brevant {

using TMyScriptCommand = TScriptCommand<TMyCommand>;

std::unique_ptr<TDAScriptProcessor> TMyScript::CreateProcessor() { return std::make_unique<TMyScriptProcessor>(); }

std::unique_ptr<TCustomDASQL> TMyScript::CreateCommand() {
    auto command = std::make_unique<TMyScriptCommand>();
    command->AutoCommit = false;
    command->BeforeExecute = [this](TCustomDASQL&) { ForceStreamEncoding(); };
    return command;
}

void TMyScript::SetCommandStatement(const UString& text) {
    static_cast<TMyScriptCommand&>(*FCommand).SetStatementText(text, FScanParams);
}

void TMyScript::Execute() {
    const UString delimiter = FDelimiter;
    const ScopeExit restore([&] { FDelimiter = delimiter; });
    TDAScript::Execute();
}

bool TMyScript::ExecuteNext() {
    auto* command = static_cast<TMyCommand*>(FCommand.get());
    const int timeout = command ? command->CommandTimeout() : 0;
    const ScopeExit keep([&] {
        if (command) command->SetCommandTimeout(timeout);
    });
    return TDAScript::ExecuteNext();
}

void TMyScript::DoStatementStart(int /*statementType*/, bool& omit) {
    FForceWanted = !omit && FStream != nullptr;
}

void TMyScript::ForceStreamEncoding() {
    if (!FForceWanted || FForcedSession) return;
    TMySQLConnection* session = Connection() ? Connection()->Session() : nullptr;
    if (!session) return;
    FForcedSession = session;
    FSavedUseUnicode = session->UseUnicode();
    FSavedIsUtf8 = session->IsUtf8();
    const bool unicode = FStreamEncoding != peAnsi;
    session->SetTextEncoding(unicode, unicode);
}

void TMyScript::DoStatementEnd() {
    FForceWanted = false;
    if (!FForcedSession) return;
    // Only the session the flags were taken from gets them back: after a reconnect
    // the new session has its own.
    if (Connection() && Connection()->Session() == FForcedSession)
        FForcedSession->SetTextEncoding(FSavedUseUnicode, FSavedIsUtf8);
    FForcedSession = nullptr;
}

}  // namespace brevant
