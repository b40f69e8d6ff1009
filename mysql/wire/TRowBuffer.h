#pragma once
// A growable byte buffer with a length and a read/write position. Growth keeps the
// content and at least doubles the capacity, so a buffer that has reached the size
// of the packets it carries is not reallocated again.

#include <cstdint>
#include <cstring>
#include <memory>
#include <span>

namespace brevant {

class TRowBuffer {
public:
    TRowBuffer() = default;
    explicit TRowBuffer(std::size_t capacity) { Reserve(capacity); }

    std::uint8_t* Data() { return data_.get(); }
    const std::uint8_t* Data() const { return data_.get(); }
    std::span<const std::uint8_t> Bytes() const { return {data_.get(), length_}; }
    std::size_t Capacity() const { return capacity_; }

    std::size_t Length() const { return length_; }
    /// Grows the capacity when needed; new bytes are not initialised.
    void SetLength(std::size_t length) {
        if (length > capacity_) Grow(length);
        length_ = length;
    }
    std::size_t Position() const { return position_; }
    void SetPosition(std::size_t position) { position_ = position; }

    void Reserve(std::size_t capacity) {
        if (capacity > capacity_) Grow(capacity);
    }
    /// n bytes at the position, extending the length as needed; advances.
    std::uint8_t* WriteSpace(std::size_t n) {
        std::size_t end = position_ + n;
        if (end > capacity_) Grow(end);
        if (end > length_) length_ = end;
        std::uint8_t* p = data_.get() + position_;
        position_ = end;
        return p;
    }
    /// Frees the memory.
    void Release() {
        data_.reset();
        capacity_ = length_ = position_ = 0;
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
    std::size_t capacity_ = 0;
    std::size_t length_ = 0;
    std::size_t position_ = 0;
};

}  // namespace brevant
