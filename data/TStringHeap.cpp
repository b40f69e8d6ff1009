#include "data/TStringHeap.h"

#include <algorithm>
#include <cstdlib>
#include <cstring>
#include <new>

#include "data/DataErrors.h"

namespace brevant {

TStringHeap::~TStringHeap() { Clear(); }

void* TStringHeap::NewBuf(std::size_t size) {
    const std::size_t rounded = std::max<std::size_t>((size + Align - 1) / Align * Align, Align);
    THeader* h;
    if (rounded > SmallSize) {
        auto* link = static_cast<TLargeLink*>(std::malloc(sizeof(TLargeLink) + sizeof(THeader) + rounded));
        if (!link) throw std::bad_alloc();
        link->Prev = nullptr;
        link->Next = FLarge;
        if (FLarge) FLarge->Prev = link;
        FLarge = link;
        FLargeBytes += sizeof(TLargeLink) + sizeof(THeader) + rounded;
        h = reinterpret_cast<THeader*>(link + 1);
    } else {
        h = static_cast<THeader*>(FromClass(rounded));
    }
    h->Size = static_cast<std::uint32_t>(rounded);
    h->Pad = 0;
    h->RefCount = RefNull;
    return h + 1;
}

void* TStringHeap::FromClass(std::size_t size) {
    const std::size_t cls = size / Align;
    if (TFree* f = FFree[cls]) {
        FFree[cls] = f->Next;
        return reinterpret_cast<char*>(f) - sizeof(THeader);
    }
    const std::size_t need = sizeof(THeader) + size;
    if (FCurLeft < need) {
        // The rest of the current block serves its own size class later.
        if (FCur && FCurLeft > sizeof(THeader)) PutFree(FCur, FCurLeft);
        char* block = static_cast<char*>(std::malloc(BlockSize));
        if (!block) throw std::bad_alloc();
        FBlocks.push_back(block);
        FBlockBytes += BlockSize;
        FCur = block;
        FCurLeft = BlockSize;
    }
    void* p = FCur;
    FCur += need;
    FCurLeft -= need;
    return p;
}

void TStringHeap::PutFree(char* start, std::size_t bytes) {
    std::size_t dataSize = std::min((bytes - sizeof(THeader)) / Align * Align, SmallSize);
    if (dataSize == 0) return;
    auto* h = reinterpret_cast<THeader*>(start);
    h->Size = static_cast<std::uint32_t>(dataSize);
    h->RefCount = 0;
    auto* f = reinterpret_cast<TFree*>(h + 1);
    const std::size_t cls = dataSize / Align;
    f->Next = FFree[cls];
    FFree[cls] = f;
}

char* TStringHeap::AllocStr(std::string_view bytes) {
    char* p = static_cast<char*>(NewBuf(bytes.size() + 1));
    if (!bytes.empty()) std::memcpy(p, bytes.data(), bytes.size());
    p[bytes.size()] = 0;
    return p;
}

char16_t* TStringHeap::AllocWideStr(UStringView text) {
    auto* p = static_cast<char16_t*>(NewBuf((text.size() + 1) * 2));
    if (!text.empty()) std::memcpy(p, text.data(), text.size() * 2);
    p[text.size()] = 0;
    return p;
}

void TStringHeap::AddRef(void* buf) {
    THeader* h = Header(buf);
    if (h->RefCount < RefNull || h->RefCount == 0xFFFF) throw EDataError(u"DisposeBuf failed");
    ++h->RefCount;
}

void TStringHeap::DisposeBuf(void* buf) {
    if (!buf) return;
    THeader* h = Header(buf);
    if (h->RefCount < RefNull) throw EDataError(u"DisposeBuf failed");
    if (h->Size == 0) throw EDataError(u"SmallTab in DisposeBuf failed");
    if (h->RefCount > RefNull) {
        // Another owner still holds it.
        --h->RefCount;
        return;
    }
    h->RefCount = 0;  // a second dispose of the same buffer fails instead of corrupting a list
    if (h->Size > SmallSize) {
        auto* link = reinterpret_cast<TLargeLink*>(h) - 1;
        if (link->Prev) link->Prev->Next = link->Next;
        else FLarge = link->Next;
        if (link->Next) link->Next->Prev = link->Prev;
        FLargeBytes -= sizeof(TLargeLink) + sizeof(THeader) + h->Size;
        std::free(link);
        return;
    }
    auto* f = static_cast<TFree*>(buf);
    const std::size_t cls = h->Size / Align;
    f->Next = FFree[cls];
    FFree[cls] = f;
}

void TStringHeap::Clear() {
    for (char* b : FBlocks) std::free(b);
    while (FLarge) {
        TLargeLink* next = FLarge->Next;
        std::free(FLarge);
        FLarge = next;
    }
    FBlocks.clear();
    std::fill(std::begin(FFree), std::end(FFree), nullptr);
    FCur = nullptr;
    FCurLeft = 0;
    FBlockBytes = FLargeBytes = 0;
}

std::size_t TStringHeap::BufSize(const void* buf) { return Header(buf)->Size; }
std::uint16_t TStringHeap::RefCount(const void* buf) { return Header(buf)->RefCount; }

}  // namespace brevant
