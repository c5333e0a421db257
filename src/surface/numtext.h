// The number texts every window uses for fields and printed items.
#pragma once

#include <cstdint>
#include <string>

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

} // namespace ss
