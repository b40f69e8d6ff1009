#pragma once
// printf-style formatting of the system's fixed texts ("Unable to write to %s",
// "Update failed. Found %d records", "$%.4X"). Supports %s, %d, %u, %x, %X and %%,
// with an optional '-' flag, '0' flag, width and precision (".4X" pads with zeros).
// A directive without a matching argument, or of the wrong kind, is an error
// (EConvertError), as in the frame this system was written against.

#include <cstdint>
#include <initializer_list>
#include <string>
#include <string_view>
#include <variant>

#include "core/Text.h"

namespace brevant {

class FormatArg {
public:
    FormatArg(int v) : value_(static_cast<long long>(v)) {}
    FormatArg(unsigned v) : value_(static_cast<unsigned long long>(v)) {}
    FormatArg(long v) : value_(static_cast<long long>(v)) {}
    FormatArg(unsigned long v) : value_(static_cast<unsigned long long>(v)) {}
    FormatArg(long long v) : value_(v) {}
    FormatArg(unsigned long long v) : value_(v) {}
    FormatArg(UStringView v) : value_(v) {}
    FormatArg(const UString& v) : value_(UStringView(v)) {}
    FormatArg(const char16_t* v) : value_(UStringView(v)) {}
    /// Narrow text is taken as UTF-8.
    FormatArg(std::string_view v) : value_(v) {}
    FormatArg(const std::string& v) : value_(std::string_view(v)) {}
    FormatArg(const char* v) : value_(std::string_view(v)) {}

    using Value = std::variant<long long, unsigned long long, UStringView, std::string_view>;
    const Value& value() const { return value_; }

private:
    Value value_;
};

UString Format(UStringView format, std::initializer_list<FormatArg> args);
/// The same with an ASCII/UTF-8 format text and a UTF-8 result.
std::string FormatUtf8(std::string_view format, std::initializer_list<FormatArg> args);

}  // namespace brevant
