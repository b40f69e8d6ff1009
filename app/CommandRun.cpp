#include "app/CommandRun.h"

#include "app/ConnectionKind.h"
#include "mysql/client/TMyCommand.h"
#include "paths/FDScript.h"
#include "paths/TMyEmbConnection.h"

namespace brevant {

std::optional<StatusText::TOutcome> TCommandRun::RunAccess(const UString& text) {
    fdCommand_.Connection = &fdConn_;
    const TFDScriptOutcome outcome = ExecSQLAccess(fdCommand_, text);
    const TFDSegmentOutcome* last = outcome.Last();
    if (!last) return std::nullopt;
    if (outcome.AnyFailed()) return StatusText::TOutcome{QString::fromUtf16(StatusText::CommandFailed), QString()};
    return StatusText::TOutcome{QString::fromUtf16(StatusText::CommandOk), StatusText::RowsAffected(last->RowsAffected)};
}

std::optional<StatusText::TOutcome> TCommandRun::Run(int kind, const UString& text) {
    if (kind == ckAccess) return RunAccess(text);
    if (kind != ckMySQL && kind != ckMySQLEmbedded) return std::nullopt;
    try {
        if (kind == ckMySQLEmbedded) myCommand_.SetConnection(&myEmbConn_);
        else myCommand_.SetConnection(&myConn_);
        TStrings sql;  // the statement cleared, then the pane's text added as it is
        sql.Add(text);
        myCommand_.SetSQL(sql);
        myCommand_.Execute();
    } catch (...) {
        // The layer's own message is not shown.
        return StatusText::TOutcome{QString::fromUtf16(StatusText::CommandFailed), QString()};
    }
    return StatusText::TOutcome{QString::fromUtf16(StatusText::CommandOk), StatusText::RowsAffected(myCommand_.RowsAffected())};
}

}  // namespace brevant
