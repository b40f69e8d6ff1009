// Arbitrary bytes as a server's answer to a query, through the whole session
// path: result header, column definitions, rows, local-file requests. Whatever
// arrives ends in rows or in an error, never in a crash or a read out of bounds.

#include <cstddef>
#include <cstdint>
#include <memory>
#include <vector>

#include "mysql/wire/TCRVioMemory.h"
#include "mysql/wire/TMySqlResultSet.h"
#include "mysql/wire/TMySqlSession.h"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    if (size < 1) return 0;
    brevant::TMySqlSession s;
    auto vio = std::make_unique<brevant::TCRVioMemory>();
    vio->Feed(std::vector<std::uint8_t>(data + 1, data + size));
    s.net.SetVio(std::move(vio));
    s.net.SetMaxAllowedPacket(1 << 20);
    s.serverCapabilities = 0xFFFFFFFF;
    s.FClientFlag = (data[0] & 1) ? brevant::CLIENT_PROTOCOL_41 : 0;
    s.net.SetCompress(data[0] & 2);
    const std::uint8_t query[] = "SELECT 1";
    try {
        s.SimpleCommand(brevant::scQuery, query, sizeof query - 1, true);
        s.ReadQueryResult();
        for (int results = 0; results < 4; ++results) {
            std::unique_ptr<brevant::TMySqlResultSet> r(s.UseResult());
            if (r) {
                if (data[0] & 4) r->SetKeepRowCount(3);
                while (brevant::TMySqlBinds* row = r->Fetch()) {
                    if (data[0] & 4) r->ReadRow(0);
                    (void)row;
                }
            }
            if (!s.NextResult()) break;
        }
    } catch (const brevant::Exception&) {
    }
    return 0;
}
