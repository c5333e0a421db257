#include "crc16.h"

#include <algorithm>
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
// places before the end of a block, so that eight consecutive bytes (or
// fewer) take one step.
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

// Below this many bytes the table is as fast as carry-less multiplication.
constexpr std::size_t kCarrylessMin = 32;

inline std::uint16_t Step(std::uint16_t crc, std::uint8_t b) {
    return static_cast<std::uint16_t>((crc << 8) ^ kTables[0][((crc >> 8) ^ b) & 0xFF]);
}

// Two to eight bytes in one step: the CRC goes into the first two, and each
// byte's contribution comes from the table of its place before the end.
template <std::size_t n> inline std::uint16_t ShortStep(std::uint16_t crc, const std::uint8_t* p) {
    static_assert(n >= 2 && n <= 8);
    unsigned r = kTables[n - 1][((crc >> 8) ^ p[0]) & 0xFF] ^ kTables[n - 2][(crc ^ p[1]) & 0xFF];
    for (std::size_t k = 2; k < n; ++k) {
        r ^= kTables[n - 1 - k][p[k]];
    }
    return static_cast<std::uint16_t>(r);
}

std::uint16_t UpdateByTable(std::uint16_t crc, const std::uint8_t* p, std::size_t n) {
    for (; n >= 8; n -= 8, p += 8) {
        crc = ShortStep<8>(crc, p);
    }
    switch (n) {
    case 1:
        return Step(crc, *p);
    case 2:
        return ShortStep<2>(crc, p);
    case 3:
        return ShortStep<3>(crc, p);
    case 4:
        return ShortStep<4>(crc, p);
    case 5:
        return ShortStep<5>(crc, p);
    case 6:
        return ShortStep<6>(crc, p);
    case 7:
        return ShortStep<7>(crc, p);
    default:
        return crc;
    }
}

#if SS_CRC16_CARRYLESS

// Carry-less multiplication. The bytes are taken as one polynomial over
// GF(2), the first byte's top bit the highest power, and the CRC after them
// is (bytes + preset * x^(8n-16)) * x^16 mod P, P = x^16 + 0x1021: the preset
// adds into the first two bytes. Sixteen bytes at a time stand in a 128-bit
// lane, byte order reversed so that the first byte is the high one. A
// running remainder A of 128 bits is carried forward over d more bits as
// A * x^d = H * x^(d+64) + L * x^d, H and L its 64-bit halves, where
// x^(d+64) and x^d are replaced by their remainders mod P (16 bits each):
// two carry-less products of at most 79 bits that stand for the same
// remainder. Several remainders run side by side over blocks that lie
// 16 * k bytes apart and are joined at the end.

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

// floor(x^80 / P) - x^64: the low 64 bits of the Barrett constant that
// divides an 80-bit remainder by P (its degree is 64).
constexpr std::uint64_t BarrettQuotientLow() {
    std::uint64_t q = 0;
    std::uint32_t r = 0;
    for (int d = 80; d >= 0; --d) {
        r = (r << 1) | (d == 80 ? 1u : 0u);
        if ((r & 0x10000u) != 0) {
            r ^= kFullPolynomial;
            if (d < 64) {
                q |= std::uint64_t{1} << d;
            }
        }
    }
    return q;
}

// pshufb masks: from byte 16 - r on, the first r bytes of a 16-byte load
// reversed into the low r bytes of the register, zeros above; from 0 on, all
// sixteen reversed.
alignas(16) constexpr std::uint8_t kReverseMasks[32] = {
    15,   14,   13,   12,   11,   10,   9,    8,    7,    6,    5,    4,    3,    2,    1,    0,
    0x80, 0x80, 0x80, 0x80, 0x80, 0x80, 0x80, 0x80, 0x80, 0x80, 0x80, 0x80, 0x80, 0x80, 0x80, 0x80};

#define SS_CARRYLESS_TARGET __attribute__((target("pclmul,sse4.1")))
#define SS_CARRYLESS256_TARGET __attribute__((target("pclmul,sse4.1,avx2,vpclmulqdq")))
#define SS_CARRYLESS512_TARGET                                                                     \
    __attribute__((target("pclmul,sse4.1,avx2,avx512f,avx512bw,avx512vl,vpclmulqdq")))

// The constants of carrying forward over d bits: x^d mod P low, x^(d+64) mod P high.
template <unsigned d> SS_CARRYLESS_TARGET inline __m128i FoldConstants() {
    constexpr std::uint64_t kLow = PowerModP(d);
    constexpr std::uint64_t kHigh = PowerModP(d + 64);
    return _mm_set_epi64x(static_cast<long long>(kHigh), static_cast<long long>(kLow));
}

SS_CARRYLESS_TARGET inline __m128i Fold(__m128i a, __m128i k) {
    return _mm_xor_si128(_mm_clmulepi64_si128(a, k, 0x00), _mm_clmulepi64_si128(a, k, 0x11));
}

SS_CARRYLESS_TARGET inline __m128i Reverse() {
    return _mm_load_si128(reinterpret_cast<const __m128i*>(kReverseMasks));
}

SS_CARRYLESS_TARGET inline __m128i Block(const std::uint8_t* p) {
    return _mm_shuffle_epi8(_mm_loadu_si128(reinterpret_cast<const __m128i*>(p)), Reverse());
}

// The first block, n >= 17: fewer bytes than 16 stand as if zeros came
// before them (they add nothing to the remainder), so that the blocks after
// it are whole. It holds the preset's two bytes unless it is a single byte:
// that one goes by table. Moves p and n past it.
SS_CARRYLESS_TARGET inline __m128i FirstBlock(std::uint16_t crc, const std::uint8_t*& p,
                                              std::size_t& n) {
    if (n % 16 == 1) {
        crc = Step(crc, *p++);
        --n;
    }
    const std::size_t head = n % 16 == 0 ? 16 : n % 16;
    const __m128i mask =
        _mm_loadu_si128(reinterpret_cast<const __m128i*>(kReverseMasks + 16 - head));
    const unsigned presetBytes = static_cast<unsigned>(crc >> 8) | ((crc & 0xFFu) << 8);
    const __m128i a =
        _mm_shuffle_epi8(_mm_xor_si128(_mm_loadu_si128(reinterpret_cast<const __m128i*>(p)),
                                       _mm_cvtsi32_si128(static_cast<int>(presetBytes))),
                         mask);
    p += head;
    n -= head;
    return a;
}

// The CRC of the remainder a after the whole blocks left (n a multiple of
// 16), one at a time: a * x^16 mod P.
SS_CARRYLESS_TARGET inline std::uint16_t LastBlocks(__m128i a, const std::uint8_t* p,
                                                    std::size_t n) {
    const __m128i k128 = FoldConstants<128>();
    for (; n > 0; p += 16, n -= 16) {
        a = _mm_xor_si128(Fold(a, k128), Block(p));
    }
    // a * x^16 = H * x^80 + L * x^16: x, at most 80 bits.
    constexpr std::uint64_t kX80 = PowerModP(80);
    const __m128i x = _mm_xor_si128(
        _mm_clmulepi64_si128(a, _mm_cvtsi64_si128(static_cast<long long>(kX80)), 0x01),
        _mm_slli_si128(_mm_move_epi64(a), 2));
    // Barrett: q = floor(x / P) = floor(t * floor(x^80 / P) / x^64) with
    // t = floor(x / x^16); the x^64 term of the constant adds t itself. The
    // remainder is the low 16 bits of x + q * P.
    const __m128i barrett = _mm_set_epi64x(static_cast<long long>(kFullPolynomial),
                                           static_cast<long long>(BarrettQuotientLow()));
    const __m128i t = _mm_srli_si128(x, 2);
    const __m128i q = _mm_xor_si128(t, _mm_srli_si128(_mm_clmulepi64_si128(t, barrett, 0x00), 8));
    const __m128i r = _mm_xor_si128(x, _mm_clmulepi64_si128(q, barrett, 0x10));
    return static_cast<std::uint16_t>(_mm_cvtsi128_si32(r));
}

// n >= 17.
SS_CARRYLESS_TARGET std::uint16_t UpdateFolding128(std::uint16_t crc, const std::uint8_t* p,
                                                   std::size_t n) {
    __m128i a = FirstBlock(crc, p, n);
    if (n >= 64) {
        // Four remainders side by side, each carried forward over 512 bits.
        const __m128i k128 = FoldConstants<128>();
        const __m128i k512 = FoldConstants<512>();
        __m128i a0 = _mm_xor_si128(Fold(a, k128), Block(p));
        __m128i a1 = Block(p + 16);
        __m128i a2 = Block(p + 32);
        __m128i a3 = Block(p + 48);
        p += 64;
        n -= 64;
        for (; n >= 64; p += 64, n -= 64) {
            a0 = _mm_xor_si128(Fold(a0, k512), Block(p));
            a1 = _mm_xor_si128(Fold(a1, k512), Block(p + 16));
            a2 = _mm_xor_si128(Fold(a2, k512), Block(p + 32));
            a3 = _mm_xor_si128(Fold(a3, k512), Block(p + 48));
        }
        a = _mm_xor_si128(
            _mm_xor_si128(Fold(a0, FoldConstants<384>()), Fold(a1, FoldConstants<256>())),
            _mm_xor_si128(Fold(a2, k128), a3));
    }
    return LastBlocks(a, p, n);
}

// Constants of 256 and 512 bits, loaded whole: two or four lanes of 128.
template <std::size_t lanes> struct alignas(16 * lanes) LaneConstants {
    std::uint64_t q[2 * lanes];
};
// The constants of carrying forward over d bits, in every lane.
template <std::size_t lanes> constexpr LaneConstants<lanes> FoldAcross(unsigned d) {
    LaneConstants<lanes> c{};
    for (std::size_t k = 0; k < lanes; ++k) {
        c.q[2 * k] = PowerModP(d);
        c.q[2 * k + 1] = PowerModP(d + 64);
    }
    return c;
}
// The constants that carry each lane forward to the end of its register,
// and over `after` blocks more: lane 0 (the earliest block) the farthest.
template <std::size_t lanes> constexpr LaneConstants<lanes> ToEnd(unsigned after) {
    LaneConstants<lanes> c{};
    for (std::size_t k = 0; k < lanes; ++k) {
        const unsigned d = 128 * (static_cast<unsigned>(lanes - 1 - k) + after);
        c.q[2 * k] = PowerModP(d);
        c.q[2 * k + 1] = PowerModP(d + 64);
    }
    return c;
}
// The byte-reversing mask in every lane.
template <std::size_t lanes> constexpr LaneConstants<lanes> ReverseAcross() {
    LaneConstants<lanes> c{};
    for (std::size_t k = 0; k < 2 * lanes; ++k) {
        for (int b = 7; b >= 0; --b) {
            c.q[k] = c.q[k] << 8 | kReverseMasks[(k % 2) * 8 + static_cast<std::size_t>(b)];
        }
    }
    return c;
}

// Two 128-bit lanes in one 256-bit register: blocks k and k + 1.
SS_CARRYLESS256_TARGET inline __m256i Blocks2(const std::uint8_t* p) {
    static constexpr LaneConstants<2> kReverse = ReverseAcross<2>();
    return _mm256_shuffle_epi8(_mm256_loadu_si256(reinterpret_cast<const __m256i*>(p)),
                               _mm256_load_si256(reinterpret_cast<const __m256i*>(kReverse.q)));
}

SS_CARRYLESS256_TARGET inline __m256i Fold2(__m256i y, const LaneConstants<2>& c) {
    const __m256i k = _mm256_load_si256(reinterpret_cast<const __m256i*>(c.q));
    return _mm256_xor_si256(_mm256_clmulepi64_epi128(y, k, 0x00),
                            _mm256_clmulepi64_epi128(y, k, 0x11));
}

// n >= 17.
SS_CARRYLESS256_TARGET std::uint16_t UpdateFolding256(std::uint16_t crc, const std::uint8_t* p,
                                                      std::size_t n) {
    __m128i a = FirstBlock(crc, p, n);
    if (n >= 64) {
        // Four lanes of remainders in two registers, each lane carried
        // forward over four blocks.
        static constexpr LaneConstants<2> k512 = FoldAcross<2>(512);
        static constexpr LaneConstants<2> kFar = ToEnd<2>(2);
        static constexpr LaneConstants<2> kNear = ToEnd<2>(0);
        __m256i y0 =
            _mm256_xor_si256(Blocks2(p), _mm256_zextsi128_si256(Fold(a, FoldConstants<128>())));
        __m256i y1 = Blocks2(p + 32);
        p += 64;
        n -= 64;
        for (; n >= 64; p += 64, n -= 64) {
            y0 = _mm256_xor_si256(Fold2(y0, k512), Blocks2(p));
            y1 = _mm256_xor_si256(Fold2(y1, k512), Blocks2(p + 32));
        }
        // Each lane carried forward to the end of the four blocks, and the four added.
        const __m256i f = _mm256_xor_si256(Fold2(y0, kFar), Fold2(y1, kNear));
        a = _mm_xor_si128(_mm256_castsi256_si128(f), _mm256_extracti128_si256(f, 1));
    }
    return LastBlocks(a, p, n);
}

// Four 128-bit lanes in one 512-bit register: blocks k to k + 3.
SS_CARRYLESS512_TARGET inline __m512i Blocks4(const std::uint8_t* p) {
    static constexpr LaneConstants<4> kReverse = ReverseAcross<4>();
    return _mm512_shuffle_epi8(_mm512_loadu_si512(p), _mm512_load_si512(kReverse.q));
}

// Each lane of z carried forward by c, plus y.
SS_CARRYLESS512_TARGET inline __m512i Fold4(__m512i z, const LaneConstants<4>& c, __m512i y) {
    constexpr int kXor3 = 0x96;
    const __m512i k = _mm512_load_si512(c.q);
    return _mm512_ternarylogic_epi64(_mm512_clmulepi64_epi128(z, k, 0x00),
                                     _mm512_clmulepi64_epi128(z, k, 0x11), y, kXor3);
}

// n >= 17.
SS_CARRYLESS512_TARGET std::uint16_t UpdateFolding512(std::uint16_t crc, const std::uint8_t* p,
                                                      std::size_t n) {
    __m128i a = FirstBlock(crc, p, n);
    if (n >= 64) {
        // Four lanes of remainders, eight with a second register, each lane
        // carried forward over as many blocks as run side by side.
        static constexpr LaneConstants<4> k512 = FoldAcross<4>(512);
        static constexpr LaneConstants<4> k1024 = FoldAcross<4>(1024);
        static constexpr LaneConstants<4> kToEnd = ToEnd<4>(0);
        __m512i z =
            _mm512_xor_si512(Blocks4(p), _mm512_zextsi128_si512(Fold(a, FoldConstants<128>())));
        p += 64;
        n -= 64;
        if (n >= 64) {
            __m512i z1 = Blocks4(p);
            p += 64;
            n -= 64;
            for (; n >= 128; p += 128, n -= 128) {
                z = Fold4(z, k1024, Blocks4(p));
                z1 = Fold4(z1, k1024, Blocks4(p + 64));
            }
            z = Fold4(z, k512, z1);
        }
        if (n >= 64) {
            z = Fold4(z, k512, Blocks4(p));
            p += 64;
            n -= 64;
        }
        // Each lane carried forward to the end of the four blocks, and the four added.
        const __m512i f = Fold4(z, kToEnd, _mm512_setzero_si512());
        const __m256i h = _mm256_xor_si256(_mm512_maskz_extracti64x4_epi64(0xF, f, 0),
                                           _mm512_maskz_extracti64x4_epi64(0xF, f, 1));
        a = _mm_xor_si128(_mm256_castsi256_si128(h), _mm256_extracti128_si256(h, 1));
    }
    return LastBlocks(a, p, n);
}

Way DetectFastest() {
    __builtin_cpu_init();
    if (!__builtin_cpu_supports("pclmul") || !__builtin_cpu_supports("sse4.1")) {
        return Way::Table;
    }
    if (!__builtin_cpu_supports("vpclmulqdq") || !__builtin_cpu_supports("avx2")) {
        return Way::Carryless128;
    }
    if (!__builtin_cpu_supports("avx512f") || !__builtin_cpu_supports("avx512bw") ||
        !__builtin_cpu_supports("avx512vl")) {
        return Way::Carryless256;
    }
    return Way::Carryless512;
}

#endif

} // namespace

Way FastestWay() {
#if SS_CRC16_CARRYLESS
    static const Way fastest = DetectFastest();
    return fastest;
#else
    return Way::Table;
#endif
}

namespace {

using Folding = std::uint16_t (*)(std::uint16_t, const std::uint8_t*, std::size_t);

// The way of taking fields of kCarrylessMin bytes or more.
Folding FoldingOf(Way w) {
    switch (w) {
#if SS_CRC16_CARRYLESS
    case Way::Carryless512:
        return UpdateFolding512;
    case Way::Carryless256:
        return UpdateFolding256;
    case Way::Carryless128:
        return UpdateFolding128;
#else
    case Way::Carryless512:
    case Way::Carryless256:
    case Way::Carryless128:
#endif
    case Way::Table:
        break;
    }
    return UpdateByTable;
}

} // namespace

std::uint16_t UpdateBy(Way w, std::uint16_t crc, const std::uint8_t* p, std::size_t n) {
    return n >= kCarrylessMin ? FoldingOf(std::min(w, FastestWay()))(crc, p, n)
                              : UpdateByTable(crc, p, n);
}

std::uint16_t Update(std::uint16_t crc, const std::uint8_t* p, std::size_t n, std::size_t stride) {
    if (stride == 1) {
        static const Folding fastest = FoldingOf(FastestWay());
        return n >= kCarrylessMin ? fastest(crc, p, n) : UpdateByTable(crc, p, n);
    }
    for (std::size_t k = 0; k < n; ++k) {
        crc = Step(crc, p[k * stride]);
    }
    return crc;
}

} // namespace ss::crc16
