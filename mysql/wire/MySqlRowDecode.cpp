#include "mysql/wire/MySqlRowDecode.h"

#include <limits>
#include <string_view>

#include "mysql/wire/MySqlTypes.h"
#include "mysql/wire/WireCodec.h"

namespace brevant {

namespace {

// Reads one length-encoded value at pos: sets offset/length (null for 0xFB) and
// moves pos behind the value, which must lie inside the size bytes.
inline DecodeResult NextValue(const std::uint8_t* p, std::size_t size, std::size_t& pos, bool& isNull,
                              std::size_t& offset, std::size_t& length) {
    std::uint64_t n = 0;
    switch (LoadLengthEncoded(p, size, pos, n)) {
        case LengthEncoded::Value: break;
        case LengthEncoded::Null:
            isNull = true;
            offset = length = 0;
            return DecodeResult::Ok;
        case LengthEncoded::Short: return DecodeResult::Malformed;
        default: return DecodeResult::BadLengthByte;
    }
    if (n > size - pos) return DecodeResult::Malformed;
    isNull = false;
    offset = pos;
    length = static_cast<std::size_t>(n);
    pos += length;
    return DecodeResult::Ok;
}

bool IsNumericType(std::uint8_t type, std::uint32_t length) {
    if (type == MYSQL_TYPE_TIMESTAMP) return length == 14 || length == 8;
    return type <= MYSQL_TYPE_INT24 || type == MYSQL_TYPE_YEAR;
}

}  // namespace

DecodeResult DecodeTextRow(std::span<const std::uint8_t> row, std::span<TMySqlBind> items) {
    const std::uint8_t* p = row.data();
    const std::size_t size = row.size();
    if (size > std::numeric_limits<std::uint32_t>::max()) return DecodeResult::Malformed;
    std::size_t pos = 0;
    for (TMySqlBind& item : items) {
        // Most values are shorter than 251 bytes: their length is one byte.
        if (pos < size && p[pos] < 0xFB) {
            const std::size_t length = p[pos];
            const std::size_t offset = pos + 1;
            if (length > size - offset) return DecodeResult::Malformed;
            item = TMySqlBind{static_cast<std::uint32_t>(offset), static_cast<std::uint32_t>(length)};
            pos = offset + length;
            continue;
        }
        bool isNull;
        std::size_t offset, length;
        DecodeResult r = NextValue(p, size, pos, isNull, offset, length);
        if (r != DecodeResult::Ok) return r;
        item = isNull ? TMySqlBind{} : TMySqlBind{static_cast<std::uint32_t>(offset), static_cast<std::uint32_t>(length)};
    }
    return DecodeResult::Ok;
}

DecodeResult DecodeBinaryRow(std::span<const std::uint8_t> row, std::span<const std::uint8_t> types,
                             std::span<TMySqlBind> items) {
    const std::uint8_t* p = row.data();
    const std::size_t size = row.size();
    const std::size_t count = items.size();
    const std::size_t bitmapBytes = (count + 7 + 2) / 8;
    if (types.size() < count || size > std::numeric_limits<std::uint32_t>::max() || size < 1 + bitmapBytes)
        return DecodeResult::Malformed;
    std::size_t pos = 1 + bitmapBytes;
    for (std::size_t i = 0; i < count; ++i) {
        TMySqlBind& item = items[i];
        const std::size_t bit = i + 2;
        if (p[1 + bit / 8] & (1u << (bit % 8))) {
            item = TMySqlBind{};
            continue;
        }
        const std::size_t width = BinaryTypeWidth(types[i]);
        std::size_t offset, length;
        if (width) {
            if (size - pos < width) return DecodeResult::Malformed;
            offset = pos;
            length = width;
            pos += width;
        } else {
            bool isNull;
            DecodeResult r = NextValue(p, size, pos, isNull, offset, length);
            if (r != DecodeResult::Ok) return r;
            if (isNull) return DecodeResult::Malformed;  // NULL is told by the bitmap
        }
        item = TMySqlBind{static_cast<std::uint32_t>(offset), static_cast<std::uint32_t>(length)};
    }
    return DecodeResult::Ok;
}

DecodeResult DecodeColumnDefinition(std::span<const std::uint8_t> packet, bool protocol41, bool longFlag,
                                    TMySqlFieldInfo& f) {
    const std::uint8_t* p = packet.data();
    const std::size_t size = packet.size();
    const int count = protocol41 ? 7 : 5;
    std::string_view parts[7];
    std::size_t pos = 0;
    for (int i = 0; i < count; ++i) {
        bool isNull;
        std::size_t offset, length;
        DecodeResult r = NextValue(p, size, pos, isNull, offset, length);
        if (r != DecodeResult::Ok) return r;
        parts[i] = std::string_view(reinterpret_cast<const char*>(p) + offset, length);
    }
    f = TMySqlFieldInfo{};
    if (protocol41) {
        f.Database = parts[1];
        f.Table = parts[2];
        f.OrgTable = parts[3];
        f.Name = parts[4];
        f.OrgName = parts[5];
        const auto* fixed = reinterpret_cast<const std::uint8_t*>(parts[6].data());
        if (parts[6].size() < 11) return DecodeResult::Malformed;
        f.CharsetNr = SignExtend16(LoadLE16(fixed));
        f.Length = LoadLE32(fixed + 2);
        f.MyType = fixed[6];
        f.Flags = static_cast<std::uint32_t>(SignExtend16(LoadLE16(fixed + 7)));
        f.Scale = SignExtend16(LoadLE16(fixed + 9));
    } else {
        f.Table = parts[0];
        f.OrgTable = parts[0];
        f.Name = parts[1];
        const auto* len = reinterpret_cast<const std::uint8_t*>(parts[2].data());
        const auto* type = reinterpret_cast<const std::uint8_t*>(parts[3].data());
        const auto* flags = reinterpret_cast<const std::uint8_t*>(parts[4].data());
        const std::size_t flagBytes = longFlag ? 2 : 1;
        if (parts[2].size() < 3 || parts[3].size() < 1 || parts[4].size() < flagBytes + 1)
            return DecodeResult::Malformed;
        f.Length = LoadLE24(len);
        f.MyType = type[0];
        f.Flags = longFlag ? LoadLE16(flags) : flags[0];
        f.Scale = flags[flagBytes];
    }
    if (IsNumericType(f.MyType, f.Length)) f.Flags |= NUM_FLAG;
    return DecodeResult::Ok;
}

}  // namespace brevant
