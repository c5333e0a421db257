// The hex viewer's byte model: the whole file with zero positions behind it.
// It knows nothing of lines, pages or the screen.
#pragma once

#include "hex_layout.h"
#include "image/image_buffer.h"

#include <cstdint>
#include <vector>

namespace ss {

class HexBytes {
  public:
    HexBytes() = default;
    // Takes the file's bytes; kSpareBytes + 1 zero positions follow them.
    explicit HexBytes(std::vector<std::uint8_t> file);

    // The length of the file, without the zero positions.
    std::int64_t fileend() const { return fileend_; }
    // File byte p; 0 for the positions behind the file and for any position
    // outside the buffer, so no page can read outside it.
    std::uint8_t At(std::int64_t p) const { return buffer_.At(p); }
    // The buffer, zero positions included, for the layout readers.
    const ImageBuffer& Buffer() const { return buffer_; }

  private:
    ImageBuffer buffer_;
    std::int64_t fileend_ = 0;
};

} // namespace ss
