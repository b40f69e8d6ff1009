// The date-time parsers by kind, scale and field length, and the number parsers:
// any input either gives a value or fails with one of their fixed errors.

#include <cstddef>
#include <cstdint>
#include <cmath>

#include "core/Errors.h"
#include "data/MyValueText.h"

using namespace brevant;

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    if (size < 2) return 0;
    const auto kind = static_cast<TMyDateKind>(data[0] % 3);
    const int scale = data[1] % 8;
    const char* text = reinterpret_cast<const char*>(data + 2);
    const std::size_t length = size - 2;
    try {
        TDateTime v = 0;
        if (ConvertToDateTime(kind, text, length, scale, static_cast<std::uint32_t>(length), u"f", v) &&
            kind != dkTime && !(v > -700000 && v < 3000000))
            __builtin_trap();  // a valid date lies within years 1..9999
    } catch (const EConvertError&) {
    }
    try {
        (void)TextToDouble(text, length);
    } catch (const EConvertError&) {
    }
    try {
        (void)TextToIntegerBits(text, length);
    } catch (const EConvertError&) {
    }
    return 0;
}
