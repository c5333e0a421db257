// The fields after a DMK ID address mark: where the data mark lies and
// whether a field's CRC matches.
#include "crc16.h"
#include "dmk.h"

#include <algorithm>
#include <bit>

#if defined(__SSE2__)
#include <emmintrin.h>
#endif

namespace ss::dmk {

int DataMarkDistance(const ImageBuffer& buf, std::int64_t idPos, bool doubled) {
    const std::int64_t from =
        std::max<std::int64_t>(idPos + (doubled ? kMarkSearchFirstDoubled : kMarkSearchFirst), 0);
    const std::int64_t end = std::min<std::int64_t>(idPos + kMarkSearchLast + 1, buf.Size());
    const std::uint8_t* bytes = buf.Bytes().data();
    std::int64_t p = from;
#if defined(__SSE2__)
    // Sixteen bytes at a time while the file holds them: the marks 0xF8, 0xFA
    // and 0xFB are the bytes that read 0xFB with their two low bits set,
    // 0xF9 apart; places past the window's end do not count.
    constexpr int kLanes = 16;
    const __m128i low2 = _mm_set1_epi8(3);
    const __m128i fb = _mm_set1_epi8(static_cast<char>(kMarkData));
    const __m128i f9 = _mm_set1_epi8(static_cast<char>(kMarkDirectoryF8 + 1));
    for (; p < end && p + kLanes <= buf.Size(); p += kLanes) {
        const __m128i v = _mm_loadu_si128(reinterpret_cast<const __m128i*>(bytes + p));
        const __m128i marks =
            _mm_andnot_si128(_mm_cmpeq_epi8(v, f9), _mm_cmpeq_epi8(_mm_or_si128(v, low2), fb));
        unsigned found = static_cast<unsigned>(_mm_movemask_epi8(marks));
        if (end - p < kLanes) {
            found &= (1u << (end - p)) - 1;
        }
        if (found != 0) {
            return static_cast<int>(p + std::countr_zero(found) - idPos);
        }
    }
#endif
    for (; p < end; ++p) {
        if (IsDataMark(bytes[p])) {
            return static_cast<int>(p - idPos);
        }
    }
    return -1;
}

FieldCrc CheckFieldCrc(const ImageBuffer& buf, std::int64_t markPos, int count, bool doubleDensity,
                       int stride) {
    const std::int64_t logical = 1 + count + kCrcBytes;
    if (!buf.Has(markPos, (logical - 1) * stride + 1)) {
        return FieldCrc::CutOff;
    }
    const std::uint16_t preset = doubleDensity ? crc16::kAfterDoubleDensitySync : crc16::kPreset;
    // Over the field and its own CRC, high byte first, the CRC comes out 0.
    const std::uint16_t rest =
        crc16::Update(preset, buf.Bytes().data() + markPos, static_cast<std::size_t>(logical),
                      static_cast<std::size_t>(stride));
    return rest == 0 ? FieldCrc::Good : FieldCrc::Bad;
}

} // namespace ss::dmk
