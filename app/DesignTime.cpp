#include "app/DesignTime.h"

#include "mysql/client/TCustomMyConnection.h"

namespace brevant {

void DesignMyConn(TMyConnection& conn) {
    conn.Options().SetUseUnicode(true);
    conn.Options().SetCharset(u"latin1");
    conn.Options().SetIPVersion(ivIPBoth);
    conn.SetUsername(u"root");
    conn.SetServer(u"localhost");
    conn.SetLoginPrompt(false);
}

}  // namespace brevant
