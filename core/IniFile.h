#pragma once
// A small INI profile file: named sections of "key=value" lines. Section and key
// names match without regard to letter case, values are read trimmed and cut to
// 2047 characters, and every write goes through to the file at once while the
// lines the program does not know stay as they are. It lives below the window so
// that the window and brevant-cli read one settings file by the same rules.

#include <cstddef>
#include <functional>
#include <string>
#include <string_view>

#include "core/Errors.h"
#include "core/Text.h"

namespace brevant {

/// A key could not be written: "Unable to write to %s" with the file's full name.
class EIniFileException : public Exception {
public:
    using Exception::Exception;
};

class IniFile {
public:
    /// Replaces the whole file with `content`; false when it cannot.
    using FileWriter = std::function<bool(const std::string& fileName, std::string_view content)>;

    /// Values longer than this are cut when read (a 2048-character buffer with its terminator).
    static constexpr std::size_t MaxValueLength = 2047;

    explicit IniFile(UString fileName, FileWriter writer = {});

    const UString& FileName() const { return fileName_; }

    /// The value, trimmed and cut; `def` when the file, the section or the key is missing
    /// or the file cannot be read. Never throws.
    UString ReadString(UStringView section, UStringView key, UStringView def) const;
    /// Decimal, or hexadecimal after "$" or "0x"; any other text gives `def`.
    int ReadInteger(UStringView section, UStringView key, int def) const;

    /// Sets one key and writes the file at once, creating it (and the section) when
    /// missing. Throws EIniFileException when the file cannot be read back or written.
    void WriteString(UStringView section, UStringView key, UStringView value);
    void WriteInteger(UStringView section, UStringView key, int value);

    /// The default writer: a sibling temporary file renamed over the target, so that a
    /// failed write never leaves a cut-off file behind.
    static bool WriteFileReplacing(const std::string& fileName, std::string_view content);

private:
    UString fileName_;
    std::string nativeName_;
    FileWriter writer_;
};

}  // namespace brevant
