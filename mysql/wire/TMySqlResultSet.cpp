#include "mysql/wire/TMySqlResultSet.h"

#include "mysql/wire/EMySqlException.h"
#include "mysql/wire/PacketReader.h"
#include "mysql/wire/TMySqlSession.h"
#include "mysql/wire/WireCodec.h"

namespace brevant {

TMySqlResultSet::TMySqlResultSet(TMySqlSession* session, std::vector<TMySqlFieldInfo> fields,
                                 std::uint32_t fieldCount, bool prepared)
    : ffieldCount(fieldCount), ffields(std::move(fields)), fsession(session), FIsPrepared(prepared) {
    FBinds.Items.resize(ffieldCount);
    if (FIsPrepared)
        for (const auto& f : ffields) FBinaryTypes.push_back(f.MyType);
}

TMySqlResultSet::~TMySqlResultSet() { Detach(); }

void TMySqlResultSet::Detach() {
    if (fsession && fsession->FResultSet == this) fsession->FResultSet = nullptr;
    fsession = nullptr;
}

void TMySqlResultSet::Decode(std::span<const std::uint8_t> row) {
    DecodeResult r = FIsPrepared ? DecodeBinaryRow(row, FBinaryTypes, FBinds.Items) : DecodeTextRow(row, FBinds.Items);
    if (r == DecodeResult::BadLengthByte) RaiseBadFieldLength();
    if (r != DecodeResult::Ok) throw EMySqlException(CR_MALFORMED_PACKET);
    FBinds.Buffer = row.data();
    FBinds.BufferLength = row.size();
    frowBuffer = row.data();
}

TMySqlBinds* TMySqlResultSet::Fetch() {
    if (FEof || !fsession) return nullptr;
    TMySqlSession& s = *fsession;
    try {
        s.net.ReceiveRow();
        auto packet = s.net.GetRowBytes();
        if (IsEndOfData(packet, s.IsProtocol41())) {
            ReadEndOfData(packet, s.warningCount, s.serverStatus);
            s.net.SetEof();
            s.status = msReady;
            FEof = true;
            return nullptr;
        }
        Decode(packet);
        return &FBinds;
    } catch (const Exception&) {
        // The stream is over: an error packet ends it, and after a broken packet
        // nothing more can be trusted. An error packet also ends the whole answer
        // (the server runs no further statement of the text), so a "more results"
        // announced before it no longer holds: kept, it would leave the session
        // refusing every command, or waiting for an answer that never comes.
        FEof = true;
        s.serverStatus &= ~SERVER_MORE_RESULTS_EXISTS;
        s.status = msReady;
        throw;
    }
}

TMySqlBinds* TMySqlResultSet::ReadRow(int index) {
    if (!fsession) RaiseInvalidRecordNumber();
    Decode(fsession->net.GetRows(index));
    return &FBinds;
}

void TMySqlResultSet::SetKeepRowCount(int n) {
    if (fsession && fsession->net.GetRowCount() != n) fsession->net.SetRowCount(n);
}

}  // namespace brevant
