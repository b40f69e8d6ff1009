#pragma once
// One result row as a line of text: tab-separated (NULL as \N; tab, line breaks and
// backslash escaped) or comma-separated after RFC 4180 (fields holding a comma, a
// quote or a line break in double quotes, quotes doubled; NULL as an empty field).

#include <string>
#include <string_view>

namespace brevant::cli {

enum class TRowFormat { Tsv, Csv };

/// Appends one field; `first` tells whether a separator goes before it.
void AppendField(std::string& line, TRowFormat format, std::string_view value, bool isNull, bool first);

}  // namespace brevant::cli
