#pragma once
// Names in generated SQL: when a name must be back-quoted, and the lists of table,
// routine and trigger names a dump is given as text.

#include <vector>

#include "core/Text.h"

namespace brevant {

/// True when the server would not take the name bare: its first character is not a
/// letter A-Z or a-z, a later one is not a letter, digit, "$" or "_", or it is a
/// reserved word.
bool NameNeedsQuoting(UStringView name);
/// The name between back-quotes, any back-quote inside doubled.
UString BackQuote(UStringView name);
/// Back-quoted when needed (always with `always`).
UString QuoteNameIfNeeded(UStringView name, bool always = false);

/// Splits at every "," and ";", trims each piece, removes back-quotes around a name
/// (undoubling those inside) and drops empty pieces.
std::vector<UString> ParseNameList(UStringView text);
/// The names joined with ",", each back-quoted when it needs it.
UString JoinNameList(const std::vector<UString>& names);

}  // namespace brevant
