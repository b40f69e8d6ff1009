#include "data/TCustomMyDataSetService.h"

#include "data/MyDataTypes.h"
#include "data/TMySQLRecordSet.h"
#include "mysql/client/DAErrors.h"

namespace brevant {

void TCustomMyDataSetService::Clear() {
    FTables.Clear();
    FColumns.clear();
    FKeyFields.clear();
    FDataFields.clear();
    FIdentityField = nullptr;
    FUpdatingTableIdx = -1;
    FKeyIsUnique = false;
}

void TCustomMyDataSetService::InitUpdatingTableIdx(TMySQLRecordSet& rs, UStringView updatingTable, bool quoteNames) {
    Clear();
    for (int i = 0; i < rs.FieldCount(); ++i)
        if (rs.Field(i).FieldDescKind == fdkData) FColumns.push_back(&rs.MyField(i));
    FTables.Build(FColumns, rs.GetSQL(), quoteNames);
    // A view's columns are written by the names the view gives them.
    for (TMySQLFieldDesc* d : FColumns)
        if (d->TableInfo && static_cast<TMyTableInfo*>(d->TableInfo)->IsView) d->ActualName = d->Name;
    if (updatingTable.empty()) {
        FUpdatingTableIdx = FTables.Count() > 0 ? 0 : -1;
        return;
    }
    const UString name = NormalizeName(updatingTable, quoteNames);
    int i = FTables.FindByName(name);
    if (i < 0) i = FTables.FindByAlias(name);
    if (i < 0) {
        // The simple name of a qualified one.
        const std::size_t dot = name.rfind(u'.');
        if (dot != UString::npos) i = FTables.FindByName(UStringView(name).substr(dot + 1));
    }
    if (i < 0 && FTables.Count() == 0) {
        FTables.Add(name, UString()).TableNameFull = name;
        i = 0;
    }
    if (i < 0) DatabaseErrorFmt(u"Wrong UpdatingTable value - table %s is unknown", {UString(updatingTable)});
    FUpdatingTableIdx = i;
}

bool TCustomMyDataSetService::OfUpdatingTable(const TMySQLFieldDesc& d, bool setFieldsReadOnly) const {
    if (FUpdatingTableIdx < 0) return false;
    (void)setFieldsReadOnly;
    if (!d.TableInfo) return false;  // an expression is never written
    return d.TableInfo == &FTables[FUpdatingTableIdx];
}

TMySQLFieldDesc* TCustomMyDataSetService::DetectIdentityField() const {
    TMySQLFieldDesc* found = nullptr;
    for (TMySQLFieldDesc* d : FColumns)
        if (d->IsAutoIncrement && OfUpdatingTable(*d, false)) found = d;
    return found;
}

void TCustomMyDataSetService::InitFields(UStringView keyFields, bool setFieldsReadOnly) {
    FKeyFields.clear();
    FDataFields.clear();
    FKeyIsUnique = false;
    for (TMySQLFieldDesc* d : FColumns)
        if (!d->ReadOnly && OfUpdatingTable(*d, setFieldsReadOnly)) FDataFields.push_back(d);
    FIdentityField = DetectIdentityField();

    // 1. Named key fields: the caller vouches for them.
    if (!keyFields.empty()) {
        std::size_t start = 0;
        while (start <= keyFields.size()) {
            std::size_t end = keyFields.find(u';', start);
            if (end == UStringView::npos) end = keyFields.size();
            UStringView part = keyFields.substr(start, end - start);
            while (!part.empty() && part.front() == u' ') part.remove_prefix(1);
            while (!part.empty() && part.back() == u' ') part.remove_suffix(1);
            if (!part.empty()) {
                const UString name = UnquoteName(part);
                TMySQLFieldDesc* hit = nullptr;
                for (TMySQLFieldDesc* d : FColumns)
                    if (d->Name == name) { hit = d; break; }
                if (!hit) DatabaseErrorFmt(u"Field %s not found", {name});
                FKeyFields.push_back(hit);
            }
            start = end + 1;
        }
        FKeyIsUnique = true;
        return;
    }
    if (FUpdatingTableIdx < 0) return;
    int primaryCount = 0;
    for (TMySQLFieldDesc* d : FColumns)
        if (d->IsPrimaryKey) ++primaryCount;
    // 2. An identity field that is a key of its own.
    if (FIdentityField && !(FIdentityField->IsPrimaryKey && primaryCount > 1)) {
        FKeyFields.push_back(FIdentityField);
        FKeyIsUnique = true;
        return;
    }
    // 3. From the column flags: only what identifies one row — the primary key, else
    // a single-column UNIQUE key that cannot be NULL. A non-unique index never does.
    for (TMySQLFieldDesc* d : FColumns)
        if (d->IsPrimaryKey && OfUpdatingTable(*d, setFieldsReadOnly)) FKeyFields.push_back(d);
    if (FKeyFields.empty())
        for (TMySQLFieldDesc* d : FColumns)
            if ((d->Flags & myflags::UNIQUE_KEY) && (d->Flags & myflags::NOT_NULL) &&
                OfUpdatingTable(*d, setFieldsReadOnly)) {
                FKeyFields.push_back(d);
                break;
            }
    FKeyIsUnique = !FKeyFields.empty();
}

void TCustomMyDataSetService::SetNonUpdatableReadOnly() {
    for (TMySQLFieldDesc* d : FColumns)
        if (!OfUpdatingTable(*d, false)) d->ReadOnly = true;
}

}  // namespace brevant
