#include "data/TCustomMyDataSet.h"

#include "mysql/client/TMySQLConnection.h"

namespace brevant {

void TMyDataSetOptions::Pass(bool& field, bool value, int prop) {
    if (value == field) return;
    field = value;
    if (TCRRecordSet* rs = FOwner->RecordSet()) rs->SetProp(prop, value);
}

void TMyDataSetOptions::ApplyTo(TCRRecordSet& rs) const {
    rs.SetProp(prFieldsAsString, FFieldsAsString);
    rs.SetProp(prNullForZeroDate, FNullForZeroDate);
    rs.SetProp(prEnableBoolean, FEnableBoolean);
    rs.SetProp(prBinaryAsString, FBinaryAsString);
    rs.SetProp(prCreateConnection, FCreateConnection);
    rs.SetProp(prLongStrings, LongStrings);
    rs.SetProp(prFlatBuffers, FlatBuffers);
    rs.SetProp(prTrimFixedChar, TrimFixedChar);
}

TCustomMyDataSet::TCustomMyDataSet(TCustomMyConnection* connection) : TCustomDADataSet(nullptr) {
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

}  // namespace brevant
