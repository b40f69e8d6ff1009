#include "app/ConnectCommand.h"

#include "app/ConnectionKind.h"
#include "app/Conversions.h"
#include "app/StatusTexts.h"
#include "mysql/client/TCustomMyConnection.h"
#include "paths/FDConn.h"
#include "paths/TMyEmbConnection.h"

namespace brevant {

void TConnectCommand::ConfigureMySQL(const TConnectionRow& row) {
    myConn_.Close();
    myConn_.SetLoginPrompt(false);
    myConn_.SetDatabase(row.database);
    myConn_.SetServer(row.server);
    myConn_.SetUsername(row.user);
    myConn_.SetPassword(row.password);
    myConn_.SetPort(StrToInt(row.port));  // not guarded: the conversion error is the user's to see
}

void TConnectCommand::ConfigureEmbedded(const TConnectionRow& row) {
    myEmbConn_.Close();
    myEmbConn_.SetParams(TStrings());  // the layout's start arguments go
    myEmbConn_.SetLoginPrompt(false);
    myEmbConn_.SetServer(u"localhost");
    myEmbConn_.SetDatabase(row.database);
    myEmbConn_.SetBaseDir(row.server);
    myEmbConn_.SetDataDir(row.dataDir);
    myEmbConn_.SetUsername(row.user);
    myEmbConn_.SetPassword(row.password);
}

void TConnectCommand::ConfigureAccess(const TConnectionRow& row) {
    fdConn_.Close();
    fdConn_.Params.Clear();
    fdConn_.LoginPrompt = false;
    fdConn_.DriverName = u"MsAcc";
    fdConn_.Params.Add(u"DriverId=MsAcc");
    fdConn_.Params.Add(u"Database=" + row.database);
    fdConn_.Params.Add(u"User_name=" + row.user);
    fdConn_.Params.Add(u"Password=" + row.password);
}

std::optional<QString> TConnectCommand::Run(int kind, const TConnectionRow& row) {
    switch (kind) {
    case ckMySQL: ConfigureMySQL(row); break;
    case ckMySQLEmbedded: ConfigureEmbedded(row); break;
    case ckAccess: ConfigureAccess(row); break;
    default: return std::nullopt;
    }
    try {
        if (kind == ckAccess) fdConn_.Open();
        else if (kind == ckMySQLEmbedded) myEmbConn_.Open();
        else myConn_.Open();
    } catch (...) {
        // The layer's own message is not shown; the connection stays closed.
        return QString::fromUtf16(StatusText::ConnectFailed);
    }
    return QString::fromUtf16(StatusText::ConnectOk);
}

}  // namespace brevant
