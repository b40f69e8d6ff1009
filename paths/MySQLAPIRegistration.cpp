#include "paths/MySQLAPIRegistration.h"

#include "mysql/client/MySQLAPIs.h"
#include "paths/TMySQLAPIClient.h"
#include "paths/TMySQLAPIEmbedded.h"

namespace brevant {

// Never destroyed: the embedded server is stopped by its exit handler, after
// which nothing may call into the library again.
TMySQLAPIClient& MyAPIClient() {
    static auto* instance = new TMySQLAPIClient();
    return *instance;
}

TMySQLAPIEmbedded& MyAPIEmbedded() {
    static auto* instance = new TMySQLAPIEmbedded();
    return *instance;
}

void RegisterMySQLAPIs() {
    SetMySQLAPI(akClient, &MyAPIClient());
    SetMySQLAPI(akEmbedded, &MyAPIEmbedded());
}

}  // namespace brevant
