#pragma once
// Text inside the system is UTF-16; bytes on the wire and in files are std::string.

#include <cstddef>
#include <string>
#include <string_view>

namespace brevant {

using UString = std::u16string;
using UStringView = std::u16string_view;

/// UTF-8 bytes to UTF-16. Malformed sequences become U+FFFD; never throws.
UString Utf8ToUtf16(std::string_view utf8);
/// The same into a buffer with room for utf8.size() code units (the result is never
/// longer than its bytes); returns the count written.
std::size_t Utf8ToUtf16(std::string_view utf8, char16_t* out);
/// True when every sequence is well-formed UTF-8 (no overlong form, no surrogate, nothing
/// past U+10FFFF, nothing cut off at the end).
bool IsValidUtf8(std::string_view bytes);
/// UTF-16 to UTF-8 bytes. An unpaired surrogate becomes U+FFFD.
std::string Utf16ToUtf8(UStringView text);
/// The same appended to `out` (for writers that reuse one buffer).
void AppendUtf16AsUtf8(std::string& out, UStringView text);

/// Bytes in the system's 8-bit code page to UTF-16 (lossless for single-byte code pages).
UString AnsiToUtf16(std::string_view bytes);
/// UTF-16 to the system's 8-bit code page; characters it lacks become '?'.
std::string Utf16ToAnsi(UStringView text);

/// ASCII-only literal or byte text widened to UTF-16 (each byte becomes one code unit).
UString Widen(std::string_view ascii);
/// UTF-16 text narrowed to UTF-8; convenient for messages and logging.
inline std::string Narrow(UStringView text) { return Utf16ToUtf8(text); }

/// ASCII case-insensitive comparison (the names the system compares are ASCII).
bool SameTextAscii(UStringView a, UStringView b);
UString UpperCaseAscii(UStringView text);
UString LowerCaseAscii(UStringView text);
/// Removes leading and trailing characters <= U+0020, as the frame's Trim does.
UStringView TrimView(UStringView text);
inline UString Trim(UStringView text) { return UString(TrimView(text)); }

/// Decimal text of a signed or unsigned integer.
UString IntToStr(long long value);
UString UIntToStr(unsigned long long value);

/// Parses a whole number the way the frame's StrToInt does: optional sign, decimal,
/// or hexadecimal after "$" or "0x"/"0X"; surrounding blanks allowed. False when the
/// text is not a whole number or does not fit in 32 bits.
bool TryStrToInt(UStringView text, int& value);

}  // namespace brevant
