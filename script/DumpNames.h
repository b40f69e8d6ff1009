#pragma once
// Names in generated SQL: when a name must be back-quoted, and the lists of table,
// routine and trigger names a dump is given as text.

#include <string>
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

/// A table or database name as one file-name part: "/" and NUL (which would leave
/// the folder or cut the name) and "%" itself are written as %2F, %00 and %25, and a
/// name of only dots as %2E for each, so every name gives its own file.
std::string FileNamePart(UStringView name);

}  // namespace brevant
