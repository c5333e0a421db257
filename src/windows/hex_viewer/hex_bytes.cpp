#include "hex_bytes.h"

#include <utility>

namespace ss {

HexBytes::HexBytes(std::vector<std::uint8_t> file)
    : fileend_(static_cast<std::int64_t>(file.size())) {
    file.resize(file.size() + HexLayout::kSpareBytes + 1, 0);
    buffer_ = ImageBuffer(std::move(file));
}

} // namespace ss
