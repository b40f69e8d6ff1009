#pragma once
// The four backup and restore buttons as commands: each points the window's dump at
// the kind's connection, runs it and returns what panels 0 and 1 show; nullopt when
// the kind has no dump here (the run is then only the frame).

#include <functional>
#include <optional>
#include <string>
#include <vector>

#include "app/StatusTexts.h"
#include "core/Text.h"
#include "script/TMyDumpProcessor.h"

namespace brevant {

class IOpenDialog;
class TCustomMyConnection;
class TMyDump;

/// A table or database name as one file-name part: "/" and NUL (which would leave
/// the folder or cut the name) and "%" itself are written as %2F, %00 and %25, and a
/// name of only dots as %2E for each, so every name gives its own file.
std::string FileNamePart(UStringView name);

/// "Backup" (doTables, doData, doViews) and "Backup Estructura" (doTables, doViews):
/// one file, the database name + ".sql" in the current directory. The table list is
/// emptied first, so that the whole database is written.
class TBackupCommand {
public:
    TBackupCommand(TMyDump& dump, TCustomMyConnection& myConn) : dump_(dump), myConn_(myConn) {}
    std::optional<StatusText::TOutcome> Run(int kind, TMyDumpObjects objects);

private:
    TMyDump& dump_;
    TCustomMyConnection& myConn_;
};

/// "Backup Tablas": one file per listed table in the folder named after the
/// database. Every table is tried; a failed one is reported when the run ends.
class TBackupTablesCommand {
public:
    TBackupTablesCommand(TMyDump& dump, TCustomMyConnection& myConn) : dump_(dump), myConn_(myConn) {}
    /// `tables`: the listing's first column, row by row.
    std::optional<StatusText::TOutcome> Run(int kind, const std::vector<UString>& tables);

private:
    TMyDump& dump_;
    TCustomMyConnection& myConn_;
};

/// "Restaura": the file the user picks, run statement by statement. A failing
/// statement is shown through the application's error report and the rest runs;
/// the run then ends with the failure text.
class TRestoreCommand {
public:
    TRestoreCommand(TMyDump& dump, TCustomMyConnection& myConn, IOpenDialog& dialog)
        : dump_(dump), myConn_(myConn), dialog_(dialog) {}
    std::optional<StatusText::TOutcome> Run(int kind);

private:
    TMyDump& dump_;
    TCustomMyConnection& myConn_;
    IOpenDialog& dialog_;
};

}  // namespace brevant
