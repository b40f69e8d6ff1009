#include "paths/TMyEmbConnection.h"

#include "core/ScopeExit.h"
#include "mysql/client/MySQLAPIs.h"
#include "paths/TMySQLAPIEmbedded.h"

namespace brevant {

TMyEmbConnection::TMyEmbConnection(UString name) : TCustomMyConnection(std::move(name)) {
    SetBaseDir(u".");
    SetDataDir(u"data");
}

TMyEmbConnection::~TMyEmbConnection() {
    try {
        PerformDisconnect();
    } catch (...) {
    }
    UnRegisterLogs();
}

void TMyEmbConnection::SetParams(const TStrings& value) {
    CheckInactive();
    FParams = value;
}

UString TMyEmbConnection::ParamValue(UStringView name) const {
    for (const UString& line : FParams.Lines()) {
        const auto eq = line.find(u'=');
        if (eq != UString::npos && UStringView(line).substr(0, eq) == name) return line.substr(eq + 1);
    }
    return UString();
}

void TMyEmbConnection::SetParamValue(UStringView name, const UString& value) {
    CheckInactive();
    TStrings lines;
    bool replaced = false;
    for (const UString& line : FParams.Lines()) {
        const auto eq = line.find(u'=');
        if (!replaced && eq != UString::npos && UStringView(line).substr(0, eq) == name) {
            replaced = true;
            if (!value.empty()) lines.Add(UString(name) + u"=" + value);
            continue;
        }
        lines.Add(line);
    }
    if (!replaced && !value.empty()) lines.Add(UString(name) + u"=" + value);
    FParams = lines;
}

void TMyEmbConnection::SetOnLog(TLogEvent value) {
    CheckInactive();
    FOnLog = std::move(value);
}

void TMyEmbConnection::SetOnLogError(TLogEvent value) {
    CheckInactive();
    FOnLogError = std::move(value);
}

std::vector<UString> TMyEmbConnection::ParamLines() const {
    TStrings lines;
    lines.SetText(Trim(FParams.Text()));
    return lines.Lines();
}

void TMyEmbConnection::SetBaseConnectionProps(TCRConnection& session) {
    TCustomMyConnection::SetBaseConnectionProps(session);
    session.SetProp(prEmbedded, true);
    session.SetProp(prEmbParams, ParamLines());
}

TMySQLAPIEmbedded* TMyEmbConnection::EmbeddedAPI() const {
    if (TMySQLConnection* s = Session())
        if (TMySQLAPI* api = s->GetMySQLAPI()) return dynamic_cast<TMySQLAPIEmbedded*>(api);
    try {
        return dynamic_cast<TMySQLAPIEmbedded*>(&GetMySQLAPI(akEmbedded));
    } catch (const EDatabaseError&) {
        return nullptr;  // not installed: the connect says so
    }
}

void TMyEmbConnection::RegisterLogs() {
    UnRegisterLogs();
    if (!FOnLog && !FOnLogError) return;
    FLogsAt = EmbeddedAPI();
    if (!FLogsAt) return;
    if (FOnLog) FLogsAt->RegisterOnLogEvent(this, FOnLog);
    if (FOnLogError) FLogsAt->RegisterOnLogErrorEvent(this, FOnLogError);
}

void TMyEmbConnection::UnRegisterLogs() {
    if (!FLogsAt) return;
    FLogsAt->UnRegisterOnLogEvent(this);
    FLogsAt->UnRegisterOnLogErrorEvent(this);
    FLogsAt = nullptr;
}

void TMyEmbConnection::DoConnect() {
    if (TMySQLConnection* s = Session()) s->SetProp(prEmbParams, ParamLines());
    RegisterLogs();
    try {
        TCustomMyConnection::DoConnect();
    } catch (...) {
        UnRegisterLogs();
        throw;
    }
}

void TMyEmbConnection::DoDisconnect() {
    const ScopeExit unregister([this] { UnRegisterLogs(); });
    TCustomMyConnection::DoDisconnect();
}

UString TMyEmbConnection::GetClientVersion() {
    CreateIConnection();
    return FIConnection->GetClientVersion();
}

}  // namespace brevant
