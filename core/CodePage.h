#pragma once
// The system's 8-bit ("ANSI") code page: Windows-1252 unless BREVANT_CODEPAGE names
// another Windows code page number.

#include <memory>
#include <string>
#include <string_view>

#include "core/Text.h"

namespace brevant {

/// The code page number in force (1252 by default). Read once from the environment.
unsigned AnsiCodePage();

/// Converter between one Windows code page and UTF-16. Single-byte code pages use a
/// 256-entry table built with iconv at construction, so every byte value round-trips
/// (undefined positions map to U+00xx as Windows does). Other code pages go through
/// iconv for each conversion.
class CodePageConverter {
public:
    explicit CodePageConverter(unsigned codePage);
    ~CodePageConverter();
    CodePageConverter(const CodePageConverter&) = delete;
    CodePageConverter& operator=(const CodePageConverter&) = delete;

    unsigned CodePage() const { return codePage_; }
    bool IsSingleByte() const { return singleByte_; }
    /// The 256 characters of a single-byte code page, indexed by byte; nullptr for others.
    const char16_t* SingleByteTable() const { return singleByte_ ? toUnicode_ : nullptr; }
    UString ToUtf16(std::string_view bytes) const;
    std::string FromUtf16(UStringView text) const;

    /// The converter of the code page in force; created on first use.
    static const CodePageConverter& Ansi();

private:
    unsigned codePage_;
    bool singleByte_ = false;
    char16_t toUnicode_[256] = {};
    std::unique_ptr<short[]> fromUnicode_;  // UTF-16 code unit -> byte, -1 when absent
    std::string iconvName_;
};

}  // namespace brevant
