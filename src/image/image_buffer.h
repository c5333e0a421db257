// A whole image file held in memory. Every read goes through At(), which
// answers 0 for any position outside the file, so a short or hostile file can
// never make the program read outside the buffer.
#pragma once

#include <cstdint>
#include <utility>
#include <vector>

namespace ss {

class ImageBuffer {
  public:
    ImageBuffer() = default;
    explicit ImageBuffer(std::vector<std::uint8_t> bytes) : bytes_(std::move(bytes)) {}

    // File byte p; 0 when p lies outside the file (position fileend included).
    std::uint8_t At(std::int64_t p) const {
        return (p >= 0 && p < Size()) ? bytes_[static_cast<std::size_t>(p)] : 0;
    }
    // True when the file has bytes at positions p to p + count - 1.
    bool Has(std::int64_t p, std::int64_t count = 1) const {
        return p >= 0 && count >= 0 && p + count <= Size();
    }
    std::int64_t Size() const { return static_cast<std::int64_t>(bytes_.size()); }
    const std::vector<std::uint8_t>& Bytes() const { return bytes_; }

  private:
    std::vector<std::uint8_t> bytes_;
};

// An image's bytes seen through their first byte's address and their count,
// with the buffer's bounds-checked reads. Passed and kept by value in a
// reader's loops, its address and count stay in registers: the buffer's own
// would be read again from memory after every byte the reader stores, since
// a byte store may alias anything.
class ByteView {
  public:
    ByteView(const ImageBuffer& buf) // NOLINT: every buffer reads as its view
        : data_(buf.Bytes().data()), size_(buf.Size()) {}

    std::uint8_t At(std::int64_t p) const {
        return (p >= 0 && p < size_) ? data_[static_cast<std::size_t>(p)] : 0;
    }
    bool Has(std::int64_t p, std::int64_t count = 1) const {
        return p >= 0 && count >= 0 && p + count <= size_;
    }
    std::int64_t Size() const { return size_; }
    const std::uint8_t* Data() const { return data_; }

  private:
    const std::uint8_t* data_;
    std::int64_t size_;
};

} // namespace ss
