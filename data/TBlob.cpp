#include "data/TBlob.h"

#include <algorithm>
#include <cerrno>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <new>

#include "core/Errors.h"

namespace brevant {

// --- TCRBlobData ---

std::size_t TCRBlobData::GetSize() const {
    std::size_t size = 0;
    for (TPieceHeader* p = FFirst; p; p = p->Next) size += p->Used;
    return size;
}

int TCRBlobData::PieceCount() const {
    int n = 0;
    for (TPieceHeader* p = FFirst; p; p = p->Next) ++n;
    return n;
}

TPieceHeader* TCRBlobData::AppendPiece(std::size_t size, TBlob* owner) {
    auto* p = static_cast<TPieceHeader*>(std::malloc(sizeof(TPieceHeader) + size));
    if (!p) throw std::bad_alloc();
    p->Blob = owner;
    p->Size = static_cast<std::uint32_t>(size);
    p->Used = 0;
    p->Prev = FLast;
    p->Next = nullptr;
    p->Tag = 0;
    if (FLast) FLast->Next = p;
    else FFirst = p;
    FLast = p;
    return p;
}

std::size_t TCRBlobData::Read(std::size_t position, std::size_t count, void* dest) const {
    auto* out = static_cast<char*>(dest);
    std::size_t done = 0, start = 0;
    for (TPieceHeader* p = FFirst; p && done < count; p = p->Next) {
        const std::size_t end = start + p->Used;
        if (position < end) {
            const std::size_t from = position - start;
            const std::size_t n = std::min<std::size_t>(p->Used - from, count - done);
            std::memcpy(out + done, p->Data() + from, n);
            done += n;
            position += n;
        }
        start = end;
    }
    return done;
}

void TCRBlobData::Write(std::size_t position, std::size_t count, const void* source, TBlob* owner,
                        std::size_t pieceSize) {
    auto* in = static_cast<const char*>(source);
    position = std::min(position, GetSize());
    std::size_t start = 0;
    for (TPieceHeader* p = FFirst; p && count > 0; p = p->Next) {
        // Overwrite, and fill a piece's unused room when it is the last one.
        const std::size_t limit = p->Next ? p->Used : p->Size;
        if (position < start + limit) {
            const std::size_t from = position - start;
            const std::size_t n = std::min(limit - from, count);
            std::memcpy(p->Data() + from, in, n);
            p->Used = static_cast<std::uint32_t>(std::max<std::size_t>(p->Used, from + n));
            in += n;
            count -= n;
            position += n;
        }
        start += p->Used;
    }
    while (count > 0) {
        const std::size_t n = std::min(pieceSize, count);
        TPieceHeader* p = AppendPiece(n, owner);
        std::memcpy(p->Data(), in, n);
        p->Used = static_cast<std::uint32_t>(n);
        in += n;
        count -= n;
    }
}

void TCRBlobData::Truncate(std::size_t newSize) {
    std::size_t start = 0;
    TPieceHeader* p = FFirst;
    while (p && start + p->Used < newSize) {
        start += p->Used;
        p = p->Next;
    }
    if (!p) return;
    p->Used = static_cast<std::uint32_t>(newSize - start);
    TPieceHeader* rest = p->Next;
    if (p->Used == 0) {
        rest = p;
        FLast = p->Prev;
    } else {
        FLast = p;
    }
    if (FLast) FLast->Next = nullptr;
    else FFirst = nullptr;
    while (rest) {
        TPieceHeader* next = rest->Next;
        std::free(rest);
        rest = next;
    }
}

void TCRBlobData::Clear() {
    while (FFirst) {
        TPieceHeader* next = FFirst->Next;
        std::free(FFirst);
        FFirst = next;
    }
    FLast = nullptr;
}

void TCRBlobData::Defrag(TBlob* owner) {
    if (!FFirst || !FFirst->Next) return;
    TCRBlobData joined;
    const std::size_t size = GetSize();
    TPieceHeader* p = joined.AppendPiece(size, owner);
    p->Used = static_cast<std::uint32_t>(Read(0, size, p->Data()));
    Swap(joined);
}

void TCRBlobData::CopyTo(TCRBlobData& dest, TBlob* owner) const {
    dest.Clear();
    const std::size_t size = GetSize();
    if (size == 0) return;
    TPieceHeader* p = dest.AppendPiece(size, owner);
    p->Used = static_cast<std::uint32_t>(Read(0, size, p->Data()));
}

void TCRBlobData::Swap(TCRBlobData& other) noexcept {
    std::swap(FFirst, other.FFirst);
    std::swap(FLast, other.FLast);
}

// --- TBlob ---

TBlob::~TBlob() { delete FRollback; }

void TBlob::Release() {
    if (--FRefCount == 0) delete this;
}

TBlob* TBlob::CreateClone() const {
    auto* clone = new TBlob(FIsUnicode);
    FData.CopyTo(clone->FData, clone);
    return clone;
}

void TBlob::SaveToRollback() {
    if (!FNeedRollback || FRollback) return;
    FRollback = new TCRBlobData;
    FData.CopyTo(*FRollback, this);
}

void TBlob::SetSize(std::size_t size) {
    const std::size_t cur = GetSize();
    if (size < cur) {
        Truncate(size);
    } else if (size > cur) {
        std::string zeros(size - cur, '\0');
        Write(cur, zeros.size(), zeros.data());
    }
}

std::size_t TBlob::Read(std::size_t position, std::size_t count, void* dest) const {
    if (count == 0) return 0;
    return FData.Read(position, count, dest);
}

void TBlob::Write(std::size_t position, std::size_t count, const void* source) {
    if (count == 0) return;
    SaveToRollback();
    FData.Write(position, count, source, this, DefaultPieceSize);
}

void TBlob::Clear() {
    SaveToRollback();
    FData.Clear();
}

void TBlob::Truncate(std::size_t newSize) {
    SaveToRollback();
    FData.Truncate(newSize);
}

std::string TBlob::AsBytes() const {
    std::string s(GetSize(), '\0');
    if (!s.empty()) FData.Read(0, s.size(), s.data());
    return s;
}

void TBlob::SetAsBytes(std::string_view bytes) {
    Clear();
    Write(0, bytes.size(), bytes.data());
}

UString TBlob::AsWideString() const {
    if (!FIsUnicode) return AnsiToUtf16(AsBytes());
    UString s(GetSize() / 2, u'\0');
    if (!s.empty()) FData.Read(0, s.size() * 2, s.data());
    return s;
}

void TBlob::SetAsWideString(UStringView text) {
    if (!FIsUnicode) {
        SetAsBytes(Utf16ToAnsi(text));
        return;
    }
    Clear();
    Write(0, text.size() * 2, text.data());
}

void TBlob::LoadFromFile(const std::string& fileName) {
    std::FILE* f = std::fopen(fileName.c_str(), "rb");
    if (!f) throw Exception("Cannot open file \"" + fileName + "\": " + std::strerror(errno));
    std::string bytes;
    char buf[65536];
    std::size_t n;
    while ((n = std::fread(buf, 1, sizeof buf, f)) > 0) bytes.append(buf, n);
    const bool failed = std::ferror(f) != 0;
    std::fclose(f);
    if (failed) throw Exception("Cannot read file \"" + fileName + "\"");
    SetAsBytes(bytes);
}

void TBlob::SaveToFile(const std::string& fileName) const {
    std::FILE* f = std::fopen(fileName.c_str(), "wb");
    if (!f) throw Exception("Cannot create file \"" + fileName + "\": " + std::strerror(errno));
    bool ok = true;
    for (TPieceHeader* p = FData.FirstPiece(); p && ok; p = p->Next)
        ok = std::fwrite(p->Data(), 1, p->Used, f) == p->Used;
    ok = (std::fclose(f) == 0) && ok;
    if (!ok) throw Exception("Cannot write file \"" + fileName + "\"");
}

void TBlob::Commit() {
    delete FRollback;
    FRollback = nullptr;
}

void TBlob::Cancel() {
    if (!FRollback) return;
    FData.Swap(*FRollback);
    delete FRollback;
    FRollback = nullptr;
}

}  // namespace brevant
