#pragma once
// The typed reading of a value the driver gave as text: whole numbers, floating point,
// exact decimals, booleans and date-times as both drivers write them.

#include <cstdint>
#include <string_view>

#include "core/DateTime.h"

namespace brevant {

bool ParseOdbcInteger(std::string_view text, std::int64_t& value);
bool ParseOdbcFloat(std::string_view text, double& value);
/// "1", "-1" (Access's true) and "0".
bool ParseOdbcBoolean(std::string_view text, bool& value);
/// "YYYY-MM-DD", "YYYY-MM-DD hh:mm:ss[.fff]" or "hh:mm:ss[.fff]".
bool ParseOdbcDateTime(std::string_view text, TDateTime& value);

}  // namespace brevant
