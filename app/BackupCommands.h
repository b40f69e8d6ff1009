#pragma once
// The four backup and restore buttons as commands: each points the window's dump at
// the kind's connection, runs it and returns what panels 0 and 1 show; nullopt when
// the kind has no dump here (the run is then only the frame). With a progress display
// the run shows its table or statement and can be cancelled there: a cancelled
// backup keeps the previous file, a cancelled restore stops after the statement that
// is running; either ends with "Comando cancelado.".

#include <functional>
#include <optional>
#include <string>
#include <vector>

#include "script/DumpNames.h"
#include "app/StatusTexts.h"
#include "core/Text.h"
#include "script/TMyDumpProcessor.h"

namespace brevant {

class IOpenDialog;
class IProgress;
class TCustomMyConnection;
class TDataSet;
class TMyDump;

/// "Backup" (doTables, doData, doViews) and "Backup Estructura" (doTables, doViews):
/// one file, the database name + ".sql" in the current directory. The table list is
/// emptied first, so that the whole database is written.
class TBackupCommand {
public:
    TBackupCommand(TMyDump& dump, TCustomMyConnection& myConn, IProgress* progress = nullptr)
        : dump_(dump), myConn_(myConn), progress_(progress) {}
    std::optional<StatusText::TOutcome> Run(int kind, TMyDumpObjects objects);

private:
    TMyDump& dump_;
    TCustomMyConnection& myConn_;
    IProgress* progress_;
};

/// "Backup Tablas": one file per row of the listing, in the folder named after the
/// database. The listing is walked from its first row (its current record moves, so
/// whatever follows it sees each step); a listing that is not open fails there and
/// the error goes to the caller. Every table is tried; a failed one shows its failure
/// through `ShowFailure` at once and again when the run ends.
class TBackupTablesCommand {
public:
    TBackupTablesCommand(TMyDump& dump, TCustomMyConnection& myConn, IProgress* progress = nullptr)
        : dump_(dump), myConn_(myConn), progress_(progress) {}
    /// `listing`: the table names in its first field, row by row.
    std::optional<StatusText::TOutcome> Run(int kind, TDataSet& listing);

    std::function<void(const StatusText::TOutcome&)> ShowFailure;

private:
    TMyDump& dump_;
    TCustomMyConnection& myConn_;
    IProgress* progress_;
};

/// "Restaura": the file the user picks, run statement by statement. A failing
/// statement is shown through the application's error report and the rest runs;
/// the run then ends with the failure text.
class TRestoreCommand {
public:
    TRestoreCommand(TMyDump& dump, TCustomMyConnection& myConn, IOpenDialog& dialog, IProgress* progress = nullptr)
        : dump_(dump), myConn_(myConn), dialog_(dialog), progress_(progress) {}
    std::optional<StatusText::TOutcome> Run(int kind);

private:
    TMyDump& dump_;
    TCustomMyConnection& myConn_;
    IOpenDialog& dialog_;
    IProgress* progress_;
};

}  // namespace brevant
