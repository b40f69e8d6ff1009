#pragma once
// The embedded-server connection component: the MySQL connection component
// with the server's start arguments as properties. Its session always uses the
// embedded implementation of the operation set.

#include <functional>

#include "core/TStrings.h"
#include "mysql/client/TCustomMyConnection.h"

namespace brevant {

class TMySQLAPIEmbedded;

class TMyEmbConnection : public TCustomMyConnection {
public:
    using TLogEvent = std::function<void(const UString& text)>;

    /// Starts with BaseDir "." and DataDir "data".
    explicit TMyEmbConnection(UString name = UString());
    ~TMyEmbConnection() override;

    /// One argument per line: "--name=value".
    const TStrings& Params() const { return FParams; }
    void SetParams(const TStrings& value);
    /// The value of the "--basedir" line; setting replaces it, appends the line,
    /// or (empty) removes it.
    UString BaseDir() const { return ParamValue(u"--basedir"); }
    void SetBaseDir(const UString& value) { SetParamValue(u"--basedir", value); }
    UString DataDir() const { return ParamValue(u"--datadir"); }
    void SetDataDir(const UString& value) { SetParamValue(u"--datadir", value); }

    const TLogEvent& OnLog() const { return FOnLog; }
    void SetOnLog(TLogEvent value);
    const TLogEvent& OnLogError() const { return FOnLogError; }
    void SetOnLogError(TLogEvent value);

    UString GetClientVersion() override;

protected:
    void SetBaseConnectionProps(TCRConnection& session) override;
    void DoConnect() override;
    void DoDisconnect() override;

private:
    UString ParamValue(UStringView name) const;
    void SetParamValue(UStringView name, const UString& value);
    /// The start arguments as the session takes them: the text trimmed, in lines.
    std::vector<UString> ParamLines() const;
    /// The implementation the log listeners go to (none when it is not embedded).
    TMySQLAPIEmbedded* EmbeddedAPI() const;
    void RegisterLogs();
    void UnRegisterLogs();

    TStrings FParams;
    TLogEvent FOnLog, FOnLogError;
    TMySQLAPIEmbedded* FLogsAt = nullptr;  // where the listeners are registered
};

}  // namespace brevant
