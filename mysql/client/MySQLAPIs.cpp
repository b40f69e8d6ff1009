#include "mysql/client/MySQLAPIs.h"

#include "core/Format.h"
#include "mysql/client/DAConsts.h"
#include "mysql/client/DAErrors.h"
#include "mysql/wire/TMySQLAPIDirect.h"

namespace brevant {

namespace {

TMySQLAPI* gInstalled[3] = {nullptr, nullptr, nullptr};

TMySQLAPI& DirectClient() {
    static TMySQLAPIDirect instance;  // one instance serves the whole process
    return instance;
}

const char16_t* KindName(TMySQLAPIKind kind) {
    switch (kind) {
        case akDirect: return u"The direct protocol client";
        case akClient: return u"The MySQL client library";
        case akEmbedded: return u"The embedded MySQL server";
    }
    return u"?";
}

}  // namespace

TMySQLAPI& GetMySQLAPI(TMySQLAPIKind kind) {
    if (TMySQLAPI* api = gInstalled[kind]) return *api;
    if (kind == akDirect) return DirectClient();
    DatabaseErrorFmt(SMySQLAPINotSupported, {KindName(kind)});
}

TMySQLAPI* SetMySQLAPI(TMySQLAPIKind kind, TMySQLAPI* api) {
    TMySQLAPI* previous = gInstalled[kind];
    gInstalled[kind] = api;
    return previous;
}

}  // namespace brevant
