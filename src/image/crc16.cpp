#include "crc16.h"

#include <array>

#if defined(__x86_64__)
#include <immintrin.h>
#define SS_CRC16_CARRYLESS 1
#else
#define SS_CRC16_CARRYLESS 0
#endif

namespace ss::crc16 {

namespace {

// Eight tables: table k gives the CRC contribution of a byte that stands k
// places before the end of an 8-byte block, so that the common case of
// consecutive bytes takes one step per 8 bytes.
using Tables = std::array<std::array<std::uint16_t, 256>, 8>;

constexpr Tables MakeTables() {
    Tables t{};
    for (unsigned b = 0; b < 256; ++b) {
        t[0][b] = StepBitwise(0, static_cast<std::uint8_t>(b));
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

#if SS_CRC16_CARRYLESS

// Carry-less multiplication. The bytes are taken as one polynomial over
// GF(2), the first byte's top bit the highest power, and the CRC after them
// is (bytes + preset * x^(8n-16)) * x^16 mod P, P = x^16 + 0x1021: the preset
// adds into the first two bytes. Sixteen bytes at a time stand in a 128-bit
// register, byte order reversed so that the first byte is the high one. A
// running remainder A of 128 bits is carried forward over d more bits as
// A * x^d = H * x^(d+64) + L * x^d, H and L its 64-bit halves, where
// x^(d+64) and x^d are replaced by their remainders mod P (16 bits each):
// two carry-less products of at most 79 bits that stand for the same
// remainder.

constexpr std::uint32_t kFullPolynomial = 0x10000u | kPolynomial;

// x^e mod P.
constexpr std::uint64_t PowerModP(unsigned e) {
    std::uint32_t r = 1;
    for (unsigned k = 0; k < e; ++k) {
        r <<= 1;
        if ((r & 0x10000u) != 0) {
            r ^= kFullPolynomial;
        }
    }
    return r;
}

// floor(x^64 / P), of degree 48: the Barrett constant that divides a 64-bit
// remainder by P with two products.
constexpr std::uint64_t BarrettQuotient() {
    std::uint64_t q = 0;
    std::uint32_t r = 0;
    for (int d = 64; d >= 0; --d) {
        r = (r << 1) | (d == 64 ? 1u : 0u);
        if ((r & 0x10000u) != 0) {
            r ^= kFullPolynomial;
            q |= std::uint64_t{1} << d;
        }
    }
    return q;
}
static_assert(BarrettQuotient() >> 48 == 1, "floor(x^64 / P) has degree 48");

// Below this many bytes the table is as fast.
constexpr std::size_t kCarrylessMin = 32;

// pshufb masks: from byte 16 - r on, the first r bytes of a 16-byte load
// reversed into the low r bytes of the register, zeros above; from 0 on, all
// sixteen reversed.
alignas(16) constexpr std::uint8_t kReverseMasks[32] = {
    15,   14,   13,   12,   11,   10,   9,    8,    7,    6,    5,    4,    3,    2,    1,    0,
    0x80, 0x80, 0x80, 0x80, 0x80, 0x80, 0x80, 0x80, 0x80, 0x80, 0x80, 0x80, 0x80, 0x80, 0x80, 0x80};

#define SS_CARRYLESS_TARGET __attribute__((target("pclmul,sse4.1")))

// The constants of carrying forward over d bits: x^d mod P low, x^(d+64) mod P high.
template <unsigned d> SS_CARRYLESS_TARGET inline __m128i FoldConstants() {
    constexpr std::uint64_t kLow = PowerModP(d);
    constexpr std::uint64_t kHigh = PowerModP(d + 64);
    return _mm_set_epi64x(static_cast<long long>(kHigh), static_cast<long long>(kLow));
}

SS_CARRYLESS_TARGET inline __m128i Fold(__m128i a, __m128i k) {
    return _mm_xor_si128(_mm_clmulepi64_si128(a, k, 0x00), _mm_clmulepi64_si128(a, k, 0x11));
}

SS_CARRYLESS_TARGET inline __m128i Block(const std::uint8_t* p, __m128i reverse) {
    return _mm_shuffle_epi8(_mm_loadu_si128(reinterpret_cast<const __m128i*>(p)), reverse);
}

// The CRC of the remainder a: a * x^16 mod P.
SS_CARRYLESS_TARGET inline std::uint16_t Reduce(__m128i a) {
    // a * x^16 = H * x^80 + L * x^16: at most 80 bits.
    constexpr std::uint64_t kX80 = PowerModP(80);
    constexpr std::uint64_t kX64 = PowerModP(64);
    constexpr std::uint64_t kQuotient = BarrettQuotient();
    const __m128i k80 = _mm_cvtsi64_si128(static_cast<long long>(kX80));
    __m128i x =
        _mm_xor_si128(_mm_clmulepi64_si128(a, k80, 0x01), _mm_slli_si128(_mm_move_epi64(a), 2));
    // Its top 16 bits carried down: x^64 -> x^64 mod P; at most 64 bits.
    const __m128i k64 = _mm_cvtsi64_si128(static_cast<long long>(kX64));
    x = _mm_xor_si128(_mm_clmulepi64_si128(x, k64, 0x01), _mm_move_epi64(x));
    // Barrett: q = floor(floor(t / x^16) * floor(x^64 / P) / x^48) = floor(t / P),
    // and t mod P = the low 16 bits of t + q * P.
    const __m128i barrett =
        _mm_set_epi64x(static_cast<long long>(kFullPolynomial), static_cast<long long>(kQuotient));
    const __m128i q = _mm_srli_si128(_mm_clmulepi64_si128(_mm_srli_epi64(x, 16), barrett, 0x00), 6);
    const __m128i r = _mm_xor_si128(x, _mm_clmulepi64_si128(q, barrett, 0x10));
    return static_cast<std::uint16_t>(_mm_cvtsi128_si32(r));
}

// n >= 17.
SS_CARRYLESS_TARGET std::uint16_t UpdateFolding(std::uint16_t crc, const std::uint8_t* p,
                                                std::size_t n) {
    // A first block of fewer bytes stands as if zeros came before it (they
    // add nothing to the remainder), so that the blocks after it are whole.
    // It holds the preset's two bytes unless it is a single byte: that one
    // goes by table.
    if (n % 16 == 1) {
        crc = Step(crc, *p++);
        --n;
    }
    const std::size_t head = n % 16 == 0 ? 16 : n % 16;
    const __m128i reverse = _mm_load_si128(reinterpret_cast<const __m128i*>(kReverseMasks));
    const __m128i headMask =
        _mm_loadu_si128(reinterpret_cast<const __m128i*>(kReverseMasks + 16 - head));
    const unsigned presetBytes =
        static_cast<unsigned>(crc >> 8) | (static_cast<unsigned>(crc & 0xFF) << 8);
    __m128i a = _mm_shuffle_epi8(_mm_xor_si128(_mm_loadu_si128(reinterpret_cast<const __m128i*>(p)),
                                               _mm_cvtsi32_si128(static_cast<int>(presetBytes))),
                                 headMask);
    p += head;
    n -= head;

    const __m128i k128 = FoldConstants<128>();
    if (n >= 64) {
        // Four remainders side by side, each carried forward over 512 bits.
        __m128i a0 = _mm_xor_si128(Fold(a, k128), Block(p, reverse));
        __m128i a1 = Block(p + 16, reverse);
        __m128i a2 = Block(p + 32, reverse);
        __m128i a3 = Block(p + 48, reverse);
        p += 64;
        n -= 64;
        const __m128i k512 = FoldConstants<512>();
        for (; n >= 64; p += 64, n -= 64) {
            a0 = _mm_xor_si128(Fold(a0, k512), Block(p, reverse));
            a1 = _mm_xor_si128(Fold(a1, k512), Block(p + 16, reverse));
            a2 = _mm_xor_si128(Fold(a2, k512), Block(p + 32, reverse));
            a3 = _mm_xor_si128(Fold(a3, k512), Block(p + 48, reverse));
        }
        a = _mm_xor_si128(
            _mm_xor_si128(Fold(a0, FoldConstants<384>()), Fold(a1, FoldConstants<256>())),
            _mm_xor_si128(Fold(a2, k128), a3));
    }
    for (; n > 0; p += 16, n -= 16) {
        a = _mm_xor_si128(Fold(a, k128), Block(p, reverse));
    }
    return Reduce(a);
}

bool DetectCarryless() {
    __builtin_cpu_init();
    return __builtin_cpu_supports("pclmul") && __builtin_cpu_supports("sse4.1");
}

#endif

} // namespace

std::uint16_t UpdateByTable(std::uint16_t crc, const std::uint8_t* p, std::size_t n) {
    for (; n >= 8; n -= 8, p += 8) {
        crc = static_cast<std::uint16_t>(kTables[7][((crc >> 8) ^ p[0]) & 0xFF] ^
                                         kTables[6][(crc ^ p[1]) & 0xFF] ^ kTables[5][p[2]] ^
                                         kTables[4][p[3]] ^ kTables[3][p[4]] ^ kTables[2][p[5]] ^
                                         kTables[1][p[6]] ^ kTables[0][p[7]]);
    }
    if (n == 1) {
        return Step(crc, *p);
    }
    if (n > 1) {
        // Two to seven bytes in one step: the CRC goes into the first two,
        // and each byte's contribution comes from the table of its place
        // before the end.
        unsigned r =
            kTables[n - 1][((crc >> 8) ^ p[0]) & 0xFF] ^ kTables[n - 2][(crc ^ p[1]) & 0xFF];
        for (std::size_t k = 2; k < n; ++k) {
            r ^= kTables[n - 1 - k][p[k]];
        }
        crc = static_cast<std::uint16_t>(r);
    }
    return crc;
}

bool HasCarryless() {
#if SS_CRC16_CARRYLESS
    static const bool has = DetectCarryless();
    return has;
#else
    return false;
#endif
}

std::uint16_t UpdateCarryless(std::uint16_t crc, const std::uint8_t* p, std::size_t n) {
#if SS_CRC16_CARRYLESS
    if (n >= kCarrylessMin && HasCarryless()) {
        return UpdateFolding(crc, p, n);
    }
#endif
    return UpdateByTable(crc, p, n);
}

std::uint16_t Update(std::uint16_t crc, const std::uint8_t* p, std::size_t n, std::size_t stride) {
    if (stride != 1) {
        for (std::size_t k = 0; k < n; ++k) {
            crc = Step(crc, p[k * stride]);
        }
        return crc;
    }
    return UpdateCarryless(crc, p, n);
}

} // namespace ss::crc16
