#pragma once
// The stored form of a design-time password: the password's UTF-16 (little-endian)
// bytes through a reversible byte transform, written as upper-case hexadecimal.
// It hides the password from a casual look at a stored form; it is not encryption.

#include "core/Text.h"

namespace brevant {

UString EncryptPassword(UStringView password);
/// Raises EDatabaseError "Invalid encrypted password" for text that no password
/// gives (odd length, a character that is not a hex digit, an odd byte count).
UString DecryptPassword(UStringView encrypted);

}  // namespace brevant
