#pragma once
// Character-set facts the session needs: the set that goes with an 8-bit code
// page, the longest character of a set, and whether a name is a plain set name.

#include "core/Text.h"

namespace brevant {

/// The MySQL character set of a Windows code page; empty for a code page without one.
UString CharsetForCodePage(unsigned codePage);

/// Maximum bytes per character of a MySQL character set (1 for unknown names).
int CharsetMaxLength(UStringView charset);

/// True for the names of UTF-8 ("utf8", "utf8mb3", "utf8mb4", in any case):
/// texts of such a session travel as UTF-8.
bool IsUtf8Charset(UStringView charset);

/// True when the name has only letters, digits and underscores (and is not empty),
/// so it can go into a SET NAMES statement as it stands.
bool IsPlainCharsetName(UStringView charset);

}  // namespace brevant
