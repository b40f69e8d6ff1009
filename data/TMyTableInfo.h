#pragma once
// The tables of a result: one item per table the columns come from (in column
// order), completed from the FROM clause of the statement; and the rules by which
// names are written into generated statements.

#include <memory>
#include <vector>

#include "core/Text.h"

namespace brevant {

class TTableInfo {
public:
    virtual ~TTableInfo() = default;
    UString TableName;   // the table's own name
    UString TableAlias;  // the name the statement gives it
};

class TMyTableInfo : public TTableInfo {
public:
    UString TableNameFull;  // the name written into statements
    bool IsView = false;
    double MaxTimestamp = 0;
};

/// A name needs backquotes when its first character is not an ASCII letter or a
/// later one is not a letter, digit, "_" or "$".
bool NameNeedsQuote(UStringView name);
/// Backquoted (embedded backquotes doubled) when forced, needed or a keyword; a name already
/// enclosed in backquotes, double or single quotes is left as it is.
UString QuoteName(UStringView name, bool force = false);
/// QuoteName for each part of a database-qualified name.
UString NormalizeName(UStringView name, bool force = false);
/// The name without its enclosing quotes (an inner doubled backquote made single).
UString UnquoteName(UStringView name);

class TMySQLFieldDesc;

class TMyTablesInfo {
public:
    int Count() const { return static_cast<int>(FItems.size()); }
    TMyTableInfo& operator[](int i) const { return *FItems[static_cast<std::size_t>(i)]; }
    void Clear() { FItems.clear(); }
    /// By normalised name, then by alias; -1 when none.
    int FindByName(UStringView name) const;
    int FindByAlias(UStringView alias) const;
    TMyTableInfo& Add(UString name, UString alias);
    /// Both passes: the columns' tables, then the FROM clause of `sql`. Fails with
    /// "TableName cannot be empty" for an empty name in the clause.
    void Build(const std::vector<TMySQLFieldDesc*>& columns, UStringView sql, bool quoteNames);

private:
    std::vector<std::unique_ptr<TMyTableInfo>> FItems;
};

}  // namespace brevant
