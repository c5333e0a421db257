// CRC-16 as the floppy-disk controller computes it over an address mark and
// the field after it: polynomial 0x1021, most significant bit first, preset
// 0xFFFF, no final inversion, stored high byte first behind the field. Over a
// field followed by its own stored CRC the result is 0.
#pragma once

#include <cstddef>
#include <cstdint>

namespace ss::crc16 {

inline constexpr std::uint16_t kPreset = 0xFFFF;
inline constexpr std::uint16_t kPolynomial = 0x1021;

// The CRC after one more byte, bit by bit: the definition the faster ways
// below are held to.
constexpr std::uint16_t StepBitwise(std::uint16_t crc, std::uint8_t b) {
    unsigned c = crc ^ (static_cast<unsigned>(b) << 8);
    for (int bit = 0; bit < 8; ++bit) {
        c = (c & 0x8000) != 0 ? (c << 1) ^ kPolynomial : c << 1;
    }
    return static_cast<std::uint16_t>(c);
}

// The CRC after the three 0xA1 sync bytes that open every double-density
// address mark, from the preset.
inline constexpr std::uint16_t kAfterDoubleDensitySync =
    StepBitwise(StepBitwise(StepBitwise(kPreset, 0xA1), 0xA1), 0xA1);

// The CRC after n bytes at p, taking every stride-th byte (2 for a field whose
// bytes are stored twice in a row), from crc on. Consecutive bytes (stride 1)
// of a field long enough go the fastest way the processor has.
std::uint16_t Update(std::uint16_t crc, const std::uint8_t* p, std::size_t n,
                     std::size_t stride = 1);

// The ways to take consecutive bytes, plainest first: by table, eight bytes
// a step, on every processor; by carry-less multiplication (x86-64
// PCLMULQDQ) in 128-bit registers, sixteen bytes a step; the same in 256-bit
// registers (AVX2 with VPCLMULQDQ), and in 512-bit ones (AVX-512 with
// VPCLMULQDQ), sixty-four bytes a step. All answer alike.
enum class Way { Table, Carryless128, Carryless256, Carryless512 };

// The fastest way this processor has.
Way FastestWay();

// The CRC by way w, or by the fastest way this processor has when it lacks w.
std::uint16_t UpdateBy(Way w, std::uint16_t crc, const std::uint8_t* p, std::size_t n);

} // namespace ss::crc16
