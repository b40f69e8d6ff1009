#include "app/CommandRun.h"

#include "app/ConnectionKind.h"
#include "mysql/client/TMyCommand.h"

namespace brevant {

std::optional<StatusText::TOutcome> TCommandRun::Run(int kind, const UString& text) {
    if (kind != ckMySQL) return std::nullopt;
    try {
        myCommand_.SetConnection(&myConn_);
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
