#include "data/TDataSet.h"

#include <algorithm>

#include "data/DBConsts.h"
#include "data/TDataSource.h"
#include "mysql/client/DAErrors.h"

namespace brevant {

TDataSet::TDataSet() = default;

TDataSet::~TDataSet() {
    // A subclass has closed its store in its own destructor; here only the frame's part.
    for (TDataSource* source : std::vector<TDataSource*>(FDataSources)) source->DataSetDestroyed();
}

// ---------------------------------------------------------------- open and close

void TDataSet::SetActive(bool value) {
    if (value == Active() || FInOpen) return;
    if (value) {
        Fire(BeforeOpen);
        OpenCursor();
        FInOpen = false;
        SetState(dsBrowse);
        Fire(AfterOpen);
        if (FHasRecord) Fire(AfterScroll);
    } else {
        Fire(BeforeClose);
        if (FState == dsEdit || FState == dsInsert) InternalCancel();
        SetState(dsInactive);
        CloseCursor();
        Fire(AfterClose);
    }
}

void TDataSet::OpenCursor() {
    FInOpen = true;
    try {
        InternalOpen();
        FActiveBuffer.assign(GetRecordSize(), 0);
        InternalFirst();
        FHasRecord = GetRecord(ActiveBuffer(), gmNext) == grOK;
        FBOF = true;
        FEOF = !FHasRecord;
    } catch (...) {
        FInOpen = false;
        try {
            CloseCursor();
        } catch (...) {
            // The open's own error is the one to report.
        }
        throw;
    }
}

void TDataSet::CloseCursor() {
    // The fields go even when the store fails to close: no field outlives an open.
    try {
        InternalClose();
    } catch (...) {
        FFields.Clear();
        FActiveBuffer.clear();
        FHasRecord = false;
        FBOF = FEOF = true;
        throw;
    }
    FFields.Clear();
    FActiveBuffer.clear();
    FHasRecord = false;
    FBOF = FEOF = true;
    FModified = false;
}

TField& TDataSet::CreateField(TFieldType type, UString name, int size) {
    TField& field = FFields.Add(CreateFieldOfType(this, type));
    field.SetFieldName(std::move(name));
    field.SetSize(size);
    field.SetFieldNo(FFields.Count());
    return field;
}

void TDataSet::SetState(TDataSetState value) {
    if (value == FState) return;
    FState = value;
    FModified = false;
    ClearFieldsModified();
    DataEvent(deUpdateState);
}

void TDataSet::ClearFieldsModified() {
    for (const auto& f : FFields) f->SetModified(false);
}

void TDataSet::CheckActive() const {
    if (!Active()) DatabaseError(SDataSetClosed);
}

void TDataSet::CheckCanModify() const {
    if (!CanModify()) DatabaseError(SDataSetReadOnly);
}

void TDataSet::CheckBrowseMode() {
    CheckActive();
    DataEvent(deCheckBrowseMode);
    if (FState == dsEdit || FState == dsInsert) {
        DataEvent(deUpdateRecord);
        if (FModified) Post();
        else Cancel();
    }
}

// ---------------------------------------------------------------- navigation

void TDataSet::First() {
    CheckBrowseMode();
    Fire(BeforeScroll);
    InternalFirst();
    FHasRecord = GetRecord(ActiveBuffer(), gmNext) == grOK;
    FBOF = true;
    FEOF = !FHasRecord;
    DataEvent(deDataSetScroll);
    Fire(AfterScroll);
}

void TDataSet::Last() {
    CheckBrowseMode();
    Fire(BeforeScroll);
    InternalLast();
    FHasRecord = GetRecord(ActiveBuffer(), gmPrior) == grOK;
    FEOF = true;
    FBOF = !FHasRecord;
    DataEvent(deDataSetScroll);
    Fire(AfterScroll);
}

int TDataSet::MoveBy(int distance) {
    CheckBrowseMode();
    int moved = 0;
    if ((distance > 0 && !FEOF) || (distance < 0 && !FBOF)) {
        FBOF = false;
        FEOF = false;
        Fire(BeforeScroll);
        if (FHasRecord) InternalSetToRecord(ActiveBuffer());
        while (distance > 0) {
            if (GetRecord(ActiveBuffer(), gmNext) != grOK) {
                FEOF = true;
                break;
            }
            --distance;
            ++moved;
        }
        while (distance < 0) {
            if (GetRecord(ActiveBuffer(), gmPrior) != grOK) {
                FBOF = true;
                break;
            }
            ++distance;
            --moved;
        }
        if (moved != 0) FHasRecord = true;
        DataEvent(deDataSetScroll, moved);
        Fire(AfterScroll);
    }
    return moved;
}

int TDataSet::RecNo() const {
    if (!Active()) return 0;
    if (!FHasRecord && FState != dsInsert) return 0;
    return GetRecNo(ActiveBuffer());
}

void TDataSet::SetRecNo(int value) {
    CheckBrowseMode();
    if (!FHasRecord) return;
    Fire(BeforeScroll);
    InternalSetToRecord(ActiveBuffer());
    InternalSetRecNo(value);
    Resync();
    FBOF = FEOF = false;
    DataEvent(deDataSetScroll);
    Fire(AfterScroll);
}

void TDataSet::Refresh() {
    CheckBrowseMode();
    Fire(BeforeRefresh);
    if (FHasRecord) InternalSetToRecord(ActiveBuffer());
    InternalRefresh();
    Resync();
    DataEvent(deDataSetChange);
    Fire(AfterRefresh);
}

void TDataSet::Resync() {
    if (GetRecord(ActiveBuffer(), gmCurrent) == grOK || GetRecord(ActiveBuffer(), gmPrior) == grOK) {
        FHasRecord = true;
        FBOF = FEOF = false;
    } else {
        FHasRecord = false;
        FBOF = FEOF = true;
    }
}

// ---------------------------------------------------------------- editing

void TDataSet::Edit() {
    if (FState == dsEdit || FState == dsInsert) return;
    if (!FHasRecord) {
        Insert();
        return;
    }
    CheckBrowseMode();
    CheckCanModify();
    Fire(BeforeEdit);
    InternalSetToRecord(ActiveBuffer());
    InternalEdit();
    SetState(dsEdit);
    DataEvent(deRecordChange);
    Fire(AfterEdit);
}

void TDataSet::BeginInsertAppend(bool append) {
    CheckBrowseMode();
    CheckCanModify();
    Fire(BeforeInsert);
    Fire(BeforeScroll);
    if (append) InternalLast();
    else if (FHasRecord) InternalSetToRecord(ActiveBuffer());
    else InternalLast();
    InternalInsert(append);
    InternalInitRecord(ActiveBuffer());
    SetState(dsInsert);
    try {
        Fire(OnNewRecord);
    } catch (...) {
        Cancel();
        throw;
    }
    FModified = false;
    DataEvent(deDataSetChange);
    Fire(AfterInsert);
    Fire(AfterScroll);
}

void TDataSet::Insert() { BeginInsertAppend(false); }
void TDataSet::Append() { BeginInsertAppend(true); }

void TDataSet::CheckRequiredFields() const {
    for (const auto& f : FFields) {
        if (f->Required() && !f->ReadOnly() && f->AutoGenerateValue() != arAutoInc && f->IsNull())
            DatabaseErrorFmt(SFieldRequired, {f->DisplayName()});
    }
}

void TDataSet::Post() {
    DataEvent(deUpdateRecord);
    if (FState != dsEdit && FState != dsInsert) return;
    DataEvent(deCheckBrowseMode);
    Fire(BeforePost);
    CheckRequiredFields();
    InternalPost();  // a failure leaves the dataset in its edit state
    SetState(dsBrowse);
    Resync();
    DataEvent(deDataSetChange);
    Fire(AfterPost);
}

void TDataSet::Cancel() {
    if (FState != dsEdit && FState != dsInsert) return;
    DataEvent(deCheckBrowseMode);
    Fire(BeforeCancel);
    InternalCancel();
    SetState(dsBrowse);
    Resync();
    DataEvent(deDataSetChange);
    Fire(AfterCancel);
}

void TDataSet::Delete() {
    CheckActive();
    if (FState == dsInsert) {
        Cancel();
        return;
    }
    if (!FHasRecord) DatabaseError(SDataSetEmpty);
    CheckCanModify();
    DataEvent(deCheckBrowseMode);
    Fire(BeforeDelete);
    Fire(BeforeScroll);
    InternalSetToRecord(ActiveBuffer());
    InternalDelete();  // the edit copy, if any, stays until the delete went through
    if (FState == dsEdit) InternalCancel();
    SetState(dsBrowse);
    Resync();
    DataEvent(deDataSetChange);
    Fire(AfterDelete);
    Fire(AfterScroll);
}

// ---------------------------------------------------------------- field values

TFieldValue TDataSet::GetActiveFieldValue(const TField& field) const {
    TFieldValue value;
    if (!Active() || (!FHasRecord && FState == dsBrowse)) return value;
    GetFieldData(field, ActiveBuffer(), value);
    return value;
}

bool TDataSet::GetFieldValueAt(int recNo, const TField& field, TFieldValue& value) {
    value.Clear();
    if (!Active()) return false;
    if (FState == dsEdit && FHasRecord && recNo == GetRecNo(ActiveBuffer())) {
        GetFieldData(field, ActiveBuffer(), value);
        return true;
    }
    return GetFieldDataAt(recNo, field, value);
}

bool TDataSet::GetFieldDataAt(int, const TField&, TFieldValue&) { return false; }

void TDataSet::CheckFieldWritable(const TField& field) const {
    if (FState != dsEdit && FState != dsInsert) DatabaseError(SNotEditing);
    if (field.ReadOnly()) DatabaseErrorFmt(SFieldReadOnly, {field.DisplayName()});
}

void TDataSet::WriteFieldValue(TField& field, const TFieldValue& value) {
    CheckFieldWritable(field);
    SetFieldData(field, ActiveBuffer(), value);
    FieldChanged(field);
}

void TDataSet::FieldChanged(TField& field) {
    field.SetModified(true);
    FModified = true;
    DataEvent(deFieldChange, reinterpret_cast<std::intptr_t>(&field));
    if (field.OnChange) field.OnChange(field);
}

TBlobContent* TDataSet::GetBlobContent(const TField& field, TRecordBuffer, bool) {
    DatabaseErrorFmt(SNotBlobField, {field.DisplayName()});
}

TBlobContent* TDataSet::ActiveBlobContent(const TField& field, bool forWrite) {
    CheckActive();
    if (!FHasRecord && FState == dsBrowse) return nullptr;
    return GetBlobContent(field, ActiveBuffer(), forWrite);
}

std::unique_ptr<TBlobStream> TDataSet::CreateBlobStream(TField& field, TBlobStreamMode mode) {
    CheckActive();
    if (!field.IsBlob()) DatabaseErrorFmt(SNotBlobField, {field.DisplayName()});
    if (mode != bmRead && !field.Modified()) {
        if (field.ReadOnly()) DatabaseErrorFmt(SFieldReadOnly, {field.DisplayName()});
        if (FState != dsEdit && FState != dsInsert) DatabaseError(SNotEditing);
    }
    TBlobContent* content = ActiveBlobContent(field, mode != bmRead);
    return std::make_unique<TBlobStream>(*this, field, content, mode);
}

// ---------------------------------------------------------------- notifications

void TDataSet::DisableControls() {
    if (FDisableCount == 0) {
        FDisableState = FState;
        FDisabledLayout = false;
    }
    ++FDisableCount;
}

void TDataSet::EnableControls() {
    if (FDisableCount == 0) return;
    if (--FDisableCount > 0) return;
    if (FDisableState != FState) DataEvent(deUpdateState);
    if (FDisableState != dsInactive && FState != dsInactive)
        DataEvent(FDisabledLayout ? deLayoutChange : deDataSetChange);
}

void TDataSet::DataEvent(TDataEvent event, std::intptr_t info) {
    if (ControlsDisabled()) {
        if (event == deLayoutChange) FDisabledLayout = true;
        return;
    }
    for (TDataSource* source : std::vector<TDataSource*>(FDataSources)) {
        if (std::find(FDataSources.begin(), FDataSources.end(), source) != FDataSources.end())
            source->DataEvent(event, info);
    }
}

void TDataSet::AddDataSource(TDataSource* source) {
    if (std::find(FDataSources.begin(), FDataSources.end(), source) == FDataSources.end())
        FDataSources.push_back(source);
}

void TDataSet::RemoveDataSource(TDataSource* source) { std::erase(FDataSources, source); }

}  // namespace brevant
