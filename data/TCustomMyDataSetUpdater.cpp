#include "data/TCustomMyDataSetUpdater.h"

#include "data/TCustomMyDataSet.h"
#include "mysql/client/DAErrors.h"
#include "mysql/client/TMySQLConnection.h"

namespace brevant {

namespace {
constexpr char16_t SUpdateFailed[] = u"Update failed. Found %d records";
constexpr char16_t SUnknownParamType[] = u"Unknown data type of parameter %s";
}  // namespace

TCustomMyDataSetUpdater::TCustomMyDataSetUpdater(TCustomMyDataSet& dataSet, TCustomMyDataSetService& service)
    : FDataSet(dataSet), FGenerator(service) {}

TCustomMyDataSetUpdater::~TCustomMyDataSetUpdater() = default;

UString TCustomMyDataSetUpdater::CustomSQL(TStatementType type) const {
    const TStrings* lines = nullptr;
    switch (type) {
        case stInsert: lines = &FDataSet.SQLInsert; break;
        case stUpdate: lines = &FDataSet.SQLUpdate; break;
        case stDelete: lines = &FDataSet.SQLDelete; break;
        case stRefresh: lines = &FDataSet.SQLRefresh; break;
        case stLock: lines = &FDataSet.SQLLock; break;
        default: return {};
    }
    return lines->Empty() ? UString() : lines->Text();
}

void TCustomMyDataSetUpdater::CustomParams(TMySQLCommand& command) {
    FParamInfos.clear();
    TMemData& data = FDataSet.Data();
    for (const TParamDesc& p : command.Params()) {
        TDAParamInfo info;
        info.ParamName = p.Name;
        UStringView name = p.Name;
        if (name.size() > 4 && (name.substr(0, 4) == u"Old_" || name.substr(0, 4) == u"OLD_")) {
            info.Old = true;
            name.remove_prefix(4);
        }
        for (auto& d : data.Fields())
            if (d->FieldDescKind == fdkData && d->Name == name) { info.Field = d.get(); break; }
        if (!info.Field) info.Old = false;
        FParamInfos.push_back(std::move(info));
    }
}

bool TCustomMyDataSetUpdater::PerformSQL(TStatementType type) {
    TMemData& data = FDataSet.Data();
    auto* newRec = reinterpret_cast<std::byte*>(FDataSet.ActiveBuffer());
    std::byte* oldRec = newRec;
    if (type != stInsert && data.CurrentItem()) oldRec = data.CurrentItem()->Record();
    if (type == stDelete) newRec = oldRec;

    TMySQLConnection* session =
        FDataSet.Connection() ? dynamic_cast<TMySQLConnection*>(FDataSet.Connection()->IConnection()) : nullptr;
    if (!session) DatabaseError(u"Connection is not defined");
    if (!FCommand) FCommand = std::make_unique<TMySQLCommand>();
    FCommand->SetConnection(session);

    UString sql = CustomSQL(type);
    const bool custom = !sql.empty();
    if (!custom)
        sql = FGenerator.GenerateSQL(FParamInfos, type, data, oldRec, newRec,
                                     !FDataSet.Options().UpdateAllFields);
    FLastSQL = sql;
    if (sql.empty()) return false;

    // Posts of the same fields repeat the same text: its parameters are found once.
    if (sql != FCommand->GetSQL() || FCommand->Params().size() != FParamInfos.size() || custom) {
        FCommand->SetSQL(sql);
        FCommand->SetScanParams(true);
        FCommand->ParseSQL();
    }
    if (custom) CustomParams(*FCommand);
    std::vector<TParamDesc>& params = FCommand->Params();
    if (params.size() != FParamInfos.size()) DatabaseError(u"Update statement parameters do not match its fields");
    for (std::size_t i = 0; i < params.size(); ++i) {
        TParamDesc& p = params[i];
        const TDAParamInfo& info = FParamInfos[i];
        if (info.Field) {
            p.DataType = info.Field->DataType;
            p.Value = data.GetDataAsVariant(*info.Field, info.Old ? oldRec : newRec);
        } else if (TDAParam* own = FDataSet.Params().FindParam(p.Name)) {
            p.DataType = own->DataType();
            p.Value = own->Value();
        }
        if (p.DataType == dtUnknown) DatabaseErrorFmt(SUnknownParamType, {p.Name});
    }

    if (FDataSet.BeforeUpdateExecute) FDataSet.BeforeUpdateExecute(FDataSet);
    FCommand->Execute();
    const std::int64_t rows = FCommand->RowsAffected();
    FDataSet.FRowsAffected = rows;
    if (FDataSet.Options().StrictUpdate && rows != 1 && type != stLock)
        DatabaseErrorFmt(SUpdateFailed, {static_cast<long long>(rows)});
    if (type == stInsert)
        if (TMySQLFieldDesc* id = FGenerator.Service().IdentityField()) {
            const std::int64_t last = PropInt64(session->GetProp(prLastInsertId));
            if (last != 0) data.PutDataAsVariant(*id, newRec, TVariant(static_cast<long long>(last)));
        }
    if (FDataSet.AfterUpdateExecute) FDataSet.AfterUpdateExecute(FDataSet);
    return true;
}

bool TCustomMyDataSetUpdater::PerformAppend() {
    const bool done = PerformSQL(stInsert);
    if (!done && FDataSet.Options().StrictUpdate) DatabaseErrorFmt(SUpdateFailed, {0LL});
    return done;
}

bool TCustomMyDataSetUpdater::PerformUpdate() { return PerformSQL(stUpdate); }

bool TCustomMyDataSetUpdater::PerformDelete() { return PerformSQL(stDelete); }

}  // namespace brevant
