#pragma once
// The generated INSERT, UPDATE, DELETE, refresh and lock statements of a MySQL
// dataset, with one parameter per value: ":name" for a new value, ":Old_name" for
// the value before the edit.

#include <cstddef>
#include <cstdint>
#include <vector>

#include "data/TCustomMyDataSetService.h"

namespace brevant {

class TMemData;

enum TStatementType : std::uint8_t {
    stQuery, stInsert, stUpdate, stDelete, stLock, stRefresh, stCustom,
    stRefreshQuick, stRefreshCheckDeleted, stBatchUpdate, stRecCount,
};

struct TDAParamInfo {
    TFieldDesc* Field = nullptr;
    bool Old = false;
    UString ParamName;
    std::size_t StartPosition = 0, EndPosition = 0;
};

class TCustomMySQLGenerator {
public:
    explicit TCustomMySQLGenerator(TCustomMyDataSetService& service) : FService(service) {}

    TCustomMyDataSetService& Service() { return FService; }
    bool QuoteNames = false;
    bool UpdateAllFields = false;
    bool InsertAllSetFields = false;
    bool SharedLock = false;

    /// The statement text for `newRec` (the edited or inserted record) and `oldRec`
    /// (the record before the edit; the record itself for a delete); empty when
    /// there is nothing to write. `params` is refilled, one item per parameter in
    /// text order.
    UString GenerateSQL(std::vector<TDAParamInfo>& params, TStatementType type, TMemData& data,
                        std::byte* oldRec, std::byte* newRec, bool modifiedFieldsOnly);

    /// Whether the edit changed the field's value.
    static bool FieldModified(TMemData& data, const TFieldDesc& field, std::byte* oldRec, std::byte* newRec);

private:
    void AddParam(UString& sql, std::vector<TDAParamInfo>& params, TFieldDesc* field, bool old);
    void AddConditions(UString& sql, std::vector<TDAParamInfo>& params, TMemData& data, std::byte* oldRec);
    UString ColumnName(const TFieldDesc& field) const { return QuoteName(field.ActualName, QuoteNames); }
    const UString& TableName() const;

    TCustomMyDataSetService& FService;
};

}  // namespace brevant
