// CRC-16 as the floppy-disk controller computes it over an address mark and
// the field after it: polynomial 0x1021, most significant bit first, preset
// 0xFFFF, no final inversion, stored high byte first behind the field. Over a
// field followed by its own stored CRC the result is 0.
#pragma once

#include <cstddef>
#include <cstdint>

namespace ss::crc16 {

inline constexpr std::uint16_t kPreset = 0xFFFF;

// The CRC after n bytes at p, taking every stride-th byte (2 for a field whose
// bytes are stored twice in a row), from crc on.
std::uint16_t Update(std::uint16_t crc, const std::uint8_t* p, std::size_t n,
                     std::size_t stride = 1);

// The CRC after the three 0xA1 sync bytes that open every double-density
// address mark, from the preset.
std::uint16_t AfterDoubleDensitySync();

} // namespace ss::crc16
