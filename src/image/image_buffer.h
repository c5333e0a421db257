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

} // namespace ss
