#include "data/TBlobStream.h"

#include <algorithm>

#include "data/TDataSet.h"

namespace brevant {

std::string TStream::ReadAll() {
    std::string out;
    char chunk[65536];
    for (;;) {
        std::size_t n = Read(chunk, sizeof chunk);
        if (n == 0) break;
        out.append(chunk, n);
    }
    return out;
}

TBlobStream::TBlobStream(TDataSet& dataSet, TField& field, TBlobContent* content, TBlobStreamMode mode)
    : FDataSet(&dataSet), FField(&field), FContent(content), FMode(mode) {
    if (FMode == bmWrite && FContent) FContent->Truncate(0);
}

TBlobStream::~TBlobStream() {
    try {
        Close();
    } catch (...) {
        // A listener failed while being told of the change; the data is written.
    }
}

void TBlobStream::Close() {
    if (FClosed) return;
    FClosed = true;
    if (FWritten) FDataSet->FieldChanged(*FField);
}

std::size_t TBlobStream::Read(void* buffer, std::size_t count) {
    if (!FContent || FClosed) return 0;
    std::size_t n = FContent->Read(FPosition, count, buffer);
    FPosition += n;
    return n;
}

std::size_t TBlobStream::Write(const void* buffer, std::size_t count) {
    if (FMode == bmRead || !FContent || FClosed || count == 0) return 0;
    FPosition = std::min<std::uint64_t>(FPosition, FContent->Size());
    FContent->Write(FPosition, count, buffer);
    FPosition += count;
    FWritten = true;
    return count;
}

std::int64_t TBlobStream::Seek(std::int64_t offset, TSeekOrigin origin) {
    std::int64_t base = origin == soBeginning ? 0 : origin == soCurrent ? static_cast<std::int64_t>(FPosition) : Size();
    std::int64_t target = base + offset;
    FPosition = static_cast<std::uint64_t>(std::max<std::int64_t>(target, 0));
    return static_cast<std::int64_t>(FPosition);
}

std::int64_t TBlobStream::Size() { return FContent ? static_cast<std::int64_t>(FContent->Size()) : 0; }

}  // namespace brevant
