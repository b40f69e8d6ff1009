// Arbitrary bytes as a text row and as a binary row: every locator the decoders
// hand out must lie inside the row (each value's bytes are touched, so
// AddressSanitizer sees any that does not).

#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <span>
#include <vector>

#include "mysql/wire/MySqlRowDecode.h"

namespace {

volatile std::uint8_t sink;

void Touch(std::span<const std::uint8_t> row, const std::vector<brevant::TMySqlBind>& items) {
    for (const auto& item : items) {
        if (item.IsNull()) continue;
        if (static_cast<std::size_t>(item.Offset) + item.Length > row.size()) std::abort();
        for (std::uint32_t i = 0; i < item.Length; ++i) sink = row[item.Offset + i];
    }
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    if (size < 2) return 0;
    const std::size_t columns = data[0] % 64;
    const std::span<const std::uint8_t> rest(data + 1, size - 1);
    std::vector<brevant::TMySqlBind> items(columns);
    if (brevant::DecodeTextRow(rest, items) == brevant::DecodeResult::Ok) Touch(rest, items);

    // Binary rows: the first bytes of the rest give the column types.
    if (rest.size() < columns) return 0;
    const auto types = rest.first(columns);
    const auto row = rest.subspan(columns);
    if (brevant::DecodeBinaryRow(row, types, items) == brevant::DecodeResult::Ok) Touch(row, items);
    return 0;
}
