#pragma once
// A byte stream, and the stream over one large object of the dataset's active record.

#include <cstddef>
#include <cstdint>
#include <string>

#include "data/TFieldValue.h"

namespace brevant {

class TDataSet;
class TField;

enum TSeekOrigin : std::uint8_t { soBeginning, soCurrent, soEnd };

class TStream {
public:
    virtual ~TStream() = default;
    virtual std::size_t Read(void* buffer, std::size_t count) = 0;
    virtual std::size_t Write(const void* buffer, std::size_t count) = 0;
    /// New position; positions below 0 become 0.
    virtual std::int64_t Seek(std::int64_t offset, TSeekOrigin origin) = 0;
    virtual std::int64_t Size() = 0;
    std::int64_t Position() { return Seek(0, soCurrent); }
    void SetPosition(std::int64_t value) { Seek(value, soBeginning); }
    /// Everything from the position to the end.
    std::string ReadAll();
};

enum TBlobStreamMode : std::uint8_t { bmRead, bmWrite, bmReadWrite };

/// Made by TDataSet::CreateBlobStream. A write-mode stream empties the large object at
/// once. Closing a stream that wrote anything marks the field modified and raises a
/// field-changed notification; Close does that and may throw from a listener, the
/// destructor does it too and swallows what a listener throws. The stream must not
/// outlive the record it was made on.
class TBlobStream : public TStream {
public:
    TBlobStream(TDataSet& dataSet, TField& field, TBlobContent* content, TBlobStreamMode mode);
    ~TBlobStream() override;

    std::size_t Read(void* buffer, std::size_t count) override;
    std::size_t Write(const void* buffer, std::size_t count) override;
    std::int64_t Seek(std::int64_t offset, TSeekOrigin origin) override;
    std::int64_t Size() override;
    void Close();

private:
    TDataSet* FDataSet;
    TField* FField;
    TBlobContent* FContent;  // nullptr: no current record, reads nothing
    TBlobStreamMode FMode;
    std::uint64_t FPosition = 0;
    bool FWritten = false;
    bool FClosed = false;
};

}  // namespace brevant
