// bench_store: appends 1,000,000 records of the fetch benchmark's mixed table
// (INT, BIGINT, VARCHAR(40), DECIMAL(12,2), DATETIME, DOUBLE, TEXT, BLOB) into
// TMemData from prepared values, with text held as the workbench holds it
// (UTF-16), walks them and frees them. Prints ns per record for each phase, the
// resident bytes per record, the bytes the values themselves occupy in their typed
// form, and last "ratio: X.XX" = resident / values' bytes (the store's overhead).
// Best of three rounds.

#include <malloc.h>

#include <algorithm>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <string>
#include <vector>

#include "data/TMemData.h"

namespace {

using namespace brevant;
using Clock = std::chrono::steady_clock;

std::size_t InUseBytes() {
    struct mallinfo2 mi = mallinfo2();
    return mi.uordblks + mi.hblkhd;
}

std::string Hex(unsigned v) {
    char buf[64];
    std::snprintf(buf, sizeof buf, "%08x%08x%08x%08x", v * 2654435761u, v ^ 0x9e3779b9u, v * 40503u, ~v);
    return buf;
}

struct Prepared {
    std::vector<std::string> names, notes, blobs;  // UTF-16 bytes for the texts
};

std::string Utf16Bytes(const std::string& ascii) {
    std::string out;
    for (char c : ascii) {
        out += c;
        out += '\0';
    }
    return out;
}

Prepared Prepare(int distinct) {
    Prepared p;
    for (int i = 1; i <= distinct; ++i) {
        std::string name = ("name-" + std::to_string(i) + "-" + Hex(i)).substr(0, 40);
        std::string note;
        while (note.size() < 100) note += Hex(i) + " ";
        note.resize(100);
        std::string blob;
        while (blob.size() < 200) blob += Hex(i + 1);
        blob.resize(200);
        p.names.push_back(Utf16Bytes(name));
        p.notes.push_back(Utf16Bytes(note));
        p.blobs.push_back(blob);
    }
    return p;
}

std::unique_ptr<TFieldDesc> Desc(TDataType type, std::uint32_t length, int no) {
    auto d = std::make_unique<TFieldDesc>();
    d->DataType = type;
    d->Length = length;
    d->FieldNo = static_cast<std::uint16_t>(no);
    d->ActualFieldNo = no - 1;
    return d;
}

struct Round {
    double appendNs, walkNs, freeNs;
    double residentPerRecord, valuesPerRecord;
};

Round Run(const Prepared& p, int count) {
    TMemData data;
    const TDataType types[] = {dtInt32, dtInt64, dtExtWideString, dtFloat, dtDateTime, dtFloat, dtWideMemo, dtBlob};
    const std::uint32_t lengths[] = {0, 0, 40, 0, 0, 0, 0, 0};
    for (int i = 0; i < 8; ++i) data.Fields().push_back(Desc(types[i], lengths[i], i + 1));
    data.InitFields();
    std::vector<TFieldDesc*> f;
    for (auto& d : data.Fields()) f.push_back(d.get());

    const std::size_t before = InUseBytes();
    std::vector<std::byte> buf(data.RecordSize());
    std::size_t values = 0;
    const auto t0 = Clock::now();
    for (int i = 0; i < count; ++i) {
        const std::size_t k = static_cast<std::size_t>(i) % p.names.size();
        data.InitRecord(buf.data());
        const std::int32_t id = i + 1;
        const std::int64_t big = static_cast<std::int64_t>(id) * 1000003;
        const double amount = id / 7.0, stamp = 43831.0 + id / 86400.0, ratio = id * 1.25;
        data.PutFieldData(*f[0], buf.data(), std::string_view(reinterpret_cast<const char*>(&id), 4));
        data.PutFieldData(*f[1], buf.data(), std::string_view(reinterpret_cast<const char*>(&big), 8));
        data.PutFieldData(*f[2], buf.data(), p.names[k]);
        data.PutFieldData(*f[3], buf.data(), std::string_view(reinterpret_cast<const char*>(&amount), 8));
        data.PutFieldData(*f[4], buf.data(), std::string_view(reinterpret_cast<const char*>(&stamp), 8));
        data.PutFieldData(*f[5], buf.data(), std::string_view(reinterpret_cast<const char*>(&ratio), 8));
        data.PutFieldData(*f[6], buf.data(), p.notes[k]);
        data.PutFieldData(*f[7], buf.data(), p.blobs[k]);
        data.AppendRecord(buf.data());
        values += 4 + 8 + 8 + 8 + 8 + p.names[k].size() + p.notes[k].size() + p.blobs[k].size();
    }
    const auto t1 = Clock::now();
    const std::size_t resident = InUseBytes() - before;

    std::uint64_t sum = 0;
    data.SetToBegin();
    while (data.GetNextRecord(nullptr)) {
        const std::byte* rec = data.CurrentItem()->Record();
        std::int32_t id;
        std::memcpy(&id, rec + f[0]->Offset, 4);
        sum += static_cast<std::uint64_t>(id) + data.GetBlob(*f[7], rec)->GetSize();
    }
    const auto t2 = Clock::now();
    data.FreeData();
    const auto t3 = Clock::now();
    if (sum == 0) std::puts("");

    auto ns = [&](auto a, auto b) { return std::chrono::duration<double, std::nano>(b - a).count() / count; };
    return {ns(t0, t1), ns(t1, t2), ns(t2, t3), static_cast<double>(resident) / count,
            static_cast<double>(values) / count};
}

}  // namespace

int main(int argc, char** argv) {
    const int count = argc > 1 ? std::atoi(argv[1]) : 1000000;
    const Prepared p = Prepare(1000);
    Round best{1e300, 1e300, 1e300, 0, 0};
    for (int r = 0; r < 3; ++r) {
        const Round x = Run(p, count);
        best.appendNs = std::min(best.appendNs, x.appendNs);
        best.walkNs = std::min(best.walkNs, x.walkNs);
        best.freeNs = std::min(best.freeNs, x.freeNs);
        best.residentPerRecord = x.residentPerRecord;
        best.valuesPerRecord = x.valuesPerRecord;
    }
    std::printf("records: %d\n", count);
    std::printf("append: %.1f ns/record\nwalk: %.1f ns/record\nfree: %.1f ns/record\n", best.appendNs, best.walkNs,
                best.freeNs);
    std::printf("resident: %.1f bytes/record\nvalues: %.1f bytes/record\n", best.residentPerRecord,
                best.valuesPerRecord);
    std::printf("ratio: %.2f\n", best.residentPerRecord / best.valuesPerRecord);
    return 0;
}
