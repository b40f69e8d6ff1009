#include "mysql/wire/TMySqlStmt.h"

#include <algorithm>
#include <cstring>

#include "mysql/wire/EMySqlException.h"
#include "mysql/wire/MySqlTypes.h"
#include "mysql/wire/TMySqlResultSet.h"
#include "mysql/wire/TMySqlSession.h"
#include "mysql/wire/WireCodec.h"

namespace brevant {

TMySqlStmt::TMySqlStmt(TMySqlSession* session) : fsession(session) {
    if (fsession) fsession->FStmts.push_back(this);
}

TMySqlStmt::~TMySqlStmt() {
    try {
        Close();
    } catch (...) {
    }
    if (fsession) std::erase(fsession->FStmts, this);
}

void TMySqlStmt::Detach() {
    if (FResult) FResult->Detach();
    fsession = nullptr;
}

void TMySqlStmt::RequireSession() const {
    if (!fsession) throw EMySqlException(CR_SERVER_GONE_ERROR);
}

void TMySqlStmt::Prepare(const char* query, std::size_t length) {
    RequireSession();
    Close();
    TMySqlSession& s = *fsession;
    s.SimpleCommand(scPrepare, reinterpret_cast<const std::uint8_t*>(query), length, false);
    s.net.SetPosition(0);
    if (s.net.ReadByte() != 0) throw EMySqlException(CR_MALFORMED_PACKET);
    FStmtId = static_cast<std::uint32_t>(s.net.ReadInt32());
    const std::uint16_t columns = s.net.ReadUInt16();
    const std::uint16_t params = s.net.ReadUInt16();
    FPrepared = true;
    FParams.clear();
    FFields.clear();
    if (params) s.ReadColumnDefinitions(params, FParams);
    if (columns) s.ReadColumnDefinitions(columns, FFields);
    FLongDataSent.assign(params, false);
    FParamBinds = FResultBinds = nullptr;
}

void TMySqlStmt::BindParams(TMySqlStmtBind* binds) { FParamBinds = binds; }
void TMySqlStmt::BindResult(TMySqlStmtBind* binds) { FResultBinds = binds; }

void TMySqlStmt::SendLongData(std::uint32_t param, const char* data, std::size_t length) {
    RequireSession();
    if (!FPrepared) throw EMySqlException(CR_NO_PREPARE_STMT);
    if (param >= ParamCount()) throw EMySqlException(CR_INVALID_PARAMETER_NO);
    std::vector<std::uint8_t> payload;
    payload.reserve(6 + length);
    AppendLE(payload, FStmtId, 4);
    AppendLE(payload, param, 2);
    payload.insert(payload.end(), data, data + length);
    fsession->SimpleCommand(scLongData, payload.data(), payload.size(), true);  // no answer
    FLongDataSent[param] = true;
}

void TMySqlStmt::Execute() {
    RequireSession();
    if (!FPrepared) throw EMySqlException(CR_NO_PREPARE_STMT);
    if (ParamCount() && !FParamBinds) throw EMySqlException(CR_PARAMS_NOT_BOUND);
    FreeResult();
    TMySqlSession& s = *fsession;

    std::vector<std::uint8_t> payload;
    AppendLE(payload, FStmtId, 4);
    payload.push_back(0);     // no cursor
    AppendLE(payload, 1, 4);  // iteration count
    const std::uint32_t n = ParamCount();
    if (n) {
        std::vector<std::uint8_t> nullBitmap((n + 7) / 8, 0);
        for (std::uint32_t i = 0; i < n; ++i) {
            const TMySqlStmtBind& b = FParamBinds[i];
            if ((b.IsNull && *b.IsNull) || b.BufferType == MYSQL_TYPE_NULL) nullBitmap[i / 8] |= 1u << (i % 8);
        }
        payload.insert(payload.end(), nullBitmap.begin(), nullBitmap.end());
        payload.push_back(1);  // types follow
        for (std::uint32_t i = 0; i < n; ++i) {
            payload.push_back(FParamBinds[i].BufferType);
            payload.push_back(FParamBinds[i].IsUnsigned ? 0x80 : 0);
        }
        for (std::uint32_t i = 0; i < n; ++i) {
            const TMySqlStmtBind& b = FParamBinds[i];
            if ((nullBitmap[i / 8] >> (i % 8)) & 1) continue;
            if (FLongDataSent[i]) continue;  // its value went ahead with scLongData
            const auto* data = static_cast<const std::uint8_t*>(b.Buffer);
            if (std::size_t w = BinaryTypeWidth(b.BufferType)) {
                payload.insert(payload.end(), data, data + w);
            } else {
                const std::size_t len = b.Length ? *b.Length : b.BufferLength;
                AppendLengthEncoded(payload, len);
                if (len) payload.insert(payload.end(), data, data + len);
            }
        }
    }
    s.SimpleCommand(scExecute, payload.data(), payload.size(), true);
    std::fill(FLongDataSent.begin(), FLongDataSent.end(), false);
    s.ReadQueryResult();
    affectedRows = s.affectedRows;
    insertId = s.insertId;
    if (s.status == msGetResult) {
        FResult = std::make_unique<TMySqlResultSet>(&s, std::move(s.fields), s.fieldCount, true);
        s.fields.clear();
        s.FResultSet = FResult.get();
        s.status = msUseResult;
    }
}

TMySqlBinds* TMySqlStmt::FetchRow() {
    FRow = FResult ? FResult->Fetch() : nullptr;
    return FRow;
}

int TMySqlStmt::Fetch() {
    if (!FetchRow()) return MYSQL_NO_DATA;
    if (!FResultBinds) return 0;
    bool truncated = false;
    for (std::uint32_t i = 0; i < FRow->Items.size(); ++i)
        truncated |= FetchColumn(&FResultBinds[i], i, 0) == MYSQL_DATA_TRUNCATED;
    return truncated ? MYSQL_DATA_TRUNCATED : 0;
}

int TMySqlStmt::FetchColumn(TMySqlStmtBind* bind, std::uint32_t column, std::uint32_t offset) {
    if (!FRow || column >= FRow->Items.size()) throw EMySqlException(CR_INVALID_PARAMETER_NO);
    const TMySqlBind& item = FRow->Items[column];
    if (bind->IsNull) *bind->IsNull = item.IsNull();
    if (item.IsNull()) {
        if (bind->Length) *bind->Length = 0;
        return 0;
    }
    if (bind->Length) *bind->Length = item.Length;
    const std::uint32_t start = std::min(offset, item.Length);
    const std::uint32_t available = item.Length - start;
    const std::uint32_t n = std::min(available, bind->BufferLength);
    if (n && bind->Buffer) std::memcpy(bind->Buffer, FRow->Buffer + item.Offset + start, n);
    const bool truncated = n < available;
    if (bind->Error) *bind->Error = truncated;
    return truncated ? MYSQL_DATA_TRUNCATED : 0;
}

void TMySqlStmt::FreeResult() {
    if (!FResult) return;
    if (fsession && !FResult->Eof() && fsession->FResultSet == FResult.get()) {
        FResult->Detach();
        fsession->FreeQuery();
    }
    FResult.reset();
    FRow = nullptr;
}

void TMySqlStmt::Close() {
    if (!FPrepared) return;
    FPrepared = false;
    FreeResult();
    if (!fsession) return;
    std::uint8_t id[4];
    StoreLE(id, FStmtId, 4);
    fsession->SimpleCommand(scCloseStmt, id, sizeof id, true);  // the server does not answer
}

}  // namespace brevant
