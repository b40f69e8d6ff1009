#pragma once
// String literals for SQL text: the value between single quotes with the special
// characters escaped. With backslash escapes (the server's default) NUL, LF, CR and
// character 26 become \0 \n \r \Z and ' " \ get a backslash in front; when the
// server runs with NO_BACKSLASH_ESCAPES only the single quote is doubled.

#include <string>
#include <string_view>

#include "core/Text.h"

namespace brevant {

/// Characters of the connection's character set, in bytes. For the double-byte
/// sets whose second byte may be 0x5C ("\"), a lead byte and its trail byte are
/// copied as one character, so that the escape never splits a character and a
/// trail byte is never mistaken for a backslash.
std::string EscapeAndQuoteStr(std::string_view bytes, bool needBackslashes, UStringView charset = {});

/// UTF-16 text.
UString EscapeAndQuoteWideStr(UStringView chars, bool needBackslashes);

}  // namespace brevant
