#pragma once
// Writes a MySQL database, or chosen tables, as an SQL script: header, settings,
// structure from SHOW statements, rows as INSERT statements of at most about 16 KB
// read forward-only one row at a time (memory does not grow with the table), views
// after tables, routines and triggers when asked, and the settings put back.

#include <cstdint>
#include <functional>
#include <string>
#include <vector>

#include "core/Text.h"
#include "script/TDumpWriter.h"

namespace brevant {

class TCustomMyConnection;
class TMySQLConnection;

enum TMyDumpObject : int {
    doDatabase = 1,
    doUsers = 2,
    doStoredProcs = 4,
    doTables = 8,
    doData = 16,
    doViews = 32,
    doTriggers = 64,
};
using TMyDumpObjects = int;

enum TInsertType { itInsert, itInsertIgnore, itReplaceInto };

struct TMyDumpOptions {
    bool GenerateHeader = true;
    bool AddDrop = true;
    bool QuoteNames = false;
    bool CompleteInsert = false;
    bool AddLock = true;
    bool DisableKeys = false;
    bool HexBlob = false;
    bool UseExtSyntax = true;
    bool UseDelayedIns = false;
    int CommitBatchSize = 0;
    TInsertType InsertType = itInsert;
    bool FieldsAsString = false;
};

using TBackupProgressEvent =
    std::function<void(const UString& objectName, int objectNum, int objectCount, int percent)>;

/// The tables and views of the connection's current database (the session is open).
std::vector<UString> ListTableNames(TCustomMyConnection& connection);

/// The statement-size limit of extended INSERTs.
inline constexpr std::size_t kDumpStatementLimit = 16384;

class TMyDumpProcessor {
public:
    TMyDumpProcessor(TCustomMyConnection& connection, TDumpWriter& writer, const TMyDumpOptions& options,
                     TMyDumpObjects objects)
        : FConnection(connection), FWriter(writer), FOptions(options), FObjects(objects) {}

    std::vector<UString> TableNames, StoredProcNames, TriggerNames;
    TBackupProgressEvent OnProgress;
    /// Asked between rows and objects: true ends the backup with EAbort.
    std::function<bool()> Cancelled;

    /// The whole script; a non-empty query writes that query's rows for the one table.
    void Backup(const UString& query);

private:
    struct TTableEntry {
        UString Name;  // as listed
        bool IsView = false;
    };

    TMySQLConnection& Session() const;
    UString Quote(UStringView name) const;
    void WriteHeader();
    void AddSettings();
    void RestoreSettings();
    void BackupDatabase();
    void BackupUsers();
    std::vector<TTableEntry> ListTables();
    void BackupStructure(const TTableEntry& table, const UString& name);
    void BackupData(const UString& name, const UString& select, bool columnList, int num, int count);
    void BackupStoredProcs();
    void BackupTriggers();
    void CheckCancelled();

    TCustomMyConnection& FConnection;
    TDumpWriter& FWriter;
    TMyDumpOptions FOptions;
    TMyDumpObjects FObjects;
    UString FCharset;
    bool FHexBinary = false;  // binary values as 0x... (text conversion would lose their bytes)
};

}  // namespace brevant
