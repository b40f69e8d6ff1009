#pragma once
// Keyword tables of the SQL and MySQL lexers. A table is searched by length, then by
// binary search over the upper-cased (A-Z only) name.

#include <string_view>
#include <vector>

#include "core/Text.h"

namespace brevant {

struct TKeyword {
    std::string_view Name;  // upper case
    int Code;
};

class TKeywordTable {
public:
    explicit TKeywordTable(std::vector<TKeyword> keywords);
    /// The keyword's code, or 0 when the text is not a keyword. ASCII letters are
    /// compared without regard to case; any other character never matches.
    int Find(UStringView text) const;
    const std::vector<TKeyword>& All() const { return all_; }

    /// ALL .. VALUES (codes 100 ..).
    static const TKeywordTable& Sql();
    /// The SQL keywords plus ALTER .. WHILE (codes 1000 ..).
    static const TKeywordTable& MySql();

private:
    static constexpr std::size_t kMaxLength = 16;
    std::vector<TKeyword> all_;
    std::vector<TKeyword> byLength_[kMaxLength + 1];  // each sorted by name
};

}  // namespace brevant
