#pragma once
// A growable byte buffer with a length and a read/write position. Growth keeps the
// content and at least doubles the capacity, so a buffer that has reached the size
// of the packets it carries is not reallocated again.
//
// A buffer can also show bytes it does not own (View): a received packet read in
// place from the transport's read-ahead buffer, valid until the transport reads
// again. Reading goes to those bytes; anything that writes or keeps the content
// (the non-const Data, SetLength above 0, WriteSpace, Reserve) copies them into
// the buffer's own memory first.

#include <cstdint>
#include <cstring>
#include <memory>
#include <span>

namespace brevant {

class TRowBuffer {
public:
    TRowBuffer() = default;
    explicit TRowBuffer(std::size_t capacity) { Reserve(capacity); }

    std::uint8_t* Data() {
        Own();
        return data_.get();
    }
    const std::uint8_t* Data() const { return view_ ? view_ : data_.get(); }
    std::span<const std::uint8_t> Bytes() const { return {Data(), length_}; }
    std::size_t Capacity() const { return capacity_; }

    std::size_t Length() const { return length_; }
    /// Grows the capacity when needed; new bytes are not initialised.
    void SetLength(std::size_t length) {
        if (length == 0) view_ = nullptr;
        Own();
        if (length > capacity_) Grow(length);
        length_ = length;
    }
    /// Shows `length` bytes owned elsewhere, from position 0, until the next change.
    void View(const std::uint8_t* data, std::size_t length) {
        view_ = data;
        length_ = length;
        position_ = 0;
    }
    std::size_t Position() const { return position_; }
    void SetPosition(std::size_t position) { position_ = position; }

    void Reserve(std::size_t capacity) {
        Own();
        if (capacity > capacity_) Grow(capacity);
    }
    /// n bytes at the position, extending the length as needed; advances.
    std::uint8_t* WriteSpace(std::size_t n) {
        Own();
        std::size_t end = position_ + n;
        if (end > capacity_) Grow(end);
        if (end > length_) length_ = end;
        std::uint8_t* p = data_.get() + position_;
        position_ = end;
        return p;
    }
    /// Frees the memory.
    void Release() {
        view_ = nullptr;
        data_.reset();
        capacity_ = length_ = position_ = 0;
    }

    /// Copies viewed bytes into the own memory (before the memory they are in goes).
    void Own() {
        if (!view_) return;
        const std::uint8_t* viewed = view_;
        const std::size_t n = length_;
        view_ = nullptr;
        length_ = 0;  // the own memory holds nothing worth keeping
        if (n > capacity_) Grow(n);
        if (n) std::memcpy(data_.get(), viewed, n);
        length_ = n;
    }

private:
    void Grow(std::size_t atLeast) {
        std::size_t capacity = capacity_ ? capacity_ : 64;
        while (capacity < atLeast) capacity = capacity > SIZE_MAX / 2 ? atLeast : capacity * 2;
        std::unique_ptr<std::uint8_t[]> data(new std::uint8_t[capacity]);
        if (length_) std::memcpy(data.get(), data_.get(), length_);
        data_ = std::move(data);
        capacity_ = capacity;
    }

    std::unique_ptr<std::uint8_t[]> data_;
    const std::uint8_t* view_ = nullptr;
    std::size_t capacity_ = 0;
    std::size_t length_ = 0;
    std::size_t position_ = 0;
};

}  // namespace brevant
