#include "app/FieldLink.h"

namespace brevant {

void TFieldDataLink::SetFieldName(UString name) {
    FFieldName = std::move(name);
    UpdateField();
    Changed();
}

void TFieldDataLink::UpdateField() {
    TDataSet* ds = Active() ? DataSet() : nullptr;
    FField = ds && !FFieldName.empty() ? ds->FindField(FFieldName) : nullptr;
}

void TFieldDataLink::Changed() {
    if (OnDataChange) OnDataChange();
}

bool TFieldDataLink::Edit() {
    TDataSet* ds = Active() ? DataSet() : nullptr;
    if (!ds || !FField || FField->ReadOnly() || !ds->HasCurrentRecord()) return false;
    if (ds->State() == dsBrowse) {
        if (!DataSource()->AutoEdit()) return false;
        ds->Edit();
    }
    return ds->State() == dsEdit || ds->State() == dsInsert;
}

void TFieldDataLink::ActiveChanged() {
    UpdateField();
    Changed();
}

void TFieldDataLink::LayoutChanged() {
    UpdateField();
    Changed();
}

void TFieldDataLink::DataSetChanged() { Changed(); }

void TFieldDataLink::DataSetScrolled(int) { Changed(); }

void TFieldDataLink::RecordChanged(TField* field) {
    if (!field || field == FField) Changed();
}

void TFieldDataLink::UpdateData() {
    if (FField && OnUpdateData) OnUpdateData();
}

}  // namespace brevant
