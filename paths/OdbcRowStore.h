#pragma once
// All rows of a result, held compactly: rows lie one after the other in large byte
// blocks, each value written as its length plus one (a variable-length number, 0 for
// NULL) followed by its bytes. Every 32nd row's place is noted, so reaching a row
// walks at most 31 others, and walking forward costs nothing extra. Values arrive in
// pieces (a driver's "more data" answers) and are written straight into the block.

#include <cstddef>
#include <cstdint>
#include <memory>
#include <span>
#include <string_view>
#include <vector>

namespace brevant {

struct TOdbcValueView {
    const char* Data = nullptr;
    std::size_t Size = 0;
    bool Null = true;
    std::string_view Bytes() const { return {Data, Size}; }
};

class TOdbcRowStore {
public:
    struct TRowPos {
        std::uint32_t Block = 0;
        std::uint32_t Offset = 0;
    };

    explicit TOdbcRowStore(std::size_t columnCount = 0) : FColumnCount(columnCount) {}
    void Reset(std::size_t columnCount);

    std::size_t ColumnCount() const { return FColumnCount; }
    std::int64_t RowCount() const { return FRowCount; }
    /// Bytes the store holds from the allocator (blocks and row index).
    std::size_t MemoryBytes() const;

    // Writing: BeginRow, then per column either AppendNull or BeginValue, pieces
    // (Space + Commit), EndValue; then EndRow. A row left unfinished is dropped by the
    // next BeginRow or Reset.
    void BeginRow();
    void AppendNull();
    void BeginValue();
    /// Room for at least n more bytes of the current value; valid until the next call.
    char* Space(std::size_t n);
    void Commit(std::size_t n) { FValueSize += n; }
    void EndValue();
    /// Ends the value begun as NULL, whatever was committed to it.
    void EndValueAsNull();
    void AppendValue(std::string_view bytes);
    void EndRow();

    // Reading.
    TRowPos Locate(std::int64_t row) const;
    /// Decodes the row at pos into out (ColumnCount entries); returns the next row's place.
    TRowPos Decode(TRowPos pos, std::span<TOdbcValueView> out) const;

private:
    struct TBlock {
        std::unique_ptr<char[]> Data;
        std::size_t Used = 0, Capacity = 0;
    };
    static constexpr std::int64_t RowsPerMark = 32;
    static constexpr std::size_t MinBlock = 64 * 1024, MaxBlock = 1024 * 1024;

    void Ensure(std::size_t n);  // room for n bytes after what the unfinished row holds
    TBlock& Tail() { return FBlocks.back(); }

    std::size_t FColumnCount = 0;
    std::int64_t FRowCount = 0;
    std::vector<TBlock> FBlocks;
    std::vector<TRowPos> FMarks;
    std::size_t FRowSize = 0;        // bytes of the row under construction
    std::size_t FValueStart = 0;     // offset of the current value's length byte within the row
    std::size_t FValueSize = 0;      // bytes of the current value so far
    std::size_t FColumnsWritten = 0;
};

}  // namespace brevant
