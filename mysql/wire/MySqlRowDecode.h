#pragma once
// Decoders for what a result set sends: column definitions and text rows. They
// work on a byte span and check every length against it, so a broken or hostile
// packet ends in a decode failure, never in a read past the packet.

#include <cstdint>
#include <span>
#include <string>
#include <vector>

namespace brevant {

/// One column of a result (8-bit strings as the server sent them).
struct TMySqlFieldInfo {
    std::string Name, OrgName, Table, OrgTable, Database, DefaultValue;
    std::uint32_t Length = 0;    // display length
    std::int32_t Scale = 0;      // decimals
    std::uint32_t MaxLength = 0;
    std::uint32_t Flags = 0;
    std::int32_t CharsetNr = 0;
    std::uint8_t MyType = 0;
};

/// Where one value of the current row lies. Offset is 0 only for NULL: every
/// value follows at least one length byte (a binary row's header and bitmap).
struct TMySqlBind {
    std::uint32_t Offset = 0;
    std::uint32_t Length = 0;
    bool IsNull() const { return Offset == 0; }
};

/// The locators of the current row; Buffer points into the packet layer's row
/// buffer and stays valid until that buffer receives another packet.
struct TMySqlBinds {
    std::vector<TMySqlBind> Items;
    const std::uint8_t* Buffer = nullptr;
    std::size_t BufferLength = 0;
};

enum class DecodeResult {
    Ok,
    Malformed,     // a length runs past the end of the packet
    BadLengthByte  // a length-encoded integer begins with 0xFF
};

/// Decodes a text-protocol row of items.size() columns.
DecodeResult DecodeTextRow(std::span<const std::uint8_t> row, std::span<TMySqlBind> items);

/// Decodes a binary-protocol row (prepared statements): a 0x00 header, a NULL
/// bitmap starting at bit 2, then the non-NULL values, fixed-width by type or
/// length-encoded. types holds the MYSQL_TYPE code of each column.
DecodeResult DecodeBinaryRow(std::span<const std::uint8_t> row, std::span<const std::uint8_t> types,
                             std::span<TMySqlBind> items);

/// Decodes a column definition: 7 strings in the 4.1 form, 5 in the older one
/// (whose flags are 2 bytes wide when the server has CLIENT_LONG_FLAG).
DecodeResult DecodeColumnDefinition(std::span<const std::uint8_t> packet, bool protocol41, bool longFlag,
                                    TMySqlFieldInfo& field);

}  // namespace brevant
