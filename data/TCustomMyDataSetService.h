#pragma once
// What the generated statements of a MySQL dataset are built from: the tables of
// the result, the table written to, the fields that identify a row and the fields
// that are written. Computed once per open.

#include <vector>

#include "data/FieldDesc.h"
#include "data/TMyTableInfo.h"

namespace brevant {

class TMySQLRecordSet;

class TCustomMyDataSetService {
public:
    /// Builds the table list from the record set's columns and statement and finds
    /// the updating table ("Wrong UpdatingTable value - table %s is unknown").
    void InitUpdatingTableIdx(TMySQLRecordSet& recordSet, UStringView updatingTable, bool quoteNames);
    /// Key and data fields, with `keyFields` (";"-separated) taking precedence
    /// ("Field %s not found").
    void InitFields(UStringView keyFields, bool setFieldsReadOnly);
    /// Marks every data field that no generated statement can write read-only.
    void SetNonUpdatableReadOnly();

    TMyTablesInfo& TablesInfo() { return FTables; }
    /// -1 when the result has no table to write to.
    int UpdatingTableIdx() const { return FUpdatingTableIdx; }
    TMyTableInfo* UpdatingTable() { return FUpdatingTableIdx < 0 ? nullptr : &FTables[FUpdatingTableIdx]; }
    const std::vector<TMySQLFieldDesc*>& GetKeyFieldDescs() const { return FKeyFields; }
    const std::vector<TMySQLFieldDesc*>& GetDataFieldDescs() const { return FDataFields; }
    TMySQLFieldDesc* IdentityField() const { return FIdentityField; }
    /// True when the key fields are known to identify one row; otherwise the
    /// statements compare every field and change at most one row.
    bool KeyIsUnique() const { return FKeyIsUnique; }
    void Clear();

private:
    TMySQLFieldDesc* DetectIdentityField() const;
    bool OfUpdatingTable(const TMySQLFieldDesc& d, bool setFieldsReadOnly) const;

    TMyTablesInfo FTables;
    std::vector<TMySQLFieldDesc*> FColumns;
    std::vector<TMySQLFieldDesc*> FKeyFields, FDataFields;
    TMySQLFieldDesc* FIdentityField = nullptr;
    int FUpdatingTableIdx = -1;
    bool FKeyIsUnique = false;
};

}  // namespace brevant
