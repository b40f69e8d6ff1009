#include "mysql/wire/MySqlRowDecode.h"

#include <limits>
#include <string_view>

#include "mysql/wire/MySqlTypes.h"

namespace brevant {

namespace {

// Reads one length-encoded value at pos: sets offset/length (null for 0xFB) and
// moves pos behind the value.
inline DecodeResult NextValue(const std::uint8_t* p, std::size_t size, std::size_t& pos, bool& isNull,
                              std::size_t& offset, std::size_t& length) {
    if (pos >= size) return DecodeResult::Malformed;
    const std::uint8_t b = p[pos];
    isNull = false;
    if (b < 0xFB) {
        length = b;
        offset = pos + 1;
    } else if (b == 0xFB) {
        isNull = true;
        offset = length = 0;
        ++pos;
        return DecodeResult::Ok;
    } else if (b == 0xFC) {
        if (size - pos < 3) return DecodeResult::Malformed;
        length = p[pos + 1] | (p[pos + 2] << 8);
        offset = pos + 3;
    } else if (b == 0xFD) {
        if (size - pos < 4) return DecodeResult::Malformed;
        length = p[pos + 1] | (p[pos + 2] << 8) | (static_cast<std::size_t>(p[pos + 3]) << 16);
        offset = pos + 4;
    } else if (b == 0xFE) {
        if (size - pos < 9) return DecodeResult::Malformed;
        // Only the low 4 bytes can describe a value inside a packet.
        if (p[pos + 5] | p[pos + 6] | p[pos + 7] | p[pos + 8]) return DecodeResult::Malformed;
        length = p[pos + 1] | (p[pos + 2] << 8) | (static_cast<std::size_t>(p[pos + 3]) << 16) |
                 (static_cast<std::size_t>(p[pos + 4]) << 24);
        offset = pos + 9;
    } else {
        return DecodeResult::BadLengthByte;
    }
    if (length > size - offset) return DecodeResult::Malformed;
    pos = offset + length;
    return DecodeResult::Ok;
}

std::int32_t SignExtend16(std::uint32_t v) { return static_cast<std::int16_t>(static_cast<std::uint16_t>(v)); }

std::uint32_t Le(const std::uint8_t* p, int n) {
    std::uint32_t v = 0;
    for (int i = n - 1; i >= 0; --i) v = (v << 8) | p[i];
    return v;
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
        bool isNull;
        std::size_t offset, length;
        DecodeResult r = NextValue(p, size, pos, isNull, offset, length);
        if (r != DecodeResult::Ok) return r;
        item.IsNull = isNull;
        item.Offset = static_cast<std::uint32_t>(offset);
        item.Length = static_cast<std::uint32_t>(length);
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
        std::size_t width = 0;
        switch (types[i]) {
            case MYSQL_TYPE_TINY: width = 1; break;
            case MYSQL_TYPE_SHORT:
            case MYSQL_TYPE_YEAR: width = 2; break;
            case MYSQL_TYPE_LONG:
            case MYSQL_TYPE_FLOAT:
            case MYSQL_TYPE_INT24: width = 4; break;
            case MYSQL_TYPE_DOUBLE:
            case MYSQL_TYPE_LONGLONG: width = 8; break;
            default: break;
        }
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
        item.IsNull = false;
        item.Offset = static_cast<std::uint32_t>(offset);
        item.Length = static_cast<std::uint32_t>(length);
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
        f.CharsetNr = SignExtend16(Le(fixed, 2));
        f.Length = Le(fixed + 2, 4);
        f.MyType = fixed[6];
        f.Flags = static_cast<std::uint32_t>(SignExtend16(Le(fixed + 7, 2)));
        f.Scale = SignExtend16(Le(fixed + 9, 2));
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
        f.Length = Le(len, 3);
        f.MyType = type[0];
        f.Flags = Le(flags, static_cast<int>(flagBytes));
        f.Scale = flags[flagBytes];
    }
    if (IsNumericType(f.MyType, f.Length)) f.Flags |= NUM_FLAG;
    return DecodeResult::Ok;
}

}  // namespace brevant
