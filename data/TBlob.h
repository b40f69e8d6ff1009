#pragma once
// Large-object values: a reference-counted value whose bytes are a list of pieces,
// with an optional rollback copy taken at the first write after NeedRollback.

#include <cstddef>
#include <cstdint>
#include <string>
#include <string_view>

#include "core/Text.h"

namespace brevant {

class TBlob;

/// One piece: a header and then Size bytes, Used of them in use.
struct TPieceHeader {
    TBlob* Blob;
    std::uint32_t Size;
    std::uint32_t Used;
    TPieceHeader* Prev;
    TPieceHeader* Next;
    std::uint16_t Tag;

    char* Data() { return reinterpret_cast<char*>(this + 1); }
};

/// The bytes of a large object as a list of pieces.
class TCRBlobData {
public:
    TCRBlobData() = default;
    ~TCRBlobData() { Clear(); }
    TCRBlobData(const TCRBlobData&) = delete;
    TCRBlobData& operator=(const TCRBlobData&) = delete;

    std::size_t GetSize() const;
    /// Copies up to `count` bytes from `position`; returns the count copied.
    std::size_t Read(std::size_t position, std::size_t count, void* dest) const;
    /// Overwrites from `position` (moved back to the size when beyond it) and appends
    /// pieces of at most `pieceSize` bytes as needed.
    void Write(std::size_t position, std::size_t count, const void* source, TBlob* owner, std::size_t pieceSize);
    void Truncate(std::size_t newSize);
    void Clear();
    /// One piece holding everything.
    void Defrag(TBlob* owner);
    void CopyTo(TCRBlobData& dest, TBlob* owner) const;
    void Swap(TCRBlobData& other) noexcept;

    TPieceHeader* FirstPiece() const { return FFirst; }
    int PieceCount() const;

private:
    TPieceHeader* AppendPiece(std::size_t size, TBlob* owner);

    TPieceHeader* FFirst = nullptr;
    TPieceHeader* FLast = nullptr;
};

class TBlob {
public:
    /// Piece size so that a piece and its header fill 64 KB.
    static constexpr std::size_t DefaultPieceSize = 65536 - sizeof(TPieceHeader);

    explicit TBlob(bool isUnicode = false) : FIsUnicode(isUnicode) {}
    virtual ~TBlob();
    TBlob(const TBlob&) = delete;
    TBlob& operator=(const TBlob&) = delete;

    // Shared ownership: created with one owner; Release frees with the last one.
    TBlob* AddRef() {
        ++FRefCount;
        return this;
    }
    void Release();
    int RefCount() const { return FRefCount; }

    /// A new value (one owner) with a copy of the bytes.
    virtual TBlob* CreateClone() const;

    std::size_t GetSize() const { return FData.GetSize(); }
    void SetSize(std::size_t size);
    bool IsUnicode() const { return FIsUnicode; }
    void SetIsUnicode(bool value) { FIsUnicode = value; }

    /// Copies up to `count` bytes from `position`; returns the count copied. A count of
    /// 0 reads nothing, and so does a position at or beyond the size.
    std::size_t Read(std::size_t position, std::size_t count, void* dest) const;
    void Write(std::size_t position, std::size_t count, const void* source);
    void Clear();
    void Truncate(std::size_t newSize);
    void Defrag() { FData.Defrag(this); }

    /// The whole content as bytes; for a wide value the UTF-16 units' bytes.
    std::string AsBytes() const;
    void SetAsBytes(std::string_view bytes);
    /// Text of a wide value; a narrow value's bytes widened from the 8-bit code page.
    UString AsWideString() const;
    void SetAsWideString(UStringView text);

    /// Replaces the content by the file's bytes / writes the content to the file.
    /// Fail with a clear message when the file cannot be read or written.
    void LoadFromFile(const std::string& fileName);
    void SaveToFile(const std::string& fileName) const;

    // Rollback: with NeedRollback set, the first write copies the data aside; Commit
    // drops the copy, Cancel puts it back.
    bool NeedRollback() const { return FNeedRollback; }
    void SetNeedRollback(bool value) { FNeedRollback = value; }
    bool HasRollback() const { return FRollback != nullptr; }
    void Commit();
    void Cancel();

    const TCRBlobData& Data() const { return FData; }

protected:
    void SaveToRollback();

private:
    TCRBlobData FData;
    TCRBlobData* FRollback = nullptr;
    int FRefCount = 1;
    bool FIsUnicode = false;
    bool FNeedRollback = false;
};

}  // namespace brevant
