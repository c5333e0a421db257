#include "crc16.h"

#include <array>

namespace ss::crc16 {

namespace {

// Eight tables: table k gives the CRC contribution of a byte that stands k
// places before the end of an 8-byte block, so that the common case of
// consecutive bytes takes one step per 8 bytes.
using Tables = std::array<std::array<std::uint16_t, 256>, 8>;

constexpr Tables MakeTables() {
    Tables t{};
    for (unsigned b = 0; b < 256; ++b) {
        unsigned crc = b << 8;
        for (int bit = 0; bit < 8; ++bit) {
            crc = (crc & 0x8000) != 0 ? (crc << 1) ^ 0x1021 : crc << 1;
        }
        t[0][b] = static_cast<std::uint16_t>(crc);
    }
    for (std::size_t k = 1; k < t.size(); ++k) {
        for (unsigned b = 0; b < 256; ++b) {
            const std::uint16_t prev = t[k - 1][b];
            t[k][b] = static_cast<std::uint16_t>((prev << 8) ^ t[0][prev >> 8]);
        }
    }
    return t;
}

constexpr Tables kTables = MakeTables();

inline std::uint16_t Step(std::uint16_t crc, std::uint8_t b) {
    return static_cast<std::uint16_t>((crc << 8) ^ kTables[0][((crc >> 8) ^ b) & 0xFF]);
}

} // namespace

std::uint16_t Update(std::uint16_t crc, const std::uint8_t* p, std::size_t n, std::size_t stride) {
    if (stride != 1) {
        for (std::size_t k = 0; k < n; ++k) {
            crc = Step(crc, p[k * stride]);
        }
        return crc;
    }
    for (; n >= 8; n -= 8, p += 8) {
        crc = static_cast<std::uint16_t>(kTables[7][((crc >> 8) ^ p[0]) & 0xFF] ^
                                         kTables[6][(crc ^ p[1]) & 0xFF] ^ kTables[5][p[2]] ^
                                         kTables[4][p[3]] ^ kTables[3][p[4]] ^ kTables[2][p[5]] ^
                                         kTables[1][p[6]] ^ kTables[0][p[7]]);
    }
    for (; n > 0; --n, ++p) {
        crc = Step(crc, *p);
    }
    return crc;
}

std::uint16_t AfterDoubleDensitySync() {
    static constexpr std::uint8_t kSync[3] = {0xA1, 0xA1, 0xA1};
    static const std::uint16_t crc = Update(kPreset, kSync, 3);
    return crc;
}

} // namespace ss::crc16
