#pragma once
// A script stream read block by block and decoded to UTF-16 for the lexer. Only one
// block (plus at most three bytes of a split UTF-8 sequence) is held at a time, so
// memory does not grow with the size of the stream.

#include <cstdint>
#include <istream>
#include <memory>
#include <string>

#include "core/Text.h"

namespace brevant {

/// The lexer's text buffer: UTF-16 code units that can be extended without being
/// cleared first, so that decoding writes each character once.
class TCharBuffer {
public:
    const char16_t* data() const { return data_.get(); }
    std::size_t size() const { return size_; }
    bool empty() const { return size_ == 0; }
    /// Makes room for n more characters at the end and returns where they go; their
    /// values are undefined until written.
    char16_t* Extend(std::size_t n);
    /// Drops characters from the end down to n.
    void Truncate(std::size_t n) { size_ = n; }
    void EraseFront(std::size_t n);
    void Assign(UStringView text);
    void clear() { size_ = 0; }
    UStringView View(std::size_t from, std::size_t count) const { return UStringView(data() + from, count); }

private:
    std::unique_ptr<char16_t[]> data_;
    std::size_t size_ = 0;
    std::size_t capacity_ = 0;
};

enum TParserEncoding {
    peAnsi,   // the system's 8-bit code page
    peUtf8,
    peUtf16,  // UTF-16 little-endian
};

class TParserSource {
public:
    static constexpr std::size_t BlockSize = 65536;  // bytes: 32768 characters for UTF-16
    /// When not 0, sources created afterwards read blocks of this many bytes instead:
    /// lets tests and fuzzing reach every block-boundary case with short input.
    static inline std::size_t BlockSizeForTesting = 0;

    /// Reads from the stream's current position; size < 0 means to the end of the stream.
    TParserSource(std::istream& stream, TParserEncoding encoding, std::int64_t size = -1);

    /// Decodes the next block and appends it to out. False (and nothing appended) when
    /// the stream is exhausted.
    bool ReadBlock(TCharBuffer& out);
    /// Back to where reading started. Throws EParserError when the stream cannot seek.
    void Rewind();

    TParserEncoding Encoding() const { return encoding_; }
    /// Bytes taken from the stream so far.
    std::int64_t BytesRead() const { return read_; }

private:
    std::istream& stream_;
    TParserEncoding encoding_;
    std::int64_t size_;
    std::int64_t read_ = 0;
    std::streampos start_;
    std::string bytes_;     // the raw block; starts with the bytes carried over
    std::size_t carry_ = 0; // bytes of an incomplete sequence kept for the next block
    std::size_t blockSize_;
    bool eof_ = false;
};

/// Encoding of a script stream by its first bytes: FF FE is UTF-16 LE (reading goes
/// on after the mark); EF BB is UTF-8 (one more byte is skipped); anything else is the
/// system code page, and reading starts again at the beginning.
TParserEncoding DetectScriptEncoding(std::istream& stream);

}  // namespace brevant
