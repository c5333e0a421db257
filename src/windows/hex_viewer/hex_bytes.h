// The hex viewer's byte model: the whole file, every position outside it
// reading 0. It knows nothing of lines, pages or the screen.
#pragma once

#include "image/image_buffer.h"

#include <array>
#include <cstddef>
#include <cstdint>
#include <cstring>
#include <utility>
#include <vector>

namespace ss {

class HexBytes {
  public:
    HexBytes() = default;
    explicit HexBytes(std::vector<std::uint8_t> file) : buffer_(std::move(file)) {}

    // The length of the file.
    std::int64_t fileend() const { return buffer_.Size(); }
    // File byte p; 0 for the positions behind the file (a page that runs past
    // its end shows zeros) and for any position outside it, so no page can
    // read outside the file.
    std::uint8_t At(std::int64_t p) const { return buffer_.At(p); }
    // The N bytes from position `from` on, each as At reads it.
    template <std::size_t N> void Read(std::int64_t from, std::array<std::uint8_t, N>& out) const {
        const auto n = static_cast<std::int64_t>(N);
        if (buffer_.Has(from, n)) {
            std::memcpy(out.data(), buffer_.Bytes().data() + from, N);
            return;
        }
        for (std::int64_t k = 0; k < n; ++k) {
            out[static_cast<std::size_t>(k)] = At(from + k);
        }
    }
    // The file, for the disk model.
    const ImageBuffer& Buffer() const { return buffer_; }

  private:
    ImageBuffer buffer_;
};

} // namespace ss
