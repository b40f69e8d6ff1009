#pragma once
// One column of the Access path's query, read at the query's current record.

#include <cstdint>
#include <string>

#include "core/Variant.h"
#include "paths/OdbcResult.h"

namespace brevant {

class FDQuery;

class TFDField {
public:
    TFDField(const FDQuery& query, std::size_t index, const TOdbcColumn& column)
        : FQuery(&query), FIndex(index), FColumn(&column) {}

    const UString& FieldName() const { return FColumn->Name; }
    std::size_t Index() const { return FIndex; }
    TOdbcFieldKind Kind() const { return FColumn->Kind; }
    /// Memo and binary columns: what can be saved to a file.
    bool IsBlob() const { return FColumn->IsBlob(); }

    bool IsNull() const;
    /// Null, Int64, Double, Decimal, Boolean, DateTime, String or Bytes by the column's
    /// type; a value that does not read as its column's type comes as its text.
    TVariant Value() const;
    /// EConvertError when the value is NULL or not a whole number.
    std::int64_t AsLargeInt() const;
    UString AsString() const;
    /// The value's bytes as the driver gave them (text as UTF-8).
    std::string_view AsBytes() const;
    /// Creates or replaces the file with the value's bytes (a NULL gives an empty file).
    /// A field that is not a large object fails after the file was created.
    void SaveToFile(const UString& fileName) const;

private:
    const TOdbcValueView& View() const;

    const FDQuery* FQuery;
    std::size_t FIndex;
    const TOdbcColumn* FColumn;
};

}  // namespace brevant
