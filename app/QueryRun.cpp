#include "app/QueryRun.h"

#include "app/ConnectionKind.h"
#include "data/TDataSource.h"
#include "data/TMyQuery.h"
#include "paths/FDQuery.h"
#include "paths/TMyEmbConnection.h"

namespace brevant {

void TQueryRun::OpenMySQL(int kind, const UString& text) {
    dataSource_.SetDataSet(&myQuery_);
    if (kind == ckMySQLEmbedded) myQuery_.SetConnection(&myEmbConn_);
    else myQuery_.SetConnection(&myConn_);
    myQuery_.Close();
    myQuery_.SQLClear();
    myQuery_.SQLAdd(text);  // the pane's text as it is, one addition
    myQuery_.Open();
}

void TQueryRun::OpenAccess(const UString& text) {
    dataSource_.SetDataSet(&fdQuery_);
    fdQuery_.Connection = &fdConn_;
    fdQuery_.Close();
    fdQuery_.SQL.Clear();
    fdQuery_.SQL.Add(text);
    fdQuery_.Open();
}

std::optional<StatusText::TOutcome> TQueryRun::Run(int kind, const UString& text) {
    if (kind != ckMySQL && kind != ckMySQLEmbedded && kind != ckAccess) return std::nullopt;
    QString counts;
    try {
        if (kind == ckAccess) {
            OpenAccess(text);
            counts = StatusText::RecordsTotal(fdQuery_.RecordCount());
        } else {
            OpenMySQL(kind, text);
            counts = kind == ckMySQLEmbedded ? StatusText::RecordTotal(myQuery_.RecordCount())
                                             : StatusText::Records(myQuery_.RecNo(), myQuery_.RecordCount());
        }
    } catch (...) {
        // The layer's own message is not shown.
        return StatusText::TOutcome{QString::fromUtf16(StatusText::QueryFailed), QString()};
    }
    return StatusText::TOutcome{QString::fromUtf16(StatusText::QueryOk), counts};
}

}  // namespace brevant
