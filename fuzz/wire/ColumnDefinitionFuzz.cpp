// Arbitrary bytes as a column definition, in both protocol forms.

#include <cstddef>
#include <cstdint>
#include <span>

#include "mysql/wire/MySqlRowDecode.h"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    if (size < 1) return 0;
    const bool protocol41 = data[0] & 1, longFlag = data[0] & 2;
    brevant::TMySqlFieldInfo f;
    brevant::DecodeColumnDefinition(std::span(data + 1, size - 1), protocol41, longFlag, f);
    return 0;
}
