#include "data/TCustomMyDataSet.h"

#include "data/DBConsts.h"
#include "mysql/client/DAErrors.h"
#include "mysql/client/TMySQLConnection.h"

namespace brevant {

void TMyDataSetOptions::Pass(bool& field, bool value, int prop) {
    if (value == field) return;
    field = value;
    if (TCRRecordSet* rs = FOwner->RecordSet()) rs->SetProp(prop, value);
}

void TMyDataSetOptions::ApplyTo(TCRRecordSet& rs) const {
    rs.SetProp(prFieldsAsString, FFieldsAsString);
    rs.SetProp(prNumberFieldsAsString, FNumberFieldsAsString);
    rs.SetProp(prNullForZeroDate, FNullForZeroDate);
    rs.SetProp(prEnableBoolean, FEnableBoolean);
    rs.SetProp(prBinaryAsString, FBinaryAsString);
    rs.SetProp(prCreateConnection, FCreateConnection);
    rs.SetProp(prLongStrings, LongStrings);
    rs.SetProp(prFlatBuffers, FlatBuffers);
    rs.SetProp(prTrimFixedChar, TrimFixedChar);
}

TCustomMyDataSet::TCustomMyDataSet(TCustomMyConnection* connection)
    : TCustomDADataSet(nullptr), FUpdater(std::make_unique<TCustomMyDataSetUpdater>(*this, FService)) {
    FOptions = CreateOptions();
    SetConnection(connection);
}

TCustomMyDataSet::~TCustomMyDataSet() {
    try {
        Close();  // while this class's hooks still answer
    } catch (...) {
    }
}

TMyQuery::~TMyQuery() = default;

std::unique_ptr<TMemData> TCustomMyDataSet::CreateData() { return std::make_unique<TMySQLRecordSet>(); }

std::unique_ptr<TDADataSetOptions> TCustomMyDataSet::CreateOptions() {
    return std::make_unique<TMyDataSetOptions>(this);
}

void TCustomMyDataSet::SetCommandTimeout(int seconds) {
    FCommandTimeout = seconds < 0 ? 0 : seconds;
    if (FData) MyRecordSet()->SetProp(prCommandTimeout, FCommandTimeout);
}

void TCustomMyDataSet::SetRecordSetConnection(TCRRecordSet& rs, TCRConnection* session) {
    static_cast<TMySQLRecordSet&>(rs).SetConnection(dynamic_cast<TMySQLConnection*>(session));
}

void TCustomMyDataSet::PrepareRecordSet(TCRRecordSet& recordSet) {
    auto& rs = static_cast<TMySQLRecordSet&>(recordSet);
    Options().ApplyTo(rs);
    rs.SetProp(prCommandTimeout, FCommandTimeout);
    rs.SetSQL(FinalSQL());
    WriteParams(rs.Command());
}

// ---------------------------------------------------------------- writing back

void TCustomMyDataSet::OpenData() {
    TCustomDADataSet::OpenData();
    try {
        FService.InitUpdatingTableIdx(*MyRecordSet(), UpdatingTable, FOptions->QuoteNames);
        FService.InitFields(KeyFields, FOptions->SetFieldsReadOnly);
    } catch (...) {
        MyRecordSet()->Close();
        throw;
    }
    // A field the update cannot write (another table of a join, an expression)
    // refuses an edit instead of posting a change that reaches nowhere.
    if (SQLUpdate.Empty() && SQLInsert.Empty()) FService.SetNonUpdatableReadOnly();
    TCustomMySQLGenerator& g = FUpdater->Generator();
    g.QuoteNames = FOptions->QuoteNames;
    g.UpdateAllFields = FOptions->UpdateAllFields;
    g.InsertAllSetFields = FOptions->InsertAllSetFields;
}

void TCustomMyDataSet::CloseData() {
    FService.Clear();
    TCustomDADataSet::CloseData();
}

void TCustomMyDataSet::PerformUpdate() {
    if (!FService.UpdatingTable() && SQLUpdate.Empty()) return;  // nothing can be written: memory only
    FUpdater->PerformUpdate();
}

void TCustomMyDataSet::PerformAppend() {
    if (!FService.UpdatingTable() && SQLInsert.Empty()) DatabaseError(SNoUpdater);
    FUpdater->PerformAppend();
}

void TCustomMyDataSet::PerformDelete() {
    if (!FService.UpdatingTable() && SQLDelete.Empty()) return;  // removed from memory only
    FUpdater->PerformDelete();
}

}  // namespace brevant
