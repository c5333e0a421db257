// How the bytes of a file are written as plain text: printable ASCII as
// itself, every other byte as {XX}, its value in two hex digits.
#pragma once

#include <cstddef>
#include <cstdint>
#include <string>
#include <string_view>

namespace ss::contents {

inline bool IsPrintable(std::uint8_t b) {
    return b >= 0x20 && b <= 0x7E;
}

// Adds raw to out, each byte outside 0x20..0x7E as {XX}.
void AppendShown(std::string& out, std::string_view raw);
std::string Shown(std::string_view raw);

// An offset in a file as four or more upper-case hex digits: "04D2".
std::string OffsetText(std::size_t offset);

} // namespace ss::contents
