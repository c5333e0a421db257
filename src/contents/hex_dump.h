// Any file as hex: 16 bytes a line, the offset, the bytes in hex, then the
// bytes as characters (printable ASCII as itself, others as '.').
#pragma once

#include <cstdint>
#include <span>
#include <string>
#include <vector>

namespace ss::contents {

// "0010  48 45 4C 4C 4F 0D 00 ...  HELLO.." ; the offsets in four hex digits,
// or as many as the file's last offset needs.
std::vector<std::string> HexLines(std::span<const std::uint8_t> bytes);

} // namespace ss::contents
