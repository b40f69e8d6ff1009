#pragma once
// The MySQL dump component: backs up the current database, or chosen tables, as an
// SQL script (a file, a stream or its SQL lines), and restores such a script with
// the MySQL runner, every statement sent exactly as written (no parameters, no
// macros).

#include <ostream>
#include <string>
#include <vector>

#include "mysql/client/TCustomMyConnection.h"
#include "script/DumpNames.h"
#include "script/TDADump.h"
#include "script/TMyDumpProcessor.h"
#include "script/TMyScript.h"

namespace brevant {

inline constexpr char16_t SNoSQLStatement[] = u"No SQL statement provided";
inline constexpr char16_t SBackupQueryOneTable[] = u"To execute BackupQuery TableNames must have not more than one table";

class TMyDump : public TDADump {
public:
    using TBackupProgressEvent =
        std::function<void(TMyDump& sender, const UString& objectName, int objectNum, int objectCount, int percent)>;

    explicit TMyDump(TCustomMyConnection* connection = nullptr) : TDADump(connection) {}

    TCustomMyConnection* Connection() const { return static_cast<TCustomMyConnection*>(FConnection); }
    void SetConnection(TCustomMyConnection* connection) { TDADump::SetConnection(connection); }

    TMyDumpObjects Objects = doTables | doData | doViews;
    TMyDumpOptions& Options() { return FOptions; }

    /// Set from text: split at "," and ";", trimmed, back-quotes removed; read back
    /// joined with ",", quoted where needed.
    UString TableNames() const { return JoinNameList(FTableNames); }
    void SetTableNames(UStringView text) { FTableNames = ParseNameList(text); }
    /// The names themselves: a name holding "," or "." is one table.
    std::vector<UString>& TableNameList() { return FTableNames; }
    UString StoredProcNames() const { return JoinNameList(FStoredProcNames); }
    void SetStoredProcNames(UStringView text) { FStoredProcNames = ParseNameList(text); }
    UString TriggerNames() const { return JoinNameList(FTriggerNames); }
    void SetTriggerNames(UStringView text) { FTriggerNames = ParseNameList(text); }

    TBackupProgressEvent OnBackupProgress;

    /// Writes to a new file in the target's folder and puts it in the target's place
    /// only when the whole backup succeeded, so a failure keeps the previous file.
    void BackupToFile(const std::string& fileName, const UString& query = {});
    void BackupToStream(std::ostream& stream, const UString& query = {});
    /// Into SQL.
    void Backup(const UString& query = {});
    /// The query's rows as INSERTs into the one table named (TableNames set aside).
    void BackupQuery(const UString& query);
    /// The tables and views of the current database, in the server's order.
    std::vector<UString> GetTableNames();
    /// Ends a running backup at the next row or object (EAbort).
    void BreakBackup() { FBreakBackup = true; }

protected:
    std::unique_ptr<TDAScript> CreateScript() override {
        auto script = std::make_unique<TMyScript>();
        script->SetScanParams(false);
        return script;
    }

private:
    /// The output's encoding by the session: UTF-16 with Unicode, UTF-8 for the utf8
    /// character set, else the system code page.
    TParserEncoding OutputEncoding();
    void RunBackup(TDumpWriter* writer, std::ostream* stream, const UString& query);

    TMyDumpOptions FOptions;
    std::vector<UString> FTableNames, FStoredProcNames, FTriggerNames;
    bool FBreakBackup = false;
};

}  // namespace brevant
