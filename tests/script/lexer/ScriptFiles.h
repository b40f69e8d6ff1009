#pragma once
// Helpers of the lexer tests: files, encodings and splitting a whole script.

#include <cstdint>
#include <istream>
#include <map>
#include <string>
#include <vector>

#include "script/lexer/TMyScriptProcessor.h"

namespace brevant::test {

struct SplitStatement {
    std::u16string sql;
    int type = ST_UNKNOWN;
    bool omit = false;
    std::int64_t startPos = 0, startLine = 0, startCol = 0;
    bool operator==(const SplitStatement&) const = default;
};

std::string ReadFileBytes(const std::string& path);
/// Writes bytes to a file in the test's temporary folder; returns its path.
std::string WriteTempFile(const std::string& name, const std::string& bytes);
/// UTF-16 LE bytes of the text, with the FF FE mark when asked.
std::string Utf16LeBytes(UStringView text, bool withMark);

/// Every statement of the script, split by the MySQL splitter.
std::vector<SplitStatement> SplitText(UStringView text, bool fastScan = true);
/// The same for a stream whose encoding is detected from its first bytes.
std::vector<SplitStatement> SplitFile(const std::string& path, bool fastScan = true);

/// The statement's first word in upper case, after leading comments; "/*!" for a
/// statement that is a versioned comment.
std::string FirstWord(UStringView sql);
/// How many statements begin with each first word (omitted ones as "[omit]").
std::map<std::string, int> FirstWordCounts(const std::vector<SplitStatement>& statements);

}  // namespace brevant::test
