// The CRC-16 of the disk fields, each fast way held to the plain bit-by-bit
// CRC of the test image builder: every length a field may have, every
// alignment in memory, every preset the checks start from.
#include "image/crc16.h"
#include "support/image_builder.h"

#include <cstdint>
#include <functional>
#include <gtest/gtest.h>
#include <random>
#include <string>
#include <vector>

namespace ss {
namespace {

struct NamedWay {
    const char* name;
    std::function<std::uint16_t(std::uint16_t, const std::uint8_t*, std::size_t)> update;
};

// Update itself, then each way this processor has.
std::vector<NamedWay> Ways() {
    std::vector<NamedWay> ways = {{"Update", [](std::uint16_t c, const std::uint8_t* p,
                                                std::size_t n) { return crc16::Update(c, p, n); }}};
    const std::pair<crc16::Way, const char*> all[] = {
        {crc16::Way::Table, "by table"},
        {crc16::Way::Carryless128, "carry-less, 128 bits"},
        {crc16::Way::Carryless256, "carry-less, 256 bits"},
        {crc16::Way::Carryless512, "carry-less, 512 bits"},
    };
    for (const auto& [w, name] : all) {
        const crc16::Way way = w;
        if (way <= crc16::FastestWay()) {
            ways.push_back({name, [way](std::uint16_t c, const std::uint8_t* p, std::size_t n) {
                                return crc16::UpdateBy(way, c, p, n);
                            }});
        }
    }
    return ways;
}

std::vector<std::uint8_t> RandomBytes(std::size_t n, unsigned seed) {
    std::mt19937 rng(seed);
    std::vector<std::uint8_t> v(n);
    for (std::uint8_t& b : v) {
        b = static_cast<std::uint8_t>(rng());
    }
    return v;
}

// Every length from 0 to maxLength at every offset 0..15 of buf, from
// each preset: the CRC of each way against the bit-by-bit one, worked out
// byte by byte as the length grows.
void ExpectAllLengths(const std::vector<std::uint8_t>& buf, std::size_t maxLength,
                      const std::string& what) {
    const std::vector<NamedWay> ways = Ways();
    const std::uint16_t presets[] = {crc16::kPreset, crc16::kAfterDoubleDensitySync, 0x0000, 0x8000,
                                     0x1D0F};
    for (std::size_t offset = 0; offset < 16; ++offset) {
        const std::uint8_t* p = buf.data() + offset;
        for (const std::uint16_t preset : presets) {
            std::uint16_t expected = preset;
            for (std::size_t n = 0; n <= maxLength; ++n) {
                if (n > 0) {
                    expected = testimg::Crc16(p + n - 1, 1, expected);
                }
                for (const NamedWay& w : ways) {
                    ASSERT_EQ(w.update(preset, p, n), expected)
                        << what << ", " << w.name << ", length " << n << ", offset " << offset
                        << ", preset " << preset;
                }
            }
        }
    }
}

TEST(Crc16, EveryShortLengthAlignmentAndPresetMatchesTheBitwiseCrc) {
    ExpectAllLengths(RandomBytes(640, 1), 600, "random bytes");
    // All bits set and all clear: the highest and lowest remainders.
    ExpectAllLengths(std::vector<std::uint8_t>(640, 0xFF), 600, "all 0xFF");
    ExpectAllLengths(std::vector<std::uint8_t>(640, 0x00), 600, "all 0x00");
}

TEST(Crc16, LargeBuffersMatchTheBitwiseCrc) {
    const std::vector<NamedWay> ways = Ways();
    const std::vector<std::uint8_t> big = RandomBytes((1u << 20) + 64, 2);
    const std::size_t lengths[] = {1u << 20, 65536 + 1, 65536 + 15, 4096 + 7, 1027, 259, 131, 67};
    for (const std::size_t n : lengths) {
        for (const std::size_t offset : {0u, 1u, 7u, 13u}) {
            const std::uint8_t* p = big.data() + offset;
            const std::uint16_t expected = testimg::Crc16(p, n);
            for (const NamedWay& w : ways) {
                EXPECT_EQ(w.update(crc16::kPreset, p, n), expected)
                    << w.name << ", length " << n << ", offset " << offset;
            }
        }
    }
}

TEST(Crc16, DoubledBytesAreTakenOnce) {
    const std::vector<std::uint8_t> once = RandomBytes(300, 3);
    std::vector<std::uint8_t> doubled;
    for (const std::uint8_t b : once) {
        doubled.push_back(b);
        doubled.push_back(static_cast<std::uint8_t>(~b)); // the copy may differ: it is skipped
    }
    for (std::size_t n = 0; n <= once.size(); ++n) {
        ASSERT_EQ(crc16::Update(crc16::kPreset, doubled.data(), n, 2),
                  testimg::Crc16(once.data(), n))
            << "length " << n;
    }
}

TEST(Crc16, AFieldFollowedByItsCrcLeavesZero) {
    // A double-density data field: sync bytes, mark, 256 bytes, CRC high byte first.
    std::vector<std::uint8_t> field = RandomBytes(257, 4);
    field[0] = 0xFB;
    const std::uint16_t crc =
        crc16::Update(crc16::kAfterDoubleDensitySync, field.data(), field.size());
    const std::uint8_t sync[] = {0xA1, 0xA1, 0xA1};
    EXPECT_EQ(crc, testimg::Crc16(field.data(), field.size(), testimg::Crc16(sync, 3)));
    field.push_back(static_cast<std::uint8_t>(crc >> 8));
    field.push_back(static_cast<std::uint8_t>(crc & 0xFF));
    EXPECT_EQ(crc16::Update(crc16::kAfterDoubleDensitySync, field.data(), field.size()), 0);
}

} // namespace
} // namespace ss
