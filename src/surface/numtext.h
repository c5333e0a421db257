// The number texts every window uses for fields and printed items.
#pragma once

#include <array>
#include <cstdint>
#include <string>
#include <string_view>

namespace ss {

// Decimal with one leading blank for numbers from 0 up (" 40"); a negative
// number carries its minus sign instead ("-5").
std::string DecBlank(std::int64_t n);
// Plain decimal ("40").
std::string Dec(std::int64_t n);
// Upper-case hexadecimal without leading zeros ("AF00", "0").
std::string Hex(std::uint64_t n);
// Hex with one "0" put in front of a single digit ("0A", "F0").
std::string Hex2(std::uint64_t n);
// The character a byte is shown as in a text column: itself when 32 < b < 128, else ".".
char ShownChar(std::uint8_t b);

namespace numtext_detail {
// Hex2 of every byte, two digits each, and ShownChar of every byte: a page
// of bytes prints from these without making a string per byte.
inline constexpr std::array<char, 512> kHexPairs = [] {
    constexpr char kDigits[] = "0123456789ABCDEF";
    std::array<char, 512> t{};
    for (int b = 0; b < 256; ++b) {
        t[2 * b] = kDigits[b >> 4];
        t[2 * b + 1] = kDigits[b & 0xF];
    }
    return t;
}();
inline constexpr std::array<char, 256> kShownChars = [] {
    std::array<char, 256> t{};
    for (int b = 0; b < 256; ++b) {
        t[b] = (b > 32 && b < 128) ? static_cast<char>(b) : '.';
    }
    return t;
}();
} // namespace numtext_detail

// Hex2(b) and ShownChar(b) as views of static text, for Print.
inline std::string_view Hex2View(std::uint8_t b) {
    return {&numtext_detail::kHexPairs[2 * std::size_t{b}], 2};
}
inline std::string_view ShownView(std::uint8_t b) {
    return {&numtext_detail::kShownChars[b], 1};
}

} // namespace ss
