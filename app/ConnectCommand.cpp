#include "app/ConnectCommand.h"

#include "app/ConnectionKind.h"
#include "app/Conversions.h"
#include "app/StatusTexts.h"
#include "mysql/client/TCustomMyConnection.h"

namespace brevant {

std::optional<QString> TConnectCommand::Run(int kind, const TConnectionRow& row) {
    if (kind != ckMySQL) return std::nullopt;
    myConn_.Close();
    myConn_.SetLoginPrompt(false);
    myConn_.SetDatabase(row.database);
    myConn_.SetServer(row.server);
    myConn_.SetUsername(row.user);
    myConn_.SetPassword(row.password);
    myConn_.SetPort(StrToInt(row.port));  // not guarded: the conversion error is the user's to see
    try {
        myConn_.Open();
    } catch (...) {
        // The layer's own message is not shown; the connection stays closed.
        return QString::fromUtf16(StatusText::ConnectFailed);
    }
    return QString::fromUtf16(StatusText::ConnectOk);
}

}  // namespace brevant
