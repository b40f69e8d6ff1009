#include "app/QueryRun.h"

#include "app/ConnectionKind.h"
#include "data/TDataSource.h"
#include "data/TMyQuery.h"

namespace brevant {

std::optional<StatusText::TOutcome> TQueryRun::Run(int kind, const UString& text) {
    if (kind != ckMySQL) return std::nullopt;
    try {
        dataSource_.SetDataSet(&myQuery_);
        myQuery_.SetConnection(&myConn_);
        myQuery_.Close();
        myQuery_.SQLClear();
        myQuery_.SQLAdd(text);  // the pane's text as it is, one addition
        myQuery_.Open();
    } catch (...) {
        // The layer's own message is not shown.
        return StatusText::TOutcome{QString::fromUtf16(StatusText::QueryFailed), QString()};
    }
    return StatusText::TOutcome{QString::fromUtf16(StatusText::QueryOk),
                                StatusText::Records(myQuery_.RecNo(), myQuery_.RecordCount())};
}

}  // namespace brevant
