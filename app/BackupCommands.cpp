#include "app/BackupCommands.h"

#include <filesystem>

#include "app/ConnectionKind.h"
#include "app/OpenDialog.h"
#include "app/ProgressDialog.h"
#include "core/ScopeExit.h"
#include "data/TDataSet.h"
#include "data/TField.h"
#include "mysql/client/TCustomMyConnection.h"
#include "script/TMyDump.h"

namespace brevant {
namespace {

// Success writes panel 0 only: after "Backup Tablas" panel 1 keeps the listing's
// last after-scroll count.
StatusText::TOutcome Ok() { return {QString::fromUtf16(StatusText::CommandOk), QString(), true}; }
StatusText::TOutcome Failed() { return {QString::fromUtf16(StatusText::CommandFailed), QString()}; }
StatusText::TOutcome Cancelled() { return {QString::fromUtf16(StatusText::CommandCancelled), QString()}; }

UString Decimal(int n) {
    const std::string s = std::to_string(n);
    return UString(s.begin(), s.end());
}

/// Shows the dump's progress while a backup runs and breaks it when the user asks;
/// `cancelled` tells afterwards whether the failure that followed was the user's. A
/// handler already on the dump still hears every step.
class TBackupProgress {
public:
    TBackupProgress(TMyDump& dump, IProgress* progress) : dump_(dump), saved_(dump.OnBackupProgress) {
        if (!progress) return;
        dump_.OnBackupProgress = [this, progress](TMyDump& sender, const UString& name, int num, int count, int percent) {
            if (saved_) saved_(sender, name, num, count, percent);
            // Overall: the objects done plus this one's share.
            const int overall = count > 0 ? ((num - 1) * 100 + percent) / count : percent;
            const UString what = u"Tabla " + Decimal(num) + u" de " + Decimal(count) + u": " + name;
            if (progress->Step(what, overall) && !cancelled) {
                cancelled = true;
                sender.BreakBackup();
            }
        };
    }
    ~TBackupProgress() { dump_.OnBackupProgress = saved_; }
    TBackupProgress(const TBackupProgress&) = delete;
    TBackupProgress& operator=(const TBackupProgress&) = delete;

    bool cancelled = false;

private:
    TMyDump& dump_;
    TMyDump::TBackupProgressEvent saved_;
};

/// Begin and End of a progress display around one run.
class TProgressRun {
public:
    TProgressRun(IProgress* progress, const QString& title) : progress_(progress) {
        if (progress_) progress_->Begin(title);
    }
    ~TProgressRun() {
        if (progress_) progress_->End();
    }
    TProgressRun(const TProgressRun&) = delete;
    TProgressRun& operator=(const TProgressRun&) = delete;

private:
    IProgress* progress_;
};

}  // namespace

std::optional<StatusText::TOutcome> TBackupCommand::Run(int kind, TMyDumpObjects objects) {
    dump_.Objects = objects;
    if (kind != ckMySQL && kind != ckMySQLEmbedded) return std::nullopt;
    const TProgressRun run(progress_, QStringLiteral(u"Backup"));
    TBackupProgress progress(dump_, progress_);
    try {
        dump_.TableNameList().clear();
        dump_.SetConnection(&myConn_);
        dump_.BackupToFile(FileNamePart(myConn_.Database()) + ".sql");
    } catch (...) {
        // The layer's own message is not shown.
        return progress.cancelled ? Cancelled() : Failed();
    }
    return Ok();
}

std::optional<StatusText::TOutcome> TBackupTablesCommand::Run(int kind, TDataSet& listing) {
    dump_.Objects = doTables | doData;
    if (kind != ckMySQL && kind != ckMySQLEmbedded) return std::nullopt;
    const std::string folder = FileNamePart(myConn_.Database());
    std::error_code ignored;  // a folder that cannot be made fails each table instead
    std::filesystem::create_directory(folder, ignored);
    dump_.SetConnection(&myConn_);
    const TProgressRun run(progress_, QStringLiteral(u"Backup Tablas"));
    TBackupProgress progress(dump_, progress_);
    bool failed = false;
    // A listing that did not open fails here, and that error is the caller's.
    listing.First();
    while (!listing.Eof()) {
        try {
            // The listed name is one table, whatever characters it holds.
            dump_.TableNameList() = {listing.Fields()[0].AsString()};
            dump_.BackupToFile(folder + "/" + FileNamePart(dump_.TableNames()) + ".sql");
        } catch (...) {
            if (progress.cancelled) return Cancelled();
            failed = true;
            if (ShowFailure) ShowFailure(Failed());
        }
        listing.Next();
    }
    return failed ? Failed() : Ok();
}

std::optional<StatusText::TOutcome> TRestoreCommand::Run(int kind) {
    if (kind != ckMySQL && kind != ckMySQLEmbedded) return std::nullopt;
    dump_.SetConnection(&myConn_);
    const std::optional<QString> file = dialog_.Execute();
    if (!file) return Ok();
    int failures = 0;
    bool cancelled = false;
    UString statement;  // the head of the statement at work, for the display
    // Each failing statement is still shown by the error report (the action stays
    // eaException) and the rest of the script runs.
    dump_.OnError = [&failures](TDAScript&, const std::exception&, const UString&, TErrorAction&) { ++failures; };
    // Handlers already on the dump still hear every statement and step.
    const TDAScript::TBeforeStatementExecuteEvent savedBefore = dump_.BeforeExecute;
    const TDADump::TDumpProgressEvent savedProgress = dump_.OnRestoreProgress;
    if (progress_) {
        dump_.BeforeExecute = [&statement, &savedBefore](TDAScript& sender, UString& sql, bool& omit) {
            if (savedBefore) savedBefore(sender, sql, omit);
            statement.assign(sql, 0, std::min<std::size_t>(sql.size(), 200));
        };
        dump_.OnRestoreProgress = [this, &statement, &cancelled, &savedProgress](TDADump& sender, int percent) {
            if (savedProgress) savedProgress(sender, percent);
            if (progress_->Step(statement, percent) && !cancelled) {
                cancelled = true;
                sender.BreakRestore();
            }
        };
    }
    const ScopeExit reset([&] {
        dump_.OnError = nullptr;
        dump_.BeforeExecute = savedBefore;
        dump_.OnRestoreProgress = savedProgress;
    });
    const TProgressRun run(progress_, QStringLiteral(u"Restaura"));
    try {
        dump_.RestoreFromFile(file->toStdString());
    } catch (...) {
        return Failed();
    }
    if (cancelled && dump_.RestoreStopped()) return Cancelled();
    return failures ? Failed() : Ok();
}

}  // namespace brevant
